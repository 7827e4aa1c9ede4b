#include "launcher/relay/Win32Channel.h"

#include <windows.h>

namespace kz {
namespace relay {

static_assert(sizeof(ChannelControl) <= ControlBytes, "the control words fit their block");
static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "shared between processes, so address-free");

ChannelEnd::ChannelEnd(void* view, Side side, void* wakeMe, void* wakePeer, void* peer) noexcept
    : m_control(static_cast<ChannelControl*>(view)), m_wakeMe(wakeMe), m_wakePeer(wakePeer), m_peer(peer)
{
    std::uint8_t* calls = static_cast<std::uint8_t*>(view) + ControlBytes;
    std::uint8_t* replies = calls + AreaBytes;
    const bool game = side == Side::Game;
    m_mySequence = game ? &m_control->CallSequence : &m_control->ReplySequence;
    m_peerSequence = game ? &m_control->ReplySequence : &m_control->CallSequence;
    m_mySleeping = game ? &m_control->GameSleeping : &m_control->HostSleeping;
    m_peerSleeping = game ? &m_control->HostSleeping : &m_control->GameSleeping;
    m_out = game ? calls : replies;
    m_in = game ? replies : calls;
}

void ChannelEnd::Post() noexcept
{
    // Sequentially consistent with the peer's announcement: either it sees
    // this raise before it sleeps, or this sees its announcement.
    m_mySequence->store(++m_posted);
    if (m_peerSleeping->load() != 0)
        SetEvent(m_wakePeer);
}

ChannelEnd::Result ChannelEnd::Take(std::uint32_t sequence) noexcept
{
    if (sequence != m_seen + 1)
        return Result::OutOfStep;
    m_seen = sequence;
    return Result::Arrived;
}

ChannelEnd::Result ChannelEnd::Await(std::uint32_t spinMicroseconds, std::uint32_t timeoutMs) noexcept
{
    if (spinMicroseconds != 0) {
        LARGE_INTEGER frequency, start, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        const LONGLONG limit = frequency.QuadPart * spinMicroseconds / 1000000;
        for (;;) {
            for (int i = 0; i < 64; ++i) {
                const std::uint32_t sequence = m_peerSequence->load(std::memory_order_acquire);
                if (sequence != m_seen)
                    return Take(sequence);
                YieldProcessor();
            }
            QueryPerformanceCounter(&now);
            if (now.QuadPart - start.QuadPart > limit)
                break;
        }
    }
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        m_mySleeping->store(1);
        std::uint32_t sequence = m_peerSequence->load();
        if (sequence != m_seen) {
            m_mySleeping->store(0);
            return Take(sequence);
        }
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        }
        HANDLE handles[2] = {m_wakeMe, m_peer};
        const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, wait);
        m_mySleeping->store(0);
        // A peer that posted and then ended (as after Quit) did post.
        sequence = m_peerSequence->load();
        if (sequence != m_seen)
            return Take(sequence);
        if (woken == WAIT_TIMEOUT)
            return Result::TimedOut;
        if (woken != WAIT_OBJECT_0)
            return Result::PeerGone;
    }
}

} // namespace relay
} // namespace kz
