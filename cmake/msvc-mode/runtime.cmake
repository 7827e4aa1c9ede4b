# What Microsoft's runtime would link into every program of a project built
# with msvc-mode-i686.cmake: the MSVC-mode runtime (flags.cmake).
add_library(tesma_msvc_mode_runtime STATIC ${TESMA_MSVC_MODE_RUNTIME_SOURCES})
link_libraries(tesma_msvc_mode_runtime)
