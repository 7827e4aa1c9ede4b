// The development launcher as the C# game's installed launcher: its entry
// points are in this library, and the fake system calls hand them to the
// client's binding by name, as the system's loader would.

#include "FakeSystem.h"

#include "launcher/EntryPoints.h"

#include <cstdlib>

// The entry points as Exports.cpp defines them.
namespace kz {
extern "C" {
#define DEVLAUNCHER_DECLARE(field, name, result, parameters) result KzTesmadll##field parameters noexcept;
KZ_LAUNCHER_ENTRY_POINTS(DEVLAUNCHER_DECLARE)
#undef DEVLAUNCHER_DECLARE
}
} // namespace kz

// Before the first client: the launcher reads its settings from the
// environment on its first call. Answers come on Update, after the
// collections the test makes between a call and its report.
extern "C" void tesmaclient_test_install_devlauncher(const char* saves)
{
    setenv("TESMA_DEVLAUNCHER_SAVES", saves, 1);
    unsetenv("TESMA_DEVLAUNCHER_INLINE");
    testsupport::ResetFake();
    testsupport::Fake().SetInstallDir(u"C:\\DevLauncher");
#define DEVLAUNCHER_EXPORT(field, name, result, parameters)                                                    \
    testsupport::Fake().Symbols[name] = reinterpret_cast<kz::SystemCalls::AnyFunction>(&kz::KzTesmadll##field);
    KZ_LAUNCHER_ENTRY_POINTS(DEVLAUNCHER_EXPORT)
#undef DEVLAUNCHER_EXPORT
}
