// A graph full of shapes for the drawing, printing and metafile tests, and small BMP files.
#pragma once

#include "PlotkitFixture.h"

#include "testkit/Image.h"
#include "testkit/TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plotkit::test
{

// Colours of the scene (fills are RGB, frames palette indices).
inline constexpr COLORREF kSceneBackground = RGB(255, 255, 255);
inline constexpr COLORREF kRectFill = RGB(255, 0, 0);
inline constexpr COLORREF kEllipseFill = RGB(0, 160, 0);
inline constexpr COLORREF kPolygonFill = RGB(255, 200, 0);
inline constexpr COLORREF kPieFill = RGB(200, 0, 200);
inline constexpr int kFrameBlue = 9; // RGB(0, 0, 255)

// Builds the scene on a graph being built: a white background, a framed rectangle, an ellipse,
// a line, an arrow, a triangle, a pie sector and an arc, each in its own part of the graph (see the
// source for the places). `bitmap`, when given, is shown stretched in the lower right part.
void BuildShapeScene(GrDesc* graph, HDC dc, const std::string& bitmap = "");

// The bytes of a BMP file: 24-bit when colours is empty, else 8-bit with that colour table (the
// colours-used field left 0 when zeroColorsUsed). Pixels are given top row first, one COLORREF
// (24-bit) or palette index (8-bit) each.
std::vector<uint8_t> BmpBytes(int width, int height, const std::vector<uint32_t>& pixels,
                              const std::vector<COLORREF>& colors = {}, bool zeroColorsUsed = false);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// Pages of shapes: error messages only recorded, a temporary folder, painting and pictures.
class ShapePageTest : public PlotkitTest
{
protected:
    void SetUp() override;

    // A 640 x 480 page (anisotropic) with one graph covering it, built by `build`, painted.
    GrDesc* PaintedGraph(std::function<void(GrDesc*, HWND)> build, const char* name = "shapes");
    void Paint(GrDesc* graph);
    // What the page shows; KEL_KEEP_SCREENSHOTS=<folder> keeps it as <name>.png.
    kel::testkit::Image Shot(const char* name, PgDesc* which = nullptr);
    static void Keep(const kel::testkit::Image& image, const char* name);

    PgDesc* page = nullptr;
    kel::testkit::TempDir folder{"kel-shapes-"};
};

// Device pixel of a normalised point of a 640 x 480 graph.
POINT At(float x, float y);

} // namespace plotkit::test
