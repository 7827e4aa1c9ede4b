// What only the DLL shows, measured from a game built as MSVC builds one:
// a forward through tesmaclient.dll beside a direct call of the launcher's
// entry point (GetProcAddress on the very dovtesmaapi_r2.dll the client
// loaded), and a request's round trip through the client beside the same
// pattern on a router of the game's own. Both sides of each case run in this
// process, in alternating order, round after round; the figures are medians.
//
//   dll_forward_bench.exe [--quick]     --quick: three short rounds, proves it runs
//
// Prints one line per case: name, our median ns, the baseline's median ns,
// their ratio, and the baseline.

#include "MsvcGame.h"
#include "RobinHoodMap.h"
#include "launcher/TesmadllListeners.h"

using namespace msvcgame;

namespace {

using UpdateFunction = void(__cdecl*)(unsigned session);
using UniqueIdFunction = unsigned(__cdecl*)(unsigned session);
using LoginFunction = void(__cdecl*)(unsigned session, unsigned requestId,
                                     kz::tesmadll::IGetLoginDetailsListener* listener);

struct Direct {
    UpdateFunction Update = nullptr;
    UniqueIdFunction GetRequestUniqueId = nullptr;
    LoginFunction GetLoginDetails = nullptr;
} g_direct;

TesmaClient* g_client = nullptr;
Standin g_standin;
GameListener* g_game = nullptr; // made with new, as the router is
volatile unsigned g_sink;
unsigned g_nextId = 1;

// The game's own router: it files its listener under the request number and
// hands the launcher itself as the launcher-side listener, as the client does.
struct Router final : kz::tesmadll::IGetLoginDetailsListener {
    using GameListener = kz::tesmaclient::IGetLoginDetailsListener;
    RobinHoodMap<GameListener*> Pending;

    void Request(unsigned requestId, GameListener* listener)
    {
        Pending.Insert(requestId, listener);
        g_direct.GetLoginDetails(standin::DefaultSession, requestId, this);
    }

    bool OnGetLoginDetails(unsigned requestId, unsigned a, unsigned b, unsigned c) noexcept override
    {
        GameListener* listener = nullptr;
        if (!Pending.Take(requestId, listener))
            return false;
        return listener->OnGetLoginDetails(requestId, a, b, c);
    }
};

// Made with new: a global with a destructor would need the C runtime's atexit.
Router* g_router = nullptr;

void UpdateThroughDll(unsigned n)
{
    for (unsigned i = 0; i < n; ++i)
        g_client->Update();
}

void UpdateDirect(unsigned n)
{
    const UpdateFunction update = g_direct.Update;
    for (unsigned i = 0; i < n; ++i)
        update(standin::DefaultSession);
}

// The least a forward that keeps the release safe costs: the direct call with
// the two atomic read-modify-writes that count a call in progress around it.
volatile long g_inProgress;

void UpdateDirectCounted(unsigned n)
{
    const UpdateFunction update = g_direct.Update;
    for (unsigned i = 0; i < n; ++i) {
        __atomic_fetch_add(&g_inProgress, 1, __ATOMIC_SEQ_CST);
        update(standin::DefaultSession);
        __atomic_fetch_sub(&g_inProgress, 1, __ATOMIC_SEQ_CST);
    }
}

void UniqueIdThroughDll(unsigned n)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < n; ++i)
        sum += g_client->GetRequestUniqueId();
    g_sink = sum;
}

void UniqueIdDirect(unsigned n)
{
    const UniqueIdFunction uniqueId = g_direct.GetRequestUniqueId;
    unsigned sum = 0;
    for (unsigned i = 0; i < n; ++i)
        sum += uniqueId(standin::DefaultSession);
    g_sink = sum;
}

// Answered from inside the request call.
void InlineThroughDll(unsigned n)
{
    const unsigned calls = g_game->Calls;
    for (unsigned i = 0; i < n; ++i) {
        g_standin.AnswerInside(standin::GetLoginDetails, 1, 2, 3, 0);
        g_client->GetLoginDetails(g_nextId++, g_game);
    }
    GAME_CHECK(g_game->Calls == calls + n);
}

void InlineRouter(unsigned n)
{
    const unsigned calls = g_game->Calls;
    for (unsigned i = 0; i < n; ++i) {
        g_standin.AnswerInside(standin::GetLoginDetails, 1, 2, 3, 0);
        g_router->Request(g_nextId++, g_game);
    }
    GAME_CHECK(g_game->Calls == calls + n);
}

// A frame: one request goes out, Update runs, and the launcher answers the
// request made pending frames earlier. The requests left outstanding at the
// start and the end are made and answered outside the timing, in Prepare and
// Drain.
template <unsigned Pending>
struct Later {
    static unsigned First;

    static void Prepare(void (*request)(unsigned))
    {
        First = g_nextId;
        for (unsigned i = 0; i < Pending; ++i)
            request(g_nextId++);
    }

    static void Drain(unsigned n)
    {
        for (unsigned id = g_nextId - Pending; id < g_nextId; ++id)
            g_standin.Answer(standin::GetLoginDetails, id, 1, 2, 3, 0);
        GAME_CHECK(g_nextId - First == n + Pending);
    }

    static void ClientRequest(unsigned id) { g_client->GetLoginDetails(id, g_game); }
    static void RouterRequest(unsigned id) { g_router->Request(id, g_game); }

    static void ThroughDll(unsigned n)
    {
        Prepare(ClientRequest);
        const unsigned calls = g_game->Calls;
        for (unsigned i = 0; i < n; ++i) {
            const unsigned id = g_nextId++;
            g_client->GetLoginDetails(id, g_game);
            g_client->Update();
            g_standin.Answer(standin::GetLoginDetails, id - Pending, 1, 2, 3, 0);
        }
        GAME_CHECK(g_game->Calls == calls + n);
    }

    static void Router(unsigned n)
    {
        Prepare(RouterRequest);
        const unsigned calls = g_game->Calls;
        const UpdateFunction update = g_direct.Update;
        for (unsigned i = 0; i < n; ++i) {
            const unsigned id = g_nextId++;
            g_router->Request(id, g_game);
            update(standin::DefaultSession);
            g_standin.Answer(standin::GetLoginDetails, id - Pending, 1, 2, 3, 0);
        }
        GAME_CHECK(g_game->Calls == calls + n);
    }
};

template <unsigned Pending>
unsigned Later<Pending>::First = 0;

struct Case {
    const char* Name;
    void (*Ours)(unsigned n);
    void (*Baseline)(unsigned n);
    void (*Drain)(unsigned n); // after each timed run, untimed; may be null
    const char* BaselineName;
};

void NoDrain(unsigned) {}

const Case g_cases[] = {
    {"Forward/Update", UpdateThroughDll, UpdateDirect, NoDrain, "direct-call"},
    {"Floor/Update+2atomics", UpdateDirectCounted, UpdateDirect, NoDrain, "direct-call"},
    {"Forward/GetRequestUniqueId", UniqueIdThroughDll, UniqueIdDirect, NoDrain, "direct-call"},
    {"RoundTrip/inline", InlineThroughDll, InlineRouter, NoDrain, "robin-hood-router"},
    {"RoundTrip/later/1", Later<1>::ThroughDll, Later<1>::Router, Later<1>::Drain, "robin-hood-router"},
    {"RoundTrip/later/8", Later<8>::ThroughDll, Later<8>::Router, Later<8>::Drain, "robin-hood-router"},
    {"RoundTrip/later/64", Later<64>::ThroughDll, Later<64>::Router, Later<64>::Drain, "robin-hood-router"},
};
constexpr unsigned kCases = sizeof(g_cases) / sizeof(g_cases[0]);
constexpr unsigned kMaxRounds = 15;

long long Ticks()
{
    long long t = 0;
    QueryPerformanceCounter(&t);
    return t;
}

double g_nsPerTick = 0;

// Nanoseconds per operation of one timed run of n operations.
double Time(void (*run)(unsigned), void (*drain)(unsigned), unsigned n)
{
    const long long start = Ticks();
    run(n);
    const long long end = Ticks();
    drain(n);
    return static_cast<double>(end - start) * g_nsPerTick / n;
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

} // namespace

int main(int argc, char** argv)
{
    const bool quick = game::HasArgument(argc, argv, "--quick");
    const unsigned rounds = quick ? 3 : 9;
    // Each timed run lasts about this long; under emulation a run is slow, so
    // the count of operations per run is calibrated rather than fixed.
    const double runNs = quick ? 2e6 : 20e6;

    long long frequency = 0;
    QueryPerformanceFrequency(&frequency);
    g_nsPerTick = 1e9 / static_cast<double>(frequency);

    wchar_t directory[512];
    wchar_t libraryPath[512];
    game::BesideProgram(directory, 512, L"launcher-msvc");
    game::BesideProgram(libraryPath, 512, L"launcher-msvc\\dovtesmaapi_r2.dll");
    game::SetLauncherDirectory(directory);

    g_router = new Router;
    g_game = new GameListener;
    g_client = new TesmaClient;
    GAME_CHECK(g_client->GetInstallationErrorNum() == 0);
    GAME_CHECK(g_standin.Bind(libraryPath));
    void* module = g_standin.Module;
    if (module != nullptr) {
        g_direct.Update = reinterpret_cast<UpdateFunction>(GetProcAddress(module, "KzTesmadllUpdate"));
        g_direct.GetRequestUniqueId =
            reinterpret_cast<UniqueIdFunction>(GetProcAddress(module, "KzTesmadllGetRequestUniqueId"));
        g_direct.GetLoginDetails = reinterpret_cast<LoginFunction>(GetProcAddress(module, "KzTesmadllGetLoginDetails"));
    }
    GAME_CHECK(g_direct.Update != nullptr && g_direct.GetRequestUniqueId != nullptr &&
               g_direct.GetLoginDetails != nullptr);
    if (game::Checks().Failed != 0)
        game::Finish();

    unsigned counts[kCases];
    for (unsigned c = 0; c < kCases; ++c) {
        const Case& k = g_cases[c];
        Time(k.Ours, k.Drain, 1000); // warms up, and binds nothing lazily inside the timing
        Time(k.Baseline, k.Drain, 1000);
        const double ns = Time(k.Ours, k.Drain, 2000);
        const double n = runNs / (ns > 1 ? ns : 1);
        counts[c] = n < 1000 ? 1000 : n > 5e6 ? 5000000 : static_cast<unsigned>(n);
    }

    double ours[kCases][kMaxRounds];
    double baseline[kCases][kMaxRounds];
    for (unsigned r = 0; r < rounds; ++r) {
        for (unsigned c = 0; c < kCases; ++c) {
            const Case& k = g_cases[c];
            // Alternating order, so neither side always runs with a warm cache.
            if (r % 2 == 0) {
                ours[c][r] = Time(k.Ours, k.Drain, counts[c]);
                baseline[c][r] = Time(k.Baseline, k.Drain, counts[c]);
            } else {
                baseline[c][r] = Time(k.Baseline, k.Drain, counts[c]);
                ours[c][r] = Time(k.Ours, k.Drain, counts[c]);
            }
        }
    }

    printf("# case, tesmaclient.dll median ns, baseline median ns, ratio, baseline (%u rounds)\n", rounds);
    for (unsigned c = 0; c < kCases; ++c) {
        const double o = Median(ours[c], rounds);
        const double b = Median(baseline[c], rounds);
        printf("%s %.1f %.1f %.3f %s\n", g_cases[c].Name, o, b, o / b, g_cases[c].BaselineName);
    }
    delete g_client;
    game::Finish();
}
