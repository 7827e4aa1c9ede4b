# The Windows tests take the product as a game does: the installed package of
# the release configuration (build/release/sdk, on CMAKE_PREFIX_PATH), found by
# find_package. Its DLL is copied beside the test programs, as a game ships it.
find_package(tesmaclient ${PROJECT_VERSION} EXACT CONFIG REQUIRED)
get_filename_component(TESMA_SDK_DIR ${tesmaclient_DIR}/../../.. ABSOLUTE)
# The archive the package was installed with, for the tests that unpack it.
get_filename_component(TESMA_RELEASE_ARCHIVE ${TESMA_SDK_DIR}/../tesmaclient-${PROJECT_VERSION}.zip ABSOLUTE)
# The development launcher, in the folder a game programmer registers.
set(TESMA_DEVLAUNCHER_DIR ${TESMA_SDK_DIR}/tools/devlauncher)
# MSVC-mode programs link this; GCC-built ones tesmaclient::tesmaclient, which
# the package gives for this configuration's bits.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TESMA_MSVC_IMPORT_LIBRARY ${TESMA_SDK_DIR}/lib64/msvc/tesmaclient64.lib)
    set(TESMA_SDK_RUNTIME_DIR ${TESMA_SDK_DIR}/bin64)
    # The installation error of a 64-bit game with a launcher registered for
    # 32-bit games, as launchers register: none, through the host.
    set(TESMA_REGISTERED_LAUNCHER_ERROR 0)
else()
    set(TESMA_MSVC_IMPORT_LIBRARY ${TESMA_SDK_DIR}/lib/msvc/tesmaclient.lib)
    set(TESMA_SDK_RUNTIME_DIR ${TESMA_SDK_DIR}/bin)
endif()
# Beside the test programs, as a game ships them: the package's runtime files
# (for 64 bits the DLL, the host and the 32-bit DLL it runs on) and the PDB.
set(TESMA_BESIDE_TESTS)
foreach(file ${tesmaclient_RUNTIME_FILES})
    get_filename_component(name ${file} NAME)
    list(APPEND TESMA_BESIDE_TESTS ${CMAKE_BINARY_DIR}/bin/${name})
endforeach()
get_target_property(TESMA_SDK_LIBRARY tesmaclient::tesmaclient IMPORTED_LOCATION)
string(REGEX REPLACE "[.]dll$" ".pdb" TESMA_SDK_PDB ${TESMA_SDK_LIBRARY})
add_custom_command(
    OUTPUT ${TESMA_BESIDE_TESTS}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${tesmaclient_RUNTIME_FILES} ${TESMA_SDK_PDB} ${CMAKE_BINARY_DIR}/bin/
    DEPENDS ${tesmaclient_RUNTIME_FILES} ${TESMA_SDK_PDB}
    VERBATIM)
# What programs that call the DLL depend on.
add_custom_target(tesmaclient_beside_tests ALL DEPENDS ${TESMA_BESIDE_TESTS})
