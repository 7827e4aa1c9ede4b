#pragma once

#include <cstdint>

namespace kz {
namespace common {

// Seeded hashes over a run of bytes, the two independent choices of HashTable.
// The seed's four bytes go in first, least significant first and sign-extended
// (a byte of 0x80 or more counts as that value minus 256); the data bytes follow
// in order as unsigned values. All arithmetic wraps modulo 2^32.

// Bernstein's djb2, xor variant: h = 5381, then h = h * 33 ^ byte.
std::uint32_t HashBytes1(const void* data, std::uint32_t seed, std::uint32_t length);

// sdbm: h = 0, then h = h * 65599 + byte.
std::uint32_t HashBytes2(const void* data, std::uint32_t seed, std::uint32_t length);

// The same two hashes over the four little-endian bytes of word, inline: the
// table's keys are 32-bit, and a lookup is dominated by the hashing.
inline std::uint32_t HashWord1(std::uint32_t word, std::uint32_t seed);
inline std::uint32_t HashWord2(std::uint32_t word, std::uint32_t seed);

namespace hashing {

constexpr std::uint32_t Power(std::uint32_t base, unsigned exponent)
{
    return exponent == 0 ? 1u : base * Power(base, exponent - 1);
}

inline std::uint32_t SignExtendedByte(std::uint32_t value, unsigned index)
{
    std::uint32_t byte = (value >> (8 * index)) & 0xFFu;
    return byte >= 0x80u ? byte | 0xFFFFFF00u : byte;
}

} // namespace hashing

inline std::uint32_t HashWord1(std::uint32_t word, std::uint32_t seed)
{
    using namespace hashing;
    std::uint32_t h;
    if (seed < 0x80u) {
        // Seeds of real tables stay below 32: three zero bytes follow the
        // first, and xor with 0 leaves only the multiplications.
        h = ((5381u * 33u) ^ seed) * Power(33u, 3);
    } else {
        h = 5381u;
        for (unsigned i = 0; i < 4; ++i)
            h = (h * 33u) ^ SignExtendedByte(seed, i);
    }
    h = (h * 33u) ^ (word & 0xFFu);
    h = (h * 33u) ^ ((word >> 8) & 0xFFu);
    h = (h * 33u) ^ ((word >> 16) & 0xFFu);
    return (h * 33u) ^ (word >> 24);
}

inline std::uint32_t HashWord2(std::uint32_t word, std::uint32_t seed)
{
    using namespace hashing;
    // sdbm has no xor, so the eight steps are one polynomial in 65599 whose
    // terms need not wait for each other.
    const std::uint32_t m = 65599u;
    std::uint32_t seedPart = seed < 0x80u ? seed * Power(m, 7)
                                          : SignExtendedByte(seed, 0) * Power(m, 7) + SignExtendedByte(seed, 1) * Power(m, 6) +
                                                SignExtendedByte(seed, 2) * Power(m, 5) + SignExtendedByte(seed, 3) * Power(m, 4);
    std::uint32_t wordPart = (word & 0xFFu) * Power(m, 3) + ((word >> 8) & 0xFFu) * Power(m, 2) +
                             ((word >> 16) & 0xFFu) * m + (word >> 24);
    return seedPart + wordPart;
}

} // namespace common
} // namespace kz
