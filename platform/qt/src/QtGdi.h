// The Qt side of drawing: the backend's devices and factory for the drawing core
// (win32/gdidevice.h), and the conversions between the core's pixels, regions and fonts and Qt's.
//
// A pixel DC's device draws with one QPainter, opened on the first call and kept open across calls
// (a painter per primitive costs more than most primitives). Only one painter may be open on a paint
// device; the core lets one device hold a pixmap at a time and tells the others to let go
// (Device::Release), and Qt code that paints on a DC's pixels itself goes through DrawPixmapAt.
#pragma once

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QRegion>

#include "win32/gdibackend.h"
#include "win32/gdidevice.h"

#include <memory>

class QPainter;

namespace kel::qt
{

inline QColor ColorOf(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// A QImage over a pixmap's own pixels (no copy): valid while the pixmap keeps its buffer.
QImage ImageOver(kel::gdi::Pixmap& pixels);
// Copies between the core's pixels and Qt's images (Rgb32 as RGB32, premultiplied as premultiplied).
QImage ImageOf(const kel::gdi::Pixmap& pixels);
kel::gdi::Pixmap PixmapOf(const QImage& image);
QRegion RegionOf(const kel::gdi::Region& region);

// Pictures behind handles, as Qt images: a bitmap's pixels (RGB32), an icon's or cursor's
// (premultiplied; `hotspot` may be null). Null images for bad handles.
QImage ImageOfBitmap(HBITMAP bitmap);
QImage ImageOfIcon(HICON icon, QPoint* hotspot = nullptr);
// A 32-bit bitmap of an image; NULL for a null image.
HBITMAP BitmapFromImage(const QImage& image);

// The QFont a LOGFONT maps to (faces mapped to installed metric-compatible fonts).
QFont FontFromLog(const LOGFONT& lf);
// What the backend made of a core font: the QFont and its metrics, made once per font.
struct QtFont : kel::gdi::FontRealization
{
    explicit QtFont(const LOGFONT& lf);
    QFont font;
    QFontMetrics metrics;
    kel::gdi::FontMetrics gdiMetrics;
};
const QtFont& Realized(const kel::gdi::Font& font);

// A device drawing on pixmaps, for DCs of the backend's own (owner-drawn items).
std::unique_ptr<kel::gdi::Device> CreatePixelDevice();
// A DC drawing through a painter the caller keeps open for the DC's life; `window` is the window
// it draws for (may be NULL). NULL for an inactive painter.
HDC CreatePainterDc(QPainter* painter, HWND window);

} // namespace kel::qt
