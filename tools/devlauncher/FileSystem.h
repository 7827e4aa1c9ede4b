#pragma once

// The few file-system and environment operations the launcher needs, on UTF-8
// paths. Windows needs the wide-character calls for paths outside the ANSI code
// page (a user folder with an accented name); elsewhere they are the C runtime's.

#include <cstdio>
#include <string>

namespace devlauncher {

// fopen.
std::FILE* OpenFile(const std::string& path, const char* mode);
bool RemoveFile(const std::string& path);
// Moves from over to, replacing to if it exists.
bool MoveOver(const std::string& from, const std::string& to);
// Creates path and any missing parent; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
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

} // namespace devlauncher
