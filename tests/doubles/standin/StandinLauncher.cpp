// A stand-in for the launcher's client library "dovtesmaapi_r2.dll": the 22
// entry points, each recording its call and answering as the test scripted;
// the seven request entry points and their answers follow KZ_REQUEST_KINDS.
// Built without the C++ library, so the same source serves a GCC build and an
// MSVC-mode build. STANDIN_INCOMPLETE leaves out "KzTesmadllSaveGameInfoGetSize".

#include "StandinControl.h"
#include "launcher/EntryPoints.h"
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

// The indices 0 to N - 1, as Indices<0, ..., N - 1> (there is no C++ library here).
template <unsigned... I>
struct Indices {};
template <unsigned N, unsigned... I>
struct CountTo : CountTo<N - 1, N - 1, I...> {};
template <unsigned... I>
struct CountTo<0, I...> {
    using Type = Indices<I...>;
};

// Calls the answer on listener with requestId and the values, each cast to
// its parameter's type (integers by value, pointers by address).
template <typename Listener, typename... P, unsigned... I>
bool AnswerWith(bool (Listener::*on)(unsigned, P...) noexcept, Listener* listener, unsigned requestId,
                const Word* values, Indices<I...>)
{
    return (listener->*on)(requestId, P(values[I])...);
}

template <typename Listener, typename... P>
bool Answer(bool (Listener::*on)(unsigned, P...) noexcept, void* listener, unsigned requestId, const Word* values)
{
    return AnswerWith(on, static_cast<Listener*>(listener), requestId, values, typename CountTo<sizeof...(P)>::Type());
}

bool Deliver(unsigned entry, void* listener, unsigned requestId, Word a, Word b, Word c, Word d)
{
    const Word values[] = {a, b, c, d};
    switch (entry) {
#define STANDIN_DELIVER(name, ...)                                                                             \
    case name:                                                                                                 \
        return Answer(&tesmadll::I##name##Listener::On##name, listener, requestId, values);
        KZ_REQUEST_KINDS(STANDIN_DELIVER)
#undef STANDIN_DELIVER
    default:
        return false;
    }
}

// Records the request, keeps the listener for answers on demand, answers at
// once if scripted to, then lets the hook act.
template <typename... Args>
void Request(unsigned entry, SessionHandle session, unsigned requestId, void* listener, Args... args)
{
    Record(entry, unsigned(3 + sizeof...(Args)), session, requestId, AsWord(listener), Word(args)...);
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

#define STANDIN_REQUEST(name, table, requestParameters, requestArguments, ...)                               \
    STANDIN_EXPORT void __cdecl KzTesmadll##name(SessionHandle session, unsigned requestId,                   \
                                                 tesmadll::I##name##Listener* listener KZ_UNPAREN requestParameters) \
    {                                                                                                          \
        Request(name, session, requestId, listener KZ_UNPAREN requestArguments);                               \
    }
KZ_REQUEST_KINDS(STANDIN_REQUEST)
#undef STANDIN_REQUEST

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
