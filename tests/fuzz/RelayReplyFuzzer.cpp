// The game's side of the relay: whatever the host replies. The input is the
// call the reply answers (one byte), the sessions issued (one byte), then the
// reply. One that is taken must encode back to exactly its bytes, with every
// answer's session issued, its kind known, its items inside the reply, and
// its texts copyable.

#include "FuzzCheck.h"

#include "launcher/relay/RelayCodec.h"

#include <cstring>
#include <vector>

using namespace kz::relay;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const Call kind = static_cast<Call>(1 + data[0] % LastCall);
    const std::uint32_t sessions = data[1] % 8u;
    data += 2;
    size -= 2;
    Reply reply;
    if (!DecodeReply(kind, data, size, sessions, reply))
        return 0;
    Bytes again;
    EncodeResult(kind, reply, again);
    const std::uint32_t count = reply.Answers.Count();
    const std::uint8_t word[4] = {std::uint8_t(count), std::uint8_t(count >> 8), std::uint8_t(count >> 16),
                                  std::uint8_t(count >> 24)};
    again.AddRange(word, 4);
    for (unsigned i = 0; i < count; ++i) {
        const Answer& answer = reply.Answers.At(i);
        FUZZ_CHECK(answer.Type != AnswerType::Request || (answer.Session >= 1 && answer.Session <= sessions));
        FUZZ_CHECK(answer.Type != AnswerType::Request || answer.Kind < RequestKindCount);
        const std::size_t bytes = answer.Type == AnswerType::Read ? answer.Count : std::size_t(answer.Count) * 4;
        FUZZ_CHECK(bytes == 0 || (answer.Items >= data && answer.Items + bytes <= data + size));
        EncodeAnswer(answer, again);
    }
    FUZZ_CHECK(again.Count() == size && std::memcmp(again.Data(), data, size) == 0);
    for (const Text& text : reply.Texts) {
        if (!text.Present)
            continue;
        std::vector<unsigned short> units(text.Units + 1);
        if (text.UnitBytes == 2)
            CopyText(text, units.data());
        else
            CopyText(text, reinterpret_cast<char*>(units.data()));
    }
    return 0;
}
