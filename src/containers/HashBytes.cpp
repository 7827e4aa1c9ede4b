#include "HashBytes.h"

namespace kz {
namespace common {

namespace {

// The seed's byte at position index (0 is the least significant), sign-extended.
std::uint32_t SeedByte(std::uint32_t seed, unsigned index)
{
    std::uint32_t byte = (seed >> (8 * index)) & 0xFFu;
    return byte >= 0x80u ? byte | 0xFFFFFF00u : byte;
}

} // namespace

std::uint32_t HashBytes1(const void* data, std::uint32_t seed, std::uint32_t length)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t h = 5381u;
    for (unsigned i = 0; i < 4; ++i)
        h = (h * 33u) ^ SeedByte(seed, i);
    for (std::uint32_t i = 0; i < length; ++i)
        h = (h * 33u) ^ std::uint32_t(bytes[i]);
    return h;
}

std::uint32_t HashBytes2(const void* data, std::uint32_t seed, std::uint32_t length)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t h = 0u;
    for (unsigned i = 0; i < 4; ++i)
        h = h * 65599u + SeedByte(seed, i);
    for (std::uint32_t i = 0; i < length; ++i)
        h = h * 65599u + std::uint32_t(bytes[i]);
    return h;
}

} // namespace common
} // namespace kz
