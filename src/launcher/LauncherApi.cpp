#include "launcher/LauncherApi.h"

#include "containers/Allocate.h"

namespace kz {

namespace {

// Constant-initialised, so usable before any constructor of the library runs.
std::atomic<LauncherApi*> g_instance{nullptr};
SpinLock g_instanceLock;

} // namespace

LauncherApi& LauncherApi::Instance() noexcept
{
    LauncherApi* instance = g_instance.load(std::memory_order_acquire);
    if (instance != nullptr)
        return *instance;
    SpinLock::Guard guard(g_instanceLock);
    instance = g_instance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
        instance = common::New<LauncherApi>(PlatformSystemCalls());
        g_instance.store(instance, std::memory_order_release);
    }
    return *instance;
}

LauncherApi::LauncherApi(const SystemCalls& calls) noexcept : m_system(calls)
{
    m_module = Bind();
}

void* LauncherApi::Bind() noexcept
{
    m_installationError.store(InstallationOk, std::memory_order_relaxed);
    m_functions = EntryPoints();

    text::UnicodeString path = ReadLauncherInstallDir(m_system);
    if (path.GetLength() == 0) {
        m_installationError.store(InstallationNoDirectory, std::memory_order_relaxed);
        return nullptr;
    }

    // Appended as it stands: a directory ending in a separator gives two. The
    // name is ASCII, so its characters are its code points.
    for (const char* c = "\\dovtesmaapi_r2.dll"; *c != 0; ++c)
        path.AppendCodePoint(static_cast<unsigned char>(*c));
    void* module = m_system.LoadModule(path.GetUtf16());
    if (module == nullptr) {
        m_installationError.store(InstallationNotLoadable, std::memory_order_relaxed);
        return nullptr;
    }

    // Every name is looked up, also after one was missing.
    bool complete = true;
#define KZ_BIND_ENTRY_POINT(field, name, result, parameters)                                                \
    m_functions.field = reinterpret_cast<decltype(m_functions.field)>(m_system.FindSymbol(module, name));  \
    complete = complete && m_functions.field != nullptr;
    KZ_LAUNCHER_ENTRY_POINTS(KZ_BIND_ENTRY_POINT)
#undef KZ_BIND_ENTRY_POINT

    if (!complete)
        m_installationError.store(InstallationIncomplete, std::memory_order_relaxed);
    return module;
}

void LauncherApi::Release() noexcept
{
    if (m_module == nullptr)
        return;
    m_system.ReleaseModule(m_module);
    m_module = nullptr;
    m_functions = EntryPoints();
    m_releasedAfterLoad = true;
}

std::uint32_t LauncherApi::AttachClient() noexcept
{
    SpinLock::Guard guard(m_lock);
    if (m_clients == 0) {
        if (m_releasePending.load()) {
            if (m_inProgress.load() == 0)
                ReleaseNow();
            else
                m_releasePending.store(false); // still running further up: keep what is loaded
        }
        if (m_releasedAfterLoad && m_module == nullptr) {
            m_releasedAfterLoad = false;
            m_module = Bind();
        }
    }
    ++m_clients;
    return m_binding.load();
}

void LauncherApi::DetachClient(RetiredObject* retired) noexcept
{
    SpinLock::Guard guard(m_lock);
    if (retired != nullptr) {
        retired->NextRetired = m_retired;
        m_retired = retired;
    }
    if (m_clients == 0 || --m_clients != 0)
        return;
    // Save-game objects of the binding that ends go quiet from here on.
    m_binding.fetch_add(1);
    // Published before the calls in progress are read, so that a call ending
    // meanwhile either sees the release pending or is seen here.
    m_releasePending.store(true);
    if (m_inProgress.load() == 0)
        ReleaseNow();
}

void LauncherApi::ReleaseWhenIdle() noexcept
{
    SpinLock::Guard guard(m_lock);
    if (m_releasePending.load() && m_clients == 0 && m_inProgress.load() == 0)
        ReleaseNow();
}

void LauncherApi::ReleaseNow() noexcept
{
    m_releasePending.store(false);
    Release();
    // Nothing of the library is left to call what was kept for it.
    while (m_retired != nullptr) {
        RetiredObject* retired = m_retired;
        m_retired = retired->NextRetired;
        retired->DestroyRetired(retired);
    }
}

} // namespace kz
