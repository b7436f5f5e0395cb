#include "testkit/Canvas.h"

#include <algorithm>

namespace kel::testkit
{

Canvas::Canvas(int width, int height, COLORREF fill) : width_(width), height_(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    const uint32_t pixel = 0xFF000000u | GetRValue(fill) << 16 | GetGValue(fill) << 8 | GetBValue(fill);
    if (bits_)
        std::fill(bits_, bits_ + static_cast<size_t>(width) * static_cast<size_t>(height), pixel);
}

Canvas::~Canvas()
{
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

COLORREF Canvas::At(int x, int y) const
{
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    GdiFlush();
    const uint32_t p = bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Canvas::Count(COLORREF color) const
{
    int n = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            n += At(x, y) == color;
    return n;
}

Image Canvas::Pixels() const
{
    Image image;
    image.width = width_;
    image.height = height_;
    GdiFlush();
    if (bits_)
        for (size_t i = 0; i < static_cast<size_t>(width_) * static_cast<size_t>(height_); ++i)
            image.pixels.push_back(bits_[i] | 0xFF000000u);
    return image;
}

std::vector<std::string> Canvas::Rows(int x0, int y0, int w, int h, COLORREF ink) const
{
    std::vector<std::string> rows;
    for (int y = y0; y < y0 + h; ++y)
    {
        std::string row;
        for (int x = x0; x < x0 + w; ++x)
            row += At(x, y) == ink ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

RECT Canvas::InkBounds(COLORREF background) const
{
    RECT box{width_, height_, -1, -1};
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (At(x, y) != background)
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
    return box.right < 0 ? RECT{0, 0, 0, 0} : box;
}

} // namespace kel::testkit
