#pragma once

#include "HashBytes.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

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
    static unsigned Hash1(const K& key, unsigned seed)
    {
        if constexpr (IsWord)
            return HashWord1(Word(key), seed);
        else
            return HashBytes1(&key, seed, sizeof(K));
    }

    static unsigned Hash2(const K& key, unsigned seed)
    {
        if constexpr (IsWord)
            return HashWord2(Word(key), seed);
        else
            return HashBytes2(&key, seed, sizeof(K));
    }

    static bool Equal(const K& a, const K& b) { return std::memcmp(&a, &b, sizeof(K)) == 0; }

    static void CopyKey(const K& source, K& destination) { destination = source; }

private:
    static constexpr bool IsWord = sizeof(K) == sizeof(std::uint32_t) && std::is_trivially_copyable<K>::value;

    static std::uint32_t Word(const K& key)
    {
        std::uint32_t word;
        std::memcpy(&word, &key, sizeof word);
        return word;
    }
};

} // namespace common
} // namespace kz
