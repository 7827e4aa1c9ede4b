#pragma once

// The launcher's one lock: clients on several threads may call at once, and a
// listener answered on Update may call in again on the same thread. On Windows
// a critical section, which the C++ runtime of the win32 threads toolchain
// does not wrap as std::recursive_mutex.

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace devlauncher {

#ifdef _WIN32
class RecursiveLock {
public:
    RecursiveLock() { InitializeCriticalSection(&m_section); }
    ~RecursiveLock() { DeleteCriticalSection(&m_section); }
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void lock() { EnterCriticalSection(&m_section); }
    void unlock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};
#else
using RecursiveLock = std::recursive_mutex;
#endif

class LockGuard {
public:
    explicit LockGuard(RecursiveLock& lock) : m_lock(lock) { m_lock.lock(); }
    ~LockGuard() { m_lock.unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    RecursiveLock& m_lock;
};

} // namespace devlauncher
