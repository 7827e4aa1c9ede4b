// The seven asynchronous requests driven natively through clients and the
// stand-in launcher, which answers every request it received, as the real
// launcher does: inside the request call, from Update, or from outside any
// call, in any order, also after the game destroyed the client; and, as a
// launcher with a fault does, now and then under a number never asked or
// another client's, or again under a number it answered. A model says which
// game listener each answer must reach (the listener filed last under a
// pending number, exactly once, for the first answer only; nothing for a
// second answer under one number, a number not owed, a request dropped for
// want of a session, or a destroyed client) and when the library must be
// released: when the last client goes, unless an answer came from outside any
// call, which keeps it loaded for good. A release loses what the launcher
// still owed.

#include "FakeSystem.h"
#include "FuzzCheck.h"
#include "RecordingListener.h"
#include "Standin.h"

#include "kz/tesmaclient/TesmaClient.h"
#include "launcher/LauncherApi.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define ROUTING_HEAP_BYTES() __sanitizer_get_current_allocated_bytes()
#endif
#endif
#ifndef ROUTING_HEAP_BYTES
#define ROUTING_HEAP_BYTES() std::size_t(0)
#endif

extern "C" {
void StandinSetHooks(standin::RequestHook request, standin::UpdateHook update, void* context);
int StandinAnswerThrough(unsigned entry, void* listener, unsigned requestId, standin::Word a, standin::Word b,
                         standin::Word c, standin::Word d);
}

using kz::tesmaclient::TesmaClient;
using standin::Word;
using testsupport::Answer;
using testsupport::AnswerKind;
using testsupport::RecordingListener;

namespace {

// The input, read front to back as steps of a few bytes each, so that a case
// can be written by hand; past its end every read gives 0.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_size == 0; }
    unsigned Byte()
    {
        if (m_size == 0)
            return 0;
        --m_size;
        return *m_data++;
    }
    unsigned Word()
    {
        unsigned word = 0;
        for (unsigned i = 0; i < 4; ++i)
            word |= Byte() << (8 * i);
        return word;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

constexpr unsigned Kinds = 7;
constexpr unsigned ListenerCount = 3;
constexpr unsigned Session = 0x5E55;
constexpr unsigned ChurnBlocks = 8;

standin::Entry EntryOf(unsigned kind)
{
    return static_cast<standin::Entry>(standin::GetLoginDetails + kind);
}

// Per kind, the numbers pending on a client and the listener filed (-1: null),
// and the answers owed under each number; the client's state lives while it
// is live or owed anything, and the library was not released since.
struct ClientModel {
    bool Live = true;
    bool Released = false;
    std::map<unsigned, int> Pending[Kinds];
    std::map<unsigned, unsigned> OwedUnder[Kinds];
    void* Listener[Kinds] = {};

    bool StateLives() const
    {
        if (Released)
            return false;
        if (Live)
            return true;
        for (const auto& owed : OwedUnder)
            if (!owed.empty())
                return true;
        return false;
    }
};

// An answer the launcher owes: one per request it received.
struct Owed {
    unsigned Kind;
    unsigned Id;
    void* Listener; // as the request passed it
    std::size_t Client;
};

struct Routing {
    Input* In = nullptr;
    std::unique_ptr<testsupport::Standin> Launcher;
    std::unique_ptr<TesmaClient> Idle; // without a session: its requests are dropped
    std::unique_ptr<TesmaClient> Client;
    RecordingListener Listeners[ListenerCount];
    RecordingListener Dropped;
    bool RequestAgain[ListenerCount] = {};
    std::vector<ClientModel> Clients; // the last one is Client, the others are destroyed
    std::vector<Owed> Queue;          // in the order received
    std::vector<Owed> Answered;       // what the launcher may answer again
    unsigned Inside = 0;              // what the next request's call answers inside it
    unsigned UpdateAnswers = 0;       // how many answers the next Update gives
    bool AgainDuringUpdate = false;   // the next Update answers again (GiveAgain)
    unsigned AgainIndex = 0;
    unsigned AgainId = 0;
    bool KeptLoaded = false;
    unsigned Frees = 0;
    unsigned Loads = 1;
    void* Churn[ChurnBlocks] = {};

    RecordingListener* ListenerAt(int index) { return index < 0 ? nullptr : &Listeners[index]; }
};

// Issues a request of kind on client; returns the arguments the launcher must
// receive after the session, number and listener.
std::vector<Word> Request(TesmaClient& client, unsigned kind, unsigned id, RecordingListener* listener, unsigned a,
                          unsigned b, bool flag)
{
    switch (kind) {
    case 0:
        client.GetLoginDetails(id, listener);
        return {};
    case 1:
        client.GetTesmaServer(id, listener, a, b);
        return {a, b};
    case 2:
        client.GetSavegameReader(id, listener, a, b);
        return {a, b};
    case 3:
        client.GetSavegameWriter(id, listener, a, b, flag);
        return {a, b, flag};
    case 4:
        client.GetSavegameList(id, listener, a);
        return {a};
    case 5:
        client.RemoveSavegame(id, listener, a, b);
        return {a, b};
    default:
        client.GetNetworkTraffic(id, listener);
        return {};
    }
}

void CheckAnswer(Routing& r, const Answer& answer, unsigned kind, unsigned id, const Word (&values)[4])
{
    FUZZ_CHECK(answer.Kind == static_cast<AnswerKind>(kind));
    FUZZ_CHECK(answer.RequestId == id);
    switch (static_cast<AnswerKind>(kind)) {
    case AnswerKind::LoginDetails:
        FUZZ_CHECK(answer.Values[0] == values[0] && answer.Values[1] == values[1] && answer.Values[2] == values[2]);
        break;
    case AnswerKind::NetworkTraffic:
        for (unsigned i = 0; i < 4; ++i)
            FUZZ_CHECK(answer.Values[i] == values[i]);
        break;
    case AnswerKind::SavegameReader: {
        FUZZ_CHECK(answer.Values[0] == values[0] && answer.Object != nullptr);
        // The reader carries the launcher's handle; a 0 handle calls nothing.
        const unsigned before = r.Launcher->CallCount();
        static_cast<kz::tesmaclient::SavegameReader*>(answer.Object)->Close();
        FUZZ_CHECK(r.Launcher->CallCount() == before + (values[1] != 0 ? 1 : 0));
        if (values[1] != 0) {
            const standin::Call& close = r.Launcher->CallAt(before);
            FUZZ_CHECK(close.EntryPoint == standin::SaveGameReaderClose && close.Arguments[0] == values[1]);
        }
        break;
    }
    case AnswerKind::SavegameWriter:
        FUZZ_CHECK(answer.Values[0] == values[0] && answer.Object != nullptr);
        break;
    case AnswerKind::SavegameList: {
        const unsigned count = static_cast<unsigned>(values[1]);
        FUZZ_CHECK(answer.Values[0] == count && answer.Object != nullptr);
        if (count != 0) {
            // The last entry refers to the launcher's last element in place.
            auto* entries = static_cast<kz::tesmaclient::SavegameInfo*>(answer.Object);
            const unsigned before = r.Launcher->CallCount();
            entries[count - 1].GetSize();
            FUZZ_CHECK(r.Launcher->CallCount() == before + 1);
            const standin::Call& size = r.Launcher->CallAt(before);
            FUZZ_CHECK(size.EntryPoint == standin::SaveGameInfoGetSize &&
                       size.Arguments[0] == values[0] + 4 * (count - 1));
        }
        break;
    }
    default:
        FUZZ_CHECK(answer.Values[0] == values[0]);
        break;
    }
}

// The save-game objects of an answer belong to the game. The library never
// frees them; this game does, the way they were made, so that a long run
// neither grows nor hides another leak: each object is one pointer to a cell
// from the C heap, and a list is one block from the C heap that begins with
// its count word.
void Reclaim(const Answer& answer)
{
    void** objects = static_cast<void**>(answer.Object);
    switch (answer.Kind) {
    case AnswerKind::SavegameReader:
    case AnswerKind::SavegameWriter:
        std::free(objects[0]);
        std::free(objects);
        break;
    case AnswerKind::SavegameList:
        for (unsigned i = 0; i < answer.Values[0]; ++i)
            std::free(objects[i]);
        std::free(reinterpret_cast<std::size_t*>(objects) - 1);
        break;
    default:
        break;
    }
}

// What the listeners heard before a step.
struct Heard {
    std::size_t Counts[ListenerCount];
    explicit Heard(const Routing& r)
    {
        for (unsigned i = 0; i < ListenerCount; ++i)
            Counts[i] = r.Listeners[i].Answers.size();
    }
};

// The values of an answer of kind: as many as it carries; for a list, the
// stand-in's list and a count that stays inside it.
void AnswerValues(Input& input, const Routing& r, unsigned kind, Word (&values)[4])
{
    static const unsigned carried[Kinds] = {3, 1, 2, 2, 0, 1, 4};
    for (unsigned i = 0; i < carried[kind]; ++i)
        values[i] = input.Word();
    if (kind == 4) {
        values[0] = reinterpret_cast<Word>(r.Launcher->List());
        values[1] = input.Byte() % (standin::ListLength + 1);
    }
}

unsigned ReadNumber(Input& input)
{
    // Few numbers, so that requests and answers meet; now and then any number.
    const unsigned pick = input.Byte();
    return pick >= 0xF0 ? input.Word() : pick % 8;
}

// Answers through the listener owed's request passed, under id: the first
// answer under a number pending on a live client reaches the listener filed
// last under it, once; any other answer reaches nobody. Only an answer under
// a number owed counts against the client.
void Deliver(Routing& r, const Owed& owed, unsigned id, const Word (&values)[4], bool outsideAnyCall)
{
    ClientModel& client = r.Clients[owed.Client];
    FUZZ_CHECK(client.StateLives());
    int reached = -1;
    auto counted = client.OwedUnder[owed.Kind].find(id);
    if (counted != client.OwedUnder[owed.Kind].end()) {
        if (--counted->second == 0)
            client.OwedUnder[owed.Kind].erase(counted);
        auto pending = client.Pending[owed.Kind].find(id);
        if (client.Live && pending != client.Pending[owed.Kind].end()) {
            reached = pending->second;
            client.Pending[owed.Kind].erase(pending);
        }
    }
    r.KeptLoaded = r.KeptLoaded || outsideAnyCall;
    const Heard before(r);
    const int result =
        StandinAnswerThrough(EntryOf(owed.Kind), owed.Listener, id, values[0], values[1], values[2], values[3]);
    FUZZ_CHECK(result == (reached >= 0 ? int(r.Listeners[reached].Result) : 0));
    for (int i = 0; i < int(ListenerCount); ++i) {
        const std::size_t heard = r.Listeners[i].Answers.size();
        FUZZ_CHECK(heard == before.Counts[i] + (i == reached ? 1 : 0));
        if (i == reached) {
            CheckAnswer(r, r.Listeners[i].Answers[before.Counts[i]], owed.Kind, id, values);
            Reclaim(r.Listeners[i].Answers[before.Counts[i]]);
        }
    }
    FUZZ_CHECK(r.Dropped.Answers.empty());
}

// Gives the owed answer at index, under id, which need not be its own.
void Give(Routing& r, std::size_t index, unsigned id, const Word (&values)[4], bool outsideAnyCall)
{
    const Owed owed = r.Queue[index];
    r.Queue.erase(r.Queue.begin() + static_cast<std::ptrdiff_t>(index));
    r.Answered.push_back(owed);
    Deliver(r, owed, id, values, outsideAnyCall);
}

// Answers again what was answered before, through a state that still lives:
// index picks one, and id, a number not owed, is the number it comes under.
void GiveAgain(Routing& r, unsigned index, unsigned id, bool outsideAnyCall)
{
    std::vector<const Owed*> candidates;
    for (const Owed& answered : r.Answered)
        if (r.Clients[answered.Client].StateLives())
            candidates.push_back(&answered);
    if (candidates.empty())
        return;
    const Owed owed = *candidates[index % candidates.size()];
    // Under a number owed it would stand for the answer still to come, whose
    // own arrival could then find the state gone: no library can tell those.
    if (r.Clients[owed.Client].OwedUnder[owed.Kind].count(id) != 0)
        return;
    Word values[4] = {};
    AnswerValues(*r.In, r, owed.Kind, values);
    Deliver(r, owed, id, values, outsideAnyCall);
}

// The launcher gives the first answer it owes of kind under id, or else the
// first of kind, under id all the same; owing none of kind, it gives none. The
// values follow in the input.
void GiveAnswer(Routing& r, unsigned kind, unsigned id, bool outsideAnyCall)
{
    Word values[4] = {};
    AnswerValues(*r.In, r, kind, values);
    std::size_t chosen = r.Queue.size();
    for (std::size_t i = 0; i < r.Queue.size(); ++i) {
        if (r.Queue[i].Kind != kind)
            continue;
        if (chosen == r.Queue.size())
            chosen = i;
        if (r.Queue[i].Id == id) {
            chosen = i;
            break;
        }
    }
    if (chosen != r.Queue.size())
        Give(r, chosen, id, values, outsideAnyCall);
}

// An answer as the input gives it: a kind byte, a number, the values.
void GiveFromInput(Routing& r, bool outsideAnyCall)
{
    const unsigned kind = r.In->Byte() % Kinds;
    const unsigned id = ReadNumber(*r.In);
    GiveAnswer(r, kind, id, outsideAnyCall);
}

void OnRequest(void* context, unsigned entry, Word session, unsigned id, void* listener)
{
    Routing& r = *static_cast<Routing*>(context);
    FUZZ_CHECK(session == Session && entry >= standin::GetLoginDetails && listener != nullptr);
    const unsigned kind = entry - standin::GetLoginDetails;
    ClientModel& client = r.Clients.back();
    FUZZ_CHECK(client.Listener[kind] == nullptr || client.Listener[kind] == listener);
    client.Listener[kind] = listener;
    ++client.OwedUnder[kind][id];
    r.Queue.push_back({kind, id, listener, r.Clients.size() - 1});
    const unsigned inside = r.Inside;
    r.Inside = 0;
    if (inside == 2) {
        Word values[4] = {};
        AnswerValues(*r.In, r, r.Queue.back().Kind, values);
        Give(r, r.Queue.size() - 1, id, values, false);
    } else if (inside == 3) {
        GiveFromInput(r, false);
    }
}

void OnUpdate(void* context, Word session)
{
    Routing& r = *static_cast<Routing*>(context);
    FUZZ_CHECK(session == Session);
    if (r.AgainDuringUpdate) {
        r.AgainDuringUpdate = false;
        GiveAgain(r, r.AgainIndex, r.AgainId, false);
    }
    for (; r.UpdateAnswers != 0; --r.UpdateAnswers)
        GiveFromInput(r, false);
}

// Blocks of the size of a client's state and others taken and given back, so
// that a destroyed client's memory is reused before a late answer comes.
void ChurnHeap(Routing& r, std::size_t stateSize)
{
    for (unsigned i = 0; i < ChurnBlocks; ++i) {
        std::free(r.Churn[i]);
        const std::size_t size = i % 2 == 0 ? stateSize : 8 + 40 * i;
        r.Churn[i] = std::malloc(size);
        std::memset(r.Churn[i], 0xCC, size);
    }
}

// The client goes, and with all it gives the idle one too: the last client
// then releases the library, with whatever the launcher still owed, unless an
// answer came from outside any call.
void DestroyClients(Routing& r, bool all)
{
    const std::size_t stateSize = malloc_usable_size(*reinterpret_cast<void**>(r.Client.get()));
    r.Client.reset();
    r.Clients.back().Live = false;
    if (all) {
        r.Idle.reset();
        if (!r.KeptLoaded) {
            ++r.Frees;
            r.Queue.clear();
            r.Answered.clear();
            // Their states went with the library, and what was owed to them.
            for (ClientModel& client : r.Clients) {
                client.Released = true;
                for (auto& owed : client.OwedUnder)
                    owed.clear();
            }
        }
    }
    ChurnHeap(r, stateSize);
}

// One step: an operation byte, a kind byte, a number (a byte 0 to 7, or above
// 0xF0 a whole word follows), then what the operation needs.
void Step(Input& input, Routing& r)
{
    // The stand-in records at most 1024 calls; a step makes far fewer.
    if (r.Launcher->CallCount() > 900) {
        r.Launcher->Reset();
        StandinSetHooks(OnRequest, OnUpdate, &r);
    }
    const unsigned operation = input.Byte() % 10;
    const unsigned kindByte = input.Byte();
    const unsigned kind = kindByte % Kinds;
    const unsigned id = ReadNumber(input);

    switch (operation) {
    case 0:
    case 1:
    case 2: {
        // A request on the client: listener byte (0 null, else one of three),
        // inside byte (2: its own answer comes inside the call, then its values;
        // 3: an answer as GiveFromInput reads it), the two values and the flag.
        const int listener = static_cast<int>(input.Byte() % (ListenerCount + 1)) - 1;
        const unsigned inside = input.Byte() % 4;
        const unsigned a = input.Word();
        const unsigned b = input.Word();
        const bool flag = input.Byte() % 2 != 0;
        // Filed before the call, as the library files it.
        r.Clients.back().Pending[kind][id] = listener;
        r.Inside = inside;
        const std::size_t owedBefore = r.Queue.size();
        const unsigned callsBefore = r.Launcher->CallCount();
        const std::vector<Word> arguments = Request(*r.Client, kind, id, r.ListenerAt(listener), a, b, flag);
        FUZZ_CHECK(r.Inside == 0);
        FUZZ_CHECK(r.Launcher->CallCount() > callsBefore);
        const standin::Call& call = r.Launcher->CallAt(callsBefore);
        FUZZ_CHECK(call.EntryPoint == EntryOf(kind) && call.ArgumentCount == 3 + arguments.size());
        FUZZ_CHECK(call.Arguments[0] == Session && call.Arguments[1] == id && call.Arguments[2] != 0);
        for (std::size_t i = 0; i < arguments.size(); ++i)
            FUZZ_CHECK(call.Arguments[3 + i] == arguments[i]);
        if (inside < 2)
            FUZZ_CHECK(r.Launcher->CallCount() == callsBefore + 1 && r.Queue.size() == owedBefore + 1);
        break;
    }
    case 3: {
        // An answer from outside any call, as from a thread of the launcher's.
        GiveAnswer(r, kind, id, true);
        break;
    }
    case 4: {
        // An answer given before, again, inside Update (kind byte bit 7 clear)
        // or from outside any call, under id.
        if ((kindByte & 0x80) != 0) {
            GiveAgain(r, kindByte, id, true);
            break;
        }
        r.UpdateAnswers = 0;
        r.AgainDuringUpdate = true;
        r.AgainIndex = kindByte;
        r.AgainId = id;
        r.Client->Update();
        FUZZ_CHECK(!r.AgainDuringUpdate);
        break;
    }
    case 5:
    case 6: {
        // Update, inside which the launcher gives up to three answers.
        r.UpdateAnswers = kindByte % 4;
        r.Client->Update();
        FUZZ_CHECK(r.UpdateAnswers == 0);
        break;
    }
    case 7: {
        // Without a session nothing is filed or forwarded, and nothing owed.
        const unsigned callsBefore = r.Launcher->CallCount();
        Request(*r.Idle, kind, id, &r.Dropped, 1, 2, true);
        FUZZ_CHECK(r.Launcher->CallCount() == callsBefore);
        break;
    }
    case 8: {
        // How one listener behaves: the kind byte names it, the number sets its
        // result (bit 0) and whether it asks again (bit 1).
        const unsigned listener = kind % ListenerCount;
        r.Listeners[listener].Result = (id & 1) != 0;
        r.RequestAgain[listener] = (id & 2) != 0;
        break;
    }
    default: {
        // A new client; with bit 0 of the number a new idle one too, so that
        // the last client went meanwhile.
        const bool all = (id & 1) != 0;
        const bool released = all && !r.KeptLoaded;
        DestroyClients(r, all);
        if (all) {
            r.Launcher->SetSession(0);
            r.Idle = std::make_unique<TesmaClient>();
            r.Loads += released ? 1 : 0;
        }
        r.Launcher->SetSession(Session);
        r.Client = std::make_unique<TesmaClient>();
        r.Clients.emplace_back();
        break;
    }
    }
    // Released exactly when the model says so, and bound anew after.
    FUZZ_CHECK(testsupport::Fake().Frees == r.Frees && testsupport::Fake().Loads.size() == r.Loads);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    Routing r;
    r.In = &input;
    r.Launcher = testsupport::InstallFullStandin();
    StandinSetHooks(OnRequest, OnUpdate, &r);
    r.Launcher->SetSession(0);
    r.Idle = std::make_unique<TesmaClient>();
    r.Launcher->SetSession(Session);
    r.Client = std::make_unique<TesmaClient>();
    r.Clients.emplace_back();
    FUZZ_CHECK(r.Client->GetInstallationErrorNum() == 0);
    for (unsigned i = 0; i < ListenerCount; ++i) {
        // A listener may ask again under the same number from inside its answer.
        r.Listeners[i].OnAnswer = [&r, i](const Answer& answer) {
            if (!r.RequestAgain[i])
                return;
            const unsigned kind = static_cast<unsigned>(answer.Kind);
            r.Clients.back().Pending[kind][answer.RequestId] = int(i);
            Request(*r.Client, kind, answer.RequestId, &r.Listeners[i], 0, 0, false);
        };
    }
    for (unsigned steps = 0; steps < 300 && !input.Empty(); ++steps)
        Step(input, r);

    // The game ends. Unless the library went with the last client, the
    // launcher gives all it still owes, and then what it answered under
    // other numbers once more, under the numbers asked: the last answer owed
    // to each destroyed client frees its state, and a release then frees
    // nothing more.
    DestroyClients(r, true);
    if (r.KeptLoaded) {
        while (!r.Queue.empty()) {
            const Word values[4] = {r.Queue[0].Kind == 4 ? reinterpret_cast<Word>(r.Launcher->List()) : 0, 0, 0, 0};
            Give(r, 0, r.Queue[0].Id, values, true);
        }
        for (std::size_t c = 0; c < r.Clients.size(); ++c)
            for (unsigned kind = 0; kind < Kinds; ++kind)
                while (!r.Clients[c].OwedUnder[kind].empty()) {
                    const Word values[4] = {kind == 4 ? reinterpret_cast<Word>(r.Launcher->List()) : 0, 0, 0, 0};
                    const Owed owed = {kind, r.Clients[c].OwedUnder[kind].begin()->first, r.Clients[c].Listener[kind], c};
                    Deliver(r, owed, owed.Id, values, true);
                }
        const std::size_t heapBefore = ROUTING_HEAP_BYTES();
        // Also the next input starts with a library that is not kept loaded.
        kz::LauncherApi::Instance().Release();
        FUZZ_CHECK(ROUTING_HEAP_BYTES() == heapBefore);
        ++r.Frees;
    }
    FUZZ_CHECK(testsupport::Fake().Frees == r.Frees);
    StandinSetHooks(nullptr, nullptr, nullptr);
    for (void* block : r.Churn)
        std::free(block);
    return 0;
}
