// The start-up of a console program, the part of Microsoft's C runtime
// start-up it needs: run the static constructors, call main with the command
// line msvcrt parsed, and exit through msvcrt so that buffered output is
// flushed.

#include "StaticConstructors.h"

#include <cstdlib>

// Calling main is the start-up's business.
#pragma clang diagnostic ignored "-Wmain"

extern "C" {
int __getmainargs(int* argc, char*** argv, char*** env, int expandWildcards, void* startupInfo);
int main(int argc, char** argv);
}

extern "C" void mainCRTStartup()
{
    msvcmode::RunStaticConstructors();
    int argc = 0;
    char** argv = nullptr;
    char** env = nullptr;
    int startupInfo = 0;
    __getmainargs(&argc, &argv, &env, 0, &startupInfo);
    std::exit(main(argc, argv));
}
