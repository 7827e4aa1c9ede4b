// The host's side of the relay: whatever arrives on the channel. The input is
// the ids the host issued (four bytes), then a stream of frames, each a
// frame header and its piece, as the game's area would hold them. Every
// frame is read and assembled; every whole message is decoded, and one that
// is taken must encode back to exactly its bytes (the decoder takes no
// message that the game could not have written), with its texts copyable.

#include "FuzzCheck.h"

#include "launcher/relay/RelayCodec.h"

#include <cstring>
#include <vector>

using namespace kz::relay;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const IssuedIds issued{data[0] % 8u, data[1] % 8u, data[2] % 8u, data[3] % 8u};
    data += 4;
    size -= 4;
    Reassembly assembly;
    while (size >= FrameHeaderBytes) {
        // An area no larger than what is left, so that the piece must lie inside.
        Frame frame;
        if (!ReadFrame(data, size, frame))
            return 0;
        const std::size_t used = FrameHeaderBytes + frame.Length;
        if (!IsControl(frame) && assembly.Add(frame)) {
            FUZZ_CHECK(assembly.Size() <= frame.Total);
            if (assembly.Complete()) {
                Bytes whole;
                assembly.TakeInto(whole);
                FUZZ_CHECK(whole.Count() == frame.Total && !assembly.Complete());
                CallMessage call;
                if (DecodeCall(whole.Data(), whole.Count(), issued, call)) {
                    Bytes again;
                    EncodeCall(call, again);
                    FUZZ_CHECK(again.Count() == whole.Count());
                    FUZZ_CHECK(std::memcmp(again.Data(), whole.Data(), whole.Count()) == 0);
                    for (const Text& text : call.Texts) {
                        if (!text.Present)
                            continue;
                        std::vector<unsigned short> units(text.Units + 1);
                        if (text.UnitBytes == 2)
                            CopyText(text, units.data());
                        else
                            CopyText(text, reinterpret_cast<char*>(units.data()));
                    }
                }
            }
        }
        data += used;
        size -= used;
    }
    return 0;
}
