// The relay's messages between a 64-bit game and its host: each kind crosses
// unchanged, and whatever a broken or hostile peer could send is refused
// whole, before any of it is used.

#include "launcher/relay/RelayCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace kz::relay;

namespace {

using Raw = std::vector<std::uint8_t>;

const IssuedIds Issued{2, 3, 1, 4};

Raw ToRaw(Bytes& bytes)
{
    return Raw(bytes.Data(), bytes.Data() + bytes.Count());
}

Raw Encode(const CallMessage& call)
{
    Bytes out;
    EncodeCall(call, out);
    return ToRaw(out);
}

// Little-endian words and bytes, for messages written by hand.
struct Builder {
    Raw bytes;
    Builder& W(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(std::uint8_t(v >> (8 * i)));
        return *this;
    }
    Builder& B(std::uint8_t v)
    {
        bytes.push_back(v);
        return *this;
    }
    Builder& U16(std::u16string s)
    {
        for (char16_t c : s) {
            bytes.push_back(std::uint8_t(c));
            bytes.push_back(std::uint8_t(c >> 8));
        }
        return *this;
    }
};

bool Decodes(const Raw& raw, CallMessage& call, const IssuedIds& issued = Issued)
{
    return DecodeCall(raw.data(), raw.size(), issued, call);
}

bool DecodesReply(Call kind, const Raw& raw, std::uint32_t sessions = 2)
{
    Reply reply;
    return DecodeReply(kind, raw.data(), raw.size(), sessions, reply);
}

std::u16string Utf16Of(const Text& text)
{
    std::vector<unsigned short> units(text.Units + 1);
    CopyText(text, units.data());
    return std::u16string(units.begin(), units.end() - 1);
}

const unsigned short KeyUnits[] = {'K', 0xE9, 0x4E2D, 0};
const unsigned short ShortUnits[] = {'K', 0xE9, 0};

Text Utf16Text(const unsigned short* units, std::uint32_t count)
{
    return Text{true, 2, count, reinterpret_cast<const std::uint8_t*>(units)};
}

Text AsciiText(const char* text)
{
    return Text{true, 1, std::uint32_t(std::strlen(text)), reinterpret_cast<const std::uint8_t*>(text)};
}

} // namespace

TEST(RelayCodecRoundTrip, EveryCallKindCrossesUnchanged)
{
    for (std::uint32_t kind = 1; kind <= LastCall; ++kind) {
        CallMessage call = MakeCall(static_cast<Call>(kind));
        const Call k = call.Kind;
        const bool onSession = k == Call::Update || k == Call::GetRequestUniqueId || k == Call::StartLauncher ||
                               k == Call::StartProcess || k == Call::Request || k == Call::GetLocText;
        const bool onReader = k == Call::ReaderRead || k == Call::ReaderClose;
        const bool onWriter = k == Call::WriterSetName || k == Call::WriterWrite || k == Call::WriterClose;
        const bool onInfo = k >= Call::InfoGetName && k <= Call::InfoGetSize;
        call.Target = onSession ? 2 : onReader ? 3 : onWriter ? 1 : onInfo ? 4 : 0;
        const std::uint8_t data[] = {1, 2, 3, 0, 5};
        if (k == Call::Hello)
            call.Values[0] = ProtocolVersion;
        if (k == Call::StartLauncher) {
            call.Values[0] = 7;
            call.Values[1] = 0xFFFFFFFFu;
            call.Texts[0] = AsciiText("cmd");
            call.Texts[1] = Text{false, 1, 0, nullptr};
        }
        if (k == Call::StartProcess) {
            call.Texts[0] = Utf16Text(KeyUnits, 3);
            call.Texts[1] = Text{false, 2, 0, nullptr};
            call.Texts[2] = Utf16Text(KeyUnits + 3, 0);
        }
        if (k == Call::Request) {
            const std::uint32_t values[5] = {SavegameWriterKind, 0xDEADBEEFu, 4242, 9, 1};
            std::memcpy(call.Values, values, sizeof values);
        }
        if (k == Call::GetLocText) {
            call.Texts[0] = Utf16Text(KeyUnits, 3);
            call.Texts[1] = AsciiText("de-DE");
        }
        if (k == Call::ReaderRead) {
            const std::uint32_t values[5] = {15, 99, 1000, 0x10000000u, HasListener | HasBuffer};
            std::memcpy(call.Values, values, sizeof values);
        }
        if (k == Call::WriterSetName)
            call.Texts[0] = Utf16Text(KeyUnits, 3);
        if (k == Call::WriterWrite) {
            const std::uint32_t values[5] = {12, 100, sizeof data, 0, HasBuffer};
            std::memcpy(call.Values, values, sizeof values);
            call.Data = data;
        }
        if (k == Call::WriterClose)
            call.Values[0] = 1;

        const Raw raw = Encode(call);
        CallMessage back;
        ASSERT_TRUE(Decodes(raw, back)) << "kind " << kind;
        EXPECT_EQ(back.Kind, call.Kind);
        EXPECT_EQ(back.Target, call.Target);
        EXPECT_EQ(0, std::memcmp(back.Values, call.Values, sizeof call.Values)) << "kind " << kind;
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(back.Texts[t].Present, call.Texts[t].Present) << "kind " << kind << " text " << t;
            EXPECT_EQ(back.Texts[t].Units, call.Texts[t].Units);
        }
        if (k == Call::GetLocText) {
            EXPECT_EQ(Utf16Of(back.Texts[0]), std::u16string(u"K\u00e9\u4e2d"));
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Texts[1].Data)), "de-DE");
        }
        if (k == Call::WriterWrite) {
            EXPECT_EQ(0, std::memcmp(back.Data, data, sizeof data));
        }
        // Every shorter prefix is a truncated message, and refused.
        for (std::size_t size = 0; size < raw.size(); ++size)
            EXPECT_FALSE(DecodeCall(raw.data(), size, Issued, back)) << "kind " << kind << " cut at " << size;
    }
}

TEST(RelayCodecRoundTrip, EveryResultAndAnswerCrossesUnchanged)
{
    // A hello, then the results with a text.
    Reply hello;
    const std::uint32_t values[4] = {ProtocolVersion, 3, 0, 126};
    std::memcpy(hello.Values, values, sizeof values);
    hello.Texts[0] = Utf16Text(KeyUnits, 3);
    hello.Texts[1] = Utf16Text(ShortUnits, 2);
    hello.Texts[2] = AsciiText("KzTesmadllSaveGameInfoGetSize");
    Bytes out;
    EncodeResult(Call::Hello, hello, out);
    const std::uint8_t none[4] = {0, 0, 0, 0};
    out.AddRange(none, 4);
    Reply back;
    ASSERT_TRUE(DecodeReply(Call::Hello, out.Data(), out.Count(), 0, back));
    EXPECT_EQ(0, std::memcmp(back.Values, values, sizeof values));
    EXPECT_EQ(Utf16Of(back.Texts[1]), std::u16string(u"K\u00e9"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Texts[2].Data)), "KzTesmadllSaveGameInfoGetSize");

    // Update's reply with one answer of every kind, in order.
    const std::uint8_t ids[8] = {5, 0, 0, 0, 6, 0, 0, 0};
    const std::uint8_t read[3] = {9, 8, 7};
    std::vector<Answer> answers;
    for (std::uint32_t kind = 0; kind < RequestKindCount; ++kind) {
        Answer a{AnswerType::Request, 2, kind, 100 + kind, 0, {1, 2, 3, 4}, 0, 0, nullptr};
        if (kind == SavegameReaderKind || kind == SavegameWriterKind)
            a.Handle = 3;
        if (kind == SavegameListKind) {
            a.Values[0] = 0;
            a.Count = 2;
            a.Items = ids;
        }
        answers.push_back(a);
    }
    answers.push_back(Answer{AnswerType::Read, 0, 0, 15, 77, {0, 3, 0, 0}, 0, 3, read});
    answers.push_back(Answer{AnswerType::Write, 0, 0, 12, 78, {3, 0, 0, 0}, 0, 0, nullptr});
    Bytes reply;
    EncodeResult(Call::Update, Reply(), reply);
    Builder count;
    count.W(std::uint32_t(answers.size()));
    reply.AddRange(count.bytes.data(), 4);
    for (const Answer& a : answers)
        EncodeAnswer(a, reply);
    Reply decoded;
    ASSERT_TRUE(DecodeReply(Call::Update, reply.Data(), reply.Count(), 2, decoded));
    ASSERT_EQ(decoded.Answers.Count(), answers.size());
    const std::uint32_t used[7] = {3, 1, 1, 1, 0, 1, 4}; // values each request kind carries
    for (unsigned i = 0; i < answers.size(); ++i) {
        const Answer& got = decoded.Answers.At(i);
        const Answer& sent = answers[i];
        EXPECT_EQ(got.Type, sent.Type) << i;
        EXPECT_EQ(got.RequestId, sent.RequestId) << i;
        EXPECT_EQ(got.Handle, sent.Handle) << i;
        EXPECT_EQ(got.Count, sent.Count) << i;
        if (sent.Type == AnswerType::Request) {
            EXPECT_EQ(got.Session, 2u);
            EXPECT_EQ(got.Kind, sent.Kind);
            EXPECT_EQ(0, std::memcmp(got.Values, sent.Values, used[sent.Kind] * 4)) << i;
        } else {
            EXPECT_EQ(got.Token, sent.Token);
            EXPECT_EQ(got.Values[0], sent.Values[0]);
            EXPECT_EQ(got.Values[1], sent.Values[1]);
        }
        if (sent.Count != 0) {
            const std::size_t bytes = sent.Type == AnswerType::Read ? sent.Count : sent.Count * 4;
            EXPECT_EQ(0, std::memcmp(got.Items, sent.Items, bytes)) << i;
        }
    }
}

TEST(RelayCodecRefusals, MalformedCallsAreRefusedWhole)
{
    struct Case {
        const char* what;
        Raw raw;
    };
    const Case cases[] = {
        {"empty", Raw{}},
        {"kind 0", Builder().W(0).bytes},
        {"kind past the last", Builder().W(LastCall + 1).bytes},
        {"session 0", Builder().W(std::uint32_t(Call::Update)).W(0).bytes},
        {"session never issued", Builder().W(std::uint32_t(Call::Update)).W(3).bytes},
        {"reader id never issued", Builder().W(std::uint32_t(Call::ReaderClose)).W(4).bytes},
        {"a reader's id on a writer", Builder().W(std::uint32_t(Call::WriterClose)).W(3).W(1).bytes},
        {"info id never issued", Builder().W(std::uint32_t(Call::InfoGetSize)).W(5).bytes},
        {"request kind 7", Builder().W(std::uint32_t(Call::Request)).W(1).W(7).W(1).W(0).W(0).W(0).bytes},
        {"flag on a kind without one", Builder().W(std::uint32_t(Call::Request)).W(1).W(0).W(1).W(0).W(0).W(1).bytes},
        {"writer flag not a bool", Builder().W(std::uint32_t(Call::Request)).W(1).W(3).W(1).W(0).W(0).W(2).bytes},
        {"close flag not a bool", Builder().W(std::uint32_t(Call::WriterClose)).W(1).W(2).bytes},
        {"unknown read flags", Builder().W(std::uint32_t(Call::ReaderRead)).W(1).W(1).W(1).W(0).W(4).W(8).bytes},
        {"trailing byte", Builder().W(std::uint32_t(Call::Update)).W(1).B(0).bytes},
        {"text presence not 0 or 1", Builder().W(std::uint32_t(Call::WriterSetName)).W(1).B(2).bytes},
        {"text without terminator", Builder().W(std::uint32_t(Call::WriterSetName)).W(1).B(1).W(2).U16(u"ab").U16(u"c").bytes},
        {"text with a NUL inside", Builder().W(std::uint32_t(Call::WriterSetName)).W(1).B(1).W(2).U16(u"a").U16(std::u16string(2, u'\0')).bytes},
        {"text longer than the message", Builder().W(std::uint32_t(Call::WriterSetName)).W(1).B(1).W(0x7FFFFFFF).U16(u"a").bytes},
        {"text length wraps", Builder().W(std::uint32_t(Call::WriterSetName)).W(1).B(1).W(0xFFFFFFFF).U16(u"a").bytes},
        {"8-bit text without terminator", Builder().W(std::uint32_t(Call::GetLocText)).W(1).B(0).B(1).W(2).B('e').B('n').B('!').bytes},
        {"write data beyond the message", Builder().W(std::uint32_t(Call::WriterWrite)).W(1).W(1).W(1).W(10).W(HasBuffer).B(1).B(2).bytes},
        {"write size without data past it", Builder().W(std::uint32_t(Call::WriterWrite)).W(1).W(1).W(1).W(0xFFFFFFFF).W(HasBuffer).bytes},
    };
    for (const Case& c : cases) {
        CallMessage call;
        EXPECT_FALSE(Decodes(c.raw, call)) << c.what;
    }
    // The same ids are taken once issued.
    CallMessage call;
    EXPECT_TRUE(Decodes(Builder().W(std::uint32_t(Call::Update)).W(3).bytes, call, IssuedIds{3, 0, 0, 0}));
}

TEST(RelayCodecRefusals, MalformedRepliesAreRefusedWhole)
{
    struct Case {
        const char* what;
        Call kind;
        Raw raw;
    };
    const auto answer = [](std::uint32_t session, std::uint32_t kind) {
        return Builder().W(std::uint32_t(AnswerType::Request)).W(session).W(kind).W(1);
    };
    const Case cases[] = {
        {"empty", Call::Update, Raw{}},
        {"no answer count", Call::GetRequestUniqueId, Builder().W(5).bytes},
        {"trailing byte", Call::Update, Builder().W(0).B(0).bytes},
        {"answers on a call that delivers none", Call::GetLocText,
         Builder().W(TextNull).W(1).W(uint32_t(AnswerType::Write)).W(1).W(1).W(0).W(0).bytes},
        {"answer count beyond the message", Call::Update, Builder().W(0x20000000).W(0).W(0).bytes},
        {"answer type 0", Call::Update, Builder().W(1).W(0).W(0).W(0).W(0).W(0).bytes},
        {"answer type 4", Call::Update, Builder().W(1).W(4).W(0).W(0).W(0).W(0).bytes},
        {"answer to session 0", Call::Update, Builder().W(1).bytes},
        {"answer to a session never issued", Call::Update, Builder().W(1).bytes},
        {"request kind 7", Call::Update, Builder().W(1).bytes},
        {"list count beyond the message", Call::Update, Builder().W(1).bytes},
        {"list entry id 0", Call::Update, Builder().W(1).bytes},
        {"read data longer than its byte count", Call::ReaderRead,
         Builder().W(1).W(uint32_t(AnswerType::Read)).W(1).W(1).W(0).W(1).W(2).B(1).B(2).bytes},
        {"read data beyond the message", Call::ReaderRead,
         Builder().W(1).W(uint32_t(AnswerType::Read)).W(1).W(1).W(0).W(100).W(100).B(1).bytes},
        {"truncated answer", Call::Update, Builder().W(1).W(uint32_t(AnswerType::Write)).W(1).W(1).W(0).bytes},
        {"bool result not 0 or 1", Call::StartLauncher, Builder().W(2).W(0).bytes},
        {"text result kind 3", Call::GetLocText, Builder().W(3).W(0).bytes},
        {"a name that is the key", Call::InfoGetName, Builder().W(TextIsKey).W(0).bytes},
        {"a text result without its text", Call::InfoGetName, Builder().W(TextIs).B(0).W(0).bytes},
        {"a session not the next", Call::GetSession, Builder().W(2).W(0).bytes},
        {"hello with error number 4", Call::Hello, Builder().W(1).W(4).W(0).W(0).B(1).W(0).W(0).bytes},
    };
    // The answer cases need their answers appended.
    std::vector<Case> all(std::begin(cases), std::end(cases));
    auto appended = [&](const char* what, Builder tail) {
        for (Case& c : all)
            if (std::strcmp(c.what, what) == 0)
                c.raw.insert(c.raw.end(), tail.bytes.begin(), tail.bytes.end());
    };
    appended("answer to session 0", answer(0, LoginDetailsKind).W(1).W(1).W(0));
    appended("answer to a session never issued", answer(3, LoginDetailsKind).W(1).W(1).W(0));
    appended("request kind 7", answer(1, 7).W(0));
    appended("list count beyond the message", answer(1, SavegameListKind).W(0x40000000).W(1));
    appended("list entry id 0", answer(1, SavegameListKind).W(2).W(1).W(0));
    for (const Case& c : all)
        EXPECT_FALSE(DecodesReply(c.kind, c.raw)) << c.what;
    // The well-formed neighbours of those cases are taken.
    EXPECT_TRUE(DecodesReply(Call::Update, Builder().W(1).W(1).W(2).W(LoginDetailsKind).W(1).W(1).W(1000).W(0).bytes));
    EXPECT_TRUE(DecodesReply(Call::GetSession, Builder().W(3).W(0).bytes));
}

TEST(RelayCodecFrames, PiecesAssembleOnlyInOrderAndInsideTheArea)
{
    Raw message(1000);
    for (std::size_t i = 0; i < message.size(); ++i)
        message[i] = std::uint8_t(i * 13);
    std::vector<std::uint8_t> area(FrameHeaderBytes + 300);
    Reassembly whole;
    Frame frame;
    for (std::uint32_t offset = 0; offset < message.size();) {
        const std::uint32_t length = WriteFrame(area.data(), area.size(), message.data(), 1000, offset);
        EXPECT_EQ(length, std::min<std::uint32_t>(300, 1000 - offset));
        ASSERT_TRUE(ReadFrame(area.data(), area.size(), frame));
        ASSERT_TRUE(whole.Add(frame));
        offset += length;
        EXPECT_EQ(whole.Complete(), offset == 1000);
    }
    ASSERT_EQ(whole.Size(), 1000u);
    EXPECT_EQ(0, std::memcmp(whole.Data(), message.data(), 1000));

    const auto piece = [&](std::uint32_t total, std::uint32_t offset, std::uint32_t length) {
        Builder b;
        b.W(total).W(offset).W(length);
        b.bytes.resize(FrameHeaderBytes + 300);
        return b.bytes;
    };
    // A piece longer than the area it lies in.
    Raw beyond = piece(1000, 0, 301);
    EXPECT_FALSE(ReadFrame(beyond.data(), beyond.size(), frame));
    EXPECT_FALSE(ReadFrame(beyond.data(), FrameHeaderBytes - 1, frame));
    struct Case {
        const char* what;
        std::vector<Raw> frames; // all but the last are taken
    };
    const Case cases[] = {
        {"first piece not at 0", {piece(1000, 10, 10)}},
        {"a gap", {piece(1000, 0, 10), piece(1000, 20, 10)}},
        {"a repeat", {piece(1000, 0, 10), piece(1000, 0, 10)}},
        {"the total changes", {piece(1000, 0, 10), piece(2000, 10, 10)}},
        {"past the total", {piece(100, 0, 90), piece(100, 90, 11)}},
        {"an empty piece", {piece(1000, 0, 0)}},
        {"a total beyond the largest message", {piece(MaxMessageBytes + 1, 0, 10)}},
        {"a control frame inside a message", {piece(1000, 0, 10), piece(0, 0, 0)}},
        {"a control frame first", {piece(0, 0, 0)}},
    };
    for (const Case& c : cases) {
        Reassembly assembly;
        for (std::size_t i = 0; i < c.frames.size(); ++i) {
            ASSERT_TRUE(ReadFrame(c.frames[i].data(), c.frames[i].size(), frame)) << c.what;
            EXPECT_EQ(assembly.Add(frame), i + 1 < c.frames.size()) << c.what << " frame " << i;
        }
        EXPECT_FALSE(assembly.Complete()) << c.what;
    }
}
