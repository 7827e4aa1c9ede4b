// The client under load: 100,000 requests of all seven kinds on clients that
// come and go, under random numbers, numbers repeated while still pending and
// numbers whose bytes agree in their low bits (the table's two hashes then
// agree as well). A scripted launcher answers every request it received, once,
// as the real one does: inline, from Update, from outside any call, from a
// second thread, also after the game destroyed the client; only the release
// of the library loses what it still owed. Now and then it also answers what
// it does not owe, as a launcher with a fault does: a number never used, one
// it answered before, another client's. With threads, a second thread of the
// launcher's answers a client while the game destroys it. The heap is churned after every destruction, so that a client's freed
// state is in other hands before a late answer could reach it. A model says
// what the game must hear of each answer and when the library must be loaded,
// and the C heap must come back to its level.

#include "MsvcGame.h"

extern "C" decltype(sizeof(0)) _msize(void* block);

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
constexpr unsigned ChurnBlocks = 16;
constexpr unsigned SizeMarker = 0x51CE;
constexpr unsigned long Infinite = 0xFFFFFFFF;

// A kind is its request's entry point counted from GetLoginDetails.
enum Kind : unsigned { Login, Server, Reader, Writer, List, Remove, Traffic };

enum Count : unsigned {
    Requests,
    Repeated,
    Colliding,
    Given,
    Inline,
    FromUpdate,
    Direct,
    FromThread,
    Heard,
    Duplicates,
    NeverAsked,
    ToDestroyed,
    Lost,
    DroppedRequests,
    Created,
    Destroyed,
    DestroyedInside,
    DestroyedOwed,
    LastClientGone,
    Released,
    Churned,
    Checks,
    Failures,
    CountKinds
};

const char* const CountNames[CountKinds] = {
    "requests",
    "  under a number still pending",
    "  under a colliding number",
    "answers the launcher gave",
    "  inline",
    "  from Update",
    "  from outside any call",
    "  from a second thread",
    "  heard by the game",
    "  second answers under one number, ignored",
    "  under numbers not owed, ignored",
    "  to destroyed clients, ignored",
    "answers lost with the released library",
    "requests dropped with their client",
    "clients created",
    "clients destroyed",
    "  inside a listener",
    "  while answers were owed",
    "times the last client went",
    "times the library was released",
    "heap blocks churned",
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
    void* Module = nullptr; // the image the control below was taken from; null once released
    standin::AnswerThroughFunction AnswerThrough = nullptr;
    standin::SetHooksFunction SetHooks = nullptr;
    standin::SetSessionFunction SetSession = nullptr;
    standin::SetResultFunction SetResult = nullptr;
    const unsigned* List = nullptr;
};

Launcher g_launcher;
const wchar_t* g_libraryPath;
unsigned long g_workerSlot; // the thread's worker, for the launcher's hooks
unsigned g_nextSession = 0x10000;
unsigned g_pimplSize;   // the C heap block of a client's state
bool g_keptLoaded;      // an answer came from outside any call
unsigned g_keptAfter;   // the requests made until then
void* volatile g_probe; // kept, or the compiler drops the allocation

enum class State { Free, Live, Retired };
enum class Route { Inline, Update, Direct, Thread };

struct Ear;

struct Pending {
    unsigned Kind;
    unsigned Id;
    Ear* Listener;
};

// An answer the launcher owes: the values after the number, as its listener
// interface takes them.
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
    unsigned InFlight = 0; // owed answers taken out of Answers and not yet given
    Pending Pendings[MaxPending];
    Answer Answers[MaxAnswers];
    unsigned LastAnswered[Kinds] = {}; // valid where Answered is set
    bool Answered[Kinds] = {};

    unsigned Owed() const { return AnswerCount + InFlight; }
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
    // A race instead: answers under 0 to Count - 1 through this listener of
    // the launcher's, none of them in the model.
    void* RaceListener = nullptr;
};

// The game's listener of a client destroyed while a thread of the
// launcher's answers it: none may start, or still run, once the destructor
// returned.
struct RaceEar : IGetLoginDetailsListener {
    volatile long Returned = 0;
    volatile long Late = 0;

    // Only the launcher's thread writes Late; the game reads it once that
    // thread said it is done.
    bool OnGetLoginDetails(unsigned, unsigned, unsigned, unsigned) override
    {
        for (volatile unsigned spin = 0; spin < 2; spin = spin + 1)
            if (Returned != 0)
                Late = Late + 1;
        return true;
    }
};

// One thread's clients, its share of the requests and its model of them.
struct Worker {
    Random Dice;
    unsigned Seed = 0;
    unsigned Quota = 0;
    // Clients come and go on other threads too: they share the stand-in's
    // session, and the library stays loaded from the start (KeepLoaded).
    bool Shared = false;
    // Answers from outside any call may come.
    bool FromOutside = false;
    AnswerThread* Helper = nullptr;
    unsigned Counts[CountKinds] = {};
    unsigned ListenerCalls = 0;
    unsigned LiveCount = 0;
    ClientModel* Requesting = nullptr;
    // Requests of a racing client: only the launcher's listener is noted.
    bool Racing = false;
    void* RaceListener = nullptr;
    unsigned Races = 0;
    // An answer not owed, given inside the next Update of a live client.
    ClientModel* UnowedTarget = nullptr;
    Answer Unowed = {};
    ClientModel* Updating = nullptr;
    Expectation* Current = nullptr;
    ClientModel* Seat[Seats] = {};
    void* Churn[ChurnBlocks] = {};
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
    void CheckBinding();
    void MakeRoom();
    void ChurnHeap();
    void Request(ClientModel* m, unsigned kind, unsigned id, Ear* listener);
    void RequestSomething(ClientModel* m);
    void Script(ClientModel* m, unsigned kind, unsigned id);
    Answer MakeAnswer(unsigned kind, unsigned id);
    void Deliver(ClientModel* m, const Answer& answer, Route route);
    ClientModel* PickDirect(Answer& answer);
    void AnswerDirectly();
    void AnswerDestroyed(Route route, unsigned clients);
    void AnswerUnowed(ClientModel* live);
    void RaceDestruction();
    void RunHelper();
    void KeepLoaded();
    void Run();
};

Pending* FindPending(ClientModel* m, unsigned kind, unsigned id)
{
    for (unsigned i = 0; i < m->PendingCount; ++i)
        if (m->Pendings[i].Kind == kind && m->Pendings[i].Id == id)
            return &m->Pendings[i];
    return nullptr;
}

// Out of the launcher's queue, owed until given.
Answer TakeAnswer(ClientModel* m, unsigned i)
{
    const Answer answer = m->Answers[i];
    m->Answers[i] = m->Answers[--m->AnswerCount];
    ++m->InFlight;
    return answer;
}

// The game owns the save-game objects and gives each back when done.
void FreeSavegame(SavegameReader* reader)
{
    SavegameReader::Release(reader);
}

void FreeSavegame(SavegameWriter* writer)
{
    SavegameWriter::Release(writer);
}

void FreeList(SavegameInfo* infos, unsigned)
{
    SavegameInfo::ReleaseList(infos);
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
        FreeSavegame(static_cast<SavegameWriter*>(object));
    } else if (object != nullptr && kind == Reader) {
        FreeSavegame(static_cast<SavegameReader*>(object));
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
    if (e->RequestAgain && m->Is == State::Live && m->PendingCount < MaxPending && m->AnswerCount < MaxAnswers)
        w.Request(m, kind, id, this);
    if (e->DestroyInside && m->Is == State::Live) {
        ++w.Counts[DestroyedInside];
        w.Destroy(m);
    }
    return e->Result;
}

void OnRequest(void*, unsigned entry, Word session, unsigned id, void* listener);
void OnUpdate(void*, Word session);

// The stand-in's control from module, scripted afresh: an image loaded anew
// knows nothing of the last one.
bool TakeControl(void* module)
{
    g_launcher = Launcher();
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
    g_launcher.Module = module;
    g_launcher.List = list();
    g_launcher.SetHooks(OnRequest, OnUpdate, nullptr);
    g_launcher.SetResult(standin::SaveGameInfoGetSize, SizeMarker);
    return true;
}

ClientModel* Worker::Create()
{
    CheckBinding();
    ClientModel* m = nullptr;
    for (ClientModel& model : Clients)
        if (model.Is == State::Free) {
            m = &model;
            break;
        }
    if (m == nullptr) {
        MakeRoom();
        return Create();
    }
    // A released stand-in is loaded by us for the client's construction only,
    // so that it is scripted before the client binds it and goes when the
    // client's binding lets it go.
    void* ours = nullptr;
    if (g_launcher.Module == nullptr) {
        ours = LoadLibraryW(g_libraryPath);
        if (!TakeControl(ours)) {
            printf("seed %u: the stand-in at its path has no control\n", Seed);
            ExitProcess(1);
        }
    }
    m->Session = standin::DefaultSession;
    if (!Shared) {
        m->Session = g_nextSession++;
        g_launcher.SetSession(unsigned(m->Session));
    }
    m->Client = new TesmaClient;
    if (ours != nullptr)
        FreeLibrary(ours);
    // The client's one member points to its state.
    if (g_pimplSize == 0)
        g_pimplSize = unsigned(_msize(*reinterpret_cast<void**>(m->Client)));
    m->Is = State::Live;
    m->PendingCount = 0;
    m->AnswerCount = 0;
    m->InFlight = 0;
    for (void*& listener : m->Launcher)
        listener = nullptr;
    for (bool& answered : m->Answered)
        answered = false;
    ++LiveCount;
    ++Counts[Created];
    Expect(m->Client->GetInstallationErrorNum() == 0, "every client binds the launcher", 0, 0);
    return m;
}

// Blocks of the size of a client's state and others taken and given back, so
// that the memory of a destroyed client is reused before a late answer comes.
void Worker::ChurnHeap()
{
    for (unsigned i = 0; i < 4; ++i) {
        void*& block = Churn[Dice.Below(ChurnBlocks)];
        free(block);
        const unsigned size = Dice.Percent(50) ? g_pimplSize : 4 + Dice.Below(500);
        block = malloc(size);
        unsigned char* bytes = static_cast<unsigned char*>(block);
        for (unsigned j = 0; j < size; ++j)
            bytes[j] = 0xCC;
        ++Counts[Churned];
    }
}

void Worker::Destroy(ClientModel* m)
{
    for (ClientModel*& seat : Seat)
        if (seat == m)
            seat = nullptr;
    TesmaClient* client = m->Client;
    m->Client = nullptr;
    Counts[DroppedRequests] += m->PendingCount;
    m->PendingCount = 0;
    // The launcher still answers what it owes; the library keeps the state
    // for those answers and frees it with the last.
    m->Is = m->Owed() != 0 ? State::Retired : State::Free;
    Counts[DestroyedOwed] += m->Owed() != 0 ? 1 : 0;
    ++Counts[Destroyed];
    delete client;
    ChurnHeap();
    if (--LiveCount == 0 && !Shared)
        ++Counts[LastClientGone];
}

void Worker::DestroyAll()
{
    for (ClientModel* m : Seat)
        if (m != nullptr)
            Destroy(m);
}

// Between the game's calls: the library is loaded while a client lives and,
// once an answer came from outside any call, for good; otherwise it was
// released with every answer it still owed.
void Worker::CheckBinding()
{
    const bool loaded = GetModuleHandleW(g_libraryPath) != nullptr;
    Expect(loaded == (LiveCount != 0 || g_keptLoaded),
           "the library is loaded exactly while a client lives or an answer came from outside any call", 0, 0);
    if (loaded || g_launcher.Module == nullptr)
        return;
    ++Counts[Released];
    g_launcher.Module = nullptr;
    for (ClientModel& model : Clients)
        if (model.Is == State::Retired) {
            Counts[Lost] += model.Owed();
            model.Is = State::Free;
        }
}

// Room for a client: the destroyed ones go with the library or, while it is
// kept loaded, with their last answers.
void Worker::MakeRoom()
{
    DestroyAll();
    CheckBinding();
    AnswerDestroyed(Route::Direct, Models);
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

Answer Worker::MakeAnswer(unsigned kind, unsigned id)
{
    Answer answer = {kind, id, {Dice.Next(), Dice.Next(), Dice.Next(), Dice.Next()}, false, false};
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

// The launcher owes an answer for every request as it arrives, and gives it
// inside the call or keeps it for later.
void Worker::Script(ClientModel* m, unsigned kind, unsigned id)
{
    Answer answer = MakeAnswer(kind, id);
    if (Dice.Percent(10) || m->AnswerCount == MaxAnswers) {
        ++m->InFlight;
        Deliver(m, answer, Route::Inline);
        return;
    }
    answer.OnUpdate = !FromOutside || Dice.Percent(45);
    m->Answers[m->AnswerCount++] = answer;
}

void Worker::Deliver(ClientModel* m, const Answer& answer, Route route)
{
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
    const bool destroyed = m->Is != State::Live;
    Pending* pending = destroyed ? nullptr : FindPending(m, kind, answer.Id);
    if (pending != nullptr) {
        e.Listener = pending->Listener;
        e.Target = m;
        e.Result = (Dice.Next() & 1) != 0;
        e.RequestAgain = Dice.Percent(2);
        e.DestroyInside = Dice.Below(1000) < 3;
        *pending = m->Pendings[--m->PendingCount]; // gone before the listener runs
    }
    if (!answer.NeverAsked) {
        m->LastAnswered[kind] = answer.Id;
        m->Answered[kind] = true;
    }
    const Count routes[] = {Inline, FromUpdate, Direct, FromThread};
    ++Counts[routes[unsigned(route)]];
    ++Counts[Given];
    if ((route == Route::Direct || route == Route::Thread) && !g_keptLoaded) {
        g_keptLoaded = true;
        g_keptAfter = Counts[Requests];
    }
    const unsigned heardBefore = ListenerCalls;
    Expectation* outer = Current;
    Current = &e;
    const int result = g_launcher.AnswerThrough(standin::GetLoginDetails + kind, m->Launcher[kind], answer.Id, v[0],
                                                v[1], v[2], v[3]);
    Current = outer;
    --m->InFlight;
    // The last answer owed to a destroyed client freed its state.
    if (m->Is == State::Retired && m->Owed() == 0)
        m->Is = State::Free;
    if (e.Listener != nullptr) {
        ++Counts[Heard];
        Expect(e.Heard == 1, "the listener of a pending request heard its answer", kind, answer.Id);
        Expect(result == (e.Result ? 1 : 0), "the listener's result went back to the launcher", kind, answer.Id);
        return;
    }
    Expect(ListenerCalls == heardBefore && result == 0, "an answer to nothing pending reached no listener", kind,
           answer.Id);
    ++Counts[answer.NeverAsked ? NeverAsked : destroyed ? ToDestroyed : Duplicates];
}

// An answer from outside any call: of a live client, one not kept for its
// Update; of a destroyed one, any.
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

void Worker::RunHelper()
{
    SetEvent(Helper->Go);
    WaitForSingleObject(Helper->Done, Infinite);
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
    if (Helper->Count != 0)
        RunHelper();
}

// Every answer still owed to some of the destroyed clients, in random order.
void Worker::AnswerDestroyed(Route route, unsigned clients)
{
    const unsigned first = Dice.Below(Models);
    for (unsigned i = 0; i < Models && clients != 0; ++i) {
        ClientModel& m = Clients[(first + i) % Models];
        if (m.Is != State::Retired)
            continue;
        while (m.AnswerCount != 0)
            Deliver(&m, TakeAnswer(&m, Dice.Below(m.AnswerCount)), route);
        --clients;
    }
}

// With clients on several threads the library could go at any time: an
// answer from outside any call first keeps it loaded, so that every worker
// may answer its destroyed clients to the end.
void Worker::KeepLoaded()
{
    while (!g_keptLoaded) {
        if (Seat[0] == nullptr)
            Seat[0] = Create();
        ClientModel* m = Seat[0];
        RequestSomething(m);
        if (m->Is != State::Live || m->AnswerCount == 0)
            continue;
        Helper->Targets[0] = m;
        Helper->Answers[0] = TakeAnswer(m, m->AnswerCount - 1);
        Helper->Count = 1;
        RunHelper();
    }
}

void Worker::Run()
{
    while (Counts[Requests] < Quota) {
        // Answers from outside any call keep the library loaded for good, so a
        // lone worker has them in the second half of its requests only: the
        // first sees releases and new bindings.
        FromOutside = Shared || Counts[Requests] >= Quota / 2;
        ClientModel*& seat = Seat[Dice.Below(Seats)];
        if (seat == nullptr) {
            ClientModel* created = Create();
            seat = created;
        }
        ClientModel* m = seat;
        const unsigned roll = Dice.Below(1000);
        if (roll < 500) {
            RequestSomething(m);
        } else if (roll < 700 || (roll < 975 && !FromOutside)) {
            Updating = m;
            m->Client->Update();
            Updating = nullptr;
        } else if (roll < 975) {
            AnswerDirectly();
        } else if (roll < 990 || (roll < 993 && Helper == nullptr)) {
            AnswerUnowed(m);
        } else if (roll < 993) {
            RaceDestruction();
        } else if (roll < 999) {
            Destroy(m);
        } else {
            DestroyAll();
        }
        CheckBinding();
    }
    DestroyAll();
    CheckBinding();
    AnswerDestroyed(Route::Direct, Models);
    CheckBinding();
    for (void*& block : Churn) {
        free(block);
        block = nullptr;
    }
}

bool IsOwed(const ClientModel& m, unsigned kind, unsigned id)
{
    for (unsigned i = 0; i < m.AnswerCount; ++i)
        if (m.Answers[i].Kind == kind && m.Answers[i].Id == id)
            return true;
    return false;
}

// Through the listener of a client whose state lives, under a number not owed
// to it: one never used, one answered before, or one owed to another client.
// Nothing of it counts against the client. From outside any call when such
// answers may come, else inside live's next Update.
void Worker::AnswerUnowed(ClientModel* live)
{
    ClientModel& m = Clients[Dice.Below(Models)];
    const unsigned kind = Dice.Below(Kinds);
    if (m.Is == State::Free || m.Launcher[kind] == nullptr)
        return;
    unsigned id = Dice.Next();
    const unsigned shape = Dice.Below(3);
    if (shape == 1 && m.Answered[kind]) {
        id = m.LastAnswered[kind];
    } else if (shape == 2) {
        const ClientModel& other = Clients[Dice.Below(Models)];
        if (&other != &m && other.AnswerCount != 0)
            id = other.Answers[Dice.Below(other.AnswerCount)].Id;
    }
    if (IsOwed(m, kind, id))
        return;
    Answer answer = MakeAnswer(kind, id);
    answer.NeverAsked = true;
    ++m.InFlight; // as a taken answer, for Deliver to count out
    if (FromOutside) {
        Deliver(&m, answer, Route::Direct);
        return;
    }
    UnowedTarget = &m;
    Unowed = answer;
    Updating = live;
    live->Client->Update();
    Updating = nullptr;
    Expect(UnowedTarget == nullptr, "the Update gave the answer not owed", kind, id);
}

// A client the model does not know asks eight times; the helper thread
// answers all eight while this thread destroys the client.
void Worker::RaceDestruction()
{
    RaceEar ear;
    TesmaClient* client = new TesmaClient;
    Racing = true;
    for (unsigned id = 0; id < Batch; ++id)
        client->GetLoginDetails(id, &ear);
    Racing = false;
    Helper->RaceListener = RaceListener;
    Helper->Count = Batch;
    SetEvent(Helper->Go);
    for (volatile unsigned spin = Dice.Below(2000); spin != 0; spin = spin - 1) {
    }
    delete client;
    ear.Returned = 1;
    WaitForSingleObject(Helper->Done, Infinite);
    Expect(ear.Late == 0, "no listener ran after its client's destructor returned", Login, 0);
    ++Races;
}

Worker& ThisWorker()
{
    return *static_cast<Worker*>(TlsGetValue(g_workerSlot));
}

void OnRequest(void*, unsigned entry, Word session, unsigned id, void* listener)
{
    Worker& w = ThisWorker();
    if (w.Racing) {
        w.RaceListener = listener;
        return;
    }
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

// Answers kept for the client's Update, in random order, some of them left
// for later; then all that one destroyed client is owed.
void OnUpdate(void*, Word session)
{
    Worker& w = ThisWorker();
    ClientModel* m = w.Updating;
    w.Expect(m != nullptr && session == m->Session, "Update reached the launcher with its client's session", 0, 0);
    if (m == nullptr)
        return;
    if (ClientModel* target = w.UnowedTarget) {
        w.UnowedTarget = nullptr;
        w.Deliver(target, w.Unowed, Route::Update);
    }
    for (unsigned tries = m->AnswerCount; tries != 0 && m->AnswerCount != 0 && m->Is == State::Live; --tries) {
        const unsigned i = w.Dice.Below(m->AnswerCount);
        if (m->Answers[i].OnUpdate)
            w.Deliver(m, TakeAnswer(m, i), Route::Update);
    }
    w.AnswerDestroyed(Route::Update, 1);
}

unsigned long __stdcall AnswerLoop(void* parameter)
{
    AnswerThread& helper = *static_cast<AnswerThread*>(parameter);
    TlsSetValue(g_workerSlot, helper.Owner);
    for (;;) {
        WaitForSingleObject(helper.Go, Infinite);
        if (helper.Quit)
            return 0;
        for (unsigned i = 0; i < helper.Count; ++i) {
            if (helper.RaceListener != nullptr)
                g_launcher.AnswerThrough(standin::GetLoginDetails, helper.RaceListener, i, 1, 2, 3, 0);
            else
                helper.Owner->Deliver(helper.Targets[i], helper.Answers[i], Route::Thread);
        }
        helper.Count = 0;
        helper.RaceListener = nullptr;
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

} // namespace

void msvcgame::RunStress(const wchar_t* libraryPath, bool threads)
{
    const unsigned seed = SeedArgument();
    const unsigned workerCount = threads ? ThreadedWorkers : 1;
    printf("stress: seed %u (--seed %u repeats the run), %u thread(s) making requests%s\n", seed, seed, workerCount,
           threads ? ", one more answering" : "");
    fflush(nullptr); // the seed survives a crash
    g_workerSlot = TlsAlloc();
    g_libraryPath = libraryPath;

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
    // The process-wide binding is made once, and released with the client; the
    // heap is measured after it.
    delete new TesmaClient;
    GAME_CHECK(GetModuleHandleW(libraryPath) == nullptr);

    // The meter must see a block come and go.
    g_probe = malloc(100);
    const HeapLevel withProbe = MeasureHeap();
    free(g_probe);
    const HeapLevel before = MeasureHeap();
    GAME_CHECK(before.Walked && withProbe.Bytes >= before.Bytes + 100 && withProbe.Blocks == before.Blocks + 1);

    const unsigned start = GetTickCount();
    TlsSetValue(g_workerSlot, workers[0]);
    if (threads)
        workers[0]->KeepLoaded();
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
    const HeapLevel after = MeasureHeap();

    unsigned totals[CountKinds] = {};
    for (unsigned i = 0; i < workerCount; ++i)
        for (unsigned k = 0; k < CountKinds; ++k)
            totals[k] += workers[i]->Counts[k];
    for (unsigned k = 0; k < CountKinds; ++k)
        if (k != LastClientGone || !threads)
            printf("%-44s %u\n", CountNames[k], totals[k]);
    if (g_keptLoaded)
        printf("%-44s %u\n", "library kept loaded after request", g_keptAfter);
    if (threads)
        printf("%-44s %u\n", "clients destroyed while a thread answered", workers[0]->Races);
    printf("%-44s %u\n", "threads", workerCount + (threads ? 1 : 0));
    printf("C heap in use before: %u bytes in %u blocks; after: %u bytes in %u blocks\n", before.Bytes,
           before.Blocks, after.Bytes, after.Blocks);
    printf("  of which this program's model of the run: %u bytes in %u blocks\n",
           unsigned(workerCount * sizeof(Worker) + (threads ? sizeof(AnswerThread) : 0)), workerCount + (threads ? 1 : 0));
    printf("time of the run: %u.%03u s\n", milliseconds / 1000, milliseconds % 1000);

    GAME_CHECK(totals[Requests] >= TotalRequests);
    GAME_CHECK(totals[Failures] == 0);
    // Every answer owed was given, or lost with the library that owed it;
    // the launcher gave the answers not owed besides.
    GAME_CHECK(totals[Requests] == totals[Given] - totals[NeverAsked] + totals[Lost]);
    GAME_CHECK(threads || totals[Released] != 0);
    GAME_CHECK(after.Walked && after.Bytes == before.Bytes && after.Blocks == before.Blocks);
    // Nobody else holds the stand-in: after an answer from outside any call
    // the library keeps it; otherwise the last client released it.
    GAME_CHECK((GetModuleHandleW(libraryPath) != nullptr) == g_keptLoaded);

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
