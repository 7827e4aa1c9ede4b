#include "FatalError.h"

namespace kz {
namespace common {

void FatalError() noexcept
{
    // An illegal instruction: the game's crash reporter sees it through the
    // unhandled-exception path, with this frame on top. Nothing is printed.
    // A handler that resumes only lands here again.
    for (;;)
        __builtin_trap();
}

} // namespace common
} // namespace kz
