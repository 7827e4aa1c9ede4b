#pragma once

#include "kz/tesmaclient/TesmaClient.h"
#include "launcher/RequestKinds.h"

// What the library's C interface reaches inside a C++ client: an owner told of
// the listeners that the client will never call.
//
// Invariants: the owner is told of each such listener once, under the
// client's own lock and never while a listener runs: when a later request
// under its number replaces it, when its request is dropped, and when the
// client's state goes with the listener still waiting.

namespace kz {
namespace tesmaclient {

class IListenerOwner {
public:
#define KZ_LISTENER_OWNER_FORGET(name, ...) virtual void Forget(I##name##Listener* listener) noexcept = 0;
    KZ_REQUEST_KINDS(KZ_LISTENER_OWNER_FORGET)
#undef KZ_LISTENER_OWNER_FORGET

protected:
    ~IListenerOwner() = default;
};

class ClientInternals {
public:
    // Set right after construction, before the first request.
    static void SetListenerOwner(TesmaClient& client, IListenerOwner& owner) noexcept;
};

} // namespace tesmaclient
} // namespace kz
