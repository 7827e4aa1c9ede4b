#pragma once

#include "launcher/SystemCalls.h"
#include "text/UnicodeString.h"

#include <cstdint>

// Where the launcher's installation directory is written down, and the one
// function that reads it. Reading keeps nothing: the key is closed before it
// returns, whatever it found, and the text it returns is the caller's.

namespace kz {

// The key under HKEY_LOCAL_MACHINE and the value that hold the launcher's directory.
constexpr char16_t LauncherKeyName[] = u"SOFTWARE\\Dovrix\\Launcher";
constexpr char16_t LauncherValueName[] = u"InstallDir";

// Reads HKEY_LOCAL_MACHINE LauncherKeyName value LauncherValueName; the empty
// text when there is no usable REG_SZ value. directoryState, if given, is set
// to the tesmaclient::BindingDirectoryState that says why.
text::UnicodeString ReadLauncherInstallDir(const SystemCalls& calls, std::uint32_t* directoryState = nullptr);

} // namespace kz
