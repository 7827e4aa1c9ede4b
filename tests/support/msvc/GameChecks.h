#pragma once

// A minimal check tally for programs without a C++ runtime.

#include "GameRuntime.h"

namespace game {

struct Tally {
    unsigned Passed = 0;
    unsigned Failed = 0;
};

inline Tally& Checks()
{
    static Tally tally;
    return tally;
}

inline void Check(bool condition, const char* what, int line)
{
    if (condition) {
        ++Checks().Passed;
        return;
    }
    ++Checks().Failed;
    printf("line %d: check failed: %s\n", line, what);
}

// Names the part that runs next, at once, so that a crash shows where it was.
inline void Section(const char* name)
{
    printf("== %s\n", name);
    fflush(nullptr);
}

// Prints the closing line and ends the process through msvcrt, which flushes
// the output, failing if any check failed.
[[noreturn]] inline void Finish()
{
    printf("%u passed, %u failed\n", Checks().Passed, Checks().Failed);
    exit(Checks().Failed == 0 ? 0 : 1);
}

} // namespace game

#define GAME_CHECK(condition) ::game::Check((condition), #condition, __LINE__)
