# The release folder a game team adopts, as `cmake --install` lays it out and
# as the release_archive target zips it into tesmaclient-<version>.zip:
#   bin/                  tesmaclient.dll and its PDB
#   include/              the public headers
#   lib/mingw/            libtesmaclient.a, the import library for MinGW
#   lib/msvc/             tesmaclient.lib, the import library for MSVC-style linkers
#   lib/cmake/tesmaclient the CMake package
#   toolchains/           a CMake toolchain file for MinGW cross builds
#   tools/devlauncher/    the offline development launcher
#   samples/              a small game for each toolchain
#   bindings/csharp/      the C interface's declarations for C#
#   README.md             the SDK's own guide (sdk/README.md)
# One folder per toolchain, so that neither linker finds the other's library:
# with -static GNU ld looks for libtesmaclient.a and tesmaclient.lib only, and
# mingw-w64 names its own import libraries lib<name>.a too.
include(CMakePackageConfigHelpers)

set(TESMA_PACKAGE_DIR lib/cmake/tesmaclient)

install(FILES ${CMAKE_BINARY_DIR}/bin/tesmaclient.dll DESTINATION bin)
install(FILES ${CMAKE_BINARY_DIR}/bin/tesmaclient.pdb DESTINATION bin OPTIONAL)
install(FILES ${CMAKE_BINARY_DIR}/lib/tesmaclient.lib DESTINATION lib/msvc)
install(FILES ${CMAKE_BINARY_DIR}/lib/libtesmaclient.dll.a DESTINATION lib/mingw RENAME libtesmaclient.a)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kz DESTINATION include PATTERN "*.in" EXCLUDE)
install(FILES ${TESMA_GENERATED_INCLUDE_DIR}/kz/tesmaclient/Version.h DESTINATION include/kz/tesmaclient)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/tesmaclient-config.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config.cmake
    INSTALL_DESTINATION ${TESMA_PACKAGE_DIR})
# Same major version. Any architecture here: the config itself turns away a
# 64-bit game, in words, where the version file could only say "(32bit)".
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config-version.cmake
    COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config-version.cmake
        DESTINATION ${TESMA_PACKAGE_DIR})

install(FILES $<TARGET_FILE:devlauncher> $<TARGET_FILE:devlauncher_register>
              ${PROJECT_SOURCE_DIR}/tools/devlauncher/README.md
        DESTINATION tools/devlauncher)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION samples)
install(FILES ${PROJECT_SOURCE_DIR}/bindings/csharp/Tesmaclient.cs DESTINATION bindings/csharp)
install(FILES ${PROJECT_SOURCE_DIR}/sdk/toolchains/i686-w64-mingw32.cmake DESTINATION toolchains)
install(FILES ${PROJECT_SOURCE_DIR}/sdk/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION .)

# The release archive, tesmaclient-<version>.zip, checked file by file, packed
# from one install tree that sdk/ names: the installed package the Windows tests use.
set(TESMA_RELEASE_ARCHIVE ${CMAKE_BINARY_DIR}/tesmaclient-${PROJECT_VERSION}.zip)
add_custom_target(release_archive ALL
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/make-release.sh ${CMAKE_BINARY_DIR} ${TESMA_RELEASE_ARCHIVE}
            ${PROJECT_SOURCE_DIR}/cmake/package/release-files.txt
    DEPENDS tesmaclient tesmaclient_exports devlauncher devlauncher_register ${PROJECT_SOURCE_DIR}/cmake/make-release.sh
    BYPRODUCTS ${TESMA_RELEASE_ARCHIVE}
    VERBATIM)
