#include "launcher/LauncherApi.h"

#include "launcher/Utf16Literal.h"

namespace kz {

LauncherApi& LauncherApi::Instance()
{
    // A failed allocation leaves the static uninitialised, so the next call
    // tries again; the initialisation is also safe against concurrent first use.
    static LauncherApi* const instance = new LauncherApi(PlatformSystemCalls());
    return *instance;
}

LauncherApi::LauncherApi(const SystemCalls& calls) : m_calls(calls)
{
    m_module = Bind();
}

void* LauncherApi::Bind()
{
    m_installationError = InstallationOk;
    m_functions = EntryPoints();

    text::UnicodeString path = ReadLauncherInstallDir(m_calls);
    if (path == text::UnicodeString()) {
        m_installationError = InstallationNoDirectory;
        return nullptr;
    }

    // Appended as it stands: a directory ending in a separator gives two.
    path += text::UnicodeString(Utf16(u"\\dovtesmaapi_r2.dll"));
    void* module = m_calls.LoadModule(path.GetUtf16());
    if (module == nullptr) {
        m_installationError = InstallationNotLoadable;
        return nullptr;
    }

    // Every name is looked up, also after one was missing.
    bool complete = true;
#define KZ_BIND_ENTRY_POINT(field, name, result, parameters)                                                \
    m_functions.field = reinterpret_cast<decltype(m_functions.field)>(m_calls.FindSymbol(module, name));   \
    complete = complete && m_functions.field != nullptr;
    KZ_LAUNCHER_ENTRY_POINTS(KZ_BIND_ENTRY_POINT)
#undef KZ_BIND_ENTRY_POINT

    if (!complete)
        m_installationError = InstallationIncomplete;
    return module;
}

void LauncherApi::Release()
{
    if (m_module == nullptr)
        return;
    m_calls.ReleaseModule(m_module);
    m_module = nullptr;
    m_functions = EntryPoints();
    m_releasedAfterLoad = true;
}

void LauncherApi::AttachClient()
{
    if (m_releasedAfterLoad) {
        m_releasedAfterLoad = false;
        m_module = Bind();
    }
    ++m_clients;
}

void LauncherApi::DetachClient()
{
    if (m_clients == 0)
        return;
    if (--m_clients == 0)
        Release();
}

} // namespace kz
