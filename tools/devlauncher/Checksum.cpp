#include "Checksum.h"

namespace devlauncher {

namespace {

struct Table {
    std::uint32_t Values[256];
    Table()
    {
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t value = n;
            for (int bit = 0; bit < 8; ++bit)
                value = value & 1 ? 0xEDB88320u ^ (value >> 1) : value >> 1;
            Values[n] = value;
        }
    }
};

} // namespace

std::uint32_t Crc32(const unsigned char* bytes, size_t size, std::uint32_t crc)
{
    static const Table table;
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table.Values[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace devlauncher
