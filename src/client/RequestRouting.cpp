// The seven asynchronous requests and the launcher's answers to them, one
// request method and one answer per entry of KZ_REQUEST_KINDS.

#include "client/SavegameFactory.h"
#include "client/TesmaClientPimpl.h"

namespace kz {
namespace tesmaclient {

#define KZ_REQUEST_ROUTING(name, table, requestParameters, requestArguments, answerParameters, answerArguments) \
    void TesmaClient::name(unsigned int requestId, I##name##Listener* listener KZ_UNPAREN requestParameters)     \
        noexcept                                                                                                \
    {                                                                                                           \
        Pimpl& p = *m_pimpl;                                                                                    \
        p.Request(&EntryPoints::name, p.table, requestId, listener KZ_UNPAREN requestArguments);                \
    }                                                                                                           \
                                                                                                                \
    bool TesmaClient::Pimpl::On##name answerParameters noexcept                                                 \
    {                                                                                                           \
        LauncherAnswer answer(*this);                                                                           \
        tesmaclient::I##name##Listener* listener = nullptr;                                                     \
        if (!TakeAnswer(table, requestId, listener, answer) || listener == nullptr)                             \
            return false;                                                                                       \
        return listener->On##name answerArguments;                                                              \
    }
KZ_REQUEST_KINDS(KZ_REQUEST_ROUTING)
#undef KZ_REQUEST_ROUTING

} // namespace tesmaclient
} // namespace kz
