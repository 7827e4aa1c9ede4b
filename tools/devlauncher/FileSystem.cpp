#include "FileSystem.h"

namespace devlauncher {
namespace stdio {

ReadResult ReadWhole(std::FILE* file, std::vector<unsigned char>& bytes, size_t maxBytes)
{
    bytes.clear();
    unsigned char chunk[16 * 1024]; // on the game thread's stack
    for (;;) {
        const size_t count = std::fread(chunk, 1, sizeof chunk, file);
        if (count > maxBytes - bytes.size())
            return ReadResult::TooLarge;
        bytes.insert(bytes.end(), chunk, chunk + count);
        if (count < sizeof chunk)
            return std::ferror(file) ? ReadResult::Failed : ReadResult::Read;
    }
}

bool WriteAll(std::FILE* file, const std::vector<unsigned char>& bytes)
{
    return (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()) &&
           std::fflush(file) == 0;
}

} // namespace stdio
} // namespace devlauncher
