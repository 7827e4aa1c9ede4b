#pragma once

#include "kz/tesmaclient/TesmaClient.h"

#include "client/Forward.h"
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
// A client destroyed with requests outstanding leaves its Pimpl retired: the
// launcher may still answer them while it stays loaded, and such answers are
// dropped. It is freed with the launcher library.
class TesmaClient::Pimpl final : public tesmadll::IGetLoginDetailsListener,
                                 public tesmadll::IGetTesmaServerListener,
                                 public tesmadll::IGetSavegameReaderListener,
                                 public tesmadll::IGetSavegameWriterListener,
                                 public tesmadll::IGetSavegameListListener,
                                 public tesmadll::IRemoveSavegameListener,
                                 public tesmadll::IGetNetworkTrafficListener,
                                 public RetiredObject {
public:
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
        // Filed first: the launcher may answer before the call returns.
        table.Insert(requestId, listener);
        function(Session, requestId, self, args...);
    }

    // Takes the listener filed under requestId out of table. False when the
    // number is not pending, was requested without a listener, or the client
    // is gone: such an answer is dropped without building or calling anything.
    template <typename Listener>
    bool TakeListener(Table<Listener>& table, unsigned int requestId, Listener*& listener) noexcept
    {
        if (Retired || !table.Find(requestId, listener))
            return false;
        table.Remove(requestId);
        return listener != nullptr;
    }

    // Whether any request still waits for its answer.
    bool HasPendingRequests() const noexcept
    {
        return LoginDetails.GetEntryCount() + TesmaServer.GetEntryCount() + SavegameReader.GetEntryCount() +
                   SavegameWriter.GetEntryCount() + SavegameList.GetEntryCount() +
                   RemoveSavegame.GetEntryCount() + NetworkTraffic.GetEntryCount() !=
               0;
    }

    // Set once by the client's constructor; 0 when there is no session.
    SessionHandle Session = 0;
    // The binding the client belongs to; its save-game objects carry it.
    std::uint32_t Binding = 0;
    // Set when the client is destroyed while requests were outstanding.
    bool Retired = false;

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
