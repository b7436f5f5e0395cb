// The binary scan log of the table scan (.tbl): a header naming the channels, then one record per
// logged sweep. All numbers little-endian.
//
//    0 tag "TABLE_KEL_SCAN" (30, NUL-terminated; the bytes after the NUL are not compared)
//   30 n = channels, int32 (1..10)
//   34 units name (10)
//   44 + 46i  channel i: gas name (30), mass int32, calibration factor float32, noise floor int32,
//             CEM int32
//
// Header size 44 + 46n. Record k starts at 44 + 46n + k x (50 + 4n): the local time it was written
// (50 bytes, zero-padded), then n float32 values in channel order. A trailing partial record is
// not a record.
#pragma once

#include <afx.h>

#include <cstdint>
#include <vector>

class CTableLogHeader
{
public:
    static constexpr UINT kTagSize = 30;
    static constexpr UINT kUnitsSize = 10;
    static constexpr UINT kNameSize = 30;
    static constexpr UINT kChannelSize = 46;
    static constexpr UINT kFixedSize = 44;
    static constexpr UINT kTimeSize = 50;
    static constexpr int kMaxChannels = 10;
    static constexpr const char* kTag = "TABLE_KEL_SCAN";

    // What a header read gave, in the order the fields are read.
    enum Result : int
    {
        kOk = 0,
        kShortTag,      // fewer than 30 bytes
        kWrongTag,      // not the table log's tag
        kShortUnits,    // the tag, but not the count and the units name
        kBadCount,      // a channel count outside 1..10 (units read)
        kShortChannels  // the file ends inside the channel entries (units read)
    };

    struct Channel
    {
        CString name; // up to its NUL, at most 30 characters
        int32_t mass = 0;
        float calFactor = 1.0f;
        int32_t noiseFloor = 0;
        int32_t cem = 0;
    };

    static ULONGLONG HeaderSize(int channels) { return kFixedSize + kChannelSize * static_cast<ULONGLONG>(channels); }
    static ULONGLONG RecordSize(int channels) { return kTimeSize + 4ull * static_cast<ULONGLONG>(channels); }
    // Whole records in a file of fileLength bytes for n channels; 0 when it holds none.
    static ULONGLONG RecordCount(ULONGLONG fileLength, int channels);

    ULONGLONG GetHeaderSize() const { return HeaderSize(static_cast<int>(m_channels.size())); }
    std::vector<BYTE> Format() const;
    Result Parse(const BYTE* data, size_t size);
    // Reads the header from the start of file.
    Result Read(CFile& file);
    // Reads record index: its time text (NUL-terminated) and one value per channel. FALSE on a
    // short read.
    BOOL ReadRecord(CFile& file, ULONGLONG index, char (&timeText)[kTimeSize], float* values) const;

    int32_t m_count = 0; // as stored (also when out of range)
    CString m_units;
    std::vector<Channel> m_channels;
};
