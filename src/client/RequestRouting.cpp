// The seven asynchronous requests and the launcher's answers to them.

#include "client/SavegameFactory.h"
#include "client/TesmaClientPimpl.h"

namespace kz {
namespace tesmaclient {

void TesmaClient::GetLoginDetails(unsigned int requestId, IGetLoginDetailsListener* listener) noexcept
{
    Pimpl& p = *m_pimpl;
    p.Request(&EntryPoints::GetLoginDetails, p.LoginDetails, requestId, listener,
              static_cast<tesmadll::IGetLoginDetailsListener*>(&p));
}

void TesmaClient::GetTesmaServer(unsigned int requestId, IGetTesmaServerListener* listener, unsigned int a,
                                 unsigned int b) noexcept
{
    Pimpl& p = *m_pimpl;
    p.Request(&EntryPoints::GetTesmaServer, p.TesmaServer, requestId, listener,
              static_cast<tesmadll::IGetTesmaServerListener*>(&p), a, b);
}

void TesmaClient::GetSavegameReader(unsigned int requestId, IGetSavegameReaderListener* listener, unsigned int a,
                                    unsigned int b) noexcept
{
    Pimpl& p = *m_pimpl;
    p.Request(&EntryPoints::GetSavegameReader, p.SavegameReader, requestId, listener,
              static_cast<tesmadll::IGetSavegameReaderListener*>(&p), a, b);
}

void TesmaClient::GetSavegameWriter(unsigned int requestId, IGetSavegameWriterListener* listener, unsigned int a,
                                    unsigned int b, bool flag) noexcept
{
    Pimpl& p = *m_pimpl;
    p.Request(&EntryPoints::GetSavegameWriter, p.SavegameWriter, requestId, listener,
              static_cast<tesmadll::IGetSavegameWriterListener*>(&p), a, b, flag);
}

void TesmaClient::GetSavegameList(unsigned int requestId, IGetSavegameListListener* listener, unsigned int a) noexcept
{
    Pimpl& p = *m_pimpl;
    p.Request(&EntryPoints::GetSavegameList, p.SavegameList, requestId, listener,
              static_cast<tesmadll::IGetSavegameListListener*>(&p), a);
}

void TesmaClient::RemoveSavegame(unsigned int requestId, IRemoveSavegameListener* listener, unsigned int a,
                                 unsigned int b) noexcept
{
    Pimpl& p = *m_pimpl;
    p.Request(&EntryPoints::RemoveSavegame, p.RemoveSavegame, requestId, listener,
              static_cast<tesmadll::IRemoveSavegameListener*>(&p), a, b);
}

void TesmaClient::GetNetworkTraffic(unsigned int requestId, IGetNetworkTrafficListener* listener) noexcept
{
    Pimpl& p = *m_pimpl;
    p.Request(&EntryPoints::GetNetworkTraffic, p.NetworkTraffic, requestId, listener,
              static_cast<tesmadll::IGetNetworkTrafficListener*>(&p));
}

bool TesmaClient::Pimpl::OnGetLoginDetails(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c) noexcept
{
    const LauncherAnswer answer(*this);
    tesmaclient::IGetLoginDetailsListener* listener = nullptr;
    if (!TakeListener(answer, LoginDetails, requestId, listener))
        return false;
    return listener->OnGetLoginDetails(requestId, a, b, c);
}

bool TesmaClient::Pimpl::OnGetTesmaServer(unsigned int requestId, unsigned int a) noexcept
{
    const LauncherAnswer answer(*this);
    tesmaclient::IGetTesmaServerListener* listener = nullptr;
    if (!TakeListener(answer, TesmaServer, requestId, listener))
        return false;
    return listener->OnGetTesmaServer(requestId, a);
}

bool TesmaClient::Pimpl::OnGetSavegameReader(unsigned int requestId, unsigned int a, SavegameHandle reader) noexcept
{
    const LauncherAnswer answer(*this);
    tesmaclient::IGetSavegameReaderListener* listener = nullptr;
    if (!TakeListener(answer, SavegameReader, requestId, listener))
        return false;
    return listener->OnGetSavegameReader(requestId, a, SavegameFactory::NewReader(reader, Binding));
}

bool TesmaClient::Pimpl::OnGetSavegameWriter(unsigned int requestId, unsigned int a, SavegameHandle writer) noexcept
{
    const LauncherAnswer answer(*this);
    tesmaclient::IGetSavegameWriterListener* listener = nullptr;
    if (!TakeListener(answer, SavegameWriter, requestId, listener))
        return false;
    return listener->OnGetSavegameWriter(requestId, a, SavegameFactory::NewWriter(writer, Binding));
}

bool TesmaClient::Pimpl::OnGetSavegameList(unsigned int requestId, const void* list, unsigned int count) noexcept
{
    const LauncherAnswer answer(*this);
    tesmaclient::IGetSavegameListListener* listener = nullptr;
    if (!TakeListener(answer, SavegameList, requestId, listener))
        return false;
    return listener->OnGetSavegameList(requestId, SavegameFactory::NewList(list, count, Binding), count);
}

bool TesmaClient::Pimpl::OnRemoveSavegame(unsigned int requestId, unsigned int a) noexcept
{
    const LauncherAnswer answer(*this);
    tesmaclient::IRemoveSavegameListener* listener = nullptr;
    if (!TakeListener(answer, RemoveSavegame, requestId, listener))
        return false;
    return listener->OnRemoveSavegame(requestId, a);
}

bool TesmaClient::Pimpl::OnGetNetworkTraffic(unsigned int requestId, unsigned int a, unsigned int b, unsigned int c,
                                             unsigned int d) noexcept
{
    const LauncherAnswer answer(*this);
    tesmaclient::IGetNetworkTrafficListener* listener = nullptr;
    if (!TakeListener(answer, NetworkTraffic, requestId, listener))
        return false;
    return listener->OnGetNetworkTraffic(requestId, a, b, c, d);
}

} // namespace tesmaclient
} // namespace kz
