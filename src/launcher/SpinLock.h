#pragma once

#include <atomic>

namespace kz {

// A lock for the few short sections where clients come and go. It spins
// rather than waiting in the system: the library makes no system calls but
// its six, and contention is rare and brief.
class SpinLock {
public:
    void Lock() noexcept
    {
        while (m_flag.test_and_set(std::memory_order_acquire)) {
#if defined(__i386__) || defined(__x86_64__)
            __builtin_ia32_pause();
#endif
        }
    }

    void Unlock() noexcept { m_flag.clear(std::memory_order_release); }

    class Guard {
    public:
        explicit Guard(SpinLock& lock) noexcept : m_lock(lock) { m_lock.Lock(); }
        ~Guard() { m_lock.Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        SpinLock& m_lock;
    };

private:
    std::atomic_flag m_flag = ATOMIC_FLAG_INIT;
};

} // namespace kz
