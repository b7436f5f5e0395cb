// The spectrum analysis windows on live dialogs: rows of the selected gases, results as
// percentages and pressures, the set-up dialog's two-gas rule and units, and the notices to the
// active view.
#include "analysis/AnalysisDlg.h"
#include "analysis/AnalysisSetupDlg.h"
#include "analysis/Library.h"
#include "settings/AppSettings.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>
#include "windows.h"

#include <optional>
#include <string>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

std::vector<UINT> g_viewMessages;
HWND g_view = nullptr;

LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEL_ANALYSISSETUPCHANGED || msg == WM_KEL_ANALYSISCLOSED)
    {
        g_viewMessages.push_back(msg);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class AnalysisDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_viewMessages.clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = ViewProc;
        wc.lpszClassName = "KelTestView";
        RegisterClass(&wc);
        g_view = CreateWindowEx(0, "KelTestView", "View", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(g_view, nullptr);
        m_previousLookup = SetAnalysisViewLookup([] { return g_view; });
        const char* names[12] = {"Hydrogen",        "Helium", "Methane", "Water", "Nitrogen",       "Oxygen",
                                 "Carbon monoxide", "NO",     "Neon",    "Argon", "Carbon dioxide", "MP Oil"};
        for (const char* name : names)
            m_names.Add(name);
    }
    void TearDown() override
    {
        SetAnalysisViewLookup(m_previousLookup);
        DestroyWindow(g_view);
        UiTest::TearDown();
    }

    std::string Text(const CAnalysisDlg& dlg, int id) const
    {
        CString text;
        dlg.GetDlgItemText(id, text);
        return text.GetString();
    }
    // Shows values computed for the gases now selected, or for `gases`.
    void ShowValues(CAnalysisDlg& dlg, std::vector<float> values, std::optional<uint32_t> gases = {})
    {
        std::vector<float*> rows;
        for (float& v : values)
            rows.push_back(&v);
        dlg.ShowResult(rows.data(), gases.value_or(SelectionMask(m_flags, 12)));
    }

    CStringArray m_names;
    int32_t m_flags[12] = {1, 0, 0, 1, 0, 1};
    int32_t m_changed = 0;
    int32_t m_units = 0;
    ActiveViewLookup m_previousLookup = nullptr;
};

const int kNames[12] = {1126, 1128, 1129, 1130, 1131, 1132, 1133, 1134, 1135, 1136, 1137, 1138};
const int kValues[12] = {1140, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041};

} // namespace

TEST_F(AnalysisDlgTest, ShowsSelectedGasesInRowsAndTheirResults)
{
    CAnalysisDlg dlg;
    ASSERT_TRUE(dlg.CreateView(m_flags, &m_changed, &m_names, &m_units));
    EXPECT_TRUE(dlg.IsVisible());
    EXPECT_EQ(Text(dlg, kNames[0]), "Hydrogen");
    EXPECT_EQ(Text(dlg, kNames[1]), "Water");
    EXPECT_EQ(Text(dlg, kNames[2]), "Oxygen");
    for (int k = 3; k < 12; ++k)
        EXPECT_EQ(Text(dlg, kNames[k]), "") << k;

    ShowValues(dlg, {3.0f, -1.0f, 1.0f});
    EXPECT_EQ(Text(dlg, kValues[0]), "75.0%");
    EXPECT_EQ(Text(dlg, kValues[1]), "0.0%");
    EXPECT_EQ(Text(dlg, kValues[2]), "25.0%");
    ShowValues(dlg, {0.0f, -1.0f, -2.0f}); // nothing positive: the texts stay
    EXPECT_EQ(Text(dlg, kValues[0]), "75.0%");

    m_units = 1;
    ShowValues(dlg, {1e-9f, 0.0f, 2.345e-7f});
    EXPECT_EQ(Text(dlg, kValues[0]), "1.0e-9");
    EXPECT_EQ(Text(dlg, kValues[1]), "0.0");
    EXPECT_EQ(Text(dlg, kValues[2]), "2.3e-7");
    EXPECT_EQ(Text(dlg, kValues[3]), "");
    // A result for other gases (computed before the choice changed) is not shown, whether their
    // number differs or not.
    ShowValues(dlg, {1.0f, 2.0f}, 0x3);
    ShowValues(dlg, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 11.0f, 12.0f}, 0xFFF);
    ShowValues(dlg, {1.0f, 2.0f, 3.0f}, 0x7);
    EXPECT_EQ(Text(dlg, kValues[0]), "1.0e-9");
}

TEST_F(AnalysisDlgTest, SetupNeedsTwoGasesAndRebuildsTheRows)
{
    CAnalysisDlg dlg;
    ASSERT_TRUE(dlg.CreateView(m_flags, &m_changed, &m_names, &m_units));
    ShowValues(dlg, {1.0f, 1.0f, 1.0f});

    ScriptedPrompts prompts;
    prompts.Expect("You must have at least two gases selected").Reply(IDOK);
    prompts.Expect(IDD_ANALYSIS_SETUP)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(1127), "Hydrogen");
                EXPECT_EQ(d.GetText(1138), "MP Oil");
                EXPECT_TRUE(d.IsChecked(1127));
                EXPECT_TRUE(d.IsChecked(1130));
                EXPECT_FALSE(d.IsChecked(1128));
                EXPECT_TRUE(d.IsChecked(IDC_ANALYSIS_PERCENT));
                d.Check(1127, false);
                d.Check(1130, false);
                d.Click(IDOK); // one gas left: refused, the dialog stays
                EXPECT_TRUE(d.IsOpen());
                d.Check(1137); // Carbon dioxide
                d.Click(IDOK);
            });
    DialogDriver(dlg.GetSafeHwnd()).Click(IDC_ANALYSIS_SETUP);
    ASSERT_EQ(prompts.Prompts().size(), 2u);
    EXPECT_EQ(prompts.Prompts()[1].kind, kel::PromptKind::MessageBox);
    EXPECT_EQ(prompts.Prompts()[1].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));

    const int32_t expected[12] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(m_flags[i], expected[i]) << i;
    EXPECT_EQ(m_changed, 1);
    EXPECT_EQ(Text(dlg, kNames[0]), "Oxygen");
    EXPECT_EQ(Text(dlg, kNames[1]), "Carbon dioxide");
    EXPECT_EQ(Text(dlg, kNames[2]), "");
    EXPECT_EQ(Text(dlg, kValues[0]), "");
    EXPECT_TRUE(PumpUntil([] { return !g_viewMessages.empty(); }));
    EXPECT_EQ(g_viewMessages, std::vector<UINT>{WM_KEL_ANALYSISSETUPCHANGED});
}

TEST_F(AnalysisDlgTest, CancelKeepsAChangedUnitButNotTheGases)
{
    CAnalysisDlg dlg;
    ASSERT_TRUE(dlg.CreateView(m_flags, &m_changed, &m_names, &m_units));
    ScriptedPrompts prompts;
    prompts.Expect(IDD_ANALYSIS_SETUP)
        .Drive(
            [](DialogDriver& d)
            {
                d.Check(1128);
                d.Click(IDC_ANALYSIS_PRESSURE);
                d.Click(IDCANCEL);
            });
    DialogDriver(dlg.GetSafeHwnd()).Click(IDC_ANALYSIS_SETUP);
    EXPECT_EQ(m_units, 1);
    EXPECT_EQ(m_flags[1], 0);
    EXPECT_EQ(m_changed, 0);
    Pump();
    EXPECT_TRUE(g_viewMessages.empty());
}

TEST_F(AnalysisDlgTest, DoneClosesTheWindowAndTellsTheView)
{
    {
        CAnalysisDlg dlg;
        ASSERT_TRUE(dlg.CreateView(m_flags, &m_changed, &m_names, &m_units));
        DialogDriver(dlg.GetSafeHwnd()).Click(IDC_ANALYSIS_DONE);
        EXPECT_FALSE(dlg.HasWindow());
        EXPECT_FALSE(dlg.IsVisible());
        EXPECT_TRUE(PumpUntil([] { return !g_viewMessages.empty(); }));
        EXPECT_EQ(g_viewMessages, std::vector<UINT>{WM_KEL_ANALYSISCLOSED});
    }
    // Deleted by its owner while open: the window goes without a notice.
    g_viewMessages.clear();
    {
        CAnalysisDlg dlg;
        ASSERT_TRUE(dlg.CreateView(m_flags, &m_changed, &m_names, &m_units));
    }
    Pump();
    EXPECT_TRUE(g_viewMessages.empty());
}

TEST_F(AnalysisDlgTest, AnalysisOpensTheWindowAndShowsEachSweep)
{
    // Twelve gases of one mass each: the analysis hands the measured values back unchanged.
    const kel::testkit::TempDir dir("kel-analysisdlg-");
    const std::string path = (dir / "gaslib.dat").string();
    {
        std::string text = "12\n";
        for (int i = 0; i < 12; ++i)
            text += "\"G" + std::to_string(i) + "\" 1\n" + std::to_string(2 + i) + " 0 0 0 0 0 0 0 0 0\n" +
                    "1 0 0 0 0 0 0 0 0 0\n";
        CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.WriteString(text.c_str());
    }
    CLibrary library;
    ASSERT_TRUE(library.ReadLibraryPath(path.c_str()));
    CFile::Remove(path.c_str());
    for (int i = 0; i < 12; ++i)
        CAppSettings::GetInstance()->m_analyzeGas[i] = "G" + std::to_string(i);
    const AnalysisViewFactory previous = SetAnalysisViewFactory(&CAnalysisDlg::New);
    {
        CAnalyse analyse(&library);
        int32_t flags[12] = {0, 1, 0, 1};
        int32_t changed = 1;
        ASSERT_TRUE(analyse.Start(flags, &changed));
        EXPECT_TRUE(analyse.IsDialogVisible());
        std::vector<float> y(analyse.GetMassCount(), 0.0f);
        y[1] = 1.0f;
        y[3] = 3.0f;
        ASSERT_TRUE(analyse.Analyse(y.data()));
        HWND dlg = FindWindow(nullptr, "Spectrum Analysis");
        ASSERT_NE(dlg, nullptr);
        char text[32];
        GetDlgItemText(dlg, kNames[1], text, sizeof text);
        EXPECT_STREQ(text, "G3");
        GetDlgItemText(dlg, kValues[0], text, sizeof text);
        EXPECT_STREQ(text, "25.0%");
        GetDlgItemText(dlg, kValues[1], text, sizeof text);
        EXPECT_STREQ(text, "75.0%");
    }
    SetAnalysisViewFactory(previous);
    CAppSettings::DestroyInstance();
    Pump();
    EXPECT_TRUE(g_viewMessages.empty());
}
