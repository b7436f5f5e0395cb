// Which help topic each of the program's dialogs asks the application for, from its Help button
// and from F1: a menu command's topic (0x10000 + the command) for the dialogs that command opens,
// the template's topic (0x20000 + the template) otherwise, and the few topics of their own. The
// head layer's dialogs, which have no Help button, answer F1 with the focused control's topic.
#include "analysis/AnalysisSetupDlg.h"
#include "analysis/LibScanParameterDlg.h"
#include "dialogs/ControlHelpDlg.h"
#include "dialogs/DlgPackScope.h"
#include "dialogs/HeadInfoDlg.h"
#include "dialogs/LeakAlarmAttributesDlg.h"
#include "dialogs/LeakAudioSetupDlg.h"
#include "dialogs/LeakTestScheduleDlg.h"
#include "dialogs/LeakTestSetupDlg.h"
#include "dialogs/LibrarySearchDlg.h"
#include "dialogs/LineParametersDlg.h"
#include "dialogs/PeakTuningGasDlg.h"
#include "dialogs/PressureReductionDlg.h"
#include "res/resource.h"
#include "scans/AverageSetupDlg.h"
#include "scans/DualScanParameterDlg.h"
#include "scans/ScanParameterDlg.h"
#include "scans/ScanPeriodDlg.h"
#include "scans/ScanScheduleDlg.h"
#include "scans/TableAlarmDlg.h"
#include "units/GlobalUnitsDlg.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

// Records the help topics the dialogs ask for.
class HelpRecorderApp : public CWinApp
{
public:
    void WinHelp(DWORD_PTR dwData, UINT nCmd) override
    {
        asked.push_back(dwData);
        commands.push_back(nCmd);
    }
    std::vector<DWORD_PTR> asked;
    std::vector<UINT> commands;
};

class HelpContextTest : public kel::testkit::UiTest
{
protected:
    // Runs the dialog: its Help button (when it has one), then F1 on the focused control, then
    // Escape. Returns the topics asked for.
    std::vector<DWORD_PTR> Ask(UINT templateId, int helpButton, int focusId,
                               const std::function<INT_PTR()>& run)
    {
        app.asked.clear();
        prompts.Expect(templateId)
            .Drive(
                [&](DialogDriver& d)
                {
                    if (helpButton != 0)
                        d.Click(helpButton);
                    d.Focus(focusId);
                    d.Press(VK_F1);
                    d.Press(VK_ESCAPE);
                });
        run();
        return app.asked;
    }

    HelpRecorderApp app;
    ScriptedPrompts prompts;
};

template <typename Dlg> std::function<INT_PTR()> Modal()
{
    return []
    {
        Dlg dlg;
        return dlg.DoModal();
    };
}

TEST_F(HelpContextTest, HelpButtonAndF1AskForTheDialogsTopic)
{
    struct Case
    {
        UINT templateId;
        int helpButton;
        DWORD_PTR topic;
        std::function<INT_PTR()> run;
    };
    const Case cases[] = {
        // Opened by a menu command: that command's topic.
        {IDD_GLOBAL_UNITS, IDHELP, 0x10000 + ID_GRAPH_UNITS, Modal<CGlobalUnitsDlg>()},
        {IDD_PRESSURE_REDUCTION, IDHELP, 0x10000 + ID_UTIL_PRESSURE_REDUCTION,
         Modal<CPressureReductionDlg>()},
        {IDD_PEAK_TUNING_GAS, ID_HELP, 0x10000 + ID_HEAD_GAS_SELECTION, Modal<CPeakTuningGasDlg>()},
        {IDD_LIBRARY_SEARCH, ID_HELP, 0x10000 + ID_UTIL_LIBRARY_SEARCH, Modal<CLibrarySearchDlg>()},
        {IDD_LEAK_TEST_SETUP, ID_HELP, 0x10000 + 32806, Modal<CLeakTestSetupDlg>()},
        {IDD_LEAK_AUDIO_SETUP, ID_HELP, 0x10000 + 32860, Modal<CLeakAudioSetupDlg>()},
        // Topics of their own.
        {IDD_AVERAGE_SETUP, ID_HELP, 0x10000 + 289, Modal<CAverageSetupDlg>()},
        {IDD_LINE_PARAMETERS, ID_HELP, 0x20000 + 234, Modal<CLineParametersDlg>()},
        // Otherwise the template's topic.
        {IDD_ANALYSIS_SETUP, ID_HELP, 0x20000 + IDD_ANALYSIS_SETUP, Modal<CAnalysisSetupDlg>()},
        {IDD_LIB_SCAN_PARAMETERS, ID_HELP, 0x20000 + IDD_LIB_SCAN_PARAMETERS, Modal<CLibScanParameterDlg>()},
        {IDD_LEAK_TEST_SCHEDULE, ID_HELP, 0x20000 + 232, Modal<CLeakTestScheduleDlg>()},
        {IDD_LEAK_ALARM_ATTRIBUTES, ID_HELP, 0x20000 + 217, Modal<CLeakAlarmAttributesDlg>()},
        {IDD_SCAN_PARAMETERS, ID_HELP, 0x20000 + IDD_SCAN_PARAMETERS, Modal<CScanParameterDlg>()},
        {IDD_DUAL_SCAN_PARAMETERS, ID_HELP, 0x20000 + IDD_DUAL_SCAN_PARAMETERS,
         Modal<CDualScanParameterDlg>()},
        {IDD_SCAN_SCHEDULE, ID_HELP, 0x20000 + IDD_SCAN_SCHEDULE, Modal<CScanScheduleDlg>()},
        {IDD_SCAN_PERIOD, ID_HELP, 0x20000 + 1539, Modal<CScanPeriodDlg>()},
        {IDD_TABLE_ALARM, ID_HELP, 0x20000 + 1538, Modal<CTableAlarmDlg>()},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.templateId);
        const std::vector<DWORD_PTR> asked = Ask(c.templateId, c.helpButton, c.helpButton, c.run);
        EXPECT_EQ(asked, std::vector<DWORD_PTR>(2, c.topic));
        for (UINT command : app.commands)
            EXPECT_EQ(command, static_cast<UINT>(HELP_CONTEXT));
    }
}

TEST_F(HelpContextTest, F1AsksForTheFocusedControlsTopicOrElseTheDialogs)
{
    // The head information box has no Help button: F1 on a control without a topic of its own
    // gives the box's template topic, on a control with one that control's topic.
    const auto info = []
    {
        CDlgPackScope scope;
        CHeadInfoDlg dlg;
        return dlg.DoModal();
    };
    EXPECT_EQ(Ask(CHeadInfoDlg::IDD, 0, IDOK, info), std::vector<DWORD_PTR>{0x20000 + CHeadInfoDlg::IDD});

    app.asked.clear();
    prompts.Expect(CHeadInfoDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                ASSERT_TRUE(::SetWindowContextHelpId(d.Item(IDOK), 0x12345));
                d.Focus(IDOK);
                d.Press(VK_F1);
                d.Press(VK_ESCAPE);
            });
    info();
    EXPECT_EQ(app.asked, std::vector<DWORD_PTR>{0x12345});

    // A dialog with a topic of its own keeps it for the Help button and for F1 on a plain control.
    app.asked.clear();
    prompts.Expect(IDD_PRESSURE_REDUCTION)
        .Drive(
            [&](DialogDriver& d)
            {
                ::SetWindowContextHelpId(d.Item(IDOK), 0x777);
                d.Focus(IDOK);
                d.Press(VK_F1);
                d.Focus(IDCANCEL);
                d.Press(VK_F1);
                d.Press(VK_ESCAPE);
            });
    CPressureReductionDlg reduction;
    reduction.DoModal();
    EXPECT_EQ(app.asked, (std::vector<DWORD_PTR>{0x777, 0x10000 + ID_UTIL_PRESSURE_REDUCTION}));
}

} // namespace
