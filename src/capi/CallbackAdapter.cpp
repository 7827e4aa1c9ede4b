#include "capi/CallbackAdapter.h"

#include "containers/Allocate.h"

namespace kz {
namespace capi {

namespace {

// Frees the adapters that their C++ client will never call.
class AdapterOwner final : public tesmaclient::IListenerOwner {
public:
#define KZ_CAPI_FORGET(name, ...)                                                                              \
    void Forget(tesmaclient::I##name##Listener* listener) noexcept override                                    \
    {                                                                                                          \
        common::Delete(static_cast<CallbackAdapter*>(static_cast<name##Adapter*>(listener)));                  \
    }
    KZ_REQUEST_KINDS(KZ_CAPI_FORGET)
#undef KZ_CAPI_FORGET
};

AdapterOwner g_owner;

} // namespace

CallbackAdapter* CallbackAdapter::Make(Callback callback, void* user) noexcept
{
    return callback != nullptr ? common::New<CallbackAdapter>(CallbackAdapter(callback, user)) : nullptr;
}

tesmaclient::IListenerOwner& CallbackAdapter::Owner() noexcept
{
    return g_owner;
}

} // namespace capi
} // namespace kz
