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

} // namespace common
} // namespace kz
