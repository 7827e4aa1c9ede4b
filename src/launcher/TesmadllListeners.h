#pragma once

#include "launcher/Handles.h"
#include "launcher/RequestKinds.h"

// The interfaces through which the launcher library answers asynchronous
// requests. The client's private implementation implements all seven; the
// launcher calls the one method of each on the pointer it was given.
//
// Invariants: the launcher's layout, one class per request kind in the order
// of KZ_REQUEST_KINDS, each with its one pure virtual method and nothing else.

namespace kz {
namespace tesmadll {

#define KZ_TESMADLL_LISTENER(name, table, requestParameters, requestArguments, answerParameters, answerArguments) \
    class I##name##Listener {                                                                                   \
    public:                                                                                                     \
        virtual bool On##name answerParameters noexcept = 0;                                                    \
    };
KZ_REQUEST_KINDS(KZ_TESMADLL_LISTENER)
#undef KZ_TESMADLL_LISTENER

} // namespace tesmadll
} // namespace kz
