// The binary scan logs of the analog and histogram scans: headers byte for byte, automatic log
// names, records appended every N sweeps up to the maximum, viewing with wrap-around, and every
// reason the reader refuses a file.
#include "ScanTestSupport.h"

#include <cstring>
#include <fstream>
#include <iterator>

using namespace scantest;
using kel::PromptKind;

namespace
{

using Bytes = std::vector<unsigned char>;

void Put(Bytes& out, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void PutText(Bytes& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
}

struct Header
{
    std::string tag;
    int start, stop, perAmu, points;
    std::string units;
    int noiseFloor, cem;
};

// A header as the log format lays it out: 16-bit fields for analog, 32-bit for histogram.
Bytes AnalogHeader(const Header& h)
{
    Bytes out;
    PutText(out, h.tag, 30);
    for (int v : {h.start, h.stop, h.perAmu, h.points})
        Put(out, v, 2);
    PutText(out, h.units, 10);
    Put(out, h.noiseFloor, 2);
    Put(out, h.cem, 2);
    return out;
}

Bytes HistogramHeader(const Header& h)
{
    Bytes out;
    PutText(out, h.tag, 30);
    for (int v : {h.start, h.stop, h.points})
        Put(out, v, 4);
    PutText(out, h.units, 10);
    Put(out, h.noiseFloor, 4);
    Put(out, h.cem, 4);
    return out;
}

const Header kAnalog{"ANALOG_KEL_SCAN", 1, 10, 10, 91, "Torr", 0, 0};
const Header kHistogram{"HISTOGRAM_KEL_SCAN", 1, 10, 1, 10, "Torr", 0, 0};

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A record: the time text in 50 bytes, then the values.
void PutRecord(Bytes& out, const std::string& time, const std::vector<float>& values)
{
    PutText(out, time, 50);
    for (float v : values)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        Put(out, bits, 4);
    }
}

class ScanLogTest : public ScanFixture
{
protected:
    // A log of the fixture's analog set-up with records whose point i of record r is 1000 r + i.
    std::string MakeAnalogLog(int records, int extraBytes = 0)
    {
        Bytes bytes = AnalogHeader(kAnalog);
        for (int r = 0; r < records; ++r)
        {
            std::vector<float> values(91);
            for (int i = 0; i < 91; ++i)
                values[i] = 1000.0f * r + i;
            PutRecord(bytes, "Jan 0" + std::to_string(r + 1) + ", 2024  01:02:03 PM", values);
        }
        bytes.insert(bytes.end(), extraBytes, 0x55);
        const std::string path = m_folder.Path("view.ana");
        WriteFile(path, bytes);
        return path;
    }

    // Opens path for viewing through the file dialog.
    BOOL View(const std::string& path)
    {
        m_prompts.Expect("", PromptKind::FileOpen).ReplyPath(path);
        return m_scan->OpenLogForView();
    }

    TempFolder m_folder;
};

class AnalogLogTest : public ScanLogTest
{
protected:
    void SetUp() override { Build(SCAN_KIND_ANALOG); }
};

class HistogramLogTest : public ScanLogTest
{
protected:
    void SetUp() override { Build(SCAN_KIND_HISTOGRAM); }
};

TEST_F(AnalogLogTest, ChosenLogStartsWithTheHeaderOfTheSettings)
{
    m_settings->m_cemFlag = 1;
    m_settings->m_noiseFloor = 3;
    const std::string path = m_folder.Path("chosen.ana");
    m_prompts.Expect("", PromptKind::FileSave).ReplyPath(path);
    ASSERT_TRUE(m_scan->CreateBinaryLog(7, 2, 0));
    Header expected = kAnalog;
    expected.cem = 1;
    expected.noiseFloor = 3;
    EXPECT_EQ(ReadFile(path), AnalogHeader(expected));
    EXPECT_TRUE(m_scan->m_bLoggingOn);
    EXPECT_EQ(m_scan->m_nLogMaximum, 7);
    EXPECT_EQ(m_scan->m_nLogEvery, 2);
}

TEST_F(HistogramLogTest, ChosenLogStartsWithTheHeaderOfTheSettings)
{
    const std::string path = m_folder.Path("chosen.hst");
    m_prompts.Expect("", PromptKind::FileSave).ReplyPath(path);
    ASSERT_TRUE(m_scan->CreateBinaryLog(7, 2, 1));
    EXPECT_EQ(ReadFile(path), HistogramHeader(kHistogram));
    EXPECT_EQ(m_scan->m_nLogEvery, 1) << "every sweep";
}

TEST_F(AnalogLogTest, CancelledChoiceStartsNoLog)
{
    m_prompts.Expect("", PromptKind::FileSave).Reply(IDCANCEL);
    EXPECT_TRUE(m_scan->CreateBinaryLog(7, 2, 0));
    EXPECT_FALSE(m_scan->m_bLoggingOn);
    EXPECT_TRUE(m_folder.Files().empty());
}

TEST_F(AnalogLogTest, AutomaticLogNames)
{
    const struct
    {
        const char* name;
        int rule;
        const char* fileName;
        bool child;
        const char* folderTail;
        std::string expectedPrefix;
    } cases[] = {
        {"DocumentTitle", 0, "", false, "", "Doc1_"},
        {"UserName", 1, "oven", false, "", "oven_"},
        {"SplitChild", 1, "oven", true, "", "split1_oven_"},
        {"FolderWithSeparator", 0, "", false, "/", "Doc1_"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        CScanLogSettings& log = m_document->GetLogSettings(c.child ? SCAN_KIND_SPLIT : SCAN_KIND_ANALOG);
        log.m_enabled = 1;
        log.m_folder = (folder.Path() + c.folderTail).c_str();
        log.m_nameRule = c.rule;
        log.m_fileName = c.fileName;
        m_scan->m_bChild = c.child;
        m_scan->m_nChildIndex = 1;
        m_scan->StampStartTime();
        ASSERT_TRUE(m_scan->OpenScanLog());
        const std::string expected =
            folder.Path(c.expectedPrefix + std::string(m_scan->m_strFileStamp) + ".ana");
        EXPECT_EQ(std::string(m_scan->m_strLogPath), expected);
        EXPECT_EQ(ReadFile(expected), AnalogHeader(kAnalog));
        // A second log in the same second keeps the first.
        ASSERT_TRUE(m_scan->OpenScanLog());
        EXPECT_NE(std::string(m_scan->m_strLogPath), expected);
        EXPECT_EQ(folder.Files().size(), 2u);
        log.m_enabled = 0;
    }
}

TEST_F(AnalogLogTest, EveryFifthSweepIsSavedUpToTheMaximum)
{
    CScanLogSettings& log = m_document->GetLogSettings(SCAN_KIND_ANALOG);
    log.m_enabled = 1;
    log.m_folder = m_folder.Path().c_str();
    log.m_saveMode = CScanLogSettings::kSaveEveryN;
    log.m_everyN = 5;
    log.m_maxSaved = 3;
    m_head.value = [](int s, int i) { return 1000 * s + i; };
    Run(SCAN_MODE_NSCANS, 17);
    EXPECT_FALSE(m_scan->m_bLoggingOn) << "the maximum ends logging";
    const Bytes bytes = ReadFile(std::string(m_scan->m_strLogPath));
    const size_t record = 50 + 4 * 91;
    ASSERT_EQ(bytes.size(), 52 + 3 * record);
    const int saved[] = {4, 9, 14}; // sweeps 5, 10 and 15
    for (int r = 0; r < 3; ++r)
    {
        SCOPED_TRACE(r);
        const unsigned char* at = bytes.data() + 52 + r * record;
        const std::string time(reinterpret_cast<const char*>(at));
        EXPECT_TRUE(time.ends_with(" AM") || time.ends_with(" PM")) << time;
        EXPECT_EQ(at[49], 0);
        for (int i : {0, 90})
        {
            float v;
            std::memcpy(&v, at + 50 + 4 * i, 4);
            EXPECT_FLOAT_EQ(v, (1000.0f * saved[r] + i) * ValueFactor());
        }
    }
    // The labels count the records saved so far.
    EXPECT_EQ(m_display->CallsStartingWith("ShowLogProgress 5 3 3 1").size(), 5u);
}

TEST_F(AnalogLogTest, RecordsAreViewedWithWrapAround)
{
    ASSERT_TRUE(View(MakeAnalogLog(3)));
    EXPECT_TRUE(m_scan->IsViewingLog());
    EXPECT_EQ(m_scan->m_nLogRecordCount, 3);
    const struct
    {
        int direction;
        int record;
        int wrapped;
    } steps[] = {{LOG_RECORD_NEXT, 1, 0},     {LOG_RECORD_NEXT, 2, 0},    {LOG_RECORD_NEXT, 0, 1},
                 {LOG_RECORD_PREVIOUS, 2, 0}, {LOG_RECORD_SAME, 2, 0},    {LOG_RECORD_FIRST, 0, 0},
                 {LOG_RECORD_PREVIOUS, 2, 0}, {LOG_RECORD_PREVIOUS, 1, 0}};
    for (const auto& step : steps)
    {
        SCOPED_TRACE(testing::Message() << "direction " << step.direction << " to " << step.record);
        int wrapped = -1;
        ASSERT_TRUE(m_scan->ReadLogScan(step.direction, m_scan->m_logFile, 1, wrapped));
        EXPECT_EQ(wrapped, step.wrapped);
        EXPECT_EQ(m_scan->m_nLogRecordIndex, step.record);
        EXPECT_FLOAT_EQ(m_display->Sweep()[5], 1000.0f * step.record + 5);
        EXPECT_EQ(m_display->Calls().back(), "ShowScanCounter 1 " + std::to_string(step.record) + " 3");
        EXPECT_EQ(std::string(m_scan->m_strLogSweepTime),
                  "Jan 0" + std::to_string(step.record + 1) + ", 2024  01:02:03 PM");
    }
    // An unknown direction ends viewing.
    int wrapped = 0;
    EXPECT_FALSE(m_scan->ReadLogScan(7, m_scan->m_logFile, 1, wrapped));
    EXPECT_FALSE(m_scan->IsViewingLog());
}

TEST_F(AnalogLogTest, TrailingPartialRecordIsNotARecord)
{
    ASSERT_TRUE(View(MakeAnalogLog(2, (50 + 4 * 91) / 2)));
    EXPECT_EQ(m_scan->m_nLogRecordCount, 2);
    m_scan->ViewLogScan(LOG_RECORD_PREVIOUS);
    EXPECT_EQ(m_scan->m_nLogRecordIndex, 1);
    EXPECT_TRUE(m_scan->IsViewingLog());
}

TEST_F(AnalogLogTest, StoredParametersAreTakenWhenTheUserAgrees)
{
    Header stored = kAnalog;
    stored.start = 2;
    stored.stop = 11;
    Bytes bytes = AnalogHeader(stored);
    PutRecord(bytes, "Feb 01, 2024  09:00:00 AM", std::vector<float>(91, 2.0f));
    const std::string path = m_folder.Path("other.ana");
    WriteFile(path, bytes);
    m_prompts.Expect("start mass    1         2      \nstop mass     10       11").Reply(IDOK);
    ASSERT_TRUE(View(path));
    EXPECT_EQ(m_settings->m_startMass, 2);
    EXPECT_EQ(m_settings->m_stopMass, 11);
    EXPECT_EQ(m_display->CallsStartingWith("Rebuild").size(), 1u);
    EXPECT_FLOAT_EQ(m_display->Sweep()[0], 2.0f);
}

struct Rejection
{
    const char* name;
    std::function<Bytes()> file;
    std::vector<std::pair<std::string, int>> prompts; // text and answer, in order
};

class AnalogLogRejectionTest : public AnalogLogTest, public ::testing::WithParamInterface<Rejection>
{
};

TEST_P(AnalogLogRejectionTest, ClosesTheFileAndEndsViewing)
{
    const std::string path = m_folder.Path("bad.ana");
    WriteFile(path, GetParam().file());
    for (const auto& [text, answer] : GetParam().prompts)
        m_prompts.Expect(text).Reply(answer);
    EXPECT_FALSE(View(path));
    EXPECT_FALSE(m_scan->IsViewingLog());
    EXPECT_EQ(m_scan->m_logFile.m_hFile, CFile::hFileNull);
}

Bytes Cut(Bytes bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

Bytes WithRecords(Bytes header, int records)
{
    for (int r = 0; r < records; ++r)
        PutRecord(header, "Mar 01, 2024  10:00:00 AM", std::vector<float>(91, 1.0f));
    return header;
}

INSTANTIATE_TEST_SUITE_P(
    Files, AnalogLogRejectionTest,
    ::testing::Values(
        Rejection{
            "HistogramLog",
            [] { return WithRecords(HistogramHeader(kHistogram), 1); },
            {{"The selected file is not an Analog Scan Log File.\nLog Viewing operation has been canceled.",
              IDOK}}},
        Rejection{"TagWithoutTerminator",
                  [] { return WithRecords(Bytes(52, 'A'), 1); },
                  {{"The selected file is not an Analog Scan Log File.", IDOK}}},
        Rejection{"ShorterThanTheTag",
                  [] { return Cut(AnalogHeader(kAnalog), 29); },
                  {{"Unexpected end of file:  \"", IDOK}}},
        Rejection{"HeaderCutShort",
                  [] { return Cut(AnalogHeader(kAnalog), 51); },
                  {{"Unexpected end of file:  \"", IDOK}}},
        Rejection{"OtherUnits",
                  []
                  {
                      Header h = kAnalog;
                      h.units = "mbar";
                      return WithRecords(AnalogHeader(h), 1);
                  },
                  {{"was saved using the mbar units.", IDOK}}},
        Rejection{"UnitsFillTheirField",
                  []
                  {
                      Header h = kAnalog;
                      h.units = "0123456789";
                      return WithRecords(AnalogHeader(h), 1);
                  },
                  {{"was saved using the 0123456789 units.", IDOK}}},
        Rejection{"OtherParametersDeclined",
                  []
                  {
                      Header h = kAnalog;
                      h.noiseFloor = 5;
                      return WithRecords(AnalogHeader(h), 1);
                  },
                  {{"Would you like KEL to modify the curent parameters", IDCANCEL}}},
        Rejection{"StoredValueOutOfRange",
                  []
                  {
                      Header h = kAnalog;
                      h.start = 0;
                      return WithRecords(AnalogHeader(h), 1);
                  },
                  {{"Would you like KEL to modify", IDOK},
                   {"Stored data value is outside valid range.\nOperation Cancelled", IDOK}}},
        Rejection{
            "HeaderOnly", [] { return AnalogHeader(kAnalog); }, {{"\"\n No Scan Data Present ", IDOK}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HistogramLogTest, AnalogLogIsNotAHistogramLog)
{
    const std::string path = m_folder.Path("analog.hst");
    WriteFile(path, WithRecords(AnalogHeader(kAnalog), 1));
    m_prompts.Expect("The selected file is not a Histogram Scan Log File.").Reply(IDOK);
    EXPECT_FALSE(View(path));
}

TEST_F(HistogramLogTest, StoredPointsBeyondTheHistogramsRangeAreRefused)
{
    Header h = kHistogram;
    h.points = 301; // an analog log may hold that many, a histogram log not
    const std::string path = m_folder.Path("wide.hst");
    WriteFile(path, HistogramHeader(h));
    m_prompts.Expect("Would you like KEL to modify").Reply(IDOK);
    m_prompts.Expect("Stored data value is outside valid range.\nOperation Cancelled").Reply(IDOK);
    EXPECT_FALSE(View(path));
    EXPECT_EQ(m_settings->m_pointCount, kHistogram.points);
    EXPECT_EQ(m_scan->m_logFile.m_hFile, CFile::hFileNull);
}

TEST_F(HistogramLogTest, HeaderOnlyHoldsNoRecord)
{
    const std::string path = m_folder.Path("empty.hst");
    WriteFile(path, HistogramHeader(kHistogram));
    m_prompts.Expect(" No Scan Data Present").Reply(IDOK);
    EXPECT_FALSE(View(path));
}

} // namespace
