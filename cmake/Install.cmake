# The release folder a game team adopts, as `cmake --install` lays it out and
# as the release_archive target zips it into tesmaclient-<version>.zip:
#   bin/                  tesmaclient.dll and its PDB
#   bin64/                for 64-bit games: tesmaclient64.dll and its PDB, and
#                         tesmaclient-host.exe with the tesmaclient.dll it runs on
#   include/              the public headers
#   lib/mingw/            libtesmaclient.a, the import library for MinGW
#   lib/msvc/             tesmaclient.lib, the import library for MSVC-style linkers
#   lib64/mingw/          libtesmaclient64.a, for 64-bit MinGW games
#   lib64/msvc/           tesmaclient64.lib, for 64-bit MSVC-style linkers
#   lib/cmake/tesmaclient the CMake package
#   toolchains/           CMake toolchain files for MinGW cross builds, 32 and 64 bits
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

# The 64-bit library from the release64 configuration's build folder. It
# reaches the launcher through the host, a 32-bit program of this build that
# runs on this build's tesmaclient.dll: the three lie together in a game's folder.
set(TESMA_RELEASE64_DIR "" CACHE PATH "The release64 configuration's build folder, whose tesmaclient64.dll the release takes in")
set(TESMA_HOST_EXE ${CMAKE_BINARY_DIR}/bin/tesmaclient-host.exe)
set(TESMA_RELEASE64_FILES)
if(TESMA_RELEASE64_DIR)
    set(TESMA_RELEASE64_FILES ${TESMA_RELEASE64_DIR}/bin/tesmaclient64.dll ${TESMA_RELEASE64_DIR}/bin/tesmaclient64.pdb
        ${TESMA_RELEASE64_DIR}/lib/tesmaclient64.lib ${TESMA_RELEASE64_DIR}/lib/libtesmaclient64.dll.a)
    foreach(file ${TESMA_RELEASE64_FILES})
        if(NOT EXISTS ${file})
            message(FATAL_ERROR "${file} is missing: build the release64 preset first")
        endif()
    endforeach()
    install(FILES ${TESMA_RELEASE64_DIR}/bin/tesmaclient64.dll ${TESMA_RELEASE64_DIR}/bin/tesmaclient64.pdb
                  ${CMAKE_BINARY_DIR}/bin/tesmaclient.dll
            DESTINATION bin64)
    install(FILES ${TESMA_HOST_EXE} DESTINATION bin64)
    install(FILES ${TESMA_RELEASE64_DIR}/lib/tesmaclient64.lib DESTINATION lib64/msvc)
    install(FILES ${TESMA_RELEASE64_DIR}/lib/libtesmaclient64.dll.a DESTINATION lib64/mingw
            RENAME libtesmaclient64.a)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kz DESTINATION include PATTERN "*.in" EXCLUDE)
install(FILES ${TESMA_GENERATED_INCLUDE_DIR}/kz/tesmaclient/Version.h DESTINATION include/kz/tesmaclient)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/tesmaclient-config.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient-config.cmake
    INSTALL_DESTINATION ${TESMA_PACKAGE_DIR})
# Same major version. Any architecture: the config gives a 32-bit game the
# 32-bit library and a 64-bit game the 64-bit one.
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
install(FILES ${PROJECT_SOURCE_DIR}/sdk/toolchains/i686-w64-mingw32.cmake
              ${PROJECT_SOURCE_DIR}/sdk/toolchains/x86_64-w64-mingw32.cmake DESTINATION toolchains)
install(FILES ${PROJECT_SOURCE_DIR}/sdk/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION .)

# The release archive, tesmaclient-<version>.zip, checked file by file, packed
# from one install tree that sdk/ names: the installed package the Windows tests use.
# The list of files leaves out the 64-bit part without a release64 build.
set(TESMA_RELEASE_ARCHIVE ${CMAKE_BINARY_DIR}/tesmaclient-${PROJECT_VERSION}.zip)
set(TESMA_RELEASE_LIST ${PROJECT_SOURCE_DIR}/cmake/package/release-files.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TESMA_RELEASE_LIST})
file(STRINGS ${TESMA_RELEASE_LIST} release_files)
if(NOT TESMA_RELEASE64_DIR)
    list(FILTER release_files EXCLUDE REGEX "^(bin64|lib64)/")
endif()
list(JOIN release_files "\n" release_files)
file(WRITE ${CMAKE_BINARY_DIR}/release-files-expected.txt "${release_files}\n")
add_custom_target(release_archive ALL
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/make-release.sh ${CMAKE_BINARY_DIR} ${TESMA_RELEASE_ARCHIVE}
            ${CMAKE_BINARY_DIR}/release-files-expected.txt
    DEPENDS tesmaclient tesmaclient_exports devlauncher devlauncher_register ${PROJECT_SOURCE_DIR}/cmake/make-release.sh
            tesmaclient-host ${TESMA_RELEASE64_FILES}
    BYPRODUCTS ${TESMA_RELEASE_ARCHIVE}
    VERBATIM)
