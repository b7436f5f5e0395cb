// Device contexts: the DC table, the window-image device, state calls and the output calls.
#include <QtGui/QFontInfo>
#include <QtGui/QFontMetrics>
#include <QtGui/QPainter>

#include "Gdi.h"

#include "win32/codepage.h"
#include "win32/user.h"
#include "win32qt/QtBackend.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>

namespace kel::gdi
{

namespace
{

std::map<uintptr_t, std::unique_ptr<DeviceContext>>& Dcs()
{
    static std::map<uintptr_t, std::unique_ptr<DeviceContext>> dcs;
    return dcs;
}

// A window's backing image, looked up at each drawing call so a resize in between is seen.
class WindowDevice : public Device
{
public:
    explicit WindowDevice(HWND hwnd) : hwnd_(hwnd) {}
    QImage* Image() override
    {
        BackingStore* store = BackingFor(hwnd_);
        return store && !store->image.isNull() ? &store->image : nullptr;
    }
    void Touched(const QRect& rect) override
    {
        if (BackingStore* store = static_cast<BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd_)))
            store->dirty += rect;
    }

private:
    HWND hwnd_;
};

// The screen DC (GetDC(NULL)) and DCs without pixels: they measure text but draw nothing.
class NoPixelsDevice : public Device
{
public:
    QImage* Image() override { return nullptr; }
};

QColor ColorOf(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

QString ToQString(LPCSTR text, int length)
{
    if (!text || length <= 0)
        return QString();
    return QString::fromStdString(kel::Cp1252ToUtf8(std::string_view(text, static_cast<size_t>(length))));
}

// Brush handle or COLOR_* + 1 value to a Qt brush; style NoBrush for a null or bad brush.
QBrush QtBrush(HBRUSH hbr, const DcState* state)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(hbr);
    if (value > 0 && value <= COLOR_MENUBAR + 1)
        return QBrush(ColorOf(GetSysColor(static_cast<int>(value - 1))));
    auto* brush = static_cast<BrushObject*>(LookupObject(hbr, OBJ_BRUSH));
    if (!brush)
        return QBrush(Qt::NoBrush);
    switch (brush->log.lbStyle)
    {
    case BS_SOLID:
        return QBrush(ColorOf(brush->log.lbColor));
    case BS_HATCHED:
    {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        (void)state;
        return QBrush(ColorOf(brush->log.lbColor), hatches[brush->log.lbHatch % 6]);
    }
    default:
        return QBrush(Qt::NoBrush);
    }
}

QPainter::CompositionMode CompositionOf(int rop2)
{
    switch (rop2)
    {
    case R2_XORPEN:
        return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTXORPEN:
        return QPainter::RasterOp_NotSourceXorDestination;
    case R2_NOT:
        return QPainter::RasterOp_NotDestination;
    case R2_NOTCOPYPEN:
        return QPainter::RasterOp_NotSource;
    case R2_MERGEPEN:
        return QPainter::RasterOp_SourceOrDestination;
    case R2_MASKPEN:
        return QPainter::RasterOp_SourceAndDestination;
    case R2_NOTMERGEPEN:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_NOTMASKPEN:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_MASKPENNOT:
        return QPainter::RasterOp_SourceAndNotDestination;
    case R2_MASKNOTPEN:
        return QPainter::RasterOp_NotSourceAndDestination;
    case R2_MERGENOTPEN:
        return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT:
        return QPainter::RasterOp_SourceOrNotDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// One drawing call: a painter on the DC's image with its clip and raster operation. Records what
// was touched when it ends.
class Drawing
{
public:
    explicit Drawing(DeviceContext* dc, bool useRop2 = true) : dc_(dc)
    {
        image_ = dc ? dc->device->Image() : nullptr;
        if (!image_ || (useRop2 && dc->state.rop2 == R2_NOP))
            return;
        painter_.begin(image_);
        if (!dc->state.clip.isEmpty())
            painter_.setClipRect(dc->state.clip);
        if (useRop2)
            painter_.setCompositionMode(CompositionOf(dc->state.rop2));
    }
    ~Drawing()
    {
        if (!painter_.isActive())
            return;
        painter_.end();
        QRect touched = bounds_.intersected(image_->rect());
        if (!dc_->state.clip.isEmpty())
            touched &= dc_->state.clip;
        if (!touched.isEmpty())
            dc_->device->Touched(touched);
    }
    bool Active() const { return painter_.isActive(); }
    QPainter& Painter() { return painter_; }
    // Adds a device rectangle to what this call touched.
    void Touch(const QRect& rect) { bounds_ |= rect; }

    // The selected pen as a Qt pen (R2_BLACK/R2_WHITE force the colour).
    QPen Pen() const
    {
        auto* pen = static_cast<PenObject*>(LookupObject(dc_->state.pen, OBJ_PEN));
        if (!pen || pen->log.lopnStyle == PS_NULL)
            return QPen(Qt::NoPen);
        const int width = std::max(1, dc_->state.WidthToDevice(static_cast<int>(pen->log.lopnWidth.x)));
        QPen qpen(RopColor(pen->log.lopnColor), width);
        static const Qt::PenStyle styles[] = {Qt::SolidLine,      Qt::DashLine, Qt::DotLine,  Qt::DashDotLine,
                                              Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
        qpen.setStyle(styles[std::min<UINT>(pen->log.lopnStyle, PS_INSIDEFRAME)]);
        qpen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::FlatCap);
        qpen.setJoinStyle(width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
        return qpen;
    }
    QBrush Brush() const
    {
        QBrush brush = QtBrush(dc_->state.brush, &dc_->state);
        if (brush.style() != Qt::NoBrush && brush.style() == Qt::SolidPattern)
            brush.setColor(RopColor(RgbOf(brush.color())));
        return brush;
    }
    // Hatched brushes fill their gaps with the background colour in OPAQUE mode.
    void PrepareBackground()
    {
        painter_.setBackgroundMode(dc_->state.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
        painter_.setBackground(ColorOf(dc_->state.bkColor));
    }

private:
    static COLORREF RgbOf(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }
    QColor RopColor(COLORREF c) const
    {
        if (dc_->state.rop2 == R2_BLACK)
            return Qt::black;
        if (dc_->state.rop2 == R2_WHITE)
            return Qt::white;
        return ColorOf(c);
    }

    DeviceContext* dc_;
    QImage* image_ = nullptr;
    QPainter painter_;
    QRect bounds_;
};

QRect DeviceRect(const DcState& s, int left, int top, int right, int bottom)
{
    const QPoint a = s.ToDevice(left, top);
    const QPoint b = s.ToDevice(right, bottom);
    // Windows orders the corners; the right and bottom edges stay exclusive.
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
}

// The last pixel a line from a to b draws: lines leave out their end point.
QPoint LineEnd(QPoint a, QPoint b)
{
    const int dx = b.x() - a.x();
    const int dy = b.y() - a.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps <= 1)
        return a;
    return QPoint(a.x() + static_cast<int>(std::lround(dx * double(steps - 1) / steps)),
                  a.y() + static_cast<int>(std::lround(dy * double(steps - 1) / steps)));
}

void DrawSegment(Drawing& d, QPoint a, QPoint b)
{
    if (a == b)
        return;
    const QPoint end = LineEnd(a, b);
    if (end == a)
        d.Painter().drawPoint(a);
    else
        d.Painter().drawLine(a, end);
    const int w = d.Painter().pen().width();
    d.Touch(QRect(a, end).normalized().adjusted(-w, -w, w, w));
}

QFont CurrentFont(const DeviceContext* dc)
{
    if (auto* font = static_cast<FontObject*>(LookupObject(dc->state.font, OBJ_FONT)))
        return font->font;
    return QFont(QStringLiteral("Liberation Sans"));
}

// Draws one line of text with its top-left corner at device point `at`, background first in OPAQUE mode.
void DrawTextLine(DeviceContext* dc, Drawing& d, const QFont& font, QPoint at, const QString& text)
{
    const QFontMetrics fm(font);
    const QRect box(at.x(), at.y(), fm.horizontalAdvance(text), fm.height());
    QPainter& p = d.Painter();
    if (dc->state.bkMode == OPAQUE)
        p.fillRect(box, ColorOf(dc->state.bkColor));
    p.setFont(font);
    p.setPen(ColorOf(dc->state.textColor));
    p.drawText(QPoint(at.x(), at.y() + fm.ascent()), text);
    d.Touch(box);
}

} // namespace

// ---- DC state

QPoint DcState::ToDevice(int x, int y) const
{
    if (mapMode == MM_TEXT)
        return QPoint(x - windowOrg.x + viewportOrg.x, y - windowOrg.y + viewportOrg.y);
    const double sx = windowExt.cx ? double(viewportExt.cx) / windowExt.cx : 1.0;
    const double sy = windowExt.cy ? double(viewportExt.cy) / windowExt.cy : 1.0;
    return QPoint(static_cast<int>(std::lround((x - windowOrg.x) * sx)) + viewportOrg.x,
                  static_cast<int>(std::lround((y - windowOrg.y) * sy)) + viewportOrg.y);
}

QPoint DcState::ToLogical(int x, int y) const
{
    if (mapMode == MM_TEXT)
        return QPoint(x - viewportOrg.x + windowOrg.x, y - viewportOrg.y + windowOrg.y);
    const double sx = viewportExt.cx ? double(windowExt.cx) / viewportExt.cx : 1.0;
    const double sy = viewportExt.cy ? double(windowExt.cy) / viewportExt.cy : 1.0;
    return QPoint(static_cast<int>(std::lround((x - viewportOrg.x) * sx)) + windowOrg.x,
                  static_cast<int>(std::lround((y - viewportOrg.y) * sy)) + windowOrg.y);
}

int DcState::WidthToDevice(int w) const
{
    if (mapMode == MM_TEXT || windowExt.cx == 0)
        return w;
    return static_cast<int>(std::lround(std::abs(double(w) * viewportExt.cx / windowExt.cx)));
}

// ---- DCs

DeviceContext::DeviceContext(std::unique_ptr<Device> dev, HWND window) : device(std::move(dev)), hwnd(window)
{
    Select(static_cast<HPEN>(GetStockObject(BLACK_PEN)), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
           static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
}

DeviceContext::~DeviceContext()
{
    Select(nullptr, nullptr, nullptr);
}

void DeviceContext::Select(HPEN pen, HBRUSH brush, HFONT font)
{
    auto swap = [](HGDIOBJ& slot, HGDIOBJ next)
    {
        if (GdiObject* old = LookupObject(slot))
            --old->selectedCount;
        slot = next;
        if (GdiObject* now = LookupObject(slot))
            ++now->selectedCount;
    };
    HGDIOBJ p = state.pen, b = state.brush, f = state.font;
    swap(p, pen);
    swap(b, brush);
    swap(f, font);
    state.pen = static_cast<HPEN>(p);
    state.brush = static_cast<HBRUSH>(b);
    state.font = static_cast<HFONT>(f);
}

HDC CreateDc(std::unique_ptr<Device> device, HWND hwnd)
{
    static std::atomic<uintptr_t> next{0x20000002};
    std::lock_guard lock(TableLock());
    const uintptr_t h = next.fetch_add(4);
    Dcs()[h] = std::make_unique<DeviceContext>(std::move(device), hwnd);
    return reinterpret_cast<HDC>(h);
}

DeviceContext* LookupDc(HDC hdc)
{
    std::lock_guard lock(TableLock());
    auto it = Dcs().find(reinterpret_cast<uintptr_t>(hdc));
    return it == Dcs().end() ? nullptr : it->second.get();
}

BOOL DestroyDc(HDC hdc)
{
    std::lock_guard lock(TableLock());
    return Dcs().erase(reinterpret_cast<uintptr_t>(hdc)) ? TRUE : FALSE;
}

BackingStore* BackingFor(HWND hwnd)
{
    RECT client{};
    if (!hwnd || !GetClientRect(hwnd, &client))
        return nullptr;
    auto* store = static_cast<BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd));
    if (!store)
    {
        auto created = std::make_unique<BackingStore>();
        store = created.get();
        if (!kel::ui::SetWindowSurfaceData(hwnd, std::move(created)))
            return nullptr;
    }
    const QSize size(std::max(0, int(client.right - client.left)),
                     std::max(0, int(client.bottom - client.top)));
    if (store->image.size() != size)
    {
        // Keep what was drawn; a grown part starts in the window colour until the window repaints it.
        QImage image;
        if (!size.isEmpty())
        {
            image = QImage(size, QImage::Format_RGB32);
            image.fill(ColorOf(GetSysColor(COLOR_WINDOW)));
            if (!store->image.isNull())
            {
                QPainter p(&image);
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(0, 0, store->image);
            }
        }
        store->image = std::move(image);
        store->painted &= QRect(QPoint(0, 0), size);
        store->dirty &= QRect(QPoint(0, 0), size);
    }
    return store;
}

} // namespace kel::gdi

using namespace kel::gdi;

namespace
{

// The window manager's seam: DCs on windows' backing images.
HDC FactoryGetDC(HWND hwnd, kel::ui::DcKind kind, const RECT* clip)
{
    if (!hwnd)
        return CreateDc(std::make_unique<NoPixelsDevice>(), nullptr);
    if (!BackingFor(hwnd))
        return nullptr;
    HDC hdc = CreateDc(std::make_unique<WindowDevice>(hwnd), hwnd);
    if (kind == kel::ui::DcKind::Paint && clip)
        LookupDc(hdc)->state.clip =
            QRect(QPoint(clip->left, clip->top), QPoint(clip->right - 1, clip->bottom - 1));
    return hdc;
}

int FactoryReleaseDC(HWND hwnd, HDC hdc)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    if (!dc || dc->hwnd != hwnd)
        return 0;
    // What was drawn outside a paint shows now, as on a Windows screen DC.
    if (auto* store = static_cast<BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd));
        store && !store->dirty.isEmpty())
    {
        const QRect r = store->dirty.boundingRect();
        const RECT rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        kel::ui::GetDriver().FlushBackingImage(hwnd, kel::ui::GetSurface(hwnd), rect);
    }
    DestroyDc(hdc);
    return 1;
}

HWND FactoryWindowFromDC(HDC hdc)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    return dc ? dc->hwnd : nullptr;
}

// Looks up a DC under the table lock for the rest of the call.
#define KEL_DC(hdc, fail)                                                                                    \
    std::lock_guard lock(TableLock());                                                                       \
    DeviceContext* dc = LookupDc(hdc);                                                                       \
    if (!dc)                                                                                                 \
        return fail;

} // namespace

namespace kel::qt
{

void InstallDrawing()
{
    kel::ui::DcFactory factory;
    factory.getDC = FactoryGetDC;
    factory.releaseDC = FactoryReleaseDC;
    factory.fillRect = ::FillRect;
    factory.windowFromDC = FactoryWindowFromDC;
    kel::ui::SetDcFactory(factory);
}

} // namespace kel::qt

// ---- State

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    KEL_DC(hdc, nullptr);
    GdiObject* object = LookupObject(h);
    if (!object)
        return nullptr;
    DcState& s = dc->state;
    HGDIOBJ previous = nullptr;
    switch (object->type)
    {
    case OBJ_PEN:
        previous = s.pen;
        dc->Select(static_cast<HPEN>(h), s.brush, s.font);
        break;
    case OBJ_BRUSH:
        previous = s.brush;
        dc->Select(s.pen, static_cast<HBRUSH>(h), s.font);
        break;
    case OBJ_FONT:
        previous = s.font;
        dc->Select(s.pen, s.brush, static_cast<HFONT>(h));
        break;
    default:
        return nullptr;
    }
    return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    KEL_DC(hdc, nullptr);
    switch (type)
    {
    case OBJ_PEN:
        return dc->state.pen;
    case OBJ_BRUSH:
        return dc->state.brush;
    case OBJ_FONT:
        return dc->state.font;
    default:
        return nullptr;
    }
}

int SaveDC(HDC hdc)
{
    KEL_DC(hdc, 0);
    dc->saved.push_back(dc->state);
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int nSavedDC)
{
    KEL_DC(hdc, FALSE);
    const int depth = static_cast<int>(dc->saved.size());
    const int target = nSavedDC < 0 ? depth + nSavedDC + 1 : nSavedDC;
    if (target < 1 || target > depth)
        return FALSE;
    DcState restored = dc->saved[static_cast<size_t>(target - 1)];
    dc->saved.resize(static_cast<size_t>(target - 1));
    // Objects deleted meanwhile fall back to the defaults.
    auto live = [](HGDIOBJ h, DWORD type, int stock)
    { return LookupObject(h, type) ? h : GetStockObject(stock); };
    const HPEN pen = static_cast<HPEN>(live(restored.pen, OBJ_PEN, BLACK_PEN));
    const HBRUSH brush = static_cast<HBRUSH>(live(restored.brush, OBJ_BRUSH, WHITE_BRUSH));
    const HFONT font = static_cast<HFONT>(live(restored.font, OBJ_FONT, SYSTEM_FONT));
    restored.pen = dc->state.pen;
    restored.brush = dc->state.brush;
    restored.font = dc->state.font;
    dc->state = restored;
    dc->Select(pen, brush, font);
    return TRUE;
}

#define KEL_DC_SETTER(Name, Type, field, fail)                                                               \
    Type Set##Name(HDC hdc, Type value)                                                                      \
    {                                                                                                        \
        KEL_DC(hdc, fail);                                                                                   \
        const Type old = dc->state.field;                                                                    \
        dc->state.field = value;                                                                             \
        return old;                                                                                          \
    }                                                                                                        \
    Type Get##Name(HDC hdc)                                                                                  \
    {                                                                                                        \
        KEL_DC(hdc, fail);                                                                                   \
        return dc->state.field;                                                                              \
    }

KEL_DC_SETTER(TextColor, COLORREF, textColor, CLR_INVALID)
KEL_DC_SETTER(BkColor, COLORREF, bkColor, CLR_INVALID)

int SetBkMode(HDC hdc, int mode)
{
    KEL_DC(hdc, 0);
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    std::swap(dc->state.bkMode, mode);
    return mode;
}

int GetBkMode(HDC hdc)
{
    KEL_DC(hdc, 0);
    return dc->state.bkMode;
}

int SetROP2(HDC hdc, int rop2)
{
    KEL_DC(hdc, 0);
    if (rop2 < R2_BLACK || rop2 > R2_WHITE)
        return 0;
    std::swap(dc->state.rop2, rop2);
    return rop2;
}

int GetROP2(HDC hdc)
{
    KEL_DC(hdc, 0);
    return dc->state.rop2;
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    KEL_DC(hdc, GDI_ERROR);
    std::swap(dc->state.textAlign, align);
    return align;
}

UINT GetTextAlign(HDC hdc)
{
    KEL_DC(hdc, GDI_ERROR);
    return dc->state.textAlign;
}

int SetMapMode(HDC hdc, int iMode)
{
    KEL_DC(hdc, 0);
    if (iMode < MM_TEXT || iMode > MM_ANISOTROPIC)
        return 0;
    std::swap(dc->state.mapMode, iMode);
    if (dc->state.mapMode == MM_TEXT)
        dc->state.windowExt = dc->state.viewportExt = SIZE{1, 1};
    return iMode;
}

int GetMapMode(HDC hdc)
{
    KEL_DC(hdc, 0);
    return dc->state.mapMode;
}

namespace
{

template <typename T> BOOL SetPair(HDC hdc, T DcState::*field, T value, T* previous, bool extent)
{
    KEL_DC(hdc, FALSE);
    if (previous)
        *previous = dc->state.*field;
    // Extents only count in the scaling modes.
    if (extent && dc->state.mapMode != MM_ISOTROPIC && dc->state.mapMode != MM_ANISOTROPIC)
        return TRUE;
    dc->state.*field = value;
    return TRUE;
}

template <typename T> BOOL GetPair(HDC hdc, T DcState::*field, T* out)
{
    KEL_DC(hdc, FALSE);
    if (!out)
        return FALSE;
    *out = dc->state.*field;
    return TRUE;
}

} // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetPair(hdc, &DcState::windowOrg, POINT{x, y}, lppt, false);
}
BOOL GetWindowOrgEx(HDC hdc, LPPOINT lppoint)
{
    return GetPair(hdc, &DcState::windowOrg, lppoint);
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetPair(hdc, &DcState::viewportOrg, POINT{x, y}, lppt, false);
}
BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppoint)
{
    return GetPair(hdc, &DcState::viewportOrg, lppoint);
}
BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz)
{
    if (x == 0 || y == 0)
        return FALSE;
    return SetPair(hdc, &DcState::windowExt, SIZE{x, y}, lpsz, true);
}
BOOL GetWindowExtEx(HDC hdc, LPSIZE lpsize)
{
    return GetPair(hdc, &DcState::windowExt, lpsize);
}
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz)
{
    if (x == 0 || y == 0)
        return FALSE;
    return SetPair(hdc, &DcState::viewportExt, SIZE{x, y}, lpsz, true);
}
BOOL GetViewportExtEx(HDC hdc, LPSIZE lpsize)
{
    return GetPair(hdc, &DcState::viewportExt, lpsize);
}

BOOL LPtoDP(HDC hdc, LPPOINT lppt, int c)
{
    KEL_DC(hdc, FALSE);
    for (int i = 0; lppt && i < c; ++i)
    {
        const QPoint p = dc->state.ToDevice(lppt[i].x, lppt[i].y);
        lppt[i] = POINT{p.x(), p.y()};
    }
    return lppt != nullptr;
}

BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c)
{
    KEL_DC(hdc, FALSE);
    for (int i = 0; lppt && i < c; ++i)
    {
        const QPoint p = dc->state.ToLogical(lppt[i].x, lppt[i].y);
        lppt[i] = POINT{p.x(), p.y()};
    }
    return lppt != nullptr;
}

int GetDeviceCaps(HDC hdc, int index)
{
    KEL_DC(hdc, 0);
    const int dpi = 96;
    switch (index)
    {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return dc->device->Technology();
    case HORZRES:
        return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES:
        return GetSystemMetrics(SM_CYSCREEN);
    case HORZSIZE:
        return static_cast<int>(std::lround(GetSystemMetrics(SM_CXSCREEN) * 25.4 / dpi));
    case VERTSIZE:
        return static_cast<int>(std::lround(GetSystemMetrics(SM_CYSCREEN) * 25.4 / dpi));
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return dpi;
    case RASTERCAPS:
        return 0x0001 | 0x0008 | 0x0080 | 0x0800; // BitBlt, bitmaps > 64K, DIBs, StretchBlt
    default:
        return 0;
    }
}

// ---- Output

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    KEL_DC(hdc, FALSE);
    if (lppt)
        *lppt = dc->state.current;
    dc->state.current = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    KEL_DC(hdc, FALSE);
    {
        Drawing d(dc);
        if (d.Active())
        {
            d.Painter().setPen(d.Pen());
            DrawSegment(d, dc->state.ToDevice(dc->state.current.x, dc->state.current.y),
                        dc->state.ToDevice(x, y));
        }
    }
    dc->state.current = POINT{x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* apt, int cpt)
{
    KEL_DC(hdc, FALSE);
    if (!apt || cpt < 2)
        return FALSE;
    Drawing d(dc);
    if (d.Active())
    {
        d.Painter().setPen(d.Pen());
        for (int i = 1; i < cpt; ++i)
            DrawSegment(d, dc->state.ToDevice(apt[i - 1].x, apt[i - 1].y),
                        dc->state.ToDevice(apt[i].x, apt[i].y));
    }
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* apt, int cpt)
{
    KEL_DC(hdc, FALSE);
    if (!apt || cpt < 2)
        return FALSE;
    Drawing d(dc);
    if (d.Active())
    {
        QPolygon polygon;
        for (int i = 0; i < cpt; ++i)
            polygon << dc->state.ToDevice(apt[i].x, apt[i].y);
        d.PrepareBackground();
        d.Painter().setPen(d.Pen());
        d.Painter().setBrush(d.Brush());
        d.Painter().drawPolygon(polygon, Qt::OddEvenFill);
        const int w = d.Painter().pen().width();
        d.Touch(polygon.boundingRect().adjusted(-w, -w, w, w));
    }
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    KEL_DC(hdc, FALSE);
    Drawing d(dc);
    if (!d.Active())
        return TRUE;
    const QRect r = DeviceRect(dc->state, left, top, right, bottom);
    if (r.isEmpty())
        return TRUE;
    d.PrepareBackground();
    d.Painter().fillRect(r, d.Brush());
    const QPen pen = d.Pen();
    if (pen.style() != Qt::NoPen)
    {
        d.Painter().setPen(pen);
        d.Painter().setBrush(Qt::NoBrush);
        // A one-pixel outline runs on the rectangle's outermost pixels.
        d.Painter().drawRect(r.adjusted(0, 0, -1, -1));
    }
    const int w = pen.width();
    d.Touch(r.adjusted(-w, -w, w, w));
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    KEL_DC(hdc, FALSE);
    Drawing d(dc);
    if (!d.Active())
        return TRUE;
    const QRect r = DeviceRect(dc->state, left, top, right, bottom);
    if (r.isEmpty())
        return TRUE;
    d.PrepareBackground();
    d.Painter().setPen(d.Pen());
    d.Painter().setBrush(d.Brush());
    d.Painter().drawEllipse(r.adjusted(0, 0, -1, -1));
    const int w = d.Painter().pen().width();
    d.Touch(r.adjusted(-w, -w, w, w));
    return TRUE;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    KEL_DC(hDC, 0);
    if (!lprc)
        return 0;
    const QBrush brush = QtBrush(hbr, &dc->state);
    if (brush.style() == Qt::NoBrush)
        return reinterpret_cast<uintptr_t>(hbr) && LookupObject(hbr, OBJ_BRUSH) ? 1 : 0;
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRect r = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        d.PrepareBackground();
        d.Painter().fillRect(r, brush);
        d.Touch(r);
    }
    return 1;
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    KEL_DC(hDC, 0);
    if (!lprc)
        return 0;
    const QBrush brush = QtBrush(hbr, &dc->state);
    if (brush.style() == Qt::NoBrush)
        return 0;
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRect r = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        if (r.isEmpty())
            return 1;
        QPainter& p = d.Painter();
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), brush);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), brush);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), brush);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), brush);
        d.Touch(r);
    }
    return 1;
}

BOOL InvertRect(HDC hDC, const RECT* lprc)
{
    KEL_DC(hDC, FALSE);
    if (!lprc)
        return FALSE;
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRect r = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        d.Painter().setCompositionMode(QPainter::RasterOp_NotDestination);
        d.Painter().fillRect(r, Qt::black);
        d.Touch(r);
    }
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    KEL_DC(hdc, CLR_INVALID);
    QImage* image = dc->device->Image();
    const QPoint p = dc->state.ToDevice(x, y);
    if (!image || !image->rect().contains(p) || (!dc->state.clip.isEmpty() && !dc->state.clip.contains(p)))
        return CLR_INVALID;
    image->setPixel(p, ColorOf(color).rgb());
    dc->device->Touched(QRect(p, QSize(1, 1)));
    return color;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    KEL_DC(hdc, CLR_INVALID);
    QImage* image = dc->device->Image();
    const QPoint p = dc->state.ToDevice(x, y);
    if (!image || !image->rect().contains(p))
        return CLR_INVALID;
    const QRgb rgb = image->pixel(p);
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// ---- Text

namespace
{

BOOL TextAt(DeviceContext* dc, int x, int y, const QString& text, const RECT* opaque, const RECT* clip)
{
    DcState& s = dc->state;
    const QFont font = CurrentFont(dc);
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(text);
    const bool updateCp = (s.textAlign & TA_UPDATECP) != 0;
    QPoint at = updateCp ? s.ToDevice(s.current.x, s.current.y) : s.ToDevice(x, y);
    switch (s.textAlign & TA_CENTER)
    {
    case TA_RIGHT:
        at.rx() -= width;
        break;
    case TA_CENTER:
        at.rx() -= width / 2;
        break;
    default:
        break;
    }
    switch (s.textAlign & TA_BASELINE)
    {
    case TA_BASELINE:
        at.ry() -= fm.ascent();
        break;
    case TA_BOTTOM:
        at.ry() -= fm.height();
        break;
    default:
        break;
    }
    if (updateCp)
    {
        // The current position moves past the text (left-aligned), stays (centred) or moves back (right).
        const int dir =
            (s.textAlign & TA_CENTER) == TA_RIGHT ? -1 : ((s.textAlign & TA_CENTER) == TA_CENTER ? 0 : 1);
        const QPoint next = s.ToLogical(s.ToDevice(s.current.x, s.current.y).x() + dir * width, 0);
        s.current.x = next.x();
    }
    Drawing d(dc, false);
    if (!d.Active())
        return TRUE;
    if (opaque)
    {
        const QRect r = DeviceRect(s, opaque->left, opaque->top, opaque->right, opaque->bottom);
        d.Painter().fillRect(r, ColorOf(s.bkColor));
        d.Touch(r);
    }
    if (clip)
        d.Painter().setClipRect(DeviceRect(s, clip->left, clip->top, clip->right, clip->bottom),
                                s.clip.isEmpty() ? Qt::ReplaceClip : Qt::IntersectClip);
    DrawTextLine(dc, d, font, at, text);
    return TRUE;
}

} // namespace

BOOL TextOut(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    KEL_DC(hdc, FALSE);
    if (c < 0 || (c > 0 && !lpString))
        return FALSE;
    return TextAt(dc, x, y, ToQString(lpString, c), nullptr, nullptr);
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                const INT* lpDx)
{
    KEL_DC(hdc, FALSE);
    (void)lpDx; // glyphs keep the font's own advances
    if (c > 0 && !lpString)
        return FALSE;
    const RECT* opaque = (options & ETO_OPAQUE) ? lprect : nullptr;
    const RECT* clip = (options & ETO_CLIPPED) ? lprect : nullptr;
    return TextAt(dc, x, y, ToQString(lpString, static_cast<int>(c)), opaque, clip);
}

int DrawText(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    KEL_DC(hdc, 0);
    if (!lprc || (!lpchText && cchText != 0))
        return 0;
    const int length = cchText < 0 ? static_cast<int>(std::strlen(lpchText)) : cchText;
    std::string text(lpchText ? lpchText : "", static_cast<size_t>(length));
    if (!(format & DT_NOPREFIX))
    {
        // "&&" is an ampersand, a single '&' marks the mnemonic and is not shown.
        std::string shown;
        for (size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] == '&' && i + 1 < text.size())
                ++i;
            else if (text[i] == '&')
                continue;
            shown += text[i];
        }
        text = std::move(shown);
    }
    const QFont font = CurrentFont(dc);
    const QFontMetrics fm(font);
    const int lineHeight = fm.height() + ((format & DT_EXTERNALLEADING) ? fm.leading() : 0);
    const QRect box = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);

    // Lines: one with DT_SINGLELINE, else split at line breaks and, with DT_WORDBREAK, wrapped.
    QStringList lines;
    QString all = QString::fromStdString(kel::Cp1252ToUtf8(text));
    if (format & DT_EXPANDTABS)
        all.replace(QLatin1Char('\t'), QStringLiteral("        "));
    if (format & DT_SINGLELINE)
        lines << all;
    else
    {
        all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        for (const QString& paragraph : all.split(QLatin1Char('\n')))
        {
            if (!(format & DT_WORDBREAK))
            {
                lines << paragraph;
                continue;
            }
            QString line;
            for (const QString& word : paragraph.split(QLatin1Char(' ')))
            {
                const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
                if (!line.isEmpty() && fm.horizontalAdvance(candidate) > box.width())
                {
                    lines << line;
                    line = word;
                }
                else
                    line = candidate;
            }
            lines << line;
        }
    }
    if (format & DT_END_ELLIPSIS)
        for (QString& line : lines)
            line = fm.elidedText(line, Qt::ElideRight, box.width());

    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line));
    const int height = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT)
    {
        const QPoint size = dc->state.ToLogical(box.left() + widest, box.top() + height);
        lprc->right = size.x();
        lprc->bottom = size.y();
        return height;
    }

    int top = box.top();
    if (format & DT_SINGLELINE)
    {
        if (format & DT_VCENTER)
            top = box.top() + (box.height() - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = box.top() + box.height() - lineHeight;
    }
    Drawing d(dc, false);
    if (d.Active())
    {
        if (!(format & DT_NOCLIP))
            d.Painter().setClipRect(box, dc->state.clip.isEmpty() ? Qt::ReplaceClip : Qt::IntersectClip);
        int y = top;
        for (const QString& line : lines)
        {
            const int w = fm.horizontalAdvance(line);
            int x = box.left();
            if (format & DT_CENTER)
                x = box.left() + (box.width() - w) / 2;
            else if (format & DT_RIGHT)
                x = box.left() + box.width() - w;
            DrawTextLine(dc, d, font, QPoint(x, y), line);
            y += lineHeight;
        }
    }
    return top - box.top() + height;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    KEL_DC(hdc, FALSE);
    if (!psizl || c < 0 || (c > 0 && !lpString))
        return FALSE;
    const QFontMetrics fm(CurrentFont(dc));
    const QPoint origin = dc->state.ToLogical(0, 0);
    const QPoint extent = dc->state.ToLogical(fm.horizontalAdvance(ToQString(lpString, c)), fm.height());
    psizl->cx = std::abs(extent.x() - origin.x());
    psizl->cy = std::abs(extent.y() - origin.y());
    return TRUE;
}

BOOL GetTextExtentPoint(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    return GetTextExtentPoint32(hdc, lpString, c, psizl);
}

BOOL GetTextMetrics(HDC hdc, LPTEXTMETRIC lptm)
{
    KEL_DC(hdc, FALSE);
    if (!lptm)
        return FALSE;
    const QFont font = CurrentFont(dc);
    const QFontMetrics fm(font);
    LOGFONT lf{};
    if (auto* f = static_cast<FontObject*>(LookupObject(dc->state.font, OBJ_FONT)))
        lf = f->log;
    *lptm = TEXTMETRIC{};
    lptm->tmHeight = fm.height();
    lptm->tmAscent = fm.ascent();
    lptm->tmDescent = fm.descent();
    lptm->tmInternalLeading = std::max(0, fm.height() - font.pixelSize());
    lptm->tmExternalLeading = std::max(0, fm.leading());
    lptm->tmAveCharWidth = fm.averageCharWidth();
    lptm->tmMaxCharWidth = fm.maxWidth();
    lptm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    lptm->tmDigitizedAspectX = 96;
    lptm->tmDigitizedAspectY = 96;
    lptm->tmFirstChar = 0x20;
    lptm->tmLastChar = 0xFF;
    lptm->tmDefaultChar = '?';
    lptm->tmBreakChar = ' ';
    lptm->tmItalic = lf.lfItalic;
    lptm->tmUnderlined = lf.lfUnderline;
    lptm->tmStruckOut = lf.lfStrikeOut;
    // The low bit set means variable pitch (the name says the opposite); 0x04: an outline font.
    const bool fixed = QFontInfo(font).fixedPitch();
    lptm->tmPitchAndFamily = static_cast<BYTE>((fixed ? 0 : 1) | 0x04 | (lf.lfPitchAndFamily & 0xF0));
    lptm->tmCharSet = ANSI_CHARSET;
    return TRUE;
}

int GetTextFace(HDC hdc, int c, LPSTR lpName)
{
    KEL_DC(hdc, 0);
    const std::string face = kel::Utf8ToCp1252(CurrentFont(dc).family().toStdString());
    if (!lpName)
        return static_cast<int>(face.size()) + 1;
    if (c <= 0)
        return 0;
    const size_t n = std::min(face.size(), static_cast<size_t>(c - 1));
    std::memcpy(lpName, face.data(), n);
    lpName[n] = '\0';
    return static_cast<int>(n);
}
