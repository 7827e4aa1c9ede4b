#include "launcher/BlockingLock.h"

#include <windows.h>

namespace kz {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*),
              "SRWLOCK_INIT and CONDITION_VARIABLE_INIT are one null pointer");

void BlockingLock::Lock() noexcept
{
    AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&m_lock));
}

void BlockingLock::Unlock() noexcept
{
    ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&m_lock));
}

void BlockingLock::Wait() noexcept
{
    SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&m_condition),
                              reinterpret_cast<PSRWLOCK>(&m_lock), INFINITE, 0);
}

void BlockingLock::WakeAll() noexcept
{
    WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&m_condition));
}

} // namespace kz
