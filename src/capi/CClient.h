#pragma once

#include "kz/tesmaclient/TesmaClient.h"
#include "kz/tesmaclient/tesmaclient_c.h"

// A C client: the C++ client, whose listeners are adapters made per request
// (CallbackAdapter.h).
struct tesmaclient_client {
    tesmaclient_client() noexcept;
    ~tesmaclient_client();
    tesmaclient_client(const tesmaclient_client&) = delete;
    tesmaclient_client& operator=(const tesmaclient_client&) = delete;

    kz::tesmaclient::TesmaClient* Client;
};
