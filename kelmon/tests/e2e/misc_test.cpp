// The small jobs around kelmon's main window, through the real application offscreen: the About
// box, a chart dialog over the spectrum with its help, and the spectrum printed from the view.
#include "KelmonE2eTest.h"
#include "app/AboutDlg.h"
#include "displays/AnalogDisplay.h"
#include "doc/AnalogData.h"
#include "view/KelView.h"

#include "win32/print.h"

#include <array>
#include <cstdio>
#include <memory>

namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::Image;
using kel::testkit::UiTest;

std::string Output(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return out;
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe.get()))
        out += buffer.data();
    return out;
}

class MiscJobTest : public kel::e2e::KelmonE2eTest
{
protected:
    // The main window's picture with a dialog drawn over it where it stands on the screen, as the
    // user sees the two; kept as name when KEL_KEEP_SCREENSHOTS names a folder.
    Image ScreenshotWithDialog(HWND dialog, const std::string& name)
    {
        Image picture = kel::testkit::CaptureWindow(Frame()->GetSafeHwnd());
        const Image box = kel::testkit::CaptureWindow(dialog);
        const auto put = [&](int x, int y, uint32_t argb)
        {
            if (x >= 0 && y >= 0 && x < picture.width && y < picture.height)
                picture.pixels[static_cast<size_t>(y) * picture.width + x] = argb;
        };
        // A dark edge round the dialog where it stands, then its client area.
        RECT frame{};
        ::GetWindowRect(dialog, &frame);
        ::MapWindowPoints(nullptr, Frame()->GetSafeHwnd(), reinterpret_cast<POINT*>(&frame), 2);
        --frame.left;
        --frame.top;
        ++frame.right;
        ++frame.bottom;
        for (int y = frame.top; y < frame.bottom; ++y)
            for (int x = frame.left; x < frame.right; ++x)
                put(x, y, 0xFF202020u);
        POINT origin{0, 0};
        ::ClientToScreen(dialog, &origin);
        ::ScreenToClient(Frame()->GetSafeHwnd(), &origin);
        for (int y = 0; y < box.height; ++y)
            for (int x = 0; x < box.width; ++x)
                put(origin.x + x, origin.y + y, box.pixels[static_cast<size_t>(y) * box.width + x]);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(picture, std::string(keep) + "/" + name + ".png");
        return picture;
    }
};

TEST_F(MiscJobTest, TheAboutBoxOpensOverTheMainWindowAndCloses)
{
    Start();
    bool shown = false;
    CString caption, link;
    prompts->Expect(IDD_ABOUTBOX)
        .Drive(
            [&](DialogDriver& d)
            {
                d.Pump();
                shown = ::IsWindowVisible(d.Dialog()) != FALSE;
                CWnd::FromHandle(d.Dialog())->GetWindowText(caption);
                CWnd::FromHandle(d.Item(IDC_ABOUT_LINK))->GetWindowText(link);
                // The box stands inside the main window, not off in a corner of the screen.
                RECT box{}, main{};
                ::GetWindowRect(d.Dialog(), &box);
                ::GetWindowRect(Frame()->GetSafeHwnd(), &main);
                EXPECT_GE(box.left, main.left);
                EXPECT_LE(box.right, main.right);
                EXPECT_GE(box.top, main.top);
                EXPECT_LE(box.bottom, main.bottom);
                ScreenshotWithDialog(d.Dialog(), "kelmon_about");
                d.Click(IDOK);
            });
    Click(ID_APP_ABOUT, 100);
    EXPECT_TRUE(shown);
    EXPECT_STREQ(caption, "About KEL");
    EXPECT_STREQ(link, "ZOL website");
    // Closed, the main window has the focus back and the document is untouched.
    EXPECT_EQ(::FindWindow(nullptr, "About KEL"), nullptr);
    ASSERT_NE(GetActiveKelDoc(), nullptr);
    EXPECT_FALSE(GetActiveKelDoc()->IsModified());
}

TEST_F(MiscJobTest, AChartDialogOverTheSpectrumAsksForItsHelpTopicAndCancelChangesNothing)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ASSERT_NE(dynamic_cast<CAnalogDisplay*>(doc->GetCurrentDisplay()), nullptr);
    const int32_t colour = doc->GetAnalogSettings(0)->m_traceColours[0];

    std::string channel;
    prompts->Expect(IDD_TRACE_LINE_PROPERTIES)
        .Drive(
            [&](DialogDriver& d)
            {
                d.Pump();
                channel = d.GetText(IDC_TLP_CHANNEL);
                // The dialog stands in the middle of the main window, clear of its menu and toolbars.
                RECT box{}, main{};
                ::GetWindowRect(d.Dialog(), &box);
                ::GetWindowRect(Frame()->GetSafeHwnd(), &main);
                EXPECT_NEAR((box.left + box.right) / 2, (main.left + main.right) / 2, 2);
                EXPECT_NEAR((box.top + box.bottom) / 2, (main.top + main.bottom) / 2, 2);
                ScreenshotWithDialog(d.Dialog(), "kelmon_display_dialog");
                // Help and F1 reach the application's help, which names the help file it misses.
                prompts->Expect("kelHlp3_0.chm").Reply(IDOK).Times(2);
                d.Click(ID_HELP);
                d.Focus(IDC_TLP_CHANNEL);
                d.Press(VK_F1);
                d.Click(IDCANCEL);
            });
    Click(ID_GRAPH_TRACES, 100);
    EXPECT_EQ(channel, "Channel 1");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->GetAnalogSettings(0)->m_traceColours[0], colour);

    // OK keeps the new line in the settings and marks the document.
    prompts->Expect(IDD_TRACE_LINE_PROPERTIES)
        .Drive(
            [&](DialogDriver& d)
            {
                prompts->Expect(IDD_LINE_PARAMETERS)
                    .Drive(
                        [](DialogDriver& line)
                        {
                            line.Select(IDC_LINE_COLOR, 4);
                            line.Select(IDC_LINE_WIDTH, 2);
                            line.Click(IDOK);
                        });
                d.Click(IDC_TLP_ATTRIBUTES);
                d.Click(IDOK);
            });
    Click(ID_GRAPH_TRACES, 100);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->GetAnalogSettings(0)->m_traceColours[0], 4);
    EXPECT_EQ(doc->GetAnalogSettings(0)->m_traceWidths[0], 2);
    doc->SetModifiedFlag(FALSE); // closes without asking
}

TEST_F(MiscJobTest, TheViewPrintsTheSpectrumPageToAPdfFile)
{
    if (Output("command -v pdfinfo").empty())
        GTEST_SKIP() << "pdfinfo (poppler-utils, installed by tools/install-deps) is missing";
    const bool pdfOnly = kel::SetPdfPrinterOnly(true); // never the machine's printers
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    const std::string viewPdf = (files.path() / "view.pdf").string();
    const std::string menuPdf = (files.path() / "menu.pdf").string();

    // The view's own Print command and the File menu's print the same chart page.
    prompts->Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(viewPdf);
    GetActiveKelView()->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
    UiTest::Pump(50);
    prompts->Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(menuPdf);
    Click(ID_FILE_PRINT_GRAPH, 100);
    kel::SetPdfPrinterOnly(pdfOnly);

    EXPECT_EQ(doc->m_bModeSwitchLock, 0);
    for (const std::string& pdf : {viewPdf, menuPdf})
    {
        SCOPED_TRACE(pdf);
        ASSERT_TRUE(std::filesystem::exists(pdf));
        EXPECT_NE(Output("pdfinfo '" + pdf + "'").find("Pages:           1"), std::string::npos);
    }
    // The page carries the spectrum's axis title, as text.
    if (!Output("command -v pdftotext").empty())
    {
        EXPECT_NE(Output("pdftotext '" + viewPdf + "' -").find("Analog Scan"), std::string::npos);
    }
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        Output("pdftoppm -png -r 40 -singlefile '" + viewPdf + "' '" + std::string(keep) +
               "/kelmon_printed'");
}

} // namespace
