#include "scans/TableLogHeader.h"

#include "scans/LogBytes.h"

#include <algorithm>
#include <cstring>

using namespace logbytes;

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
        PutFloat(out, c.calFactor);
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
    m_count = in.S32();
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
        c.mass = in.S32();
        c.calFactor = in.F32();
        c.noiseFloor = in.S32();
        c.cem = in.S32();
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
