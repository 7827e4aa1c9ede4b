# The release folder a game team adopts, as `cmake --install` lays it out and
# as scripts/package.sh zips it into tesmaclient-<version>.zip:
#   bin/                  tesmaclient.dll and its PDB
#   include/              the public headers
#   lib/                  tesmaclient.lib (MSVC), libtesmaclient.dll.a (MinGW)
#   lib/cmake/tesmaclient the CMake package
#   tools/devlauncher/    the offline development launcher
#   samples/              a small game for each toolchain
include(CMakePackageConfigHelpers)

set(TESMA_PACKAGE_DIR lib/cmake/tesmaclient)

install(FILES ${TESMA_OUTPUT_DIR}/bin/tesmaclient.dll DESTINATION bin)
install(FILES ${TESMA_OUTPUT_DIR}/bin/tesmaclient.pdb DESTINATION bin OPTIONAL)
install(FILES ${TESMA_OUTPUT_DIR}/lib/tesmaclient.lib ${TESMA_OUTPUT_DIR}/lib/libtesmaclient.dll.a DESTINATION lib)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kz DESTINATION include)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/tesmaclient-config.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config.cmake
    INSTALL_DESTINATION ${TESMA_PACKAGE_DIR})
# Same major version; the version file also turns away a 64-bit game.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config-version.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config-version.cmake
        DESTINATION ${TESMA_PACKAGE_DIR})

install(FILES $<TARGET_FILE:devlauncher> $<TARGET_FILE:devlauncher_register>
              ${PROJECT_SOURCE_DIR}/tools/devlauncher/README.md
        DESTINATION tools/devlauncher)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION samples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tesmaclient)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME tesmaclient-${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${TESMA_OUTPUT_DIR})
include(CPack)
