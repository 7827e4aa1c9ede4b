#pragma once

// Why the launcher was or was not reached, for a game's support tools, and
// the installation message's locale that best fits the player's. Nothing here
// is logged or printed: the game decides what to show or send.

#include "kz/tesmaclient/Export.h"

namespace kz {
namespace tesmaclient {

// How the installation directory was looked up in the registry.
enum BindingDirectoryState : unsigned int {
    DirectoryFound = 0,
    DirectoryNoKey = 1,       // no key "SOFTWARE\Dovrix\Launcher" under HKEY_LOCAL_MACHINE
    DirectoryNoValue = 2,     // the key has no value "InstallDir"
    DirectoryWrongType = 3,   // the value is not REG_SZ
    DirectoryEmpty = 4,       // the value holds no text
    DirectoryNotLookedUp = 5, // no client has bound the launcher yet
};

// What the last binding of the launcher library found. Texts are
// NUL-terminated UTF-16 or ASCII owned by the library, valid while it is
// loaded; never null (the empty text where there is nothing to say).
struct BindingDiagnostics {
    // Set by the caller to sizeof(BindingDiagnostics), so that later versions
    // may add fields at the end.
    unsigned int Size;
    // As TesmaClient::GetInstallationErrorNum; 0 before the first binding.
    unsigned int InstallationError;
    unsigned int DirectoryState; // a BindingDirectoryState
    // The key under HKEY_LOCAL_MACHINE and the value that were read.
    const unsigned short* RegistryKey;
    const unsigned short* RegistryValue;
    // The directory found, and the exact path handed to LoadLibraryW.
    const unsigned short* Directory;
    const unsigned short* LibraryPath;
    // GetLastError right after a failed load (126 not found or a dependency
    // missing, 193 not a DLL of the process's bits, ...); 0 when it loaded or was not tried.
    unsigned int LoadError;
    // For installation error 3, the first entry point the library lacks.
    const char* MissingEntryPoint;
};

// Fills diagnostics, whose Size the caller set; false (and nothing written)
// when Size is smaller than this version's structure or diagnostics is null.
// Binds nothing itself: before the first client, DirectoryNotLookedUp.
KZ_TESMACLIENT_API bool KZ_TESMACLIENT_CDECL GetBindingDiagnostics(BindingDiagnostics* diagnostics) noexcept;

// The one of the 19 tags GetInstallationErrorString knows that fits tag best:
// tag itself (case and '-' or '_' aside), else the same language with the
// region listed for it ("fr-CA" gives "fr-FR", "en" gives "en-US"), else
// "en-US". Never null; a static ASCII text.
KZ_TESMACLIENT_API const char* KZ_TESMACLIENT_CDECL MatchInstallationLocale(const char* tag) noexcept;

} // namespace tesmaclient
} // namespace kz
