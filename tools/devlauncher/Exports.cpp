// The 22 entry points of the development launcher's dovtesmaapi_r2.dll, each
// forwarding to the one DevLauncher of the process. Natively the same file is
// linked into the test program, as the stand-in launcher is.

#include "DevLauncher.h"
#include "RecursiveLock.h"

#include "launcher/EntryPoints.h"

#include <type_traits>

#ifdef _WIN32
#define DEVLAUNCHER_EXPORT extern "C" __declspec(dllexport)
#else
#define DEVLAUNCHER_EXPORT extern "C"
#endif

using devlauncher::DevLauncher;
using kz::SavegameHandle;
using kz::SessionHandle;
namespace tesmadll = kz::tesmadll;
namespace tesmaclient = kz::tesmaclient;

namespace {

// Made on the first call, so that the environment is read once, when a game
// first reaches the launcher.
DevLauncher& Launcher()
{
    static DevLauncher launcher(devlauncher::SettingsFromEnvironment());
    return launcher;
}

devlauncher::RecursiveLock& Lock()
{
    static devlauncher::RecursiveLock lock;
    return lock;
}

using Guard = devlauncher::LockGuard;

} // namespace

// noexcept: an exception must not unwind into the game's frames, which may be
// MSVC's; it ends the process here instead.

DEVLAUNCHER_EXPORT SessionHandle KZ_CDECL KzTesmadllGetSession() noexcept
{
    Guard guard(Lock());
    return Launcher().GetSession();
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllUpdate(SessionHandle session) noexcept
{
    Guard guard(Lock());
    Launcher().Update(session);
}

DEVLAUNCHER_EXPORT unsigned KZ_CDECL KzTesmadllGetRequestUniqueId(SessionHandle session) noexcept
{
    Guard guard(Lock());
    return Launcher().GetRequestUniqueId(session);
}

DEVLAUNCHER_EXPORT bool KZ_CDECL KzTesmadllStartLauncher(SessionHandle session, unsigned, unsigned, const char*,
                                                         const char*) noexcept
{
    Guard guard(Lock());
    return Launcher().StartLauncher(session);
}

// Starting other programs is the real launcher's business.
DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllStartProcess(SessionHandle, unsigned short*, unsigned short*,
                                                        unsigned short*) noexcept
{
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllGetLoginDetails(SessionHandle session, unsigned requestId,
                                                           tesmadll::IGetLoginDetailsListener* listener) noexcept
{
    Guard guard(Lock());
    Launcher().GetLoginDetails(session, requestId, listener);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllGetTesmaServer(SessionHandle session, unsigned requestId,
                                                          tesmadll::IGetTesmaServerListener* listener, unsigned,
                                                          unsigned) noexcept
{
    Guard guard(Lock());
    Launcher().GetTesmaServer(session, requestId, listener);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllGetSavegameReader(SessionHandle session, unsigned requestId,
                                                             tesmadll::IGetSavegameReaderListener* listener,
                                                             unsigned productId, unsigned savegameId) noexcept
{
    Guard guard(Lock());
    Launcher().GetSavegameReader(session, requestId, listener, productId, savegameId);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllGetSavegameWriter(SessionHandle session, unsigned requestId,
                                                             tesmadll::IGetSavegameWriterListener* listener,
                                                             unsigned productId, unsigned savegameId,
                                                             bool replace) noexcept
{
    Guard guard(Lock());
    Launcher().GetSavegameWriter(session, requestId, listener, productId, savegameId, replace);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllGetSavegameList(SessionHandle session, unsigned requestId,
                                                           tesmadll::IGetSavegameListListener* listener,
                                                           unsigned productId) noexcept
{
    Guard guard(Lock());
    Launcher().GetSavegameList(session, requestId, listener, productId);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllRemoveSavegame(SessionHandle session, unsigned requestId,
                                                          tesmadll::IRemoveSavegameListener* listener,
                                                          unsigned productId, unsigned savegameId) noexcept
{
    Guard guard(Lock());
    Launcher().RemoveSavegame(session, requestId, listener, productId, savegameId);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllGetNetworkTraffic(SessionHandle session, unsigned requestId,
                                                             tesmadll::IGetNetworkTrafficListener* listener) noexcept
{
    Guard guard(Lock());
    Launcher().GetNetworkTraffic(session, requestId, listener);
}

DEVLAUNCHER_EXPORT const unsigned short* KZ_CDECL KzTesmadllGetLocText(SessionHandle session,
                                                                       const unsigned short* key,
                                                                       const char* locale) noexcept
{
    Guard guard(Lock());
    return Launcher().GetLocText(session, key, locale);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllSaveGameReaderRead(SavegameHandle reader, unsigned requestId,
                                                              tesmaclient::ISavegameReadListener* listener,
                                                              unsigned offset, void* buffer,
                                                              unsigned length) noexcept
{
    Guard guard(Lock());
    Launcher().ReaderRead(reader, requestId, listener, offset, buffer, length);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllSaveGameReaderClose(SavegameHandle reader) noexcept
{
    Guard guard(Lock());
    Launcher().ReaderClose(reader);
}

DEVLAUNCHER_EXPORT bool KZ_CDECL KzTesmadllSaveGameWriterSetName(SavegameHandle writer,
                                                                 unsigned short* name) noexcept
{
    Guard guard(Lock());
    return Launcher().WriterSetName(writer, name);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllSaveGameWriterWrite(SavegameHandle writer, unsigned requestId,
                                                               tesmaclient::ISavegameWriteListener* listener,
                                                               void* data, unsigned length) noexcept
{
    Guard guard(Lock());
    Launcher().WriterWrite(writer, requestId, listener, data, length);
}

DEVLAUNCHER_EXPORT void KZ_CDECL KzTesmadllSaveGameWriterClose(SavegameHandle writer, bool commit) noexcept
{
    Guard guard(Lock());
    Launcher().WriterClose(writer, commit);
}

DEVLAUNCHER_EXPORT const unsigned short* KZ_CDECL KzTesmadllSaveGameInfoGetName(SavegameHandle info) noexcept
{
    Guard guard(Lock());
    return Launcher().InfoGetName(info);
}

DEVLAUNCHER_EXPORT unsigned KZ_CDECL KzTesmadllSaveGameInfoGetProductId(SavegameHandle info) noexcept
{
    Guard guard(Lock());
    return Launcher().InfoGetProductId(info);
}

DEVLAUNCHER_EXPORT unsigned KZ_CDECL KzTesmadllSaveGameInfoGetSavegameId(SavegameHandle info) noexcept
{
    Guard guard(Lock());
    return Launcher().InfoGetSavegameId(info);
}

DEVLAUNCHER_EXPORT unsigned KZ_CDECL KzTesmadllSaveGameInfoGetSize(SavegameHandle info) noexcept
{
    Guard guard(Lock());
    return Launcher().InfoGetSize(info);
}

// Each entry point has the type the client binds it as.
#define DEVLAUNCHER_CHECK_TYPE(field, name, result, parameters)                                                \
    static_assert(std::is_convertible<decltype(&KzTesmadll##field), decltype(kz::EntryPoints::field)>::value,  \
                  name " has the type the client calls");
KZ_LAUNCHER_ENTRY_POINTS(DEVLAUNCHER_CHECK_TYPE)
#undef DEVLAUNCHER_CHECK_TYPE
