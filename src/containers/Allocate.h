#pragma once

#include "FatalError.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace kz {
namespace common {

// The library's own objects come from the C heap through these, never from a
// throwing operator new: the game's frames cannot catch an exception of ours,
// so exhausted memory ends in FatalError instead.

inline void* Allocate(std::size_t size) noexcept
{
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr)
        FatalError();
    return block;
}

template <typename T, typename... Args>
T* New(Args&&... args) noexcept
{
    return new (Allocate(sizeof(T))) T(std::forward<Args>(args)...);
}

template <typename T>
void Delete(T* object) noexcept
{
    if (object == nullptr)
        return;
    object->~T();
    std::free(object);
}

} // namespace common
} // namespace kz
