#pragma once

#ifndef _WIN32
#include <pthread.h>
#endif

// The lock around the binding's bookkeeping, with one condition to wait on.
//
// Invariants: a waiter sleeps in the system rather than spinning, since it may
// wait for a whole load of the launcher library. The initial state is a
// constant (the system's static initialisers), so a lock at namespace scope
// works before any constructor of the library has run; it is never torn down.
// The lock is not recursive: a thread that holds it must not lock it again.
// Wait and an Unguard are for a thread that holds it. Not copyable.

namespace kz {

class BlockingLock {
public:
    constexpr BlockingLock() noexcept = default;

    void Lock() noexcept;
    void Unlock() noexcept;
    // Unlocks, sleeps until WakeAll (or spuriously) and locks again.
    void Wait() noexcept;
    void WakeAll() noexcept;

    // Calls Begin on the lock now and End when it goes.
    template <void (BlockingLock::*Begin)() noexcept, void (BlockingLock::*End)() noexcept>
    class Scope {
    public:
        explicit Scope(BlockingLock& lock) noexcept : m_lock(lock) { (m_lock.*Begin)(); }
        ~Scope() { (m_lock.*End)(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        BlockingLock& m_lock;
    };
    // Holds the lock for the life of this object.
    using Guard = Scope<&BlockingLock::Lock, &BlockingLock::Unlock>;
    // Lets go of the lock this thread holds for the life of this object.
    using Unguard = Scope<&BlockingLock::Unlock, &BlockingLock::Lock>;

private:
    BlockingLock(const BlockingLock&) = delete;
    BlockingLock& operator=(const BlockingLock&) = delete;

#ifdef _WIN32
    // An SRWLOCK and a CONDITION_VARIABLE, each one pointer wide.
    void* m_lock = nullptr;
    void* m_condition = nullptr;
#else
    pthread_mutex_t m_lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t m_condition = PTHREAD_COND_INITIALIZER;
#endif
};

} // namespace kz
