// A stand-in for the launcher's client library "dovtesmaapi_r2.dll": the 22
// entry points, each recording its call and answering as the test scripted.
// Built without the C++ library, so the same source serves a GCC build and an
// MSVC-mode build. STANDIN_INCOMPLETE leaves out "KzTesmadllSaveGameInfoGetSize".

#include "StandinControl.h"
#include "launcher/TesmadllListeners.h"

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
// Natively the stand-in is linked into the test program itself.
#define STANDIN_EXPORT extern "C"
#endif
#if !defined(__i386__) && !defined(_M_IX86)
#define __cdecl
#endif

using namespace standin;
using kz::SavegameHandle;
using kz::SessionHandle;
namespace tesmadll = kz::tesmadll;

namespace kz {
namespace tesmaclient {
class ISavegameReadListener;
class ISavegameWriteListener;
} // namespace tesmaclient
} // namespace kz

namespace {

constexpr unsigned MaxCalls = 1024;

Call g_calls[MaxCalls];
unsigned g_callCount;
unsigned g_session = DefaultSession;
unsigned g_nextUniqueId = FirstUniqueId;
Word g_results[EntryCount];
bool g_resultSet[EntryCount];
bool g_answerInside[EntryCount];
Word g_insideValues[EntryCount][4];
void* g_listeners[EntryCount];
unsigned g_list[ListLength];
RequestHook g_requestHook;
UpdateHook g_updateHook;
void* g_hookContext;

const unsigned short LocText[] = {'s', 't', 'a', 'n', 'd', '-', 'i', 'n', 0};
const unsigned short SavegameName[] = {'s', 'l', 'o', 't', 0};

void Record(unsigned entry, unsigned count, Word a0 = 0, Word a1 = 0, Word a2 = 0, Word a3 = 0, Word a4 = 0,
            Word a5 = 0, Word a6 = 0)
{
    // Clients on several threads may call at once: each takes a slot of its own.
    const unsigned slot = __atomic_fetch_add(&g_callCount, 1, __ATOMIC_RELAXED);
    if (slot >= MaxCalls) {
        __atomic_store_n(&g_callCount, MaxCalls, __ATOMIC_RELAXED);
        return;
    }
    Call& call = g_calls[slot];
    call.EntryPoint = entry;
    call.ArgumentCount = count;
    const Word values[MaxArguments] = {a0, a1, a2, a3, a4, a5, a6};
    for (unsigned i = 0; i < MaxArguments; ++i)
        call.Arguments[i] = i < count ? values[i] : 0;
}

template <typename T>
Word AsWord(T* pointer)
{
    return reinterpret_cast<Word>(pointer);
}

Word Result(unsigned entry, Word fallback)
{
    return g_resultSet[entry] ? g_results[entry] : fallback;
}

bool Deliver(unsigned entry, void* listener, unsigned requestId, Word a, Word b, Word c, Word d)
{
    switch (entry) {
    case GetLoginDetails:
        return static_cast<tesmadll::IGetLoginDetailsListener*>(listener)->OnGetLoginDetails(
            requestId, unsigned(a), unsigned(b), unsigned(c));
    case GetTesmaServer:
        return static_cast<tesmadll::IGetTesmaServerListener*>(listener)->OnGetTesmaServer(requestId, unsigned(a));
    case GetSavegameReader:
        return static_cast<tesmadll::IGetSavegameReaderListener*>(listener)->OnGetSavegameReader(requestId,
                                                                                                 unsigned(a), b);
    case GetSavegameWriter:
        return static_cast<tesmadll::IGetSavegameWriterListener*>(listener)->OnGetSavegameWriter(requestId,
                                                                                                 unsigned(a), b);
    case GetSavegameList:
        return static_cast<tesmadll::IGetSavegameListListener*>(listener)->OnGetSavegameList(
            requestId, reinterpret_cast<const void*>(a), unsigned(b));
    case RemoveSavegame:
        return static_cast<tesmadll::IRemoveSavegameListener*>(listener)->OnRemoveSavegame(requestId, unsigned(a));
    case GetNetworkTraffic:
        return static_cast<tesmadll::IGetNetworkTrafficListener*>(listener)->OnGetNetworkTraffic(
            requestId, unsigned(a), unsigned(b), unsigned(c), unsigned(d));
    default:
        return false;
    }
}

// Keeps the listener for answers on demand, answers at once if scripted to,
// then lets the hook act.
void Request(unsigned entry, SessionHandle session, unsigned requestId, void* listener)
{
    g_listeners[entry] = listener;
    if (g_answerInside[entry]) {
        g_answerInside[entry] = false;
        const Word* v = g_insideValues[entry];
        Deliver(entry, listener, requestId, v[0], v[1], v[2], v[3]);
    }
    if (g_requestHook != nullptr)
        g_requestHook(g_hookContext, entry, session, requestId, listener);
}

} // namespace

// The launcher's entry points.

STANDIN_EXPORT SessionHandle __cdecl KzTesmadllGetSession()
{
    Record(GetSession, 0);
    return g_session;
}

STANDIN_EXPORT void __cdecl KzTesmadllUpdate(SessionHandle session)
{
    Record(Update, 1, session);
    if (g_updateHook != nullptr)
        g_updateHook(g_hookContext, session);
}

STANDIN_EXPORT unsigned __cdecl KzTesmadllGetRequestUniqueId(SessionHandle session)
{
    Record(GetRequestUniqueId, 1, session);
    return unsigned(Result(GetRequestUniqueId, g_nextUniqueId++));
}

STANDIN_EXPORT bool __cdecl KzTesmadllStartLauncher(SessionHandle session, unsigned a, unsigned b, const char* c,
                                                    const char* d)
{
    Record(StartLauncher, 5, session, a, b, AsWord(c), AsWord(d));
    return Result(StartLauncher, 1) != 0;
}

STANDIN_EXPORT void __cdecl KzTesmadllStartProcess(SessionHandle session, unsigned short* a, unsigned short* b,
                                                   unsigned short* c)
{
    Record(StartProcess, 4, session, AsWord(a), AsWord(b), AsWord(c));
}

STANDIN_EXPORT void __cdecl KzTesmadllGetLoginDetails(SessionHandle session, unsigned requestId,
                                                      tesmadll::IGetLoginDetailsListener* listener)
{
    Record(GetLoginDetails, 3, session, requestId, AsWord(listener));
    Request(GetLoginDetails, session, requestId, listener);
}

STANDIN_EXPORT void __cdecl KzTesmadllGetTesmaServer(SessionHandle session, unsigned requestId,
                                                     tesmadll::IGetTesmaServerListener* listener, unsigned a,
                                                     unsigned b)
{
    Record(GetTesmaServer, 5, session, requestId, AsWord(listener), a, b);
    Request(GetTesmaServer, session, requestId, listener);
}

STANDIN_EXPORT void __cdecl KzTesmadllGetSavegameReader(SessionHandle session, unsigned requestId,
                                                        tesmadll::IGetSavegameReaderListener* listener, unsigned a,
                                                        unsigned b)
{
    Record(GetSavegameReader, 5, session, requestId, AsWord(listener), a, b);
    Request(GetSavegameReader, session, requestId, listener);
}

STANDIN_EXPORT void __cdecl KzTesmadllGetSavegameWriter(SessionHandle session, unsigned requestId,
                                                        tesmadll::IGetSavegameWriterListener* listener, unsigned a,
                                                        unsigned b, bool flag)
{
    Record(GetSavegameWriter, 6, session, requestId, AsWord(listener), a, b, flag);
    Request(GetSavegameWriter, session, requestId, listener);
}

STANDIN_EXPORT void __cdecl KzTesmadllGetSavegameList(SessionHandle session, unsigned requestId,
                                                      tesmadll::IGetSavegameListListener* listener, unsigned a)
{
    Record(GetSavegameList, 4, session, requestId, AsWord(listener), a);
    Request(GetSavegameList, session, requestId, listener);
}

STANDIN_EXPORT void __cdecl KzTesmadllRemoveSavegame(SessionHandle session, unsigned requestId,
                                                     tesmadll::IRemoveSavegameListener* listener, unsigned a,
                                                     unsigned b)
{
    Record(RemoveSavegame, 5, session, requestId, AsWord(listener), a, b);
    Request(RemoveSavegame, session, requestId, listener);
}

STANDIN_EXPORT void __cdecl KzTesmadllGetNetworkTraffic(SessionHandle session, unsigned requestId,
                                                        tesmadll::IGetNetworkTrafficListener* listener)
{
    Record(GetNetworkTraffic, 3, session, requestId, AsWord(listener));
    Request(GetNetworkTraffic, session, requestId, listener);
}

STANDIN_EXPORT const unsigned short* __cdecl KzTesmadllGetLocText(SessionHandle session, const unsigned short* key,
                                                                  const char* locale)
{
    Record(GetLocText, 3, session, AsWord(key), AsWord(locale));
    return reinterpret_cast<const unsigned short*>(Result(GetLocText, AsWord(LocText)));
}

STANDIN_EXPORT void __cdecl KzTesmadllSaveGameReaderRead(SavegameHandle reader, unsigned requestId,
                                                         kz::tesmaclient::ISavegameReadListener* listener,
                                                         unsigned a, void* buffer, unsigned b)
{
    Record(SaveGameReaderRead, 6, reader, requestId, AsWord(listener), a, AsWord(buffer), b);
}

STANDIN_EXPORT void __cdecl KzTesmadllSaveGameReaderClose(SavegameHandle reader)
{
    Record(SaveGameReaderClose, 1, reader);
}

STANDIN_EXPORT bool __cdecl KzTesmadllSaveGameWriterSetName(SavegameHandle writer, unsigned short* name)
{
    Record(SaveGameWriterSetName, 2, writer, AsWord(name));
    return Result(SaveGameWriterSetName, 1) != 0;
}

STANDIN_EXPORT void __cdecl KzTesmadllSaveGameWriterWrite(SavegameHandle writer, unsigned requestId,
                                                          kz::tesmaclient::ISavegameWriteListener* listener,
                                                          void* buffer, unsigned a)
{
    Record(SaveGameWriterWrite, 5, writer, requestId, AsWord(listener), AsWord(buffer), a);
}

STANDIN_EXPORT void __cdecl KzTesmadllSaveGameWriterClose(SavegameHandle writer, bool flag)
{
    Record(SaveGameWriterClose, 2, writer, flag);
}

STANDIN_EXPORT const unsigned short* __cdecl KzTesmadllSaveGameInfoGetName(SavegameHandle info)
{
    Record(SaveGameInfoGetName, 1, info);
    return reinterpret_cast<const unsigned short*>(Result(SaveGameInfoGetName, AsWord(SavegameName)));
}

STANDIN_EXPORT unsigned __cdecl KzTesmadllSaveGameInfoGetProductId(SavegameHandle info)
{
    Record(SaveGameInfoGetProductId, 1, info);
    return unsigned(Result(SaveGameInfoGetProductId, 0));
}

STANDIN_EXPORT unsigned __cdecl KzTesmadllSaveGameInfoGetSavegameId(SavegameHandle info)
{
    Record(SaveGameInfoGetSavegameId, 1, info);
    return unsigned(Result(SaveGameInfoGetSavegameId, 0));
}

#ifndef STANDIN_INCOMPLETE
STANDIN_EXPORT unsigned __cdecl KzTesmadllSaveGameInfoGetSize(SavegameHandle info)
{
    Record(SaveGameInfoGetSize, 1, info);
    return unsigned(Result(SaveGameInfoGetSize, 0));
}
#endif

#ifdef _MSC_VER
// The MSVC-mode build has no C runtime, so the module's entry point is its own.
extern "C" int __stdcall DllMainCRTStartup(void*, unsigned long, void*)
{
    return 1;
}
#endif

// The control interface (StandinControl.h).

STANDIN_EXPORT void __cdecl StandinReset()
{
    g_callCount = 0;
    g_session = DefaultSession;
    g_nextUniqueId = FirstUniqueId;
    for (unsigned i = 0; i < EntryCount; ++i) {
        g_resultSet[i] = false;
        g_answerInside[i] = false;
        g_listeners[i] = nullptr;
    }
    g_requestHook = nullptr;
    g_updateHook = nullptr;
    g_hookContext = nullptr;
}

STANDIN_EXPORT void __cdecl StandinSetSession(unsigned session)
{
    g_session = session;
}

STANDIN_EXPORT void __cdecl StandinSetResult(unsigned entry, Word result)
{
    if (entry >= EntryCount)
        return;
    g_results[entry] = result;
    g_resultSet[entry] = true;
}

STANDIN_EXPORT unsigned __cdecl StandinCallCount()
{
    return g_callCount;
}

STANDIN_EXPORT const Call* __cdecl StandinGetCall(unsigned index)
{
    return index < g_callCount ? &g_calls[index] : nullptr;
}

STANDIN_EXPORT void __cdecl StandinAnswerInside(unsigned entry, Word a, Word b, Word c, Word d)
{
    if (entry >= EntryCount)
        return;
    g_answerInside[entry] = true;
    Word* v = g_insideValues[entry];
    v[0] = a;
    v[1] = b;
    v[2] = c;
    v[3] = d;
}

STANDIN_EXPORT int __cdecl StandinAnswer(unsigned entry, unsigned requestId, Word a, Word b, Word c, Word d)
{
    if (entry >= EntryCount || g_listeners[entry] == nullptr)
        return -1;
    return Deliver(entry, g_listeners[entry], requestId, a, b, c, d) ? 1 : 0;
}

STANDIN_EXPORT int __cdecl StandinAnswerThrough(unsigned entry, void* listener, unsigned requestId, Word a, Word b,
                                               Word c, Word d)
{
    return Deliver(entry, listener, requestId, a, b, c, d) ? 1 : 0;
}

STANDIN_EXPORT void __cdecl StandinSetHooks(RequestHook request, UpdateHook update, void* context)
{
    g_requestHook = request;
    g_updateHook = update;
    g_hookContext = context;
}

STANDIN_EXPORT const unsigned* __cdecl StandinList()
{
    return g_list;
}
