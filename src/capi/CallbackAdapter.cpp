#include "capi/CallbackAdapter.h"

#include "containers/Allocate.h"

namespace kz {
namespace capi {

namespace {

std::uint64_t KeyOf(RequestKind kind, unsigned int requestId) noexcept
{
    return std::uint64_t(kind) << 32 | requestId;
}

// The save-game objects as the C interface names them: the same objects.
tesmaclient_reader* AsC(tesmaclient::SavegameReader* reader) noexcept
{
    return reinterpret_cast<tesmaclient_reader*>(reader);
}

tesmaclient_writer* AsC(tesmaclient::SavegameWriter* writer) noexcept
{
    return reinterpret_cast<tesmaclient_writer*>(writer);
}

tesmaclient_savegame_list* AsC(tesmaclient::SavegameInfo* list) noexcept
{
    return reinterpret_cast<tesmaclient_savegame_list*>(list);
}

} // namespace

CallbackAdapter* CallbackAdapter::File(tesmaclient_client& owner, RequestKind kind, unsigned int requestId,
                                       Callback callback, void* user) noexcept
{
    const std::uint64_t key = KeyOf(kind, requestId);
    CallbackAdapter* replaced = nullptr;
    if (owner.Adapters.Find(key, replaced)) {
        owner.Adapters.Remove(key);
        common::Delete(replaced);
    }
    if (callback == nullptr)
        return nullptr;
    CallbackAdapter* adapter = common::New<CallbackAdapter>(CallbackAdapter(owner, key, callback, user));
    owner.Adapters.Insert(key, adapter);
    return adapter;
}

void CallbackAdapter::FreeAll(tesmaclient_client& owner) noexcept
{
    for (unsigned int i = 0; i < owner.Adapters.SlotCount(); ++i) {
        const auto& slot = owner.Adapters.Slot(i);
        if (slot.Used)
            common::Delete(slot.Value);
    }
}

template <typename Function>
Function CallbackAdapter::Retire(void*& user) noexcept
{
    const Function function = reinterpret_cast<Function>(m_callback);
    user = m_user;
    m_owner.Adapters.Remove(m_key);
    common::Delete(this);
    return function;
}

bool CallbackAdapter::OnGetLoginDetails(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c)
{
    void* user;
    const tesmaclient_login_details_callback callback = Retire<tesmaclient_login_details_callback>(user);
    return callback(user, requestId, a, b, c) != 0;
}

bool CallbackAdapter::OnGetTesmaServer(unsigned int requestId, unsigned int a)
{
    void* user;
    const tesmaclient_tesma_server_callback callback = Retire<tesmaclient_tesma_server_callback>(user);
    return callback(user, requestId, a) != 0;
}

bool CallbackAdapter::OnGetSavegameReader(unsigned int requestId, unsigned int a, tesmaclient::SavegameReader* reader)
{
    void* user;
    const tesmaclient_savegame_reader_callback callback = Retire<tesmaclient_savegame_reader_callback>(user);
    return callback(user, requestId, a, AsC(reader)) != 0;
}

bool CallbackAdapter::OnGetSavegameWriter(unsigned int requestId, unsigned int a, tesmaclient::SavegameWriter* writer)
{
    void* user;
    const tesmaclient_savegame_writer_callback callback = Retire<tesmaclient_savegame_writer_callback>(user);
    return callback(user, requestId, a, AsC(writer)) != 0;
}

bool CallbackAdapter::OnGetSavegameList(unsigned int requestId, tesmaclient::SavegameInfo* savegames,
                                        unsigned int count)
{
    void* user;
    const tesmaclient_savegame_list_callback callback = Retire<tesmaclient_savegame_list_callback>(user);
    return callback(user, requestId, AsC(savegames), count) != 0;
}

bool CallbackAdapter::OnRemoveSavegame(unsigned int requestId, unsigned int a)
{
    void* user;
    const tesmaclient_remove_savegame_callback callback = Retire<tesmaclient_remove_savegame_callback>(user);
    return callback(user, requestId, a) != 0;
}

bool CallbackAdapter::OnGetNetworkTraffic(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c,
                                          unsigned int d)
{
    void* user;
    const tesmaclient_network_traffic_callback callback = Retire<tesmaclient_network_traffic_callback>(user);
    return callback(user, requestId, a, b, c, d) != 0;
}

} // namespace capi
} // namespace kz
