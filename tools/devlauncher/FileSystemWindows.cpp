#include "FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <io.h>
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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class WindowsLock : public FileLock {
public:
    explicit WindowsLock(HANDLE file) : m_file(file) {}
    // Closing the handle releases the lock.
    ~WindowsLock() override { CloseHandle(m_file); }

private:
    HANDLE m_file;
};

class WindowsFileSystem : public FileSystem {
public:
    ReadResult ReadFile(const std::string& path, std::vector<unsigned char>& bytes, size_t maxBytes) override
    {
        std::unique_ptr<std::FILE, FileCloser> file(_wfopen(Wide(path).c_str(), L"rb"));
        if (!file)
            return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
        return stdio::ReadWhole(file.get(), bytes, maxBytes);
    }

    bool WriteFileDurably(const std::string& path, const std::vector<unsigned char>& head,
                          const std::vector<unsigned char>& tail) override
    {
        std::FILE* file = _wfopen(Wide(path).c_str(), L"wb");
        if (file == nullptr)
            return false;
        const bool written = stdio::WriteAll(file, head) && stdio::WriteAll(file, tail) &&
                             FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != 0;
        return std::fclose(file) == 0 && written;
    }

    bool MoveOver(const std::string& from, const std::string& to) override
    {
        return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool RemoveFile(const std::string& path) override { return DeleteFileW(Wide(path).c_str()) != 0; }

    bool MakeDirectories(const std::string& path) override
    {
        const std::wstring wide = Wide(path);
        // Creates each level in turn; a drive or share prefix simply fails to be created.
        for (size_t end = wide.find_first_of(L"\\/", 1);; end = wide.find_first_of(L"\\/", end + 1)) {
            const std::wstring prefix = wide.substr(0, end);
            if (!IsDirectory(prefix))
                CreateDirectoryW(prefix.c_str(), nullptr);
            if (end == std::wstring::npos)
                break;
        }
        return IsDirectory(wide);
    }

    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override
    {
        names.clear();
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(Wide(JoinPath(folder, "*")).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        do
            if (found.cFileName[0] != L'.')
                names.push_back(Narrow(found.cFileName));
        while (FindNextFileW(search, &found));
        FindClose(search);
        return true;
    }

    std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait) override
    {
        // Shared for deleting too, so that a stale lock file can be removed.
        const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return nullptr;
        OVERLAPPED start = {};
        const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
        if (!LockFileEx(file, flags, 0, 1, 0, &start)) {
            CloseHandle(file);
            return nullptr;
        }
        return std::make_unique<WindowsLock>(file);
    }
};

} // namespace

FileSystem& SystemFileSystem()
{
    static WindowsFileSystem system;
    return system;
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
