// Metafiles: pages saved as plain, placeable and enhanced files and played back like the direct
// drawing; the placeable header other programs read; files refused; the clipboard's picture and
// bitmap pasted back; METAFILE objects; conversion in memory; the save dialog; an independent reader.
#include "Metafiles.h"
#include "ShapeScene.h"

#include "testkit/Canvas.h"
#include "testkit/Clipboard.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

namespace plotkit::test
{
namespace
{

namespace fs = std::filesystem;
using kel::testkit::Image;

// Pixels that may differ between a drawing and its metafile played back (edges of shapes
// rounded differently): 2 % of the page.
constexpr int kMaxDiffering = 640 * 480 / 50;
constexpr int kTolerance = 64;

class MetafilesTest : public ShapePageTest
{
protected:
    // The scene page, painted, and what it shows.
    void Scene()
    {
        bitmap = (folder / "quad.bmp").string();
        WriteFile(bitmap, BmpBytes(2, 2, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 0)}));
        graph = PaintedGraph([this](GrDesc* g, HWND) { BuildShapeScene(g, g->buildDc, bitmap); }, "scene");
        direct = Shot("plotkit_scene");
    }
    // A record played into an empty page window of the same size.
    Image Played(MetafileDesc* record, const char* name)
    {
        PgDesc* screen = MakePage("play", 8);
        InvalidateRect(screen->window, nullptr, TRUE);
        UpdateWindow(screen->window);
        Pump(20);
        EXPECT_TRUE(WGPlayMetafile(screen->window, record, 0, 0, 0, 0));
        Image image = Shot(name, screen);
        Drop(screen);
        return image;
    }
    void ExpectLikeTheScene(const Image& image)
    {
        EXPECT_LE(kel::testkit::CountDifferences(direct, image, kTolerance), kMaxDiffering);
        for (auto [x, y, color] :
             {std::tuple{0.15f, 0.15f, kRectFill}, std::tuple{0.40f, 0.15f, kEllipseFill},
              std::tuple{0.75f, 0.41f, kPolygonFill}, std::tuple{0.25f, 0.70f, kPieFill},
              std::tuple{0.70f, 0.70f, RGB(255, 0, 0)}})
            EXPECT_EQ(image.Pixel(At(x, y).x, At(x, y).y), color) << x << "," << y;
    }

    // Ends a page and its window before the test ends.
    static void Drop(PgDesc* p)
    {
        HWND window = p->window;
        KillGraphPage(p->number);
        DestroyWindow(window);
    }

    std::string bitmap;
    GrDesc* graph = nullptr;
    Image direct;
};

uint16_t Word(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t Dword(const std::vector<uint8_t>& b, size_t at)
{
    return Word(b, at) | static_cast<uint32_t>(Word(b, at + 2)) << 16;
}

TEST_F(MetafilesTest, SavedFilesPlayBackLikeTheDirectDrawing)
{
    Scene();
    struct Case
    {
        int kind;
        const char* extension;
        bool enhanced;
        bool placeable;
    };
    for (const Case& c :
         {Case{0, ".WMF", false, false}, Case{1, ".WMF", false, true}, Case{2, ".EMF", true, false}})
    {
        SCOPED_TRACE(c.kind);
        const std::string base = (folder / ("scene" + std::to_string(c.kind))).string();
        ASSERT_TRUE(WGSavePageMeta(page, c.kind, base.c_str()));
        const std::string path = base + c.extension;
        ASSERT_TRUE(fs::exists(path)) << "the extension is added to a name without one";
        MetafileDesc* record = WGGetMetafile(path.c_str());
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->enhanced, c.enhanced ? 1 : 0);
        EXPECT_EQ(Dword(std::vector<uint8_t>(record->placeable, record->placeable + 4), 0),
                  c.placeable ? 0x9AC6CDD7u : 0u);
        ExpectLikeTheScene(Played(record, (std::string("plotkit_played") + std::to_string(c.kind)).c_str()));
        WGDeleteMetafile(record);
    }
    EXPECT_EQ(WGGetLastError(), 0);
    EXPECT_FALSE(IsPageBusy(page));
}

TEST_F(MetafilesTest, ThePlaceableHeaderIsTheStandardOne)
{
    Scene();
    const std::string path = (folder / "header.wmf").string();
    ASSERT_TRUE(WGSavePageMeta(page, 1, path.c_str()));
    const std::vector<uint8_t> b = ReadFile(path);
    ASSERT_GT(b.size(), 22u + 18u);
    EXPECT_EQ(Dword(b, 0), 0x9AC6CDD7u);
    EXPECT_EQ(Word(b, 4), 0);
    EXPECT_EQ(Word(b, 6), 0);
    EXPECT_EQ(Word(b, 8), 0);
    EXPECT_EQ(Word(b, 10), page->extentX);
    EXPECT_EQ(Word(b, 12), page->extentY);
    EXPECT_EQ(Word(b, 14), page->extentX * GetDevDesc()->screenDpiX / page->clientWidth);
    EXPECT_EQ(Dword(b, 16), 0u);
    uint16_t sum = 0;
    for (size_t at = 0; at < 20; at += 2)
        sum ^= Word(b, at);
    EXPECT_EQ(Word(b, 20), sum);
    // The metafile's own header follows at once: a memory metafile of 9-word header whose size in
    // words is the rest of the file.
    EXPECT_EQ(Word(b, 22), 1);
    EXPECT_EQ(Word(b, 24), 9);
    EXPECT_EQ(22 + 2 * static_cast<size_t>(Dword(b, 28)), b.size());

    // The bounding box comes back with the file, and a file of an older release (records at 24)
    // still reads.
    std::vector<uint8_t> older = b;
    older.insert(older.begin() + 22, {0, 0});
    const std::string olderPath = (folder / "older.wmf").string();
    WriteFile(olderPath, older);
    for (const std::string& p : {path, olderPath})
    {
        SCOPED_TRACE(p);
        MetafileDesc* record = WGGetMetafile(p.c_str());
        ASSERT_NE(record, nullptr);
        const std::vector<uint8_t> kept(record->placeable, record->placeable + 22);
        EXPECT_EQ(Word(kept, 10), page->extentX);
        EXPECT_EQ(Word(kept, 12), page->extentY);
        ExpectLikeTheScene(Played(record, "plotkit_played_older"));
        WGDeleteMetafile(record);
    }
}

TEST_F(MetafilesTest, AnIndependentReaderDrawsTheSavedFile)
{
    const std::string svg = (folder / "scene.svg").string();
    if (std::system("command -v wmf2svg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "wmf2svg (Debian package libwmf-bin, installed by tools/install-deps) is missing";
    Scene();
    const std::string path = (folder / "scene.wmf").string();
    ASSERT_TRUE(WGSavePageMeta(page, 1, path.c_str()));
    const std::string command = "wmf2svg -o '" + svg + "' '" + path + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(svg);
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    ASSERT_NE(s.find("<svg"), std::string::npos) << s.substr(0, 400);
    // The scene's shapes are in the drawing with their colours (named by the tool after the
    // nearest colour it knows).
    for (const char* part : {"<rect", "fill:red", "stroke:blue", "<ellipse", "fill:green", "<line",
                             "<polygon", "fill:gold", "fill:darkorchid", "<image"})
        EXPECT_NE(s.find(part), std::string::npos) << part << "\n" << s.substr(0, 3000);
    // In its place: the red rectangle starts at 5 % of the picture's width.
    const size_t red = s.rfind("<rect x=\"", s.find("fill:red"));
    const double width = std::atof(s.c_str() + s.find("width=\"") + 7);
    ASSERT_NE(red, std::string::npos);
    EXPECT_NEAR(std::atof(s.c_str() + red + 9) / width, 0.05, 0.005);
}

TEST_F(MetafilesTest, EnhancedRequestsWhereEnhancedMetafilesAreNotMade)
{
    Scene();
    const std::string base = (folder / "kind2").string();
    ASSERT_TRUE(WGSavePageMeta(page, 2, base.c_str()));
    EXPECT_TRUE(fs::exists(base + ".EMF"));
    EXPECT_EQ(Dword(ReadFile(base + ".EMF"), 40), 0x464D4520u);

    Lib().windowsClass = 1; // enhanced metafiles are not made
    const std::string old = (folder / "old").string();
    ASSERT_TRUE(WGSavePageMeta(page, 2, old.c_str()));
    EXPECT_FALSE(fs::exists(old + ".EMF"));
    ASSERT_TRUE(fs::exists(old + ".WMF"));
    EXPECT_EQ(Dword(ReadFile(old + ".WMF"), 0), 0x9AC6CDD7u) << "a placeable file instead";
    // Reading an enhanced file is refused then; a conversion makes a Windows metafile.
    EXPECT_EQ(WGGetMetafile((base + ".EMF").c_str()), nullptr);
    EXPECT_EQ(WGGetLastError(), 9);
    MetafileDesc* converted = WGConvertPageToMeta(page);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted->enhanced, 0);
    ExpectLikeTheScene(Played(converted, "plotkit_converted_wmf"));
    WGDeleteMetafile(converted);
}

TEST_F(MetafilesTest, DamagedAndMissingFilesAreRefused)
{
    Scene();
    const std::string good = (folder / "good.wmf").string();
    ASSERT_TRUE(WGSavePageMeta(page, 1, good.c_str()));
    const std::vector<uint8_t> bytes = ReadFile(good);
    auto file = [&](const char* name, std::vector<uint8_t> content)
    {
        const std::string path = (folder / name).string();
        WriteFile(path, content);
        return path;
    };
    std::vector<uint8_t> notMeta(64, 0);
    notMeta[0] = 3;
    std::vector<uint8_t> longer = bytes;
    longer[28] = 0xFF, longer[29] = 0xFF; // a size beyond the file
    struct Case
    {
        std::string path;
        int code;
    };
    const Case cases[] = {
        {(folder / "none.wmf").string(), 7},
        {"", 7},
        {file("notmeta.wmf", notMeta), 9},
        {file("short.wmf", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 30)), 23},
        {file("longer.wmf", longer), 23},
        {file("tiny.wmf", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3)), 23},
        {file("emfstub.emf",
              []
              {
                  std::vector<uint8_t> e(60, 0);
                  e[0] = 1;
                  e[40] = 0x20, e[41] = 0x45, e[42] = 0x4D, e[43] = 0x46;
                  return e;
              }()),
         23},
        {(folder / std::string(300, 'm')).string() + ".wmf", 25},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path.substr(c.path.size() > 40 ? c.path.size() - 40 : 0));
        ErrHdlr(0, 0, nullptr);
        EXPECT_EQ(WGGetMetafile(c.path.c_str()), nullptr);
        EXPECT_EQ(WGGetLastError(), c.code);
    }
    // Records the library did not make are ignored.
    WGDeleteMetafile(nullptr);
    MetafileDesc stranger{};
    WGDeleteMetafile(&stranger);
    EXPECT_FALSE(WGPlayMetafile(page->window, &stranger, 0, 0, 0, 0));
}

TEST_F(MetafilesTest, AGraphCopiedToTheClipboardPastesBack)
{
    kel::testkit::Clipboard clipboard;
    Scene();
    ASSERT_TRUE(WGCopyGraph(graph));
    EXPECT_EQ(top.metafileFlag, 0);
    ASSERT_TRUE(clipboard.Data(CF_METAFILEPICT).has_value());

    ASSERT_TRUE(OpenClipboard(nullptr));
    // The metafile picture, played the way a program pastes it.
    auto* picture = static_cast<METAFILEPICT*>(GlobalLock(GetClipboardData(CF_METAFILEPICT)));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->mm, page->mapMode);
    EXPECT_EQ(picture->xExt, graph->logWidth);
    EXPECT_EQ(picture->yExt, graph->logHeight);
    kel::testkit::Canvas canvas(640, 480);
    SetMapMode(canvas.Dc(), picture->mm);
    SetWindowExtEx(canvas.Dc(), picture->xExt, picture->yExt, nullptr);
    SetViewportExtEx(canvas.Dc(), 640, 480, nullptr);
    EXPECT_TRUE(PlayMetaFile(canvas.Dc(), picture->hMF));
    const Image pasted = canvas.Pixels();
    Keep(pasted, "plotkit_pasted_picture");
    ExpectLikeTheScene(pasted);

    // The bitmap, for programs that take only pictures.
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObject(bitmap, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 640);
    EXPECT_EQ(info.bmHeight, 480);
    kel::testkit::Canvas fromBitmap(640, 480);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(fromBitmap.Dc(), 0, 0, 640, 480, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    CloseClipboard();
    Keep(fromBitmap.Pixels(), "plotkit_pasted_bitmap");
    ExpectLikeTheScene(fromBitmap.Pixels());
}

TEST_F(MetafilesTest, ABusyClipboardIsReportedAndLeavesNoFlagSet)
{
    kel::testkit::Clipboard clipboard;
    Scene();
    std::promise<void> opened, release;
    std::thread other(
        [&]
        {
            EXPECT_TRUE(OpenClipboard(nullptr));
            opened.set_value();
            release.get_future().wait();
            CloseClipboard();
        });
    opened.get_future().wait();
    EXPECT_FALSE(WGCopyPage(page));
    EXPECT_EQ(WGGetLastError(), 2);
    EXPECT_FALSE(WGCopyGraph(graph));
    EXPECT_EQ(top.metafileFlag, 0);
    EXPECT_FALSE(IsPageBusy(page));
    release.set_value();
    other.join();
    EXPECT_FALSE(clipboard.Data(CF_METAFILEPICT).has_value());
    // Free again, the page copies.
    EXPECT_TRUE(WGCopyPage(page));
    EXPECT_TRUE(clipboard.Data(CF_METAFILEPICT).has_value());
    EXPECT_FALSE(IsPageBusy(page));
}

TEST_F(MetafilesTest, ABlownUpPageCopiesAndSavesOnlyItsSelectedGraph)
{
    kel::testkit::Clipboard clipboard;
    page = MakePage("two", 8);
    GrDesc* left = MakeGraph(page, 0, 0, 0.5f, 1, [](GrDesc* g, HWND) { BuildShapeScene(g, g->buildDc); });
    GrDesc* right = MakeGraph(page, 0.5f, 0, 1, 1, [](GrDesc* g, HWND) { BuildShapeScene(g, g->buildDc); });
    Paint(left);
    Paint(right);
    WGSelectGraph(right);
    WGBlowupGraph(right, TRUE);
    Pump(20);
    ASSERT_TRUE(page->blownUp);

    ASSERT_TRUE(WGCopyPage(page));
    const std::vector<uint8_t> picture = *clipboard.Data(CF_METAFILEPICT);
    EXPECT_EQ(static_cast<LONG>(Dword(picture, 4)), right->logWidth);
    EXPECT_EQ(static_cast<LONG>(Dword(picture, 8)), right->logHeight);

    const std::string path = (folder / "blown.wmf").string();
    ASSERT_TRUE(WGSavePageMeta(page, 1, path.c_str()));
    const std::vector<uint8_t> b = ReadFile(path);
    EXPECT_EQ(Word(b, 10), right->logWidth);
    EXPECT_EQ(Word(b, 12), right->logHeight);
}

TEST_F(MetafilesTest, MetafileObjectsShowAFileOnAGraph)
{
    Scene();
    // In a folder whose path is longer than the 80 characters of older releases.
    const fs::path longDir = folder / std::string(100, 'd');
    fs::create_directory(longDir);
    const std::string path = (longDir / "shown.wmf").string();
    ASSERT_TRUE(WGSavePageMeta(page, 1, path.c_str()));
    const std::string emf = (folder / "shown.emf").string();
    ASSERT_TRUE(WGSavePageMeta(page, 2, emf.c_str()));
    for (const std::string& file : {path, emf})
    {
        SCOPED_TRACE(file);
        int number = 0;
        PgDesc* scenePage = page;
        GrDesc* shown = PaintedGraph([&](GrDesc* g, HWND)
                                     { number = WGMetafileNorm(g, g->buildDc, 0, 0, 1, 1, file.c_str()); },
                                     "shown");
        ASSERT_GT(number, 0);
        EXPECT_EQ(WGGetObjectType(shown, number), PK_TYPE_METAFILE);
        ExpectLikeTheScene(Shot("plotkit_metafile_object"));
        // Its edit copy has a metafile of its own: both are freed once.
        EXPECT_EQ(WGDuplicateObject(shown, number), PK_EDIT_COPY);
        WGDeleteObject(shown, PK_EDIT_COPY);
        // Copied to the clipboard, the object goes into the picture.
        kel::testkit::Clipboard clipboard;
        ASSERT_TRUE(WGCopyGraph(shown));
        Drop(page);
        page = scenePage;
    }
    ErrHdlr(0, 0, nullptr);
    PaintedGraph(
        [&](GrDesc* g, HWND) {
            EXPECT_EQ(WGMetafileNorm(g, g->buildDc, 0, 0, 1, 1, (folder / "absent.wmf").string().c_str()), 0);
        });
    EXPECT_EQ(WGGetLastError(), 7);
}

TEST_F(MetafilesTest, TheSaveDialogChoosesTheFileAndItsKind)
{
    Scene();
    const std::string chosen = (folder / "Chosen.emf").string();
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Save As Metafile", kel::PromptKind::FileSave).ReplyPath(chosen);
        EXPECT_TRUE(WGSavePageMeta(page, 0, nullptr));
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        const kel::PromptRequest shown = prompts.Prompts()[0];
        EXPECT_NE(shown.filter.find("Enhanced Metafiles(*.EMF)"), std::string::npos);
        EXPECT_EQ(shown.fileName, "scene.WMF");
    }
    ASSERT_TRUE(fs::exists(chosen)) << "the name keeps its case";
    EXPECT_EQ(Dword(ReadFile(chosen), 40), 0x464D4520u) << "\".emf\" chooses an enhanced metafile";
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Save As Metafile", kel::PromptKind::FileSave).Reply(IDCANCEL);
        ErrHdlr(0, 0, nullptr);
        EXPECT_FALSE(WGSavePageMeta(page, 1, ""));
        EXPECT_EQ(WGGetLastError(), 0) << "a cancel is silent";
    }
    // A file that cannot be made is reported and nothing is left.
    const std::string nowhere = (folder / "no" / "such.wmf").string();
    EXPECT_FALSE(WGSavePageMeta(page, 1, nowhere.c_str()));
    EXPECT_EQ(WGGetLastError(), 7);
    EXPECT_FALSE(fs::exists(nowhere));
    EXPECT_FALSE(WGSavePageMeta(page, 1, (folder / std::string(300, 's')).string().c_str()));
    EXPECT_EQ(WGGetLastError(), 25);
}

} // namespace
} // namespace plotkit::test
