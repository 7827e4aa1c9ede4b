# The Windows tests take the product as a game does: the installed package of
# the release configuration (build/release/sdk, on CMAKE_PREFIX_PATH), found by
# find_package. Its DLL is copied beside the test programs, as a game ships it.
find_package(tesmaclient ${PROJECT_VERSION} EXACT CONFIG REQUIRED)
get_filename_component(TESMA_SDK_DIR ${tesmaclient_DIR}/../../.. ABSOLUTE)
# The archive the package was installed with, for the tests that unpack it.
get_filename_component(TESMA_RELEASE_ARCHIVE ${TESMA_SDK_DIR}/../tesmaclient-${PROJECT_VERSION}.zip ABSOLUTE)
# The development launcher, in the folder a game programmer registers.
set(TESMA_DEVLAUNCHER_DIR ${TESMA_SDK_DIR}/tools/devlauncher)
# MSVC-mode programs link this; GCC-built ones tesmaclient::tesmaclient.
set(TESMA_MSVC_IMPORT_LIBRARY ${TESMA_SDK_DIR}/lib/msvc/tesmaclient.lib)

add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/bin/tesmaclient.dll
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TESMA_SDK_DIR}/bin/tesmaclient.dll ${TESMA_SDK_DIR}/bin/tesmaclient.pdb
            ${CMAKE_BINARY_DIR}/bin/
    DEPENDS ${TESMA_SDK_DIR}/bin/tesmaclient.dll ${TESMA_SDK_DIR}/bin/tesmaclient.pdb
    VERBATIM)
# What programs that call the DLL depend on.
add_custom_target(tesmaclient_beside_tests ALL DEPENDS ${CMAKE_BINARY_DIR}/bin/tesmaclient.dll)
