// The spectrum analysis on the analog and histogram scans: the scans ask the analysis' own rule
// for their mass range, a sweep of a known gas reaches the result window as that gas, and the
// analysis log gets its header and one line per sweep.
#include "ScanTestSupport.h"

#include "analysis/Analyse.h"
#include "analysis/Gas.h"
#include "analysis/Library.h"
#include "settings/AppSettings.h"
#include "testkit/Faults.h"

#include <cmath>
#include <filesystem>
#include <fstream>

using namespace scantest;

namespace
{

const char* const kGases[CAnalyse::kListSize] = {"Hydrogen", "Helium", "Methane",         "Water",
                                                 "Nitrogen", "Oxygen", "Carbon monoxide", "NO",
                                                 "Neon",     "Argon",  "Carbon dioxide",  "MP Oil"};
constexpr int kArgon = 9;
constexpr int kHighestMass = 57; // of the twelve gases' first three masses

// Result window that keeps the results it was shown.
struct ResultView : CAnalysisView
{
    static inline std::vector<std::vector<float>> results;
    BOOL CreateView(int32_t*, int32_t*, const CStringArray*, int32_t*) override { return TRUE; }
    BOOL HasWindow() const override { return TRUE; }
    BOOL IsVisible() const override { return TRUE; }
    void ShowResult(float* const* rows, uint32_t gases) override
    {
        std::vector<float> values;
        for (int k = 0; k < __builtin_popcount(gases); ++k)
            values.push_back(rows[k][0]);
        results.push_back(values);
    }
    static CAnalysisView* Create() { return new ResultView; }
};

class ScanAnalysisTest : public ScanFixture, public ::testing::WithParamInterface<int>
{
protected:
    void SetUp() override
    {
        for (int i = 0; i < CAnalyse::kListSize; ++i)
            CAppSettings::GetInstance()->m_analyzeGas[i] = kGases[i];
        m_previousFactory = SetAnalysisViewFactory(&ResultView::Create);
        ResultView::results.clear();
        ASSERT_TRUE(m_library.ReadLibraryFile(KEL_GASLIB_DIR));
        Build(GetParam(), 1, kHighestMass);
        m_document->m_pLibrary = &m_library;
    }
    void TearDown() override
    {
        ScanFixture::TearDown();
        SetAnalysisViewFactory(m_previousFactory);
        CAppSettings::DestroyInstance();
    }
    bool Histogram() const { return GetParam() == SCAN_KIND_HISTOGRAM; }

    // The head sends argon's pattern (x 1000) on the whole masses, 0 elsewhere.
    void SendArgon()
    {
        CStringArray names;
        names.Add("Argon");
        CObArray patterns;
        patterns.SetSize(1);
        ASSERT_TRUE(m_library.GetPatterns(names, patterns));
        const auto* argon = static_cast<const CGas*>(patterns[0]);
        const int perAmu = Histogram() ? 1 : 10;
        m_head.value = [argon, perAmu](int, int i)
        {
            if (i % perAmu)
                return 0;
            for (int slot = 0; slot < CGas::kSlots; ++slot)
                if (argon->GetMass(slot) == 1 + i / perAmu)
                    return static_cast<int32_t>(argon->GetIntensity(slot) * 1000);
            return 0;
        };
    }

    CLibrary m_library;
    AnalysisViewFactory m_previousFactory = nullptr;
};

TEST_P(ScanAnalysisTest, TheRangeRuleIsTheAnalysisOwn)
{
    const struct
    {
        int start, stop;
        bool usable;
    } cases[] = {{1, kHighestMass, true},
                 {2, kHighestMass, true},
                 {1, kHighestMass - 1, false},
                 {3, kHighestMass, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.start << ".." << c.stop);
        m_settings->m_startMass = c.start;
        m_settings->m_stopMass = c.stop;
        EXPECT_EQ(m_scan->CanAnalyse(), c.usable);
    }
    // Opening it on a range that does not reach the highest mass says which mass it needs.
    m_settings->m_stopMass = 50;
    m_prompts.Expect("The scan range should cover to 57 amu for Analysis.").Reply(IDOK);
    EXPECT_FALSE(m_scan->OpenAnalysis(&m_library, nullptr));
    EXPECT_FALSE(m_scan->HasAnalysis());

    // Settings that leave the rule behind drop an open analysis when the scan takes them.
    m_settings->m_startMass = 1;
    m_settings->m_stopMass = kHighestMass;
    ASSERT_TRUE(m_scan->OpenAnalysis(&m_library, nullptr));
    m_settings->m_stopMass = 50;
    m_settings->m_pointCount = m_settings->ExpectedPointCount();
    EXPECT_TRUE(m_scan->AttachDocument(m_document.get()));
    EXPECT_FALSE(m_scan->HasAnalysis());
}

TEST_P(ScanAnalysisTest, ASweepOfArgonIsAnalysedAsArgonAndLogged)
{
    TempFolder folder;
    CAppSettings::GetInstance()->m_analyzeLogging = 1;
    CAppSettings::GetInstance()->m_logDir[CAppSettings::LOGDIR_ANALYZE] = folder.Path();
    SendArgon();
    ASSERT_TRUE(m_scan->OpenAnalysis(&m_library, nullptr));
    EXPECT_TRUE(ResultView::results.empty()) << "nothing displayed yet, nothing to analyse";

    Run(SCAN_MODE_SINGLE);
    ASSERT_EQ(ResultView::results.size(), 1u);
    const std::vector<float>& result = ResultView::results[0];
    ASSERT_EQ(result.size(), size_t(CAnalyse::kListSize));
    float others = 0.0f;
    for (int g = 0; g < CAnalyse::kListSize; ++g)
        if (g != kArgon)
            others += std::fabs(result[g]);
    EXPECT_GT(result[kArgon], 0.0f);
    EXPECT_LT(others, 1e-3f * result[kArgon]);

    // The log: its header when the run started, one line per analysed sweep, closed at the end.
    EXPECT_EQ(folder.Files().size(), 1u);
    std::ifstream log(m_scan->GetAnalysisLogPath().GetString());
    std::string line, last, columns;
    while (std::getline(log, line))
    {
        if (line.rfind("#     ", 0) == 0)
            columns = line;
        last = line;
    }
    EXPECT_EQ(columns.rfind("#     Hydrogen     Helium", 0), 0u) << columns;
    EXPECT_EQ(last.rfind("1     0.0", 0), 0u) << last;
    EXPECT_NE(last.find("100.0"), std::string::npos) << last;
    EXPECT_FALSE(m_scan->m_pAnalysisLog) << "the run's end closes the analysis log";
}

TEST_P(ScanAnalysisTest, AFullDiskEndsTheAnalysisLogWithAMessageAndTheAnalysisGoesOn)
{
    TempFolder folder;
    CAppSettings::GetInstance()->m_analyzeLogging = 1;
    CAppSettings::GetInstance()->m_logDir[CAppSettings::LOGDIR_ANALYZE] = folder.Path();
    SendArgon();
    ASSERT_TRUE(m_scan->OpenAnalysis(&m_library, nullptr));
    m_prompts.Expect("analyze logging file").Reply(IDOK);
    {
        kel::testkit::FileSizeLimit limit(100); // less than the log's header
        Run(SCAN_MODE_NSCANS, 2);
    }
    EXPECT_EQ(ResultView::results.size(), 2u) << "every sweep is still analysed and shown";
    EXPECT_FALSE(m_scan->m_pAnalysisLog);
    ASSERT_EQ(folder.Files().size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(folder.Path(folder.Files()[0])), 0u)
        << "no part of a header is left";
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScanAnalysisTest, ::testing::Values(SCAN_KIND_ANALOG, SCAN_KIND_HISTOGRAM),
                         [](const auto& info)
                         { return info.param == SCAN_KIND_ANALOG ? "Analog" : "Histogram"; });

} // namespace
