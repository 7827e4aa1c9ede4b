#pragma once

#include <atomic>
#include <cstdint>

// The count of answers the launcher owes one object it answers (a client's
// Pimpl), which lets the object's owner let go of it while answers are owed.
//
// Invariants: the count rises by one before each request goes out and falls
// by one with each answer, never below 0. RetiredFlag is set once, when the
// owner lets go, and never cleared; answers that come after it are dropped.
// An object retired with nothing owed is destroyed by its owner at once. One
// retired with answers owed is listed in LauncherApi's retired list, under its
// lock, and destroyed through Destroy exactly once: by its last owed answer,
// or by a release after which the library is no longer loaded. Owed is
// atomic: an answer's count races with its owner's retirement.

namespace kz {

struct OwedAnswers {
    static constexpr std::uint32_t RetiredFlag = 0x80000000u;
    static constexpr std::uint32_t CountMask = 0x7FFFFFFFu;

    // The count of owed answers, and RetiredFlag once the owner let go.
    std::atomic<std::uint32_t> Owed{0};
    OwedAnswers* NextRetired = nullptr;
    void (*Destroy)(OwedAnswers*) = nullptr;

    // Before the request goes out: its answer may come before the call returns.
    void RequestSent() noexcept { Owed.fetch_add(1, std::memory_order_relaxed); }
    // Ordered after EnterAnswer's note of the thread, as every step of the binding is.
    bool IsRetired() const noexcept { return (Owed.load() & RetiredFlag) != 0; }
};

} // namespace kz
