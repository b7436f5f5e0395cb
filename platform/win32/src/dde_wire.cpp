// Frames and socket names of the DDE transport (format described in win32/ddewire.h).
#include "win32/ddewire.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kel::dde
{
namespace
{

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool KnownKind(uint8_t kind)
{
    switch (static_cast<DdeFrameKind>(kind))
    {
    case DdeFrameKind::Connect:
    case DdeFrameKind::Request:
    case DdeFrameKind::Poke:
    case DdeFrameKind::AdviseStart:
    case DdeFrameKind::AdviseStop:
    case DdeFrameKind::Reply:
    case DdeFrameKind::AdviseData:
        return true;
    }
    return false;
}

std::string SocketFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/kel-dde";
    return "/tmp/kel-dde-" + std::to_string(static_cast<unsigned>(getuid()));
}

} // namespace

std::vector<uint8_t> EncodeFrame(const DdeFrame& frame)
{
    if (frame.name.size() > kDdeMaxName || frame.data.size() > kDdeMaxData)
        return {};
    std::vector<uint8_t> out;
    const uint32_t body =
        static_cast<uint32_t>(1 + 4 + 4 + 4 + 2 + frame.name.size() + 4 + frame.data.size());
    out.reserve(4 + body);
    Put32(out, body);
    out.push_back(static_cast<uint8_t>(frame.kind));
    Put32(out, frame.sequence);
    Put32(out, frame.format);
    Put32(out, frame.flags);
    out.push_back(static_cast<uint8_t>(frame.name.size()));
    out.push_back(static_cast<uint8_t>(frame.name.size() >> 8));
    out.insert(out.end(), frame.name.begin(), frame.name.end());
    Put32(out, static_cast<uint32_t>(frame.data.size()));
    out.insert(out.end(), frame.data.begin(), frame.data.end());
    return out;
}

bool DecodeFrameBody(const uint8_t* body, size_t size, DdeFrame* out)
{
    constexpr size_t fixed = 1 + 4 + 4 + 4 + 2;
    if (size < fixed + 4 || size > kDdeMaxBody || !KnownKind(body[0]))
        return false;
    DdeFrame f;
    f.kind = static_cast<DdeFrameKind>(body[0]);
    f.sequence = Get32(body + 1);
    f.format = Get32(body + 5);
    f.flags = Get32(body + 9);
    const size_t nameLength = static_cast<size_t>(body[13]) | static_cast<size_t>(body[14]) << 8;
    if (nameLength > kDdeMaxName || fixed + nameLength + 4 > size)
        return false;
    f.name.assign(reinterpret_cast<const char*>(body + fixed), nameLength);
    const size_t dataAt = fixed + nameLength + 4;
    const uint32_t dataLength = Get32(body + fixed + nameLength);
    if (dataLength > kDdeMaxData || dataLength != size - dataAt)
        return false;
    f.data.assign(body + dataAt, body + size);
    *out = std::move(f);
    return true;
}

void DdeFrameReader::Feed(const void* bytes, size_t count)
{
    if (m_bad || count == 0)
        return;
    // Drop what was consumed before growing, so a long stream keeps a small buffer.
    if (m_start > 0 && m_start == m_buffer.size())
    {
        m_buffer.clear();
        m_start = 0;
    }
    else if (m_start > 65536)
    {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    const auto* p = static_cast<const uint8_t*>(bytes);
    m_buffer.insert(m_buffer.end(), p, p + count);
}

DdeFrameReader::Result DdeFrameReader::Next(DdeFrame* out)
{
    if (m_bad)
        return Result::Bad;
    const size_t have = m_buffer.size() - m_start;
    if (have < 4)
        return Result::NeedMore;
    const uint32_t body = Get32(m_buffer.data() + m_start);
    if (body == 0 || body > kDdeMaxBody)
    {
        m_bad = true;
        return Result::Bad;
    }
    if (have - 4 < body)
        return Result::NeedMore;
    if (!DecodeFrameBody(m_buffer.data() + m_start + 4, body, out))
    {
        m_bad = true;
        return Result::Bad;
    }
    m_start += 4 + body;
    return Result::Frame;
}

std::string DdeSocketPath(const std::string& service)
{
    if (service.empty() || service.size() > kDdeMaxName)
        return {};
    std::string name;
    for (unsigned char c : service)
    {
        if (std::isalnum(c) || c == '.' || c == '_' || c == '-')
            name += static_cast<char>(std::tolower(c));
        else
        {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            name += hex;
        }
    }
    // "." and ".." are no file names of ours.
    if (name == "." || name == "..")
        name = "%2E" + name.substr(1);
    std::string path = SocketFolder() + "/" + name + ".sock";
    if (path.size() >= sizeof(sockaddr_un::sun_path))
        return {};
    return path;
}

bool PrepareDdeSocketFolder()
{
    const std::string folder = SocketFolder();
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st
    {
    };
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return false;
    // Nobody else may place sockets under our service names.
    return (st.st_mode & 077) == 0 || chmod(folder.c_str(), 0700) == 0;
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size())
    {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

} // namespace kel::dde
