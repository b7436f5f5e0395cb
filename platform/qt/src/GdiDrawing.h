// Helpers the drawing calls share: colour and text conversion, brushes, device rectangles and the
// per-call view of a DC's painter.
#pragma once

#include "Gdi.h"

#include <QtCore/QString>
#include <QtGui/QColor>

namespace kel::gdi
{

inline QColor ColorOf(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

inline COLORREF RgbOf(QRgb c)
{
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

// c bytes of cp1252 as a QString.
QString ToQString(LPCSTR text, int length);

QPainter::CompositionMode CompositionOf(int rop2);

// A brush handle or COLOR_* + 1 value as a Qt brush (hatches over the DC's background colour when
// OPAQUE); style NoBrush for a null or bad brush.
QBrush QtBrush(HBRUSH hbr, const DcState& state);

// The device rectangle of a logical one, corners ordered; right and bottom stay exclusive (the
// QRect's right()/bottom() are the last pixels inside).
QRect DeviceRect(const DcState& s, int left, int top, int right, int bottom);

// The font selected into the DC.
QFont CurrentFont(const DeviceContext* dc);

// One drawing call on a DC's shared painter: applies the DC's clip (when changed) and raster
// operation, and reports what was touched when it ends.
class Drawing
{
public:
    explicit Drawing(DeviceContext* dc, bool useRop2 = true);
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    bool Active() const { return p_ != nullptr; }
    QPainter& Painter() { return *p_; }
    // Adds a device rectangle to what this call touched.
    void Touch(const QRect& rect) { bounds_ |= rect; }
    // Narrows the clip for this call only.
    void ClipTo(const QRect& rect);

    // The selected pen in device pixels (R2_BLACK/R2_WHITE force the colour).
    QPen Pen() const;
    bool InsideFrame() const;
    QBrush Brush() const;
    // Pen gaps and hatches show the background colour in OPAQUE mode.
    void PrepareBackground();

private:
    QColor RopColor(COLORREF c) const;

    DeviceContext* dc_;
    QPainter* p_ = nullptr;
    QRect bounds_;
};

} // namespace kel::gdi

// Looks up a DC under the table lock for the rest of the call.
#define KEL_DC(hdc, fail)                                                                                    \
    std::lock_guard kel_dc_lock(kel::gdi::TableLock());                                                      \
    kel::gdi::DeviceContext* dc = kel::gdi::LookupDc(hdc);                                                   \
    if (!dc)                                                                                                 \
        return fail;
