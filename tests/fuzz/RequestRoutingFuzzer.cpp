// The seven asynchronous requests driven natively through a client and the
// stand-in launcher, against a model of which game listener each answer must
// reach: the listener filed last under the number, exactly once, for the first
// answer only; nothing for a repeated answer, a number never asked, a request
// dropped for want of a session, or a client destroyed meanwhile.

#include "FuzzCheck.h"
#include "RecordingListener.h"
#include "Standin.h"

#include "kz/tesmaclient/TesmaClient.h"

#include <cstdlib>
#include <map>
#include <memory>

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

standin::Entry EntryOf(unsigned kind)
{
    return static_cast<standin::Entry>(standin::GetLoginDetails + kind);
}

// Whom the stand-in calls back for an entry point: the listener the last
// request to it passed.
enum class Target { None, Current, Retired };

struct Routing {
    std::unique_ptr<testsupport::Standin> Launcher;
    std::unique_ptr<TesmaClient> Idle; // without a session: its requests are dropped
    std::unique_ptr<TesmaClient> Client;
    RecordingListener Listeners[ListenerCount];
    RecordingListener Dropped;
    bool RequestAgain[ListenerCount] = {};
    // Per kind, the numbers pending on Client and the listener filed (-1: null).
    std::map<unsigned, int> Pending[Kinds];
    Target Targets[Kinds] = {};

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

// The answer to a pending request reaches its listener, once; the listener
// that asks again under the same number files a new request. result is what
// the launcher got back (-1: it had no listener to call), if it was seen.
void ExpectDelivery(Routing& r, const Heard& before, unsigned kind, unsigned id, const Word (&values)[4],
                    const int* result, bool reachedLauncher)
{
    auto pending = r.Pending[kind].find(id);
    int reached = -1;
    if (reachedLauncher && r.Targets[kind] == Target::Current && pending != r.Pending[kind].end()) {
        reached = pending->second;
        r.Pending[kind].erase(pending);
    }
    const int expectedResult = reachedLauncher ? (reached >= 0 ? int(r.Listeners[reached].Result) : 0) : -1;
    if (result != nullptr)
        FUZZ_CHECK(*result == expectedResult);
    for (int i = 0; i < int(ListenerCount); ++i) {
        const std::size_t heard = r.Listeners[i].Answers.size();
        FUZZ_CHECK(heard == before.Counts[i] + (i == reached ? 1 : 0));
        if (i == reached) {
            CheckAnswer(r, r.Listeners[i].Answers[before.Counts[i]], kind, id, values);
            Reclaim(r.Listeners[i].Answers[before.Counts[i]]);
        }
    }
    if (reached >= 0 && r.RequestAgain[reached])
        r.Pending[kind][id] = reached;
    FUZZ_CHECK(r.Dropped.Answers.empty());
}

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

// One step: an operation byte, a kind byte, a number byte (0 to 7, or above
// 0xF0 a whole word follows), then what the operation needs.
void Step(Input& input, Routing& r)
{
    const unsigned operation = input.Byte() % 10;
    const unsigned kind = input.Byte() % Kinds;
    // Few numbers, so that requests and answers meet; now and then any number.
    const unsigned pick = input.Byte();
    const unsigned id = pick >= 0xF0 ? input.Word() : pick % 8;
    Word values[4] = {};

    switch (operation) {
    case 0:
    case 1:
    case 2: {
        // A request on the client, answered later or from inside the call:
        // listener byte (0 null, else one of three), inside byte, the two
        // values and the flag.
        const int listener = static_cast<int>(input.Byte() % (ListenerCount + 1)) - 1;
        const bool inside = input.Byte() % 4 == 3;
        const unsigned a = input.Word();
        const unsigned b = input.Word();
        const bool flag = input.Byte() % 2 != 0;
        if (inside)
            AnswerValues(input, r, kind, values);
        if (inside)
            r.Launcher->AnswerInside(EntryOf(kind), values[0], values[1], values[2], values[3]);
        const Heard before(r);
        const unsigned callsBefore = r.Launcher->CallCount();
        const std::vector<Word> arguments = Request(*r.Client, kind, id, r.ListenerAt(listener), a, b, flag);
        FUZZ_CHECK(r.Launcher->CallCount() > callsBefore);
        const standin::Call& call = r.Launcher->CallAt(callsBefore);
        FUZZ_CHECK(call.EntryPoint == EntryOf(kind) && call.ArgumentCount == 3 + arguments.size());
        FUZZ_CHECK(call.Arguments[0] == Session && call.Arguments[1] == id && call.Arguments[2] != 0);
        for (std::size_t i = 0; i < arguments.size(); ++i)
            FUZZ_CHECK(call.Arguments[3 + i] == arguments[i]);
        r.Pending[kind][id] = listener;
        r.Targets[kind] = Target::Current;
        if (inside)
            ExpectDelivery(r, before, kind, id, values, nullptr, true);
        else
            FUZZ_CHECK(r.Launcher->CallCount() == callsBefore + 1);
        break;
    }
    case 3:
    case 4:
    case 5:
    case 6: {
        AnswerValues(input, r, kind, values);
        const Heard before(r);
        const int result = r.Launcher->Answer(EntryOf(kind), id, values[0], values[1], values[2], values[3]);
        ExpectDelivery(r, before, kind, id, values, &result, r.Targets[kind] != Target::None);
        break;
    }
    case 7: {
        // Without a session nothing is filed or forwarded, and nothing answered.
        const unsigned callsBefore = r.Launcher->CallCount();
        Request(*r.Idle, kind, id, &r.Dropped, 1, 2, true);
        FUZZ_CHECK(r.Launcher->CallCount() == callsBefore);
        break;
    }
    case 8: {
        // How one listener behaves: the kind byte names it, the number byte
        // sets its result (bit 0) and whether it asks again (bit 1).
        const unsigned listener = kind % ListenerCount;
        r.Listeners[listener].Result = (pick & 1) != 0;
        r.RequestAgain[listener] = (pick & 2) != 0;
        break;
    }
    default: {
        // A new client. The old one's pending requests are dropped: while the
        // idle client keeps the launcher loaded it may still answer them, to
        // no effect. Without pending requests the old client is gone at once,
        // so the launcher forgets it.
        bool pending = false;
        for (const auto& table : r.Pending)
            pending = pending || !table.empty();
        r.Client.reset();
        for (auto& table : r.Pending)
            table.clear();
        for (Target& target : r.Targets)
            target = pending && target == Target::Current ? Target::Retired : target;
        if (!pending) {
            r.Launcher->Reset();
            for (Target& target : r.Targets)
                target = Target::None;
        }
        r.Launcher->SetSession(Session);
        r.Client = std::make_unique<TesmaClient>();
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    Routing r;
    r.Launcher = testsupport::InstallFullStandin();
    r.Launcher->SetSession(0);
    r.Idle = std::make_unique<TesmaClient>();
    r.Launcher->SetSession(Session);
    r.Client = std::make_unique<TesmaClient>();
    FUZZ_CHECK(r.Client->GetInstallationErrorNum() == 0);
    for (unsigned i = 0; i < ListenerCount; ++i) {
        // A listener may ask again under the same number from inside its answer.
        r.Listeners[i].OnAnswer = [&r, i](const Answer& answer) {
            if (r.RequestAgain[i])
                Request(*r.Client, static_cast<unsigned>(answer.Kind), answer.RequestId, &r.Listeners[i], 0, 0, false);
        };
    }
    // The stand-in records at most 1024 calls; a step makes at most three.
    for (unsigned steps = 0; steps < 300 && !input.Empty(); ++steps)
        Step(input, r);
    r.Client.reset();
    r.Idle.reset();
    return 0;
}
