// Image lists in a handle table, on the drawing core's pixels so every backend and the class
// library share one list behind one handle. Images come from bitmaps and icons (transparent where
// masked); a handle it cannot read adds a blank image, so indexes stay as the caller counts them.
#include "win32/gdibackend.h"
#include "win32/imagelist.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

using kel::gdi::PixelFormat;
using kel::gdi::Pixmap;

struct _IMAGELIST
{
    int cx = 0, cy = 0;
    UINT flags = 0;
    COLORREF bk = CLR_NONE;
    std::vector<Pixmap> images; // cx x cy, premultiplied
};

namespace
{
std::mutex& Lock()
{
    static std::mutex m;
    return m;
}
// Live lists by handle. Handles are numbers never reused, so a stale one is refused even after
// other lists were made.
std::map<HIMAGELIST, std::unique_ptr<_IMAGELIST>>& Lists()
{
    static std::map<HIMAGELIST, std::unique_ptr<_IMAGELIST>> lists;
    return lists;
}
HIMAGELIST NextHandle()
{
    static uintptr_t next = 0x1000;
    return reinterpret_cast<HIMAGELIST>(next++);
}
_IMAGELIST* Find(HIMAGELIST h)
{
    auto it = Lists().find(h);
    return it == Lists().end() ? nullptr : it->second.get();
}
Pixmap Blank(const _IMAGELIST& l)
{
    return Pixmap(l.cx, l.cy, PixelFormat::Argb32Premultiplied);
}

// The strip's cx-wide images (at least one), transparent where the mask is white or the pixel has
// the mask colour; an unreadable bitmap gives one blank so indexes stay as the caller counts them.
std::vector<Pixmap> Cut(const _IMAGELIST& l, const Pixmap& strip, const Pixmap& mask, COLORREF maskColour)
{
    if (strip.IsNull())
        return {Blank(l)};
    std::vector<Pixmap> images;
    const uint32_t key = kel::gdi::ArgbOf(maskColour) & 0xFFFFFF;
    const int count = std::max(1, strip.Width() / l.cx);
    for (int n = 0; n < count; ++n)
    {
        Pixmap img = Blank(l);
        for (int y = 0; y < l.cy && y < strip.Height(); ++y)
            for (int x = 0; x < l.cx && n * l.cx + x < strip.Width(); ++x)
            {
                const int sx = n * l.cx + x;
                const uint32_t c = strip.Pixel(sx, y);
                bool clear = maskColour != CLR_NONE && (c & 0xFFFFFF) == key;
                if (mask.Contains(sx, y))
                    clear = clear || kel::gdi::GrayOf(mask.Pixel(sx, y)) > 127;
                img.SetPixel(x, y, clear ? 0 : (c | 0xFF000000));
            }
        images.push_back(std::move(img));
    }
    return images;
}

// Puts the bitmap's images at index i (-1: appends them all; else replaces image i with the first).
// Returns the first index used, -1 for a bad list, bitmap or index.
int PutStrip(HIMAGELIST himl, int i, HBITMAP bitmap, HBITMAP mask, COLORREF maskColour)
{
    if (!bitmap)
        return -1;
    const Pixmap strip = kel::gdi::PixmapOfBitmap(bitmap);
    const Pixmap maskImage = mask ? kel::gdi::PixmapOfBitmap(mask) : Pixmap();
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    if (!l || i < -1 || i >= static_cast<int>(l->images.size()))
        return -1;
    std::vector<Pixmap> images = Cut(*l, strip, maskImage, maskColour);
    if (i >= 0)
    {
        l->images[static_cast<size_t>(i)] = std::move(images.front());
        return i;
    }
    const int first = static_cast<int>(l->images.size());
    for (Pixmap& img : images)
        l->images.push_back(std::move(img));
    return first;
}
} // namespace

namespace kel::gdi
{
Pixmap ImageListPixmap(HIMAGELIST list, int index)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(list);
    return l && index >= 0 && index < static_cast<int>(l->images.size())
               ? l->images[static_cast<size_t>(index)]
               : Pixmap();
}
} // namespace kel::gdi

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int)
{
    if (cx <= 0 || cy <= 0)
        return nullptr;
    auto l = std::make_unique<_IMAGELIST>();
    l->cx = cx;
    l->cy = cy;
    l->flags = flags;
    std::lock_guard<std::mutex> lk(Lock());
    const HIMAGELIST h = NextHandle();
    Lists()[h] = std::move(l);
    return h;
}

BOOL ImageList_Destroy(HIMAGELIST himl)
{
    std::lock_guard<std::mutex> lk(Lock());
    return Lists().erase(himl) ? TRUE : FALSE;
}

int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask)
{
    return PutStrip(himl, -1, hbmImage, hbmMask, CLR_NONE);
}

BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP hbmImage, HBITMAP hbmMask)
{
    return i >= 0 && PutStrip(himl, i, hbmImage, hbmMask, CLR_NONE) == i;
}

int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask)
{
    return PutStrip(himl, -1, hbmImage, nullptr, crMask);
}

int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon)
{
    const Pixmap icon = hicon ? kel::gdi::PixmapOfIcon(hicon) : Pixmap();
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    if (!l || !hicon || i < -1 || i >= static_cast<int>(l->images.size()))
        return -1;
    Pixmap img = icon.IsNull() ? Blank(*l) : icon.Scaled(l->cx, l->cy);
    if (i == -1)
    {
        l->images.push_back(std::move(img));
        return static_cast<int>(l->images.size()) - 1;
    }
    l->images[static_cast<size_t>(i)] = std::move(img);
    return i;
}

BOOL ImageList_Remove(HIMAGELIST himl, int i)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    if (!l || i < -1 || i >= static_cast<int>(l->images.size()))
        return FALSE;
    if (i == -1)
        l->images.clear();
    else
        l->images.erase(l->images.begin() + i);
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST himl)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    return l ? static_cast<int>(l->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    if (!l)
        return FALSE;
    if (cx)
        *cx = l->cx;
    if (cy)
        *cy = l->cy;
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle)
{
    Pixmap image;
    COLORREF bk;
    {
        std::lock_guard<std::mutex> lk(Lock());
        _IMAGELIST* l = Find(himl);
        if (!l || i < 0 || i >= static_cast<int>(l->images.size()))
            return FALSE;
        image = l->images[static_cast<size_t>(i)];
        bk = l->bk;
    }
    return kel::gdi::DrawPixmapAt(hdcDst, x, y, image,
                                  (fStyle & ILD_TRANSPARENT) ? CLR_NONE : bk);
}

COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    if (!l)
        return CLR_NONE;
    const COLORREF old = l->bk;
    l->bk = clrBk;
    return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST himl)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    return l ? l->bk : CLR_NONE;
}
