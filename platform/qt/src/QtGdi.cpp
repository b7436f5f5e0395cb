// The core's pixels, regions and fonts as Qt's, and the pictures behind handles as images.
#include "QtGdi.h"

#include "PainterDevice.h"

#include <cstring>

using namespace kel::gdi;

namespace kel::qt
{

namespace
{

QImage::Format QtFormatOf(PixelFormat format)
{
    return format == PixelFormat::Rgb32 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
}

// A painter the caller keeps open for the DC's life (owner-draw over a widget's painter).
class ExternalPainterDevice : public LivePainterDevice
{
public:
    explicit ExternalPainterDevice(QPainter* painter) : painter_(painter) {}
    SIZE PixelSize() const override
    {
        const QPaintDevice* device = painter_->device();
        return device ? SIZE{device->width(), device->height()} : SIZE{0, 0};
    }

protected:
    QPainter* Live() override { return painter_; }

private:
    QPainter* painter_;
};

} // namespace

QImage ImageOver(Pixmap& pixels)
{
    return QImage(reinterpret_cast<uchar*>(pixels.Bits()), pixels.Width(), pixels.Height(),
                  pixels.Width() * 4, QtFormatOf(pixels.Format()));
}

QImage ImageOf(const Pixmap& pixels)
{
    if (pixels.IsNull())
        return QImage();
    QImage image(pixels.Width(), pixels.Height(), QtFormatOf(pixels.Format()));
    for (int y = 0; y < pixels.Height(); ++y)
        std::memcpy(image.scanLine(y), pixels.Row(y), static_cast<size_t>(pixels.Width()) * 4);
    return image;
}

Pixmap PixmapOf(const QImage& source)
{
    if (source.isNull())
        return Pixmap();
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    Pixmap pixels(image.width(), image.height(),
                  alpha ? PixelFormat::Argb32Premultiplied : PixelFormat::Rgb32);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(pixels.Row(y), image.constScanLine(y), static_cast<size_t>(image.width()) * 4);
    return pixels;
}

QRegion RegionOf(const Region& region)
{
    QRegion out;
    std::vector<QRect> rects;
    rects.reserve(region.RectCount());
    for (const RECT& r : region.Rects())
        rects.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
    out.setRects(rects.data(), static_cast<int>(rects.size()));
    return out;
}

QImage ImageOfBitmap(HBITMAP bitmap)
{
    return ImageOf(PixmapOfBitmap(bitmap));
}

QImage ImageOfIcon(HICON icon, QPoint* hotspot)
{
    POINT hot{0, 0};
    const QImage image = ImageOf(PixmapOfIcon(icon, &hot));
    if (hotspot)
        *hotspot = QPoint(hot.x, hot.y);
    return image;
}

HBITMAP BitmapFromImage(const QImage& image)
{
    return image.isNull() ? nullptr : BitmapFromPixmap(PixmapOf(image.convertToFormat(QImage::Format_RGB32)));
}

std::unique_ptr<Device> CreatePixelDevice()
{
    return std::make_unique<ImageDevice>();
}

HDC CreatePainterDc(QPainter* painter, HWND window)
{
    if (!painter || !painter->isActive())
        return nullptr;
    return CreateDc(std::make_unique<ExternalPainterDevice>(painter), window);
}

} // namespace kel::qt
