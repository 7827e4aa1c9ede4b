#include "kz/tesmaclient/TesmaClient.h"

#include "client/CallGuards.h"
#include "client/TesmaClientPimpl.h"
#include "text/InstallationErrorString.h"

#include "client/Exports.h"
#include "containers/Allocate.h"

#include <new>

namespace kz {
namespace tesmaclient {

TesmaClient::TesmaClient() noexcept : m_pimpl(common::New<Pimpl>())
{
    LauncherApi& api = LauncherApi::Instance();
    m_pimpl->Binding = api.AttachClient();
    if (api.GetInstallationError() == InstallationOk) {
        api.EnterCall();
        m_pimpl->Session = api.Functions().GetSession();
        api.LeaveCall();
    }
}

TesmaClient::~TesmaClient() noexcept
{
    Pimpl* pimpl = m_pimpl;
    m_pimpl = nullptr;
    LauncherApi& api = LauncherApi::Instance();
    pimpl->ForgetWaiting();
    // With answers still owed, the Pimpl stays until they came or the library goes.
    const bool destroyNow = api.Retire(*pimpl);
    api.DetachClient();
    if (destroyNow)
        common::Delete(pimpl);
}

void ClientInternals::SetListenerOwner(TesmaClient& client, IListenerOwner& owner) noexcept
{
    client.m_pimpl->Owner = &owner;
}

namespace abi {

// The exported constructor. MSVC's callers take the object's address back in
// EAX, so this returns it; GCC's constructors return nothing.
TesmaClient* KZ_THISCALL ConstructTesmaClient(TesmaClient* self) noexcept
{
    return new (self) TesmaClient();
}

} // namespace abi

void TesmaClient::Update() noexcept
{
    Forward(LauncherCall::ForSession(m_pimpl->Session), &EntryPoints::Update);
}

unsigned int TesmaClient::GetRequestUniqueId() noexcept
{
    return ForwardOr(0xFFFFFFFFu, LauncherCall::ForSession(m_pimpl->Session), &EntryPoints::GetRequestUniqueId);
}

bool TesmaClient::StartLauncher(unsigned int a, unsigned int b, const char* c, const char* d) noexcept
{
    return ForwardOr(false, LauncherCall::ForSession(m_pimpl->Session), &EntryPoints::StartLauncher, a, b, c, d);
}

void TesmaClient::StartProcess(unsigned short* a, unsigned short* b, unsigned short* c) noexcept
{
    Forward(LauncherCall::ForSession(m_pimpl->Session), &EntryPoints::StartProcess, a, b, c);
}

const unsigned short* TesmaClient::GetLocText(const unsigned short* key, const char* locale) noexcept
{
    return ForwardOr(key, LauncherCall::ForSession(m_pimpl->Session), &EntryPoints::GetLocText, key, locale);
}

unsigned int TesmaClient::GetInstallationErrorNum() noexcept
{
    return LauncherApi::Instance().GetInstallationError();
}

unsigned short* TesmaClient::GetInstallationErrorString(const char* locale) noexcept
{
    // The exported signature is not const; the text is read-only all the same.
    return const_cast<unsigned short*>(
        text::ComposeInstallationErrorString(LauncherApi::Instance().GetInstallationError(), locale));
}

} // namespace tesmaclient
} // namespace kz
