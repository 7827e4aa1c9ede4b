#pragma once

#include "launcher/Handles.h"
#include "launcher/TesmadllListeners.h"

// The launcher library's 22 entry points, as one list, and the table of
// pointers that the binding fills from it.
//
// Invariants: the list's order is the binding order, in which every name is
// looked up and the first missing one is reported. Each name is the symbol
// the library exports; each entry point is __cdecl on the i686 target. A
// pointer is null until bound, stays null when the library lacks it (the
// others are bound and used all the same) and is null again after a release.
// Only the binding, while no client lives, and a release write the table.
// Calls read it without a lock: the release that follows the last client
// waits until no call is in progress.

namespace kz {
namespace tesmaclient {
class ISavegameReadListener;
class ISavegameWriteListener;
} // namespace tesmaclient

#if defined(__i386__) || defined(_M_IX86)
#define KZ_CDECL __cdecl
#else
#define KZ_CDECL
#endif

// X(field, exported name, result, parameters).
#define KZ_LAUNCHER_ENTRY_POINTS(X)                                                                            \
    X(GetSession, "KzTesmadllGetSession", SessionHandle, ())                                                   \
    X(Update, "KzTesmadllUpdate", void, (SessionHandle))                                                       \
    X(GetRequestUniqueId, "KzTesmadllGetRequestUniqueId", unsigned int, (SessionHandle))                       \
    X(StartLauncher, "KzTesmadllStartLauncher", bool,                                                          \
      (SessionHandle, unsigned int, unsigned int, const char*, const char*))                                   \
    X(StartProcess, "KzTesmadllStartProcess", void,                                                            \
      (SessionHandle, unsigned short*, unsigned short*, unsigned short*))                                      \
    X(GetLoginDetails, "KzTesmadllGetLoginDetails", void,                                                      \
      (SessionHandle, unsigned int, tesmadll::IGetLoginDetailsListener*))                                      \
    X(GetTesmaServer, "KzTesmadllGetTesmaServer", void,                                                        \
      (SessionHandle, unsigned int, tesmadll::IGetTesmaServerListener*, unsigned int, unsigned int))           \
    X(GetSavegameReader, "KzTesmadllGetSavegameReader", void,                                                  \
      (SessionHandle, unsigned int, tesmadll::IGetSavegameReaderListener*, unsigned int, unsigned int))        \
    X(GetSavegameWriter, "KzTesmadllGetSavegameWriter", void,                                                  \
      (SessionHandle, unsigned int, tesmadll::IGetSavegameWriterListener*, unsigned int, unsigned int, bool))  \
    X(GetSavegameList, "KzTesmadllGetSavegameList", void,                                                      \
      (SessionHandle, unsigned int, tesmadll::IGetSavegameListListener*, unsigned int))                        \
    X(RemoveSavegame, "KzTesmadllRemoveSavegame", void,                                                        \
      (SessionHandle, unsigned int, tesmadll::IRemoveSavegameListener*, unsigned int, unsigned int))           \
    X(GetNetworkTraffic, "KzTesmadllGetNetworkTraffic", void,                                                  \
      (SessionHandle, unsigned int, tesmadll::IGetNetworkTrafficListener*))                                    \
    X(GetLocText, "KzTesmadllGetLocText", const unsigned short*,                                               \
      (SessionHandle, const unsigned short*, const char*))                                                     \
    X(SaveGameReaderRead, "KzTesmadllSaveGameReaderRead", void,                                                \
      (SavegameHandle, unsigned int, tesmaclient::ISavegameReadListener*, unsigned int, void*, unsigned int))  \
    X(SaveGameReaderClose, "KzTesmadllSaveGameReaderClose", void, (SavegameHandle))                            \
    X(SaveGameWriterSetName, "KzTesmadllSaveGameWriterSetName", bool, (SavegameHandle, unsigned short*))       \
    X(SaveGameWriterWrite, "KzTesmadllSaveGameWriterWrite", void,                                              \
      (SavegameHandle, unsigned int, tesmaclient::ISavegameWriteListener*, void*, unsigned int))               \
    X(SaveGameWriterClose, "KzTesmadllSaveGameWriterClose", void, (SavegameHandle, bool))                      \
    X(SaveGameInfoGetName, "KzTesmadllSaveGameInfoGetName", const unsigned short*, (SavegameHandle))           \
    X(SaveGameInfoGetProductId, "KzTesmadllSaveGameInfoGetProductId", unsigned int, (SavegameHandle))          \
    X(SaveGameInfoGetSavegameId, "KzTesmadllSaveGameInfoGetSavegameId", unsigned int, (SavegameHandle))        \
    X(SaveGameInfoGetSize, "KzTesmadllSaveGameInfoGetSize", unsigned int, (SavegameHandle))

struct EntryPoints {
#define KZ_ENTRY_POINT_FIELD(field, name, result, parameters) result(KZ_CDECL* field) parameters = nullptr;
    KZ_LAUNCHER_ENTRY_POINTS(KZ_ENTRY_POINT_FIELD)
#undef KZ_ENTRY_POINT_FIELD
};

} // namespace kz
