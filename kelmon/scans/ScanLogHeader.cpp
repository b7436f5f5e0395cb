#include "scans/ScanLogHeader.h"

#include "scans/Scan.h"

#include <algorithm>
#include <cstring>

namespace
{
void Put16(std::vector<BYTE>& out, int32_t value)
{
    const auto v = static_cast<uint16_t>(value);
    out.push_back(static_cast<BYTE>(v & 0xFF));
    out.push_back(static_cast<BYTE>(v >> 8));
}

void Put32(std::vector<BYTE>& out, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<BYTE>((v >> shift) & 0xFF));
}

// A text field of width bytes: the text cut to fit, then zeros.
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
    int32_t U16()
    {
        const int32_t v = m_data[m_pos] | (m_data[m_pos + 1] << 8);
        m_pos += 2;
        return v;
    }
    int32_t S16() { return static_cast<int16_t>(U16()); }
    int32_t S32()
    {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | m_data[m_pos + i];
        m_pos += 4;
        return static_cast<int32_t>(v);
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

ULONGLONG CScanLogHeader::RecordCount(ULONGLONG fileLength, ULONGLONG headerSize, ULONGLONG recordSize)
{
    if (recordSize == 0 || fileLength <= headerSize)
        return 0;
    return (fileLength - headerSize) / recordSize;
}

std::vector<BYTE> CScanLogHeader::Format() const
{
    std::vector<BYTE> out;
    out.reserve(GetHeaderSize());
    PutText(out, Tag(m_kind), kTagSize);
    if (m_kind == kHistogram)
    {
        Put32(out, m_startMass);
        Put32(out, m_stopMass);
        Put32(out, m_pointCount);
        PutText(out, m_units, kUnitsSize);
        Put32(out, m_noiseFloor);
        Put32(out, m_cemFlag);
    }
    else
    {
        Put16(out, m_startMass);
        Put16(out, m_stopMass);
        Put16(out, m_pointsPerAmu);
        Put16(out, m_pointCount);
        PutText(out, m_units, kUnitsSize);
        Put16(out, m_noiseFloor);
        Put16(out, m_cemFlag);
    }
    return out;
}

CScanLogHeader::Result CScanLogHeader::Parse(const BYTE* data, size_t size)
{
    Reader in(data, size);
    if (!in.Has(kTagSize))
        return kShortTag;
    if (in.Text(kTagSize) != Tag(m_kind))
        return kWrongTag;
    if (!in.Has(GetHeaderSize() - kTagSize))
        return kShortFields;
    if (m_kind == kHistogram)
    {
        m_startMass = in.S32();
        m_stopMass = in.S32();
        m_pointCount = in.S32();
        m_pointsPerAmu = 1;
        m_units = in.Text(kUnitsSize);
        m_noiseFloor = in.S32();
        m_cemFlag = in.S32();
    }
    else
    {
        m_startMass = in.U16();
        m_stopMass = in.U16();
        m_pointsPerAmu = in.U16();
        m_pointCount = in.U16();
        m_units = in.Text(kUnitsSize);
        m_noiseFloor = in.U16();
        m_cemFlag = in.S16();
    }
    return kOk;
}

CScanLogHeader::Result CScanLogHeader::Read(CFile& file)
{
    BYTE bytes[64] = {};
    file.SeekToBegin();
    const UINT got = file.Read(bytes, GetHeaderSize());
    return Parse(bytes, got);
}

void CScanLogHeader::FormatRecordTime(char (&text)[kTimeSize])
{
    std::memset(text, 0, sizeof text);
    const CString now = FormatTime(CTime::GetCurrentTime().GetTime(), kScanTimeFormat);
    std::strncpy(text, now, sizeof text - 1);
}

BOOL CScanLogHeader::ReadRecord(CFile& file, ULONGLONG headerSize, int pointCount, ULONGLONG index,
                                char (&timeText)[kTimeSize], float* values)
{
    if (pointCount < 0)
        return FALSE;
    file.Seek(static_cast<LONGLONG>(headerSize + index * RecordSize(pointCount)), CFile::begin);
    if (file.Read(timeText, kTimeSize) != kTimeSize)
        return FALSE;
    timeText[kTimeSize - 1] = '\0';
    const UINT bytes = static_cast<UINT>(4 * pointCount);
    return file.Read(values, bytes) == bytes;
}
