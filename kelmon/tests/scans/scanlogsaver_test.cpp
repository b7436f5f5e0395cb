// Saving a scan log as one file per sweep: which records become files, their names, what the text
// and document savers write, and the refusals.
#include "ScanTestSupport.h"

#include "scans/ScanLogSaverFactory.h"
#include "testkit/Faults.h"

#include <cstring>
#include <fstream>
#include <sstream>

using namespace scantest;
using kel::PromptKind;

namespace
{

constexpr int kPoints = 91;

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ScanLogSaverTest : public ScanFixture
{
protected:
    void SetUp() override { Build(SCAN_KIND_ANALOG); }

    // A log written by the scan itself: one record per sweep, point i of sweep s is 1000 s + i,
    // each record stamped with times[s].
    std::string WriteLog(const std::vector<std::string>& times)
    {
        CScanLogSettings& log = m_document->GetLogSettings(SCAN_KIND_ANALOG);
        log.m_enabled = 1;
        log.m_folder = m_source.Path().c_str();
        log.m_maxSaved = 100;
        m_head.value = [](int s, int i) { return 1000 * s + i; };
        Run(SCAN_MODE_NSCANS, static_cast<int>(times.size()));
        const std::string path(m_scan->m_strLogPath);
        // The records' times as the test wants them.
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        for (size_t r = 0; r < times.size(); ++r)
        {
            char text[50] = {};
            std::strncpy(text, times[r].c_str(), sizeof text - 1);
            file.seekp(52 + static_cast<std::streamoff>(r * (50 + 4 * kPoints)));
            file.write(text, sizeof text);
        }
        return path;
    }

    // Views path, then saves it with a saver of kind into the target folder.
    BOOL Save(int kind, const std::string& path)
    {
        m_prompts.Expect("", PromptKind::FileOpen).ReplyPath(path);
        EXPECT_TRUE(m_scan->OpenLogForView());
        m_scan->ViewLogScan(LOG_RECORD_NEXT); // the user stands on record 1
        std::unique_ptr<CScanLogSaver> saver(CScanLogSaverFactory().Create(kind));
        saver->SetScan(m_scan.get());
        saver->SetSourcePath(path);
        saver->SetTargetFolder(m_target.Path() + "/");
        return saver->Save();
    }

    TempFolder m_source;
    TempFolder m_target;
};

TEST(ScanLogSaverNames, FileNameFromTime)
{
    EXPECT_EQ(MakeFileNameFromTime("Jan 05, 2024  01:02:03 PM"), "Jan_05_2024__01-02-03_PM");
    EXPECT_EQ(MakeFileNameFromTime("a,b\tc\nd:e f"), "abcd-e_f");
    EXPECT_EQ(MakeFileNameFromTime(""), "");
}

TEST(ScanLogSaverFactoryTest, MakesTheTwoKindsOnly)
{
    CScanLogSaverFactory factory;
    std::unique_ptr<CScanLogSaver> text(factory.Create(CScanLogSaverFactory::kText));
    std::unique_ptr<CScanLogSaver> document(factory.Create(CScanLogSaverFactory::kDocument));
    EXPECT_NE(text, nullptr);
    EXPECT_NE(document, nullptr);
    EXPECT_EQ(factory.Create(0), nullptr);
    EXPECT_EQ(factory.Create(3), nullptr);
    EXPECT_EQ(text->Save(), 0) << "no scan set";
}

TEST_F(ScanLogSaverTest, EachSweepBecomesATextFileNamedByItsTimeFromTheFirstRecordToTheLast)
{
    const std::string path =
        WriteLog({"Jan 01, 2024  01:02:03 PM", "Jan 02, 2024  01:02:03 PM", "Jan 03, 2024  01:02:03 PM"});
    EXPECT_EQ(Save(CScanLogSaverFactory::kText, path), 1);
    EXPECT_EQ(m_target.Files(),
              (std::vector<std::string>{"Jan_01_2024__01-02-03_PM.txt", "Jan_02_2024__01-02-03_PM.txt",
                                        "Jan_03_2024__01-02-03_PM.txt"}));
    for (int s = 0; s < 3; ++s)
    {
        SCOPED_TRACE(s);
        const std::string text =
            ReadText(m_target.Path("Jan_0" + std::to_string(s + 1) + "_2024__01-02-03_PM.txt"));
        EXPECT_NE(text.find("Analog Scan Setup:\r\n\r\nData Points in Scan, 91 \r\nUnits, Torr \r\n"),
                  std::string::npos);
        char line[64];
        std::snprintf(line, sizeof line, "  1.50,   %1.2E, \r\n", double((1000.0f * s + 5) * ValueFactor()));
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(m_scan->m_nLogRecordIndex, 1) << "the viewed record is the user's again";
}

TEST_F(ScanLogSaverTest, SweepsOfTheSameSecondKeepTheirOwnFiles)
{
    const std::string path = WriteLog({"Jan 01, 2024  01:02:03 PM", "Jan 01, 2024  01:02:03 PM"});
    EXPECT_EQ(Save(CScanLogSaverFactory::kText, path), 1);
    EXPECT_EQ(m_target.Files(),
              (std::vector<std::string>{"Jan_01_2024__01-02-03_PM.txt", "Jan_01_2024__01-02-03_PM_2.txt"}));
}

TEST_F(ScanLogSaverTest, DocumentSaverWritesACopyOfTheDocumentPerSweep)
{
    // The copy holds what the display shows: the sweep read from the log.
    m_document->m_serialize = [this](CArchive& ar)
    {
        const std::vector<float> sweep = m_display->Sweep();
        ar << static_cast<int32_t>(sweep.size()) << sweep[7];
    };
    const std::string path = WriteLog({"Feb 01, 2024  09:00:00 AM", "Feb 01, 2024  09:00:01 AM"});
    EXPECT_EQ(Save(CScanLogSaverFactory::kDocument, path), 1);
    ASSERT_EQ(m_target.Files(),
              (std::vector<std::string>{"Feb_01_2024__09-00-00_AM.kel", "Feb_01_2024__09-00-01_AM.kel"}));
    for (int s = 0; s < 2; ++s)
    {
        CFile file(m_target.Path(m_target.Files()[s]).c_str(), CFile::modeRead);
        CArchive ar(&file, CArchive::load);
        int32_t count = 0;
        float value = 0;
        ar >> count >> value;
        EXPECT_EQ(count, kPoints);
        EXPECT_FLOAT_EQ(value, (1000.0f * s + 7) * ValueFactor());
    }
}

TEST_F(ScanLogSaverTest, AFullDiskStopsTheWalkWithAMessageAndLeavesNoPartOfAFile)
{
    m_document->m_serialize = [](CArchive& ar)
    {
        for (int i = 0; i < 1000; ++i)
            ar << static_cast<int32_t>(i);
    };
    const std::string path = WriteLog({"Mar 01, 2024  09:00:00 AM", "Mar 02, 2024  09:00:00 AM"});
    for (int kind : {CScanLogSaverFactory::kText, CScanLogSaverFactory::kDocument})
    {
        SCOPED_TRACE(kind);
        auto& message = m_prompts.Expect("Error writing to file").Reply(IDOK);
        {
            kel::testkit::FileSizeLimit limit(600); // less than one sweep's file
            Save(kind, path);
        }
        EXPECT_EQ(message.Calls(), 1) << "said once; the walk stops there";
        EXPECT_TRUE(m_target.Files().empty()) << "no part of a file is left as if saved";
    }
}

TEST_F(ScanLogSaverTest, SourceThatCannotBeOpenedIsReported)
{
    std::unique_ptr<CScanLogSaver> saver(CScanLogSaverFactory().Create(CScanLogSaverFactory::kText));
    saver->SetScan(m_scan.get());
    saver->SetSourcePath(m_source.Path("missing.ana"));
    saver->SetTargetFolder(m_target.Path());
    m_prompts.Expect("missing.ana\"\nError:2").Reply(IDOK);
    EXPECT_EQ(saver->Save(), 0);
    EXPECT_TRUE(m_target.Files().empty());
}

TEST_F(ScanLogSaverTest, LogWithoutRecordsWritesNothing)
{
    const std::string path = m_source.Path("empty.ana");
    m_prompts.Expect("", PromptKind::FileSave).ReplyPath(path);
    ASSERT_TRUE(m_scan->CreateBinaryLog(10, 1, 1));
    std::unique_ptr<CScanLogSaver> saver(CScanLogSaverFactory().Create(CScanLogSaverFactory::kText));
    saver->SetScan(m_scan.get());
    saver->SetSourcePath(path);
    saver->SetTargetFolder(m_target.Path());
    m_prompts.Expect(" No Scan Data Present").Reply(IDOK);
    EXPECT_EQ(saver->Save(), 1);
    EXPECT_TRUE(m_target.Files().empty());
}

} // namespace
