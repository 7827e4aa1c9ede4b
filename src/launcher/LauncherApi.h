#pragma once

#include "launcher/EntryPoints.h"
#include "launcher/SpinLock.h"
#include "launcher/SystemCalls.h"
#include "text/UnicodeString.h"

#include <atomic>
#include <cstdint>

namespace kz {

// Installation error numbers.
enum InstallationErrorNumber : std::uint32_t {
    InstallationOk = 0,         // all entry points bound
    InstallationNoDirectory = 1, // no installation directory in the registry
    InstallationNotLoadable = 2, // the launcher library failed to load
    InstallationIncomplete = 3,  // the library lacks at least one entry point
};

// Reads HKEY_LOCAL_MACHINE "SOFTWARE\Dovrix\Launcher" value "InstallDir";
// the empty text when there is no usable REG_SZ value.
text::UnicodeString ReadLauncherInstallDir(const SystemCalls& calls);

// An object the launcher library may still call after its owner let go of it
// (a destroyed client with requests outstanding): kept until the library is
// released, then destroyed.
struct RetiredObject {
    RetiredObject* NextRetired = nullptr;
    void (*DestroyRetired)(RetiredObject*) = nullptr;
};

// The process's binding of the launcher library: its module handle, the
// installation error number and the table of entry points.
//
// Lifetime. Clients are counted. The library stays loaded while any client
// lives; when the last one goes, the binding ends: save-game objects made
// under it go quiet at once (their binding number is no longer current), and
// the library is freed as soon as no call into it is in progress. Every call
// into the library and every answer out of it is counted while it runs, on
// any thread, so a client destroyed from inside a listener leaves the release
// to the entry-point call that delivered the answer, when it returns. An answer
// that came on the launcher's own thread returns into the launcher, so its
// release waits for the next client, which binds anew; if calls are still in
// progress then, the new client carries on with the library that is loaded.
// A listener that leaves by an exception skips the count's decrement: the
// library then stays loaded until the process ends, which is harmless.
//
// Threads. Clients may come and go on several threads at once: the count, the
// release and the binding are guarded by a spin lock, which is never held
// while the launcher's code runs. The calls in progress are counted with
// atomic operations; the number of the current binding is published the same
// way, so that a save-game object racing with the last client's destruction
// either sees the binding ended or holds the release off.
class LauncherApi {
public:
    // The process-wide binding, created and bound on first use. Exhausted
    // memory ends in FatalError.
    static LauncherApi& Instance() noexcept;

    // Binds at once with the given system calls.
    explicit LauncherApi(const SystemCalls& calls) noexcept;

    std::uint32_t GetInstallationError() const noexcept
    {
        return m_installationError.load(std::memory_order_relaxed);
    }
    // Read by the forwards of live clients, whose binding cannot end under them.
    const EntryPoints& Functions() const noexcept { return m_functions; }
    void* Module() const noexcept { return m_module; }

    // Frees the launcher library if one is loaded and clears the entry points.
    void Release() noexcept;

    // A client starts using the binding: binds again first if the library was
    // released after having been loaded. Returns the number of the binding the
    // client belongs to.
    std::uint32_t AttachClient() noexcept;
    // A client is done; the last one ends the binding. retired, if given, is
    // kept until the library is released.
    void DetachClient(RetiredObject* retired = nullptr) noexcept;

    // A call into the library begins or ends. The end of the last call frees
    // the library when the binding ended meanwhile.
    void EnterCall() noexcept { m_inProgress.fetch_add(1); }
    void LeaveCall() noexcept
    {
        if (m_inProgress.fetch_sub(1) == 1 && m_releasePending.load())
            ReleaseWhenIdle();
    }
    // Enters a call only while binding is the current one.
    bool EnterCallUnder(std::uint32_t binding) noexcept
    {
        EnterCall();
        if (m_binding.load() == binding)
            return true;
        LeaveCall();
        return false;
    }
    // An answer from the library ends. It returns into the library's code, so
    // it never frees the library itself.
    void LeaveAnswer() noexcept { m_inProgress.fetch_sub(1); }

private:
    LauncherApi(const LauncherApi&) = delete;
    LauncherApi& operator=(const LauncherApi&) = delete;

    // Loads the library and binds every entry point, setting the error number.
    // Returns the module handle, or null.
    void* Bind() noexcept;
    void ReleaseWhenIdle() noexcept;
    // With the lock held: frees the library and what was retired with it.
    void ReleaseNow() noexcept;

    const SystemCalls& m_system;
    SpinLock m_lock;
    void* m_module = nullptr;
    std::atomic<std::uint32_t> m_installationError{InstallationOk};
    EntryPoints m_functions;
    unsigned int m_clients = 0;
    bool m_releasedAfterLoad = false;
    RetiredObject* m_retired = nullptr;
    std::atomic<std::uint32_t> m_binding{0};
    std::atomic<unsigned int> m_inProgress{0};
    std::atomic<bool> m_releasePending{false};
};

} // namespace kz
