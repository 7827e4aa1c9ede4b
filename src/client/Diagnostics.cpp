#include "kz/tesmaclient/Diagnostics.h"

#include "launcher/LauncherApi.h"
#include "launcher/ReadLauncherInstallDir.h"
#include "launcher/Utf16Literal.h"
#include "text/InstallationLocale.h"

namespace kz {
namespace tesmaclient {

bool KZ_TESMACLIENT_CDECL GetBindingDiagnostics(BindingDiagnostics* diagnostics) noexcept
{
    if (diagnostics == nullptr || diagnostics->Size < sizeof(BindingDiagnostics))
        return false;
    // Asking binds nothing: before the first client, nothing was looked up.
    LauncherApi* api = LauncherApi::Existing();
    const BindingRecord record = api != nullptr ? api->Diagnostics() : BindingRecord();
    diagnostics->InstallationError = record.InstallationError;
    diagnostics->DirectoryState = record.DirectoryState;
    diagnostics->RegistryKey = Utf16(LauncherKeyName);
    diagnostics->RegistryValue = Utf16(LauncherValueName);
    diagnostics->Directory = record.Directory;
    diagnostics->LibraryPath = record.LibraryPath;
    diagnostics->LoadError = record.LoadError;
    diagnostics->MissingEntryPoint = record.MissingEntryPoint;
    return true;
}

const char* KZ_TESMACLIENT_CDECL MatchInstallationLocale(const char* tag) noexcept
{
    return text::MatchInstallationLocale(tag);
}

} // namespace tesmaclient
} // namespace kz
