#pragma once

#include "launcher/BlockingLock.h"
#include "launcher/Retained.h"

#include <cstdint>

// What the launcher owes one object it answers (a client's Pimpl), which lets
// the object's owner let go of it while answers are owed, and wait for the
// answers that are running.
//
// Invariants: Lock guards every field here and the owner's tables of pending
// requests; it is never held while the launcher's code or a game's listener
// runs. Owed is the number of answers still owed: one more for each request
// handed to the launcher, one less for each answer under a number that was
// pending, never below 0; answers under other numbers change nothing.
// Running counts the answers that took an owed number and have not ended.
// Retiring is set when the owner begins to let go, after which no listener
// is called; the owner then waits until no answer runs on another thread,
// lists the object (Retained) in LauncherApi's retired list if answers are owed, and
// sets Retired. Neither flag is ever cleared. An object with nothing owed and
// nothing running by then is destroyed by its owner at once; otherwise it is
// destroyed through Destroy exactly once, by whichever comes last of its last
// owed answer and its last running answer after Retired, or by a release
// after which the library is no longer loaded.

namespace kz {

struct OwedAnswers;

// An answer running on this thread, innermost first: a client destroyed
// inside one of its own answers does not wait for it.
struct RunningAnswer {
    const OwedAnswers* Answers;
    RunningAnswer* Outer;
};

struct OwedAnswers : Retained {
    BlockingLock Lock;
    std::uint32_t Owed = 0;
    std::uint32_t Running = 0;
    bool Retiring = false;
    bool Retired = false;

    OwedAnswers() noexcept = default;
    OwedAnswers(const OwedAnswers&) = delete;
    OwedAnswers& operator=(const OwedAnswers&) = delete;
};

} // namespace kz
