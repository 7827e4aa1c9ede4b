#pragma once

#include "kz/tesmaclient/TesmaClient.h"

#include "client/CallGuards.h"
#include "client/ClientInternals.h"
#include "containers/Allocate.h"
#include "containers/HashTable.h"
#include "launcher/Handles.h"
#include "launcher/RequestKinds.h"
#include "launcher/TesmadllListeners.h"

// The client's state behind its one pointer. It is the launcher's listener for
// every asynchronous request: each request files the game's listener under its
// number in the table of its kind and hands the launcher this object, seen
// through the matching interface; the answer finds the game's listener by
// number, takes it and passes the answer on.
//
// Invariants: the bases are the kz::tesmadll interfaces in the order of
// KZ_REQUEST_KINDS, then OwedAnswers, whose lock guards the tables. A number
// is in its kind's table while answers under it are owed: one for each
// request handed to the launcher under it. Waiting is set by each request and
// cleared by the first answer after it, which alone reaches the listener; a
// later request under the number replaces the listener. A request without a
// listener waits for nothing: its answer is dropped as an answer after the
// first is. The tables hold the
// game's listeners without owning them; a listener that will never be called
// (replaced, dropped, or left when the state goes) is handed to Owner, if
// set. Session and Binding are set once, by the client's constructor. A
// client destroyed while answers are owed leaves its Pimpl retired (see
// OwedAnswers.h). Neither the launcher's code nor a listener runs under the
// lock.

namespace kz {
namespace tesmaclient {

// One number's entry in a table: the listener of its latest request while it
// waits for its answer, else null, and the answers owed under the number.
template <typename Listener>
struct PendingRequest {
    Listener* Waiting;
    std::uint32_t Owed;
};

#define KZ_PIMPL_BASE(name, ...) public tesmadll::I##name##Listener,
class TesmaClient::Pimpl final : KZ_REQUEST_KINDS(KZ_PIMPL_BASE) public OwedAnswers {
#undef KZ_PIMPL_BASE
public:
    Pimpl() noexcept
    {
        Destroy = [](Retained* kept) { common::Delete(static_cast<Pimpl*>(static_cast<OwedAnswers*>(kept))); };
    }

    template <typename Listener>
    using Table = common::HashTable<unsigned int, PendingRequest<Listener>, common::StandardHashHelper<unsigned int>>;

#define KZ_PIMPL_ANSWER(name, table, requestParameters, requestArguments, answerParameters, answerArguments) \
    bool On##name answerParameters noexcept override;
    KZ_REQUEST_KINDS(KZ_PIMPL_ANSWER)
#undef KZ_PIMPL_ANSWER

    // Files listener under requestId and calls the entry point with the session,
    // the number, this object as the launcher's listener (seen through the
    // interface the entry point takes) and the rest of args. Dropped without a
    // session or entry point.
    template <typename Function, typename Listener, typename... Args>
    void Request(Function EntryPoints::*entryPoint, Table<Listener>& table, unsigned int requestId,
                 Listener* listener, Args... args) noexcept
    {
        const LauncherCall call = LauncherCall::ForSession(Session);
        Function function = call.EntryPoint(entryPoint);
        if (function == nullptr) {
            Forget(listener);
            return;
        }
        {
            // Filed and counted first: the launcher may answer before the call returns.
            BlockingLock::Guard guard(Lock);
            PendingRequest<Listener> pending{listener, 1};
            PendingRequest<Listener> earlier;
            if (table.Find(requestId, earlier)) {
                Forget(earlier.Waiting);
                pending.Owed += earlier.Owed;
            }
            table.Insert(requestId, pending);
            ++Owed;
        }
        function(Session, requestId, this, args...);
    }

    // An answer under requestId from table: if it was owed, counts it, begins
    // answer and returns true, with listener the one to call, or null
    // when the answer is dropped (answered before, requested without a
    // listener, or the client let go). False for an answer not owed, which
    // changes nothing.
    template <typename Listener>
    bool TakeAnswer(Table<Listener>& table, unsigned int requestId, Listener*& listener,
                    LauncherAnswer& answer) noexcept
    {
        BlockingLock::Guard guard(Lock);
        PendingRequest<Listener> pending;
        if (!table.Find(requestId, pending))
            return false;
        listener = pending.Waiting;
        if (--pending.Owed == 0) {
            table.Remove(requestId);
        } else {
            pending.Waiting = nullptr;
            table.Insert(requestId, pending);
        }
        --Owed;
        LauncherApi::BeginAnswer(*this, answer.Begin());
        return true;
    }

    // The client lets go: no listener waiting now will be called.
    void ForgetWaiting() noexcept
    {
        BlockingLock::Guard guard(Lock);
#define KZ_PIMPL_FORGET_WAITING(name, table, ...)                                                              \
    for (unsigned int i = 0; i < table.SlotCount(); ++i) {                                                     \
        const auto& slot = table.Slot(i);                                                                      \
        if (slot.Used && slot.Value.Waiting != nullptr) {                                                      \
            Forget(slot.Value.Waiting);                                                                        \
            table.Insert(slot.Key, PendingRequest<tesmaclient::I##name##Listener>{nullptr, slot.Value.Owed});  \
        }                                                                                                      \
    }
        KZ_REQUEST_KINDS(KZ_PIMPL_FORGET_WAITING)
#undef KZ_PIMPL_FORGET_WAITING
    }

    template <typename Listener>
    void Forget(Listener* listener) noexcept
    {
        if (Owner != nullptr && listener != nullptr)
            Owner->Forget(listener);
    }

    // Set once by the client's constructor; 0 when there is no session.
    SessionHandle Session = 0;
    // The binding the client belongs to; its save-game objects carry it.
    std::uint32_t Binding = 0;
    // Set by the C interface right after construction, or null.
    IListenerOwner* Owner = nullptr;
    // The game's listeners of each kind, by request number.
#define KZ_PIMPL_TABLE(name, table, ...) Table<tesmaclient::I##name##Listener> table;
    KZ_REQUEST_KINDS(KZ_PIMPL_TABLE)
#undef KZ_PIMPL_TABLE
};

} // namespace tesmaclient
} // namespace kz
