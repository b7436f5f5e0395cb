// What the analog and histogram scans write besides their logs: the text export of the displayed
// sweep in its two line forms, the document copy, and the mass-range check before a run.
#include "ScanTestSupport.h"

#include <afxwin.h>

#include <fstream>
#include <sstream>

using namespace scantest;

namespace
{

struct ExportCase
{
    int kind;
    int oldAscii;
    const char* heading;
    const char* firstPoint; // the line of point 0 (value 100 counts)
    const char* lastPoint;  // the line of the last point
};

class ScanExportTest : public ScanFixture, public ::testing::WithParamInterface<ExportCase>
{
};

TEST_P(ScanExportTest, TextExportOfTheDisplayedSweep)
{
    const ExportCase& c = GetParam();
    // A key of its own: the cases may run at once in processes that share the settings store.
    CWinApp app("kelmon");
    app.SetRegistryKey(("Test Scan Export " + std::to_string(c.kind) + std::to_string(c.oldAscii)).c_str());
    app.WriteProfileInt("Version", "OldAscii", c.oldAscii);
    Build(c.kind);
    Run(SCAN_MODE_SINGLE);
    TempFolder folder;
    ASSERT_TRUE(m_scan->WriteAsciiFile(folder.Path("sweep.txt").c_str()));
    std::ifstream in(folder.Path("sweep.txt"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string file = text.str();
    EXPECT_NE(file.find(std::string("\r\nKEL Monitor \r\nSoftware Version, 3.00\r\n\r\n") + c.heading),
              std::string::npos);
    EXPECT_NE(file.find("Data Points in Scan, " + std::to_string(Points()) +
                        " \r\nUnits, Torr \r\nNoise Floor, 0 \r\n"
                        "CEM Status, ON \r\nPoints Per AMU, "),
              std::string::npos);
    EXPECT_NE(file.find("\r\nScan Start Mass, 1, amu \r\nScan Stop Mass, 10, amu\r\n\r\n"),
              std::string::npos);
    char first[64], last[64];
    std::snprintf(first, sizeof first, c.firstPoint, double(100 * ValueFactor()));
    std::snprintf(last, sizeof last, c.lastPoint, double((100 + Points() - 1) * ValueFactor()));
    EXPECT_NE(file.find(std::string("\r\n") + first), std::string::npos) << first;
    EXPECT_TRUE(file.ends_with(last)) << last;
}

INSTANTIATE_TEST_SUITE_P(Forms, ScanExportTest,
                         ::testing::Values(ExportCase{SCAN_KIND_ANALOG, 0, "Analog Scan Setup:\r\n\r\n",
                                                      "  1.00,  % 1.2E, \r\n", " 10.00,  % 1.2E, \r\n"},
                                           ExportCase{SCAN_KIND_ANALOG, 1, "Analog Scan Setup:\r\n\r\n",
                                                      "0,  % 1.2E, \r\n", "90,  % 1.2E, \r\n"},
                                           ExportCase{SCAN_KIND_HISTOGRAM, 0, "Histogram Scan Setup:\r\n\r\n",
                                                      "1,  % 1.2E \r\n", "10,  % 1.2E \r\n"},
                                           ExportCase{SCAN_KIND_HISTOGRAM, 1, "Histogram Scan Setup:\r\n\r\n",
                                                      "0,  % 1.2E \r\n", "9,  % 1.2E \r\n"}),
                         [](const auto& info)
                         {
                             return std::string(info.param.kind == SCAN_KIND_ANALOG ? "Analog"
                                                                                    : "Histogram") +
                                    (info.param.oldAscii ? "OldForm" : "NewForm");
                         });

class ScanFilesTest : public ScanFixture
{
protected:
    void SetUp() override { Build(SCAN_KIND_ANALOG); }
};

TEST_F(ScanFilesTest, DocumentCopyThatCannotBeCreatedIsReported)
{
    m_prompts.Expect("Could not open file \"/nonexistent-kel-folder/copy.kel\"\nError:").Reply(IDOK);
    EXPECT_FALSE(m_scan->SaveDocumentCopy("/nonexistent-kel-folder/copy.kel"));
}

TEST_F(ScanFilesTest, DocumentCopyHoldsTheDocument)
{
    m_document->m_serialize = [](CArchive& ar) { ar << int32_t(4711); };
    TempFolder folder;
    ASSERT_TRUE(m_scan->SaveDocumentCopy(folder.Path("copy.kel").c_str()));
    CFile file(folder.Path("copy.kel").c_str(), CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    int32_t value = 0;
    ar >> value;
    EXPECT_EQ(value, 4711);
}

TEST_F(ScanFilesTest, StopMassBeyondTheHeadsRangeRefusesTheRun)
{
    EXPECT_TRUE(m_scan->CheckMassRange());
    m_settings->m_stopMass = 250; // the simulated head reaches 200 amu
    m_prompts.Expect("The value of stop mass (250)  is out of range for this instrument").Reply(IDOK);
    EXPECT_FALSE(m_scan->CheckMassRange());
}

} // namespace
