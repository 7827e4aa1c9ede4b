// The client under load: 100,000 requests of all seven kinds on clients that
// come and go, under random numbers, numbers repeated while still pending and
// numbers whose bytes agree in their low bits (the table's two hashes then
// agree as well). A scripted launcher answers inline, from Update, directly,
// twice, never, and under numbers never asked. A model of the routing says
// what the game must hear of each answer, and the C heap must come back to
// its level.

#include "MsvcGame.h"

namespace {

using namespace msvcgame;
using standin::Word;

constexpr unsigned TotalRequests = 100000;
constexpr unsigned Kinds = 7;
constexpr unsigned Seats = 8;   // live clients of one worker
constexpr unsigned Models = 40; // its live and retired clients
constexpr unsigned MaxPending = 192;
constexpr unsigned MaxAnswers = 192;
constexpr unsigned Ears = 16;
constexpr unsigned ThreadedWorkers = 4;
constexpr unsigned Batch = 8;
constexpr unsigned SizeMarker = 0x51CE;
constexpr unsigned long Infinite = 0xFFFFFFFF;

// A kind is its request's entry point counted from GetLoginDetails.
enum Kind : unsigned { Login, Server, Reader, Writer, List, Remove, Traffic };

enum Count : unsigned {
    Requests,
    Repeated,
    Colliding,
    Delivered,
    Inline,
    FromUpdate,
    Direct,
    FromThread,
    Duplicates,
    NeverAsked,
    DroppedRequests,
    DroppedAnswers,
    Withheld,
    Created,
    Destroyed,
    DestroyedInside,
    LastClientGone,
    Checks,
    Failures,
    CountKinds
};

const char* const CountNames[CountKinds] = {
    "requests",
    "  under a number still pending",
    "  under a colliding number",
    "answers heard by the game",
    "  inline",
    "  from Update",
    "  directly",
    "  from a second thread",
    "duplicate answers ignored",
    "answers under numbers never asked",
    "requests dropped with their client",
    "answers to dropped requests ignored",
    "answers withheld, client and listener gone",
    "clients created",
    "clients destroyed",
    "  inside a listener",
    "times the last client went",
    "checks",
    "failed checks",
};

// xoshiro128**: 32-bit arithmetic only, the program has no runtime helpers.
struct Random {
    unsigned S[4];

    void Seed(unsigned seed)
    {
        for (unsigned i = 0; i < 4; ++i) {
            seed = seed * 0x9E3779B9u + 0x7F4A7C15u;
            unsigned z = (seed ^ (seed >> 16)) * 0x85EBCA6Bu;
            z = (z ^ (z >> 13)) * 0xC2B2AE35u;
            S[i] = (z ^ (z >> 16)) | (i == 0 ? 1u : 0u);
        }
    }
    static unsigned Rotate(unsigned x, int k) { return (x << k) | (x >> (32 - k)); }
    unsigned Next()
    {
        const unsigned result = Rotate(S[1] * 5, 7) * 9;
        const unsigned t = S[1] << 9;
        S[2] ^= S[0];
        S[3] ^= S[1];
        S[1] ^= S[2];
        S[0] ^= S[3];
        S[2] ^= t;
        S[3] = Rotate(S[3], 11);
        return result;
    }
    unsigned Below(unsigned n) { return Next() % n; }
    bool Percent(unsigned p) { return Below(100) < p; }
};

// Every byte one of 0x00, 0x40, 0x80, 0xC0: the low six bits of all four bytes
// agree, and with them both hashes modulo any table of up to 64 slots.
unsigned CollidingNumber(unsigned bits)
{
    unsigned id = 0;
    for (unsigned i = 0; i < 4; ++i)
        id |= ((bits >> (2 * i)) & 3u) << (8 * i + 6);
    return id;
}

struct Launcher {
    void* Module = nullptr;
    standin::AnswerThroughFunction AnswerThrough = nullptr;
    standin::SetHooksFunction SetHooks = nullptr;
    standin::SetSessionFunction SetSession = nullptr;
    standin::SetResultFunction SetResult = nullptr;
    const unsigned* List = nullptr;
};

Launcher g_launcher;
unsigned long g_workerSlot; // the thread's worker, for the launcher's hooks
unsigned g_nextSession = 0x10000;
void* volatile g_probe; // kept, or the compiler drops the allocation

enum class State { Free, Live, Retired };
enum class Route { Inline, Update, Direct, Thread };

struct Ear;

struct Pending {
    unsigned Kind;
    unsigned Id;
    Ear* Listener;
};

// An answer the launcher means to give: the values after the number, as its
// listener interface takes them.
struct Answer {
    unsigned Kind;
    unsigned Id;
    Word Values[4];
    bool NeverAsked;
    bool OnUpdate;
};

struct ClientModel {
    State Is = State::Free;
    TesmaClient* Client = nullptr;
    Word Session = 0;
    void* Launcher[Kinds] = {}; // the client's listener as the launcher got it
    unsigned PendingCount = 0;
    unsigned AnswerCount = 0;
    Pending Pendings[MaxPending];
    Answer Answers[MaxAnswers];
};

// What the game's listener must hear of the answer being delivered.
struct Expectation {
    Ear* Listener = nullptr; // null: no listener may hear it
    ClientModel* Target = nullptr;
    unsigned Kind = 0;
    unsigned Id = 0;
    unsigned Values[4] = {}; // as the game's listener receives them
    Word Handle = 0;
    bool Result = false;
    bool RequestAgain = false;
    bool DestroyInside = false;
    unsigned Heard = 0;
};

struct Worker;

struct Ear : IGetLoginDetailsListener,
             IGetTesmaServerListener,
             IGetSavegameReaderListener,
             IGetSavegameWriterListener,
             IGetSavegameListListener,
             IRemoveSavegameListener,
             IGetNetworkTrafficListener {
    Worker* Owner = nullptr;

    bool Heard(unsigned kind, unsigned id, unsigned a, unsigned b, unsigned c, unsigned d, void* object);

    bool OnGetLoginDetails(unsigned r, unsigned a, unsigned b, unsigned c) override
    {
        return Heard(Login, r, a, b, c, 0, nullptr);
    }
    bool OnGetTesmaServer(unsigned r, unsigned a) override { return Heard(Server, r, a, 0, 0, 0, nullptr); }
    bool OnGetSavegameReader(unsigned r, unsigned a, SavegameReader* reader) override
    {
        return Heard(Reader, r, a, 0, 0, 0, reader);
    }
    bool OnGetSavegameWriter(unsigned r, unsigned a, SavegameWriter* writer) override
    {
        return Heard(Writer, r, a, 0, 0, 0, writer);
    }
    bool OnGetSavegameList(unsigned r, SavegameInfo* savegames, unsigned count) override
    {
        return Heard(List, r, count, 0, 0, 0, savegames);
    }
    bool OnRemoveSavegame(unsigned r, unsigned a) override { return Heard(Remove, r, a, 0, 0, 0, nullptr); }
    bool OnGetNetworkTraffic(unsigned r, unsigned a, unsigned b, unsigned c, unsigned d) override
    {
        return Heard(Traffic, r, a, b, c, d, nullptr);
    }
};

// Hands batches of answers to a second thread and waits for it, so that the
// game's calls and its answers never overlap.
struct AnswerThread {
    Worker* Owner = nullptr;
    void* Go = nullptr;
    void* Done = nullptr;
    void* Thread = nullptr;
    bool Quit = false;
    unsigned Count = 0;
    ClientModel* Targets[Batch];
    Answer Answers[Batch];
};

// One thread's clients, its share of the requests and its model of them.
struct Worker {
    Random Dice;
    unsigned Seed = 0;
    unsigned Quota = 0;
    // Clients come and go on other threads too: whether a destroyed client's
    // launcher-side listener still lives is then not this worker's to know.
    bool Shared = false;
    AnswerThread* Helper = nullptr;
    unsigned Counts[CountKinds] = {};
    unsigned ListenerCalls = 0;
    unsigned LiveCount = 0;
    ClientModel* Requesting = nullptr;
    ClientModel* Updating = nullptr;
    Expectation* Current = nullptr;
    ClientModel* Seat[Seats] = {};
    ClientModel Clients[Models];
    Ear Listeners[Ears];

    void Expect(bool ok, const char* what, unsigned kind, unsigned id)
    {
        ++Counts[Checks];
        if (!ok && ++Counts[Failures] <= 20)
            printf("seed %u: %s (kind %u, number 0x%08x)\n", Seed, what, kind, id);
    }

    ClientModel* Create();
    void Destroy(ClientModel* m);
    void DestroyAll();
    void Request(ClientModel* m, unsigned kind, unsigned id, Ear* listener);
    void RequestSomething(ClientModel* m);
    void Script(ClientModel* m, unsigned kind, unsigned id);
    Answer MakeAnswer(unsigned kind, unsigned id, bool neverAsked);
    void Deliver(ClientModel* m, const Answer& answer, Route route);
    ClientModel* PickDirect(Answer& answer);
    void AnswerDirectly();
    void Run();
};

Pending* FindPending(ClientModel* m, unsigned kind, unsigned id)
{
    for (unsigned i = 0; i < m->PendingCount; ++i)
        if (m->Pendings[i].Kind == kind && m->Pendings[i].Id == id)
            return &m->Pendings[i];
    return nullptr;
}

Answer TakeAnswer(ClientModel* m, unsigned i)
{
    const Answer answer = m->Answers[i];
    m->Answers[i] = m->Answers[--m->AnswerCount];
    return answer;
}

// The game owns the save-game objects, but their classes give it no way to
// destroy them. Each is one pointer to a cell; the library takes both, and a
// list's block, from the C heap it shares with the game, so they go back there.
void FreeSavegame(void* object)
{
    free(*static_cast<void**>(object));
    free(object);
}

void FreeList(SavegameInfo* infos, unsigned count)
{
    void** cells = reinterpret_cast<void**>(infos);
    for (unsigned i = 0; i < count; ++i)
        free(cells[i]);
    free(reinterpret_cast<unsigned*>(infos) - 1);
}

bool Ear::Heard(unsigned kind, unsigned id, unsigned a, unsigned b, unsigned c, unsigned d, void* object)
{
    Worker& w = *Owner;
    ++w.ListenerCalls;
    Expectation* e = w.Current;
    const bool expected = e != nullptr && e->Listener == this && e->Kind == kind && e->Id == id &&
                          e->Heard == 0 && e->Values[0] == a && e->Values[1] == b && e->Values[2] == c &&
                          e->Values[3] == d;
    w.Expect(expected, "a listener heard only its own first answer, with its values", kind, id);
    if (kind == Reader || kind == Writer || kind == List)
        w.Expect(object != nullptr, "a save-game answer carries its object", kind, id);
    if (object != nullptr && kind == Writer) {
        unsigned short name[] = {'s', 0};
        if (expected)
            w.Expect(static_cast<SavegameWriter*>(object)->SetName(name) == (e->Handle != 0),
                     "a writer forwards while its handle is not 0", kind, id);
        FreeSavegame(object);
    } else if (object != nullptr && kind == Reader) {
        FreeSavegame(object);
    } else if (object != nullptr && kind == List) {
        SavegameInfo* infos = static_cast<SavegameInfo*>(object);
        w.Expect(reinterpret_cast<unsigned*>(infos)[-1] == a, "a list's block begins with its count", kind, id);
        if (a != 0)
            w.Expect(infos[a - 1].GetSize() == SizeMarker, "the list's last entry forwards", kind, id);
        FreeList(infos, a);
    }
    if (!expected)
        return false;
    ++e->Heard;
    ClientModel* m = e->Target;
    if (e->RequestAgain && m->Is == State::Live && m->PendingCount < MaxPending)
        w.Request(m, kind, id, this);
    if (e->DestroyInside && m->Is == State::Live) {
        ++w.Counts[DestroyedInside];
        w.Destroy(m);
    }
    return e->Result;
}

ClientModel* Worker::Create()
{
    ClientModel* m = nullptr;
    for (ClientModel& model : Clients)
        if (model.Is == State::Free) {
            m = &model;
            break;
        }
    if (m == nullptr) {
        DestroyAll(); // which lets the retired go
        return Create();
    }
    m->Session = standin::DefaultSession;
    if (!Shared) {
        m->Session = g_nextSession++;
        g_launcher.SetSession(unsigned(m->Session));
    }
    m->Client = new TesmaClient;
    m->Is = State::Live;
    m->PendingCount = 0;
    m->AnswerCount = 0;
    for (void*& listener : m->Launcher)
        listener = nullptr;
    ++LiveCount;
    ++Counts[Created];
    Expect(m->Client->GetInstallationErrorNum() == 0, "every client binds the launcher", 0, 0);
    return m;
}

void Worker::Destroy(ClientModel* m)
{
    for (ClientModel*& seat : Seat)
        if (seat == m)
            seat = nullptr;
    TesmaClient* client = m->Client;
    m->Client = nullptr;
    Counts[DroppedRequests] += m->PendingCount;
    // With requests outstanding the launcher may still answer; the library
    // keeps the client's listener until the last client goes.
    m->Is = m->PendingCount != 0 && !Shared ? State::Retired : State::Free;
    if (m->Is == State::Free)
        Counts[Withheld] += m->AnswerCount;
    ++Counts[Destroyed];
    delete client;
    if (--LiveCount != 0 || Shared)
        return;
    ++Counts[LastClientGone];
    for (ClientModel& model : Clients)
        if (model.Is == State::Retired) {
            Counts[Withheld] += model.AnswerCount;
            model.Is = State::Free;
        }
}

void Worker::DestroyAll()
{
    for (ClientModel* m : Seat)
        if (m != nullptr)
            Destroy(m);
}

// Filed in the model first, as the library files it: the launcher may answer
// before the request returns.
void Worker::Request(ClientModel* m, unsigned kind, unsigned id, Ear* listener)
{
    if (Pending* pending = FindPending(m, kind, id)) {
        pending->Listener = listener;
        ++Counts[Repeated];
    } else {
        m->Pendings[m->PendingCount++] = Pending{kind, id, listener};
    }
    ++Counts[Requests];
    ClientModel* outer = Requesting;
    Requesting = m;
    TesmaClient& client = *m->Client;
    const unsigned a = Dice.Next(), b = Dice.Next();
    switch (kind) {
    case Login: client.GetLoginDetails(id, listener); break;
    case Server: client.GetTesmaServer(id, listener, a, b); break;
    case Reader: client.GetSavegameReader(id, listener, a, b); break;
    case Writer: client.GetSavegameWriter(id, listener, a, b, (a & 1) != 0); break;
    case List: client.GetSavegameList(id, listener, a); break;
    case Remove: client.RemoveSavegame(id, listener, a, b); break;
    default: client.GetNetworkTraffic(id, listener); break;
    }
    Requesting = outer;
}

void Worker::RequestSomething(ClientModel* m)
{
    if (m->PendingCount + 4 > MaxPending || m->AnswerCount + 8 > MaxAnswers) {
        Destroy(m);
        return;
    }
    unsigned kind = Dice.Below(Kinds);
    unsigned id;
    const unsigned pick = Dice.Below(100);
    if (pick < 12 && m->PendingCount != 0) {
        const Pending& pending = m->Pendings[Dice.Below(m->PendingCount)];
        kind = pending.Kind;
        id = pending.Id;
    } else if (pick < 45) {
        id = CollidingNumber(Dice.Next());
        ++Counts[Colliding];
    } else if (pick < 50) {
        id = Dice.Below(16);
    } else {
        id = Dice.Next();
    }
    Request(m, kind, id, &Listeners[Dice.Below(Ears)]);
}

Answer Worker::MakeAnswer(unsigned kind, unsigned id, bool neverAsked)
{
    Answer answer = {kind, id, {Dice.Next(), Dice.Next(), Dice.Next(), Dice.Next()}, neverAsked, false};
    const unsigned arity[Kinds] = {3, 1, 2, 2, 2, 1, 4};
    for (unsigned i = arity[kind]; i < 4; ++i)
        answer.Values[i] = 0;
    if ((kind == Reader || kind == Writer) && Dice.Percent(12))
        answer.Values[1] = 0; // a 0 handle still makes an object
    if (kind == List) {
        answer.Values[0] = Word(g_launcher.List);
        answer.Values[1] = Dice.Below(standin::ListLength + 1);
    }
    return answer;
}

// The launcher decides what becomes of a request as it arrives.
void Worker::Script(ClientModel* m, unsigned kind, unsigned id)
{
    const unsigned fate = Dice.Below(100);
    Answer answer = MakeAnswer(kind, id, false);
    if (fate < 10) {
        Deliver(m, answer, Route::Inline);
    } else if (fate < 90 && m->AnswerCount < MaxAnswers) {
        answer.OnUpdate = fate < 50;
        m->Answers[m->AnswerCount++] = answer;
    } // else never answered
    if (Dice.Percent(6) && m->Is == State::Live && m->AnswerCount < MaxAnswers) {
        answer = MakeAnswer(kind, id, false);
        answer.OnUpdate = Dice.Percent(50);
        m->Answers[m->AnswerCount++] = answer;
    }
}

void Worker::Deliver(ClientModel* m, const Answer& answer, Route route)
{
    if (m->Is == State::Free) {
        ++Counts[Withheld]; // destroyed within this batch: its listener is gone
        return;
    }
    const unsigned kind = answer.Kind;
    const Word* v = answer.Values;
    Expectation e;
    e.Kind = kind;
    e.Id = answer.Id;
    for (unsigned i = 0; i < 4; ++i)
        e.Values[i] = unsigned(v[i]);
    if (kind == Reader || kind == Writer) {
        e.Handle = v[1];
        e.Values[1] = 0;
    } else if (kind == List) {
        e.Values[0] = unsigned(v[1]);
        e.Values[1] = 0;
    }
    Pending* pending = m->Is == State::Live ? FindPending(m, kind, answer.Id) : nullptr;
    if (pending != nullptr) {
        e.Listener = pending->Listener;
        e.Target = m;
        e.Result = (Dice.Next() & 1) != 0;
        e.RequestAgain = Dice.Percent(2);
        e.DestroyInside = Dice.Below(1000) < 3;
        *pending = m->Pendings[--m->PendingCount]; // gone before the listener runs
    }
    const Count routes[] = {Inline, FromUpdate, Direct, FromThread};
    ++Counts[routes[unsigned(route)]];
    const unsigned heardBefore = ListenerCalls;
    Expectation* outer = Current;
    Current = &e;
    const int result = g_launcher.AnswerThrough(standin::GetLoginDetails + kind, m->Launcher[kind], answer.Id, v[0],
                                                v[1], v[2], v[3]);
    Current = outer;
    if (e.Listener != nullptr) {
        ++Counts[Delivered];
        Expect(e.Heard == 1, "the listener of a pending request heard its answer", kind, answer.Id);
        Expect(result == (e.Result ? 1 : 0), "the listener's result went back to the launcher", kind, answer.Id);
        return;
    }
    Expect(ListenerCalls == heardBefore && result == 0, "an answer to nothing pending reached no listener", kind,
           answer.Id);
    ++Counts[m->Is == State::Retired ? DroppedAnswers : answer.NeverAsked ? NeverAsked : Duplicates];
}

// An answer for a direct delivery: of a live client, one not kept for its
// Update; of a retired one, any.
ClientModel* Worker::PickDirect(Answer& answer)
{
    for (unsigned tries = 0; tries < 8; ++tries) {
        ClientModel& m = Clients[Dice.Below(Models)];
        if (m.Is == State::Free || m.AnswerCount == 0)
            continue;
        const unsigned i = Dice.Below(m.AnswerCount);
        if (m.Is == State::Live && m.Answers[i].OnUpdate)
            continue;
        answer = TakeAnswer(&m, i);
        return &m;
    }
    return nullptr;
}

void Worker::AnswerDirectly()
{
    Answer answer;
    if (Helper == nullptr || Dice.Percent(50)) {
        if (ClientModel* m = PickDirect(answer))
            Deliver(m, answer, Route::Direct);
        return;
    }
    while (Helper->Count < Batch) {
        ClientModel* m = PickDirect(answer);
        if (m == nullptr)
            break;
        Helper->Targets[Helper->Count] = m;
        Helper->Answers[Helper->Count++] = answer;
    }
    if (Helper->Count == 0)
        return;
    SetEvent(Helper->Go);
    WaitForSingleObject(Helper->Done, Infinite);
}

void Worker::Run()
{
    while (Counts[Requests] < Quota) {
        ClientModel*& seat = Seat[Dice.Below(Seats)];
        if (seat == nullptr) {
            ClientModel* created = Create();
            seat = created;
        }
        ClientModel* m = seat;
        const unsigned roll = Dice.Below(1000);
        if (roll < 500) {
            RequestSomething(m);
        } else if (roll < 700) {
            Updating = m;
            m->Client->Update();
            Updating = nullptr;
        } else if (roll < 975) {
            AnswerDirectly();
        } else if (roll < 993) {
            const unsigned kind = Dice.Below(Kinds);
            if (m->Launcher[kind] != nullptr)
                Deliver(m, MakeAnswer(kind, Dice.Next(), true), Route::Direct);
        } else if (roll < 999) {
            Destroy(m);
        } else {
            DestroyAll();
        }
    }
    DestroyAll();
}

Worker& ThisWorker()
{
    return *static_cast<Worker*>(TlsGetValue(g_workerSlot));
}

void OnRequest(void*, unsigned entry, Word session, unsigned id, void* listener)
{
    Worker& w = ThisWorker();
    ClientModel* m = w.Requesting;
    const unsigned kind = entry - standin::GetLoginDetails;
    w.Expect(m != nullptr && session == m->Session, "a request reached the launcher with its client's session",
             kind, id);
    if (m == nullptr || kind >= Kinds)
        return;
    w.Expect(m->Launcher[kind] == nullptr || m->Launcher[kind] == listener,
             "a client gives the launcher one listener per kind", kind, id);
    m->Launcher[kind] = listener;
    w.Script(m, kind, id);
}

// Answers kept for the client's Update, in random order; some wait longer.
void OnUpdate(void*, Word session)
{
    Worker& w = ThisWorker();
    ClientModel* m = w.Updating;
    w.Expect(m != nullptr && session == m->Session, "Update reached the launcher with its client's session", 0, 0);
    if (m == nullptr)
        return;
    for (unsigned tries = m->AnswerCount; tries != 0 && m->AnswerCount != 0 && m->Is == State::Live; --tries) {
        const unsigned i = w.Dice.Below(m->AnswerCount);
        if (m->Answers[i].OnUpdate)
            w.Deliver(m, TakeAnswer(m, i), Route::Update);
    }
}

unsigned long __stdcall AnswerLoop(void* parameter)
{
    AnswerThread& helper = *static_cast<AnswerThread*>(parameter);
    TlsSetValue(g_workerSlot, helper.Owner);
    for (;;) {
        WaitForSingleObject(helper.Go, Infinite);
        if (helper.Quit)
            return 0;
        for (unsigned i = 0; i < helper.Count; ++i)
            helper.Owner->Deliver(helper.Targets[i], helper.Answers[i], Route::Thread);
        helper.Count = 0;
        SetEvent(helper.Done);
    }
}

unsigned long __stdcall RunWorker(void* parameter)
{
    Worker& w = *static_cast<Worker*>(parameter);
    TlsSetValue(g_workerSlot, &w);
    w.Run();
    return 0;
}

struct HeapLevel {
    unsigned Bytes = 0;
    unsigned Blocks = 0;
    bool Walked = false;
};

// The blocks in use in the C runtime's heap, the one the library's malloc and
// the game's operator new take from.
HeapLevel MeasureHeap()
{
    HeapLevel level;
    _heapinfo entry = {};
    int status;
    while ((status = _heapwalk(&entry)) == -2 /* _HEAPOK */)
        if (entry._useflag == 1 /* _USEDENTRY */) {
            level.Bytes += unsigned(entry._size);
            ++level.Blocks;
        }
    level.Walked = status == -5; // _HEAPEND
    return level;
}

unsigned SeedArgument()
{
    const wchar_t* line = GetCommandLineW();
    const wchar_t* option = L"--seed ";
    for (unsigned i = 0; line[i] != 0; ++i) {
        unsigned j = 0;
        while (option[j] != 0 && line[i + j] == option[j])
            ++j;
        if (option[j] != 0)
            continue;
        unsigned seed = 0;
        for (const wchar_t* digit = line + i + j; *digit >= L'0' && *digit <= L'9'; ++digit)
            seed = seed * 10 + unsigned(*digit - L'0');
        return seed;
    }
    return GetTickCount() * 2654435761u;
}

bool BindLauncher(const wchar_t* libraryPath)
{
    // Held by us as well, so the stand-in keeps its script while the library
    // releases and binds it again.
    g_launcher.Module = LoadLibraryW(libraryPath);
    void* module = g_launcher.Module;
    if (module == nullptr)
        return false;
    g_launcher.AnswerThrough =
        reinterpret_cast<standin::AnswerThroughFunction>(GetProcAddress(module, "StandinAnswerThrough"));
    g_launcher.SetHooks = reinterpret_cast<standin::SetHooksFunction>(GetProcAddress(module, "StandinSetHooks"));
    g_launcher.SetSession = reinterpret_cast<standin::SetSessionFunction>(GetProcAddress(module, "StandinSetSession"));
    g_launcher.SetResult = reinterpret_cast<standin::SetResultFunction>(GetProcAddress(module, "StandinSetResult"));
    auto list = reinterpret_cast<standin::ListFunction>(GetProcAddress(module, "StandinList"));
    if (g_launcher.AnswerThrough == nullptr || g_launcher.SetHooks == nullptr || g_launcher.SetSession == nullptr ||
        g_launcher.SetResult == nullptr || list == nullptr)
        return false;
    g_launcher.List = list();
    g_launcher.SetHooks(OnRequest, OnUpdate, nullptr);
    g_launcher.SetResult(standin::SaveGameInfoGetSize, SizeMarker);
    return true;
}

} // namespace

void msvcgame::RunStress(const wchar_t* libraryPath, bool threads)
{
    const unsigned seed = SeedArgument();
    const unsigned workerCount = threads ? ThreadedWorkers : 1;
    printf("stress: seed %u (--seed %u repeats the run), %u thread(s) making requests%s\n", seed, seed, workerCount,
           threads ? ", one more answering" : "");
    fflush(nullptr); // the seed survives a crash
    g_workerSlot = TlsAlloc();
    GAME_CHECK(BindLauncher(libraryPath));
    if (g_launcher.SetHooks == nullptr)
        return;

    Worker* workers[ThreadedWorkers] = {};
    for (unsigned i = 0; i < workerCount; ++i) {
        workers[i] = new Worker;
        Worker& w = *workers[i];
        w.Seed = seed;
        w.Dice.Seed(seed + i * 0x1000193u);
        w.Quota = TotalRequests / workerCount + (i == 0 ? TotalRequests % workerCount : 0);
        w.Shared = threads;
        for (Ear& ear : w.Listeners)
            ear.Owner = &w;
    }
    AnswerThread* helper = nullptr;
    if (threads) {
        helper = new AnswerThread;
        helper->Owner = workers[0];
        helper->Go = CreateEventW(nullptr, 0, 0, nullptr);
        helper->Done = CreateEventW(nullptr, 0, 0, nullptr);
        helper->Thread = CreateThread(nullptr, 0, AnswerLoop, helper, 0, nullptr);
        workers[0]->Helper = helper;
    }
    // The process-wide binding is made once; the heap is measured after it.
    delete new TesmaClient;

    // The meter must see a block come and go.
    g_probe = malloc(100);
    const HeapLevel withProbe = MeasureHeap();
    free(g_probe);
    const HeapLevel before = MeasureHeap();
    GAME_CHECK(before.Walked && withProbe.Bytes >= before.Bytes + 100 && withProbe.Blocks == before.Blocks + 1);

    const unsigned start = GetTickCount();
    void* others[ThreadedWorkers] = {};
    for (unsigned i = 1; i < workerCount; ++i)
        others[i - 1] = CreateThread(nullptr, 0, RunWorker, workers[i], 0, nullptr);
    RunWorker(workers[0]);
    if (workerCount > 1)
        GAME_CHECK(WaitForMultipleObjects(workerCount - 1, others, 1, Infinite) == 0);
    const unsigned milliseconds = GetTickCount() - start;
    if (helper != nullptr) {
        helper->Quit = true;
        SetEvent(helper->Go);
        WaitForSingleObject(helper->Thread, Infinite);
    }
    // A client destroyed inside an answer that came on the launcher's own
    // thread leaves the release to the next client.
    delete new TesmaClient;
    const HeapLevel after = MeasureHeap();

    unsigned totals[CountKinds] = {};
    for (unsigned i = 0; i < workerCount; ++i)
        for (unsigned k = 0; k < CountKinds; ++k)
            totals[k] += workers[i]->Counts[k];
    for (unsigned k = 0; k < CountKinds; ++k)
        if (k != LastClientGone || !threads)
            printf("%-44s %u\n", CountNames[k], totals[k]);
    printf("%-44s %u\n", "threads", workerCount + (threads ? 1 : 0));
    printf("C heap in use before: %u bytes in %u blocks; after: %u bytes in %u blocks\n", before.Bytes,
           before.Blocks, after.Bytes, after.Blocks);
    printf("  of which this program's model of the run: %u bytes in %u blocks\n",
           unsigned(workerCount * sizeof(Worker) + (threads ? sizeof(AnswerThread) : 0)), workerCount + (threads ? 1 : 0));
    printf("time of the run: %u.%03u s\n", milliseconds / 1000, milliseconds % 1000);

    GAME_CHECK(totals[Requests] >= TotalRequests);
    GAME_CHECK(totals[Failures] == 0);
    GAME_CHECK(after.Walked && after.Bytes == before.Bytes && after.Blocks == before.Blocks);
    // Every load the library made of the launcher was released again.
    FreeLibrary(g_launcher.Module);
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);

    for (unsigned i = 0; i < workerCount; ++i) {
        if (i > 0)
            CloseHandle(others[i - 1]);
        delete workers[i];
    }
    if (helper != nullptr) {
        CloseHandle(helper->Go);
        CloseHandle(helper->Done);
        CloseHandle(helper->Thread);
        delete helper;
    }
}
