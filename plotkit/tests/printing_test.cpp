// Printing: pages and graphs printed to PDF files (checked with poppler's pdfinfo and pdftotext),
// the stop dialog's Cancel, a page drawn into a caller's DC, graphs with real-time objects printed
// through a copy, and the print options with their dialog.
#include "Printing.h"
#include "ShapeScene.h"
#include "res/resource.h"

#include "testkit/Canvas.h"
#include "win32/print.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace plotkit::test
{
namespace
{

namespace fs = std::filesystem;

constexpr const char* kPrintedText = "Printed by plotkit";

// A test object type that writes a text at its extent's corner.
enum
{
    kText = 160,
    kLive = 107, // a real-time type: printed through a copy
};

struct LiveDraw
{
    const GrDesc* graph;
    int value;
};
std::vector<LiveDraw>& LiveDraws()
{
    static std::vector<LiveDraw> draws;
    return draws;
}
std::function<void()>& WhileDrawing()
{
    static std::function<void()> hook;
    return hook;
}

void DrawText(GrDesc* graph, HDC dc)
{
    auto* o = reinterpret_cast<TestObject*>(graph->currentObject);
    SetBkMode(dc, TRANSPARENT);
    TextOut(dc, o->head.extent.left, o->head.extent.top, kPrintedText,
            static_cast<int>(strlen(kPrintedText)));
    if (WhileDrawing())
        WhileDrawing()();
}

void DrawLive(GrDesc* graph, HDC dc)
{
    auto* o = reinterpret_cast<TestObject*>(graph->currentObject);
    LiveDraws().push_back(LiveDraw{graph, *o->buffer});
    HBRUSH brush = CreateSolidBrush(o->color);
    RECT r = Ordered(o->head.extent);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

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

class PrintingTest : public ShapePageTest
{
protected:
    void SetUp() override
    {
        ShapePageTest::SetUp();
        previousPdfOnly = kel::SetPdfPrinterOnly(true); // never the machine's printers
        ResetPrinterSelection();
        LiveDraws().clear();
        WhileDrawing() = nullptr;
        for (auto [type, draw] :
             {std::pair<int, ObjDrawProc>{kText, DrawText}, std::pair<int, ObjDrawProc>{kLive, DrawLive}})
        {
            PlotObjectType t = *FindObjectType(kBox);
            t.type = static_cast<SHORT>(type);
            t.draw = draw;
            PlotRegisterObjectType(&t);
        }
    }
    void TearDown() override
    {
        ResetPrinterSelection();
        kel::SetPdfPrinterOnly(previousPdfOnly);
        ShapePageTest::TearDown();
    }
    // The scene with the text on it.
    GrDesc* PrintableScene()
    {
        return PaintedGraph(
            [](GrDesc* g, HWND)
            {
                BuildShapeScene(g, g->buildDc);
                AddObject(g, kText, RECT{g->logWidth / 20, g->logHeight * 52 / 100, 0, 0});
            },
            "printed");
    }

    bool previousPdfOnly = false;
};

TEST_F(PrintingTest, PagesAndGraphsPrintToPdf)
{
    if (Output("command -v pdfinfo").empty())
        GTEST_SKIP() << "pdfinfo (poppler-utils, installed by tools/install-deps) is missing";
    GrDesc* graph = PrintableScene();
    const std::string pagePdf = (folder / "page.pdf").string(), graphPdf = (folder / "graph.pdf").string();
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(pagePdf);
        EXPECT_TRUE(WGPrintPage(page));
        prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(graphPdf);
        EXPECT_TRUE(WGPrintGraph(graph));
    }
    EXPECT_EQ(WGGetLastError(), 0);
    EXPECT_TRUE(IsWindowEnabled(page->window));
    EXPECT_TRUE(IsWindowEnabled(graph->window));
    EXPECT_EQ(FindWindow(nullptr, "Printing"), nullptr) << "the stop dialog is gone";
    EXPECT_EQ(top.printStyle, 0) << "the page's printing style is put back";
    EXPECT_GT(GetDevDesc()->printerDpiX, 0);
    for (const std::string& pdf : {pagePdf, graphPdf})
    {
        SCOPED_TRACE(pdf);
        ASSERT_TRUE(fs::exists(pdf));
        EXPECT_NE(Output("pdfinfo '" + pdf + "'").find("Pages:           1"), std::string::npos);
        EXPECT_NE(Output("pdftotext '" + pdf + "' -").find(kPrintedText), std::string::npos);
    }
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        Output("pdftoppm -png -r 40 -singlefile '" + pagePdf + "' '" + std::string(keep) +
               "/plotkit_printed'");
}

// A curve plot goes to the printer as drawing, not as a picture: its axis labels are text in the PDF
// and the file holds no image.
TEST_F(PrintingTest, ACurvePlotPrintsAsVectorsWithItsLabelsAsText)
{
    if (Output("command -v pdfimages").empty())
        GTEST_SKIP() << "pdfimages (poppler-utils, installed by tools/install-deps) is missing";
    constexpr int kPoints = 2000;
    static float xs[kPoints], ys[kPoints];
    for (int i = 0; i < kPoints; ++i)
    {
        xs[i] = 100.0f * i / (kPoints - 1);
        ys[i] = static_cast<float>(std::sin(i * 0.02));
    }
    const int set = WGDefineDataSetPtr("wave", xs, ys, kPoints);
    ASSERT_NE(set, 0);
    int curve = 0;
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            SHORT xAxis = 0, yAxis = 0, xLabels = 0, yLabels = 0;
            WGAutoAxes(g, g->buildDc, set, 1, 0, &xAxis, &yAxis, &xLabels, &yLabels);
            curve = WGLinePlot(g, g->buildDc, set, FALSE, FALSE);
        },
        "printed_curve");
    ASSERT_NE(curve, 0);
    const std::string pdf = (folder / "curve.pdf").string();
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(pdf);
        EXPECT_TRUE(WGPrintGraph(graph));
    }
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_NE(Output("pdfinfo '" + pdf + "'").find("Pages:           1"), std::string::npos);
    const std::string text = Output("pdftotext '" + pdf + "' -");
    EXPECT_NE(text.find("40"), std::string::npos) << text;
    EXPECT_NE(text.find("60"), std::string::npos) << text;
    // `pdfimages -list` prints two header lines and one line per image.
    const std::string images = Output("pdfimages -list '" + pdf + "'");
    EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 2) << images;
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        Output("pdftoppm -png -r 40 -singlefile '" + pdf + "' '" + std::string(keep) + "/plotkit_printed_curve'");
}

TEST_F(PrintingTest, TheStopDialogsCancelEndsTheJob)
{
    GrDesc* graph = PrintableScene();
    const std::string pdf = (folder / "cancelled.pdf").string();
    bool found = false;
    WhileDrawing() = [&]
    {
        if (HWND stop = FindWindow(nullptr, "Printing"))
        {
            found = true;
            PostMessage(stop, WM_COMMAND, IDCANCEL, 0);
        }
    };
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(pdf);
    EXPECT_FALSE(WGPrintGraph(graph));
    EXPECT_TRUE(found);
    EXPECT_TRUE(IsWindowEnabled(page->window));
    EXPECT_TRUE(IsWindowEnabled(graph->window));
    EXPECT_EQ(FindWindow(nullptr, "Printing"), nullptr);
    // The next job runs.
    WhileDrawing() = nullptr;
    prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(pdf);
    EXPECT_TRUE(WGPrintGraph(graph));
    EXPECT_TRUE(fs::exists(pdf));
}

TEST_F(PrintingTest, APageDrawsIntoACallersDc)
{
    PrintableScene();
    const COLORREF gray = RGB(128, 128, 128);
    struct Case
    {
        float left, top, right, bottom;
        float x, y, width, height; // expected, in fractions of the DC's printable area
    };
    // Right 0: the height given, the width from the page's 4:3 proportions. A memory DC's printable
    // area is the screen's (1024 x 768 here).
    const Case cases[] = {
        {0.1f, 0.1f, 0.0f, 0.5f, 0.1f, 0.1f, 0.4f * 768 * 4 / 3 / 1024, 0.4f},
        {0.5f, 0.5f, 0.0f, 0.0f, 0.5f, 0.0f, 0.5f * 768 * 4 / 3 / 1024, 0.5f}, // top and bottom put in order
        {0.75f, 0.25f, 0.25f, 0.75f, 0.25f, 0.25f, 0.5f, 0.5f},                // left and right put in order
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.left);
        kel::testkit::Canvas canvas(1100, 800, gray);
        const int horz = GetDeviceCaps(canvas.Dc(), HORZRES), vert = GetDeviceCaps(canvas.Dc(), VERTRES);
        ASSERT_EQ(horz, 1024);
        ASSERT_EQ(vert, 768);
        ASSERT_TRUE(WGPrintPageDC(page, canvas.Dc(), c.left, c.top, c.right, c.bottom));
        const RECT ink = canvas.InkBounds(gray);
        const RECT expected{static_cast<LONG>(c.x * horz), static_cast<LONG>(c.y * vert),
                            static_cast<LONG>((c.x + c.width) * horz),
                            static_cast<LONG>((c.y + c.height) * vert)};
        EXPECT_NEAR(ink.left, expected.left, 1);
        EXPECT_NEAR(ink.top, expected.top, 1);
        EXPECT_NEAR(ink.right, expected.right, 2);
        EXPECT_NEAR(ink.bottom, expected.bottom, 2);
        EXPECT_EQ(GetMapMode(canvas.Dc()), MM_TEXT) << "the DC's mapping is put back";
        POINT origin{};
        GetViewportOrgEx(canvas.Dc(), &origin);
        EXPECT_EQ(origin.x, 0);
        // The scene is in it: the rectangle's red at its place.
        const int w = expected.right - expected.left, h = expected.bottom - expected.top;
        EXPECT_EQ(canvas.At(expected.left + w * 15 / 100, expected.top + h * 15 / 100), kRectFill);
        if (c.left == 0.75f)
            Keep(canvas.Pixels(), "plotkit_page_dc");
    }
    EXPECT_TRUE(IsWindowEnabled(page->window));
    EXPECT_FALSE(WGPrintPageDC(nullptr, nullptr, 0, 0, 1, 1));
}

TEST_F(PrintingTest, GraphsWithRealTimeObjectsPrintThroughACopy)
{
    int live = 0, box = 0;
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            box = AddObject(g, kBox, RECT{0, 0, g->logWidth / 2, g->logHeight / 2}, RGB(0, 0, 255));
            live =
                AddObject(g, kLive, RECT{g->logWidth / 2, 0, g->logWidth, g->logHeight / 2}, RGB(255, 0, 0));
        });
    auto* original = reinterpret_cast<TestObject*>(ObjectAt(graph, live));
    *original->buffer = 42;
    const int releases = Releases();

    HGLOBAL pairs = nullptr;
    HGLOBAL temp = HXCopyGraph(graph, &pairs);
    ASSERT_NE(temp, nullptr);
    ASSERT_NE(pairs, nullptr);
    auto* copy = static_cast<GrDesc*>(GlobalLock(temp));
    EXPECT_TRUE(WGIsGraphDescValid(copy)) << "a copy is a graph the library draws";
    EXPECT_EQ(copy->objects[box - 1], graph->objects[box - 1]) << "other objects are shared";
    auto* copied = reinterpret_cast<TestObject*>(ObjectAt(copy, live));
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, original);
    EXPECT_NE(copied->buffer, original->buffer);
    EXPECT_EQ(*copied->buffer, 42);
    *copied->buffer = 7;
    HXDestroyTempGraph(temp, pairs);
    EXPECT_FALSE(WGIsGraphDescValid(copy));
    EXPECT_EQ(Releases(), releases + 1) << "only the copy's own record is released";
    EXPECT_EQ(*original->buffer, 42) << "the live object keeps its data";

    // Printed: the copy draws, the live object is untouched and its graph is repainted.
    LiveDraws().clear();
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Save Print Output As", kel::PromptKind::FileSave)
        .ReplyPath((folder / "live.pdf").string());
    EXPECT_TRUE(WGPrintGraph(graph));
    ASSERT_EQ(LiveDraws().size(), 1u);
    EXPECT_NE(LiveDraws()[0].graph, graph);
    EXPECT_EQ(LiveDraws()[0].value, 42);
    EXPECT_EQ(Releases(), releases + 2);
    EXPECT_EQ(*original->buffer, 42);
    EXPECT_EQ(ObjectAt(graph, live), &original->head);
}

TEST_F(PrintingTest, PrintOptionsAndTheirDialog)
{
    WGSetPrintOptions(TRUE, FALSE, TRUE, TRUE, 1, 0.25f, 0.5f);
    EXPECT_EQ(top.printGraphBackground, 1);
    EXPECT_EQ(top.printPlotBackground, 0);
    EXPECT_EQ(top.printBorder, 1);
    EXPECT_EQ(top.maintainAspect, 1);
    EXPECT_EQ(top.printStyle, 1);
    EXPECT_FLOAT_EQ(top.printLeftOffset, 0.25f);
    EXPECT_FLOAT_EQ(top.printTopOffset, 0.5f);

    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("", kel::PromptKind::Dialog)
            .Drive(
                [](kel::testkit::DialogDriver& d)
                {
                    EXPECT_TRUE(d.IsChecked(IDC_PRINT_PROPORTIONATE));
                    EXPECT_TRUE(d.IsChecked(IDC_PRINT_BORDER));
                    EXPECT_EQ(d.GetText(IDC_PRINT_LEFT), "") << "offsets show for exact size only";
                    d.Click(IDC_PRINT_BORDER); // off
                    d.Click(IDC_PRINT_PLOTBG); // on
                    d.Click(IDC_PRINT_EXACT);  // shows the offsets
                    EXPECT_EQ(d.GetText(IDC_PRINT_LEFT), "25.0");
                    EXPECT_EQ(d.GetText(IDC_PRINT_TOP), "50.0");
                    d.SetText(IDC_PRINT_LEFT, "12.5");
                    d.Click(IDOK);
                });
        EXPECT_EQ(WGPrintOptionsDlg(), 1);
    }
    EXPECT_EQ(top.printBorder, 0);
    EXPECT_EQ(top.printPlotBackground, 1);
    EXPECT_EQ(top.printStyle, 2);
    EXPECT_FLOAT_EQ(top.printLeftOffset, 0.125f);
    EXPECT_FLOAT_EQ(top.printTopOffset, 0.5f);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("", kel::PromptKind::Dialog)
            .Drive(
                [](kel::testkit::DialogDriver& d)
                {
                    d.Click(IDC_PRINT_ASPECT);
                    d.Click(IDCANCEL);
                });
        EXPECT_EQ(WGPrintOptionsDlg(), 0);
    }
    EXPECT_EQ(top.maintainAspect, 1) << "Cancel changes nothing";

    // Without a started library: the message, code 6, nothing stored.
    Lib().top = nullptr;
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("DLL is not initialized").Reply(IDOK).Times(2);
        WGSetPrintOptions(FALSE, FALSE, FALSE, FALSE, 0, 0, 0);
        EXPECT_EQ(WGPrintOptionsDlg(), 0);
    }
    Lib().top = &top;
    EXPECT_EQ(WGGetLastError(), 6);
    EXPECT_EQ(top.printStyle, 2);
}

} // namespace
} // namespace plotkit::test
