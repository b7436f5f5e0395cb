#include "scans/ScanLogHeader.h"

#include "scans/LogBytes.h"
#include "scans/Scan.h"

#include <algorithm>
#include <cstring>

using namespace logbytes;

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
        Put32(out, static_cast<uint32_t>(m_startMass));
        Put32(out, static_cast<uint32_t>(m_stopMass));
        Put32(out, static_cast<uint32_t>(m_pointCount));
        PutText(out, m_units, kUnitsSize);
        Put32(out, static_cast<uint32_t>(m_noiseFloor));
        Put32(out, static_cast<uint32_t>(m_cemFlag));
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
