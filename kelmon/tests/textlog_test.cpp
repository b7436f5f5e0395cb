// The analysis log: the text log file's append, enable and disable rules and the analysis's
// column and result lines, byte for byte.
#include "analysis/Analyse.h"
#include "analysis/Library.h"
#include "analysis/TextLogFile.h"
#include "settings/AppSettings.h"

#include "testkit/Faults.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace
{

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class TextLogTest : public ::testing::Test
{
protected:
    const kel::testkit::TempDir m_dir{"kel-textlog-"};
    const fs::path m_path = m_dir / "textlog.txt";
};

} // namespace

TEST_F(TextLogTest, AppendsOnlyWhileEnabled)
{
    CTextLogFile log;
    EXPECT_TRUE(log.Close()); // closing a closed log
    EXPECT_FALSE(log.Write("lost\n"));
    ASSERT_TRUE(log.Open(m_path.c_str()));
    EXPECT_TRUE(fs::exists(m_path));
    EXPECT_FALSE(log.Write("disabled\n"));
    log.Enable();
    EXPECT_TRUE(log.Write("first\n"));
    EXPECT_TRUE(log.Write("no line end"));
    log.Disable();
    EXPECT_FALSE(log.Write("disabled again\n"));
    EXPECT_TRUE(log.Close());
    EXPECT_FALSE(log.Write("closed\n"));
    EXPECT_EQ(ReadAll(m_path), "first\r\nno line end");

    // Opening again appends; opening while open moves to the new file.
    ASSERT_TRUE(log.Open(m_path.c_str()));
    ASSERT_TRUE(log.Open(m_path.c_str()));
    EXPECT_FALSE(log.IsEnabled()); // the switch is the log's, not the file's
    log.Enable();
    EXPECT_TRUE(log.Write("\nsecond\n"));
    EXPECT_TRUE(log.Close());
    EXPECT_EQ(ReadAll(m_path), "first\r\nno line end\r\nsecond\r\n");
}

TEST_F(TextLogTest, OpenFailsOnAnUnusablePath)
{
    CTextLogFile log;
    EXPECT_FALSE(log.Open(m_dir.path().c_str())); // a folder
    EXPECT_FALSE(log.Open((m_path.string() + "/no/such/folder.txt").c_str()));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_TRUE(log.Close());
}

TEST_F(TextLogTest, AWriteOnAFullDiskFailsAndLeavesOnlyWholeLines)
{
    CTextLogFile log;
    ASSERT_TRUE(log.Open(m_path.c_str()));
    log.Enable();
    ASSERT_TRUE(log.Write("kept line\n"));
    {
        kel::testkit::FileSizeLimit limit(20);
        EXPECT_FALSE(log.Write("a line longer than the room that is left\n"));
    }
    EXPECT_EQ(ReadAll(m_path), "kept line\r\n") << "the part that fitted was taken back";
    EXPECT_TRUE(log.Write("later\n")) << "with room again the log goes on";
    EXPECT_TRUE(log.Close());
    EXPECT_EQ(ReadAll(m_path), "kept line\r\nlater\r\n");
}

namespace
{
struct NoView : CAnalysisView
{
    BOOL CreateView(int32_t*, int32_t*, const CStringArray*, int32_t*) override { return TRUE; }
    BOOL HasWindow() const override { return FALSE; }
    BOOL IsVisible() const override { return FALSE; }
    void ShowResult(float* const*, uint32_t) override {}
};
} // namespace

TEST_F(TextLogTest, AnalysisLogLinesLayout)
{
    const char* const names[CAnalyse::kListSize] = {"Hydrogen", "Helium", "Methane",         "Water",
                                                    "Nitrogen", "Oxygen", "Carbon monoxide", "NO",
                                                    "Neon",     "Argon",  "Carbon dioxide",  "MP Oil"};
    for (int i = 0; i < CAnalyse::kListSize; ++i)
        CAppSettings::GetInstance()->m_analyzeGas[i] = names[i];
    kel::testkit::ScriptedPrompts prompts;
    CLibrary library;
    ASSERT_TRUE(library.ReadLibraryFile(KEL_GASLIB_DIR));
    const AnalysisViewFactory previous =
        SetAnalysisViewFactory([]() -> CAnalysisView* { return new NoView; });
    CAnalyse analyse(&library);
    // Water, nitrogen and argon, mixed 2 : 1 : 1.
    int32_t flags[CAnalyse::kListSize] = {0, 0, 0, 1, 1, 0, 0, 0, 0, 1};
    int32_t changed = 0;
    ASSERT_TRUE(analyse.Start(flags, &changed));
    std::vector<float> y(analyse.GetMassCount(), 0.0f);
    y[analyse.GetMassRow(18)] = 2.0f * 100.0f / 123.1f;
    y[analyse.GetMassRow(17)] = 2.0f * 21.2f / 123.1f;
    y[analyse.GetMassRow(16)] = 2.0f * 0.9f / 123.1f;
    y[analyse.GetMassRow(28)] = 100.0f / 108.0f;
    y[analyse.GetMassRow(14)] = 7.2f / 108.0f;
    y[analyse.GetMassRow(29)] = 0.8f / 108.0f;
    y[analyse.GetMassRow(40)] = 100.0f / 115.0f;
    y[analyse.GetMassRow(20)] = 14.6f / 115.0f;
    y[analyse.GetMassRow(36)] = 0.3f / 115.0f;
    ASSERT_TRUE(analyse.Analyse(y.data()));

    CTextLogFile log;
    ASSERT_TRUE(log.Open(m_path.c_str()));
    log.Enable();
    log.Write(analyse.FormatLogColumns());
    log.Write(analyse.FormatLogLine(1));
    std::fill(y.begin(), y.end(), 0.0f); // nothing positive: no gas columns
    ASSERT_TRUE(analyse.Analyse(y.data()));
    log.Write(analyse.FormatLogLine(2));
    log.Close();
    EXPECT_EQ(ReadAll(m_path),
              "#     Hydrogen     Helium       Methane      Water        Nitrogen     Oxygen       "
              "Carbon mo... NO           Neon         Argon        Carbon di... MP Oil       \r\n"
              "1     --           --           --           50.0         25.0         --           "
              "--           --           --           25.0         --           --           \r\n"
              "2     \r\n");

    // The header, with a fixed time.
    CAnalyse::LogSetup setup;
    setup.banner = "kelmon";
    setup.version = 1.5;
    setup.pointCount = 1000;
    setup.units = "Torr";
    setup.noiseFloor = 3;
    setup.detector = "CEM Off";
    setup.pointsPerAmu = 10;
    setup.startMass = 1;
    setup.stopMass = 100;
    const CString header = analyse.FormatLogHeader(CTime(2026, 3, 5, 14, 7, 9), setup);
    EXPECT_STREQ(header.GetString(),
                 "02:07:09 PM  Thursday, March 05, 2026\nkelmon \nSoftware Version, 1.50\n\n"
                 "Analog Scan Analysis\n\n"
                 "Data Points in Scan, 1000 \nUnits, Torr \nNoise Floor, 3 \nCEM Off \nPoints Per AMU, 10\n"
                 "Scan Start Mass, 1, amu \nScan Stop Mass, 100, amu\n\n\n"
                 "#     Hydrogen     Helium       Methane      Water        Nitrogen     Oxygen       "
                 "Carbon mo... NO           Neon         Argon        Carbon di... MP Oil       \n");
    SetAnalysisViewFactory(previous);
    CAppSettings::DestroyInstance();
}

TEST(AnalysisResultTextTest, PercentAndPressure)
{
    struct Case
    {
        int32_t mode;
        std::vector<float> values;
        BOOL shown;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {0, {3.0f, -1.0f, 1.0f}, TRUE, {"75.0%", "0.0%", "25.0%"}},
        {0, {1.0f, 1.0f, 1.0f}, TRUE, {"33.3%", "33.3%", "33.3%"}},
        {0, {0.0f, -2.0f}, FALSE, {"old", "old"}},
        {1,
         {2.345e-7f, 3.0f, 1e-9f, 0.0f, -5e-8f, 9.96e-6f, 12.0f},
         TRUE,
         {"2.3e-7", "3.0", "1.0e-9", "0.0", "0.0", "1.0e-5", "1.2e1"}},
    };
    for (const Case& c : cases)
    {
        std::vector<CString> texts(c.values.size(), CString("old"));
        EXPECT_EQ(
            FormatAnalysisResults(c.values.data(), static_cast<int>(c.values.size()), c.mode, texts.data()),
            c.shown);
        for (size_t k = 0; k < texts.size(); ++k)
            EXPECT_STREQ(texts[k], c.texts[k].c_str()) << "mode " << c.mode << " value " << c.values[k];
    }
}
