#include "WindowsTestSupport.h"

#include <cstdlib>
#include <cstdio>

namespace testsupport {

namespace {

const wchar_t LauncherKey[] = L"SOFTWARE\\Dovrix\\Launcher";

void Require(LONG result, const char* what)
{
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "registry: %s failed with %ld\n", what, result);
        std::exit(2);
    }
}

} // namespace

void RemoveLauncherKey()
{
    LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, LauncherKey);
    if (result != ERROR_FILE_NOT_FOUND)
        Require(result, "RegDeleteKeyW");
}

void SetInstallDirValue(DWORD type, const void* data, DWORD bytes)
{
    HKEY key = nullptr;
    Require(RegCreateKeyExW(HKEY_LOCAL_MACHINE, LauncherKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            "RegCreateKeyExW");
    Require(RegSetValueExW(key, L"InstallDir", 0, type, static_cast<const BYTE*>(data), bytes), "RegSetValueExW");
    RegCloseKey(key);
}

void SetInstallDir(const std::wstring& directory)
{
    SetInstallDirValue(REG_SZ, directory.c_str(), static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t)));
}

std::wstring ProgramDirectory()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring result(path, length);
    return result.substr(0, result.find_last_of(L'\\'));
}

std::wstring LauncherDirectory(const wchar_t* name)
{
    return ProgramDirectory() + L"\\" + name;
}

std::wstring LauncherPath(const wchar_t* name)
{
    return LauncherDirectory(name) + L"\\dovtesmaapi_r2.dll";
}

bool IsLoaded(const std::wstring& path)
{
    return GetModuleHandleW(path.c_str()) != nullptr;
}

} // namespace testsupport
