#pragma once

// The file-system operations the save-game folder needs, on UTF-8 paths, as an
// interface so that tests can make any one of them fail. Windows needs the
// wide-character calls for paths outside the ANSI code page (a user folder with
// an accented name); elsewhere they are POSIX's.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace devlauncher {

// A lock on one file, held until destroyed (and released by the system when
// the process dies): LockFileEx on Windows, flock elsewhere.
class FileLock {
public:
    virtual ~FileLock() = default;
};

enum class ReadResult { Read, Missing, TooLarge, Failed };

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The whole file, refusing one over maxBytes before holding more than that.
    virtual ReadResult ReadFile(const std::string& path, std::vector<unsigned char>& bytes, size_t maxBytes) = 0;
    // Creates or truncates path and writes head then tail (a data file's header
    // and save game), on the disk when it returns true (FlushFileBuffers,
    // fsync); on false the file may hold a part.
    virtual bool WriteFileDurably(const std::string& path, const std::vector<unsigned char>& head,
                                  const std::vector<unsigned char>& tail) = 0;
    // Renames from over to, replacing to if it exists; all or nothing.
    virtual bool MoveOver(const std::string& from, const std::string& to) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Creates path and any missing parent; true when it exists afterwards.
    virtual bool MakeDirectories(const std::string& path) = 0;
    // The names in folder; false when it cannot be listed.
    virtual bool ListFolder(const std::string& folder, std::vector<std::string>& names) = 0;
    // Creates path if needed and locks it. wait: until the lock is free;
    // otherwise null at once while anyone else holds it (this process included).
    virtual std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait) = 0;
};

// The machine's own.
FileSystem& SystemFileSystem();

// False when the variable is not set.
bool ReadEnvironment(const char* name, std::string& value);

#ifdef _WIN32
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif

inline std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
        return folder + name;
    return folder + PathSeparator + name;
}

// Shared by both systems: the C runtime's streams over a file each opens its way.
namespace stdio {
ReadResult ReadWhole(std::FILE* file, std::vector<unsigned char>& bytes, size_t maxBytes);
bool WriteAll(std::FILE* file, const std::vector<unsigned char>& bytes);
} // namespace stdio

} // namespace devlauncher
