// Fuzz target: the byte stream a DDE peer sends, cut into frames as a conversation's reader does.
// The input is fed in pieces whose sizes its first byte chooses. Every frame taken must encode back
// to exactly the bytes it came from; once the reader says the stream is bad it must stay bad.
#include "win32/ddewire.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = 1 + data[0] % 64;
    ++data;
    --size;
    kel::dde::DdeFrameReader reader;
    std::vector<uint8_t> taken;
    bool bad = false;
    for (size_t at = 0; at < size; at += piece)
    {
        reader.Feed(data + at, at + piece <= size ? piece : size - at);
        kel::dde::DdeFrame frame;
        for (;;)
        {
            const auto result = reader.Next(&frame);
            if (result == kel::dde::DdeFrameReader::Result::NeedMore)
                break;
            if (result == kel::dde::DdeFrameReader::Result::Bad)
            {
                bad = true;
                break;
            }
            if (bad)
                std::abort(); // a frame after the stream went bad
            const std::vector<uint8_t> again = kel::dde::EncodeFrame(frame);
            taken.insert(taken.end(), again.begin(), again.end());
        }
    }
    // What was taken is a prefix of the input, byte for byte.
    if (taken.size() > size || !std::equal(taken.begin(), taken.end(), data))
        std::abort();
    return 0;
}
