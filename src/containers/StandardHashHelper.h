#pragma once

#include "HashBytes.h"

#include <cstring>

// Keys are hashed as their bytes in memory, which the design defines as the
// little-endian representation.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "HashTable keys are hashed as little-endian bytes"
#endif

namespace kz {
namespace common {

// Key handling for HashTable: two independent seeded hashes and an equality
// over the key's bytes. Stateless.
template <typename K>
struct StandardHashHelper {
    static unsigned Hash1(const K& key, unsigned seed) { return HashBytes1(&key, seed, sizeof(K)); }
    static unsigned Hash2(const K& key, unsigned seed) { return HashBytes2(&key, seed, sizeof(K)); }

    static bool Equal(const K& a, const K& b) { return std::memcmp(&a, &b, sizeof(K)) == 0; }

    static void CopyKey(const K& source, K& destination) { destination = source; }
};

} // namespace common
} // namespace kz
