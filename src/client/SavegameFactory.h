#pragma once

#include "kz/tesmaclient/Savegame.h"
#include "launcher/Handles.h"
#include "launcher/Retained.h"

#include <cstdint>

// The save-game objects of the launcher's answers: the cell each one holds,
// and the factory that makes them.
//
// Invariants: each object owns one heap cell, made with it and freed with it,
// holding the launcher's handle and the number of the binding it came under;
// both are set once, by the factory. A call on the object reaches the
// launcher only while that binding is current, and is neutral after it ended.
// The objects belong to the game: the library destroys one only when the
// game gives it back (Release, ReleaseList, or the C interface's release).

namespace kz {
namespace tesmaclient {

// The launcher's handle, and the binding outside which it is meaningless.
struct SavegameHandleCell {
    SavegameHandle Handle;
    std::uint32_t Binding;
};

// Exhausted memory ends in FatalError.
class SavegameFactory {
public:
    static SavegameReader* NewReader(SavegameHandle handle, std::uint32_t binding) noexcept;
    static SavegameWriter* NewWriter(SavegameHandle handle, std::uint32_t binding) noexcept;
    // One block: the count in a word of its own, then count objects; object i
    // refers to element i of the launcher's list of 4-byte elements at list.
    // Never null.
    static SavegameInfo* NewList(const void* list, unsigned int count, std::uint32_t binding) noexcept;

    // What the game gives back, through either interface. Null is allowed.
    static void Release(SavegameReader* reader) noexcept;
    static void Release(SavegameWriter* writer) noexcept;
    static void ReleaseList(SavegameInfo* list) noexcept;
    // Read and Write with a listener of the library's own, which the binding
    // keeps from before the call until the listener unretains itself or the
    // library is unloaded. False, with nothing kept, when nothing was called.
    static bool ReadFor(SavegameReader& reader, unsigned int requestId, ISavegameReadListener* listener,
                        Retained& kept, unsigned int a, void* buffer, unsigned int b) noexcept;
    static bool WriteFor(SavegameWriter& writer, unsigned int requestId, ISavegameWriteListener* listener,
                         Retained& kept, void* buffer, unsigned int size) noexcept;
    // A handle from the launcher, under the binding that lasts.
    static bool IsOpen(const SavegameHandleCell& cell) noexcept;
    // The count of a block NewList made.
    static unsigned int ListCount(const SavegameInfo* list) noexcept;
};

} // namespace tesmaclient
} // namespace kz
