// The 32-bit end of channel_bench: answers each round trip of the three bare
// mechanisms, in the order the 64-bit parent runs them, then exits.
//
//   channel_echo.exe PIPES EVENTS SPINS PIPE_IN PIPE_OUT PING PONG MAPPING
//   (round trips of each mechanism, then inherited handle values)

#include "ChannelBenchLayout.h"

#include <windows.h>

#include <stdlib.h>

namespace {

HANDLE HandleArgument(const char* text)
{
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(strtoul(text, nullptr, 10)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 9)
        return 2;
    const unsigned pipes = static_cast<unsigned>(strtoul(argv[1], nullptr, 10));
    const unsigned events = static_cast<unsigned>(strtoul(argv[2], nullptr, 10));
    const unsigned spins = static_cast<unsigned>(strtoul(argv[3], nullptr, 10));
    const HANDLE pipeIn = HandleArgument(argv[4]);
    const HANDLE pipeOut = HandleArgument(argv[5]);
    const HANDLE ping = HandleArgument(argv[6]);
    const HANDLE pong = HandleArgument(argv[7]);
    auto* shared = static_cast<channelbench::Shared*>(
        MapViewOfFile(HandleArgument(argv[8]), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(channelbench::Shared)));
    if (shared == nullptr)
        return 3;

    char message[channelbench::kMessageBytes];
    for (unsigned i = 0; i < pipes; ++i) {
        DWORD moved = 0;
        if (!ReadFile(pipeIn, message, sizeof message, &moved, nullptr) || moved != sizeof message)
            return 4;
        if (!WriteFile(pipeOut, message, sizeof message, &moved, nullptr) || moved != sizeof message)
            return 5;
    }
    for (unsigned i = 0; i < events; ++i) {
        if (WaitForSingleObject(ping, 10000) != WAIT_OBJECT_0)
            return 6;
        shared->Reply[0] = shared->Request[0];
        SetEvent(pong);
    }
    for (unsigned i = 1; i <= spins; ++i) {
        while (InterlockedCompareExchange(&shared->RequestSequence, 0, 0) != static_cast<LONG>(i))
            YieldProcessor();
        shared->Reply[0] = shared->Request[0];
        InterlockedExchange(&shared->ReplySequence, static_cast<LONG>(i));
    }
    return 0;
}
