// The drawing core's internals: GDI objects in a handle table, device-independent DC state, and
// the DC that joins a state to its device (win32/gdidevice.h). A DC is state + device: the state
// (objects, colours, modes, origins, clip) knows nothing of the target; the device draws what the
// core resolved into device pixels.
//
// Threads: any thread may create, select and delete objects and draw. Every call takes the table
// lock (TableLock, recursive) for its whole run, so calls are serialized: an object or a DC never
// changes under a call, and an object pointer looked up under the lock stays valid until the lock
// is let go (objects are only freed by DeleteObject, which defers selected ones). Window DCs
// belong to the user-interface thread. Nothing waits for another thread while holding the lock,
// except that a printer's abort procedure runs without it.
#pragma once

#include "win32/gdi.h"
#include "win32/gdibackend.h"
#include "win32/gdidevice.h"
#include "win32/uidriver.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kel::gdi
{

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

// Windows rounds half up in its transforms.
int Round(double v);
// Round(v) saturated to [-limit, limit] (NaN gives limit).
int RoundWithin(double v, int limit);

inline RECT Grown(const RECT& r, int by)
{
    return RECT{r.left - by, r.top - by, r.right + by, r.bottom + by};
}
inline bool IsEmpty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}
// The rectangles' intersection (empty rectangles give an empty one).
RECT Intersected(const RECT& a, const RECT& b);
// The smallest rectangle holding both; an empty one counts for nothing.
RECT United(const RECT& a, const RECT& b);

// ---- DIB layout (header fields may be anything: sizes in 64 bits)

// Bytes per DIB row: rows are padded to four bytes.
inline int64_t DibStride(int64_t width, int64_t bits)
{
    return ((width * bits + 31) / 32) * 4;
}

// A DIB header's row count (negative heights mean top-down rows).
inline int64_t Rows(const BITMAPINFOHEADER& h)
{
    return h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
}

// Entries of the colour table that follows the header.
inline int ColourCount(const BITMAPINFOHEADER& h)
{
    if (h.biBitCount > 8)
        return 0;
    const int full = 1 << h.biBitCount;
    return h.biClrUsed > 0 && h.biClrUsed < static_cast<DWORD>(full) ? static_cast<int>(h.biClrUsed) : full;
}

template <typename T> T ReadLe(const uint8_t* p)
{
    T v{};
    std::memcpy(&v, p, sizeof(T)); // the formats are little-endian, as is every target we build for
    return v;
}

// ---- Objects

struct GdiObject
{
    explicit GdiObject(DWORD t) : type(t) {}
    virtual ~GdiObject() = default;
    DWORD type;
    bool stock = false;
    bool deletePending = false; // DeleteObject on a selected pen, brush or font: freed when deselected
    int selectedCount = 0;      // DCs and saved states that have it selected
};

struct PenObject : GdiObject
{
    PenObject() : GdiObject(OBJ_PEN) {}
    LOGPEN log{};
};

// The tile of a BS_PATTERN brush as recorders get it: its pixels and whether they stand for a
// monochrome pattern (black takes the text colour, white the background colour).
struct PatternTile
{
    Pixmap pixels;
    bool mono = false;
    bool IsNull() const { return pixels.IsNull(); }
};

struct BrushObject : GdiObject
{
    BrushObject() : GdiObject(OBJ_BRUSH) {}
    LOGBRUSH log{};
    PatternTile pattern; // BS_PATTERN
    // The tile devices get for hatches and monochrome patterns, made for the colours (and the
    // background mode) it was last asked for.
    Pixmap tile;
    COLORREF tileFore = CLR_INVALID;
    COLORREF tileBack = CLR_INVALID;
    int tileMode = 0;
    uint64_t tileSerial = 0;
};

struct FontObject : GdiObject
{
    FontObject() : GdiObject(OBJ_FONT) {}
    Font font;
};

struct BitmapObject : GdiObject
{
    BitmapObject() : GdiObject(OBJ_BITMAP) {}
    Pixmap pixels;           // Rgb32; monochrome bitmaps keep black and white pixels
    int bitsPixel = 32;      // what GetObject reports (1 for monochrome bitmaps)
    bool dibSection = false; // CreateDIBSection: `pixels` is the caller-visible buffer
};

struct RegionObject : GdiObject
{
    RegionObject() : GdiObject(OBJ_REGION) {}
    Region region;
};

struct PaletteObject : GdiObject
{
    PaletteObject() : GdiObject(OBJ_PAL) {}
    std::vector<COLORREF> entries;
};

// Looks up a live object of the given type (0: any); nullptr for a stale or foreign handle.
GdiObject* LookupObject(HGDIOBJ h, DWORD type = 0);
template <typename T> T* Lookup(HGDIOBJ h, DWORD type)
{
    return static_cast<T*>(LookupObject(h, type));
}
std::recursive_mutex& TableLock();
// Adds an object to the table and returns its new handle.
HGDIOBJ AddObject(std::unique_ptr<GdiObject> object);
// Frees an object whose deletion waited for the last DC to deselect it.
void ReleaseDeselected(HGDIOBJ h);
// The font behind a handle; a fallback for a bad handle (never, in practice: a DC's dead fonts
// are replaced by stock ones).
const Font& FontOf(HFONT font);

// What a brush handle or a COLOR_* + 1 value stands for; false for a bad brush.
bool DescribeBrush(HBRUSH hbr, LOGBRUSH& log, PatternTile& pattern);

// Pictures of icons and cursors from resources (.ico/.cur bytes), premultiplied; null for a
// standard (placeholder) handle or bytes this layer does not read.
Pixmap IconPixmap(HICON icon, POINT* hotspot = nullptr);

// ---- Files

// Files larger than this are refused rather than read into memory.
inline constexpr uint64_t kMaxFileBytes = 256u << 20;
// Whole files through the layer's file calls (paths as the program gives them).
bool ReadWholeFile(LPCSTR path, std::vector<uint8_t>& bytes);
bool WriteWholeFile(LPCSTR path, const std::vector<uint8_t>& bytes);

// ---- Text

// cp1252 bytes as UTF-16 (every cp1252 character is one unit).
std::u16string Utf16Of(std::string_view cp1252);
// UTF-16 as cp1252 ('?' for what cp1252 cannot hold).
std::string Cp1252Of(std::u16string_view utf16);

// ---- Devices of the core's own

// Measures like a display or a reference device and draws nothing: the screen and information
// DCs, the shadow DC of the metafile player, and (through MetaRecorder) metafile DCs.
class MeasuringDevice : public Device
{
public:
    MeasuringDevice(int technology = DT_RASDISPLAY, int dpiX = 96, int dpiY = 96, SIZE size = SIZE{0, 0})
        : technology_(technology), dpiX_(dpiX), dpiY_(dpiY), size_(size)
    {
    }
    int Technology() const override { return technology_; }
    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }
    SIZE PixelSize() const override { return size_; }

private:
    int technology_;
    int dpiX_;
    int dpiY_;
    SIZE size_;
};

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
    Region clip;          // device coordinates

    POINT ToDevice(int x, int y) const;
    POINT ToLogical(int x, int y) const;
    // A logical length along x (pen widths, advances) in device pixels.
    int WidthToDevice(int w) const;
    int HeightToDevice(int h) const;
};

// The font selected in a DC state as the device draws it: a LOGFONT's height and width are logical
// units, so under a scaling mapping mode the font is realized at their device size. The reference
// stays valid while the next few fonts are asked for.
const Font& DeviceFontOf(const DcState& s);

// The device rectangle of a logical one, corners ordered; right and bottom stay exclusive.
RECT DeviceRect(const DcState& s, int left, int top, int right, int bottom);
// The pixels a fill or blit from corner (left, top) to (right, bottom) covers: from the first
// corner's pixel towards the second corner, which is left out. Where a negative extent or a
// mirroring mapping runs that way leftwards or upwards, the pixels are those of the rectangle
// mapped point by point (PatBlt(60, 60, -20, -16) covers 41..60 by 45..60).
RECT DeviceFillRect(const DcState& s, int left, int top, int right, int bottom);

class MetaRecorder;

class DeviceContext
{
public:
    // pixels: what the DC draws on when the caller owns it (null: a window's backing image for a
    // pixel DC of a window, a memory DC's bitmap).
    DeviceContext(std::unique_ptr<Device> device, HWND hwnd, Pixmap* pixels, bool onPixels);
    ~DeviceContext();

    // Selects into the current state, keeping the selected counts.
    void Select(HPEN pen, HBRUSH brush, HFONT font);
    // Selects a bitmap into a memory DC (the device then draws on it).
    void SelectBitmap(HBITMAP bitmap);

    // The pixels the DC draws on now; null for DCs without (printers, metafiles, measuring DCs).
    Pixmap* Target();
    // Target(), with any other DC's device that kept state on it let go first (one device holds a
    // pixmap at a time).
    Pixmap* Acquire();
    // Lets the device go of what it keeps between calls.
    void ReleaseDevice();

    // The clip that applies: the selected clip region within the system clip (a paint's update
    // region); null when nothing is clipped.
    bool Clipped() const { return state.hasClip || hasSystemClip; }
    const Region* EffectiveClip();
    // Called whenever the selected or system clip changes.
    void ClipChanged();
    // Whether what the DC draws is shown from its touched rectangles (a window's backing image).
    bool ShowsTouched() const { return onPixels && hwnd && !memoryDc && !pixels; }
    // Drawing touched this device rectangle (a window's backing image then shows it).
    void Touched(const RECT& rect);
    // Drawable size in pixels: the target's, the device's, or empty (then the screen's counts).
    SIZE PixelSize();
    // The selected font as the device draws it (see DeviceFontOf).
    const Font& CurrentFont() const { return DeviceFontOf(state); }

    std::unique_ptr<Device> device; // never null
    HWND hwnd = nullptr;
    bool memoryDc = false;
    bool onPixels = false; // draws on pixmaps (window, memory and backend pixel DCs)
    Pixmap* pixels = nullptr;
    DcState state;
    std::vector<DcState> saved;
    bool hasSystemClip = false;
    Region systemClip;
    MetaRecorder* recorder = nullptr; // a metafile DC's device, as a recorder
    ABORTPROC abortProc = nullptr;    // printer DCs
    unsigned clipSerial = 1;          // 0 stands for "unclipped" in DrawContext

private:
    Pixmap* holding_ = nullptr; // what the device may keep state on
    Region effective_;
    bool effectiveValid_ = false;
};

// A live DC, nullptr for a bad handle.
DeviceContext* LookupDc(HDC hdc);
// Makes a DC handle for a device (null: a measuring one).
HDC AddDc(std::unique_ptr<Device> device, HWND hwnd, Pixmap* pixels, bool onPixels);
// A printer DC (info: an information context) for CreateDC/CreateIC; NULL for an unknown printer.
HDC CreatePrinterDc(LPCSTR device, LPCSTR port, const void* devmode, bool info);
// Lets any device that keeps state on the pixmap go of it (before it is freed or reallocated).
void ReleasePixmap(const Pixmap* pixmap);
// The screen's size in pixels (what DCs without a size of their own report).
SIZE ScreenSize();

// ---- Drawing

// A pen resolved to device pixels for the DC's mapping and raster op.
DevicePen ResolvePen(const DcState& s);
// A brush handle or COLOR_* + 1 value for a device (hatches over the DC's background colour
// when OPAQUE); Kind::None for a null or bad brush.
DeviceBrush ResolveBrush(HBRUSH hbr, const DcState& s);

// One drawing call on a DC: whether it reaches the device, the context it carries, and what it
// touched (reported to the DC when the call ends).
class Drawing
{
public:
    // useRop2: the DC's raster op applies (lines, shapes); else drawing copies (fills, text, blits).
    explicit Drawing(DeviceContext* dc, bool useRop2 = true);
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    bool Active() const { return active_; }
    Device& Dev() { return *dc_->device; }
    // The context for the device; pen and brush are filled in by WithPen/WithBrush.
    DrawContext& Context() { return context_; }
    DrawContext& WithPen();
    DrawContext& WithPenAndBrush();
    // Adds a device rectangle to what this call touched.
    void Touch(const RECT& rect) { touched_ = United(touched_, rect); }

private:
    DeviceContext* dc_;
    bool active_ = false;
    DrawContext context_;
    RECT touched_{0, 0, 0, 0};
};

// Where a line of text goes on the device and what it covers, as TextOut draws it and metafile
// bounds record it.
struct TextPlacement
{
    std::u16string text;
    std::vector<int> advances; // device pixels; empty: the font's
    POINT pivot{0, 0};
    POINT offset{0, 0};
    int escapement = 0;
    int width = 0;
    int height = 0;
    int ascent = 0;
    int overhang = 0; // ink beyond the last advance (a wide last glyph on a narrow advance, slant)
    // The device pixels the box and the ink beyond its end cover (rotated about pivot when escaped),
    // right and bottom exclusive.
    RECT Box() const;
};
// Places cp1252 text for a DC's state at logical (x, y) (the current position with TA_UPDATECP),
// with logical advances lpDx (may be null). measure false: the caller needs no width (left-aligned,
// transparent text nobody shows a box of), which spares shaping the text once more than drawing it.
TextPlacement PlaceText(const DcState& s, int x, int y, std::string_view text, const INT* lpDx,
                        bool measure = true);

} // namespace kel::gdi

// Looks up a DC under the table lock for the rest of the call.
#define KEL_DC(hdc, fail)                                                                                    \
    std::lock_guard kel_dc_lock(kel::gdi::TableLock());                                                      \
    kel::gdi::DeviceContext* dc = kel::gdi::LookupDc(hdc);                                                   \
    if (!dc)                                                                                                 \
        return fail;
