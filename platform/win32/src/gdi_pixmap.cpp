// Pixmaps and the BMP/DIB codecs. Every size in a header is checked against the bytes there are
// before a row is read, in 64 bits, so no header can make the decoder read past its input.
#include "win32/gdipixmap.h"

#include "gdi_internal.h"

#include <algorithm>
#include <cstring>

namespace kel::gdi
{

namespace
{

// The largest picture a header may describe; bigger ones are refused rather than allocated.
constexpr int64_t kMaxDecodedPixels = int64_t(1) << 28;

constexpr uint32_t Rgb(int r, int g, int b)
{
    return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

bool SizeOk(int64_t w, int64_t h)
{
    return w > 0 && h > 0 && w * h <= kMaxDecodedPixels;
}

// Decodes DIB rows. `bitsSize` bounds what may be read from `bits`.
Pixmap DecodeDib(const BITMAPINFOHEADER& h, const RGBQUAD* colours, int colourCount, const uint8_t* bits,
                 size_t bitsSize)
{
    const int width = h.biWidth;
    const int bpp = h.biBitCount;
    if (!bits || !SizeOk(width, Rows(h)) ||
        (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32))
        return Pixmap();
    const int height = static_cast<int>(Rows(h));
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
        return Pixmap();
    const size_t stride = static_cast<size_t>(DibStride(width, bpp));
    if (stride * static_cast<size_t>(height) > bitsSize)
        return Pixmap();
    if (bpp <= 8 && colourCount <= 0)
        return Pixmap();
    Pixmap image(width, height);
    for (int y = 0; y < height; ++y)
    {
        const uint8_t* row = bits + stride * static_cast<size_t>(h.biHeight > 0 ? height - 1 - y : y);
        uint32_t* out = image.Row(y);
        for (int x = 0; x < width; ++x)
        {
            int index = -1;
            switch (bpp)
            {
            case 1:
                index = (row[x / 8] >> (7 - x % 8)) & 1;
                break;
            case 4:
                index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
                break;
            case 8:
                index = row[x];
                break;
            case 16:
            {
                const uint16_t v = ReadLe<uint16_t>(row + 2 * x);
                // 5-5-5 (5-6-5 when the masks say so)
                const bool r565 = h.biCompression == BI_BITFIELDS;
                const int r = r565 ? (v >> 11) & 31 : (v >> 10) & 31;
                const int g = r565 ? ((v >> 5) & 63) * 255 / 63 : ((v >> 5) & 31) * 255 / 31;
                out[x] = Rgb(r * 255 / 31, g, (v & 31) * 255 / 31);
                continue;
            }
            case 24:
                out[x] = Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                continue;
            default:
                out[x] = Rgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                continue;
            }
            const RGBQUAD c = index < colourCount ? colours[index] : RGBQUAD{0, 0, 0, 0};
            out[x] = Rgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
        }
    }
    return image;
}

// A packed DIB (header, colours or masks, bits) of `size` bytes.
Pixmap DecodePackedDib(const uint8_t* data, size_t size, size_t bitsOffset)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return Pixmap();
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size)
        return Pixmap();
    const int colours = ColourCount(h);
    const size_t tableOffset = h.biSize + (h.biCompression == BI_BITFIELDS && h.biSize == 40 ? 12 : 0);
    if (tableOffset + static_cast<size_t>(colours) * sizeof(RGBQUAD) > size)
        return Pixmap();
    std::vector<RGBQUAD> table(static_cast<size_t>(colours));
    if (colours)
        std::memcpy(table.data(), data + tableOffset, table.size() * sizeof(RGBQUAD));
    if (bitsOffset == 0)
        bitsOffset = tableOffset + table.size() * sizeof(RGBQUAD);
    if (bitsOffset > size)
        return Pixmap();
    return DecodeDib(h, table.data(), colours, data + bitsOffset, size - bitsOffset);
}

} // namespace

Pixmap::Pixmap(int width, int height, PixelFormat format) : format_(format)
{
    if (width <= 0 || height <= 0)
        return;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height),
                   format == PixelFormat::Rgb32 ? 0xFF000000u : 0u);
}

void Pixmap::Fill(uint32_t argb)
{
    std::fill(pixels_.begin(), pixels_.end(), argb);
}

Pixmap Pixmap::Copy(const RECT& rect) const
{
    Pixmap out(rect.right - rect.left, rect.bottom - rect.top, format_);
    out.Fill(0);
    const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, width_);
    for (int y = std::max<int>(rect.top, 0); y < std::min<int>(rect.bottom, height_) && left < right; ++y)
        std::copy(Row(y) + left, Row(y) + right, out.Row(y - rect.top) + (left - rect.left));
    return out;
}

Pixmap Pixmap::Scaled(int width, int height) const
{
    if (width == width_ && height == height_)
        return *this;
    Pixmap out(width, height, format_);
    if (out.IsNull() || IsNull())
        return out;
    // Each target pixel takes the source pixel under its centre.
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[static_cast<size_t>(x)] =
            static_cast<int>((int64_t(2 * x + 1) * width_) / (2 * int64_t(width)));
    for (int y = 0; y < height; ++y)
    {
        const uint32_t* in = Row(static_cast<int>((int64_t(2 * y + 1) * height_) / (2 * int64_t(height))));
        uint32_t* row = out.Row(y);
        for (int x = 0; x < width; ++x)
            row[x] = in[columns[static_cast<size_t>(x)]];
    }
    return out;
}

Pixmap Pixmap::Mirrored(bool horizontally, bool vertically) const
{
    Pixmap out = *this;
    for (int y = 0; y < height_; ++y)
    {
        const uint32_t* in = Row(vertically ? height_ - 1 - y : y);
        uint32_t* row = out.Row(y);
        if (horizontally)
            std::reverse_copy(in, in + width_, row);
        else
            std::copy(in, in + width_, row);
    }
    return out;
}

Pixmap PixmapFromDib(const BITMAPINFO* info, const void* bits)
{
    if (!info || !bits || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return Pixmap();
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (!SizeOk(h.biWidth, Rows(h)))
        return Pixmap();
    const size_t size =
        static_cast<size_t>(DibStride(h.biWidth, h.biBitCount)) * static_cast<size_t>(Rows(h));
    return DecodeDib(h, info->bmiColors, ColourCount(h), static_cast<const uint8_t*>(bits), size);
}

Pixmap PixmapFromBmp(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size < 2)
        return Pixmap();
    if (bytes[0] == 'B' && bytes[1] == 'M')
    {
        if (size < 14 + sizeof(BITMAPINFOHEADER))
            return Pixmap();
        const uint32_t offBits = ReadLe<uint32_t>(bytes + 10);
        if (offBits < 14 || offBits > size)
            return Pixmap();
        return DecodePackedDib(bytes + 14, size - 14, offBits - 14);
    }
    return DecodePackedDib(bytes, size, 0);
}

std::vector<uint8_t> BmpFromPixmap(const Pixmap& image)
{
    const int stride = static_cast<int>(DibStride(image.Width(), 24));
    const uint32_t bitsSize = static_cast<uint32_t>(stride) * static_cast<uint32_t>(image.Height());
    std::vector<uint8_t> out(14 + 40 + bitsSize, 0);
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&out[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(image.Width()));
    put32(22, static_cast<uint32_t>(image.Height()));
    put16(26, 1);
    put16(28, 24);
    put32(34, bitsSize);
    put32(38, 3780); // 96 dpi in pixels per metre
    put32(42, 3780);
    for (int y = 0; y < image.Height(); ++y)
    {
        const uint32_t* in = image.Row(image.Height() - 1 - y);
        uint8_t* row = &out[54 + static_cast<size_t>(y) * static_cast<size_t>(stride)];
        for (int x = 0; x < image.Width(); ++x)
        {
            row[3 * x] = static_cast<uint8_t>(in[x]);
            row[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
        }
    }
    return out;
}

} // namespace kel::gdi
