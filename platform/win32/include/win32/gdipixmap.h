// The pixel buffer of the drawing side: bitmaps, window backing images, pattern tiles and the
// pictures of icons are Pixmaps, and a backend draws on one in place (the Qt backend wraps it in a
// QImage without copying). 32-bit pixels 0xAARRGGBB, rows top first, no padding between rows: the
// layout of a top-down 32-bit DIB. Also the BMP and DIB codecs every reader and writer of bitmap
// bytes shares. For backends and tests; the system's code uses HBITMAP.
#pragma once

#include "win32/gdi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kel::gdi
{

enum class PixelFormat : uint8_t
{
    Rgb32,               // alpha is 0xFF (what callers write through a DIB section may differ)
    Argb32Premultiplied, // colours already multiplied by alpha (icons, hatch tiles with see-through gaps)
};

class Pixmap
{
public:
    Pixmap() = default;
    // Opaque black (Rgb32) or transparent pixels; a null pixmap for sides <= 0.
    Pixmap(int width, int height, PixelFormat format = PixelFormat::Rgb32);

    bool IsNull() const { return width_ <= 0 || height_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Pixels per row (the rows have no padding).
    int Stride() const { return width_; }
    PixelFormat Format() const { return format_; }
    RECT Rect() const { return RECT{0, 0, width_, height_}; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    uint32_t* Bits() { return pixels_.data(); }
    const uint32_t* Bits() const { return pixels_.data(); }
    uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    const uint32_t* Row(int y) const
    {
        return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
    }
    // The pixel at (x, y), which must be inside.
    uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
    void SetPixel(int x, int y, uint32_t argb) { Row(y)[x] = argb; }
    void Fill(uint32_t argb);

    // The part inside `rect`; pixels of `rect` outside this pixmap are 0.
    Pixmap Copy(const RECT& rect) const;
    // Scaled to width x height taking the nearest pixel (sides <= 0: a null pixmap).
    Pixmap Scaled(int width, int height) const;
    Pixmap Mirrored(bool horizontally, bool vertically) const;

    bool operator==(const Pixmap& other) const
    {
        return width_ == other.width_ && height_ == other.height_ && format_ == other.format_ &&
               pixels_ == other.pixels_;
    }

private:
    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Rgb32;
    std::vector<uint32_t> pixels_;
};

inline constexpr uint32_t ArgbOf(COLORREF c)
{
    return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

inline constexpr COLORREF ColorRefOf(uint32_t argb)
{
    return RGB(argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF);
}

// The grey level of a pixel (0..255), weighting green most, as monochrome conversions use it.
inline constexpr int GrayOf(uint32_t argb)
{
    return static_cast<int>(((argb >> 16 & 0xFF) * 11 + (argb >> 8 & 0xFF) * 16 + (argb & 0xFF) * 5) / 32);
}

// ---- Bitmap bytes

// A BMP file's bytes (file header first) or a packed DIB (info header first) as Rgb32 pixels; a
// null pixmap when the bytes are not a bitmap this layer reads (compressed, bad sizes, cut short).
Pixmap PixmapFromBmp(const void* data, size_t size);
// A DIB (header + colour table, bits separate; 1/4/8/16/24/32 bits, BI_RGB or BI_BITFIELDS) as
// Rgb32 pixels; null for a format this layer does not read.
Pixmap PixmapFromDib(const BITMAPINFO* info, const void* bits);
// The pixels as 24-bit BMP file bytes.
std::vector<uint8_t> BmpFromPixmap(const Pixmap& pixmap);

} // namespace kel::gdi
