// The local transport under the DDE client calls (win32/dde.h) and the test kit's DDE server.
//
// A server of service S listens on a Unix-domain stream socket whose name is made from S (see
// DdeSocketPath); a client conversation is one connection to it. Both ends exchange frames:
//
//   u32  body length (little-endian), 1 .. kDdeMaxBody
//   u8   kind (DdeFrameKind)
//   u32  sequence: a client's transaction number, echoed by the server's reply; 0 in advise data
//   u32  format (clipboard format, CF_TEXT for text)
//   u32  flags: status in a reply (0 acknowledged, else the DMLERR_* the server answers with),
//        XTYPF_NODATA in advise start and advise data
//   u16  name length (0 .. kDdeMaxName), then the name bytes (topic in Connect, else item)
//   u32  data length, then the data bytes; the data ends the body exactly
//
// Anything else (a length out of range, an unknown kind, a field running past the body, bytes left
// over) is a malformed frame: the reader reports it and the connection is given up. The end that
// closes the socket ends the conversation.
#pragma once

#include "win32/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kel::dde
{

enum class DdeFrameKind : uint8_t
{
    Connect = 1,     // client: name = topic; the server replies
    Request = 2,     // client: name = item, format
    Poke = 3,        // client: name = item, format, data
    AdviseStart = 4, // client: name = item, format, flags
    AdviseStop = 5,  // client: name = item, format
    Reply = 16,      // server: sequence of the transaction, flags = status, data for a request
    AdviseData = 17, // server: name = item, format, flags, data (none with XTYPF_NODATA)
};

constexpr uint32_t kDdeMaxName = 255;      // as long as a string handle's text may be
constexpr uint32_t kDdeMaxData = 1u << 20; // one item's data
constexpr uint32_t kDdeMaxBody = kDdeMaxData + 1 + 4 + 4 + 4 + 2 + kDdeMaxName + 4;

struct DdeFrame
{
    DdeFrameKind kind = DdeFrameKind::Connect;
    uint32_t sequence = 0;
    uint32_t format = 0;
    uint32_t flags = 0;
    std::string name;
    std::vector<uint8_t> data;
    bool operator==(const DdeFrame&) const = default;
};

// The frame with its length prefix. An over-long name or data is refused (empty result).
std::vector<uint8_t> EncodeFrame(const DdeFrame& frame);

// Cuts frames out of a byte stream as it arrives.
class DdeFrameReader
{
public:
    enum class Result
    {
        Frame,    // *out holds the next frame
        NeedMore, // the bytes so far end inside a frame
        Bad,      // malformed; the reader stays bad
    };
    void Feed(const void* bytes, size_t count);
    Result Next(DdeFrame* out);

private:
    std::vector<uint8_t> m_buffer;
    size_t m_start = 0;
    bool m_bad = false;
};

// Decodes one body (without its length prefix); false when it is malformed.
bool DecodeFrameBody(const uint8_t* body, size_t size, DdeFrame* out);

// The socket path of a service: <folder>/<encoded name>.sock, the folder being
// $XDG_RUNTIME_DIR/kel-dde, or /tmp/kel-dde-<uid> without it. Service names compare without
// regard to case, so the name is lower-cased; bytes other than letters, digits, '.', '_' and '-'
// are written as %XX. Empty when the name is empty or the path does not fit a socket address.
std::string DdeSocketPath(const std::string& service);
// Makes the folder of the sockets (mode 0700) and checks it is ours and not a link. False when it
// cannot be used.
bool PrepareDdeSocketFolder();

// Writes all of `bytes` to a connected socket; false when the peer is gone.
bool SendAll(int fd, const std::vector<uint8_t>& bytes);

} // namespace kel::dde
