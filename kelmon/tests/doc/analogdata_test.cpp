// The spectrum settings record: mass ticks by range, the peak-tuning narrowing, and its stored form
// (the same bytes after a round trip, checked fields, text cut to its fields).
#include "doc/AnalogData.h"

#include <afx.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

std::vector<BYTE> Store(CAnalogData& record)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        record.Serialize(ar);
    }
    const UINT size = static_cast<UINT>(file.GetLength());
    std::vector<BYTE> bytes(size);
    file.SeekToBegin();
    file.Read(bytes.data(), size);
    return bytes;
}

void Load(CAnalogData& record, std::vector<BYTE> bytes)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    record.Serialize(ar);
}

TEST(AnalogData, MassTicksFollowTheNumberOfMasses)
{
    struct Case
    {
        int first, last;
        float tick;
        int minor;
    } cases[] = {{1, 11, 1.0f, 9}, {1, 12, 1.0f, 0}, {1, 30, 1.0f, 0}, {1, 65, 3.0f, 2}, {1, 200, 10.0f, 9}};
    CAnalogData record(CAnalogData::kModeAnalog, nullptr, nullptr);
    for (const Case& c : cases)
    {
        record.m_startMass = c.first;
        record.m_stopMass = c.last;
        record.ComputeMassTicks();
        EXPECT_FLOAT_EQ(record.m_massTick, c.tick) << c.last;
        EXPECT_EQ(record.m_massMinorTicks, c.minor) << c.last;
    }
}

TEST(AnalogData, DefaultsByModeAndPeakTuningNarrowsTheRangeAndGivesItBack)
{
    CAnalogData analog(CAnalogData::kModeAnalog, nullptr, nullptr);
    EXPECT_EQ(analog.m_pointCount, 641);
    EXPECT_STREQ(analog.m_graphTitle, "Analog Scan");
    EXPECT_STREQ(analog.m_xAxisTitle, "mass");
    EXPECT_EQ(analog.m_enabledFlag, 0);
    CAnalogData library(CAnalogData::kModeLibrary, nullptr, nullptr);
    EXPECT_EQ(library.m_stopMass, 150);
    EXPECT_EQ(library.m_traceCount, 1);
    EXPECT_STREQ(library.m_graphTitle, "Library");

    struct Case
    {
        int tune, first, last;
    } cases[] = {{3, 1, 10}, {40, 35, 45}};
    for (const Case& c : cases)
    {
        CAnalogData record(CAnalogData::kModeAnalog, nullptr, nullptr);
        record.m_tuneMass = c.tune;
        record.SaveState();
        EXPECT_EQ(record.m_startMass, c.first);
        EXPECT_EQ(record.m_stopMass, c.last);
        EXPECT_EQ(record.m_pointsPerAmu, 20);
        EXPECT_EQ(record.m_pointCount, (c.last - c.first) * 20 + 1);
        EXPECT_EQ(record.m_xMajorGrid, 1);
        record.RestoreState();
        EXPECT_EQ(record.m_startMass, 1);
        EXPECT_EQ(record.m_stopMass, 65);
        EXPECT_EQ(record.m_pointCount, 641);
        EXPECT_EQ(record.m_pointsPerAmu, 10);
        EXPECT_EQ(record.m_xMajorGrid, 0);
    }
}

TEST(AnalogData, ARecordStoredAndReadBackGivesTheSameBytes)
{
    CAnalogData record(CAnalogData::kModeHistogram, nullptr, nullptr);
    record.SetDefaults(); // enables the record
    record.m_title = "title";
    record.m_triggerPeriod = 2.5f;
    record.m_scanMode = 2;
    record.m_barScale = 0.5f;
    record.m_strings[3] = "kept";
    std::strcpy(record.m_comment, "comment");
    const auto bytes = Store(record);

    CAnalogData back;
    Load(back, bytes);
    EXPECT_EQ(back.m_mode, CAnalogData::kModeHistogram);
    EXPECT_FLOAT_EQ(back.m_triggerPeriod, 2.5f);
    EXPECT_EQ(back.m_scanMode, 2);
    EXPECT_FLOAT_EQ(back.m_barScale, 0.5f);
    EXPECT_EQ(back.m_strings[3], "kept");
    EXPECT_STREQ(back.m_graphTitle, "Bargraph Scan");
    EXPECT_EQ(back.m_enabledFlag, 1);
    EXPECT_EQ(Store(back), bytes);

    std::unique_ptr<CAnalogData> copy(record.Clone());
    EXPECT_EQ(Store(*copy), bytes);
}

TEST(AnalogData, LoadingChecksWhatOthersSizeByAndCutsLongTexts)
{
    CAnalogData record(CAnalogData::kModeAnalog, nullptr, nullptr);
    record.m_enabledFlag = 2;
    record.m_pointCount = 5000000; // a count that does not fit the range
    auto bytes = Store(record);
    CAnalogData back;
    Load(back, bytes);
    EXPECT_EQ(back.m_enabledFlag, 0);
    EXPECT_EQ(back.m_pointCount, 641);
    EXPECT_EQ(back.m_traceCount, 641);

    // A graph title of 300 characters keeps 99 and its terminator.
    CAnalogData longTitle(CAnalogData::kModeAnalog, nullptr, nullptr);
    auto stored = Store(longTitle);
    const char title[] = "Analog Scan";
    auto at = std::search(stored.begin(), stored.end(), title, title + sizeof title - 1);
    ASSERT_NE(at, stored.end());
    ASSERT_EQ(*(at - 1), sizeof title - 1); // one-byte length prefix
    std::vector<BYTE> patched(stored.begin(), at - 1);
    patched.push_back(0xFF); // a 16-bit length follows
    patched.push_back(44);
    patched.push_back(1); // 300
    patched.insert(patched.end(), 300, 'T');
    patched.insert(patched.end(), at + (sizeof title - 1), stored.end());
    CAnalogData cut;
    Load(cut, patched);
    EXPECT_EQ(std::strlen(cut.m_graphTitle), 99u);
}

} // namespace
