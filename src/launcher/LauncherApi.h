#pragma once

#include "launcher/BindingRecord.h"
#include "launcher/BlockingLock.h"
#include "launcher/EntryPoints.h"
#include "launcher/InternedTexts.h"
#include "launcher/OwedAnswers.h"
#include "launcher/SystemCalls.h"

#include <atomic>
#include <cstdint>

// The process's binding of the launcher library: its module handle, the
// installation error number and the table of entry points, the clients that
// keep it, and the bookkeeping that frees it only once nothing can run in it.
//
// Ownership. Instance() makes the process's one LauncherApi on first use and
// never destroys it. It holds the library's reference while one is loaded,
// keeps the texts of its records for its whole life, and owns each retired
// OwedAnswers listed in it.
//
// Lifetime. Clients are counted. The library stays loaded while any client
// lives; when the last one goes, the binding ends: save-game objects made
// under it go quiet at once (their binding number is no longer current), and
// the library is freed as soon as no call into it is in progress. A call is
// counted from before the launcher's code is entered until after it returned,
// so an answer it delivers on the calling thread, and a client destroyed in
// that answer's listener, leave the release to the call's end. An answer on a
// thread where no call of ours is in progress came from a thread of the
// launcher's own, which returns into the launcher's code at an unknown time:
// from then on the library is never freed, and later clients carry on with it.
// Such a thread is known only from its first answer: one that is about to
// deliver it while the library is freed is the launcher's own to stop, as its
// detach does with every thread of its own. After a release the next client
// binds anew.
//
// Answers. An answer counts against a client only under a number pending in
// that client's table of its kind; any other answer (never asked, already
// answered, another client's) changes nothing. A client's release waits for
// its answers running on other threads, so that no listener of it runs once
// its destructor returned; inside one of its own answers it does not wait for
// that one. What was asked and is still owed keeps the client's small state,
// retired, until the last owed answer came or the library is unloaded.
//
// Threads. Clients may come and go on several threads at once. m_lock guards
// the state, the module, the record, the count of clients and the retired
// list, and is never held while the loader or the launcher's code runs; a
// client's own lock may be held when it is taken, never the other way round:
// loading and freeing are decided under it, done outside it and published
// under it. A client that needs a binding being loaded, or that arrives while
// the old library is being freed, sleeps until that is done: a load meanwhile
// would only take another reference to the library being freed, which would
// then stay, with answers still owed to what the release destroys. No listener
// runs during a release (no client lives), so nothing the launcher's detach
// may wait for waits for it. Calls in progress are counted with atomic
// operations, ordered against the binding number so that a save-game object
// racing with the last client's destruction either sees the binding ended or
// holds the release off; they read the entry points without the lock.

namespace kz {

class LauncherApi {
public:
    // The process-wide binding, bound on first use. Exhausted memory ends in
    // FatalError.
    static LauncherApi& Instance() noexcept;
    // The process-wide binding if it was made, bound or not; never makes it.
    static LauncherApi* Existing() noexcept;

    // Binds at once with the given system calls.
    explicit LauncherApi(const SystemCalls& calls) noexcept;

    std::uint32_t GetInstallationError() const noexcept
    {
        return m_installationError.load(std::memory_order_relaxed);
    }
    // Read without the lock by calls in progress, whose binding cannot end under them.
    const EntryPoints& Functions() const noexcept { return m_functions; }
    void* Module() const noexcept { return m_module; }
    // What the latest binding found, published with its module: a copy, whose
    // texts stay valid as long as this object, whatever binds later.
    BindingRecord Diagnostics() noexcept;

    // The host process of a hosted binding (64-bit) ended or broke the
    // protocol: from now on the binding answers nothing, and its error number
    // and record say so (the host's path hostPath, a text kept by this
    // object, and the Windows error). The binding lasts until its clients go.
    void HostLost(const unsigned short* hostPath, std::uint32_t error) noexcept;

    // Frees the launcher library if one is loaded and clears the entry points,
    // whatever else is going on; destroys what was retired unless another
    // reference keeps the library loaded.
    void Release() noexcept;

    // A client starts using the binding: binds again first if the library was
    // released after having been loaded. Returns the number of the binding the
    // client belongs to.
    std::uint32_t AttachClient() noexcept;
    // A client is done; the last one ends the binding.
    void DetachClient() noexcept;

    // A call into the library begins or ends, on this thread. The end of the
    // last call frees the library when the binding ended meanwhile.
    void EnterCall() noexcept
    {
        ++t_callDepth;
        m_inProgress.fetch_add(1);
    }
    void LeaveCall() noexcept
    {
        --t_callDepth;
        if (m_inProgress.fetch_sub(1) == 1 && m_releasePending.load())
            ReleaseAfterLastCall();
    }
    // Whether binding is the one clients now belong to, not one that ended.
    bool IsCurrentBinding(std::uint32_t binding) const noexcept { return m_binding.load() == binding; }
    // Enters a call only while binding is the current one.
    bool EnterCallUnder(std::uint32_t binding) noexcept
    {
        EnterCall();
        if (m_binding.load() == binding)
            return true;
        LeaveCall();
        return false;
    }

    // Keeps what the launcher was handed to call back into (a report's
    // listener of ours) until Unretain, or until a release unloads the
    // library, which destroys it.
    void Retain(Retained& kept) noexcept;
    void Unretain(Retained& kept) noexcept;

    // An answer from the library arrives on this thread, before anything else
    // of it: notes a thread of the launcher's own.
    void NoteAnswer() noexcept
    {
        if (t_callDepth == 0)
            m_answeredOnOwnThread.store(true);
    }
    // With answers.Lock held: an answer took an owed number of answers and
    // runs from here to EndAnswer, on this thread, in running.
    static void BeginAnswer(OwedAnswers& answers, RunningAnswer& running) noexcept;
    // The answer begun in running ends; answers may be destroyed by it.
    void EndAnswer(OwedAnswers& answers, RunningAnswer& running) noexcept;
    // The owner lets go of answers: no listener is called from now on. Waits
    // until no answer to it runs on another thread. True when the caller
    // destroys it now; otherwise its last owed or running answer, or a
    // release that unloads the library, destroys it.
    bool Retire(OwedAnswers& answers) noexcept;

private:
    enum class State { NeverBound, Binding, Bound, Releasing, Released };

    // Calls into the library in progress on this thread: an answer that
    // arrives while one is returns into our call before the call ends.
    static inline thread_local unsigned int t_callDepth = 0;
    // The answers running on this thread, innermost first.
    static inline thread_local RunningAnswer* t_running = nullptr;
    struct Deferred {};

    LauncherApi(const SystemCalls& calls, Deferred) noexcept;
    LauncherApi(const LauncherApi&) = delete;
    LauncherApi& operator=(const LauncherApi&) = delete;

    // Loads the library and binds every entry point, setting the error number
    // and recording what was found. Returns the module handle, or null.
    void* Bind(BindingRecord& record) noexcept;
    void* LoadAndBind(BindingRecord& record) noexcept;
    // With the lock held: the first binding, or waits for it.
    void BindOnce() noexcept;
    // With the lock held and no binding in progress: binds, unlocking meanwhile.
    void BindUnlocked() noexcept;
    // With the lock held: frees the library if the binding ended and nothing
    // runs in it, unlocking meanwhile.
    void ReleaseIfIdle() noexcept;
    void ReleaseAfterLastCall() noexcept;
    // With the lock held: takes the library and what was retired with it,
    // frees both unlocked.
    void ReleaseUnlocked() noexcept;
    // With the lock held: the retired list, in constant time.
    void List(Retained& kept) noexcept;
    void Unlist(Retained& kept) noexcept;

    // Unused by the hosted binding (64-bit), whose host makes these calls.
    [[maybe_unused]] const SystemCalls& m_system;
    BlockingLock m_lock;
    State m_state = State::NeverBound;
    std::atomic<bool> m_boundOnce{false};
    void* m_module = nullptr;
    std::atomic<std::uint32_t> m_installationError{InstallationOk};
    EntryPoints m_functions;
    // Written by the binding thread alone; Bind keeps its texts here, for good
    // (a binding's few texts, and only those not seen before).
    InternedTexts m_texts;
    BindingRecord m_record;
    unsigned int m_clients = 0;
    Retained* m_retired = nullptr;
    std::atomic<std::uint32_t> m_binding{0};
    std::atomic<unsigned int> m_inProgress{0};
    std::atomic<bool> m_releasePending{false};
    std::atomic<bool> m_answeredOnOwnThread{false};
};

} // namespace kz
