// What a 64-bit game pays to reach the 32-bit launcher: the three bare ways
// a 64-bit process and a 32-bit child it started can make a round trip of 16
// bytes (an anonymous pipe each way, a pair of auto-reset events, two
// sequence words in shared memory that each side spins on), beside the
// round trips tesmaclient64.dll makes through its host (an Update without an
// answer and GetRequestUniqueId). All in this one process; figures are
// medians of rounds.
//
//   channel_bench.exe [--quick] [--require-host]
//       --quick         three short rounds: proves it runs
//       --require-host  fail unless tesmaclient64.dll bound the launcher
//
// Prints one line per case: name, median ns per round trip, rounds.

#include "ChannelBenchLayout.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

using channelbench::kMessageBytes;
using channelbench::Shared;

double g_nsPerTick = 0;

long long Ticks()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Median(double* values, unsigned count)
{
    for (unsigned i = 1; i < count; ++i)
        for (unsigned j = i; j > 0 && values[j - 1] > values[j]; --j) {
            const double t = values[j];
            values[j] = values[j - 1];
            values[j - 1] = t;
        }
    return count % 2 == 1 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

bool HasArgument(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], name) == 0)
            return true;
    return false;
}

void BesideProgram(wchar_t* path, DWORD size, const wchar_t* name)
{
    const DWORD length = GetModuleFileNameW(nullptr, path, size);
    DWORD cut = length;
    while (cut > 0 && path[cut - 1] != L'\\' && path[cut - 1] != L'/')
        --cut;
    lstrcpynW(path + cut, name, static_cast<int>(size - cut));
}

struct Channel {
    HANDLE ToChild = nullptr;   // the parent writes, the child reads
    HANDLE FromChild = nullptr; // the child writes, the parent reads
    HANDLE Ping = nullptr;
    HANDLE Pong = nullptr;
    Shared* Memory = nullptr;
    HANDLE Child = nullptr;
};

// Starts the 32-bit echo with inherited ends of every mechanism.
bool StartEcho(Channel& channel, unsigned pipes, unsigned events, unsigned spins)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr;
    HANDLE childOut = nullptr;
    if (!CreatePipe(&childIn, &channel.ToChild, &inherit, 0) || !CreatePipe(&channel.FromChild, &childOut, &inherit, 0))
        return false;
    SetHandleInformation(channel.ToChild, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(channel.FromChild, HANDLE_FLAG_INHERIT, 0);
    channel.Ping = CreateEventW(&inherit, FALSE, FALSE, nullptr);
    channel.Pong = CreateEventW(&inherit, FALSE, FALSE, nullptr);
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(Shared), nullptr);
    if (channel.Ping == nullptr || channel.Pong == nullptr || mapping == nullptr)
        return false;
    channel.Memory = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
    if (channel.Memory == nullptr)
        return false;

    wchar_t program[MAX_PATH];
    BesideProgram(program, MAX_PATH, L"channel_echo.exe");
    wchar_t line[512];
    wsprintfW(line, L"\"%s\" %u %u %u %u %u %u %u %u", program, pipes, events, spins,
              static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(childIn)),
              static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(childOut)),
              static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(channel.Ping)),
              static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(channel.Pong)),
              static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(mapping)));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program, line, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        fprintf(stderr, "channel_bench: cannot start channel_echo.exe (error %lu)\n", GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(childIn);
    CloseHandle(childOut);
    channel.Child = process.hProcess;
    return true;
}

Channel g_channel;
unsigned g_sequence = 0;
volatile unsigned g_sink;

bool PipeRoundTrips(unsigned n)
{
    char message[kMessageBytes] = "sixteen bytes..";
    for (unsigned i = 0; i < n; ++i) {
        DWORD moved = 0;
        if (!WriteFile(g_channel.ToChild, message, sizeof message, &moved, nullptr) ||
            !ReadFile(g_channel.FromChild, message, sizeof message, &moved, nullptr) || moved != sizeof message)
            return false;
    }
    return true;
}

bool EventRoundTrips(unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        g_channel.Memory->Request[0] = i;
        SetEvent(g_channel.Ping);
        if (WaitForSingleObject(g_channel.Pong, 10000) != WAIT_OBJECT_0 || g_channel.Memory->Reply[0] != i)
            return false;
    }
    return true;
}

bool SpinRoundTrips(unsigned n)
{
    Shared& shared = *g_channel.Memory;
    for (unsigned i = 0; i < n; ++i) {
        const long sequence = static_cast<long>(++g_sequence);
        shared.Request[0] = i;
        InterlockedExchange(&shared.RequestSequence, sequence);
        while (InterlockedCompareExchange(&shared.ReplySequence, 0, 0) != sequence)
            YieldProcessor();
        if (shared.Reply[0] != i)
            return false;
    }
    return true;
}

// tesmaclient64.dll through its C interface, found at run time so that this
// program also measures the bare mechanisms where the library is not built.
struct Library {
    void* (*Create)() = nullptr;
    void (*Destroy)(void*) = nullptr;
    void (*Update)(void*) = nullptr;
    unsigned (*GetRequestUniqueId)(void*) = nullptr;
    unsigned (*GetInstallationErrorNum)(const void*) = nullptr;
    void* Client = nullptr;
} g_library;

template <typename F>
void Find(HMODULE module, F& function, const char* name)
{
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool UpdateRoundTrips(unsigned n)
{
    for (unsigned i = 0; i < n; ++i)
        g_library.Update(g_library.Client);
    return true;
}

bool UniqueIdRoundTrips(unsigned n)
{
    for (unsigned i = 0; i < n; ++i)
        g_sink = g_library.GetRequestUniqueId(g_library.Client);
    return true;
}

struct Case {
    const char* Name;
    bool (*Run)(unsigned);
    unsigned PerRound;
};

// Times rounds of one case; false when a round trip failed.
bool Measure(const Case& c, unsigned rounds, double* median)
{
    double perRound[15];
    for (unsigned r = 0; r < rounds; ++r) {
        const long long start = Ticks();
        if (!c.Run(c.PerRound))
            return false;
        perRound[r] = static_cast<double>(Ticks() - start) * g_nsPerTick / c.PerRound;
    }
    *median = Median(perRound, rounds);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = HasArgument(argc, argv, "--quick");
    const bool requireHost = HasArgument(argc, argv, "--require-host");
    const unsigned rounds = quick ? 3 : 9;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_nsPerTick = 1e9 / static_cast<double>(frequency.QuadPart);

    // The pipe and the events go through wineserver: fewer of them.
    const Case bare[] = {
        {"RoundTrip/pipe", PipeRoundTrips, quick ? 50u : 2000u},
        {"RoundTrip/events", EventRoundTrips, quick ? 50u : 2000u},
        {"RoundTrip/shared-memory-spin", SpinRoundTrips, quick ? 1000u : 20000u},
    };
    const Case hosted[] = {
        {"Update/tesmaclient64", UpdateRoundTrips, quick ? 1000u : 20000u},
        {"GetRequestUniqueId/tesmaclient64", UniqueIdRoundTrips, quick ? 1000u : 20000u},
    };

    printf("# case, median ns per round trip (%u rounds)\n", rounds);
    // The echo answers every case's round trips in this order, and one pipe
    // round trip first that shows how long starting it takes.
    const long long startTicks = Ticks();
    if (!StartEcho(g_channel, bare[0].PerRound * rounds + 1, bare[1].PerRound * rounds, bare[2].PerRound * rounds) ||
        !PipeRoundTrips(1))
        return 1;
    printf("# the 32-bit echo started and answered its first round trip within %.1f ms\n",
           static_cast<double>(Ticks() - startTicks) * g_nsPerTick / 1e6);
    for (const Case& c : bare) {
        double median = 0;
        if (!Measure(c, rounds, &median)) {
            fprintf(stderr, "channel_bench: %s failed\n", c.Name);
            return 1;
        }
        printf("%s %.1f\n", c.Name, median);
    }
    if (WaitForSingleObject(g_channel.Child, 10000) != WAIT_OBJECT_0)
        return 1;

    HMODULE module = LoadLibraryW(L"tesmaclient64.dll");
    if (module != nullptr) {
        Find(module, g_library.Create, "tesmaclient_create");
        Find(module, g_library.Destroy, "tesmaclient_destroy");
        Find(module, g_library.Update, "tesmaclient_update");
        Find(module, g_library.GetRequestUniqueId, "tesmaclient_get_request_unique_id");
        Find(module, g_library.GetInstallationErrorNum, "tesmaclient_get_installation_error_num");
    }
    if (g_library.Create == nullptr || g_library.Destroy == nullptr || g_library.Update == nullptr ||
        g_library.GetRequestUniqueId == nullptr || g_library.GetInstallationErrorNum == nullptr) {
        printf("# tesmaclient64.dll not found beside this program: its cases left out\n");
        return requireHost ? 1 : 0;
    }
    const long long bindStart = Ticks();
    g_library.Client = g_library.Create();
    const unsigned error = g_library.GetInstallationErrorNum(g_library.Client);
    if (error != 0) {
        printf("# tesmaclient64.dll: installation error %u, its cases left out\n", error);
        g_library.Destroy(g_library.Client);
        return requireHost ? 1 : 0;
    }
    printf("# the first client started the host and bound the launcher within %.1f ms\n",
           static_cast<double>(Ticks() - bindStart) * g_nsPerTick / 1e6);
    for (const Case& c : hosted) {
        double median = 0;
        Measure(c, rounds, &median);
        printf("%s %.1f\n", c.Name, median);
    }
    g_library.Destroy(g_library.Client);
    return 0;
}
