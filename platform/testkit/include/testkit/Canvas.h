// A canvas for drawing tests: a memory DC over a 32-bit bitmap of a given size, filled with a
// colour, whose pixels the test then probes. The pixels are read from the bitmap's own bits, so
// the canvas itself needs no window system (what draws on it is the installed backend's device).
#pragma once

#include "testkit/Image.h"
#include "win32/gdi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kel::testkit
{

class Canvas
{
public:
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The pixel at (x, y) as a COLORREF; CLR_INVALID outside.
    COLORREF At(int x, int y) const;
    // How many pixels have the colour.
    int Count(COLORREF color) const;
    // All pixels, opaque.
    Image Pixels() const;
    // Rows of '#' (pixels of colour `ink`) and '.' (any other colour) over w x h pixels from (x0, y0).
    std::vector<std::string> Rows(int x0, int y0, int w, int h, COLORREF ink = RGB(0, 0, 0)) const;
    // The smallest rectangle (right and bottom exclusive) holding every pixel that is not `background`;
    // all zero when there is none.
    RECT InkBounds(COLORREF background = RGB(255, 255, 255)) const;

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

} // namespace kel::testkit
