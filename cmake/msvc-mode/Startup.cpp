// The part of Microsoft's C runtime start-up a console program needs: run the
// static constructors (the compiler lists them between .CRT$XCA and .CRT$XCZ),
// call main with the command line msvcrt parsed, and exit through msvcrt so
// that buffered output is flushed.

#include <cstdlib>

extern "C" {
int __getmainargs(int* argc, char*** argv, char*** env, int expandWildcards, void* startupInfo);
int main(int argc, char** argv);
int _fltused = 0;
}

using Initializer = void (*)();
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XCA")) Initializer firstInitializer = nullptr;
__declspec(allocate(".CRT$XCZ")) Initializer lastInitializer = nullptr;

void* operator new(std::size_t size) { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size) { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

extern "C" void mainCRTStartup()
{
    for (Initializer* i = &firstInitializer + 1; i < &lastInitializer; ++i)
        if (*i != nullptr)
            (*i)();
    int argc = 0;
    char** argv = nullptr;
    char** env = nullptr;
    int startupInfo = 0;
    __getmainargs(&argc, &argv, &env, 0, &startupInfo);
    std::exit(main(argc, argv));
}
