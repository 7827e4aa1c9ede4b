#pragma once

#include "capi/CClient.h"
#include "kz/tesmaclient/Listeners.h"

namespace kz {
namespace capi {

// The C++ listener of one request of a C client: it hands the answer to the C
// callback with the caller's user pointer. Made per request and owned by the
// client's table. The answer takes it out of the table and frees it before
// calling the callback, which may destroy the client; the C++ client never
// calls a listener twice, since it forgets the listener before calling it.
class CallbackAdapter final : public tesmaclient::IGetLoginDetailsListener,
                              public tesmaclient::IGetTesmaServerListener,
                              public tesmaclient::IGetSavegameReaderListener,
                              public tesmaclient::IGetSavegameWriterListener,
                              public tesmaclient::IGetSavegameListListener,
                              public tesmaclient::IRemoveSavegameListener,
                              public tesmaclient::IGetNetworkTrafficListener {
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

    bool OnGetLoginDetails(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c) override;
    bool OnGetTesmaServer(unsigned int requestId, unsigned int a) override;
    bool OnGetSavegameReader(unsigned int requestId, unsigned int a, tesmaclient::SavegameReader* reader) override;
    bool OnGetSavegameWriter(unsigned int requestId, unsigned int a, tesmaclient::SavegameWriter* writer) override;
    bool OnGetSavegameList(unsigned int requestId, tesmaclient::SavegameInfo* savegames, unsigned int count) override;
    bool OnRemoveSavegame(unsigned int requestId, unsigned int a) override;
    bool OnGetNetworkTraffic(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c,
                             unsigned int d) override;

private:
    CallbackAdapter(tesmaclient_client& owner, std::uint64_t key, Callback callback, void* user) noexcept
        : m_owner(owner), m_key(key), m_callback(callback), m_user(user)
    {
    }

    // Leaves the table and frees this adapter; gives the callback, as its
    // type, and the user pointer to call it with.
    template <typename Function>
    Function Retire(void*& user) noexcept;

    tesmaclient_client& m_owner;
    const std::uint64_t m_key;
    const Callback m_callback;
    void* const m_user;
};

} // namespace capi
} // namespace kz
