#pragma once

#include "containers/HybridArray.h"

#include <cstddef>
#include <cstdint>

// The messages between a 64-bit game's tesmaclient64.dll and the 32-bit host
// process that reaches the launcher for it, and the frames that carry them
// through the channel's two areas.
//
// A call goes from the game to the host as one message: its Call kind, its
// target (a session or save-game id the host issued) and the call's values
// and texts. The host answers each with one message: the call's result, then
// the launcher's answers that it queued meanwhile (only for the calls that
// deliver answers: Update, the seven requests, Read and Write).
//
// Invariants: every number is a little-endian 32-bit word; a text is a
// presence byte, then its length in code units and the units with their NUL
// (which must be there: a text without it is refused). Decoding checks
// every length, count, kind, flag and id against the message's own size and
// what the decoding side issued, and refuses the whole message on the first
// fault: nothing of a refused message is used. Decoded texts, data and lists
// point into the message's bytes, which must outlive them. Nothing here
// calls the system, so the same code runs in the DLL, the host and the
// native tests.

namespace kz {
namespace relay {

constexpr std::uint32_t ProtocolVersion = 1;
// The largest whole message either side assembles: a Read or Write of up to
// this size, less a few words, crosses the channel.
constexpr std::uint32_t MaxMessageBytes = 0x40000000u;
constexpr unsigned RequestKindCount = 7;

using Bytes = common::HybridArray<std::uint8_t>;

enum class Call : std::uint32_t {
    Hello = 1,
    GetSession,
    Update,
    GetRequestUniqueId,
    StartLauncher,
    StartProcess,
    Request,
    GetLocText,
    ReaderRead,
    ReaderClose,
    WriterSetName,
    WriterWrite,
    WriterClose,
    InfoGetName,
    InfoGetProductId,
    InfoGetSavegameId,
    InfoGetSize,
    Quit,
};
constexpr std::uint32_t LastCall = static_cast<std::uint32_t>(Call::Quit);

// The request kinds, in the order of KZ_REQUEST_KINDS.
enum RequestKind : std::uint32_t {
    LoginDetailsKind,
    TesmaServerKind,
    SavegameReaderKind,
    SavegameWriterKind,
    SavegameListKind,
    RemoveSavegameKind,
    NetworkTrafficKind,
};

// ReaderRead's and WriterWrite's flags.
constexpr std::uint32_t HasListener = 1;
constexpr std::uint32_t HasBuffer = 2;

// A text as it crosses: absent (a null pointer) or Units code units of
// UnitBytes each, followed by their NUL, unaligned in the message.
struct Text {
    bool Present;
    std::uint8_t UnitBytes;
    std::uint32_t Units;
    const std::uint8_t* Data;
};

// A NUL-terminated text to send, as it lies; a null one is sent as absent.
Text TextOf(const unsigned short* text) noexcept;
Text TextOf(const char* text) noexcept;

// Copies a present text with its NUL into units, which has room for Units + 1.
void CopyText(const Text& text, unsigned short* units) noexcept;
void CopyText(const Text& text, char* units) noexcept;

// One call. Which fields mean what, by kind:
//   Hello:          Values[0] the game's protocol version
//   StartLauncher:  Values[0..1] a, b; Texts[0..1] c, d (8-bit)
//   StartProcess:   Texts[0..2] (UTF-16)
//   Request:        Values[0] the RequestKind, [1] the request number, [2..4] its arguments (a, b, flag)
//   GetLocText:     Texts[0] the key (UTF-16), Texts[1] the locale (8-bit)
//   ReaderRead:     Values[0] request number, [1] token, [2] offset, [3] length, [4] flags
//   WriterSetName:  Texts[0] (UTF-16)
//   WriterWrite:    Values[0] request number, [1] token, [2] size, [4] flags; Data the bytes (HasBuffer)
//   WriterClose:    Values[0] the flag (0 or 1)
// Target: the session (Update .. GetLocText) or the save-game id (ReaderRead ..
// InfoGetSize); unused, and 0, for Hello, GetSession and Quit.
struct CallMessage {
    Call Kind;
    std::uint32_t Target;
    std::uint32_t Values[5];
    Text Texts[3];
    const std::uint8_t* Data;
};

// How many ids of each kind the host issued: valid ids are 1 to the count.
struct IssuedIds {
    std::uint32_t Sessions;
    std::uint32_t Readers;
    std::uint32_t Writers;
    std::uint32_t Infos;
};

// An empty call of kind (every field zero, texts absent).
CallMessage MakeCall(Call kind) noexcept;
void EncodeCall(const CallMessage& call, Bytes& out) noexcept;
bool DecodeCall(const std::uint8_t* bytes, std::size_t size, const IssuedIds& issued, CallMessage& call) noexcept;
// Whether the host's reply to a call of this kind carries answers.
bool DeliversAnswers(Call kind) noexcept;

enum class AnswerType : std::uint32_t { Request = 1, Read = 2, Write = 3 };

// One of the launcher's answers, queued by the host:
//   Request: Session, Kind, RequestId, Values by kind (LoginDetails a b c;
//            TesmaServer, RemoveSavegame a; NetworkTraffic a b c d;
//            SavegameReader/Writer a and Handle, the host's id or 0 when not
//            open; SavegameList Count info ids at Items)
//   Read:    Token, RequestId, Values[0] status, [1] bytes; Count bytes of data at Items
//   Write:   Token, RequestId, Values[0] status, [1] bytes
struct Answer {
    AnswerType Type;
    std::uint32_t Session;
    std::uint32_t Kind;
    std::uint32_t RequestId;
    std::uint32_t Token;
    std::uint32_t Values[4];
    std::uint32_t Handle;
    std::uint32_t Count;
    const std::uint8_t* Items;
};

// The result of one call, by the call's kind:
//   Hello:       Values[0] version, [1] installation error, [2] directory
//                state, [3] load error; Texts[0] directory, [1] library path
//                (UTF-16), [2] missing entry point (8-bit)
//   GetSession, GetRequestUniqueId, InfoGet{ProductId,SavegameId,Size}: Values[0]
//   StartLauncher, WriterSetName: Values[0] 0 or 1
//   GetLocText, InfoGetName: Values[0] a TextResult, Texts[0] the text when TextIs
// Others carry nothing.
enum TextResult : std::uint32_t { TextNull = 0, TextIsKey = 1, TextIs = 2 };

struct Reply {
    std::uint32_t Values[4];
    Text Texts[3];
    common::HybridArray<Answer> Answers;
};

// The reply is the result, then the count of answers, then the answers, each
// encoded by EncodeAnswer (the host queues them encoded).
void EncodeResult(Call kind, const Reply& result, Bytes& out) noexcept;
void EncodeAnswer(const Answer& answer, Bytes& out) noexcept;
// sessions: how many sessions the host issued before this reply; a
// GetSession result must be the next one.
bool DecodeReply(Call kind, const std::uint8_t* bytes, std::size_t size, std::uint32_t sessions,
                 Reply& reply) noexcept;

// The frames. Each area of the channel holds one frame: the message's total
// size, the offset of this piece and its length, then the piece. A control
// frame (all three 0) asks the peer for its next piece: from the game, the
// next piece of the reply; from the host, the next piece of the call.
constexpr std::uint32_t FrameHeaderBytes = 12;

struct Frame {
    std::uint32_t Total;
    std::uint32_t Offset;
    std::uint32_t Length;
    const std::uint8_t* Piece;
};

// Writes the piece of message (total bytes) that starts at offset and fits
// area; returns its length. area holds at least FrameHeaderBytes + 1.
std::uint32_t WriteFrame(std::uint8_t* area, std::size_t areaBytes, const std::uint8_t* message, std::uint32_t total,
                         std::uint32_t offset) noexcept;
void WriteControlFrame(std::uint8_t* area) noexcept;
// Reads the frame in area (its header and piece must lie inside).
bool ReadFrame(const std::uint8_t* area, std::size_t areaBytes, Frame& frame) noexcept;
inline bool IsControl(const Frame& frame) noexcept
{
    return frame.Total == 0 && frame.Offset == 0 && frame.Length == 0;
}

// One message put together from its frames, in order.
class Reassembly {
public:
    // False, and the message dropped, for a frame that does not continue it:
    // a control frame, a first piece not at 0, an offset other than what came,
    // a total that changed or exceeds MaxMessageBytes, an empty piece, or one
    // beyond the total.
    bool Add(const Frame& frame) noexcept;
    bool Complete() const noexcept { return m_started && m_bytes.Count() == m_total; }
    const std::uint8_t* Data() noexcept { return m_bytes.Data(); }
    std::uint32_t Size() const noexcept { return m_bytes.Count(); }
    void Reset() noexcept;
    // Hands the whole message over to out, and starts afresh.
    void TakeInto(Bytes& out) noexcept;

private:
    Bytes m_bytes;
    std::uint32_t m_total = 0;
    bool m_started = false;
};

} // namespace relay
} // namespace kz
