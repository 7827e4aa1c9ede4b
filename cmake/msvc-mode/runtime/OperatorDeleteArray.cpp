#include <cstdlib>

void operator delete[](void* block) noexcept
{
    operator delete(block);
}
