// Fuzz target: bitmap bytes as the drawing core reads them, a BMP file or a packed DIB (resources,
// clipboard, metafile records), and a DIB header with its bits apart (StretchDIBits, DIB sections).
// A bitmap that reads is written as a BMP file and read again: the same pixels, the same bytes.
#include "win32/gdipixmap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using kel::gdi::Pixmap;

namespace
{

void RoundTrip(const Pixmap& image)
{
    const std::vector<uint8_t> bytes = kel::gdi::BmpFromPixmap(image);
    const Pixmap again = kel::gdi::PixmapFromBmp(bytes.data(), bytes.size());
    if (again.Width() != image.Width() || again.Height() != image.Height())
        std::abort();
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if ((again.Pixel(x, y) & 0xFFFFFF) != (image.Pixel(x, y) & 0xFFFFFF))
                std::abort();
    if (kel::gdi::BmpFromPixmap(again) != bytes)
        std::abort();
}

// The header from the input, in room for the largest colour table or the masks, and the bits in a buffer of
// the size the header gives (a caller's duty, which nothing can check).
void ReadSplitDib(const uint8_t* data, size_t size)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return;
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * 4 + 16, 0);
    const size_t headerBytes = std::min(size, info.size());
    std::memcpy(info.data(), data, headerBytes);
    BITMAPINFOHEADER header;
    std::memcpy(&header, info.data(), sizeof header);
    // What callers pass: a plain header and a colour table of at most 256 entries.
    if (header.biSize != sizeof header || header.biClrUsed > 256)
        return;
    const int64_t width = std::abs(int64_t(header.biWidth)), height = std::abs(int64_t(header.biHeight));
    const int64_t stride = (width * header.biBitCount + 31) / 32 * 4;
    // A caller's bits for up to 4 million pixels (the cost of a larger bitmap is the caller's).
    if (stride <= 0 || height == 0 || stride > (int64_t(1) << 24) / height ||
        width > (int64_t(1) << 22) / height)
        return;
    std::vector<uint8_t> bits(static_cast<size_t>(stride * height), 0);
    const size_t rest = size - headerBytes;
    std::memcpy(bits.data(), data + headerBytes, std::min(rest, bits.size()));
    const Pixmap image =
        kel::gdi::PixmapFromDib(reinterpret_cast<const BITMAPINFO*>(info.data()), bits.data());
    if (!image.IsNull() && (image.Width() != width || image.Height() != height))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Pixmap image = kel::gdi::PixmapFromBmp(data, size);
    if (!image.IsNull())
        RoundTrip(image);
    ReadSplitDib(data, size);
    return 0;
}
