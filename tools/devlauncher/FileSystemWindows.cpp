#include "FileSystem.h"

#include <cstdlib>
#include <windows.h>

namespace devlauncher {

namespace {

std::wstring Wide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return std::string();
    std::string narrow(size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.pop_back(); // the terminating NUL
    return narrow;
}

bool IsDirectory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

bool RemoveFile(const std::string& path)
{
    return DeleteFileW(Wide(path).c_str()) != 0;
}

bool MoveOver(const std::string& from, const std::string& to)
{
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool MakeDirectories(const std::string& path)
{
    const std::wstring wide = Wide(path);
    // Creates each level in turn; a drive or share prefix simply fails to be created.
    for (size_t end = wide.find_first_of(L"\\/", 1); ; end = wide.find_first_of(L"\\/", end + 1)) {
        const std::wstring prefix = wide.substr(0, end);
        if (!IsDirectory(prefix))
            CreateDirectoryW(prefix.c_str(), nullptr);
        if (end == std::wstring::npos)
            break;
    }
    return IsDirectory(wide);
}

bool ReadEnvironment(const char* name, std::string& value)
{
    const wchar_t* text = _wgetenv(Wide(name).c_str());
    if (text == nullptr)
        return false;
    value = Narrow(text);
    return true;
}

} // namespace devlauncher
