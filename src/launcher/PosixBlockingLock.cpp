#include "launcher/BlockingLock.h"

namespace kz {

void BlockingLock::Lock() noexcept
{
    pthread_mutex_lock(&m_lock);
}

void BlockingLock::Unlock() noexcept
{
    pthread_mutex_unlock(&m_lock);
}

void BlockingLock::Wait() noexcept
{
    pthread_cond_wait(&m_condition, &m_lock);
}

void BlockingLock::WakeAll() noexcept
{
    pthread_cond_broadcast(&m_condition);
}

} // namespace kz
