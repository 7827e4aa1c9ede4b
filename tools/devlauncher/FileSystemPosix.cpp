#include "FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace devlauncher {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class PosixLock : public FileLock {
public:
    explicit PosixLock(int descriptor) : m_descriptor(descriptor) {}
    ~PosixLock() override { close(m_descriptor); }

private:
    int m_descriptor;
};

// A rename reaches the disk with its folder's entry.
bool SyncFolderOf(const std::string& path)
{
    const size_t separator = path.find_last_of('/');
    const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator + 1);
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0)
        return false;
    const bool synced = fsync(descriptor) == 0;
    close(descriptor);
    return synced;
}

class PosixFileSystem : public FileSystem {
public:
    ReadResult ReadFile(const std::string& path, std::vector<unsigned char>& bytes, size_t maxBytes) override
    {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file)
            return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
        return stdio::ReadWhole(file.get(), bytes, maxBytes);
    }

    bool WriteFileDurably(const std::string& path, const std::vector<unsigned char>& head,
                          const std::vector<unsigned char>& tail) override
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
            return false;
        const bool written = stdio::WriteAll(file, head) && stdio::WriteAll(file, tail) && fsync(fileno(file)) == 0;
        return std::fclose(file) == 0 && written;
    }

    bool MoveOver(const std::string& from, const std::string& to) override
    {
        return std::rename(from.c_str(), to.c_str()) == 0 && SyncFolderOf(to);
    }

    bool RemoveFile(const std::string& path) override { return std::remove(path.c_str()) == 0; }

    bool MakeDirectories(const std::string& path) override
    {
        for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
            const std::string prefix = path.substr(0, end);
            if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
            if (end == std::string::npos)
                break;
        }
        struct stat status;
        return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    }

    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override
    {
        names.clear();
        DIR* directory = opendir(folder.c_str());
        if (directory == nullptr)
            return false;
        while (const dirent* entry = readdir(directory))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(directory);
        return true;
    }

    std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait) override
    {
        const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (descriptor < 0)
            return nullptr;
        int result;
        do
            result = flock(descriptor, LOCK_EX | (wait ? 0 : LOCK_NB));
        while (result != 0 && errno == EINTR);
        if (result != 0) {
            close(descriptor);
            return nullptr;
        }
        return std::make_unique<PosixLock>(descriptor);
    }
};

} // namespace

FileSystem& SystemFileSystem()
{
    static PosixFileSystem system;
    return system;
}

bool ReadEnvironment(const char* name, std::string& value)
{
    const char* text = std::getenv(name);
    if (text == nullptr)
        return false;
    value = text;
    return true;
}

} // namespace devlauncher
