#pragma once

#ifndef _WIN32
#include <pthread.h>
#endif

namespace kz {

// The lock around the binding's bookkeeping, with one condition to wait on.
// A waiter sleeps in the system rather than spinning: it may wait for a whole
// load of the launcher library. Its initial state is a constant (the system's
// static initialisers), so a lock at namespace scope works before any
// constructor of the library has run.
class BlockingLock {
public:
    constexpr BlockingLock() noexcept = default;

    void Lock() noexcept;
    void Unlock() noexcept;
    // Unlocks, sleeps until WakeAll (or spuriously) and locks again.
    void Wait() noexcept;
    void WakeAll() noexcept;

    class Guard {
    public:
        explicit Guard(BlockingLock& lock) noexcept : m_lock(lock) { m_lock.Lock(); }
        ~Guard() { m_lock.Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        BlockingLock& m_lock;
    };

    // Unlocks a held guard's lock for the life of this object.
    class Unguard {
    public:
        explicit Unguard(BlockingLock& lock) noexcept : m_lock(lock) { m_lock.Unlock(); }
        ~Unguard() { m_lock.Lock(); }
        Unguard(const Unguard&) = delete;
        Unguard& operator=(const Unguard&) = delete;

    private:
        BlockingLock& m_lock;
    };

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
