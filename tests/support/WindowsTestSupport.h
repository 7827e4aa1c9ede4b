#pragma once

// Helpers for the Windows test programs: the launcher's registry value and the
// stand-in launcher's directories beside the test program.

#include <windows.h>

#include <string>

namespace testsupport {

// Deletes HKEY_LOCAL_MACHINE "SOFTWARE\Dovrix\Launcher".
void RemoveLauncherKey();
// Writes "InstallDir" with the given type and raw bytes.
void SetInstallDirValue(DWORD type, const void* data, DWORD bytes);
// Writes "InstallDir" as REG_SZ holding directory and its terminating NUL.
void SetInstallDir(const std::wstring& directory);

// The directory of the running program, without a trailing separator.
std::wstring ProgramDirectory();
// Directories beside the program: "launcher-full", "launcher-incomplete", "launcher-empty",
// "launcher-notadll".
std::wstring LauncherDirectory(const wchar_t* name);
// The stand-in library's path in such a directory.
std::wstring LauncherPath(const wchar_t* name);

// Whether the library at path is loaded in this process.
bool IsLoaded(const std::wstring& path);

} // namespace testsupport
