#include "ShapeScene.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace plotkit::test
{

void BuildShapeScene(GrDesc* graph, HDC dc, const std::string& bitmap)
{
    WGRectangleNorm(graph, dc, 0, 0, 1, 1, -1, 0, 1, kSceneBackground);
    // Upper row: rectangle, ellipse, line.
    WGRectangleNorm(graph, dc, 0.05f, 0.05f, 0.25f, 0.25f, kFrameBlue, 2, 1, kRectFill);
    WGEllipseNorm(graph, dc, 0.30f, 0.05f, 0.50f, 0.25f, -1, 0, 1, kEllipseFill);
    WGLineNorm(graph, dc, 0.55f, 0.15f, 0.95f, 0.15f);
    // Middle row: an arrow with a filled head at its end, a triangle.
    WGArrowNorm(graph, dc, 0.05f, 0.40f, 0.45f, 0.40f, 12, 16, 0, 1, 1);
    const float xs[3] = {0.55f, 0.95f, 0.75f}, ys[3] = {0.35f, 0.35f, 0.55f};
    WGPolygonNorm(graph, dc, xs, ys, 3, -1, 0, 1, kPolygonFill);
    // Lower row: the upper right quarter of a disc, a whole ellipse outline, the bitmap.
    WGPieNorm(graph, dc, 0.05f, 0.60f, 0.35f, 0.95f, 0.35f, 0.775f, 0.20f, 0.60f, -1, 0, 1, kPieFill);
    WGArcNorm(graph, dc, 0.40f, 0.60f, 0.60f, 0.95f, 0.60f, 0.775f, 0.60f, 0.775f);
    if (!bitmap.empty())
        WGBitmapNorm(graph, dc, 0.65f, 0.65f, 0.95f, 0.95f, 1, bitmap.c_str());
}

std::vector<uint8_t> BmpBytes(int width, int height, const std::vector<uint32_t>& pixels,
                              const std::vector<COLORREF>& colors, bool zeroColorsUsed)
{
    const int bpp = colors.empty() ? 24 : 8;
    const int stride = (bpp * width + 31) / 32 * 4;
    const uint32_t tableSize = static_cast<uint32_t>(colors.size()) * 4;
    const uint32_t offset = 14 + 40 + tableSize;
    const uint32_t imageSize = static_cast<uint32_t>(stride * height);
    std::vector<uint8_t> b;
    auto u16 = [&b](uint32_t v)
    {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    u16(0x4D42);
    u32(offset + imageSize);
    u32(0);
    u32(offset);
    u32(40);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(height));
    u16(1);
    u16(static_cast<uint32_t>(bpp));
    u32(0);
    u32(imageSize);
    u32(2835);
    u32(2835);
    u32(zeroColorsUsed ? 0 : static_cast<uint32_t>(colors.size()));
    u32(0);
    for (COLORREF c : colors)
    {
        b.push_back(GetBValue(c));
        b.push_back(GetGValue(c));
        b.push_back(GetRValue(c));
        b.push_back(0);
    }
    for (int row = height - 1; row >= 0; --row) // bottom-up
    {
        size_t start = b.size();
        for (int x = 0; x < width; ++x)
        {
            const uint32_t p = pixels[static_cast<size_t>(row * width + x)];
            if (bpp == 8)
                b.push_back(static_cast<uint8_t>(p));
            else
            {
                b.push_back(GetBValue(p));
                b.push_back(GetGValue(p));
                b.push_back(GetRValue(p));
            }
        }
        while (b.size() - start < static_cast<size_t>(stride))
            b.push_back(0);
    }
    return b;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ShapePageTest::SetUp()
{
    PlotkitTest::SetUp();
    WGEnableErrorMessages(FALSE); // messages up to 47 are then only recorded
}

GrDesc* ShapePageTest::PaintedGraph(std::function<void(GrDesc*, HWND)> build, const char* name)
{
    page = MakePage(name, 8);
    EXPECT_NE(page, nullptr);
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1, std::move(build));
    EXPECT_NE(graph, nullptr);
    Paint(graph);
    return graph;
}

void ShapePageTest::Paint(GrDesc* graph)
{
    InvalidateRect(graph->window, nullptr, TRUE);
    UpdateWindow(graph->window);
    Pump(20);
}

kel::testkit::Image ShapePageTest::Shot(const char* name, PgDesc* which)
{
    kel::testkit::Image image = kel::testkit::CaptureWindow((which ? which : page)->window);
    Keep(image, name);
    return image;
}

void ShapePageTest::Keep(const kel::testkit::Image& image, const char* name)
{
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(image, std::string(keep) + "/" + name + ".png");
}

POINT At(float x, float y)
{
    return POINT{static_cast<LONG>(x * 640), static_cast<LONG>(y * 480)};
}

} // namespace plotkit::test
