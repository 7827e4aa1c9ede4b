#pragma once

#include <cstring>
#include <new>
#include <type_traits>

namespace kz {
namespace common {

// Element handling for HybridArray. Plain element types are handled as raw
// bytes; any other type (the hash table's slots) is constructed and copied
// element by element.
template <typename T>
struct StandardDataHelper {
    static constexpr bool Plain = std::is_trivially_copyable<T>::value && std::is_arithmetic<T>::value;

    // Prepares n elements in fresh storage.
    static void Construct(T* first, unsigned n)
    {
        if constexpr (Plain)
            return;
        for (unsigned i = 0; i < n; ++i)
            new (first + i) T();
    }

    // Copies n elements between ranges that do not overlap.
    static void Copy(T* destination, const T* source, unsigned n)
    {
        if (n == 0)
            return;
        if constexpr (Plain) {
            std::memcpy(static_cast<void*>(destination), source, n * sizeof(T));
            return;
        }
        for (unsigned i = 0; i < n; ++i)
            destination[i] = source[i];
    }

    // Moves n elements down inside one buffer; destination is below source and
    // the ranges may overlap.
    static void Move(T* buffer, unsigned destination, unsigned source, unsigned n)
    {
        if (n == 0)
            return;
        if constexpr (Plain) {
            std::memmove(static_cast<void*>(buffer + destination), buffer + source, n * sizeof(T));
            return;
        }
        for (unsigned i = 0; i < n; ++i)
            buffer[destination + i] = buffer[source + i];
    }
};

} // namespace common
} // namespace kz
