#pragma once

#include "kz/tesmaclient/TesmaClient.h"
#include "kz/tesmaclient/tesmaclient_c.h"

#include "containers/HashTable.h"
#include "launcher/RequestKinds.h"

#include <cstdint>

namespace kz {
namespace capi {

class CallbackAdapter;

// The seven kinds of request, as part of an adapter's key: each named as the
// client state's table of its kind.
enum RequestKind : std::uint32_t {
#define KZ_CAPI_REQUEST_KIND(name, table, ...) table,
    KZ_REQUEST_KINDS(KZ_CAPI_REQUEST_KIND)
#undef KZ_CAPI_REQUEST_KIND
};

} // namespace capi
} // namespace kz

// A C client: the C++ client, and the adapters that stand as its listeners,
// one per request still pending, filed under its kind and number. Each adapter
// leaves the table before its callback runs; the client's destruction ends the
// C++ client first, after which no answer reaches a listener, and then frees
// the adapters left: those of answers never coming, or coming to nobody.
struct tesmaclient_client {
    using AdapterTable = kz::common::HashTable<std::uint64_t, kz::capi::CallbackAdapter*,
                                               kz::common::StandardHashHelper<std::uint64_t>>;

    tesmaclient_client() noexcept;
    ~tesmaclient_client();
    tesmaclient_client(const tesmaclient_client&) = delete;
    tesmaclient_client& operator=(const tesmaclient_client&) = delete;

    kz::tesmaclient::TesmaClient* Client;
    AdapterTable Adapters;
};
