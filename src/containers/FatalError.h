#pragma once

namespace kz {
namespace common {

// Stops the process at once, for a violated precondition or exhausted memory,
// anywhere in the library: the game's frames cannot catch an exception of
// ours, so none is thrown. It raises an illegal-instruction fault (a crash the
// game's crash reporter records; SIGILL natively), prints nothing and never
// returns to its caller.
[[noreturn]] void FatalError() noexcept;

} // namespace common
} // namespace kz
