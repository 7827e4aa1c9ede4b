#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// The channel between a 64-bit game and its 32-bit host: one shared section
// holding four control words and two areas (the game's calls, the host's
// replies), and two auto-reset events, one for each side to sleep on.
//
// Invariants: each side writes only its own area, its own sequence word and
// its own sleeping word. A frame in an area is complete when its sequence
// word is raised (release order); the peer reads it once it saw the raise
// (acquire order) and answers before the first side writes again, so an
// area is never written while it is read. A side spins briefly for its
// peer, then announces that it sleeps and checks the sequence again before
// it does: the peer sets the event only when it sees that announcement, so
// two spinning sides never enter the system. Since the sides take turns, the
// peer's sequence is only ever the one this side saw or the next: any other
// is a peer out of step. The words are 32-bit atomics,
// the same in both processes whatever their width.

namespace kz {
namespace relay {

struct ChannelControl {
    std::atomic<std::uint32_t> CallSequence;
    std::atomic<std::uint32_t> ReplySequence;
    std::atomic<std::uint32_t> HostSleeping;
    std::atomic<std::uint32_t> GameSleeping;
};

constexpr std::size_t ControlBytes = 64;
constexpr std::size_t AreaBytes = 256 * 1024;
constexpr std::size_t SectionBytes = ControlBytes + 2 * AreaBytes;

// How long a side spins for its peer before it sleeps: about the cost of a
// few calls into the system under Wine, so that a caller making calls in a
// row never sleeps, and an idle side gives the processor back at once.
constexpr std::uint32_t SpinMicroseconds = 50;

class ChannelEnd {
public:
    enum class Side { Game, Host };
    enum class Result { Arrived, PeerGone, TimedOut, OutOfStep };

    // view: the mapped section; wakeMe: the event this side sleeps on;
    // wakePeer: the peer's; peer: the peer's process, watched while sleeping.
    ChannelEnd(void* view, Side side, void* wakeMe, void* wakePeer, void* peer) noexcept;

    std::uint8_t* OutArea() noexcept { return m_out; }
    const std::uint8_t* InArea() const noexcept { return m_in; }

    // The frame written to OutArea is complete.
    void Post() noexcept;
    // Waits for the peer's next frame: spins for spinMicroseconds, then
    // sleeps until it came, the peer's process ended or timeoutMs (0xFFFFFFFF:
    // no limit) passed, or the peer's sequence skipped ahead.
    Result Await(std::uint32_t spinMicroseconds, std::uint32_t timeoutMs) noexcept;

private:
    // The peer's sequence moved to sequence.
    Result Take(std::uint32_t sequence) noexcept;

    ChannelControl* m_control;
    std::atomic<std::uint32_t>* m_mySequence;
    std::atomic<std::uint32_t>* m_peerSequence;
    std::atomic<std::uint32_t>* m_mySleeping;
    std::atomic<std::uint32_t>* m_peerSleeping;
    std::uint8_t* m_out;
    const std::uint8_t* m_in;
    void* m_wakeMe;
    void* m_wakePeer;
    void* m_peer;
    std::uint32_t m_posted = 0;
    std::uint32_t m_seen = 0;
};

} // namespace relay
} // namespace kz
