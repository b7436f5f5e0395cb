// The binary scan logs of the analog (.ana) and histogram (.hst) scans: a header, then one record
// per saved sweep. All numbers little-endian.
//
//   analog header (52 bytes)          histogram header (60 bytes)
//    0 tag "ANALOG_KEL_SCAN" (30)      0 tag "HISTOGRAM_KEL_SCAN" (30)
//   30 start mass  uint16             30 start mass  int32
//   32 stop mass   uint16             34 stop mass   int32
//   34 points/amu  uint16             38 points      int32
//   36 points      uint16             42 units name (10)
//   38 units name (10)                52 noise floor int32
//   48 noise floor uint16             56 CEM flag    int32
//   50 CEM flag    int16
//
// Tag and units name are NUL-terminated when they are shorter than their field, zero-padded.
// Record k starts at header size + k x record size: the local time it was written (50 bytes,
// "%b %d, %Y  %I:%M:%S %p", zero-padded), then the sweep's values as float32, point 0 first. A
// trailing partial record is not a record.
#pragma once

#include <afx.h>

#include <cstdint>
#include <vector>

class CScanLogHeader
{
public:
    enum Kind : int
    {
        kAnalog = 0,
        kHistogram = 1
    };
    static constexpr UINT kTagSize = 30;
    static constexpr UINT kUnitsSize = 10;
    static constexpr UINT kTimeSize = 50;

    // What a header read gave.
    enum Result : int
    {
        kOk = 0,
        kShortTag,   // fewer than 30 bytes
        kWrongTag,   // not this kind's tag
        kShortFields // the tag, but not the whole header
    };

    explicit CScanLogHeader(int kind = kAnalog) : m_kind(kind) {}

    static UINT HeaderSize(int kind) { return kind == kHistogram ? 60 : 52; }
    static const char* Tag(int kind) { return kind == kHistogram ? "HISTOGRAM_KEL_SCAN" : "ANALOG_KEL_SCAN"; }
    // 50 + 4 bytes per point.
    static ULONGLONG RecordSize(int pointCount)
    {
        return kTimeSize + 4ull * static_cast<ULONGLONG>(pointCount);
    }
    // Whole records in a file of fileLength bytes; 0 when it holds none or recordSize is 0.
    static ULONGLONG RecordCount(ULONGLONG fileLength, ULONGLONG headerSize, ULONGLONG recordSize);

    UINT GetHeaderSize() const { return HeaderSize(m_kind); }
    // The header's bytes: the analog header takes the low 16 bits of each field.
    std::vector<BYTE> Format() const;
    // Reads a header of this kind from the first size bytes of data.
    Result Parse(const BYTE* data, size_t size);
    // Reads the header from the start of file (at most its size in bytes).
    Result Read(CFile& file);

    // The time text of a record written now.
    static void FormatRecordTime(char (&text)[kTimeSize]);
    // Reads record index of a log: its time text (NUL-terminated, at most 49 characters) and
    // pointCount values. FALSE on a short read (the file ends inside the record).
    static BOOL ReadRecord(CFile& file, ULONGLONG headerSize, int pointCount, ULONGLONG index,
                           char (&timeText)[kTimeSize], float* values);

    int m_kind;
    int32_t m_startMass = 0;
    int32_t m_stopMass = 0;
    int32_t m_pointsPerAmu = 0; // analog only
    int32_t m_pointCount = 0;
    CString m_units; // up to its NUL, at most 10 characters
    int32_t m_noiseFloor = 0;
    int32_t m_cemFlag = 0;
};
