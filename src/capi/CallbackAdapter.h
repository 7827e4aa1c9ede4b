#pragma once

#include "capi/CClient.h"
#include "client/ClientInternals.h"
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

// What an adapter calls: any callback type, called only through the type it
// was made with, and the caller's user pointer. The last of its bases.
struct CCallback {
    void (*const Call)();
    void* const User;
};

// The C callback type of the kind whose game-side listener is Listener.
template <typename Listener>
using CallbackOf = typename decltype(AnswerOf(static_cast<Listener*>(nullptr)))::Callback;

// The C++ listener of one request of a C client: it hands the answer to the C
// callback with the caller's user pointer. Made per request; the C++ client
// either calls it once, and it frees itself before calling the callback,
// which may destroy the client, or tells the client's AdapterOwner that it
// never will, which frees it.
//
// Invariants: it implements every game-side listener, one <name>Answer base a
// request kind, in the order of KZ_REQUEST_KINDS; the callback it holds has
// the type CallbackOf the listener it was made for.
#define KZ_CAPI_ADAPTER_BASE(name, ...) public name##Adapter,
class CallbackAdapter final : KZ_REQUEST_KINDS(KZ_CAPI_ADAPTER_BASE) public CCallback {
#undef KZ_CAPI_ADAPTER_BASE
public:
    using Callback = void (*)();

    // A new adapter, or null for a null callback, so that the answer is dropped.
    static CallbackAdapter* Make(Callback callback, void* user) noexcept;

    // The owner every C client gives its C++ client: it frees the adapters
    // that will never be called.
    static tesmaclient::IListenerOwner& Owner() noexcept;

    // Frees this adapter and calls its callback, as Function, with the user
    // pointer and the values as C names them.
    template <typename Function, typename... Values>
    bool Answer(unsigned int requestId, Values... values) noexcept
    {
        const Function function = reinterpret_cast<Function>(Call);
        void* const user = User;
        common::Delete(this);
        return function(user, requestId, AsC(values)...) != 0;
    }

private:
    CallbackAdapter(Callback callback, void* user) noexcept : CCallback{callback, user} {}
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
