#include "StaticConstructors.h"

using Initializer = void (*)();
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XCA")) Initializer firstInitializer = nullptr;
__declspec(allocate(".CRT$XCZ")) Initializer lastInitializer = nullptr;

void msvcmode::RunStaticConstructors()
{
    for (Initializer* i = &firstInitializer + 1; i < &lastInitializer; ++i)
        if (*i != nullptr)
            (*i)();
}
