#include "DevLauncherInstalled.h"

#include "FakeSystem.h"

#include "launcher/EntryPoints.h"

// The entry points as Exports.cpp defines them.
namespace kz {
extern "C" {
#define DEVLAUNCHER_DECLARE(field, name, result, parameters) result KzTesmadll##field parameters noexcept;
KZ_LAUNCHER_ENTRY_POINTS(DEVLAUNCHER_DECLARE)
#undef DEVLAUNCHER_DECLARE
}
} // namespace kz

void testsupport::InstallDevLauncher()
{
    ResetFake();
    Fake().SetInstallDir(u"C:\\DevLauncher");
#define DEVLAUNCHER_EXPORT(field, name, result, parameters)                                                    \
    Fake().Symbols[name] = reinterpret_cast<kz::SystemCalls::AnyFunction>(&kz::KzTesmadll##field);
    KZ_LAUNCHER_ENTRY_POINTS(DEVLAUNCHER_EXPORT)
#undef DEVLAUNCHER_EXPORT
}
