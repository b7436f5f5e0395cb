// Image lists in a handle table. Images come from the drawing side's bitmaps and icons (transparent
// where masked); a handle it cannot read adds a blank image, so indexes stay as the caller counts
// them.
#include "../src/QtGdi.h"
#include "Control.h"
#include "win32/imagelist.h"

#include <QtGui/QPainter>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

struct _IMAGELIST
{
    int cx = 0, cy = 0;
    UINT flags = 0;
    COLORREF bk = CLR_NONE;
    std::vector<QImage> images;
};

namespace kel::qt::controls
{
namespace
{
std::mutex& Lock()
{
    static std::mutex m;
    return m;
}
std::map<HIMAGELIST, std::unique_ptr<_IMAGELIST>>& Lists()
{
    static std::map<HIMAGELIST, std::unique_ptr<_IMAGELIST>> lists;
    return lists;
}
_IMAGELIST* Find(HIMAGELIST h)
{
    auto it = Lists().find(h);
    return it == Lists().end() ? nullptr : it->second.get();
}
QImage Blank(const _IMAGELIST& l)
{
    QImage img(l.cx, l.cy, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}
} // namespace

// The pixels of image i (null when none); list views draw them.
QImage ImageListImage(HIMAGELIST list, int index)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(list);
    return l && index >= 0 && index < static_cast<int>(l->images.size())
               ? l->images[static_cast<size_t>(index)]
               : QImage();
}

// Appends a picture (tests and the drawing side); returns its index, -1 for a bad list.
int ImageListAddImage(HIMAGELIST list, const QImage& image)
{
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(list);
    if (!l)
        return -1;
    l->images.push_back(image.scaled(l->cx, l->cy).convertToFormat(QImage::Format_ARGB32));
    return static_cast<int>(l->images.size()) - 1;
}

} // namespace kel::qt::controls

using namespace kel::qt::controls;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int)
{
    if (cx <= 0 || cy <= 0)
        return nullptr;
    auto l = std::make_unique<_IMAGELIST>();
    l->cx = cx;
    l->cy = cy;
    l->flags = flags;
    HIMAGELIST h = l.get();
    std::lock_guard<std::mutex> lk(Lock());
    Lists()[h] = std::move(l);
    return h;
}

BOOL ImageList_Destroy(HIMAGELIST himl)
{
    std::lock_guard<std::mutex> lk(Lock());
    return Lists().erase(himl) ? TRUE : FALSE;
}

namespace
{
// Appends the strip's cx-wide images (at least one), transparent where the mask is white or the
// pixel has the mask colour; an unreadable bitmap adds one blank so indexes stay as the caller
// counts them. Returns the first new index, -1 for a bad list.
int AddStrip(HIMAGELIST himl, HBITMAP bitmap, HBITMAP mask, COLORREF maskColour)
{
    if (!bitmap)
        return -1;
    const QImage strip = kel::qt::ImageOfBitmap(bitmap).convertToFormat(QImage::Format_ARGB32);
    const QImage maskImage = mask ? kel::qt::ImageOfBitmap(mask) : QImage();
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    if (!l)
        return -1;
    const int first = static_cast<int>(l->images.size());
    if (strip.isNull())
    {
        l->images.push_back(Blank(*l));
        return first;
    }
    const QRgb key = qRgb(GetRValue(maskColour), GetGValue(maskColour), GetBValue(maskColour));
    const int count = std::max(1, strip.width() / l->cx);
    for (int n = 0; n < count; ++n)
    {
        QImage img = Blank(*l);
        for (int y = 0; y < l->cy && y < strip.height(); ++y)
            for (int x = 0; x < l->cx && n * l->cx + x < strip.width(); ++x)
            {
                const int sx = n * l->cx + x;
                const QRgb c = strip.pixel(sx, y);
                bool clear = maskColour != CLR_NONE && (c & 0xFFFFFF) == (key & 0xFFFFFF);
                if (!maskImage.isNull() && sx < maskImage.width() && y < maskImage.height())
                    clear = clear || qGray(maskImage.pixel(sx, y)) > 127;
                img.setPixel(x, y, clear ? 0 : (c | 0xFF000000));
            }
        l->images.push_back(img);
    }
    return first;
}
} // namespace

int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask)
{
    return AddStrip(himl, hbmImage, hbmMask, CLR_NONE);
}

int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask)
{
    return AddStrip(himl, hbmImage, nullptr, crMask);
}

int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon)
{
    const QImage icon = kel::qt::ImageOfIcon(hicon);
    std::lock_guard<std::mutex> lk(Lock());
    _IMAGELIST* l = Find(himl);
    if (!l || !hicon || i < -1 || i >= static_cast<int>(l->images.size()))
        return -1;
    const QImage img = icon.isNull()
                           ? Blank(*l)
                           : icon.scaled(l->cx, l->cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
    if (i == -1)
    {
        l->images.push_back(img);
        return static_cast<int>(l->images.size()) - 1;
    }
    l->images[static_cast<size_t>(i)] = img;
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
    QImage image;
    COLORREF bk;
    {
        std::lock_guard<std::mutex> lk(Lock());
        _IMAGELIST* l = Find(himl);
        if (!l || i < 0 || i >= static_cast<int>(l->images.size()))
            return FALSE;
        image = l->images[static_cast<size_t>(i)];
        bk = l->bk;
    }
    return kel::gdi::DrawPixmapAt(hdcDst, x, y, kel::qt::PixmapOf(image),
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
