// The drawing side's internals: GDI objects in a handle table, device-independent DC state and the
// devices a DC draws on. A DC is state + device: the state (objects, colours, modes, origins) knows
// nothing of the target, the device supplies where drawing goes (a window's backing image, a
// bitmap, a live painter, a printer page) and its resolution.
//
// Drawing calls share one painter per DC, opened on the first call and kept open across calls (a
// painter per primitive costs more than most primitives). Only one painter may be open on a paint
// device, so a DC that starts painting on a device ends any other DC's painter on it first, and code
// that paints on a device's image by itself calls EndPainting(image) before.
#pragma once

#include <QtCore/QRect>
#include <QtGui/QBrush>
#include <QtGui/QFont>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPen>
#include <QtGui/QRegion>

#include "win32/gdi.h"
#include "win32/uidriver.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kel::gdi
{

// ---- Limits on what callers pass

// Device coordinates are kept within +-2^27: the painter's fixed-point rasterizer and QRect
// arithmetic stay exact there, and no screen or page comes close.
inline constexpr int kDeviceLimit = 1 << 27;
// Pens, fonts and bitmap sides beyond this many pixels are saturated (or refused, for bitmaps).
inline constexpr int kMaxSide = 1 << 14;
// Largest bitmap in pixels; bigger requests fail instead of exhausting memory.
inline constexpr int64_t kMaxPixels = int64_t(1) << 28;

// v within [-limit, limit]; in-range values cost one comparison.
inline int Saturate(int64_t v, int limit = kDeviceLimit)
{
    if (static_cast<uint64_t>(v + limit) <= 2 * static_cast<uint64_t>(limit)) [[likely]]
        return static_cast<int>(v);
    return v < 0 ? -limit : limit;
}

// a + b without overflow, saturated to the int range (logical coordinates plus extents).
inline int SumOf(int a, int b)
{
    return Saturate(int64_t(a) + b, INT32_MAX);
}

// ---- Objects

struct GdiObject
{
    explicit GdiObject(DWORD t) : type(t) {}
    virtual ~GdiObject() = default;
    DWORD type;
    bool stock = false;
    bool deletePending = false; // DeleteObject on a selected bitmap/font: freed when deselected
    int selectedCount = 0;      // DCs that have it selected
};

struct PenObject : GdiObject
{
    PenObject() : GdiObject(OBJ_PEN) {}
    LOGPEN log{};
    // The Qt pen for the last device width asked for (conversions are cached: pens are reused a lot).
    QPen qpen;
    int qpenWidth = -1;
};

struct BrushObject : GdiObject
{
    BrushObject() : GdiObject(OBJ_BRUSH) {}
    LOGBRUSH log{};
    QImage pattern;           // BS_PATTERN: the 8x8 (or larger) tile
    bool monoPattern = false; // drawn in the text and background colours
    // Hatched brushes depend on the background colour and mode; the last conversion is kept.
    QBrush qbrush;
    COLORREF qbrushBk = CLR_INVALID;
    int qbrushMode = 0;
};

struct FontObject : GdiObject
{
    FontObject() : GdiObject(OBJ_FONT) {}
    LOGFONT log{};
    QFont font; // the face and pixel size LOGFONT maps to
};

struct BitmapObject : GdiObject
{
    BitmapObject() : GdiObject(OBJ_BITMAP) {}
    QImage image;            // RGB32; monochrome bitmaps keep black and white pixels
    int bitsPixel = 32;      // what GetObject reports (1 for monochrome bitmaps)
    bool dibSection = false; // CreateDIBSection: `image` is the caller-visible pixel buffer
};

struct RegionObject : GdiObject
{
    RegionObject() : GdiObject(OBJ_REGION) {}
    QRegion region;
};

struct PaletteObject : GdiObject
{
    PaletteObject() : GdiObject(OBJ_PAL) {}
    std::vector<COLORREF> entries;
};

// Looks up a live object of the given type (0: any); nullptr for a stale or foreign handle. The
// table lock is not held afterwards: objects are only deleted by DeleteObject, which refuses (or
// defers) selected ones, so a pointer stays valid while its DC draws with it.
GdiObject* LookupObject(HGDIOBJ h, DWORD type = 0);
std::recursive_mutex& TableLock();
// Adds an object to the table and returns its new handle.
HGDIOBJ AddObject(std::unique_ptr<GdiObject> object);
// Frees an object whose deletion waited for the last DC to deselect it.
void ReleaseDeselected(HGDIOBJ h);

// The QFont a LOGFONT maps to (faces mapped to installed metric-compatible fonts).
QFont FontFromLog(const LOGFONT& lf);

// A bitmap handle made from an image (RGB32); for loaders (resources, BMP files, image lists).
HBITMAP BitmapFromImage(const QImage& image);
// The pixels of a bitmap handle; a null image for a bad handle.
QImage ImageOfBitmap(HBITMAP bitmap);
// A BMP file's bytes (file header first) or a packed DIB (info header first) as an RGB32 image;
// a null image when the bytes are not a bitmap this layer reads.
QImage ImageFromBmp(const void* data, size_t size);
// A DIB (header + optional colour table, bits separate) as an RGB32 image, top row first; a null
// image for a format this layer does not read (compressed, bad sizes).
QImage ImageFromDib(const BITMAPINFO* info, const void* bits);
// The pixels of an icon or cursor from resources (.ico/.cur bytes), premultiplied ARGB; a null
// image for a standard (placeholder) handle or bytes this layer does not read. `hotspot` (may be
// null) receives a cursor's hot spot, (0, 0) for an icon.
QImage ImageOfIcon(HICON icon, QPoint* hotspot = nullptr);
// The image as 24-bit BMP file bytes.
std::vector<uint8_t> BmpFromImage(const QImage& image);

// ---- Devices

// Where a DC's drawing goes.
class Device
{
public:
    virtual ~Device() = default;
    // The image holding the device's pixels; nullptr when there is none (printers, measuring DCs):
    // pixel reads, blits from the device and exact raster operations then do nothing or fail.
    virtual QImage* Image() { return nullptr; }
    // Where drawing goes: the image by default; a printer returns its paint device. nullptr: the DC
    // only measures.
    virtual QPaintDevice* Target() { return Image(); }
    // A painter already open on Target() (owner-draw over a widget's painter, a printer's page);
    // nullptr: the DC opens and keeps its own.
    virtual QPainter* LivePainter() { return nullptr; }
    // Called after drawing touched `rect` (device pixels).
    virtual void Touched(const QRect& rect) { (void)rect; }
    virtual int Technology() const { return DT_RASDISPLAY; }
    // Resolution in dots per inch (LOGPIXELSX/Y).
    virtual int DpiX() const { return 96; }
    virtual int DpiY() const { return 96; }
    // Drawable area in pixels (HORZRES/VERTRES); an empty size means the screen's.
    virtual QSize PixelSize()
    {
        QPaintDevice* t = Target();
        return t ? QSize(t->width(), t->height()) : QSize();
    }
    // The whole page and where the drawable area starts on it (PHYSICAL*); the drawable area itself
    // for devices other than printers.
    virtual QSize PhysicalSize() { return PixelSize(); }
    virtual QPoint PhysicalOffset() { return QPoint(0, 0); }
};

// A window's backing image, kept across repaints; the window's surface blits it.
class BackingStore : public kel::ui::WindowSurfaceData
{
public:
    ~BackingStore() override;
    QImage image;    // client-area sized, RGB32
    QRegion painted; // the part holding what the window drew (the rest is shown after a repaint)
    QRegion dirty;   // drawn since the last flush to the screen
};

// The window's backing store, created or resized to its client area; nullptr for a bad window.
BackingStore* BackingFor(HWND hwnd);

// Ends whichever DC's painter is open on `target` (before painting on it or replacing it by other
// means). Nothing happens when none is.
void EndPainting(QPaintDevice* target);

// ---- DCs

// Device-independent state; SaveDC pushes a copy.
struct DcState
{
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    HBITMAP bitmap = nullptr; // memory DCs
    HPALETTE palette = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int polyFillMode = ALTERNATE;
    int stretchMode = BLACKONWHITE;
    int arcDirection = 1; // AD_COUNTERCLOCKWISE
    UINT textAlign = TA_TOP | TA_LEFT;
    POINT current{0, 0};
    POINT brushOrg{0, 0};
    int mapMode = MM_TEXT;
    POINT windowOrg{0, 0};
    POINT viewportOrg{0, 0};
    SIZE windowExt{1, 1};
    SIZE viewportExt{1, 1};
    bool hasClip = false; // a clip region is selected
    QRegion clip;         // device coordinates

    QPoint ToDevice(int x, int y) const;
    QPoint ToLogical(int x, int y) const;
    // A logical length along x (pen widths, font heights) in device pixels.
    int WidthToDevice(int w) const;
    int HeightToDevice(int h) const;
};

class MetaRecorder;

class DeviceContext
{
public:
    DeviceContext(std::unique_ptr<Device> device, HWND hwnd);
    ~DeviceContext();

    // Selects into the current state, keeping the selected counts.
    void Select(HPEN pen, HBRUSH brush, HFONT font);
    // Selects a bitmap into a memory DC (the device then draws on it).
    void SelectBitmap(HBITMAP bitmap);

    // The painter drawing calls share, open on the device's target; nullptr when the device has
    // none. State (clip, raster op) is applied by the caller.
    QPainter* Painter();
    // Ends this DC's own painter (a live painter stays with its owner).
    void EndPainter();
    // The clip that applies: the selected clip region within the system clip (a paint's update
    // region). Empty + !Clipped(): no clip.
    bool Clipped() const { return state.hasClip || hasSystemClip; }
    QRegion EffectiveClip() const;

    std::unique_ptr<Device> device;
    HWND hwnd = nullptr;
    bool memoryDc = false;
    DcState state;
    std::vector<DcState> saved;
    bool hasSystemClip = false;
    QRegion systemClip;
    // A metafile DC's recorder (MetaRecorder.h); null for every other DC.
    std::unique_ptr<MetaRecorder> recorder;
    // What was last applied to the painter (so unchanged state costs nothing per call).
    unsigned clipSerial = 1;
    unsigned appliedClipSerial = 0;

private:
    std::unique_ptr<QPainter> ownPainter_;
    QPaintDevice* paintingOn_ = nullptr;
    QPainter* live_ = nullptr;
};

// Makes a DC handle for a device; its initial objects are the stock defaults.
HDC CreateDc(std::unique_ptr<Device> device, HWND hwnd);
// A live DC, nullptr for a bad handle.
DeviceContext* LookupDc(HDC hdc);
BOOL DestroyDc(HDC hdc);
// A DC drawing through a painter the caller keeps open for the DC's life (owner-draw); `window`
// is the window it draws for (may be NULL).
HDC CreatePainterDc(QPainter* painter, HWND window);

// A printer DC (info: an information context) for CreateDC/CreateIC with a printer's name; nullptr
// for an unknown printer. Supplied by the printing side; weak so the drawing side links without it.
HDC CreatePrinterDc(LPCSTR device, LPCSTR port, const void* devmode, bool info) __attribute__((weak));

} // namespace kel::gdi
