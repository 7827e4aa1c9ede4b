#pragma once

#include <cstddef>
#include <cstdint>

namespace devlauncher {

// CRC-32 (the polynomial of zip and PNG) of size bytes, continuing from crc.
std::uint32_t Crc32(const unsigned char* bytes, size_t size, std::uint32_t crc = 0);

} // namespace devlauncher
