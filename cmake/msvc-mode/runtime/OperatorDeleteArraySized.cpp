#include <cstdlib>

void operator delete[](void* block, std::size_t) noexcept
{
    operator delete[](block);
}
