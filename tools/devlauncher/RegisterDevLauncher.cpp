// tesma-devlauncher: registers the development launcher for 32-bit games, or
// removes that registration.
//
//   tesma-devlauncher register [--force] [folder]
//                                         InstallDir = folder (default: this program's folder); a
//                                         folder without the launcher library only with --force
//   tesma-devlauncher unregister [folder] deletes InstallDir if it names folder
//
// Writes HKEY_LOCAL_MACHINE\SOFTWARE\Dovrix\Launcher in the 32-bit view, the
// one a 32-bit game reads (SOFTWARE\WOW6432Node\... on 64-bit Windows), so it
// needs an administrator.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t LauncherKey[] = L"SOFTWARE\\Dovrix\\Launcher";
const wchar_t ValueName[] = L"InstallDir";
const wchar_t LibraryName[] = L"dovtesmaapi_r2.dll";
// KEY_WOW64_32KEY: a 64-bit build of this program would otherwise write the
// 64-bit view, which 32-bit games never read.
constexpr REGSAM View = KEY_WOW64_32KEY;

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    const size_t separator = folder.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring(L".") : folder.substr(0, separator);
}

// Without trailing separators, a drive's root aside.
std::wstring WithoutTrailingSeparator(std::wstring folder)
{
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    return folder;
}

// The absolute form, without a trailing separator, as the registry should hold it.
std::wstring FullFolder(const std::wstring& folder)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
    return WithoutTrailingSeparator(length != 0 && length < MAX_PATH ? std::wstring(full, length) : folder);
}

// Whether the registered value names folder (a FullFolder) as Windows reads a
// path: in any case, with '/' or '\\', a trailing separator or none. Someone
// may have written the value by hand.
bool NamesFolder(std::wstring registered, const std::wstring& folder)
{
    for (wchar_t& c : registered)
        if (c == L'/')
            c = L'\\';
    registered = WithoutTrailingSeparator(registered);
    return CompareStringOrdinal(registered.c_str(), int(registered.size()), folder.c_str(), int(folder.size()),
                                TRUE) == CSTR_EQUAL;
}

bool ReadInstallDir(std::wstring& value)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, LauncherKey, 0, KEY_READ | View, &key) != ERROR_SUCCESS)
        return false;
    wchar_t data[MAX_PATH + 1] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, ValueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value.assign(data, size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return true;
}

int Register(const std::wstring& folder, bool force)
{
    // A registration that games cannot load would replace a working one.
    const std::wstring library = folder + L"\\" + LibraryName;
    if (!force && GetFileAttributesW(library.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fwprintf(stderr, L"%ls holds no %ls: nothing registered (--force registers it anyway)\n",
                      folder.c_str(), LibraryName);
        return 1;
    }
    std::wstring previous;
    if (ReadInstallDir(previous) && !NamesFolder(previous, folder))
        std::wprintf(L"replacing the registered launcher %ls\n", previous.c_str());
    HKEY key;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, LauncherKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE | View, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExW(key, ValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                                DWORD((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS) {
        std::fwprintf(stderr, L"cannot write HKEY_LOCAL_MACHINE\\%ls (error %ld%ls)\n", LauncherKey, long(result),
                      result == ERROR_ACCESS_DENIED ? L": run as administrator" : L"");
        return 1;
    }
    std::wprintf(L"registered %ls\n", folder.c_str());
    return 0;
}

int Unregister(const std::wstring& folder)
{
    std::wstring current;
    if (!ReadInstallDir(current)) {
        std::wprintf(L"no launcher registered\n");
        return 0;
    }
    // Someone else's launcher stays registered.
    if (!NamesFolder(current, folder)) {
        std::fwprintf(stderr, L"the registered launcher is %ls, not %ls: left alone\n", current.c_str(),
                      folder.c_str());
        return 1;
    }
    HKEY key;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, LauncherKey, 0, KEY_SET_VALUE | View, &key);
    if (result == ERROR_SUCCESS) {
        result = RegDeleteValueW(key, ValueName);
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS) {
        std::fwprintf(stderr, L"cannot delete the value (error %ld%ls)\n", long(result),
                      result == ERROR_ACCESS_DENIED ? L": run as administrator" : L"");
        return 1;
    }
    std::wprintf(L"unregistered %ls\n", folder.c_str());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc >= 2 ? argv[1] : L"";
    const bool force = command == L"register" && argc >= 3 && std::wcscmp(argv[2], L"--force") == 0;
    const int folderArgument = force ? 3 : 2;
    if (argc > folderArgument + 1 || (command != L"register" && command != L"unregister")) {
        std::fwprintf(stderr, L"usage: tesma-devlauncher register [--force] [folder] | unregister [folder]\n");
        return 2;
    }
    if (argc == folderArgument + 1 && argv[folderArgument][0] == L'\0') {
        std::fwprintf(stderr, L"an empty folder names no launcher: nothing changed\n");
        return 2;
    }
    const std::wstring folder = FullFolder(argc == folderArgument + 1 ? argv[folderArgument] : ProgramFolder());
    return command == L"register" ? Register(folder, force) : Unregister(folder);
}
