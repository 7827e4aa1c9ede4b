// The entry of a DLL: runs its static constructors when it is loaded. Nothing
// runs when it is unloaded, since a DLL here has no exit list of its own: its
// static objects must need no destruction.

#include "StaticConstructors.h"

extern "C" int __stdcall DllMainCRTStartup(void*, unsigned long reason, void*)
{
    if (reason == 1 /* DLL_PROCESS_ATTACH */)
        msvcmode::RunStaticConstructors();
    return 1;
}
