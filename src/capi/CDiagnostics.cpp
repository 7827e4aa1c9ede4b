// The binding's diagnostics and the locale match, for C callers.

#include "kz/tesmaclient/Diagnostics.h"
#include "kz/tesmaclient/tesmaclient_c.h"

#include <cstddef>

using kz::tesmaclient::BindingDiagnostics;

// One layout, so that a caller may hand either structure to either language.
#define KZ_SAME_FIELD(c, cxx)                                                                                   \
    static_assert(offsetof(tesmaclient_binding_diagnostics, c) == offsetof(BindingDiagnostics, cxx) &&          \
                      sizeof(tesmaclient_binding_diagnostics::c) == sizeof(BindingDiagnostics::cxx),          \
                  "tesmaclient_binding_diagnostics." #c " differs from BindingDiagnostics::" #cxx)
KZ_SAME_FIELD(size, Size);
KZ_SAME_FIELD(installation_error, InstallationError);
KZ_SAME_FIELD(directory_state, DirectoryState);
KZ_SAME_FIELD(registry_key, RegistryKey);
KZ_SAME_FIELD(registry_value, RegistryValue);
KZ_SAME_FIELD(directory, Directory);
KZ_SAME_FIELD(library_path, LibraryPath);
KZ_SAME_FIELD(load_error, LoadError);
KZ_SAME_FIELD(missing_entry_point, MissingEntryPoint);
#undef KZ_SAME_FIELD
static_assert(sizeof(tesmaclient_binding_diagnostics) == sizeof(BindingDiagnostics), "a field is missing");

// Compared as numbers: the C and C++ enumerations are different types.
static_assert(unsigned(TESMACLIENT_DIRECTORY_FOUND) == kz::tesmaclient::DirectoryFound &&
                  unsigned(TESMACLIENT_DIRECTORY_NO_KEY) == kz::tesmaclient::DirectoryNoKey &&
                  unsigned(TESMACLIENT_DIRECTORY_NO_VALUE) == kz::tesmaclient::DirectoryNoValue &&
                  unsigned(TESMACLIENT_DIRECTORY_WRONG_TYPE) == kz::tesmaclient::DirectoryWrongType &&
                  unsigned(TESMACLIENT_DIRECTORY_EMPTY) == kz::tesmaclient::DirectoryEmpty &&
                  unsigned(TESMACLIENT_DIRECTORY_NOT_LOOKED_UP) == kz::tesmaclient::DirectoryNotLookedUp,
              "the directory states differ");

extern "C" {

int KZ_TESMACLIENT_CDECL tesmaclient_get_binding_diagnostics(tesmaclient_binding_diagnostics* out)
{
    if (out == nullptr || out->size < sizeof(tesmaclient_binding_diagnostics))
        return 0;
    // Filled as its own type and copied field by field, so that neither
    // structure is read through the other's type.
    BindingDiagnostics diagnostics{};
    diagnostics.Size = sizeof(diagnostics);
    if (!kz::tesmaclient::GetBindingDiagnostics(&diagnostics))
        return 0;
    out->installation_error = diagnostics.InstallationError;
    out->directory_state = diagnostics.DirectoryState;
    out->registry_key = diagnostics.RegistryKey;
    out->registry_value = diagnostics.RegistryValue;
    out->directory = diagnostics.Directory;
    out->library_path = diagnostics.LibraryPath;
    out->load_error = diagnostics.LoadError;
    out->missing_entry_point = diagnostics.MissingEntryPoint;
    return 1;
}

const char* KZ_TESMACLIENT_CDECL tesmaclient_match_locale(const char* tag)
{
    return kz::tesmaclient::MatchInstallationLocale(tag);
}

} // extern "C"
