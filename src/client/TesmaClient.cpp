#include "kz/tesmaclient/TesmaClient.h"

#include "client/Forward.h"
#include "client/TesmaClientPimpl.h"
#include "text/InstallationErrorString.h"

#include <memory>

namespace kz {
namespace tesmaclient {

TesmaClient::TesmaClient() : m_pimpl(nullptr)
{
    // Owned locally until the binding is taken, so a failure there loses nothing.
    std::unique_ptr<Pimpl> pimpl(new Pimpl());
    LauncherApi& api = LauncherApi::Instance();
    api.AttachClient();
    if (api.GetInstallationError() == InstallationOk)
        pimpl->Session = api.Functions().GetSession();
    m_pimpl = pimpl.release();
}

TesmaClient::~TesmaClient()
{
    LauncherApi::Instance().DetachClient();
    delete m_pimpl;
}

void TesmaClient::Update()
{
    Forward(m_pimpl->Session, &EntryPoints::Update);
}

unsigned int TesmaClient::GetRequestUniqueId()
{
    return ForwardOr(0xFFFFFFFFu, m_pimpl->Session, &EntryPoints::GetRequestUniqueId);
}

bool TesmaClient::StartLauncher(unsigned int a, unsigned int b, const char* c, const char* d)
{
    return ForwardOr(false, m_pimpl->Session, &EntryPoints::StartLauncher, a, b, c, d);
}

void TesmaClient::StartProcess(unsigned short* a, unsigned short* b, unsigned short* c)
{
    Forward(m_pimpl->Session, &EntryPoints::StartProcess, a, b, c);
}

const unsigned short* TesmaClient::GetLocText(const unsigned short* key, const char* locale)
{
    return ForwardOr(key, m_pimpl->Session, &EntryPoints::GetLocText, key, locale);
}

unsigned int TesmaClient::GetInstallationErrorNum()
{
    return LauncherApi::Instance().GetInstallationError();
}

unsigned short* TesmaClient::GetInstallationErrorString(const char* locale)
{
    // The exported signature is not const; the text is read-only all the same.
    return const_cast<unsigned short*>(
        text::ComposeInstallationErrorString(LauncherApi::Instance().GetInstallationError(), locale));
}

} // namespace tesmaclient
} // namespace kz
