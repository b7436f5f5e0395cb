// Device contexts: the DC table, which pixels a DC draws on, and the calls that make and delete
// DCs, select objects, save and restore state, set modes and report capabilities.
#include "gdi_internal.h"
#include "gdi_metarecorder.h"

#include "win32/user.h"

#include <atomic>
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

// Which DC's device may keep state (an open painter) on a pixmap: one at a time.
std::map<const Pixmap*, DeviceContext*>& Holders()
{
    static std::map<const Pixmap*, DeviceContext*> holders;
    return holders;
}

} // namespace

// ---- DCs

DeviceContext::DeviceContext(std::unique_ptr<Device> dev, HWND window, Pixmap* own, bool pixelsDc)
    : device(dev ? std::move(dev) : std::make_unique<MeasuringDevice>()), hwnd(window), onPixels(pixelsDc),
      pixels(own)
{
    Select(static_cast<HPEN>(GetStockObject(BLACK_PEN)), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
           static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
}

DeviceContext::~DeviceContext()
{
    ReleaseDevice();
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
    ReleaseDevice();
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

Pixmap* DeviceContext::Target()
{
    if (!onPixels)
        return nullptr;
    if (pixels)
        return pixels;
    if (memoryDc)
    {
        auto* bitmap = Lookup<BitmapObject>(state.bitmap, OBJ_BITMAP);
        return bitmap && !bitmap->pixels.IsNull() ? &bitmap->pixels : nullptr;
    }
    // A window's backing image, looked up at each call so a resize in between is seen.
    BackingStore* store = hwnd ? BackingFor(hwnd) : nullptr;
    return store && !store->pixels.IsNull() ? &store->pixels : nullptr;
}

Pixmap* DeviceContext::Acquire()
{
    Pixmap* target = Target();
    if (target == holding_)
        return target;
    ReleaseDevice();
    if (!target)
        return nullptr;
    auto it = Holders().find(target);
    if (it != Holders().end() && it->second != this)
        it->second->ReleaseDevice();
    Holders()[target] = this;
    holding_ = target;
    return target;
}

void DeviceContext::ReleaseDevice()
{
    device->Release();
    if (!holding_)
        return;
    auto it = Holders().find(holding_);
    if (it != Holders().end() && it->second == this)
        Holders().erase(it);
    holding_ = nullptr;
}

const Region* DeviceContext::EffectiveClip()
{
    if (state.hasClip && hasSystemClip)
    {
        if (!effectiveValid_)
        {
            effective_ = state.clip & systemClip;
            effectiveValid_ = true;
        }
        return &effective_;
    }
    if (state.hasClip)
        return &state.clip;
    return hasSystemClip ? &systemClip : nullptr;
}

void DeviceContext::ClipChanged()
{
    if (++clipSerial == 0)
        clipSerial = 1;
    effectiveValid_ = false;
}

void DeviceContext::Touched(const RECT& rect)
{
    if (!ShowsTouched())
        return;
    RECT touched = rect;
    if (const Region* clip = EffectiveClip())
        touched = Intersected(touched, clip->Bounds());
    if (IsEmpty(touched))
        return;
    // The bounding box is all a flush uses; a union of many small rectangles would cost more.
    if (auto* store = static_cast<BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd)))
        store->dirty = Region(United(store->dirty.Bounds(), touched));
}

SIZE DeviceContext::PixelSize()
{
    if (!onPixels)
        return device->PixelSize();
    const Pixmap* target = Target();
    return target ? SIZE{target->Width(), target->Height()} : SIZE{0, 0};
}

void ReleasePixmap(const Pixmap* pixmap)
{
    std::lock_guard lock(TableLock());
    auto it = Holders().find(pixmap);
    if (it != Holders().end())
        it->second->ReleaseDevice();
}

HDC AddDc(std::unique_ptr<Device> device, HWND hwnd, Pixmap* pixels, bool onPixels)
{
    static std::atomic<uintptr_t> next{0x20000002};
    std::lock_guard lock(TableLock());
    const uintptr_t h = next.fetch_add(4);
    Dcs()[h] = std::make_unique<DeviceContext>(std::move(device), hwnd, pixels, onPixels);
    return reinterpret_cast<HDC>(h);
}

HDC CreateDc(std::unique_ptr<Device> device, HWND window, Pixmap* pixels)
{
    return AddDc(std::move(device), window, pixels, pixels != nullptr);
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

SIZE ScreenSize()
{
    return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace kel::gdi

using namespace kel::gdi;

// ---- Making DCs

HDC CreateCompatibleDC(HDC hdc)
{
    std::lock_guard lock(TableLock());
    if (hdc && !LookupDc(hdc))
        return nullptr;
    HDC created = AddDc(GetDeviceFactory().CreatePixelDevice(), nullptr, nullptr, true);
    DeviceContext* dc = LookupDc(created);
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
        return AddDc(nullptr, nullptr, nullptr, false);
    // Anything else names a printer (by its device name, or by the driver when no device is given).
    return CreatePrinterDc(device ? device : driver, port, devmode, info);
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
                           static_cast<BrushObject*>(object)->pattern);
        previous = s.brush;
        dc->Select(s.pen, static_cast<HBRUSH>(h), s.font);
        break;
    case OBJ_FONT:
        if (auto* r = RecorderOf(dc))
            r->SelectFont(static_cast<FontObject*>(object)->font.log);
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
    dc->ClipChanged();
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

// ---- Device capabilities

int GetDeviceCaps(HDC hdc, int index)
{
    KEL_DC(hdc, 0);
    Device& device = *dc->device;
    SIZE size = dc->PixelSize();
    // Memory DCs, information DCs and the screen DC report the screen, as on Windows.
    if (size.cx <= 0 || size.cy <= 0 || dc->memoryDc || device.Technology() == DT_RASDISPLAY)
        size = ScreenSize();
    const bool printer = device.Technology() == DT_RASPRINTER;
    switch (index)
    {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return device.Technology();
    case HORZRES:
        return size.cx;
    case VERTRES:
        return size.cy;
    case HORZSIZE:
        return Round(size.cx * 25.4 / device.DpiX());
    case VERTSIZE:
        return Round(size.cy * 25.4 / device.DpiY());
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
        return printer ? device.PhysicalSize().cx : 0;
    case PHYSICALHEIGHT:
        return printer ? device.PhysicalSize().cy : 0;
    case PHYSICALOFFSETX:
        return printer ? device.PhysicalOffset().x : 0;
    case PHYSICALOFFSETY:
        return printer ? device.PhysicalOffset().y : 0;
    default:
        return 0;
    }
}

BOOL GdiFlush()
{
    return TRUE; // drawing on images is synchronous
}
