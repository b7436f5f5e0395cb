// The gas library's dialogs offscreen: searching the library by fragment masses, showing a gas's
// pattern and plotting it; naming the reference gases of peak tuning; and choosing the twelve gases
// of the spectrum analysis, with the double-click selection carried into the list on Apply.
#include "analysis/Gas.h"
#include "analysis/Library.h"
#include "dialogs/LibrarySearchDlg.h"
#include "dialogs/ModifyAnalysisDlg.h"
#include "dialogs/PeakTuningGasDlg.h"
#include "res/resource.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

std::vector<std::string> ListBoxItems(HWND list)
{
    std::vector<std::string> items;
    const int count = static_cast<int>(::SendMessage(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        char text[128] = {};
        ::SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

// The library display's side as the library sees it: records the gases asked for.
class CRecordingHost : public CLibraryHost
{
public:
    BOOL IsLibraryMode() override { return 0; }
    void EnterLibraryMode() override { ++entered; }
    BOOL IsLibraryDisplayCurrent() override { return 0; }
    int entered = 0;
};

class LibraryDialogTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(library.ReadLibraryFile(KEL_GASLIB_DIR "/"));
        ASSERT_EQ(library.GetSize(), 32);
        previousHost = CLibrary::SetHost(&host);
    }
    void TearDown() override
    {
        CLibrary::SetHost(previousHost);
        UiTest::TearDown();
    }
    CLibrary library;
    CRecordingHost host;
    CLibraryHost* previousHost = nullptr;
};

// ---- Library Search ---------------------------------------------------------------------------

TEST_F(LibraryDialogTest, SearchListsTheGasesHoldingEveryMassAndShowsAPattern)
{
    ScriptedPrompts prompts;
    prompts.Expect("Please enter an integer between 0 and 300.").Reply(IDOK);
    prompts.Expect(IDD_LIBRARY_SEARCH)
        .Drive(
            [&](DialogDriver& d)
            {
                HWND gases = d.Item(IDC_LIBSEARCH_GASES);
                EXPECT_EQ(ListBoxItems(gases).size(), 32u) << "opens with every gas";
                d.SetText(1123, "28");
                d.SetText(1039, "14");
                d.Click(IDC_LIBSEARCH_SEARCH);
                EXPECT_EQ(ListBoxItems(gases),
                          (std::vector<std::string>{"Nitrogen", "Carbon monoxide", "Ethane", "Ethylene",
                                                    "Nitrous oxide", "Methanol"}));
                d.Select(IDC_LIBSEARCH_GASES, "Nitrogen");
                EXPECT_EQ(d.GetText(IDC_LIBSEARCH_FRAG_MASSES), "28 14 29 ");
                HWND peaks = d.Item(IDC_LIBSEARCH_PEAKS);
                EXPECT_EQ(::SendMessage(peaks, LVM_GETITEMCOUNT, 0, 0), 3);
                d.Click(IDC_LIBSEARCH_PLOT);
                EXPECT_EQ(host.entered, 1) << "the library display is asked for";

                // A mass out of range is refused there, with the focus on it.
                d.SetText(1035, "301");
                d.Click(IDC_LIBSEARCH_SEARCH);
                EXPECT_EQ(d.FocusedId(), 1035);
                EXPECT_EQ(ListBoxItems(gases).size(), 6u) << "the list of the last search stays";

                d.Click(IDC_LIBSEARCH_CLEAR);
                EXPECT_TRUE(ListBoxItems(gases).empty());
                EXPECT_EQ(d.GetText(1123), "0");
                EXPECT_EQ(d.GetText(1035), "0");
                EXPECT_EQ(d.GetText(IDC_LIBSEARCH_FRAG_MASSES), "");
                d.Click(IDC_LIBSEARCH_SEARCH);
                EXPECT_TRUE(ListBoxItems(gases).empty()) << "no mass, no gas";
                d.Click(IDC_LIBSEARCH_SHOW_ALL);
                EXPECT_EQ(ListBoxItems(gases).size(), 32u);
                d.Click(IDOK);
            });
    CLibrarySearchDlg dlg;
    dlg.m_pLibrary = &library;
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

// ---- Peak Tuning Gas Selection ----------------------------------------------------------------

TEST_F(LibraryDialogTest, PeakTuningGasesAreCheckedAndWrittenBack)
{
    PeakReference low{"Helium", 4}, high{"Krypton", 84};
    struct Case
    {
        int field;
        const char* text;
        const char* message; // nullptr: accepted
    } cases[] = {
        {IDC_TUNEGAS_LOW_MASS, "100", "Please enter an integer between 1 and 99."},
        {IDC_TUNEGAS_LOW_MASS, "0", "Please enter an integer between 1 and 99."},
        {IDC_TUNEGAS_HIGH_MASS, "1", "Please enter an integer between 2 and 100."},
        {IDC_TUNEGAS_HIGH_MASS, "101", "Please enter an integer between 2 and 100."},
        {IDC_TUNEGAS_LOW_NAME, "Hydrogen deuteride 21", "Enter no more than 20 characters."},
        {IDC_TUNEGAS_LOW_MASS, "99", nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        ScriptedPrompts prompts;
        if (c.message)
            prompts.Expect(c.message).Reply(IDOK);
        prompts.Expect(IDD_PEAK_TUNING_GAS)
            .Drive(
                [&](DialogDriver& d)
                {
                    EXPECT_EQ(d.GetText(IDC_TUNEGAS_LOW_NAME), low.name.GetString());
                    EXPECT_EQ(d.GetText(IDC_TUNEGAS_HIGH_MASS), std::to_string(high.mass));
                    // Set as a program would: the edit's limit holds for typing only.
                    ::SetWindowText(d.Item(c.field), c.text);
                    d.Click(IDOK);
                    if (c.message)
                    {
                        EXPECT_TRUE(d.IsOpen());
                        EXPECT_EQ(d.FocusedId(), c.field);
                        d.Click(IDCANCEL);
                    }
                });
        CPeakTuningGasDlg dlg;
        dlg.m_pLow = &low;
        dlg.m_pHigh = &high;
        dlg.DoModal();
        EXPECT_EQ(low.mass, c.message ? 4 : 99);
        EXPECT_EQ(low.name, "Helium");
    }

    ScriptedPrompts prompts;
    prompts.Expect(IDD_PEAK_TUNING_GAS)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_TUNEGAS_HIGH_NAME, "Xenon");
                d.SetText(IDC_TUNEGAS_HIGH_MASS, "100");
                d.Click(ID_TUNEGAS_TUNE);
            });
    CPeakTuningGasDlg dlg;
    dlg.m_pLow = &low;
    dlg.m_pHigh = &high;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_bTuneRequested, 1);
    EXPECT_EQ(high.name, "Xenon");
    EXPECT_EQ(high.mass, 100);
}

// ---- Gas Selection ----------------------------------------------------------------------------

class GasSelectionTest : public LibraryDialogTest
{
protected:
    // The image of each list item by its text.
    static std::vector<std::pair<std::string, int>> Items(HWND list)
    {
        std::vector<std::pair<std::string, int>> items;
        const int count = static_cast<int>(::SendMessage(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
        {
            char text[128] = {};
            LVITEM lvi{};
            lvi.mask = LVIF_TEXT | LVIF_IMAGE;
            lvi.iItem = i;
            lvi.pszText = text;
            lvi.cchTextMax = sizeof text;
            ::SendMessage(list, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&lvi));
            items.emplace_back(text, lvi.iImage);
        }
        return items;
    }
    static int ImageOf(HWND list, const std::string& name)
    {
        for (const auto& [text, image] : Items(list))
            if (text == name)
                return image;
        return -1;
    }
    // A double click on the item with that text, as the list reports it to the dialog.
    static void DoubleClick(DialogDriver& d, const std::string& name)
    {
        HWND list = d.Item(IDC_GASSEL_LIST);
        const auto items = Items(list);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].first == name)
            {
                NMITEMACTIVATE nm{};
                nm.hdr.hwndFrom = list;
                nm.hdr.idFrom = IDC_GASSEL_LIST;
                nm.hdr.code = NM_DBLCLK;
                nm.iItem = static_cast<int>(i);
                ::SendMessage(d.Dialog(), WM_NOTIFY, IDC_GASSEL_LIST, reinterpret_cast<LPARAM>(&nm));
                return;
            }
        ADD_FAILURE() << name << " not listed";
    }
    void Preset(CModifyAnalysisDlg& dlg)
    {
        dlg.m_pLibrary = &library;
        for (int i = 0; i < CModifyAnalysisDlg::kListSize; ++i)
            dlg.m_gasList[i] = CModifyAnalysisDlg::kDefaultGases[i];
        dlg.m_gasList[7] = "Unobtainium"; // not in the library
        dlg.m_strFolder = "/data/logs";
        dlg.m_strFileName = "run";
    }
};

TEST_F(GasSelectionTest, TheListShowsWhichGasesAreInTheAnalysis)
{
    ScriptedPrompts prompts;
    prompts.Expect(IDD_GAS_SELECTION)
        .Drive(
            [&](DialogDriver& d)
            {
                HWND list = d.Item(IDC_GASSEL_LIST);
                const auto items = Items(list);
                ASSERT_EQ(items.size(), 32u);
                EXPECT_EQ(items[0], (std::pair<std::string, int>{"Hydrogen", 1}));
                EXPECT_EQ(ImageOf(list, "NO"), 0) << "replaced in the list by a name the library lacks";
                EXPECT_EQ(ImageOf(list, "Krypton"), 0);
                EXPECT_EQ(ImageOf(list, "Unobtainium"), -1) << "no item for it";
                EXPECT_EQ(d.GetText(IDC_GASSEL_FOLDER), "/data/logs");
                EXPECT_TRUE(d.IsChecked(IDC_GASSEL_TITLE_RULE));
                std::filesystem::create_directories("screenshots");
                d.Pump();
                EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                                  "screenshots/gas_selection.png"));
                // Default, then Cancel: the caller's list is as it was.
                d.Click(IDC_GASSEL_DEFAULT);
                EXPECT_EQ(ImageOf(list, "NO"), 1);
                d.Click(IDCANCEL);
            });
    CModifyAnalysisDlg dlg;
    Preset(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(GasSelectionTest, ToggledGasesReachTheListOnApply)
{
    ScriptedPrompts prompts;
    prompts.Expect("The analysis uses exactly 12 gases, and 10 are selected.").Reply(IDOK);
    prompts.Expect("The analysis uses exactly 12 gases, and 13 are selected.").Reply(IDOK);
    prompts.Expect(IDD_GAS_SELECTION)
        .Drive(
            [&](DialogDriver& d)
            {
                HWND list = d.Item(IDC_GASSEL_LIST);
                DoubleClick(d, "Argon"); // out
                EXPECT_EQ(ImageOf(list, "Argon"), 0);
                EXPECT_EQ(d.FocusedId(), IDC_GASSEL_LIST);
                // With the name the library lacks, 10 known gases remain: two may come in.
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen()) << "ten is not twelve";
                DoubleClick(d, "Krypton"); // in
                DoubleClick(d, "Xenon");   // in
                DoubleClick(d, "SF6");     // in: thirteen
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                DoubleClick(d, "SF6"); // out again
                d.Check(IDC_GASSEL_LOGGING);
                d.Check(IDC_GASSEL_USER_RULE);
                d.Click(IDOK);
            });
    CModifyAnalysisDlg dlg;
    Preset(dlg);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    // Gases kept keep their places; the new ones take the freed places in library order.
    const char* expected[] = {"Hydrogen",        "Helium",  "Methane", "Water", "Nitrogen",       "Oxygen",
                              "Carbon monoxide", "Krypton", "Neon",    "Xenon", "Carbon dioxide", "MP Oil"};
    for (int i = 0; i < CModifyAnalysisDlg::kListSize; ++i)
        EXPECT_EQ(dlg.m_gasList[i], expected[i]) << i;
    EXPECT_EQ(dlg.m_bLogging, 1);
    EXPECT_EQ(dlg.m_nNameRule, 1);
}

TEST_F(GasSelectionTest, ApplyWithoutTogglingKeepsTheListAndLongTextsAreRefused)
{
    ScriptedPrompts prompts;
    prompts.Expect("Enter no more than 259 characters.").Reply(IDOK);
    prompts.Expect(IDD_GAS_SELECTION)
        .Drive(
            [&](DialogDriver& d)
            {
                ::SetWindowText(d.Item(IDC_GASSEL_FILE_NAME), std::string(300, 'x').c_str());
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), IDC_GASSEL_FILE_NAME);
                d.SetText(IDC_GASSEL_FILE_NAME, "second run");
                d.Click(IDOK);
            });
    CModifyAnalysisDlg dlg;
    Preset(dlg);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_gasList[7], "Unobtainium") << "nothing toggled, nothing changed";
    EXPECT_EQ(dlg.m_strFileName, "second run");
}

} // namespace
