#include "launcher/relay/RelayCodec.h"

#include <cstring>

namespace kz {
namespace relay {

namespace {

void PutWord(Bytes& out, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                                   std::uint8_t(value >> 24)};
    out.AddRange(bytes, 4);
}

std::uint32_t GetWord(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void SetWord(std::uint8_t* p, std::uint32_t value)
{
    p[0] = std::uint8_t(value);
    p[1] = std::uint8_t(value >> 8);
    p[2] = std::uint8_t(value >> 16);
    p[3] = std::uint8_t(value >> 24);
}

void PutText(Bytes& out, const Text& text, std::uint8_t unitBytes)
{
    const std::uint8_t present = text.Present ? 1 : 0;
    out.AddRange(&present, 1);
    if (!text.Present)
        return;
    PutWord(out, text.Units);
    out.AddRange(text.Data, (text.Units + 1) * unitBytes);
}

// A bounded cursor over a message: every read checks what is left first.
class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t size) : m_at(bytes), m_left(size) {}

    bool Word(std::uint32_t& value)
    {
        if (m_left < 4)
            return false;
        value = GetWord(m_at);
        m_at += 4;
        m_left -= 4;
        return true;
    }
    bool Flag(std::uint32_t& value) { return Word(value) && value <= 1; }
    bool Span(std::size_t bytes, const std::uint8_t*& data)
    {
        if (m_left < bytes)
            return false;
        data = m_at;
        m_at += bytes;
        m_left -= bytes;
        return true;
    }
    bool TextOf(std::uint8_t unitBytes, Text& text)
    {
        const std::uint8_t* present;
        if (!Span(1, present) || *present > 1)
            return false;
        text = Text{*present == 1, unitBytes, 0, nullptr};
        if (!text.Present)
            return true;
        if (!Word(text.Units) || text.Units >= m_left / unitBytes)
            return false;
        if (!Span((std::size_t(text.Units) + 1) * unitBytes, text.Data))
            return false;
        // Ends in its NUL, and holds no other: the receiver copies it as a C text.
        for (std::uint32_t i = 0; i <= text.Units; ++i) {
            const bool nul = unitBytes == 1 ? text.Data[i] == 0 : (text.Data[2 * i] | text.Data[2 * i + 1]) == 0;
            if (nul != (i == text.Units))
                return false;
        }
        return true;
    }
    bool AtEnd() const { return m_left == 0; }
    std::size_t Left() const { return m_left; }

private:
    const std::uint8_t* m_at;
    std::size_t m_left;
};

bool InRange(std::uint32_t id, std::uint32_t issued)
{
    return id != 0 && id <= issued;
}

// The call's target: which ids of IssuedIds it must be one of, or none.
const std::uint32_t* TargetRange(Call kind, const IssuedIds& issued)
{
    switch (kind) {
    case Call::Update:
    case Call::GetRequestUniqueId:
    case Call::StartLauncher:
    case Call::StartProcess:
    case Call::Request:
    case Call::GetLocText:
        return &issued.Sessions;
    case Call::ReaderRead:
    case Call::ReaderClose:
        return &issued.Readers;
    case Call::WriterSetName:
    case Call::WriterWrite:
    case Call::WriterClose:
        return &issued.Writers;
    case Call::InfoGetName:
    case Call::InfoGetProductId:
    case Call::InfoGetSavegameId:
    case Call::InfoGetSize:
        return &issued.Infos;
    default:
        return nullptr;
    }
}

} // namespace

Text TextOf(const unsigned short* text) noexcept
{
    if (text == nullptr)
        return Text{false, 2, 0, nullptr};
    std::uint32_t units = 0;
    while (text[units] != 0)
        ++units;
    return Text{true, 2, units, reinterpret_cast<const std::uint8_t*>(text)};
}

Text TextOf(const char* text) noexcept
{
    if (text == nullptr)
        return Text{false, 1, 0, nullptr};
    return Text{true, 1, static_cast<std::uint32_t>(std::strlen(text)), reinterpret_cast<const std::uint8_t*>(text)};
}

void CopyText(const Text& text, unsigned short* units) noexcept
{
    for (std::uint32_t i = 0; i <= text.Units; ++i)
        units[i] = static_cast<unsigned short>(text.Data[2 * i] | text.Data[2 * i + 1] << 8);
}

void CopyText(const Text& text, char* units) noexcept
{
    std::memcpy(units, text.Data, text.Units + 1);
}

CallMessage MakeCall(Call kind) noexcept
{
    CallMessage call;
    std::memset(&call, 0, sizeof call);
    call.Kind = kind;
    return call;
}

bool DeliversAnswers(Call kind) noexcept
{
    return kind == Call::Update || kind == Call::Request || kind == Call::ReaderRead || kind == Call::WriterWrite;
}

void EncodeCall(const CallMessage& call, Bytes& out) noexcept
{
    PutWord(out, static_cast<std::uint32_t>(call.Kind));
    IssuedIds any{1, 1, 1, 1};
    if (TargetRange(call.Kind, any) != nullptr)
        PutWord(out, call.Target);
    switch (call.Kind) {
    case Call::Hello:
        PutWord(out, call.Values[0]);
        break;
    case Call::StartLauncher:
        PutWord(out, call.Values[0]);
        PutWord(out, call.Values[1]);
        PutText(out, call.Texts[0], 1);
        PutText(out, call.Texts[1], 1);
        break;
    case Call::StartProcess:
        for (const Text& text : call.Texts)
            PutText(out, text, 2);
        break;
    case Call::Request:
    case Call::ReaderRead:
        for (std::uint32_t value : call.Values)
            PutWord(out, value);
        break;
    case Call::GetLocText:
        PutText(out, call.Texts[0], 2);
        PutText(out, call.Texts[1], 1);
        break;
    case Call::WriterSetName:
        PutText(out, call.Texts[0], 2);
        break;
    case Call::WriterWrite:
        PutWord(out, call.Values[0]);
        PutWord(out, call.Values[1]);
        PutWord(out, call.Values[2]);
        PutWord(out, call.Values[4]);
        if ((call.Values[4] & HasBuffer) != 0)
            out.AddRange(call.Data, call.Values[2]);
        break;
    case Call::WriterClose:
        PutWord(out, call.Values[0]);
        break;
    default:
        break;
    }
}

bool DecodeCall(const std::uint8_t* bytes, std::size_t size, const IssuedIds& issued, CallMessage& call) noexcept
{
    Reader in(bytes, size);
    std::uint32_t kind;
    if (!in.Word(kind) || kind < 1 || kind > LastCall)
        return false;
    call = MakeCall(static_cast<Call>(kind));
    if (const std::uint32_t* range = TargetRange(call.Kind, issued)) {
        if (!in.Word(call.Target) || !InRange(call.Target, *range))
            return false;
    }
    bool ok = true;
    switch (call.Kind) {
    case Call::Hello:
        ok = in.Word(call.Values[0]);
        break;
    case Call::StartLauncher:
        ok = in.Word(call.Values[0]) && in.Word(call.Values[1]) && in.TextOf(1, call.Texts[0]) &&
             in.TextOf(1, call.Texts[1]);
        break;
    case Call::StartProcess:
        ok = in.TextOf(2, call.Texts[0]) && in.TextOf(2, call.Texts[1]) && in.TextOf(2, call.Texts[2]);
        break;
    case Call::Request:
        for (std::uint32_t& value : call.Values)
            ok = ok && in.Word(value);
        // Only a writer's request has a flag, and it is a bool.
        ok = ok && call.Values[0] < RequestKindCount &&
             (call.Values[0] == SavegameWriterKind ? call.Values[4] <= 1 : call.Values[4] == 0);
        break;
    case Call::GetLocText:
        ok = in.TextOf(2, call.Texts[0]) && in.TextOf(1, call.Texts[1]);
        break;
    case Call::ReaderRead:
        for (std::uint32_t& value : call.Values)
            ok = ok && in.Word(value);
        ok = ok && (call.Values[4] & ~(HasListener | HasBuffer)) == 0;
        break;
    case Call::WriterSetName:
        ok = in.TextOf(2, call.Texts[0]);
        break;
    case Call::WriterWrite:
        ok = in.Word(call.Values[0]) && in.Word(call.Values[1]) && in.Word(call.Values[2]) &&
             in.Word(call.Values[4]) && (call.Values[4] & ~(HasListener | HasBuffer)) == 0;
        if (ok && (call.Values[4] & HasBuffer) != 0)
            ok = in.Span(call.Values[2], call.Data);
        break;
    case Call::WriterClose:
        ok = in.Flag(call.Values[0]);
        break;
    default:
        break;
    }
    return ok && in.AtEnd();
}

void EncodeResult(Call kind, const Reply& result, Bytes& out) noexcept
{
    switch (kind) {
    case Call::Hello:
        for (std::uint32_t value : result.Values)
            PutWord(out, value);
        PutText(out, result.Texts[0], 2);
        PutText(out, result.Texts[1], 2);
        PutText(out, result.Texts[2], 1);
        break;
    case Call::GetSession:
    case Call::GetRequestUniqueId:
    case Call::StartLauncher:
    case Call::WriterSetName:
    case Call::InfoGetProductId:
    case Call::InfoGetSavegameId:
    case Call::InfoGetSize:
        PutWord(out, result.Values[0]);
        break;
    case Call::GetLocText:
    case Call::InfoGetName:
        PutWord(out, result.Values[0]);
        if (result.Values[0] == TextIs)
            PutText(out, result.Texts[0], 2);
        break;
    default:
        break;
    }
}

void EncodeAnswer(const Answer& answer, Bytes& out) noexcept
{
    PutWord(out, static_cast<std::uint32_t>(answer.Type));
    switch (answer.Type) {
    case AnswerType::Request:
        PutWord(out, answer.Session);
        PutWord(out, answer.Kind);
        PutWord(out, answer.RequestId);
        switch (answer.Kind) {
        case LoginDetailsKind:
            PutWord(out, answer.Values[0]);
            PutWord(out, answer.Values[1]);
            PutWord(out, answer.Values[2]);
            break;
        case TesmaServerKind:
        case RemoveSavegameKind:
            PutWord(out, answer.Values[0]);
            break;
        case NetworkTrafficKind:
            for (std::uint32_t value : answer.Values)
                PutWord(out, value);
            break;
        case SavegameReaderKind:
        case SavegameWriterKind:
            PutWord(out, answer.Values[0]);
            PutWord(out, answer.Handle);
            break;
        case SavegameListKind:
            PutWord(out, answer.Count);
            out.AddRange(answer.Items, answer.Count * 4);
            break;
        default:
            break;
        }
        break;
    case AnswerType::Read:
        PutWord(out, answer.Token);
        PutWord(out, answer.RequestId);
        PutWord(out, answer.Values[0]);
        PutWord(out, answer.Values[1]);
        PutWord(out, answer.Count);
        out.AddRange(answer.Items, answer.Count);
        break;
    case AnswerType::Write:
        PutWord(out, answer.Token);
        PutWord(out, answer.RequestId);
        PutWord(out, answer.Values[0]);
        PutWord(out, answer.Values[1]);
        break;
    }
}

namespace {

bool DecodeAnswer(Reader& in, std::uint32_t sessions, Answer& answer)
{
    std::memset(&answer, 0, sizeof answer);
    std::uint32_t type;
    if (!in.Word(type))
        return false;
    answer.Type = static_cast<AnswerType>(type);
    switch (answer.Type) {
    case AnswerType::Request:
        if (!in.Word(answer.Session) || !InRange(answer.Session, sessions) || !in.Word(answer.Kind) ||
            !in.Word(answer.RequestId))
            return false;
        switch (answer.Kind) {
        case LoginDetailsKind:
            return in.Word(answer.Values[0]) && in.Word(answer.Values[1]) && in.Word(answer.Values[2]);
        case TesmaServerKind:
        case RemoveSavegameKind:
            return in.Word(answer.Values[0]);
        case NetworkTrafficKind:
            return in.Word(answer.Values[0]) && in.Word(answer.Values[1]) && in.Word(answer.Values[2]) &&
                   in.Word(answer.Values[3]);
        case SavegameReaderKind:
        case SavegameWriterKind:
            return in.Word(answer.Values[0]) && in.Word(answer.Handle);
        case SavegameListKind: {
            if (!in.Word(answer.Count) || answer.Count > in.Left() / 4 || !in.Span(answer.Count * 4, answer.Items))
                return false;
            // The host issues info ids from 1 on.
            for (std::uint32_t i = 0; i < answer.Count; ++i) {
                if (GetWord(answer.Items + 4 * i) == 0)
                    return false;
            }
            return true;
        }
        default:
            return false;
        }
    case AnswerType::Read:
        return in.Word(answer.Token) && in.Word(answer.RequestId) && in.Word(answer.Values[0]) &&
               in.Word(answer.Values[1]) && in.Word(answer.Count) && answer.Count <= answer.Values[1] &&
               in.Span(answer.Count, answer.Items);
    case AnswerType::Write:
        return in.Word(answer.Token) && in.Word(answer.RequestId) && in.Word(answer.Values[0]) &&
               in.Word(answer.Values[1]);
    default:
        return false;
    }
}

} // namespace

bool DecodeReply(Call kind, const std::uint8_t* bytes, std::size_t size, std::uint32_t sessions,
                 Reply& reply) noexcept
{
    Reader in(bytes, size);
    std::memset(reply.Values, 0, sizeof reply.Values);
    for (Text& text : reply.Texts)
        text = Text{false, 2, 0, nullptr};
    reply.Answers.Clear();
    bool ok = true;
    switch (kind) {
    case Call::Hello:
        for (std::uint32_t& value : reply.Values)
            ok = ok && in.Word(value);
        ok = ok && reply.Values[1] <= 3 && reply.Values[2] <= 5 && in.TextOf(2, reply.Texts[0]) &&
             in.TextOf(2, reply.Texts[1]) && in.TextOf(1, reply.Texts[2]) && reply.Texts[0].Present &&
             reply.Texts[1].Present && reply.Texts[2].Present;
        break;
    case Call::GetSession:
        ok = in.Word(reply.Values[0]) && reply.Values[0] == sessions + 1;
        break;
    case Call::GetRequestUniqueId:
    case Call::InfoGetProductId:
    case Call::InfoGetSavegameId:
    case Call::InfoGetSize:
        ok = in.Word(reply.Values[0]);
        break;
    case Call::StartLauncher:
    case Call::WriterSetName:
        ok = in.Flag(reply.Values[0]);
        break;
    case Call::GetLocText:
    case Call::InfoGetName:
        ok = in.Word(reply.Values[0]) &&
             (reply.Values[0] == TextNull || (reply.Values[0] == TextIsKey && kind == Call::GetLocText) ||
              (reply.Values[0] == TextIs && in.TextOf(2, reply.Texts[0]) && reply.Texts[0].Present));
        break;
    default:
        break;
    }
    std::uint32_t count;
    if (!ok || !in.Word(count))
        return false;
    if (count != 0 && !DeliversAnswers(kind))
        return false;
    // Each answer takes at least two words: a count beyond that is a lie.
    if (count > in.Left() / 8)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        Answer answer;
        if (!DecodeAnswer(in, sessions, answer))
            return false;
        reply.Answers.Add(answer);
    }
    return in.AtEnd();
}

std::uint32_t WriteFrame(std::uint8_t* area, std::size_t areaBytes, const std::uint8_t* message, std::uint32_t total,
                         std::uint32_t offset) noexcept
{
    std::size_t room = areaBytes - FrameHeaderBytes;
    std::uint32_t length = total - offset;
    if (length > room)
        length = static_cast<std::uint32_t>(room);
    SetWord(area, total);
    SetWord(area + 4, offset);
    SetWord(area + 8, length);
    std::memcpy(area + FrameHeaderBytes, message + offset, length);
    return length;
}

void WriteControlFrame(std::uint8_t* area) noexcept
{
    std::memset(area, 0, FrameHeaderBytes);
}

bool ReadFrame(const std::uint8_t* area, std::size_t areaBytes, Frame& frame) noexcept
{
    if (areaBytes < FrameHeaderBytes)
        return false;
    frame.Total = GetWord(area);
    frame.Offset = GetWord(area + 4);
    frame.Length = GetWord(area + 8);
    frame.Piece = area + FrameHeaderBytes;
    return frame.Length <= areaBytes - FrameHeaderBytes;
}

bool Reassembly::Add(const Frame& frame) noexcept
{
    const bool continues = m_started ? frame.Total == m_total && frame.Offset == m_bytes.Count()
                                     : frame.Offset == 0 && frame.Total != 0 && frame.Total <= MaxMessageBytes;
    if (!continues || frame.Length == 0 || frame.Length > frame.Total - frame.Offset) {
        Reset();
        return false;
    }
    m_started = true;
    m_total = frame.Total;
    m_bytes.AddRange(frame.Piece, frame.Length);
    return true;
}

void Reassembly::Reset() noexcept
{
    m_bytes.Clear();
    m_total = 0;
    m_started = false;
}

void Reassembly::TakeInto(Bytes& out) noexcept
{
    out.Clear();
    out.AddRange(m_bytes.Data(), m_bytes.Count());
    Reset();
}

} // namespace relay
} // namespace kz
