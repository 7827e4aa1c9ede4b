# What Microsoft's runtime would link into every program: the start-up that
# runs the static constructors, calls main and exits through msvcrt.
add_library(tesma_msvc_mode_startup OBJECT ${CMAKE_CURRENT_LIST_DIR}/Startup.cpp)
link_libraries(tesma_msvc_mode_startup)
