// Device contexts: the DC table, the devices, the shared painter, state calls, mapping and clipping.
#include "GdiDrawing.h"
#include "GdiPrint.h"
#include "MetaRecorder.h"

#include "win32/user.h"
#include "win32qt/QtBackend.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <strings.h>

namespace kel::gdi
{

namespace
{

std::map<uintptr_t, std::unique_ptr<DeviceContext>>& Dcs()
{
    static std::map<uintptr_t, std::unique_ptr<DeviceContext>> dcs;
    return dcs;
}

// Which DC's own painter is open on a paint device (only one painter may be).
std::map<QPaintDevice*, DeviceContext*>& PaintersOpen()
{
    static std::map<QPaintDevice*, DeviceContext*> open;
    return open;
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
        // The bounding box is all a flush uses; a union of many small rectangles would cost more.
        if (auto* store = static_cast<BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd_)))
            store->dirty = QRegion(store->dirty.boundingRect() | rect);
    }

private:
    HWND hwnd_;
};

// The screen DC (GetDC(NULL)) and information DCs: they measure text but draw nothing.
class NoPixelsDevice : public Device
{
};

// A memory DC: draws on the bitmap selected into it.
class BitmapDevice : public Device
{
public:
    void Bind(DeviceContext* dc) { dc_ = dc; }
    QImage* Image() override
    {
        if (!dc_)
            return nullptr;
        auto* bitmap = static_cast<BitmapObject*>(LookupObject(dc_->state.bitmap, OBJ_BITMAP));
        return bitmap && !bitmap->image.isNull() ? &bitmap->image : nullptr;
    }

private:
    DeviceContext* dc_ = nullptr;
};

// A painter someone else keeps open (owner-draw over a widget's painter).
class PainterDevice : public Device
{
public:
    explicit PainterDevice(QPainter* painter) : painter_(painter) {}
    QImage* Image() override
    {
        QPaintDevice* d = painter_->device();
        return d && d->devType() == QInternal::Image ? static_cast<QImage*>(d) : nullptr;
    }
    QPaintDevice* Target() override { return painter_->device(); }
    QPainter* LivePainter() override { return painter_; }

private:
    QPainter* painter_;
};

// Windows rounds half up in its transforms.
int Round(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

// Round(v) saturated to [-limit, limit] (NaN gives limit).
int RoundWithin(double v, int limit)
{
    if (std::fabs(v) <= limit) [[likely]]
        return Round(v);
    return v < 0 ? -limit : limit;
}

// Logical units per inch of the fixed modes.
int UnitsPerInch(int mode)
{
    switch (mode)
    {
    case MM_LOMETRIC:
        return 254;
    case MM_HIMETRIC:
        return 2540;
    case MM_LOENGLISH:
        return 100;
    case MM_HIENGLISH:
        return 1000;
    case MM_TWIPS:
        return 1440;
    default:
        return 0;
    }
}

// Windows' isotropic rule: the viewport extent shrinks along the axis with the larger scale so one
// logical unit is as long in x as in y (square pixels here).
void AdjustIsotropic(DcState& s)
{
    if (s.mapMode != MM_ISOTROPIC || !s.windowExt.cx || !s.windowExt.cy || !s.viewportExt.cx ||
        !s.viewportExt.cy)
        return;
    const double xdim = std::fabs(double(s.viewportExt.cx) / s.windowExt.cx);
    const double ydim = std::fabs(double(s.viewportExt.cy) / s.windowExt.cy);
    if (xdim > ydim)
    {
        const int v = Round(std::fabs(s.viewportExt.cx * ydim / xdim));
        s.viewportExt.cx = s.viewportExt.cx < 0 ? -v : v;
    }
    else if (ydim > xdim)
    {
        const int v = Round(std::fabs(s.viewportExt.cy * xdim / ydim));
        s.viewportExt.cy = s.viewportExt.cy < 0 ? -v : v;
    }
    if (s.viewportExt.cx == 0)
        s.viewportExt.cx = 1;
    if (s.viewportExt.cy == 0)
        s.viewportExt.cy = 1;
}

int Complexity(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace

// ---- DC state

QPoint DcState::ToDevice(int x, int y) const
{
    // 64-bit sums: origins and coordinates may each be anywhere in the int range.
    if (mapMode == MM_TEXT)
        return QPoint(Saturate(int64_t(x) - windowOrg.x + viewportOrg.x),
                      Saturate(int64_t(y) - windowOrg.y + viewportOrg.y));
    const double sx = windowExt.cx ? double(viewportExt.cx) / windowExt.cx : 1.0;
    const double sy = windowExt.cy ? double(viewportExt.cy) / windowExt.cy : 1.0;
    return QPoint(RoundWithin((double(x) - windowOrg.x) * sx + viewportOrg.x, kDeviceLimit),
                  RoundWithin((double(y) - windowOrg.y) * sy + viewportOrg.y, kDeviceLimit));
}

QPoint DcState::ToLogical(int x, int y) const
{
    if (mapMode == MM_TEXT)
        return QPoint(Saturate(int64_t(x) - viewportOrg.x + windowOrg.x, INT32_MAX),
                      Saturate(int64_t(y) - viewportOrg.y + windowOrg.y, INT32_MAX));
    const double sx = viewportExt.cx ? double(windowExt.cx) / viewportExt.cx : 1.0;
    const double sy = viewportExt.cy ? double(windowExt.cy) / viewportExt.cy : 1.0;
    return QPoint(RoundWithin((double(x) - viewportOrg.x) * sx + windowOrg.x, INT32_MAX),
                  RoundWithin((double(y) - viewportOrg.y) * sy + windowOrg.y, INT32_MAX));
}

int DcState::WidthToDevice(int w) const
{
    if (mapMode == MM_TEXT || windowExt.cx == 0)
        return Saturate(w);
    return RoundWithin(std::fabs(double(w) * viewportExt.cx / windowExt.cx), kDeviceLimit);
}

int DcState::HeightToDevice(int h) const
{
    if (mapMode == MM_TEXT || windowExt.cy == 0)
        return Saturate(h);
    return RoundWithin(std::fabs(double(h) * viewportExt.cy / windowExt.cy), kDeviceLimit);
}

// ---- DCs

DeviceContext::DeviceContext(std::unique_ptr<Device> dev, HWND window) : device(std::move(dev)), hwnd(window)
{
    Select(static_cast<HPEN>(GetStockObject(BLACK_PEN)), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
           static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
}

DeviceContext::~DeviceContext()
{
    EndPainter();
    Select(nullptr, nullptr, nullptr);
    SelectBitmap(nullptr);
}

void DeviceContext::Select(HPEN pen, HBRUSH brush, HFONT font)
{
    auto swap = [](HGDIOBJ& slot, HGDIOBJ next)
    {
        if (slot == next)
            return;
        HGDIOBJ old = slot;
        if (GdiObject* now = LookupObject(next))
            ++now->selectedCount;
        slot = next;
        if (GdiObject* o = LookupObject(old))
        {
            --o->selectedCount;
            ReleaseDeselected(old);
        }
    };
    HGDIOBJ p = state.pen, b = state.brush, f = state.font;
    swap(p, pen);
    swap(b, brush);
    swap(f, font);
    state.pen = static_cast<HPEN>(p);
    state.brush = static_cast<HBRUSH>(b);
    state.font = static_cast<HFONT>(f);
}

void DeviceContext::SelectBitmap(HBITMAP bitmap)
{
    if (bitmap == state.bitmap)
        return;
    EndPainter();
    HBITMAP old = state.bitmap;
    if (GdiObject* now = LookupObject(bitmap, OBJ_BITMAP))
        ++now->selectedCount;
    state.bitmap = bitmap;
    if (GdiObject* o = LookupObject(old, OBJ_BITMAP))
    {
        --o->selectedCount;
        ReleaseDeselected(old);
    }
}

QPainter* DeviceContext::Painter()
{
    if (QPainter* live = device->LivePainter())
    {
        if (live_ != live)
        {
            EndPainter();
            live_ = live;
            live_->save();
            appliedClipSerial = 0;
        }
        return live_->isActive() ? live_ : nullptr;
    }
    QPaintDevice* target = device->Target();
    if (!target)
    {
        EndPainter();
        return nullptr;
    }
    if (ownPainter_ && paintingOn_ == target && ownPainter_->isActive())
        return ownPainter_.get();
    EndPainter();
    EndPainting(target);
    if (!ownPainter_)
        ownPainter_ = std::make_unique<QPainter>();
    if (!ownPainter_->begin(target))
        return nullptr;
    paintingOn_ = target;
    PaintersOpen()[target] = this;
    appliedClipSerial = 0;
    return ownPainter_.get();
}

void DeviceContext::EndPainter()
{
    if (live_)
    {
        if (live_->isActive())
            live_->restore();
        live_ = nullptr;
    }
    if (paintingOn_)
    {
        PaintersOpen().erase(paintingOn_);
        paintingOn_ = nullptr;
        if (ownPainter_ && ownPainter_->isActive())
            ownPainter_->end();
    }
    appliedClipSerial = 0;
}

QRegion DeviceContext::EffectiveClip() const
{
    if (state.hasClip && hasSystemClip)
        return state.clip & systemClip;
    return state.hasClip ? state.clip : systemClip;
}

void EndPainting(QPaintDevice* target)
{
    std::lock_guard lock(TableLock());
    auto it = PaintersOpen().find(target);
    if (it != PaintersOpen().end())
        it->second->EndPainter();
}

BackingStore::~BackingStore()
{
    EndPainting(&image);
}

HDC CreateDc(std::unique_ptr<Device> device, HWND hwnd)
{
    static std::atomic<uintptr_t> next{0x20000002};
    std::lock_guard lock(TableLock());
    const uintptr_t h = next.fetch_add(4);
    Dcs()[h] = std::make_unique<DeviceContext>(std::move(device), hwnd);
    return reinterpret_cast<HDC>(h);
}

HDC CreatePainterDc(QPainter* painter, HWND window)
{
    if (!painter || !painter->isActive())
        return nullptr;
    return CreateDc(std::make_unique<PainterDevice>(painter), window);
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
    auto it = Dcs().find(reinterpret_cast<uintptr_t>(hdc));
    if (it == Dcs().end())
        return FALSE;
    std::unique_ptr<DeviceContext> dc = std::move(it->second);
    Dcs().erase(it);
    dc.reset();
    return TRUE;
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
        EndPainting(&store->image);
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

// ---- Drawing

Drawing::Drawing(DeviceContext* dc, bool useRop2) : dc_(dc)
{
    if (!dc || (useRop2 && dc->state.rop2 == R2_NOP))
        return;
    p_ = dc->Painter();
    if (!p_)
        return;
    if (dc->appliedClipSerial != dc->clipSerial)
    {
        if (dc->Clipped())
            p_->setClipRegion(dc->EffectiveClip());
        else
            p_->setClipping(false);
        dc->appliedClipSerial = dc->clipSerial;
    }
    p_->setCompositionMode(useRop2 ? CompositionOf(dc->state.rop2) : QPainter::CompositionMode_SourceOver);
    p_->setBrushOrigin(dc->state.brushOrg.x, dc->state.brushOrg.y);
}

Drawing::~Drawing()
{
    if (!p_ || bounds_.isEmpty())
        return;
    QRect touched = bounds_;
    if (dc_->Clipped())
        touched &= dc_->EffectiveClip().boundingRect();
    if (!touched.isEmpty())
        dc_->device->Touched(touched);
}

void Drawing::ClipTo(const QRect& rect)
{
    p_->setClipRect(rect, dc_->Clipped() ? Qt::IntersectClip : Qt::ReplaceClip);
    dc_->appliedClipSerial = 0; // the next call puts the DC's own clip back
}

QColor Drawing::RopColor(COLORREF c) const
{
    if (dc_->state.rop2 == R2_BLACK)
        return Qt::black;
    if (dc_->state.rop2 == R2_WHITE)
        return Qt::white;
    return ColorOf(c);
}

QPen Drawing::Pen() const
{
    auto* pen = static_cast<PenObject*>(LookupObject(dc_->state.pen, OBJ_PEN));
    if (!pen || (pen->log.lopnStyle & PS_STYLE_MASK) == PS_NULL)
        return QPen(Qt::NoPen);
    const int width =
        std::clamp(dc_->state.WidthToDevice(static_cast<int>(pen->log.lopnWidth.x)), 1, kMaxSide);
    if (pen->qpenWidth != width)
    {
        QPen qpen(ColorOf(pen->log.lopnColor), width);
        const UINT style = pen->log.lopnStyle & PS_STYLE_MASK;
        // Styled lines are one pixel wide; wider pens draw solid.
        if (width == 1 && style >= PS_DASH && style <= PS_DASHDOTDOT)
        {
            static const QList<qreal> dashes[] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
            qpen.setDashPattern(dashes[style - PS_DASH]);
        }
        if (width > 1)
        {
            const UINT cap = pen->log.lopnStyle & PS_ENDCAP_MASK;
            const UINT join = pen->log.lopnStyle & PS_JOIN_MASK;
            qpen.setCapStyle(cap == PS_ENDCAP_FLAT     ? Qt::FlatCap
                             : cap == PS_ENDCAP_SQUARE ? Qt::SquareCap
                                                       : Qt::RoundCap);
            qpen.setJoinStyle(join == PS_JOIN_BEVEL   ? Qt::BevelJoin
                              : join == PS_JOIN_MITER ? Qt::MiterJoin
                                                      : Qt::RoundJoin);
        }
        else
        {
            qpen.setCapStyle(Qt::FlatCap);
            qpen.setJoinStyle(Qt::MiterJoin);
        }
        pen->qpen = qpen;
        pen->qpenWidth = width;
    }
    if (dc_->state.rop2 == R2_BLACK || dc_->state.rop2 == R2_WHITE)
    {
        QPen forced = pen->qpen;
        forced.setColor(RopColor(0));
        return forced;
    }
    return pen->qpen;
}

bool Drawing::InsideFrame() const
{
    auto* pen = static_cast<PenObject*>(LookupObject(dc_->state.pen, OBJ_PEN));
    return pen && (pen->log.lopnStyle & PS_STYLE_MASK) == PS_INSIDEFRAME;
}

QBrush Drawing::Brush() const
{
    QBrush brush = QtBrush(dc_->state.brush, dc_->state);
    if (brush.style() == Qt::SolidPattern && (dc_->state.rop2 == R2_BLACK || dc_->state.rop2 == R2_WHITE))
        brush.setColor(RopColor(0));
    return brush;
}

void Drawing::PrepareBackground()
{
    p_->setBackgroundMode(dc_->state.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p_->setBackground(ColorOf(dc_->state.bkColor));
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
    {
        DeviceContext* dc = LookupDc(hdc);
        dc->hasSystemClip = true;
        dc->systemClip =
            QRegion(QRect(QPoint(clip->left, clip->top), QPoint(clip->right - 1, clip->bottom - 1)));
    }
    return hdc;
}

int FactoryReleaseDC(HWND hwnd, HDC hdc)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    if (!dc || dc->hwnd != hwnd || dc->memoryDc)
        return 0;
    dc->EndPainter();
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
    factory.sysColorBrush = ::GetSysColorBrush;
    kel::ui::SetDcFactory(factory);
}

} // namespace kel::qt

// ---- Making DCs

HDC CreateCompatibleDC(HDC hdc)
{
    std::lock_guard lock(TableLock());
    if (hdc && !LookupDc(hdc))
        return nullptr;
    auto device = std::make_unique<BitmapDevice>();
    BitmapDevice* raw = device.get();
    HDC created = CreateDc(std::move(device), nullptr);
    DeviceContext* dc = LookupDc(created);
    raw->Bind(dc);
    dc->memoryDc = true;
    // A memory DC starts with a 1x1 monochrome bitmap, as on Windows.
    static HBITMAP defaultBitmap = []
    {
        HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr);
        LookupObject(b)->stock = true;
        return b;
    }();
    dc->SelectBitmap(defaultBitmap);
    return created;
}

namespace
{

HDC CreateDeviceDc(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devmode, bool info)
{
    const bool display = (!driver && !device) || (driver && strcasecmp(driver, "DISPLAY") == 0);
    if (display)
        return CreateDc(std::make_unique<NoPixelsDevice>(), nullptr);
    // Anything else names a printer (by its device name, or by the driver when no device is given).
    if (!kel::gdi::CreatePrinterDc)
        return nullptr;
    return kel::gdi::CreatePrinterDc(device ? device : driver, port, devmode, info);
}

} // namespace

HDC CreateDC(LPCSTR pwszDriver, LPCSTR pwszDevice, LPCSTR pszPort, const void* pdm)
{
    return CreateDeviceDc(pwszDriver, pwszDevice, pszPort, pdm, false);
}

HDC CreateIC(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR pszPort, const void* pdm)
{
    return CreateDeviceDc(pszDriver, pszDevice, pszPort, pdm, true);
}

BOOL DeleteDC(HDC hdc)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    // Window DCs go back with ReleaseDC/EndPaint.
    if (!dc || (dc->hwnd && !dc->memoryDc))
        return FALSE;
    return DestroyDc(hdc);
}

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
        if (auto* r = RecorderOf(dc))
            r->SelectPen(static_cast<PenObject*>(object)->log);
        previous = s.pen;
        dc->Select(static_cast<HPEN>(h), s.brush, s.font);
        break;
    case OBJ_BRUSH:
        if (auto* r = RecorderOf(dc))
            r->SelectBrush(static_cast<BrushObject*>(object)->log,
                           PatternOf(static_cast<BrushObject*>(object)));
        previous = s.brush;
        dc->Select(s.pen, static_cast<HBRUSH>(h), s.font);
        break;
    case OBJ_FONT:
        if (auto* r = RecorderOf(dc))
            r->SelectFont(static_cast<FontObject*>(object)->log);
        previous = s.font;
        dc->Select(s.pen, s.brush, static_cast<HFONT>(h));
        break;
    case OBJ_BITMAP:
        // Only memory DCs take bitmaps, and a bitmap is in one DC at a time.
        if (!dc->memoryDc || (object->selectedCount > 0 && s.bitmap != h))
            return nullptr;
        previous = s.bitmap;
        dc->SelectBitmap(static_cast<HBITMAP>(h));
        break;
    case OBJ_REGION:
    {
        // Selecting a region sets the clip to a copy; the result is its complexity.
        const int result = SelectClipRgn(hdc, static_cast<HRGN>(h));
        return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(result));
    }
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
    case OBJ_BITMAP:
        return dc->state.bitmap;
    case OBJ_PAL:
        return dc->state.palette ? dc->state.palette : GetStockObject(DEFAULT_PALETTE);
    default:
        return nullptr;
    }
}

int SaveDC(HDC hdc)
{
    KEL_DC(hdc, 0);
    if (auto* r = RecorderOf(dc))
        r->SaveDC();
    dc->saved.push_back(dc->state);
    // Saved states hold their objects too, so deleting one while saved is deferred.
    for (HGDIOBJ h : {HGDIOBJ(dc->state.pen), HGDIOBJ(dc->state.brush), HGDIOBJ(dc->state.font)})
        if (GdiObject* o = LookupObject(h))
            ++o->selectedCount;
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int nSavedDC)
{
    KEL_DC(hdc, FALSE);
    const int depth = static_cast<int>(dc->saved.size());
    const int target = nSavedDC < 0 ? depth + nSavedDC + 1 : nSavedDC;
    if (target < 1 || target > depth)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->RestoreDC(nSavedDC);
    DcState restored = dc->saved[static_cast<size_t>(target - 1)];
    // Release the holds of every state popped.
    for (size_t i = static_cast<size_t>(target - 1); i < dc->saved.size(); ++i)
        for (HGDIOBJ h : {HGDIOBJ(dc->saved[i].pen), HGDIOBJ(dc->saved[i].brush), HGDIOBJ(dc->saved[i].font)})
            if (GdiObject* o = LookupObject(h))
            {
                --o->selectedCount;
                ReleaseDeselected(h);
            }
    dc->saved.resize(static_cast<size_t>(target - 1));
    auto live = [](HGDIOBJ h, DWORD type, int stock)
    { return LookupObject(h, type) ? h : GetStockObject(stock); };
    const HPEN pen = static_cast<HPEN>(live(restored.pen, OBJ_PEN, BLACK_PEN));
    const HBRUSH brush = static_cast<HBRUSH>(live(restored.brush, OBJ_BRUSH, WHITE_BRUSH));
    const HFONT font = static_cast<HFONT>(live(restored.font, OBJ_FONT, SYSTEM_FONT));
    const HBITMAP bitmap = LookupObject(restored.bitmap, OBJ_BITMAP) ? restored.bitmap : dc->state.bitmap;
    restored.pen = dc->state.pen;
    restored.brush = dc->state.brush;
    restored.font = dc->state.font;
    restored.bitmap = dc->state.bitmap;
    dc->state = restored;
    dc->Select(pen, brush, font);
    if (dc->memoryDc)
        dc->SelectBitmap(bitmap);
    ++dc->clipSerial;
    return TRUE;
}

#define KEL_DC_SETTER(Name, Type, field, fail)                                                               \
    Type Set##Name(HDC hdc, Type value)                                                                      \
    {                                                                                                        \
        KEL_DC(hdc, fail);                                                                                   \
        if (auto* r = RecorderOf(dc))                                                                        \
            r->Set##Name(value);                                                                             \
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

namespace
{

// Sets an int mode within [low, high]; returns the previous one, 0 on failure.
int SetMode(HDC hdc, int DcState::*field, int value, int low, int high, void (MetaRecorder::*record)(int))
{
    KEL_DC(hdc, 0);
    if (value < low || value > high)
        return 0;
    if (auto* r = RecorderOf(dc))
        (r->*record)(value);
    std::swap(dc->state.*field, value);
    return value;
}

int GetMode(HDC hdc, int DcState::*field)
{
    KEL_DC(hdc, 0);
    return dc->state.*field;
}

} // namespace

int SetBkMode(HDC hdc, int mode)
{
    return SetMode(hdc, &DcState::bkMode, mode, TRANSPARENT, OPAQUE, &MetaRecorder::SetBkMode);
}
int GetBkMode(HDC hdc)
{
    return GetMode(hdc, &DcState::bkMode);
}
int SetROP2(HDC hdc, int rop2)
{
    return SetMode(hdc, &DcState::rop2, rop2, R2_BLACK, R2_WHITE, &MetaRecorder::SetROP2);
}
int GetROP2(HDC hdc)
{
    return GetMode(hdc, &DcState::rop2);
}
int SetPolyFillMode(HDC hdc, int mode)
{
    return SetMode(hdc, &DcState::polyFillMode, mode, ALTERNATE, WINDING, &MetaRecorder::SetPolyFillMode);
}
int GetPolyFillMode(HDC hdc)
{
    return GetMode(hdc, &DcState::polyFillMode);
}
int SetStretchBltMode(HDC hdc, int mode)
{
    return SetMode(hdc, &DcState::stretchMode, mode, BLACKONWHITE, HALFTONE,
                   &MetaRecorder::SetStretchBltMode);
}
int GetStretchBltMode(HDC hdc)
{
    return GetMode(hdc, &DcState::stretchMode);
}
int SetArcDirection(HDC hdc, int dir)
{
    return SetMode(hdc, &DcState::arcDirection, dir, AD_COUNTERCLOCKWISE, AD_CLOCKWISE,
                   &MetaRecorder::SetArcDirection);
}
int GetArcDirection(HDC hdc)
{
    return GetMode(hdc, &DcState::arcDirection);
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    KEL_DC(hdc, GDI_ERROR);
    if (auto* r = RecorderOf(dc))
        r->SetTextAlign(align);
    std::swap(dc->state.textAlign, align);
    return align;
}

UINT GetTextAlign(HDC hdc)
{
    KEL_DC(hdc, GDI_ERROR);
    return dc->state.textAlign;
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc))
        r->SetBrushOrg(x, y);
    if (lppt)
        *lppt = dc->state.brushOrg;
    dc->state.brushOrg = POINT{x, y};
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt)
{
    KEL_DC(hdc, FALSE);
    if (!lppt)
        return FALSE;
    *lppt = dc->state.current;
    return TRUE;
}

// ---- Mapping

int SetMapMode(HDC hdc, int iMode)
{
    KEL_DC(hdc, 0);
    if (iMode < MM_TEXT || iMode > MM_ANISOTROPIC)
        return 0;
    if (auto* r = RecorderOf(dc))
        r->SetMapMode(iMode);
    DcState& s = dc->state;
    std::swap(s.mapMode, iMode);
    if (s.mapMode == MM_TEXT)
        s.windowExt = s.viewportExt = SIZE{1, 1};
    else if (const int units = UnitsPerInch(s.mapMode))
    {
        // y grows upwards in the fixed modes.
        s.windowExt = SIZE{units, units};
        s.viewportExt = SIZE{dc->device->DpiX(), -dc->device->DpiY()};
    }
    else
        AdjustIsotropic(s); // the scaling modes keep the extents they had
    return iMode;
}

int GetMapMode(HDC hdc)
{
    KEL_DC(hdc, 0);
    return dc->state.mapMode;
}

namespace
{

BOOL SetOrigin(HDC hdc, POINT DcState::*field, int x, int y, LPPOINT previous, bool offset,
               void (MetaRecorder::*record)(int, int))
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc))
        (r->*record)(x, y);
    POINT& p = dc->state.*field;
    if (previous)
        *previous = p;
    p = offset ? POINT{SumOf(p.x, x), SumOf(p.y, y)} : POINT{x, y};
    return TRUE;
}

// record: how a recording DC records the call (null: the caller records it).
BOOL SetExtent(HDC hdc, SIZE DcState::*field, int x, int y, LPSIZE previous,
               void (MetaRecorder::*record)(int, int))
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc); r && record)
        (r->*record)(x, y);
    DcState& s = dc->state;
    if (previous)
        *previous = s.*field;
    // Extents only count in the scaling modes.
    if (s.mapMode != MM_ISOTROPIC && s.mapMode != MM_ANISOTROPIC)
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    s.*field = SIZE{x, y};
    AdjustIsotropic(s);
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

BOOL ScaleExtent(HDC hdc, SIZE DcState::*field, int xn, int xd, int yn, int yd, LPSIZE previous,
                 void (MetaRecorder::*record)(int, int, int, int))
{
    KEL_DC(hdc, FALSE);
    if (xd == 0 || yd == 0)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        (r->*record)(xn, xd, yn, yd);
    const SIZE e = dc->state.*field;
    // In 64 bits: the products overflow int for large extents and factors.
    auto scaled = [](int v, int n, int d) { return Saturate(int64_t(v) * n / d, INT32_MAX); };
    return SetExtent(hdc, field, scaled(e.cx, xn, xd), scaled(e.cy, yn, yd), previous, nullptr);
}

} // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::windowOrg, x, y, lppt, false, &MetaRecorder::SetWindowOrg);
}
BOOL OffsetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::windowOrg, x, y, lppt, true, &MetaRecorder::OffsetWindowOrg);
}
BOOL GetWindowOrgEx(HDC hdc, LPPOINT lppoint)
{
    return GetPair(hdc, &DcState::windowOrg, lppoint);
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::viewportOrg, x, y, lppt, false, &MetaRecorder::SetViewportOrg);
}
BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::viewportOrg, x, y, lppt, true, &MetaRecorder::OffsetViewportOrg);
}
BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppoint)
{
    return GetPair(hdc, &DcState::viewportOrg, lppoint);
}
BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz)
{
    return SetExtent(hdc, &DcState::windowExt, x, y, lpsz, &MetaRecorder::SetWindowExt);
}
BOOL GetWindowExtEx(HDC hdc, LPSIZE lpsize)
{
    return GetPair(hdc, &DcState::windowExt, lpsize);
}
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz)
{
    return SetExtent(hdc, &DcState::viewportExt, x, y, lpsz, &MetaRecorder::SetViewportExt);
}
BOOL GetViewportExtEx(HDC hdc, LPSIZE lpsize)
{
    return GetPair(hdc, &DcState::viewportExt, lpsize);
}
BOOL ScaleViewportExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE lpsz)
{
    return ScaleExtent(hdc, &DcState::viewportExt, xn, xd, yn, yd, lpsz, &MetaRecorder::ScaleViewportExt);
}
BOOL ScaleWindowExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE lpsz)
{
    return ScaleExtent(hdc, &DcState::windowExt, xn, xd, yn, yd, lpsz, &MetaRecorder::ScaleWindowExt);
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

// ---- Clipping

namespace
{

// Combines a device region into the DC's clip; the result's complexity.
int CombineClip(DeviceContext* dc, const QRegion& region, int mode)
{
    DcState& s = dc->state;
    // With no clip selected, the whole device stands for the current clip.
    QRegion current = s.hasClip ? s.clip : QRegion(-0x3FFFFFFF, -0x3FFFFFFF, 0x7FFFFFFE, 0x7FFFFFFE);
    switch (mode)
    {
    case RGN_AND:
        current &= region;
        break;
    case RGN_OR:
        current |= region;
        break;
    case RGN_XOR:
        current ^= region;
        break;
    case RGN_DIFF:
        current -= region;
        break;
    case RGN_COPY:
        current = region;
        break;
    default:
        return ERROR;
    }
    s.clip = current;
    s.hasClip = true;
    ++dc->clipSerial;
    return Complexity(dc->EffectiveClip());
}

QRect LogicalToDeviceRect(const DcState& s, int left, int top, int right, int bottom)
{
    return DeviceRect(s, left, top, right, bottom);
}

} // namespace

int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode)
{
    KEL_DC(hdc, ERROR);
    if (!hrgn)
    {
        if (mode != RGN_COPY)
            return ERROR;
        if (auto* r = RecorderOf(dc))
            r->SelectClipRegion(nullptr, mode);
        dc->state.hasClip = false;
        dc->state.clip = QRegion();
        ++dc->clipSerial;
        return dc->hasSystemClip ? Complexity(dc->systemClip) : SIMPLEREGION;
    }
    auto* rgn = static_cast<RegionObject*>(LookupObject(hrgn, OBJ_REGION));
    if (!rgn)
        return ERROR;
    if (auto* r = RecorderOf(dc); r && mode >= RGN_AND && mode <= RGN_COPY)
        r->SelectClipRegion(&rgn->region, mode);
    return CombineClip(dc, rgn->region, mode);
}

int SelectClipRgn(HDC hdc, HRGN hrgn)
{
    return ExtSelectClipRgn(hdc, hrgn, RGN_COPY);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    KEL_DC(hdc, ERROR);
    if (auto* r = RecorderOf(dc))
        r->IntersectClipRect(left, top, right, bottom);
    return CombineClip(dc, QRegion(LogicalToDeviceRect(dc->state, left, top, right, bottom)), RGN_AND);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    KEL_DC(hdc, ERROR);
    if (auto* r = RecorderOf(dc))
        r->ExcludeClipRect(left, top, right, bottom);
    return CombineClip(dc, QRegion(LogicalToDeviceRect(dc->state, left, top, right, bottom)), RGN_DIFF);
}

int OffsetClipRgn(HDC hdc, int x, int y)
{
    KEL_DC(hdc, ERROR);
    if (auto* r = RecorderOf(dc))
        r->OffsetClipRgn(x, y);
    if (!dc->state.hasClip)
        return SIMPLEREGION;
    const QPoint d = dc->state.ToDevice(x, y) - dc->state.ToDevice(0, 0);
    // Kept within the device range so repeated offsets cannot overflow the region's coordinates.
    dc->state.clip.translate(d);
    dc->state.clip &= QRect(QPoint(-kDeviceLimit, -kDeviceLimit), QPoint(kDeviceLimit, kDeviceLimit));
    ++dc->clipSerial;
    return Complexity(dc->EffectiveClip());
}

int GetClipBox(HDC hdc, LPRECT lprect)
{
    KEL_DC(hdc, ERROR);
    if (!lprect)
        return ERROR;
    QSize size = dc->device->PixelSize();
    if (size.isEmpty())
        size = QSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    QRegion visible(QRect(QPoint(0, 0), size));
    if (dc->Clipped())
        visible &= dc->EffectiveClip();
    const QRect box = visible.boundingRect();
    const QPoint a = dc->state.ToLogical(box.left(), box.top());
    const QPoint b = dc->state.ToLogical(box.right() + 1, box.bottom() + 1);
    *lprect =
        RECT{std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()), std::max(a.y(), b.y())};
    return Complexity(visible);
}

int GetClipRgn(HDC hdc, HRGN hrgn)
{
    KEL_DC(hdc, -1);
    auto* rgn = static_cast<RegionObject*>(LookupObject(hrgn, OBJ_REGION));
    if (!rgn)
        return -1;
    if (!dc->state.hasClip)
        return 0;
    rgn->region = dc->state.clip;
    return 1;
}

BOOL PtVisible(HDC hdc, int x, int y)
{
    KEL_DC(hdc, FALSE);
    const QPoint p = dc->state.ToDevice(x, y);
    return !dc->Clipped() || dc->EffectiveClip().contains(p);
}

BOOL RectVisible(HDC hdc, const RECT* lprect)
{
    KEL_DC(hdc, FALSE);
    if (!lprect)
        return FALSE;
    const QRect r = DeviceRect(dc->state, lprect->left, lprect->top, lprect->right, lprect->bottom);
    return !dc->Clipped() || dc->EffectiveClip().intersects(r);
}

// ---- Device capabilities

int GetDeviceCaps(HDC hdc, int index)
{
    KEL_DC(hdc, 0);
    Device& device = *dc->device;
    QSize size = device.PixelSize();
    // Memory DCs, information DCs and the screen DC report the screen, as on Windows.
    if (size.isEmpty() || dc->memoryDc || device.Technology() == DT_RASDISPLAY)
        size = QSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const bool printer = device.Technology() == DT_RASPRINTER;
    switch (index)
    {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return device.Technology();
    case HORZRES:
        return size.width();
    case VERTRES:
        return size.height();
    case HORZSIZE:
        return Round(size.width() * 25.4 / device.DpiX());
    case VERTSIZE:
        return Round(size.height() * 25.4 / device.DpiY());
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS:
        return -1;
    case NUMFONTS:
        return 0;
    case LOGPIXELSX:
        return device.DpiX();
    case LOGPIXELSY:
        return device.DpiY();
    case SIZEPALETTE:
        return 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB |
               (printer ? RC_BANDING : 0);
    case PHYSICALWIDTH:
        return printer ? device.PhysicalSize().width() : 0;
    case PHYSICALHEIGHT:
        return printer ? device.PhysicalSize().height() : 0;
    case PHYSICALOFFSETX:
        return printer ? device.PhysicalOffset().x() : 0;
    case PHYSICALOFFSETY:
        return printer ? device.PhysicalOffset().y() : 0;
    default:
        return 0;
    }
}

BOOL GdiFlush()
{
    return TRUE; // drawing on images is synchronous
}
