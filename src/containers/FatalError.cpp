#include "FatalError.h"

#include <cstdlib>

namespace kz {
namespace common {

void FatalError()
{
    std::abort();
}

} // namespace common
} // namespace kz
