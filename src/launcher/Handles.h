#pragma once

// The launcher's two kinds of handle, as our code holds them.
//
// Invariants: 0 is no handle of either kind, and nothing is forwarded for it.
// A handle means something only to the launcher library that handed it out.
// Written without standard headers, so that programs built without a C++
// library (the stand-in launcher in MSVC mode) can share it.

namespace kz {

// The launcher's session handle: an opaque 32-bit value.
using SessionHandle = unsigned int;

// The launcher's handle of one save-game object. For list entries it is the
// address of the entry in the launcher's list, so it is as wide as a pointer
// (32 bits on the i686 target).
using SavegameHandle = decltype(sizeof(0));

static_assert(sizeof(SavegameHandle) == sizeof(void*), "a save-game handle holds an address");

} // namespace kz
