#pragma once

#include "kz/tesmaclient/Savegame.h"
#include "launcher/Handles.h"

namespace kz {
namespace tesmaclient {

// The heap cell behind each save-game object: the launcher's handle.
struct SavegameHandleCell {
    SavegameHandle Handle;
};

// Creates the save-game objects of the launcher's answers. They are handed to
// the game and never destroyed by the library.
class SavegameFactory {
public:
    static SavegameReader* NewReader(SavegameHandle handle);
    static SavegameWriter* NewWriter(SavegameHandle handle);
    // One array-new block: the count, then count objects; object i refers to
    // element i of the launcher's list of 4-byte elements at list. Never null.
    static SavegameInfo* NewList(const void* list, unsigned int count);
};

} // namespace tesmaclient
} // namespace kz
