#pragma once

#include "kz/tesmaclient/TesmaClient.h"
#include "launcher/Handles.h"

namespace kz {
namespace tesmaclient {

// The client's state behind its one pointer.
class TesmaClient::Pimpl {
public:
    // Set once by the client's constructor; 0 when there is no session.
    SessionHandle Session = 0;
};

} // namespace tesmaclient
} // namespace kz
