// The chart editing dialogs offscreen: labels and texts with their font choice, trace colours and
// lines, line parameters, background subtraction and printing options. Each is filled through its
// fields, driven as a user would, and read back on OK; Cancel leaves the fields as they were.
#include "DialogPicture.h"

#include "dialogs/AxisLabelsDlg.h"
#include "dialogs/BackgroundSetupDlg.h"
#include "dialogs/FontSelectDlg.h"
#include "dialogs/LineParametersDlg.h"
#include "dialogs/PrintingOptionsDlg.h"
#include "dialogs/ScanSelectorDlg.h"
#include "dialogs/TextParametersDlg.h"
#include "dialogs/TraceColorDlg.h"
#include "dialogs/TraceLinePropertiesDlg.h"
#include "head/KELDummyHead.h"
#include "plotkit.h"
#include "scans/Table.h"
#include "units/Units.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::KeepPicture;
using kel::testkit::ScriptedPrompts;

namespace
{

// Records the help topics the dialogs ask for.
class HelpRecorderApp : public CWinApp
{
public:
    void WinHelp(DWORD_PTR dwData, UINT nCmd) override
    {
        contexts.push_back(dwData);
        commands.push_back(nCmd);
    }
    std::vector<DWORD_PTR> contexts;
    std::vector<UINT> commands;
};

class DisplayDialogTest : public kel::testkit::UiTest
{
protected:
    template <typename Dlg> INT_PTR Run(Dlg& dlg, std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(Dlg::IDD).Drive(std::move(script));
        return dlg.DoModal();
    }
    static int Selected(DialogDriver& d, int id)
    {
        return static_cast<int>(::SendMessage(d.Item(id), CB_GETCURSEL, 0, 0));
    }
    static bool Enabled(DialogDriver& d, int id) { return ::IsWindowEnabled(d.Item(id)) != FALSE; }
    static bool Shown(DialogDriver& d, int id)
    {
        return (::GetWindowLong(d.Item(id), GWL_STYLE) & WS_VISIBLE) != 0;
    }

    ScriptedPrompts prompts;
};

TEST_F(DisplayDialogTest, AxisLabelsShowTheFormatAndOkReadsItBack)
{
    CAxisLabelsDlg dlg;
    dlg.m_nDecimalPlaces = 3;
    dlg.m_nFormat = 1;
    dlg.m_nStyle = 1 | 4; // bold, underline
    dlg.m_font.nSize = 12;
    dlg.m_font.strFaceName = "Arial";
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "axis_labels");
                      EXPECT_EQ(d.GetText(IDC_LABELS_PLACES), "3");
                      EXPECT_TRUE(d.IsChecked(IDC_LABELS_SCIENTIFIC));
                      EXPECT_FALSE(d.IsChecked(IDC_LABELS_DECIMAL));
                      d.Check(IDC_LABELS_ENGINEERING);
                      d.SetText(IDC_LABELS_PLACES, "10");
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nFormat, 2);
    EXPECT_EQ(dlg.m_nDecimalPlaces, 10);
    // The style word is spelled out into the font's flags and weight.
    EXPECT_EQ(dlg.m_font.bBold, 1);
    EXPECT_EQ(dlg.m_font.nWeight, 700);
    EXPECT_EQ(dlg.m_font.bUnderline, 1);
    EXPECT_EQ(dlg.m_font.bItalic, 0);
    EXPECT_EQ(dlg.m_nStyle, 5);

    // Cancel leaves format and places.
    Run(dlg,
        [&](DialogDriver& d)
        {
            d.Check(IDC_LABELS_DECIMAL);
            d.SetText(IDC_LABELS_PLACES, "1");
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(dlg.m_nFormat, 2);
    EXPECT_EQ(dlg.m_nDecimalPlaces, 10);
}

TEST_F(DisplayDialogTest, AxisLabelsPlacesOutsideZeroToTenAreRefusedOnTheField)
{
    for (const char* text : {"11", "-1"})
    {
        SCOPED_TRACE(text);
        CAxisLabelsDlg dlg;
        dlg.m_nDecimalPlaces = 2;
        prompts.Expect("between 0 and 10").Reply(IDOK);
        Run(dlg,
            [&](DialogDriver& d)
            {
                d.SetText(IDC_LABELS_PLACES, text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), IDC_LABELS_PLACES);
                d.Click(IDCANCEL);
            });
    }
}

TEST_F(DisplayDialogTest, AxisLabelsLockedOrHiddenFormat)
{
    // Locked: shown but not editable.
    CAxisLabelsDlg locked;
    locked.m_bFormatLocked = 1;
    locked.m_bFormatHidden = 1; // the lock wins
    Run(locked,
        [&](DialogDriver& d)
        {
            for (int id :
                 {IDC_LABELS_DECIMAL, IDC_LABELS_SCIENTIFIC, IDC_LABELS_ENGINEERING, IDC_LABELS_PLACES})
            {
                EXPECT_FALSE(Enabled(d, id)) << id;
                EXPECT_TRUE(Shown(d, id)) << id;
            }
            EXPECT_TRUE(Enabled(d, IDC_LABELS_FORMAT_GROUP));
            d.Click(IDCANCEL);
        });

    // Hidden (time labels): radios, places and their label go, the groups are greyed; a places
    // value out of range, which the user cannot see, does not hold the dialog.
    CAxisLabelsDlg hidden;
    hidden.m_bFormatHidden = 1;
    hidden.m_nDecimalPlaces = 99;
    hidden.m_nFormat = 1;
    EXPECT_EQ(Run(hidden,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "axis_labels_time");
                      for (int id : {IDC_LABELS_DECIMAL, IDC_LABELS_SCIENTIFIC, IDC_LABELS_ENGINEERING,
                                     IDC_LABELS_PLACES, IDC_LABELS_PLACES_LABEL})
                          EXPECT_FALSE(Shown(d, id)) << id;
                      EXPECT_FALSE(Enabled(d, IDC_LABELS_PRECISION_GROUP));
                      EXPECT_FALSE(Enabled(d, IDC_LABELS_FORMAT_GROUP));
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(hidden.m_nFormat, 1);
}

TEST_F(DisplayDialogTest, FontSelectionStartsFromTheFontAndTakesTheChoiceOnOk)
{
    CAxisLabelsDlg dlg;
    dlg.m_nStyle = 2; // italic
    dlg.m_font.nSize = 12;
    dlg.m_font.strFaceName = "Times New Roman";
    dlg.m_font.nColourIndex = 4;
    dlg.m_font.crColour = WGGetRGBColor(4);

    kel::PromptFont chosen;
    chosen.face = "Courier New";
    chosen.pointSize10 = 145;
    chosen.height = -19;
    chosen.weight = 700;
    chosen.underline = true;
    auto& fontPrompt =
        prompts.Expect("", kel::PromptKind::Font).ReplyFont(chosen).ReplyColor(WGGetRGBColor(9));
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      d.Click(IDC_LABELS_FONTS);
                      d.Click(IDOK);
                  }),
              IDOK);
    ASSERT_EQ(fontPrompt.Calls(), 1);
    kel::PromptRequest asked;
    for (const kel::PromptRequest& r : prompts.Prompts())
        if (r.kind == kel::PromptKind::Font)
            asked = r;
    EXPECT_EQ(asked.flags & 0x101u, 0x101u) << "screen fonts with effects";
    EXPECT_EQ(asked.font.face, "Times New Roman");
    EXPECT_EQ(asked.font.height, -16) << "12 pt at 96 pixels per inch";
    EXPECT_EQ(asked.font.weight, 400);
    EXPECT_TRUE(asked.font.italic);
    EXPECT_FALSE(asked.font.underline);
    EXPECT_EQ(asked.color, WGGetRGBColor(4));

    EXPECT_STREQ(dlg.m_font.strFaceName, "Courier New");
    EXPECT_EQ(dlg.m_font.nSize, 14) << "whole points";
    EXPECT_EQ(dlg.m_font.nWeight, 700);
    EXPECT_EQ(dlg.m_font.bBold, 1);
    EXPECT_EQ(dlg.m_font.bItalic, 0);
    EXPECT_EQ(dlg.m_font.bUnderline, 1);
    EXPECT_EQ(dlg.m_nStyle, 1 | 4);
    EXPECT_EQ(dlg.m_font.crColour, WGGetRGBColor(9)) << "the colour chosen with the font";
    EXPECT_EQ(dlg.m_font.nColourIndex, 9);

    // A font chosen and then cancelled away leaves the fields.
    prompts.Expect("", kel::PromptKind::Font).ReplyFont(chosen);
    dlg.m_nStyle = 0;
    dlg.m_font.strFaceName = "Arial";
    Run(dlg,
        [&](DialogDriver& d)
        {
            d.Click(IDC_LABELS_FONTS);
            d.Click(IDCANCEL);
        });
    EXPECT_STREQ(dlg.m_font.strFaceName, "Arial");
    EXPECT_EQ(dlg.m_nStyle, 0);
}

TEST_F(DisplayDialogTest, TextParametersKeepTheTypedTextAcrossTheFontChoice)
{
    CTextParametersDlg dlg;
    dlg.m_strText = "Leak Test";
    dlg.m_font.bBold = 1;
    dlg.m_font.nWeight = 0;
    dlg.m_font.nSize = 10;
    kel::PromptFont chosen;
    chosen.face = "Arial";
    chosen.pointSize10 = 120;
    chosen.weight = 400;
    chosen.italic = true;
    prompts.Expect("", kel::PromptKind::Font).ReplyFont(chosen);
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "text_parameters");
                      EXPECT_EQ(d.GetText(IDC_TEXT_STRING), "Leak Test");
                      d.SetText(IDC_TEXT_STRING, "Helium leak");
                      d.Click(IDC_TEXT_FONTS);
                      EXPECT_EQ(d.GetText(IDC_TEXT_STRING), "Helium leak");
                      d.Click(IDOK);
                  }),
              IDOK);
    kel::PromptRequest asked;
    for (const kel::PromptRequest& r : prompts.Prompts())
        if (r.kind == kel::PromptKind::Font)
            asked = r;
    EXPECT_EQ(asked.font.weight, 700) << "bold starts the font dialog at weight 700";
    EXPECT_STREQ(dlg.m_strText, "Helium leak");
    EXPECT_STREQ(dlg.m_font.strFaceName, "Arial");
    EXPECT_EQ(dlg.m_font.nSize, 12);
    EXPECT_EQ(dlg.m_font.bBold, 0);
    EXPECT_EQ(dlg.m_font.bItalic, 1);

    // More than 100 characters are refused on the field; 100 are taken.
    prompts.Expect("no more than 100").Reply(IDOK);
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      ::SetWindowText(d.Item(IDC_TEXT_STRING), std::string(101, 'x').c_str());
                      d.Click(IDOK);
                      EXPECT_TRUE(d.IsOpen());
                      EXPECT_EQ(d.FocusedId(), IDC_TEXT_STRING);
                      ::SetWindowText(d.Item(IDC_TEXT_STRING), std::string(100, 'x').c_str());
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_strText.GetLength(), 100);
}

TEST_F(DisplayDialogTest, BackgroundSetupEnableGovernsTheDirection)
{
    CBackgroundSetupDlg dlg;
    dlg.m_nDirection = 0;
    dlg.m_bEnabled = 0;
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "background_setup");
                      EXPECT_FALSE(d.IsChecked(IDC_BKG_ENABLE));
                      EXPECT_TRUE(d.IsChecked(IDC_BKG_BKG_MINUS_SCAN));
                      EXPECT_FALSE(Enabled(d, IDC_BKG_SCAN_MINUS_BKG));
                      EXPECT_FALSE(Enabled(d, IDC_BKG_BKG_MINUS_SCAN));
                      d.Click(IDC_BKG_ENABLE);
                      EXPECT_TRUE(Enabled(d, IDC_BKG_SCAN_MINUS_BKG));
                      d.Check(IDC_BKG_SCAN_MINUS_BKG);
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nDirection, 1);
    EXPECT_EQ(dlg.m_bEnabled, 1);

    Run(dlg,
        [&](DialogDriver& d)
        {
            EXPECT_TRUE(d.IsChecked(IDC_BKG_SCAN_MINUS_BKG));
            EXPECT_TRUE(Enabled(d, IDC_BKG_BKG_MINUS_SCAN));
            d.Click(IDC_BKG_ENABLE);
            EXPECT_FALSE(Enabled(d, IDC_BKG_BKG_MINUS_SCAN));
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(dlg.m_bEnabled, 1);
}

TEST_F(DisplayDialogTest, TraceColorsEditAWorkingCopyAndOkWritesTheTable)
{
    CKELDummyHead head;
    CUnits units{&head};
    CTable table(&units, &head);
    table.SetDefaults();
    table.m_activeCount = 3;
    for (int i = 0; i < 3; ++i)
        table.m_active[i].m_number = 2 * i + 1;
    for (int i = 0; i < CTable::kChannels; ++i)
        table.m_channelColors[i] = 10 + i;

    CTraceColorDlg dlg;
    dlg.m_pTable = &table;
    dlg.m_nTrace = 1;
    Run(dlg,
        [&](DialogDriver& d)
        {
            EXPECT_EQ(::SendMessage(d.Item(IDC_TRACE_CHANNEL), CB_GETCOUNT, 0, 0), 3);
            EXPECT_EQ(::SendMessage(d.Item(IDC_TRACE_COLOR), CB_GETCOUNT, 0, 0), 20);
            EXPECT_EQ(d.GetText(IDC_TRACE_CHANNEL), "Channel 3");
            EXPECT_EQ(Selected(d, IDC_TRACE_COLOR), 11);
            d.Select(IDC_TRACE_COLOR, 0);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(table.m_channelColors[1], 11) << "Cancel leaves the table";

    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "trace_color");
                      d.Select(IDC_TRACE_COLOR, 2); // trace 1
                      d.Select(IDC_TRACE_CHANNEL, "Channel 5");
                      EXPECT_EQ(Selected(d, IDC_TRACE_COLOR), 12);
                      d.Select(IDC_TRACE_COLOR, 6); // trace 2
                      d.Select(IDC_TRACE_CHANNEL, "Channel 3");
                      EXPECT_EQ(Selected(d, IDC_TRACE_COLOR), 2) << "kept while another trace was chosen";
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(table.m_channelColors[0], 10);
    EXPECT_EQ(table.m_channelColors[1], 2);
    EXPECT_EQ(table.m_channelColors[2], 6);
    EXPECT_EQ(dlg.m_nTrace, 1);

    // Default colours replace the whole working copy.
    Run(dlg,
        [&](DialogDriver& d)
        {
            d.Click(IDC_TRACE_DEFAULTS);
            EXPECT_EQ(Selected(d, IDC_TRACE_COLOR), table.m_defaultColors[1]);
            d.Click(IDOK);
        });
    for (int i = 0; i < CTable::kChannels; ++i)
        EXPECT_EQ(table.m_channelColors[i], table.m_defaultColors[i]) << i;
}

TEST_F(DisplayDialogTest, LineParametersListTheStylesAndReadTheSelections)
{
    CLineParametersDlg dlg;
    dlg.m_nColour = 7;
    dlg.m_nStyle = 3;
    dlg.m_nWidth = 2;
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "line_parameters");
                      const char* styles[] = {"solid", "- - - - - - - -", ".................",
                                              "-.-.-.-.-.-.-.-.", "-..-..-..-..-..-"};
                      ASSERT_EQ(::SendMessage(d.Item(IDC_LINE_STYLE), CB_GETCOUNT, 0, 0), 5);
                      for (int i = 0; i < 5; ++i)
                      {
                          char text[64] = {};
                          ::SendMessage(d.Item(IDC_LINE_STYLE), CB_GETLBTEXT, i,
                                        reinterpret_cast<LPARAM>(text));
                          EXPECT_STREQ(text, styles[i]);
                      }
                      EXPECT_EQ(Selected(d, IDC_LINE_COLOR), 7);
                      EXPECT_EQ(d.GetText(IDC_LINE_STYLE), "-.-.-.-.-.-.-.-.");
                      EXPECT_EQ(d.GetText(IDC_LINE_WIDTH), "2");
                      d.Select(IDC_LINE_COLOR, 19);
                      d.Select(IDC_LINE_STYLE, 4);
                      d.Select(IDC_LINE_WIDTH, "0");
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nColour, 19);
    EXPECT_EQ(dlg.m_nStyle, 4);
    EXPECT_EQ(dlg.m_nWidth, 0);
    // The list's colours are the chart palette's.
    Run(dlg,
        [&](DialogDriver& d)
        {
            for (int i : {0, 9, 19})
                EXPECT_EQ(static_cast<COLORREF>(::SendMessage(d.Item(IDC_LINE_COLOR), CB_GETITEMDATA, i, 0)),
                          WGGetRGBColor(i));
            d.Select(IDC_LINE_COLOR, 1);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(dlg.m_nColour, 19);
}

TEST_F(DisplayDialogTest, TraceLinePropertiesEditTheSelectedChannelOnly)
{
    CTraceLinePropertiesDlg dlg;
    dlg.m_nChannels = 4;
    dlg.m_nChannel = 2;
    for (int i = 0; i < CTraceLinePropertiesDlg::kChannels; ++i)
        dlg.m_colour[i] = i;
    auto edit = [&](int colour)
    {
        prompts.Expect(IDD_LINE_PARAMETERS)
            .Drive(
                [colour](DialogDriver& p)
                {
                    EXPECT_EQ(::SendMessage(p.Item(IDC_LINE_COLOR), CB_GETCURSEL, 0, 0), 2);
                    p.Select(IDC_LINE_COLOR, colour);
                    p.Select(IDC_LINE_STYLE, 1);
                    p.Select(IDC_LINE_WIDTH, "4");
                    p.Click(IDOK);
                });
    };
    edit(15);
    Run(dlg,
        [&](DialogDriver& d)
        {
            d.Click(IDC_TLP_ATTRIBUTES);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(dlg.m_colour[2], 2) << "Cancel leaves the channels";

    edit(15);
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "trace_line_properties");
                      EXPECT_EQ(::SendMessage(d.Item(IDC_TLP_CHANNEL), CB_GETCOUNT, 0, 0), 4);
                      EXPECT_EQ(d.GetText(IDC_TLP_CHANNEL), "Channel 3");
                      d.Click(IDC_TLP_ATTRIBUTES);
                      d.Select(IDC_TLP_CHANNEL, "Channel 1");
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_colour[2], 15);
    EXPECT_EQ(dlg.m_style[2], 1);
    EXPECT_EQ(dlg.m_width[2], 4);
    EXPECT_EQ(dlg.m_colour[1], 1);
    EXPECT_EQ(dlg.m_style[1], 0);
    EXPECT_EQ(dlg.m_nChannel, 0);
}

TEST_F(DisplayDialogTest, PrintingOptionsOffsetsOnlyForScaleToFontSizes)
{
    CPrintingOptionsDlg dlg;
    dlg.m_fLeft = 12.5f;
    dlg.m_fTop = 5.0f;
    dlg.m_bBorders = 1;
    for (int style : {0, 1})
    {
        dlg.m_nStyle = style;
        Run(dlg,
            [&](DialogDriver& d)
            {
                EXPECT_TRUE(d.IsChecked(IDC_PRINT_MAXIMIZE + style));
                EXPECT_FALSE(Enabled(d, IDC_PRINT_LEFT));
                EXPECT_FALSE(Enabled(d, IDC_PRINT_TOP));
                d.Click(IDC_PRINT_SCALE_FONTS);
                EXPECT_TRUE(Enabled(d, IDC_PRINT_LEFT));
                EXPECT_TRUE(Enabled(d, IDC_PRINT_TOP));
                d.Click(IDC_PRINT_ASPECT);
                EXPECT_FALSE(Enabled(d, IDC_PRINT_LEFT));
                d.Click(IDCANCEL);
            });
    }

    dlg.m_nStyle = 1;
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "printing_options");
                      EXPECT_TRUE(d.IsChecked(IDC_PRINT_BORDERS));
                      EXPECT_FALSE(d.IsChecked(IDC_PRINT_WINDOW_BKG));
                      EXPECT_EQ(d.GetText(IDC_PRINT_LEFT), "12.5");
                      d.Click(IDC_PRINT_SCALE_FONTS);
                      d.SetText(IDC_PRINT_TOP, "100");
                      d.Check(IDC_PRINT_WINDOW_BKG);
                      d.Check(IDC_PRINT_BORDERS, false);
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nStyle, 2);
    EXPECT_FLOAT_EQ(dlg.m_fTop, 100.0f);
    EXPECT_FLOAT_EQ(dlg.m_fLeft, 12.5f);
    EXPECT_EQ(dlg.m_bWindowBackground, 1);
    EXPECT_EQ(dlg.m_bBorders, 0);

    // Offsets are percentages.
    for (const char* text : {"100.5", "-1"})
    {
        SCOPED_TRACE(text);
        prompts.Expect("between 0 and 100").Reply(IDOK);
        Run(dlg,
            [&](DialogDriver& d)
            {
                d.SetText(IDC_PRINT_LEFT, text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), IDC_PRINT_LEFT);
                d.Click(IDCANCEL);
            });
    }
}

TEST_F(DisplayDialogTest, HelpButtonsOpenTheirTopics)
{
    HelpRecorderApp app;
    struct Case
    {
        UINT templateId;
        DWORD_PTR context;
        std::function<INT_PTR()> run;
    };
    CAxisLabelsDlg labels;
    CBackgroundSetupDlg background;
    CTraceColorDlg traceColour;
    CLineParametersDlg line;
    CPrintingOptionsDlg printing;
    CTextParametersDlg text;
    CTraceLinePropertiesDlg traceLine;
    const Case cases[] = {
        {IDD_AXIS_LABELS, 0x10000 + 32838, [&] { return labels.DoModal(); }},
        {IDD_BACKGROUND_SETUP, 0x10000 + 32849, [&] { return background.DoModal(); }},
        {IDD_TRACE_COLOR, 0x20000 + 223, [&] { return traceColour.DoModal(); }},
        {IDD_LINE_PARAMETERS, 0x20000 + 234, [&] { return line.DoModal(); }},
        {IDD_PRINTING_OPTIONS, 0x10000 + 32819, [&] { return printing.DoModal(); }},
        {IDD_TEXT_PARAMETERS, 0x20000 + 246, [&] { return text.DoModal(); }},
        {IDD_TRACE_LINE_PROPERTIES, 0x20000 + 258, [&] { return traceLine.DoModal(); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.templateId);
        app.contexts.clear();
        prompts.Expect(c.templateId)
            .Drive(
                [](DialogDriver& d)
                {
                    d.Click(ID_HELP);
                    d.Click(IDCANCEL);
                });
        EXPECT_EQ(c.run(), IDCANCEL);
        ASSERT_EQ(app.contexts.size(), 1u);
        EXPECT_EQ(app.contexts[0], c.context);
        EXPECT_EQ(app.commands[0], static_cast<UINT>(HELP_CONTEXT));
    }
}

TEST_F(DisplayDialogTest, UnusedFontAndScanSelectorTemplatesOpen)
{
    CFontSelectDlg font;
    EXPECT_EQ(Run(font,
                  [](DialogDriver& d)
                  {
                      KeepPicture(d, "font_select");
                      d.Click(IDOK);
                  }),
              IDOK);
    CScanSelectorDlg selector;
    EXPECT_EQ(Run(selector,
                  [](DialogDriver& d)
                  {
                      KeepPicture(d, "scan_selector");
                      d.SetText(IDC_GOTO_SCAN, "42");
                      d.Click(IDC_GOTO_GO);
                  }),
              IDOK);
    EXPECT_EQ(selector.m_nScan, 42);
}

} // namespace
