#include <cstdlib>

void operator delete(void* block) noexcept
{
    std::free(block);
}
