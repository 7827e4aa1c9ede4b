#pragma once

// The memory channel_bench's two processes share: 16 bytes each way and the
// two sequence words each side spins on.

namespace channelbench {

constexpr unsigned kMessageBytes = 16;

struct Shared {
    volatile long RequestSequence;
    char Pad0[60];
    volatile long ReplySequence;
    char Pad1[60];
    volatile unsigned Request[kMessageBytes / 4];
    volatile unsigned Reply[kMessageBytes / 4];
};

} // namespace channelbench
