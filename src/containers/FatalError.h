#pragma once

namespace kz {
namespace common {

// Stops the process at once. Called by the containers when a precondition is
// violated or the C heap is exhausted; it never returns to its caller.
[[noreturn]] void FatalError();

} // namespace common
} // namespace kz
