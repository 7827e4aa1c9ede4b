#include "FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace devlauncher {

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

bool RemoveFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0;
}

bool MoveOver(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool MakeDirectories(const std::string& path)
{
    for (size_t end = path.find('/', 1); ; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        if (end == std::string::npos)
            break;
    }
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
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
