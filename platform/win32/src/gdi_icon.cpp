// Icons and cursors from resources: the handle is the resource entry holding the .ico/.cur file
// bytes. One entry is chosen (the largest, then the deepest) and decoded: PNG entries by the
// backend, DIB entries here (colour part through the DIB reader, 32-bit alpha and the AND mask
// applied here).
#include "gdi_internal.h"

#include "win32/rcdata.h"

#include <cstring>
#include <vector>

namespace kel::gdi
{
namespace
{

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Standard icons and cursors are small placeholder values or entries of the backend's own table,
// never resource entries: only a handle the resource table knows is read.
const kel::rc::Binary* EntryOf(HICON icon)
{
    if (reinterpret_cast<uintptr_t>(icon) < 0x1000000)
        return nullptr;
    auto* b = reinterpret_cast<const kel::rc::Binary*>(icon);
    if (!b->bytes || b->size < 6 + 16 || U16(b->bytes) != 0)
        return nullptr;
    const uint16_t type = U16(b->bytes + 2);
    return type == 1 || type == 2 ? b : nullptr;
}

struct Chosen
{
    const uint8_t* data = nullptr;
    size_t size = 0;
    int hotX = 0, hotY = 0;
};

Chosen ChooseEntry(const kel::rc::Binary& b)
{
    const uint8_t* bytes = b.bytes;
    const size_t count = U16(bytes + 4);
    Chosen best;
    int bestArea = -1, bestDepth = -1;
    for (size_t i = 0; i < count && 6 + (i + 1) * 16 <= b.size; ++i)
    {
        const uint8_t* e = bytes + 6 + i * 16;
        const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        const int depth = U16(e + 6);
        const uint32_t size = U32(e + 8), offset = U32(e + 12);
        if (offset > b.size || size > b.size - offset || size < 8)
            continue;
        if (w * h > bestArea || (w * h == bestArea && depth > bestDepth))
        {
            bestArea = w * h;
            bestDepth = depth;
            best = Chosen{bytes + offset, size, U16(e + 4), U16(e + 6)};
        }
    }
    return best;
}

uint32_t Premultiplied(uint32_t c, uint32_t a)
{
    auto channel = [&](int shift) { return ((c >> shift & 0xFF) * a + 127) / 255; };
    return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

Pixmap DecodeDibEntry(const uint8_t* data, size_t size)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return Pixmap();
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof h || h.biSize > size || h.biWidth <= 0 || h.biWidth > 1024 || h.biHeight <= 0 ||
        h.biHeight > 2048 || h.biCompression > BI_BITFIELDS)
        return Pixmap();
    const int w = h.biWidth, height = h.biHeight / 2; // colour rows, then the AND mask
    const int bpp = h.biBitCount;
    if (height <= 0 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
        return Pixmap();
    size_t colours = h.biClrUsed ? h.biClrUsed : (bpp <= 8 ? (size_t{1} << bpp) : 0);
    if (h.biCompression == BI_BITFIELDS)
        colours = 3;
    const size_t headerSize = h.biSize + colours * 4;
    const size_t xorStride = static_cast<size_t>((w * bpp + 31) / 32) * 4;
    const size_t andStride = static_cast<size_t>((w + 31) / 32) * 4;
    const size_t xorSize = xorStride * static_cast<size_t>(height);
    if (headerSize > size || xorSize > size - headerSize)
        return Pixmap();
    const uint8_t* xorBits = data + headerSize;
    const uint8_t* andBits = xorBits + xorSize;
    const bool hasMask = andStride * static_cast<size_t>(height) <= size - headerSize - xorSize;

    std::vector<uint8_t> info(data, data + headerSize);
    auto* patched = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    patched->biHeight = height;
    patched->biSizeImage = 0;
    const Pixmap colour = PixmapFromDib(reinterpret_cast<const BITMAPINFO*>(info.data()), xorBits);
    if (colour.IsNull())
        return Pixmap();

    bool alpha = false;
    if (bpp == 32)
        for (int y = 0; y < height && !alpha; ++y)
            for (int x = 0; x < w && !alpha; ++x)
                alpha = xorBits[static_cast<size_t>(y) * xorStride + static_cast<size_t>(x) * 4 + 3] != 0;
    Pixmap image(w, height, PixelFormat::Argb32Premultiplied);
    for (int y = 0; y < height; ++y)
    {
        const size_t row = static_cast<size_t>(height - 1 - y); // bottom-up
        for (int x = 0; x < w; ++x)
        {
            uint32_t a = 255;
            if (alpha)
                a = xorBits[row * xorStride + static_cast<size_t>(x) * 4 + 3];
            else if (hasMask && (andBits[row * andStride + static_cast<size_t>(x / 8)] & (0x80 >> (x % 8))))
                a = 0;
            image.SetPixel(x, y, Premultiplied(colour.Pixel(x, y), a));
        }
    }
    return image;
}

} // namespace

Pixmap IconPixmap(HICON icon, POINT* hotspot)
{
    const kel::rc::Binary* b = EntryOf(icon);
    if (!b)
        return Pixmap();
    const Chosen entry = ChooseEntry(*b);
    if (!entry.data)
        return Pixmap();
    if (hotspot)
        *hotspot = U16(b->bytes + 2) == 2 ? POINT{entry.hotX, entry.hotY} : POINT{0, 0};
    static const uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
    if (entry.size >= 4 && std::memcmp(entry.data, kPng, 4) == 0)
    {
        Pixmap image;
        return GetDeviceFactory().DecodePng(entry.data, entry.size, image) ? image : Pixmap();
    }
    return DecodeDibEntry(entry.data, entry.size);
}

} // namespace kel::gdi

BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo)
{
    POINT hotspot{};
    const kel::gdi::Pixmap image = kel::gdi::IconPixmap(hIcon, &hotspot);
    if (!piconinfo || image.IsNull())
        return FALSE;
    const int w = image.Width(), h = image.Height();
    // Monochrome rows are word-aligned; a set bit is white (transparent).
    const int stride = ((w + 15) / 16) * 2;
    std::vector<uint8_t> maskBits(static_cast<size_t>(stride) * static_cast<size_t>(h), 0);
    // The colours over black: premultiplied colours as they are.
    kel::gdi::Pixmap colour(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const uint32_t p = image.Pixel(x, y);
            if ((p >> 24) == 0)
                maskBits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            colour.SetPixel(x, y, 0xFF000000u | p);
        }
    const bool isIcon = kel::gdi::U16(kel::gdi::EntryOf(hIcon)->bytes + 2) == 1;
    piconinfo->fIcon = isIcon;
    piconinfo->xHotspot = static_cast<DWORD>(isIcon ? w / 2 : hotspot.x);
    piconinfo->yHotspot = static_cast<DWORD>(isIcon ? h / 2 : hotspot.y);
    piconinfo->hbmColor = kel::gdi::BitmapFromPixmap(colour);
    piconinfo->hbmMask = CreateBitmap(w, h, 1, 1, maskBits.data());
    return piconinfo->hbmColor && piconinfo->hbmMask;
}
