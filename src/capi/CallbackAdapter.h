#pragma once

#include "capi/CClient.h"
#include "containers/Allocate.h"
#include "kz/tesmaclient/Listeners.h"
#include "launcher/RequestKinds.h"

#include <type_traits>

namespace kz {
namespace capi {

class CallbackAdapter;

// The save-game objects as the C interface names them: the same objects.
// Numbers pass as they are.
inline unsigned int AsC(unsigned int value) noexcept
{
    return value;
}

inline tesmaclient_reader* AsC(tesmaclient::SavegameReader* reader) noexcept
{
    return reinterpret_cast<tesmaclient_reader*>(reader);
}

inline tesmaclient_writer* AsC(tesmaclient::SavegameWriter* writer) noexcept
{
    return reinterpret_cast<tesmaclient_writer*>(writer);
}

inline tesmaclient_savegame_list* AsC(tesmaclient::SavegameInfo* list) noexcept
{
    return reinterpret_cast<tesmaclient_savegame_list*>(list);
}

// One kind's answer, for each entry of KZ_REQUEST_KINDS: <name>Answer<Method>
// implements the game's listener of that kind, whose answer has the type
// Method, by handing the answer's values to its adapter. Callback is the C
// callback of the kind: the user pointer, then the same values as C names them.
#define KZ_CAPI_KIND_ANSWER(name, ...)                                                                         \
    template <typename Method>                                                                                 \
    class name##Answer;                                                                                        \
    template <typename... Values>                                                                              \
    class name##Answer<bool (tesmaclient::I##name##Listener::*)(unsigned int, Values...)>                      \
        : public tesmaclient::I##name##Listener {                                                              \
    public:                                                                                                    \
        using Callback = int(KZ_TESMACLIENT_CDECL*)(void*, unsigned int,                                       \
                                                    decltype(AsC(std::declval<Values>()))...);                 \
        bool On##name(unsigned int requestId, Values... values) override;                                      \
    };                                                                                                         \
    using name##Adapter = name##Answer<decltype(&tesmaclient::I##name##Listener::On##name)>;                   \
    name##Adapter AnswerOf(tesmaclient::I##name##Listener*) noexcept;
KZ_REQUEST_KINDS(KZ_CAPI_KIND_ANSWER)
#undef KZ_CAPI_KIND_ANSWER

// Where an adapter is filed: its client's table, under Key.
struct Filing {
    tesmaclient_client& Owner;
    const std::uint64_t Key;
};

// The C callback type of the kind whose game-side listener is Listener.
template <typename Listener>
using CallbackOf = typename decltype(AnswerOf(static_cast<Listener*>(nullptr)))::Callback;

// The C++ listener of one request of a C client: it hands the answer to the C
// callback with the caller's user pointer. Made per request and owned by the
// client's table. The answer takes it out of the table and frees it before
// calling the callback, which may destroy the client; the C++ client never
// calls a listener twice, since it forgets the listener before calling it.
//
// Invariants: it implements every game-side listener, one <name>Answer base a
// request kind, in the order of KZ_REQUEST_KINDS, and it is in its client's
// table, under its Filing, from File until its answer; the callback it holds
// has the type CallbackOf the listener it was filed as.
#define KZ_CAPI_ADAPTER_BASE(name, ...) public name##Adapter,
class CallbackAdapter final : KZ_REQUEST_KINDS(KZ_CAPI_ADAPTER_BASE) public Filing {
#undef KZ_CAPI_ADAPTER_BASE
public:
    // Any callback type, called only through the type it was made with.
    using Callback = void (*)();

    // Files a new adapter under kind and requestId in owner's table, freeing
    // the one filed there before: the C++ client's request replaces that
    // listener just as well (or drops both, without a session). A null
    // callback files nothing and gives null, so that the answer is dropped.
    static CallbackAdapter* File(tesmaclient_client& owner, RequestKind kind, unsigned int requestId,
                                 Callback callback, void* user) noexcept;

    // Frees every adapter left in owner's table.
    static void FreeAll(tesmaclient_client& owner) noexcept;

    // Leaves the table, frees this adapter and calls its callback, as Function,
    // with the user pointer and the values as C names them.
    template <typename Function, typename... Values>
    bool Answer(unsigned int requestId, Values... values) noexcept
    {
        const Function function = reinterpret_cast<Function>(m_callback);
        void* const user = m_user;
        Owner.Adapters.Remove(Key);
        common::Delete(this);
        return function(user, requestId, AsC(values)...) != 0;
    }

private:
    CallbackAdapter(tesmaclient_client& owner, std::uint64_t key, Callback callback, void* user) noexcept
        : Filing{owner, key}, m_callback(callback), m_user(user)
    {
    }

    const Callback m_callback;
    void* const m_user;
};

#define KZ_CAPI_KIND_ANSWER_DEFINITION(name, ...)                                                              \
    template <typename... Values>                                                                              \
    bool name##Answer<bool (tesmaclient::I##name##Listener::*)(unsigned int, Values...)>::On##name(            \
        unsigned int requestId, Values... values)                                                              \
    {                                                                                                          \
        return static_cast<CallbackAdapter*>(this)->Answer<Callback>(requestId, values...);                    \
    }
KZ_REQUEST_KINDS(KZ_CAPI_KIND_ANSWER_DEFINITION)
#undef KZ_CAPI_KIND_ANSWER_DEFINITION

} // namespace capi
} // namespace kz
