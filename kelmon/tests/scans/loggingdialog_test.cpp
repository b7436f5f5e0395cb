// The logging dialogs, driven as a user would: filled from the record, the edits their radio
// buttons allow, the limits with the field left in focus, OK and Cancel, and the scans' use of
// the analog and histogram dialog.
#include "ScanFakes.h"

#include "doc/AnalogData.h"
#include "res/resource.h"
#include "scans/DynamicLoggingDialog.h"
#include "scans/HistogramScan.h"
#include "scans/LoggingDialog.h"
#include "settings/AppSettings.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

class LoggingDialogTest : public kel::testkit::UiTest
{
protected:
    CScanLogSettings m_settings;
    std::string m_remembered = "/data/logs";
};

TEST_F(LoggingDialogTest, FilledFromTheRecordAndTakenBackOnOk)
{
    m_settings.m_fileName = "oven";
    m_settings.m_maxSaved = 12;
    ScriptedPrompts prompts;
    prompts.Expect(IDD_LOGGING_SETTINGS)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(GetWindowTextLength(d.Dialog()), int(strlen("Analog scan logging settings")));
                EXPECT_EQ(d.GetText(IDC_LOG_FOLDER), "/data/logs")
                    << "an empty folder starts as the remembered one";
                EXPECT_TRUE(d.IsChecked(IDC_LOG_ENABLE));
                EXPECT_TRUE(d.IsChecked(IDC_LOG_SAVE_EVERY_SCAN));
                EXPECT_TRUE(d.IsChecked(IDC_LOG_TITLE_RULE));
                EXPECT_EQ(d.GetText(IDC_LOG_MAX_SAVED), "12");
                EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LOG_EVERY_N))) << "every scan: no count";
                EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LOG_FILE_NAME))) << "document title: no name";
                d.Click(IDC_LOG_SAVE_EVERY_N);
                d.Click(IDC_LOG_USER_RULE);
                EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_LOG_EVERY_N)));
                EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_LOG_FILE_NAME)));
                d.SetText(IDC_LOG_EVERY_N, "7");
                d.SetText(IDC_LOG_FOLDER, "/data/runs");
                d.SetText(IDC_LOG_FILE_NAME, "chamber");
                d.Check(IDC_LOG_ENABLE, false);
                d.Click(IDOK);
            });
    CLoggingDialog dialog;
    EXPECT_EQ(dialog.Edit(m_settings, "Analog scan logging settings", m_remembered), IDOK);
    EXPECT_EQ(m_settings.m_saveMode, CScanLogSettings::kSaveEveryN);
    EXPECT_EQ(m_settings.m_everyN, 7);
    EXPECT_EQ(m_settings.GetLogEvery(), 7);
    EXPECT_EQ(m_settings.m_nameRule, CScanLogSettings::kNameUserDefined);
    EXPECT_EQ(std::string(m_settings.m_fileName), "chamber");
    EXPECT_EQ(std::string(m_settings.m_folder), "/data/runs");
    EXPECT_EQ(m_settings.m_enabled, 0);
    EXPECT_EQ(m_remembered, "/data/runs") << "the folder is remembered";
}

TEST_F(LoggingDialogTest, OutOfRangeValuesKeepTheDialogOpenOnTheirField)
{
    const struct
    {
        int field;
        const char* text;
        const char* message;
    } cases[] = {{IDC_LOG_EVERY_N, "1", "between 2 and 10000"},
                 {IDC_LOG_EVERY_N, "10001", "between 2 and 10000"},
                 {IDC_LOG_MAX_SAVED, "0", "between 1 and 10000"},
                 {IDC_LOG_MAX_SAVED, "10001", "between 1 and 10000"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        CScanLogSettings settings;
        settings.m_saveMode = CScanLogSettings::kSaveEveryN;
        ScriptedPrompts prompts;
        prompts.Expect(c.message).Reply(IDOK);
        prompts.Expect(IDD_LOGGING_SETTINGS)
            .Drive(
                [&](DialogDriver& d)
                {
                    d.SetText(c.field, c.text);
                    d.Click(IDOK);
                    EXPECT_TRUE(d.IsOpen());
                    EXPECT_EQ(d.FocusedId(), c.field);
                    d.Click(IDCANCEL);
                });
        CLoggingDialog dialog;
        EXPECT_EQ(dialog.Edit(settings, "t", m_remembered), IDCANCEL);
        EXPECT_EQ(settings.m_everyN, 2) << "Cancel leaves the record";
        EXPECT_EQ(settings.m_maxSaved, 50);
    }
}

TEST_F(LoggingDialogTest, AGreyedCountIsNotChecked)
{
    m_settings.m_everyN = 1;
    ScriptedPrompts prompts;
    prompts.Expect(IDD_LOGGING_SETTINGS).Drive([](DialogDriver& d) { d.Click(IDOK); });
    CLoggingDialog dialog;
    EXPECT_EQ(dialog.Edit(m_settings, "t", m_remembered), IDOK);
}

TEST_F(LoggingDialogTest, RealTimeDialogOffersTheFileTypeOnlyInLayoutOne)
{
    for (int layout : {0, 1})
    {
        SCOPED_TRACE(layout);
        CScanLogSettings settings;
        ScriptedPrompts prompts;
        prompts.Expect(IDD_DYNAMIC_LOGGING)
            .Drive(
                [&](DialogDriver& d)
                {
                    EXPECT_EQ(IsWindowVisible(d.Item(IDC_LOG_TYPE_KEL)) != FALSE, layout == 1);
                    EXPECT_EQ(d.GetText(IDC_LOG_ENABLE),
                              layout == 1 ? "Enable logging" : "Enable real-time scan &logging");
                    if (layout == 1)
                        d.Click(IDC_LOG_TYPE_KEL);
                    d.Click(IDOK);
                });
        CDynamicLoggingDialog dialog;
        dialog.m_nLayoutMode = layout;
        EXPECT_EQ(dialog.Edit(settings, "Leak scan logging settings", m_remembered), IDOK);
        EXPECT_EQ(settings.m_fileType, layout == 1 ? 1 : 0);
    }
}

TEST_F(LoggingDialogTest, HistogramScanEditsItsDocumentsSettingsAndTakesTheInterval)
{
    CAnalogData settings(CAnalogData::kModeHistogram, nullptr, nullptr);
    CHistogramScan scan(&settings, nullptr, nullptr);
    scantest::CFakeDocument document(nullptr, nullptr, nullptr, nullptr);
    scan.m_pDocument = &document;
    CAppSettings::GetInstance()->m_logDir[CAppSettings::LOGDIR_HISTOGRAM] = "/data/hist";
    std::string title;
    ScriptedPrompts prompts;
    prompts.Expect(IDD_LOGGING_SETTINGS)
        .Drive(
            [&](DialogDriver& d)
            {
                char text[64] = {};
                GetWindowText(d.Dialog(), text, sizeof text);
                title = text;
                EXPECT_EQ(d.GetText(IDC_LOG_FOLDER), "/data/hist");
                d.Click(IDC_LOG_SAVE_EVERY_N);
                d.SetText(IDC_LOG_EVERY_N, "4");
                d.Click(IDOK);
            });
    scan.EditLoggingSettings(nullptr);
    EXPECT_EQ(title, "Histogram scan logging settings");
    EXPECT_EQ(document.GetLogSettings(SCAN_KIND_HISTOGRAM).m_everyN, 4);
    EXPECT_EQ(std::string(document.GetLogSettings(SCAN_KIND_HISTOGRAM).m_folder), "/data/hist");
    EXPECT_EQ(scan.m_nLogEvery, 4);
    CAppSettings::DestroyInstance();
}

// screenshots/logging_dialog.png and logging_dialog_realtime.png in the folder the test runs in,
// to look at.
TEST_F(LoggingDialogTest, Screenshots)
{
    std::filesystem::create_directories("screenshots");
    ScriptedPrompts prompts;
    prompts.Expect(IDD_LOGGING_SETTINGS)
        .Drive(
            [](DialogDriver& d)
            {
                d.Click(IDC_LOG_SAVE_EVERY_N);
                Pump();
                EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                                  "screenshots/logging_dialog.png"));
                d.Click(IDCANCEL);
            });
    prompts.Expect(IDD_DYNAMIC_LOGGING)
        .Drive(
            [](DialogDriver& d)
            {
                Pump();
                EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                                  "screenshots/logging_dialog_realtime.png"));
                d.Click(IDCANCEL);
            });
    CLoggingDialog analog;
    analog.Edit(m_settings, "Analog scan logging settings", m_remembered);
    CDynamicLoggingDialog realTime;
    realTime.m_nLayoutMode = 1;
    realTime.Edit(m_settings, "Pressure vs time scan logging settings", m_remembered);
}

TEST(ScanLogSettingsTest, NewRecordLogsEveryScanUpToFifty)
{
    CScanLogSettings settings;
    EXPECT_EQ(settings.m_enabled, 1);
    EXPECT_EQ(settings.m_maxSaved, 50);
    EXPECT_EQ(settings.m_everyN, 2);
    EXPECT_EQ(settings.m_saveMode, CScanLogSettings::kSaveEveryScan);
    EXPECT_EQ(settings.GetLogEvery(), 1);
}

} // namespace
