// The histogram and library modes through the real application and its menus, offscreen, on the
// simulated head: Mode > Histogram runs a histogram scan whose bars reach the bar display, and the
// document comes back from its file in that mode; Mode > Library shows the gas that the spectrum
// analysis of an analog sweep found most of, and the document keeps the library view.
#include "KelmonE2eTest.h"
#include "analysis/AnalysisDlg.h"
#include "analysis/Library.h"
#include "displays/BarDisplay.h"
#include "displays/LibDisplay.h"
#include "doc/AnalogData.h"
#include "settings/AppSettings.h"

#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

using kel::testkit::UiTest;

// Pixels of a colour in a window's picture.
int CountPixels(const kel::testkit::Image& image, COLORREF colour)
{
    int n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            n += image.Pixel(x, y) == colour ? 1 : 0;
    return n;
}

class ModesE2eTest : public kel::e2e::KelmonE2eTest
{
};

TEST_F(ModesE2eTest, HistogramModeRunsOnSoft0AndComesBackFromItsFile)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ConnectSoft0(doc);
    FilamentOn(doc);

    // The range a user sets before choosing the mode: 50 masses in five rows of bars.
    CAnalogData* s = doc->GetAnalogSettings(2);
    s->m_startMass = 1;
    s->m_stopMass = 50;
    s->m_noiseFloor = 7;
    s->m_scanMode = SCAN_MODE_CONTINUOUS;
    s->UpdateDerived();
    doc->SetModifiedFlag(FALSE);
    Click(ID_MODE_HISTOGRAM, 100);
    auto* bars = dynamic_cast<CBarDisplay*>(doc->GetCurrentDisplay());
    ASSERT_NE(bars, nullptr);
    ASSERT_NE(bars->GetGraph(), nullptr);
    EXPECT_EQ(bars->RowCount(), 5);
    ASSERT_NE(doc->GetCurrentScan(), nullptr);
    EXPECT_EQ(doc->GetCurrentScan()->GetScanKind(), SCAN_KIND_HISTOGRAM);
    EXPECT_EQ(doc->m_nMode, 1);
    EXPECT_FALSE(doc->IsModified()) << "a mode switch is no change of the document";

    doc->GetLogSettings(SCAN_KIND_HISTOGRAM).m_folder = files.path().string().c_str();
    Click(ID_SCAN_START);
    // A whole sweep and some of the next: every bar has had its value.
    int sweeps = 0, last = 0;
    ASSERT_TRUE(UiTest::PumpUntil(
        [&]
        {
            const int now = bars->CurrentBar();
            if (now < last)
                ++sweeps;
            last = now;
            return sweeps >= 1 && now >= 10;
        },
        20000));
    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    ASSERT_TRUE(bars->HasData());
    int positive = 0;
    for (int i = 0; i < 50; ++i)
        positive += bars->Values()[i] > 0.0f ? 1 : 0;
    // Quiet masses may read 0; most of the range shows a reading.
    EXPECT_GT(positive, 25);
    // The mass read-out and the marker follow the scan through the range.
    float mass = 0, previous = 0;
    WRGetLastData(bars->m_nMassIndexSet, &mass, &previous);
    EXPECT_GE(mass, 1.0f);
    EXPECT_LE(mass, 50.0f);

    // The bars are drawn in the bar colour.
    HWND graphWindow = bars->GetGraph()->window;
    UpdateWindow(graphWindow);
    const kel::testkit::Image shown = kel::testkit::CaptureWindow(graphWindow);
    ASSERT_FALSE(shown.Empty());
    EXPECT_GT(CountPixels(shown, static_cast<COLORREF>(s->m_barColour)), 50);
    Screenshot("kelmon_histogram.png");

    const std::vector<float> values(bars->Values(), bars->Values() + 50);
    const auto path = files / "histogram.kel";
    SaveAs(doc, path);
    CKelDoc* opened = CloseAndOpen(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_nMode, 1);
    EXPECT_EQ(opened->m_nSecondMode, CKelDoc::kNoSplit);
    auto* back = dynamic_cast<CBarDisplay*>(opened->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::vector<float>(back->Values(), back->Values() + 50), values);
    EXPECT_EQ(opened->GetAnalogSettings(2)->m_startMass, 1);
    EXPECT_EQ(opened->GetAnalogSettings(2)->m_stopMass, 50);
    EXPECT_EQ(opened->GetAnalogSettings(2)->m_scanMode, SCAN_MODE_CONTINUOUS);
    ASSERT_NE(opened->GetCurrentScan(), nullptr);
    EXPECT_EQ(opened->GetCurrentScan()->GetScanKind(), SCAN_KIND_HISTOGRAM);
    // Mode > Histogram again: the mode is in force, nothing is rebuilt.
    Click(ID_MODE_HISTOGRAM);
    EXPECT_EQ(opened->GetCurrentDisplay(), back);
}

// The analysis window the program opens, kept so the test can read its rows.
CAnalysisDlg* g_analysisWindow = nullptr;
CAnalysisView* NoteAnalysisWindow()
{
    g_analysisWindow = new CAnalysisDlg;
    return g_analysisWindow;
}

TEST_F(ModesE2eTest, LibraryModeShowsTheGasTheAnalysisFoundAndComesBackFromItsFile)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ConnectSoft0(doc);
    FilamentOn(doc);

    // The analysis gas list of an installed program (the settings store of the test starts empty).
    const char* const kAnalysed[CAnalyse::kListSize] = {"Hydrogen", "Helium", "Methane",         "Water",
                                                        "Nitrogen", "Oxygen", "Carbon monoxide", "NO",
                                                        "Neon",     "Argon",  "Carbon dioxide",  "MP Oil"};
    for (int i = 0; i < CAnalyse::kListSize; ++i)
        CAppSettings::GetInstance()->m_analyzeGas[i] = kAnalysed[i];

    // An analog sweep over the analysed gases' masses with the analysis window open.
    CAnalogData* s = doc->GetAnalogSettings(0);
    s->m_startMass = 1;
    s->m_stopMass = 60;
    s->m_pointsPerAmu = 2;
    s->m_noiseFloor = 7;
    s->m_scanMode = SCAN_MODE_CONTINUOUS;
    s->UpdateDerived();
    doc->GetCurrentDisplay()->Rebuild();
    doc->GetLogSettings(SCAN_KIND_ANALOG).m_folder = files.path().string().c_str();
    const AnalysisViewFactory previous = SetAnalysisViewFactory(NoteAnalysisWindow);
    g_analysisWindow = nullptr;
    Click(ID_UTIL_ANALYZE, 100);
    SetAnalysisViewFactory(previous);
    ASSERT_NE(g_analysisWindow, nullptr);
    CAnalysisDlg* analysis = g_analysisWindow;
    Click(ID_SCAN_START);
    const bool analysed = UiTest::PumpUntil([&] { return !analysis->m_valueText[0].IsEmpty(); }, 30000);
    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    std::string told;
    for (const kel::PromptRequest& prompt : prompts->Prompts())
        told += prompt.text + "|";
    ASSERT_TRUE(analysed) << "a result in the analysis window; messages: " << told;
    // The gas the analysis found most of.
    std::string found;
    float most = -1.0f;
    for (int row = 0; row < CAnalysisDlg::kRows && !analysis->m_nameText[row].IsEmpty(); ++row)
    {
        const float value = static_cast<float>(std::atof(analysis->m_valueText[row]));
        if (value > most)
        {
            most = value;
            found = static_cast<LPCTSTR>(analysis->m_nameText[row]);
        }
    }
    ASSERT_FALSE(found.empty());

    // Mode > Library, then Next Item through the library to that gas.
    doc->SetModifiedFlag(FALSE);
    Click(ID_MODE_LIBRARY, 100);
    auto* library = dynamic_cast<CLibDisplay*>(doc->GetCurrentDisplay());
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(doc->m_nMode, 7);
    EXPECT_EQ(doc->GetCurrentScan(), nullptr) << "the library drives its display";
    EXPECT_FALSE(doc->IsModified());
    CLibrary* gases = doc->GetLibrary();
    ASSERT_NE(gases, nullptr);
    EXPECT_EQ(gases->GetDisplay(), library);
    const auto shownName = [&]
    { return std::string(WGGetString(library->GetGraph(), library->m_gasNameText, 0)); };
    for (int i = 0; i <= gases->GetSize() && shownName() != found; ++i)
        Click(ID_VIEW_NEXT_ITEM, 20);
    ASSERT_EQ(shownName(), found);
    CGas* gas = nullptr;
    ASSERT_TRUE(gases->GetGasAt(gases->GetCurrentGas(), gas));
    gases->BuildSpectrum(*gas);
    const int count = doc->GetAnalogSettings(4)->m_pointCount;
    const std::vector<float> spectrum(gases->GetBars(), gases->GetBars() + count);
    EXPECT_EQ(std::vector<float>(library->Values(), library->Values() + count), spectrum);
    float tallest = 0.0f;
    for (float v : spectrum)
        tallest = std::max(tallest, v);
    EXPECT_GT(tallest, 0.0f) << found << " has a peak in the range";
    // The library shows relative intensities: the user puts them on a linear axis up to the tallest.
    Click(ID_GRAPH_LINEAR);
    prompts.emplace();
    prompts->Expect(IDD_Y_AXIS)
        .Drive(
            [&](kel::testkit::DialogDriver& d)
            {
                d.SetText(IDC_AXIS_FROM, "0");
                d.SetText(IDC_AXIS_TO, std::to_string(tallest * 1.05f).c_str());
                d.Click(IDOK);
            });
    prompts->Expect("").Reply(IDOK).AnyTimes();
    Click(ID_GRAPH_YAXIS, 100);
    EXPECT_NEAR(doc->GetAnalogSettings(4)->m_pressureTop, tallest * 1.05f, tallest * 1e-4f);
    Screenshot("kelmon_library.png");

    const auto path = files / "library.kel";
    SaveAs(doc, path);
    CKelDoc* opened = CloseAndOpen(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_nMode, 7);
    auto* back = dynamic_cast<CLibDisplay*>(opened->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::string(opened->GetAnalogSettings(4)->m_comment), found);
    EXPECT_EQ(std::vector<float>(back->Values(), back->Values() + count), spectrum);
}

} // namespace
