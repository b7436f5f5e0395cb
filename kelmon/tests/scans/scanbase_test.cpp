// The scan base class and its shared functions: file-error texts, the stored-range check, the peak
// routines, paths, 64-bit elapsed times, the averaging settings and weights, and the scan's part of
// the document file with its schema marker.
#include "ScanTestSupport.h"

#include "foundation/Paths.h"
#include "head/KELDummyHead.h"
#include "scans/AveragingWeight.h"
#include "scans/ScanException.h"
#include "testkit/FakeClock.h"

#include <cmath>

using namespace scantest;

namespace
{

TEST(ScanFunctions, FileErrorTextNamesEveryCauseThatHasAText)
{
    const struct
    {
        int cause;
        const char* text;
    } cases[] = {{0, ""},
                 {1, "Unknown file error"},
                 {2, "The specified file was not found"},
                 {3, "All or part of the path is invalid"},
                 {4, "The permitted number of open files was exceeded"},
                 {5, "The file could not be accessed"},
                 {6, "There was an attempt to use an\ninvalid file handle"},
                 {7, ""},
                 {8, "There are no more directory entries.\nDirectory is full"},
                 {9, "There was an error trying to set\nthe file pointer"},
                 {10, "There was a hardware error"},
                 {11, "A shared region was locked"},
                 {12, ""},
                 {13, "The disk is full"},
                 {14, "The end of file was reached"},
                 {15, ""}};
    for (const auto& c : cases)
    {
        CString text = "left over";
        FileErrorText(c.cause, text);
        EXPECT_EQ(std::string(text), c.text) << "cause " << c.cause;
    }
}

TEST(ScanFunctions, CheckStoredRangeTellsTheUserWhatIsOutside)
{
    kel::testkit::ScriptedPrompts prompts;
    EXPECT_TRUE(CheckStoredRange(1, 300, 1));
    EXPECT_TRUE(CheckStoredRange(1, 300, 300));
    prompts.Expect("Stored data value is outside valid range.\nOperation Cancelled").Reply(IDOK).Times(2);
    EXPECT_FALSE(CheckStoredRange(1, 300, 0));
    EXPECT_FALSE(CheckStoredRange(1, 300, 301));
}

TEST(ScanFunctions, PathsAreJoinedWithOneSeparator)
{
    const struct
    {
        const char *folder, *name, *path;
    } joins[] = {{"/logs", "a.ana", "/logs/a.ana"},
                 {"/logs/", "a.ana", "/logs/a.ana"},
                 {"C:\\logs\\", "a.ana", "C:\\logs\\a.ana"},
                 {"", "a.ana", "a.ana"},
                 {"/logs", "", "/logs"},
                 {"/", "a.ana", "/a.ana"}};
    for (const auto& j : joins)
        EXPECT_EQ(JoinPath(j.folder, j.name), j.path) << j.folder << " + " << j.name;

    TempFolder folder;
    const CString path = folder.Path("run.ana").c_str();
    EXPECT_EQ(MakeUniquePath(path), path);
    for (const char* name : {"run.ana", "run_2.ana"})
        CFile(folder.Path(name).c_str(), CFile::modeCreate | CFile::modeWrite).Close();
    EXPECT_EQ(std::string(MakeUniquePath(path)), folder.Path("run_3.ana"));
}

TEST(ScanFunctions, ElapsedTimeGoesOnPastTheWrapOfA32BitTick)
{
    kel::testkit::FakeClock clock(0xFFFFFFFFull - 1000);
    const ULONGLONG start = GetTickCount64();
    clock.Advance(3000);
    EXPECT_DOUBLE_EQ(CScan::ElapsedSeconds(start), 3.0);
}

TEST(ScanFunctions, ScanExceptionCarriesItsCode)
{
    try
    {
        ThrowScanException(2);
    }
    catch (CScanException* e)
    {
        EXPECT_EQ(e->m_nCode, 2);
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException)));
        e->Delete();
    }
}

class PeakRoutines : public ::testing::Test
{
protected:
    CAnalogScan m_scan;
};

TEST_F(PeakRoutines, ExtremesKeepTheFirstOfEqualsAndTheSignByMagnitude)
{
    const float values[] = {1.0f, -5.0f, 3.0f, 3.0f, -0.5f};
    EXPECT_EQ(m_scan.FindMaximum(values, 0, 5), 3.0f);
    EXPECT_EQ(m_scan.FindExtreme(values, 0, 5, TRUE), -5.0f);
    EXPECT_EQ(m_scan.FindExtreme(values, 1, 2, FALSE), 3.0f);
    EXPECT_EQ(m_scan.FindExtreme(values, 4, 0, TRUE), -0.5f) << "no count: the start value";
    const float pair[] = {-5.0f, 5.0f};
    EXPECT_EQ(m_scan.FindExtreme(pair, 0, 2, TRUE), -5.0f) << "a tie keeps the earlier element";
}

TEST_F(PeakRoutines, SevenPointFitFindsTheVertexOfAPeak)
{
    const struct
    {
        const char* name;
        float y[7];
        bool fits;
        float value;
    } cases[] = {
        // y = 10 - (x - 0.5)^2 at x = -3..3: the vertex is 10.
        {"Parabola", {-2.25f, 3.75f, 7.75f, 9.75f, 9.75f, 7.75f, 3.75f}, true, 10.0f},
        {"Flat", {4, 4, 4, 4, 4, 4, 4}, false, 0},
        {"Valley", {9, 4, 1, 0, 1, 4, 9}, false, 0},
        // A peak far to the side: the vertex lies beyond 2.25 points.
        {"OffToTheSide", {0, 0, 0, 0, 1, 5, 20}, false, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        float value = -1.0f;
        EXPECT_EQ(m_scan.FitPeakCenter(c.y, value), c.fits);
        if (c.fits)
        {
            EXPECT_NEAR(value, c.value, 1e-4f);
        }
    }
}

TEST_F(PeakRoutines, FitAroundAPointStaysInsideTheSweep)
{
    const float sweep[] = {-2.25f, 3.75f, 7.75f, 9.75f, 9.75f, 7.75f, 3.75f, 0.0f};
    float value = 0.0f;
    EXPECT_TRUE(m_scan.FitPeakAround(sweep, 8, 3, value));
    EXPECT_NEAR(value, 10.0f, 1e-4f);
    for (int centre : {0, 2, 5, 7})
        EXPECT_FALSE(m_scan.FitPeakAround(sweep, 8, centre, value)) << "centre " << centre;
}

TEST(AveragingWeights, WeightAndItsInverse)
{
    EXPECT_FLOAT_EQ(AveragingWeight(0.5f, 0), 0.5f);
    EXPECT_FLOAT_EQ(AveragingWeight(0.5f, 1), 0.75f);
    EXPECT_FLOAT_EQ(AveragingWeight(0.3f, -1), 0.0f);
    EXPECT_FLOAT_EQ(InverseAveragingWeight(0.5f, 0), 0.5f);
    EXPECT_NEAR(InverseAveragingWeight(0.95f, 5), 0.393f, 0.002f);
    EXPECT_NEAR(InverseAveragingWeight(0.95f, 1000), 0.003f, 0.0005f);
    for (int depth : {2, 5, 20, 1000})
    {
        SCOPED_TRACE(depth);
        const float w = InverseAveragingWeight(0.95f, depth);
        // The sum is 1 - (1 - w)^(depth + 1): the last depth + 1 sweeps carry 95 %.
        EXPECT_NEAR(w, 1.0 - std::pow(0.05, 1.0 / (depth + 1)), 0.005);
        EXPECT_NEAR(AveragingWeight(w, depth), 0.95f, 0.0005f);
    }
}

TEST(ScanAveraging, SettersKeepTheirRules)
{
    CAnalogScan scan;
    EXPECT_EQ(scan.m_nAveragingLimit, 12);
    EXPECT_EQ(scan.m_nLimitAction, 1);
    EXPECT_EQ(scan.m_nAveragingMode, 1);
    EXPECT_EQ(scan.m_nAveragingDepth, 5);
    scan.SetAveragingMode(2);
    EXPECT_EQ(scan.m_nAveragingMode, 2);
    scan.SetAveragingMode(5);
    EXPECT_EQ(scan.m_nAveragingMode, 1) << "anything but 2 is linear";
    EXPECT_FALSE(scan.IsAveraging());
    scan.RequestAveragingReset();
    EXPECT_TRUE(scan.m_bResetRequest);
}

// ---- The document file ----

class ScanArchiveTest : public ::testing::Test
{
protected:
    ScanArchiveTest() : m_settings(CAnalogData::kModeAnalog, nullptr, nullptr)
    {
        m_settings.m_startMass = 2;
        m_settings.m_stopMass = 40;
        m_settings.m_pointCount = m_settings.ExpectedPointCount();
    }

    // The document stores the settings record before the scan, which refers to it.
    void Store(CScan& scan)
    {
        m_file.SetLength(0);
        CArchive ar(&m_file, CArchive::store);
        ar.WriteObject(&m_settings);
        ar.WriteObject(&scan);
        ar << static_cast<int32_t>(0x5EA1); // what the document writes next
        ar.Close();
    }

    // The scan's part as another program may have written it: log every, the marker and, when
    // given, the averaging block (on, reset, limit, depth, action, mode).
    void StoreByHand(int32_t logEvery, const char* marker, const std::vector<int32_t>& block)
    {
        m_file.SetLength(0);
        CArchive ar(&m_file, CArchive::store);
        ar.WriteObject(&m_settings);
        ar.WriteClass(RUNTIME_CLASS(CAnalogScan));
        ar.WriteObject(&m_settings); // the scan's settings (a reference)
        ar.WriteObject(nullptr);     // display
        ar.WriteObject(nullptr);     // head
        ar << 1.0f << int32_t(50) << logEvery << int32_t(0) << CString("*.ana");
        for (int i = 0; i < 5; ++i)
            ar << int32_t(0);
        for (int i = 0; i < 5; ++i)
            ar << 0.0f;
        ar << CString("") << CString("") << CString("") << CString("") << CString(marker);
        for (int32_t word : block)
            ar << word;
        ar << static_cast<int32_t>(0x5EA1);
        ar.Close();
    }

    // Reads what Store or a hand-made archive holds; checks that the scan read exactly its part.
    std::unique_ptr<CScan> Load()
    {
        m_file.SeekToBegin();
        CArchive ar(&m_file, CArchive::load);
        m_loadedSettings.reset(static_cast<CAnalogData*>(ar.ReadObject(RUNTIME_CLASS(CAnalogData))));
        std::unique_ptr<CScan> scan(static_cast<CScan*>(ar.ReadObject(RUNTIME_CLASS(CScan))));
        int32_t next = 0;
        ar >> next;
        EXPECT_EQ(next, 0x5EA1) << "the scan read more or less than it stored";
        return scan;
    }

    CAnalogData m_settings;
    std::unique_ptr<CAnalogData> m_loadedSettings;
    CMemFile m_file;
};

TEST_F(ScanArchiveTest, RoundTripKeepsTheStoredFieldsAndTheAveragingBlock)
{
    CKELDummyHead head;
    head.SetGainMass(44);
    CAnalogScan scan(&m_settings, &head, nullptr);
    scan.m_fStoredFactor = 2.5f;
    scan.m_nLogMaximum = 40;
    scan.m_nLogEvery = 3;
    scan.m_bLogEverySweep = 1;
    scan.m_strLogPath = "/data/run.ana";
    for (int i = 0; i < 5; ++i)
    {
        scan.m_nStoredInt[i] = 10 + i;
        scan.m_fStoredFloat[i] = 0.5f * i;
    }
    scan.m_strCaption = "Jan 01, 2024  01:02:03 PM";
    scan.m_strStored[2] = "third";
    scan.SetAveragingLimit(30);
    scan.SetAveragingDepth(7);
    scan.SetAveragingLimitAction(2);
    scan.SetAveragingMode(2);
    scan.SetAveraging(1);
    scan.RequestAveragingReset();
    Store(scan);

    std::unique_ptr<CScan> loaded = Load();
    auto* analog = dynamic_cast<CAnalogScan*>(loaded.get());
    ASSERT_NE(analog, nullptr);
    EXPECT_EQ(analog->GetAnalogData(), m_loadedSettings.get()) << "the scan refers to the document's record";
    ASSERT_NE(analog->m_pHead, nullptr);
    EXPECT_TRUE(analog->m_pHead->IsKindOf(RUNTIME_CLASS(CKELDummyHead)));
    EXPECT_EQ(analog->m_pHead->GetGainMass(), 44);
    EXPECT_FLOAT_EQ(analog->m_fStoredFactor, 2.5f);
    EXPECT_EQ(analog->m_nLogMaximum, 40);
    EXPECT_EQ(analog->m_nLogEvery, 3);
    EXPECT_EQ(analog->m_bLogEverySweep, 1);
    EXPECT_EQ(std::string(analog->m_strLogPath), "/data/run.ana");
    EXPECT_EQ(analog->m_nStoredInt[4], 14);
    EXPECT_FLOAT_EQ(analog->m_fStoredFloat[3], 1.5f);
    EXPECT_EQ(std::string(analog->m_strCaption), "Jan 01, 2024  01:02:03 PM");
    EXPECT_TRUE(analog->m_bCaptionShown) << "a stored caption is shown";
    EXPECT_EQ(std::string(analog->m_strStored[2]), "third");
    EXPECT_EQ(analog->m_bAveragingOn, 1);
    EXPECT_EQ(analog->m_bResetRequest, 1);
    EXPECT_EQ(analog->m_nAveragingLimit, 30);
    EXPECT_EQ(analog->m_nAveragingDepth, 7);
    EXPECT_EQ(analog->m_nLimitAction, 2);
    EXPECT_EQ(analog->m_nAveragingMode, 2);
    // Ready for its first step: the average buffer of the record's points, the depth's weight.
    EXPECT_EQ(analog->m_nAverageLength, m_loadedSettings->m_pointCount);
    EXPECT_NE(analog->m_pAverage, nullptr);
    EXPECT_FLOAT_EQ(analog->m_fExponentialWeight, InverseAveragingWeight(0.95f, 7));
    delete analog->m_pHead;
}

TEST_F(ScanArchiveTest, DamagedValuesLoadAsTheirDefaults)
{
    // Log every 0 would divide by zero at the first logged sweep; the averaging words are beyond
    // what the averaging set-up allows.
    StoreByHand(0, "SCHEMA2", {1, 0, 0, 5000, 7, 9});
    std::unique_ptr<CScan> scan = Load();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_nLogEvery, 1);
    EXPECT_EQ(scan->m_nAveragingLimit, 12);
    EXPECT_EQ(scan->m_nAveragingDepth, 5);
    EXPECT_EQ(scan->m_nLimitAction, 1);
    EXPECT_EQ(scan->m_nAveragingMode, 1);
}

struct MarkerCase
{
    const char* marker;
    bool block; // the averaging block follows
};

class ScanSchemaTest : public ScanArchiveTest, public ::testing::WithParamInterface<MarkerCase>
{
};

TEST_P(ScanSchemaTest, MarkerDecidesWhetherTheAveragingBlockFollows)
{
    // The scan's part as an older or newer program wrote it.
    StoreByHand(2, GetParam().marker,
                GetParam().block ? std::vector<int32_t>{1, 0, 20, 9, 2, 2} : std::vector<int32_t>{});
    std::unique_ptr<CScan> scan = Load();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_nAveragingLimit, GetParam().block ? 20 : 12);
    EXPECT_EQ(scan->m_nAveragingDepth, GetParam().block ? 9 : 5);
    EXPECT_EQ(scan->m_nLimitAction, GetParam().block ? 2 : 1);
    EXPECT_EQ(scan->m_nAveragingMode, GetParam().block ? 2 : 1);
    EXPECT_EQ(scan->m_bAveragingOn, GetParam().block ? 1 : 0);
    EXPECT_FALSE(scan->m_bCaptionShown);
}

INSTANTIATE_TEST_SUITE_P(Markers, ScanSchemaTest,
                         ::testing::Values(MarkerCase{"SCHEMA2", true}, MarkerCase{"SCHEMA1", false},
                                           MarkerCase{"", false}, MarkerCase{"SCHEMA", false},
                                           MarkerCase{"SCHEMA3", false}, MarkerCase{"SCHEMA0", false},
                                           MarkerCase{"XSCHEMA2", false}),
                         [](const auto& info) {
                             return *info.param.marker ? std::string(info.param.marker)
                                                       : std::string("Empty");
                         });

} // namespace
