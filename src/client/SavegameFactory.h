#pragma once

#include "kz/tesmaclient/Savegame.h"
#include "launcher/Handles.h"

#include <cstdint>

namespace kz {
namespace tesmaclient {

// The heap cell behind each save-game object: the launcher's handle, and the
// binding it belongs to, outside which it is meaningless.
struct SavegameHandleCell {
    SavegameHandle Handle;
    std::uint32_t Binding;
};

// Creates the save-game objects of the launcher's answers. They are handed to
// the game and never destroyed by the library. Exhausted memory ends in
// FatalError.
class SavegameFactory {
public:
    static SavegameReader* NewReader(SavegameHandle handle, std::uint32_t binding) noexcept;
    static SavegameWriter* NewWriter(SavegameHandle handle, std::uint32_t binding) noexcept;
    // One block: the count in a word of its own, then count objects; object i
    // refers to element i of the launcher's list of 4-byte elements at list.
    // Never null.
    static SavegameInfo* NewList(const void* list, unsigned int count, std::uint32_t binding) noexcept;

    // For the C interface, whose callers release what they were handed; the
    // C++ interface's callers never do. Null is allowed.
    static void Release(SavegameReader* reader) noexcept;
    static void Release(SavegameWriter* writer) noexcept;
    static void ReleaseList(SavegameInfo* list) noexcept;
    // The count of a block NewList made.
    static unsigned int ListCount(const SavegameInfo* list) noexcept;
};

} // namespace tesmaclient
} // namespace kz
