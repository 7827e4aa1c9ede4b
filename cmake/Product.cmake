# The Windows test configuration builds the shipped release (tesmaclient.dll
# and the development launcher) as a configuration of its own
# (build/win32/product), with clang (clang-i686-mingw.cmake), and tests exactly
# that release: it lands in this build's bin/ and lib/, and its install tree is
# zipped into the release archive.
include(ExternalProject)

set(TESMA_PRODUCT_TOOLCHAIN ${PROJECT_SOURCE_DIR}/cmake/clang-i686-mingw.cmake)
# A product configuration left by another toolchain cannot switch compilers in
# place; it starts afresh.
if(EXISTS ${CMAKE_BINARY_DIR}/product/CMakeCache.txt)
    file(STRINGS ${CMAKE_BINARY_DIR}/product/CMakeCache.txt toolchain REGEX "^CMAKE_TOOLCHAIN_FILE:")
    string(REGEX REPLACE "^[^=]*=" "" toolchain "${toolchain}")
    if(NOT toolchain STREQUAL TESMA_PRODUCT_TOOLCHAIN)
        file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/product
             ${CMAKE_BINARY_DIR}/tesmaclient_product-prefix/src/tesmaclient_product-stamp)
    endif()
endif()

ExternalProject_Add(tesmaclient_product
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/product
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${TESMA_PRODUCT_TOOLCHAIN}
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
               -DTESMACLIENT_BUILD_TESTS=OFF
               -DTESMA_OUTPUT_DIR=${CMAKE_BINARY_DIR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    # Its configuration talks only when it fails.
    LOG_CONFIGURE ON
    LOG_OUTPUT_ON_FAILURE ON
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/bin/tesmaclient.dll ${CMAKE_BINARY_DIR}/bin/tesmaclient.pdb
                     ${CMAKE_BINARY_DIR}/lib/tesmaclient.lib ${CMAKE_BINARY_DIR}/lib/libtesmaclient.dll.a
                     ${CMAKE_BINARY_DIR}/bin/devlauncher/dovtesmaapi_r2.dll
                     ${CMAKE_BINARY_DIR}/bin/devlauncher/tesma-devlauncher.exe)

# What programs that call the DLL depend on.
add_custom_target(tesmaclient_exports)
add_dependencies(tesmaclient_exports tesmaclient_product)

# GCC-built programs that call the DLL link this: its GCC names, as MinGW games do.
add_library(tesmaclient_import INTERFACE)
add_dependencies(tesmaclient_import tesmaclient_exports)
target_include_directories(tesmaclient_import INTERFACE ${PROJECT_SOURCE_DIR}/include ${TESMA_GENERATED_INCLUDE_DIR})
target_link_libraries(tesmaclient_import INTERFACE ${CMAKE_BINARY_DIR}/lib/libtesmaclient.dll.a)

# The release archive, tesmaclient-<version>.zip, from the product
# configuration's install rules, checked file by file.
set(TESMA_RELEASE_ARCHIVE ${CMAKE_BINARY_DIR}/tesmaclient-${PROJECT_VERSION}.zip)
add_custom_target(release_archive ALL
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/make-release.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/product
            ${TESMA_RELEASE_ARCHIVE} ${PROJECT_SOURCE_DIR}/cmake/package/release-files.txt
    DEPENDS tesmaclient_product ${PROJECT_SOURCE_DIR}/cmake/make-release.sh
    BYPRODUCTS ${TESMA_RELEASE_ARCHIVE}
    VERBATIM)
