#include "scans/TableLogHeader.h"

#include <algorithm>
#include <cstring>

namespace
{
void Put32(std::vector<BYTE>& out, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<BYTE>((v >> shift) & 0xFF));
}

void PutText(std::vector<BYTE>& out, const char* text, size_t width)
{
    const size_t length = std::min(std::strlen(text), width);
    out.insert(out.end(), text, text + length);
    out.insert(out.end(), width - length, 0);
}

class Reader
{
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool Has(size_t n) const { return m_pos + n <= m_size; }
    uint32_t U32()
    {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | m_data[m_pos + i];
        m_pos += 4;
        return v;
    }
    float F32()
    {
        const uint32_t bits = U32();
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A text field of width bytes, read up to its NUL and never past the field.
    CString Text(size_t width)
    {
        const char* begin = reinterpret_cast<const char*>(m_data + m_pos);
        const size_t length = std::find(begin, begin + width, '\0') - begin;
        m_pos += width;
        return CString(std::string(begin, length).c_str());
    }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
};
} // namespace

ULONGLONG CTableLogHeader::RecordCount(ULONGLONG fileLength, int channels)
{
    const ULONGLONG header = HeaderSize(channels);
    return fileLength <= header ? 0 : (fileLength - header) / RecordSize(channels);
}

std::vector<BYTE> CTableLogHeader::Format() const
{
    std::vector<BYTE> out;
    out.reserve(GetHeaderSize());
    PutText(out, kTag, kTagSize);
    Put32(out, static_cast<uint32_t>(m_channels.size()));
    PutText(out, m_units, kUnitsSize);
    for (const Channel& c : m_channels)
    {
        PutText(out, c.name, kNameSize);
        Put32(out, static_cast<uint32_t>(c.mass));
        uint32_t bits = 0;
        std::memcpy(&bits, &c.calFactor, sizeof bits);
        Put32(out, bits);
        Put32(out, static_cast<uint32_t>(c.noiseFloor));
        Put32(out, static_cast<uint32_t>(c.cem));
    }
    return out;
}

CTableLogHeader::Result CTableLogHeader::Parse(const BYTE* data, size_t size)
{
    m_channels.clear();
    Reader in(data, size);
    if (!in.Has(kTagSize))
        return kShortTag;
    if (in.Text(kTagSize) != kTag)
        return kWrongTag;
    if (!in.Has(4 + kUnitsSize))
        return kShortUnits;
    m_count = static_cast<int32_t>(in.U32());
    m_units = in.Text(kUnitsSize);
    if (m_count < 1 || m_count > kMaxChannels)
        return kBadCount;
    for (int i = 0; i < m_count; ++i)
    {
        if (!in.Has(kChannelSize))
        {
            m_channels.clear();
            return kShortChannels;
        }
        Channel c;
        c.name = in.Text(kNameSize);
        c.mass = static_cast<int32_t>(in.U32());
        c.calFactor = in.F32();
        c.noiseFloor = static_cast<int32_t>(in.U32());
        c.cem = static_cast<int32_t>(in.U32());
        m_channels.push_back(c);
    }
    return kOk;
}

CTableLogHeader::Result CTableLogHeader::Read(CFile& file)
{
    BYTE bytes[kFixedSize + kChannelSize * kMaxChannels] = {};
    file.SeekToBegin();
    const UINT got = file.Read(bytes, sizeof bytes);
    return Parse(bytes, got);
}

BOOL CTableLogHeader::ReadRecord(CFile& file, ULONGLONG index, char (&timeText)[kTimeSize], float* values) const
{
    const int n = static_cast<int>(m_channels.size());
    file.Seek(static_cast<LONGLONG>(GetHeaderSize() + index * RecordSize(n)), CFile::begin);
    if (file.Read(timeText, kTimeSize) != kTimeSize)
        return FALSE;
    timeText[kTimeSize - 1] = '\0';
    BYTE bytes[4 * kMaxChannels];
    const UINT length = static_cast<UINT>(4 * n);
    if (file.Read(bytes, length) != length)
        return FALSE;
    Reader in(bytes, length);
    for (int i = 0; i < n; ++i)
        values[i] = in.F32();
    return TRUE;
}
