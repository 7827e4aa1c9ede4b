#include "capi/CallbackAdapter.h"

#include "containers/Allocate.h"

namespace kz {
namespace capi {

namespace {

std::uint64_t KeyOf(RequestKind kind, unsigned int requestId) noexcept
{
    return std::uint64_t(kind) << 32 | requestId;
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

} // namespace capi
} // namespace kz
