// The development launcher as the C# game's installed launcher, linked into
// this library.

#include "DevLauncherInstalled.h"

#include <cstdlib>

// Before the first client. Answers come on Update, after the collections the
// test makes between a call and its report.
extern "C" void tesmaclient_test_install_devlauncher(const char* saves)
{
    setenv("TESMA_DEVLAUNCHER_SAVES", saves, 1);
    unsetenv("TESMA_DEVLAUNCHER_INLINE");
    testsupport::InstallDevLauncher();
}
