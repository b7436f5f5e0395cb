// Printing: PrintDlg's blocks and flags, printer DCs and their device caps, jobs written to PDF files
// (checked with pdfinfo/pdftotext), abort procedures and the Qt print dialogs.
#include "GdiPrint.h"

#include "mfc/PrintDialog.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/gdi.h"
#include "win32/memory.h"
#include "win32/print.h"

#include <QtCore/QTimer>
#include <QtPrintSupport/QPrintDialog>
#include <QtWidgets/QApplication>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace
{

namespace fs = std::filesystem;

// Output of a shell command; empty when it fails.
std::string Run(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return out;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), n);
    return out;
}

bool HaveTool(const char* tool)
{
    return !Run(std::string("command -v ") + tool + " 2>/dev/null").empty();
}

int PdfPages(const fs::path& pdf)
{
    const std::string info = Run("pdfinfo '" + pdf.string() + "' 2>/dev/null");
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string PdfText(const fs::path& pdf)
{
    return Run("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null");
}

std::string DevNamesString(HGLOBAL names, WORD DEVNAMES::*field)
{
    auto* dn = static_cast<DEVNAMES*>(GlobalLock(names));
    std::string s = reinterpret_cast<const char*>(dn) + dn->*field;
    GlobalUnlock(names);
    return s;
}

DEVMODE DevModeOf(HGLOBAL mode)
{
    DEVMODE dm{};
    std::memcpy(&dm, GlobalLock(mode), sizeof dm);
    GlobalUnlock(mode);
    return dm;
}

// Answers print prompts with a function of the request, recording them.
class PrintAnswers : public kel::IPromptService
{
public:
    explicit PrintAnswers(std::function<kel::PromptReply(const kel::PromptRequest&)> answer)
        : answer_(std::move(answer)), previous_(kel::SetPromptService(this))
    {
    }
    ~PrintAnswers() override { kel::SetPromptService(previous_); }
    kel::PromptReply Prompt(const kel::PromptRequest& request) override
    {
        requests.push_back(request);
        return answer_(request);
    }
    std::vector<kel::PromptRequest> requests;

private:
    std::function<kel::PromptReply(const kel::PromptRequest&)> answer_;
    kel::IPromptService* previous_;
};

class PrintTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        previousPdfOnly_ = kel::SetPdfPrinterOnly(true); // never the machine's printers
        folder_ = std::make_unique<kel::testkit::TempDir>("kel-print-");
        dir_ = folder_->path();
    }
    void TearDown() override
    {
        if (pd_.hDC)
            DeleteDC(pd_.hDC);
        GlobalFree(pd_.hDevMode);
        GlobalFree(pd_.hDevNames);
        folder_.reset();
        kel::SetPdfPrinterOnly(previousPdfOnly_);
        UiTest::TearDown();
    }
    // The default printer's blocks in pd_.
    void ReturnDefault()
    {
        pd_.lStructSize = sizeof pd_;
        pd_.Flags = PD_RETURNDEFAULT;
        ASSERT_TRUE(PrintDlg(&pd_));
    }
    HDC PrinterDc(bool info = false)
    {
        const std::string device = DevNamesString(pd_.hDevNames, &DEVNAMES::wDeviceOffset);
        const std::string port = DevNamesString(pd_.hDevNames, &DEVNAMES::wOutputOffset);
        DEVMODE dm = DevModeOf(pd_.hDevMode);
        return info ? CreateIC("spool", device.c_str(), port.c_str(), &dm)
                    : CreateDC("spool", device.c_str(), port.c_str(), &dm);
    }
    // Prints one line of text on each page; returns EndDoc's result.
    static int PrintPages(HDC dc, const char* output, const std::vector<std::string>& pages)
    {
        DOCINFO di{sizeof(DOCINFO), "kel test", output, nullptr, 0};
        if (StartDoc(dc, &di) <= 0)
            return SP_ERROR;
        for (const std::string& text : pages)
        {
            EXPECT_GT(StartPage(dc), 0);
            EXPECT_TRUE(TextOut(dc, 300, 300, text.c_str(), static_cast<int>(text.size())));
            EXPECT_TRUE(Rectangle(dc, 100, 100, 2000, 1000));
            const int ended = EndPage(dc);
            if (ended <= 0)
                return ended;
        }
        return EndDoc(dc);
    }

    PRINTDLG pd_{};
    std::unique_ptr<kel::testkit::TempDir> folder_;
    fs::path dir_;
    bool previousPdfOnly_ = false;
};

TEST_F(PrintTest, ReturnDefaultGivesThePdfPrintersBlocksWithoutADialog)
{
    kel::testkit::ScriptedPrompts prompts; // any prompt fails the test
    ReturnDefault();
    EXPECT_EQ(DevNamesString(pd_.hDevNames, &DEVNAMES::wDeviceOffset), KEL_PDF_PRINTER_NAME);
    EXPECT_EQ(DevNamesString(pd_.hDevNames, &DEVNAMES::wOutputOffset), "FILE:");
    EXPECT_FALSE(DevNamesString(pd_.hDevNames, &DEVNAMES::wDriverOffset).empty());
    auto* dn = static_cast<DEVNAMES*>(GlobalLock(pd_.hDevNames));
    EXPECT_EQ(dn->wDefault & DN_DEFAULTPRN, DN_DEFAULTPRN);
    GlobalUnlock(pd_.hDevNames);
    const DEVMODE dm = DevModeOf(pd_.hDevMode);
    EXPECT_STREQ(reinterpret_cast<const char*>(dm.dmDeviceName), KEL_PDF_PRINTER_NAME);
    EXPECT_EQ(dm.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(dm.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(dm.dmSize, sizeof(DEVMODE));

    // Blocks handed in are refused, as Windows does.
    PRINTDLG again{};
    again.lStructSize = sizeof again;
    again.Flags = PD_RETURNDEFAULT;
    again.hDevNames = pd_.hDevNames;
    EXPECT_FALSE(PrintDlg(&again));
    EXPECT_FALSE(PrintDlg(nullptr));
}

TEST_F(PrintTest, DeviceCapsDescribeThePageAtThePrintersResolution)
{
    ReturnDefault();
    for (bool info : {false, true})
    {
        SCOPED_TRACE(info ? "information context" : "printer DC");
        HDC dc = PrinterDc(info);
        ASSERT_NE(dc, nullptr);
        const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
        EXPECT_EQ(dpi, 600);
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), dpi);
        EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
        // A4: 210 x 297 mm (Qt keeps it in whole points: within 3 pixels).
        EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH), 210 / 25.4 * dpi, 4);
        EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALHEIGHT), 297 / 25.4 * dpi, 4);
        const int offX = GetDeviceCaps(dc, PHYSICALOFFSETX), offY = GetDeviceCaps(dc, PHYSICALOFFSETY);
        EXPECT_GT(offX, 0);
        EXPECT_GT(offY, 0);
        EXPECT_NEAR(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, PHYSICALWIDTH) - 2 * offX, 2);
        EXPECT_NEAR(GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, PHYSICALHEIGHT) - 2 * offY, 2);
        EXPECT_NEAR(GetDeviceCaps(dc, HORZSIZE), GetDeviceCaps(dc, HORZRES) * 25.4 / dpi, 1);
        EXPECT_NEAR(GetDeviceCaps(dc, VERTSIZE), GetDeviceCaps(dc, VERTRES) * 25.4 / dpi, 1);

        POINT p{-1, -1};
        EXPECT_GT(Escape(dc, GETSCALINGFACTOR, 0, nullptr, &p), 0);
        EXPECT_EQ(p.x, 0);
        EXPECT_GT(Escape(dc, GETPHYSPAGESIZE, 0, nullptr, &p), 0);
        EXPECT_EQ(p.x, GetDeviceCaps(dc, PHYSICALWIDTH));
        EXPECT_GT(Escape(dc, GETPRINTINGOFFSET, 0, nullptr, &p), 0);
        EXPECT_EQ(p.y, offY);
        const int asked = GETSCALINGFACTOR, unknown = 4711;
        EXPECT_EQ(Escape(dc, QUERYESCSUPPORT, sizeof asked, reinterpret_cast<LPCSTR>(&asked), nullptr), 1);
        EXPECT_EQ(Escape(dc, QUERYESCSUPPORT, sizeof unknown, reinterpret_cast<LPCSTR>(&unknown), nullptr),
                  0);
        DeleteDC(dc);
    }

    // A landscape DEVMODE turns the page.
    DEVMODE dm = DevModeOf(pd_.hDevMode);
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    dm.dmPaperSize = DMPAPER_LETTER;
    HDC wide = CreateDC("spool", KEL_PDF_PRINTER_NAME, nullptr, &dm);
    ASSERT_NE(wide, nullptr);
    EXPECT_NEAR(GetDeviceCaps(wide, PHYSICALWIDTH), 11 * 600, 2);
    EXPECT_NEAR(GetDeviceCaps(wide, PHYSICALHEIGHT), 8.5 * 600, 2);
    DeleteDC(wide);

    EXPECT_EQ(CreateDC("spool", "No such printer", nullptr, nullptr), nullptr);
}

TEST_F(PrintTest, JobWritesAPdfWithOnePageForEachPageAndTheText)
{
    if (!HaveTool("pdfinfo") || !HaveTool("pdftotext"))
        GTEST_SKIP() << "pdfinfo/pdftotext (poppler-utils) not installed; run tools/install-deps";
    ReturnDefault();
    HDC dc = PrinterDc();
    ASSERT_NE(dc, nullptr);
    const fs::path pdf = dir_ / "job.pdf";
    ASSERT_GT(PrintPages(dc, pdf.c_str(), {"First page", "Second page \xFC\x80", "Third page"}), 0);
    DeleteDC(dc);

    EXPECT_EQ(PdfPages(pdf), 3);
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("First page"), std::string::npos) << text;
    EXPECT_NE(text.find("Second page \xC3\xBC\xE2\x82\xAC"), std::string::npos) << text; // ü€ in UTF-8
    EXPECT_NE(text.find("Third page"), std::string::npos) << text;
    EXPECT_LT(text.find("First page"), text.find("Third page"));
}

TEST_F(PrintTest, JobCallsTheAbortProcedureBetweenPagesAndStopsWhenItSaysSo)
{
    ReturnDefault();
    HDC dc = PrinterDc();
    ASSERT_NE(dc, nullptr);
    static std::vector<std::pair<HDC, int>> calls;
    calls.clear();
    static int allowed = 0;
    allowed = 1;
    ASSERT_GT(SetAbortProc(dc,
                           [](HDC hdc, int code) -> BOOL
                           {
                               calls.emplace_back(hdc, code);
                               return static_cast<int>(calls.size()) <= allowed;
                           }),
              0);
    const fs::path pdf = dir_ / "aborted.pdf";
    EXPECT_EQ(PrintPages(dc, pdf.c_str(), {"one", "two", "three"}), SP_APPABORT);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(dc, 0));
    EXPECT_FALSE(fs::exists(pdf)) << "an aborted job leaves no file";
    // The DC is free for a new job afterwards.
    allowed = 100;
    EXPECT_GT(PrintPages(dc, pdf.c_str(), {"again"}), 0);
    EXPECT_TRUE(fs::exists(pdf));
    DeleteDC(dc);
}

TEST_F(PrintTest, JobCallsOutsideTheirOrderFail)
{
    ReturnDefault();
    HDC dc = PrinterDc();
    HDC info = PrinterDc(true);
    const fs::path pdf = dir_ / "order.pdf";
    DOCINFO di{sizeof(DOCINFO), "order", pdf.c_str(), nullptr, 0};
    EXPECT_EQ(StartPage(dc), SP_ERROR);
    EXPECT_EQ(EndPage(dc), SP_ERROR);
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    EXPECT_EQ(AbortDoc(dc), SP_ERROR);
    EXPECT_EQ(StartDoc(info, &di), SP_ERROR) << "an information context prints nothing";
    HDC screen = CreateCompatibleDC(nullptr);
    EXPECT_EQ(StartDoc(screen, &di), SP_ERROR);
    EXPECT_EQ(SetAbortProc(screen, nullptr), SP_ERROR);
    DeleteDC(screen);

    ASSERT_GT(StartDoc(dc, &di), 0);
    EXPECT_EQ(StartDoc(dc, &di), SP_ERROR) << "one job at a time";
    EXPECT_GT(StartPage(dc), 0);
    EXPECT_GT(AbortDoc(dc), 0);
    EXPECT_FALSE(fs::exists(pdf));
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    DeleteDC(info);

    // A DC deleted in the middle of a job drops the job.
    ASSERT_GT(StartDoc(dc, &di), 0);
    EXPECT_GT(StartPage(dc), 0);
    EXPECT_TRUE(TextOut(dc, 10, 10, "lost", 4));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(PrintTest, PdfPrinterAsksForTheFileWhenTheJobNamesNone)
{
    ReturnDefault();
    HDC dc = PrinterDc();
    const fs::path pdf = dir_ / "asked.pdf";
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(pdf.string());
        EXPECT_GT(PrintPages(dc, nullptr, {"asked"}), 0);
    }
    EXPECT_TRUE(fs::exists(pdf));
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).Reply(IDCANCEL);
        DOCINFO di{sizeof(DOCINFO), "cancelled", nullptr, nullptr, 0};
        EXPECT_EQ(StartDoc(dc, &di), SP_USERABORT);
    }
    DeleteDC(dc);
}

TEST_F(PrintTest, PrintDialogChoicesComeBackInTheRecordAndItsBlocks)
{
    const fs::path pdf = dir_ / "chosen.pdf";
    PrintAnswers answers(
        [&](const kel::PromptRequest& r)
        {
            kel::PromptReply reply;
            reply.result = IDOK;
            kel::PromptPrint p = r.print;
            p.flags = (p.flags & ~PD_SELECTION) | PD_PAGENUMS | PD_PRINTTOFILE;
            p.fromPage = 2;
            p.toPage = 3;
            p.copies = 2;
            p.orientation = DMORIENT_LANDSCAPE;
            p.paperSize = DMPAPER_LETTER;
            p.outputFile = pdf.string();
            reply.print = p;
            return reply;
        });
    pd_.lStructSize = sizeof pd_;
    pd_.Flags = PD_RETURNDC | PD_ALLPAGES | PD_NOSELECTION | PD_HIDEPRINTTOFILE;
    pd_.nMinPage = 1;
    pd_.nMaxPage = 5;
    pd_.nFromPage = 1;
    pd_.nToPage = 5;
    pd_.nCopies = 1;
    ASSERT_TRUE(PrintDlg(&pd_));

    ASSERT_EQ(answers.requests.size(), 1u);
    const kel::PromptRequest& shown = answers.requests[0];
    EXPECT_EQ(shown.kind, kel::PromptKind::Print);
    EXPECT_EQ(shown.print.printer, KEL_PDF_PRINTER_NAME);
    EXPECT_EQ(shown.print.maxPage, 5);
    EXPECT_TRUE(shown.print.flags & PD_NOSELECTION);

    EXPECT_EQ(pd_.Flags & (PD_PAGENUMS | PD_SELECTION | PD_PRINTTOFILE), DWORD(PD_PAGENUMS | PD_PRINTTOFILE));
    EXPECT_EQ(pd_.nFromPage, 2);
    EXPECT_EQ(pd_.nToPage, 3);
    EXPECT_EQ(pd_.nCopies, 2);
    EXPECT_EQ(DevNamesString(pd_.hDevNames, &DEVNAMES::wOutputOffset), pdf.string());
    const DEVMODE dm = DevModeOf(pd_.hDevMode);
    EXPECT_EQ(dm.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(dm.dmPaperSize, DMPAPER_LETTER);
    EXPECT_EQ(dm.dmCopies, 1) << "copies are in nCopies without PD_USEDEVMODECOPIES";
    ASSERT_NE(pd_.hDC, nullptr);
    EXPECT_GT(GetDeviceCaps(pd_.hDC, HORZRES), GetDeviceCaps(pd_.hDC, VERTRES));

    // The DC's job goes to the file chosen in the dialog.
    EXPECT_GT(PrintPages(pd_.hDC, nullptr, {"to the chosen file"}), 0);
    EXPECT_TRUE(fs::exists(pdf));

    {
        // Asked again, the dialog starts from the chosen file and an OK keeps it.
        PrintAnswers again(
            [](const kel::PromptRequest&)
            {
                kel::PromptReply reply;
                reply.result = IDOK;
                return reply;
            });
        DeleteDC(pd_.hDC);
        pd_.hDC = nullptr;
        ASSERT_TRUE(PrintDlg(&pd_));
        ASSERT_EQ(again.requests.size(), 1u);
        EXPECT_EQ(again.requests[0].print.outputFile, pdf.string());
        EXPECT_EQ(DevNamesString(pd_.hDevNames, &DEVNAMES::wOutputOffset), pdf.string());
    }

    // Set-up again from the kept blocks, with copies in the DEVMODE; a cancel changes nothing.
    HGLOBAL names = pd_.hDevNames, mode = pd_.hDevMode;
    PrintAnswers cancel(
        [](const kel::PromptRequest&)
        {
            kel::PromptReply reply;
            reply.result = IDCANCEL;
            return reply;
        });
    pd_.Flags = PD_PRINTSETUP | PD_USEDEVMODECOPIES;
    EXPECT_FALSE(PrintDlg(&pd_));
    ASSERT_EQ(cancel.requests.size(), 1u);
    EXPECT_EQ(cancel.requests[0].kind, kel::PromptKind::PrintSetup);
    EXPECT_EQ(cancel.requests[0].print.orientation, DMORIENT_LANDSCAPE) << "starts from the kept DEVMODE";
    EXPECT_EQ(pd_.hDevNames, names);
    EXPECT_EQ(pd_.hDevMode, mode);
}

TEST_F(PrintTest, PrintDialogClassGivesTheChoiceAndTheDc)
{
    CPrintDialog defaults(FALSE);
    ASSERT_TRUE(defaults.GetDefaults());
    EXPECT_EQ(std::string(defaults.GetDeviceName()), KEL_PDF_PRINTER_NAME);
    EXPECT_EQ(std::string(defaults.GetPortName()), "FILE:");
    EXPECT_FALSE(defaults.GetDriverName().IsEmpty());
    EXPECT_TRUE(defaults.PrintAll());
    EXPECT_EQ(defaults.GetFromPage(), -1);
    EXPECT_EQ(defaults.GetCopies(), 1);
    ASSERT_NE(defaults.GetPrinterDC(), nullptr);
    EXPECT_EQ(GetDeviceCaps(defaults.GetPrinterDC(), TECHNOLOGY), DT_RASPRINTER);
    DeleteDC(defaults.GetPrinterDC());

    // The dialog asked with the kept blocks; its page range and copies come back.
    CPrintDialog dialog(FALSE, PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOSELECTION);
    dialog.m_pd.hDevNames = defaults.m_pd.hDevNames;
    dialog.m_pd.hDevMode = defaults.m_pd.hDevMode;
    dialog.m_pd.nMaxPage = 9;
    PrintAnswers answers(
        [](const kel::PromptRequest& r)
        {
            kel::PromptReply reply;
            reply.result = IDOK;
            reply.print = r.print;
            reply.print->flags |= PD_PAGENUMS;
            reply.print->fromPage = 2;
            reply.print->toPage = 4;
            reply.print->copies = 3;
            return reply;
        });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.PrintRange());
    EXPECT_FALSE(dialog.PrintAll());
    EXPECT_EQ(dialog.GetFromPage(), 2);
    EXPECT_EQ(dialog.GetToPage(), 4);
    EXPECT_EQ(dialog.GetCopies(), 3) << "from the DEVMODE with PD_USEDEVMODECOPIES";
    ASSERT_NE(dialog.GetDevMode(), nullptr);
    EXPECT_EQ(dialog.GetDevMode()->dmCopies, 3);
    GlobalUnlock(dialog.m_pd.hDevMode);
    GlobalUnlock(dialog.m_pd.hDevMode);
    ASSERT_NE(dialog.GetPrinterDC(), nullptr);
    DeleteDC(dialog.GetPrinterDC());
    HDC made = dialog.CreatePrinterDC();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(dialog.GetPrinterDC(), made);
    DeleteDC(made);
    pd_.hDevNames = dialog.m_pd.hDevNames; // freed by the fixture
    pd_.hDevMode = dialog.m_pd.hDevMode;

    CPrintDialog none(TRUE);
    EXPECT_EQ(none.CreatePrinterDC(), nullptr) << "no printer chosen yet";
}

TEST_F(PrintTest, QtDialogsAnswerWithTheirSettings)
{
    struct Case
    {
        kel::PromptKind kind;
        UINT flags;
        int orientation, paper;
        UINT expectFlags; // of PD_PAGENUMS | PD_SELECTION | PD_PRINTTOFILE
    };
    const Case cases[] = {
        {kel::PromptKind::PrintSetup, PD_PAGENUMS, DMORIENT_LANDSCAPE, DMPAPER_A5, PD_PAGENUMS},
        {kel::PromptKind::Print, PD_PAGENUMS | PD_HIDEPRINTTOFILE, DMORIENT_PORTRAIT, DMPAPER_LETTER,
         PD_PAGENUMS},
        {kel::PromptKind::Print, PD_SELECTION, DMORIENT_LANDSCAPE, DMPAPER_A4, PD_SELECTION},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(kel::PromptKindName(c.kind) + std::string(" flags ") + std::to_string(c.flags));
        kel::PromptRequest request;
        request.kind = c.kind;
        request.print.printer = KEL_PDF_PRINTER_NAME;
        request.print.flags = c.flags;
        request.print.orientation = c.orientation;
        request.print.paperSize = c.paper;
        request.print.minPage = 1;
        request.print.maxPage = 5;
        request.print.fromPage = 2;
        request.print.toPage = 3;
        bool shown = false;
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout,
                         [timer, &shown]
                         {
                             for (QWidget* w : QApplication::topLevelWidgets())
                                 if (auto* dialog = qobject_cast<QPrintDialog*>(w);
                                     dialog && dialog->isVisible())
                                 {
                                     timer->stop();
                                     timer->deleteLater();
                                     shown = true;
                                     dialog->accept();
                                     return;
                                 }
                         });
        timer->start(5);
        const kel::PromptReply reply = kel::qt::PrintPrompt(request);
        EXPECT_TRUE(shown);
        EXPECT_EQ(reply.result, IDOK);
        ASSERT_TRUE(reply.print.has_value());
        EXPECT_EQ(reply.print->printer, KEL_PDF_PRINTER_NAME);
        EXPECT_EQ(reply.print->orientation, c.orientation);
        EXPECT_EQ(reply.print->paperSize, c.paper);
        EXPECT_EQ(reply.print->flags & (PD_PAGENUMS | PD_SELECTION | PD_PRINTTOFILE), c.expectFlags)
            << "output file: " << reply.print->outputFile;
        if (c.flags & PD_PAGENUMS)
        {
            EXPECT_EQ(reply.print->fromPage, 2);
            EXPECT_EQ(reply.print->toPage, 3);
        }
    }
}

} // namespace
