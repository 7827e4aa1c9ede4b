// Each operator is a file of its own, so that a program links only those it
// uses and does not define itself; the others call the two it may replace.
#include <cstdlib>

void* operator new(std::size_t size)
{
    return std::malloc(size != 0 ? size : 1);
}
