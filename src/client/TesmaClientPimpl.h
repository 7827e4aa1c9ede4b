#pragma once

#include "kz/tesmaclient/TesmaClient.h"

#include "client/CallGuards.h"
#include "containers/Allocate.h"
#include "containers/HashTable.h"
#include "launcher/Handles.h"
#include "launcher/RequestKinds.h"
#include "launcher/TesmadllListeners.h"

// The client's state behind its one pointer. It is the launcher's listener for
// every asynchronous request: each request files the game's listener under its
// number in the table of its kind and hands the launcher this object, seen
// through the matching interface; the answer finds the game's listener by
// number, removes it and passes the answer on.
//
// Invariants: the bases are the kz::tesmadll interfaces in the order of
// KZ_REQUEST_KINDS, then OwedAnswers. A listener is in its kind's table, and
// in no other, from its request until the first answer under its number or a
// later request under that number, whose listener takes its place. The tables
// hold the game's listeners without owning them. Session and Binding are set
// once, by the client's constructor. The launcher owes one answer for every request
// handed to it, also for two requests under one number. A client destroyed
// while answers are owed leaves its Pimpl retired: those answers are dropped,
// and the last of them, or a release that unloads the launcher library, frees
// it. Nothing here is locked: a client's requests, the answers to them and its
// destruction must not overlap; only the count of owed answers is atomic.

namespace kz {
namespace tesmaclient {

#define KZ_PIMPL_BASE(name, ...) public tesmadll::I##name##Listener,
class TesmaClient::Pimpl final : KZ_REQUEST_KINDS(KZ_PIMPL_BASE) public OwedAnswers {
#undef KZ_PIMPL_BASE
public:
    Pimpl() noexcept { Destroy = [](OwedAnswers* answers) { common::Delete(static_cast<Pimpl*>(answers)); }; }

    template <typename Listener>
    using Table = common::HashTable<unsigned int, Listener*, common::StandardHashHelper<unsigned int>>;

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
        if (function == nullptr)
            return;
        // Filed and counted first: the launcher may answer before the call returns.
        table.Insert(requestId, listener);
        RequestSent();
        function(Session, requestId, this, args...);
    }

    // Takes the listener filed under requestId out of table. False when the
    // answer is dropped, the number is not pending, or it was requested without
    // a listener: such an answer builds and calls nothing.
    template <typename Listener>
    bool TakeListener(const LauncherAnswer& answer, Table<Listener>& table, unsigned int requestId,
                      Listener*& listener) noexcept
    {
        if (answer.Dropped() || !table.Find(requestId, listener))
            return false;
        table.Remove(requestId);
        return listener != nullptr;
    }

    // Set once by the client's constructor; 0 when there is no session.
    SessionHandle Session = 0;
    // The binding the client belongs to; its save-game objects carry it.
    std::uint32_t Binding = 0;
    // The game's listeners of each kind, by request number.
#define KZ_PIMPL_TABLE(name, table, ...) Table<tesmaclient::I##name##Listener> table;
    KZ_REQUEST_KINDS(KZ_PIMPL_TABLE)
#undef KZ_PIMPL_TABLE
};

} // namespace tesmaclient
} // namespace kz
