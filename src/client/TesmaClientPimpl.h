#pragma once

#include "kz/tesmaclient/TesmaClient.h"

#include "client/Forward.h"
#include "containers/Allocate.h"
#include "containers/HashTable.h"
#include "launcher/Handles.h"
#include "launcher/TesmadllListeners.h"

namespace kz {
namespace tesmaclient {

// The client's state behind its one pointer. It is the launcher's listener for
// every asynchronous request: each request files the game's listener under its
// number in the table of its kind and hands the launcher this object, seen
// through the matching interface; the answer finds the game's listener by
// number, removes it and passes the answer on.
//
// The launcher owes one answer for every request handed to it, also for two
// requests under one number. A client destroyed while answers are owed leaves
// its Pimpl retired: those answers are dropped, and the last of them, or the
// release of the launcher library, frees it.
class TesmaClient::Pimpl final : public tesmadll::IGetLoginDetailsListener,
                                 public tesmadll::IGetTesmaServerListener,
                                 public tesmadll::IGetSavegameReaderListener,
                                 public tesmadll::IGetSavegameWriterListener,
                                 public tesmadll::IGetSavegameListListener,
                                 public tesmadll::IRemoveSavegameListener,
                                 public tesmadll::IGetNetworkTrafficListener,
                                 public OwedAnswers {
public:
    Pimpl() noexcept { Destroy = [](OwedAnswers* answers) { common::Delete(static_cast<Pimpl*>(answers)); }; }

    template <typename Listener>
    using Table = common::HashTable<unsigned int, Listener*, common::StandardHashHelper<unsigned int>>;

    bool OnGetLoginDetails(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c) noexcept override;
    bool OnGetTesmaServer(unsigned int requestId, unsigned int a) noexcept override;
    bool OnGetSavegameReader(unsigned int requestId, unsigned int a, SavegameHandle reader) noexcept override;
    bool OnGetSavegameWriter(unsigned int requestId, unsigned int a, SavegameHandle writer) noexcept override;
    bool OnGetSavegameList(unsigned int requestId, const void* list, unsigned int count) noexcept override;
    bool OnRemoveSavegame(unsigned int requestId, unsigned int a) noexcept override;
    bool OnGetNetworkTraffic(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c,
                             unsigned int d) noexcept override;

    // Files listener under requestId and calls the entry point with the session,
    // the number, this object as the launcher's listener and the rest of args.
    // Dropped without a session or entry point.
    template <typename Function, typename Listener, typename LauncherListener, typename... Args>
    void Request(Function EntryPoints::*entryPoint, Table<Listener>& table, unsigned int requestId,
                 Listener* listener, LauncherListener* self, Args... args) noexcept
    {
        const LauncherCall call = LauncherCall::ForSession(Session);
        Function function = call.EntryPoint(entryPoint);
        if (function == nullptr)
            return;
        // Filed and counted first: the launcher may answer before the call returns.
        table.Insert(requestId, listener);
        RequestSent();
        function(Session, requestId, self, args...);
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
    Table<tesmaclient::IGetLoginDetailsListener> LoginDetails;
    Table<tesmaclient::IGetTesmaServerListener> TesmaServer;
    Table<tesmaclient::IGetSavegameReaderListener> SavegameReader;
    Table<tesmaclient::IGetSavegameWriterListener> SavegameWriter;
    Table<tesmaclient::IGetSavegameListListener> SavegameList;
    Table<tesmaclient::IRemoveSavegameListener> RemoveSavegame;
    Table<tesmaclient::IGetNetworkTrafficListener> NetworkTraffic;
};

} // namespace tesmaclient
} // namespace kz
