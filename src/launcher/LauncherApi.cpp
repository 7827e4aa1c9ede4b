#include "launcher/LauncherApi.h"

#include "containers/Allocate.h"
#include "launcher/ReadLauncherInstallDir.h"

#if defined(_WIN64)
#include "launcher/hosted/HostedLauncher.h"
#endif

namespace kz {

namespace {

// Constant-initialised, so usable before any constructor of the library runs.
std::atomic<LauncherApi*> g_instance{nullptr};

void DestroyAll(Retained* retired) noexcept
{
    while (retired != nullptr) {
        Retained* next = retired->NextRetained;
        retired->Destroy(retired);
        retired = next;
    }
}

} // namespace

LauncherApi& LauncherApi::Instance() noexcept
{
    LauncherApi* instance = g_instance.load(std::memory_order_acquire);
    if (instance == nullptr) {
        // Racing threads may each make one; all but the first published go.
        LauncherApi* made = new (common::Allocate(sizeof(LauncherApi))) LauncherApi(PlatformSystemCalls(), Deferred{});
        if (g_instance.compare_exchange_strong(instance, made, std::memory_order_acq_rel))
            instance = made;
        else
            common::Delete(made);
    }
    if (!instance->m_boundOnce.load(std::memory_order_acquire)) {
        BlockingLock::Guard guard(instance->m_lock);
        instance->BindOnce();
    }
    return *instance;
}

LauncherApi* LauncherApi::Existing() noexcept
{
    return g_instance.load(std::memory_order_acquire);
}

LauncherApi::LauncherApi(const SystemCalls& calls) noexcept : m_system(calls)
{
    m_module = Bind(m_record);
    m_state = State::Bound;
    m_boundOnce.store(true);
}

LauncherApi::LauncherApi(const SystemCalls& calls, Deferred) noexcept : m_system(calls) {}

void* LauncherApi::Bind(BindingRecord& record) noexcept
{
    m_functions = EntryPoints();
    m_answeredOnOwnThread.store(false);
    record = BindingRecord();
    void* module = LoadAndBind(record);
    m_installationError.store(record.InstallationError, std::memory_order_relaxed);
    return module;
}

void* LauncherApi::LoadAndBind(BindingRecord& record) noexcept
{
#if defined(_WIN64)
    // The launcher's library is 32-bit: our host process binds it for us.
    return hosted::Bind(record, m_functions, m_texts);
#else
    text::UnicodeString path = ReadLauncherInstallDir(m_system, &record.DirectoryState);
    if (path.GetLength() == 0) {
        record.InstallationError = InstallationNoDirectory;
        return nullptr;
    }
    record.Directory = m_texts.Intern(path.GetUtf16());

    // Appended as it stands: a directory ending in a separator gives two. The
    // name is ASCII, so its characters are its code points.
    for (const char* c = "\\dovtesmaapi_r2.dll"; *c != 0; ++c)
        path.AppendCodePoint(static_cast<unsigned char>(*c));
    record.LibraryPath = m_texts.Intern(path.GetUtf16());
    void* module = m_system.LoadModule(record.LibraryPath);
    if (module == nullptr) {
        record.LoadError = m_system.LastLoadError();
        record.InstallationError = InstallationNotLoadable;
        return nullptr;
    }

    // Every name is looked up, also after one was missing; the first missing
    // one is reported.
    const char* missing = nullptr;
#define KZ_BIND_ENTRY_POINT(field, name, result, parameters)                                                \
    m_functions.field = reinterpret_cast<decltype(m_functions.field)>(m_system.FindSymbol(module, name));  \
    if (m_functions.field == nullptr && missing == nullptr)                                                 \
        missing = name;
    KZ_LAUNCHER_ENTRY_POINTS(KZ_BIND_ENTRY_POINT)
#undef KZ_BIND_ENTRY_POINT

    if (missing != nullptr) {
        record.MissingEntryPoint = missing;
        record.InstallationError = InstallationIncomplete;
    }
    return module;
#endif
}

void LauncherApi::BindOnce() noexcept
{
    while (m_state == State::Binding)
        m_lock.Wait();
    if (m_state == State::NeverBound)
        BindUnlocked();
}

void LauncherApi::BindUnlocked() noexcept
{
    // Nobody reads the table meanwhile: no client lives, and those that come
    // wait for the state to change.
    m_state = State::Binding;
    void* module;
    BindingRecord record;
    {
        BlockingLock::Unguard unlocked(m_lock);
        module = Bind(record);
    }
    m_module = module;
    m_record = record;
    m_state = State::Bound;
    m_boundOnce.store(true, std::memory_order_release);
    m_lock.WakeAll();
}

void LauncherApi::HostLost(const unsigned short* hostPath, std::uint32_t error) noexcept
{
    BlockingLock::Guard guard(m_lock);
    m_record.InstallationError = InstallationNotLoadable;
    m_record.LibraryPath = hostPath;
    m_record.LoadError = error;
    m_installationError.store(InstallationNotLoadable, std::memory_order_relaxed);
}

BindingRecord LauncherApi::Diagnostics() noexcept
{
    BlockingLock::Guard guard(m_lock);
    return m_record;
}

void LauncherApi::Release() noexcept
{
    BlockingLock::Guard guard(m_lock);
    if (m_module != nullptr)
        ReleaseUnlocked();
}

std::uint32_t LauncherApi::AttachClient() noexcept
{
    BlockingLock::Guard guard(m_lock);
    BindOnce();
    for (;;) {
        if (m_state == State::Binding || m_state == State::Releasing)
            m_lock.Wait();
        else if (m_state == State::Released && m_clients == 0)
            BindUnlocked();
        else
            break;
    }
    // A binding that ended but is still loaded is taken up again.
    if (m_clients == 0)
        m_releasePending.store(false);
    ++m_clients;
    return m_binding.load();
}

void LauncherApi::DetachClient() noexcept
{
    BlockingLock::Guard guard(m_lock);
    if (m_clients == 0 || --m_clients != 0)
        return;
    // Save-game objects of the binding that ends go quiet from here on.
    m_binding.fetch_add(1);
    // Published before the calls in progress are read, so that a call ending
    // meanwhile either sees the release pending or is seen here.
    m_releasePending.store(true);
    ReleaseIfIdle();
}

void LauncherApi::ReleaseAfterLastCall() noexcept
{
    BlockingLock::Guard guard(m_lock);
    ReleaseIfIdle();
}

void LauncherApi::BeginAnswer(OwedAnswers& answers, RunningAnswer& running) noexcept
{
    ++answers.Running;
    running = RunningAnswer{&answers, t_running};
    t_running = &running;
}

void LauncherApi::EndAnswer(OwedAnswers& answers, RunningAnswer& running) noexcept
{
    t_running = running.Outer;
    bool destroy;
    {
        BlockingLock::Guard guard(answers.Lock);
        --answers.Running;
        // The owner may be waiting for this answer.
        if (answers.Retiring)
            answers.Lock.WakeAll();
        if (!answers.Retired)
            return;
        destroy = answers.Running == 0 && answers.Owed == 0;
        if (destroy && answers.Listed) {
            BlockingLock::Guard listGuard(m_lock);
            Unlist(answers);
        }
    }
    if (destroy)
        answers.Destroy(&answers);
}

bool LauncherApi::Retire(OwedAnswers& answers) noexcept
{
    BlockingLock::Guard guard(answers.Lock);
    answers.Retiring = true;
    // Answers running on this thread enclose this call: they end after it.
    std::uint32_t here = 0;
    for (const RunningAnswer* running = t_running; running != nullptr; running = running->Outer)
        here += running->Answers == &answers;
    while (answers.Running > here)
        answers.Lock.Wait();
    if (answers.Owed != 0) {
        // Listed under the object's lock, so that its last answer finds it listed.
        BlockingLock::Guard listGuard(m_lock);
        List(answers);
    }
    // From here on the last answer destroys it, unless the caller does now.
    answers.Retired = true;
    return answers.Owed == 0 && answers.Running == 0;
}

void LauncherApi::List(Retained& kept) noexcept
{
    kept.PrevRetained = nullptr;
    kept.NextRetained = m_retired;
    if (m_retired != nullptr)
        m_retired->PrevRetained = &kept;
    m_retired = &kept;
    kept.Listed = true;
}

void LauncherApi::Unlist(Retained& kept) noexcept
{
    if (kept.PrevRetained != nullptr)
        kept.PrevRetained->NextRetained = kept.NextRetained;
    else
        m_retired = kept.NextRetained;
    if (kept.NextRetained != nullptr)
        kept.NextRetained->PrevRetained = kept.PrevRetained;
    kept.Listed = false;
}

void LauncherApi::Retain(Retained& kept) noexcept
{
    BlockingLock::Guard guard(m_lock);
    List(kept);
}

void LauncherApi::Unretain(Retained& kept) noexcept
{
    BlockingLock::Guard guard(m_lock);
    Unlist(kept);
}

void LauncherApi::ReleaseIfIdle() noexcept
{
    if (!m_releasePending.load() || m_clients != 0 || m_inProgress.load() != 0 || m_answeredOnOwnThread.load())
        return;
    m_releasePending.store(false);
    if (m_module != nullptr)
        ReleaseUnlocked();
}

void LauncherApi::ReleaseUnlocked() noexcept
{
    void* module = m_module;
#if !defined(_WIN64)
    const unsigned short* path = m_record.LibraryPath;
#endif
    m_module = nullptr;
    m_functions = EntryPoints();
    m_state = State::Releasing;
    bool gone;
    {
        BlockingLock::Unguard unlocked(m_lock);
#if defined(_WIN64)
        // Nothing else holds the host: it ends here.
        hosted::Release(module);
        gone = true;
#else
        m_system.ReleaseModule(module);
        gone = !m_system.IsModuleLoaded(path);
#endif
    }
    // Nothing of the library is left to answer what was retired, unless
    // another reference (the game's own) keeps it loaded: then the retired
    // stay listed, and their last answers, meanwhile or later, unlist them.
    Retained* retired = nullptr;
    if (gone) {
        retired = m_retired;
        m_retired = nullptr;
    }
    m_state = State::Released;
    m_lock.WakeAll();
    if (retired != nullptr) {
        BlockingLock::Unguard unlocked(m_lock);
        DestroyAll(retired);
    }
}

} // namespace kz
