#include "win32qt/ReferenceDrawing.h"

#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPolygon>

namespace kel::qt
{

void DrawReferencePolyline(const POINT* points, int count, int width, int height, COLORREF color)
{
    QPolygon polyline;
    polyline.reserve(count);
    for (int i = 0; i < count; ++i)
        polyline << QPoint(points[i].x, points[i].y);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPen pen(QColor(GetRValue(color), GetGValue(color), GetBValue(color)), 1);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawPolyline(polyline);
}

bool SavePixelsAsPng(const uint32_t* pixels, int width, int height, const std::string& path)
{
    const QImage image(reinterpret_cast<const uchar*>(pixels), width, height, width * 4, QImage::Format_RGB32);
    return image.save(QString::fromStdString(path), "PNG");
}

} // namespace kel::qt
