// GDI objects: the handle table, stock objects, system colours, the font mapping, regions and
// palettes.
#include "gdi_internal.h"
#include "gdi_metarecorder.h"

#include "win32/kernel.h"
#include "win32/user.h"

#include <array>
#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <strings.h>

namespace kel::gdi
{

namespace
{

std::map<uintptr_t, std::unique_ptr<GdiObject>>& Objects()
{
    static std::map<uintptr_t, std::unique_ptr<GdiObject>> objects;
    return objects;
}

HPEN MakePen(const LOGPEN& log)
{
    auto pen = std::make_unique<PenObject>();
    pen->log = log;
    return static_cast<HPEN>(AddObject(std::move(pen)));
}

HBRUSH MakeBrush(const LOGBRUSH& log)
{
    auto brush = std::make_unique<BrushObject>();
    brush->log = log;
    return static_cast<HBRUSH>(AddObject(std::move(brush)));
}

LOGFONT MakeLogFont(LONG height, LONG weight, const char* face)
{
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = ANSI_CHARSET;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

// A light theme close to the classic desktop defaults.
std::array<COLORREF, COLOR_MENUBAR + 1> g_sysColors = {
    RGB(200, 200, 200), // SCROLLBAR
    RGB(58, 110, 165),  // BACKGROUND
    RGB(153, 180, 209), // ACTIVECAPTION
    RGB(191, 205, 219), // INACTIVECAPTION
    RGB(240, 240, 240), // MENU
    RGB(255, 255, 255), // WINDOW
    RGB(100, 100, 100), // WINDOWFRAME
    RGB(0, 0, 0),       // MENUTEXT
    RGB(0, 0, 0),       // WINDOWTEXT
    RGB(0, 0, 0),       // CAPTIONTEXT
    RGB(180, 180, 180), // ACTIVEBORDER
    RGB(244, 247, 252), // INACTIVEBORDER
    RGB(171, 171, 171), // APPWORKSPACE
    RGB(0, 120, 215),   // HIGHLIGHT
    RGB(255, 255, 255), // HIGHLIGHTTEXT
    RGB(240, 240, 240), // BTNFACE
    RGB(160, 160, 160), // BTNSHADOW
    RGB(109, 109, 109), // GRAYTEXT
    RGB(0, 0, 0),       // BTNTEXT
    RGB(67, 78, 84),    // INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // BTNHIGHLIGHT
    RGB(105, 105, 105), // 3DDKSHADOW
    RGB(227, 227, 227), // 3DLIGHT
    RGB(0, 0, 0),       // INFOTEXT
    RGB(255, 255, 225), // INFOBK
    RGB(181, 181, 181), // (unused index 25)
    RGB(0, 102, 204),   // HOTLIGHT
    RGB(185, 209, 234), // GRADIENTACTIVECAPTION
    RGB(215, 228, 242), // GRADIENTINACTIVECAPTION
    RGB(0, 120, 215),   // MENUHILIGHT
    RGB(240, 240, 240), // MENUBAR
};

std::array<HBRUSH, COLOR_MENUBAR + 1> g_sysBrushes{};

} // namespace

HGDIOBJ AddObject(std::unique_ptr<GdiObject> object)
{
    // Handles count up and are never reused, so a stale handle can never reach a newer object.
    static std::atomic<uintptr_t> next{0x10000};
    std::lock_guard lock(TableLock());
    const uintptr_t h = next.fetch_add(4);
    Objects()[h] = std::move(object);
    return reinterpret_cast<HGDIOBJ>(h);
}

void ReleaseDeselected(HGDIOBJ h)
{
    std::lock_guard lock(TableLock());
    auto it = Objects().find(reinterpret_cast<uintptr_t>(h));
    if (it != Objects().end() && it->second->deletePending && it->second->selectedCount <= 0)
        Objects().erase(it);
}

std::recursive_mutex& TableLock()
{
    static std::recursive_mutex lock;
    return lock;
}

GdiObject* LookupObject(HGDIOBJ h, DWORD type)
{
    std::lock_guard lock(TableLock());
    auto it = Objects().find(reinterpret_cast<uintptr_t>(h));
    if (it == Objects().end() || (type != 0 && it->second->type != type))
        return nullptr;
    return it->second.get();
}

std::string FamilyOf(const LOGFONT& lf)
{
    // Faces the code names map to installed metric-compatible fonts.
    const std::string face(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    static const std::pair<const char*, const char*> faces[] = {
        {"MS Sans Serif", "Liberation Sans"},    {"MS Shell Dlg", "Liberation Sans"},
        {"MS Shell Dlg 2", "Liberation Sans"},   {"Arial", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},        {"Tahoma", "Liberation Sans"},
        {"Segoe UI", "Liberation Sans"},         {"System", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"}, {"Times", "Liberation Serif"},
        {"MS Serif", "Liberation Serif"},        {"Courier New", "Liberation Mono"},
        {"Courier", "Liberation Mono"},          {"Fixedsys", "Liberation Mono"},
        {"Terminal", "Liberation Mono"},         {"Lucida Console", "Liberation Mono"},
    };
    std::string family;
    for (const auto& [from, to] : faces)
        if (strcasecmp(face.c_str(), from) == 0)
            family = to;
    if (!family.empty())
        return family;
    if (!face.empty())
        return face;
    if ((lf.lfPitchAndFamily & 0xF0) == FF_ROMAN)
        return "Liberation Serif";
    if ((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN)
        return "Liberation Mono";
    return "Liberation Sans";
}

const Font& FontOf(HFONT font)
{
    if (auto* object = Lookup<FontObject>(font, OBJ_FONT))
        return object->font;
    static const Font fallback = []
    {
        Font f;
        std::strncpy(f.log.lfFaceName, "Liberation Sans", LF_FACESIZE - 1);
        return f;
    }();
    return fallback;
}

} // namespace kel::gdi

using namespace kel::gdi;

HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME)
        return nullptr;
    LOGPEN log{static_cast<UINT>(iStyle), POINT{cWidth < 0 ? 0 : cWidth, 0}, color};
    return MakePen(log);
}

HPEN CreatePenIndirect(const LOGPEN* plpen)
{
    return plpen ? CreatePen(static_cast<int>(plpen->lopnStyle), plpen->lopnWidth.x, plpen->lopnColor)
                 : nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    return MakeBrush(LOGBRUSH{BS_SOLID, color, 0});
}

HBRUSH CreateHatchBrush(int iHatch, COLORREF color)
{
    if (iHatch < HS_HORIZONTAL || iHatch > HS_DIAGCROSS)
        return nullptr;
    return MakeBrush(LOGBRUSH{BS_HATCHED, color, static_cast<ULONG_PTR>(iHatch)});
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush)
{
    if (!plbrush)
        return nullptr;
    switch (plbrush->lbStyle)
    {
    case BS_SOLID:
        return CreateSolidBrush(plbrush->lbColor);
    case BS_NULL:
        return MakeBrush(LOGBRUSH{BS_NULL, 0, 0});
    case BS_HATCHED:
        return CreateHatchBrush(static_cast<int>(plbrush->lbHatch), plbrush->lbColor);
    case BS_PATTERN:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(plbrush->lbHatch));
    default:
        return nullptr;
    }
}

HFONT CreateFontIndirect(const LOGFONT* lplf)
{
    if (!lplf)
        return nullptr;
    auto font = std::make_unique<FontObject>();
    font->font.log = *lplf;
    font->font.log.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(AddObject(std::move(font)));
}

HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                 DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                 DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    LOGFONT lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic != 0);
    lf.lfUnderline = static_cast<BYTE>(bUnderline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName)
        std::strncpy(lf.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

HGDIOBJ GetStockObject(int i)
{
    static std::array<HGDIOBJ, DC_PEN + 1> stock{};
    if (i < 0 || i > DC_PEN || i == 9)
        return nullptr;
    std::lock_guard lock(TableLock());
    if (!stock[i])
    {
        HGDIOBJ h = nullptr;
        switch (i)
        {
        case WHITE_BRUSH:
            h = CreateSolidBrush(RGB(255, 255, 255));
            break;
        case LTGRAY_BRUSH:
            h = CreateSolidBrush(RGB(192, 192, 192));
            break;
        case GRAY_BRUSH:
            h = CreateSolidBrush(RGB(128, 128, 128));
            break;
        case DKGRAY_BRUSH:
            h = CreateSolidBrush(RGB(64, 64, 64));
            break;
        case BLACK_BRUSH:
            h = CreateSolidBrush(RGB(0, 0, 0));
            break;
        case NULL_BRUSH:
            h = MakeBrush(LOGBRUSH{BS_NULL, 0, 0});
            break;
        case WHITE_PEN:
            h = CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
            break;
        case BLACK_PEN:
            h = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
            break;
        case NULL_PEN:
            h = CreatePen(PS_NULL, 0, 0);
            break;
        case DC_BRUSH:
            h = CreateSolidBrush(RGB(255, 255, 255));
            break;
        case DC_PEN:
            h = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
            break;
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case SYSTEM_FIXED_FONT:
        {
            LOGFONT lf = MakeLogFont(-13, FW_NORMAL, "Courier New");
            lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
            h = CreateFontIndirect(&lf);
            break;
        }
        case ANSI_VAR_FONT:
        {
            const LOGFONT lf = MakeLogFont(-11, FW_NORMAL, "MS Sans Serif");
            h = CreateFontIndirect(&lf);
            break;
        }
        case DEFAULT_GUI_FONT:
        {
            const LOGFONT lf = MakeLogFont(-11, FW_NORMAL, "MS Shell Dlg");
            h = CreateFontIndirect(&lf);
            break;
        }
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
        {
            const LOGFONT lf = MakeLogFont(16, FW_BOLD, "System");
            h = CreateFontIndirect(&lf);
            break;
        }
        case DEFAULT_PALETTE:
        {
            auto palette = std::make_unique<PaletteObject>();
            for (int c = 0; c < 20; ++c) // the static colours: black, primaries, greys, white
                palette->entries.push_back(RGB((c & 1) ? 255 : 0, (c & 2) ? 255 : 0, (c & 4) ? 255 : 0));
            h = AddObject(std::move(palette));
            break;
        }
        default:
            return nullptr;
        }
        LookupObject(h)->stock = true;
        stock[i] = h;
    }
    return stock[i];
}

BOOL DeleteObject(HGDIOBJ ho)
{
    std::lock_guard lock(TableLock());
    auto it = Objects().find(reinterpret_cast<uintptr_t>(ho));
    if (it == Objects().end())
        return FALSE;
    if (it->second->stock)
        return TRUE;
    if (it->second->selectedCount > 0)
    {
        // A bitmap in a memory DC cannot go; pens, brushes, fonts and palettes go when deselected.
        if (it->second->type == OBJ_BITMAP)
            return FALSE;
        it->second->deletePending = true;
        return TRUE;
    }
    Objects().erase(it);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ h)
{
    if (GdiObject* object = LookupObject(h))
        return object->type;
    if (DeviceContext* dc = LookupDc(static_cast<HDC>(h)))
    {
        // A recording DC tells its kind, so drawing code can tell a metafile from the screen.
        if (dc->recorder)
            return dc->recorder->Kind();
        return dc->memoryDc ? OBJ_MEMDC : OBJ_DC;
    }
    return 0;
}

int GetObject(HGDIOBJ h, int c, LPVOID pv)
{
    std::lock_guard lock(TableLock());
    GdiObject* object = LookupObject(h);
    if (!object)
        return 0;
    const void* data = nullptr;
    int size = 0;
    BITMAP bm{};
    WORD paletteCount = 0;
    switch (object->type)
    {
    case OBJ_PEN:
        data = &static_cast<PenObject*>(object)->log;
        size = sizeof(LOGPEN);
        break;
    case OBJ_BRUSH:
        data = &static_cast<BrushObject*>(object)->log;
        size = sizeof(LOGBRUSH);
        break;
    case OBJ_FONT:
        data = &static_cast<FontObject*>(object)->font.log;
        size = sizeof(LOGFONT);
        break;
    case OBJ_BITMAP:
    {
        auto* b = static_cast<BitmapObject*>(object);
        bm.bmType = 0;
        bm.bmWidth = b->pixels.Width();
        bm.bmHeight = b->pixels.Height();
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(b->bitsPixel);
        bm.bmWidthBytes = ((bm.bmWidth * b->bitsPixel + 15) / 16) * 2;
        bm.bmBits = b->dibSection ? b->pixels.Bits() : nullptr;
        data = &bm;
        size = sizeof(BITMAP);
        break;
    }
    case OBJ_PAL:
        paletteCount = static_cast<WORD>(static_cast<PaletteObject*>(object)->entries.size());
        data = &paletteCount;
        size = sizeof(WORD);
        break;
    default:
        return 0;
    }
    if (!pv)
        return size;
    const int n = std::min(c, size);
    if (n <= 0)
        return 0;
    std::memcpy(pv, data, static_cast<size_t>(n));
    return n;
}

DWORD GetSysColor(int nIndex)
{
    std::lock_guard lock(TableLock());
    return nIndex >= 0 && nIndex < static_cast<int>(g_sysColors.size()) ? g_sysColors[nIndex] : 0;
}

HBRUSH GetSysColorBrush(int nIndex)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(g_sysColors.size()))
        return nullptr;
    std::lock_guard lock(TableLock());
    if (!g_sysBrushes[nIndex])
    {
        g_sysBrushes[nIndex] = CreateSolidBrush(g_sysColors[nIndex]);
        LookupObject(g_sysBrushes[nIndex])->stock = true;
    }
    return g_sysBrushes[nIndex];
}

BOOL SetSysColors(int cElements, const INT* lpaElements, const COLORREF* lpaRgbValues)
{
    if (cElements < 0 || (cElements > 0 && (!lpaElements || !lpaRgbValues)))
        return FALSE;
    std::lock_guard lock(TableLock());
    for (int i = 0; i < cElements; ++i)
    {
        const int index = lpaElements[i];
        if (index < 0 || index >= static_cast<int>(g_sysColors.size()))
            continue;
        g_sysColors[index] = lpaRgbValues[i];
        if (g_sysBrushes[index])
            static_cast<BrushObject*>(LookupObject(g_sysBrushes[index], OBJ_BRUSH))->log.lbColor =
                lpaRgbValues[i];
    }
    return TRUE;
}

HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle, const DWORD* pstyle)
{
    if (!plbrush || cStyle != 0 || pstyle || (iPenStyle & PS_STYLE_MASK) > PS_INSIDEFRAME)
        return nullptr;
    // Cosmetic pens are one pixel wide whatever the width says.
    const bool geometric = (iPenStyle & PS_TYPE_MASK) == PS_GEOMETRIC;
    const COLORREF color = plbrush->lbStyle == BS_NULL ? 0 : plbrush->lbColor;
    const UINT style = plbrush->lbStyle == BS_NULL ? PS_NULL : iPenStyle;
    LOGPEN log{style, POINT{geometric ? static_cast<LONG>(cWidth) : 0, 0}, color};
    auto pen = std::make_unique<PenObject>();
    pen->log = log;
    return static_cast<HPEN>(AddObject(std::move(pen)));
}

// ---- Regions

namespace
{

RegionObject* RegionOf(HRGN h)
{
    return Lookup<RegionObject>(h, OBJ_REGION);
}

HRGN MakeRegion(Region region)
{
    auto object = std::make_unique<RegionObject>();
    object->region = std::move(region);
    return static_cast<HRGN>(AddObject(std::move(object)));
}

RECT Ordered(int x1, int y1, int x2, int y2)
{
    // Regions hold device coordinates, which stay within +-kDeviceLimit.
    x1 = Saturate(x1), y1 = Saturate(y1), x2 = Saturate(x2), y2 = Saturate(y2);
    return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

int Complexity(const Region& r)
{
    if (r.IsEmpty())
        return NULLREGION;
    return r.RectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace

HRGN CreateRectRgn(int x1, int y1, int x2, int y2)
{
    return MakeRegion(Region(Ordered(x1, y1, x2, y2)));
}

HRGN CreateRectRgnIndirect(const RECT* lprect)
{
    return lprect ? CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2)
{
    // A region holds a rectangle per scan line of an ellipse: huge ones are refused.
    const RECT r = Ordered(x1, y1, x2, y2);
    if (r.right - r.left > kMaxSide || r.bottom - r.top > kMaxSide)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Windows leaves elliptic and round-rectangle regions a pixel short of their box on the right
    // and at the bottom, as it does shapes drawn without a pen.
    return MakeRegion(Region::Ellipse(RECT{r.left, r.top, r.right - 1, r.bottom - 1}));
}

HRGN CreateEllipticRgnIndirect(const RECT* lprect)
{
    return lprect ? CreateEllipticRgn(lprect->left, lprect->top, lprect->right, lprect->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h)
{
    const RECT r = Ordered(x1, y1, x2, y2);
    // Corners are ellipses, held a rectangle per scan line: their size is saturated.
    const int rw = std::min<int>(Saturate(std::abs(int64_t(w)), kMaxSide), r.right - r.left);
    const int rh = std::min<int>(Saturate(std::abs(int64_t(h)), kMaxSide), r.bottom - r.top);
    return MakeRegion(Region::RoundRect(RECT{r.left, r.top, r.right - 1, r.bottom - 1}, rw, rh));
}

HRGN CreatePolyPolygonRgn(const POINT* pptl, const INT* pc, int cPoly, int iMode)
{
    if (!pptl || !pc || cPoly <= 0 || (iMode != ALTERNATE && iMode != WINDING))
        return nullptr;
    // Alternate: a point is inside when an odd number of outlines cover it; winding: any outline.
    Region region;
    for (int i = 0, at = 0; i < cPoly; at += pc[i], ++i)
    {
        if (pc[i] < 3)
            return nullptr;
        const Region part = Region::Polygons(pptl + at, &pc[i], 1, iMode == WINDING);
        region = iMode == WINDING ? region | part : region ^ part;
    }
    return MakeRegion(std::move(region));
}

HRGN CreatePolygonRgn(const POINT* pptl, int cPoint, int iMode)
{
    const INT count = cPoint;
    return CreatePolyPolygonRgn(pptl, &count, 1, iMode);
}

int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode)
{
    std::lock_guard lock(TableLock());
    RegionObject* dst = RegionOf(hrgnDst);
    RegionObject* a = RegionOf(hrgnSrc1);
    RegionObject* b = iMode == RGN_COPY ? a : RegionOf(hrgnSrc2);
    if (!dst || !a || !b)
        return ERROR;
    switch (iMode)
    {
    case RGN_AND:
        dst->region = a->region & b->region;
        break;
    case RGN_OR:
        dst->region = a->region | b->region;
        break;
    case RGN_XOR:
        dst->region = a->region ^ b->region;
        break;
    case RGN_DIFF:
        dst->region = a->region - b->region;
        break;
    case RGN_COPY:
        dst->region = a->region;
        break;
    default:
        return ERROR;
    }
    return Complexity(dst->region);
}

BOOL SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom)
{
    std::lock_guard lock(TableLock());
    RegionObject* r = RegionOf(hrgn);
    if (!r)
        return FALSE;
    r->region = Region(Ordered(left, top, right, bottom));
    return TRUE;
}

BOOL PtInRegion(HRGN hrgn, int x, int y)
{
    std::lock_guard lock(TableLock());
    RegionObject* r = RegionOf(hrgn);
    return r && r->region.Contains(x, y);
}

BOOL RectInRegion(HRGN hrgn, const RECT* lprect)
{
    std::lock_guard lock(TableLock());
    RegionObject* r = RegionOf(hrgn);
    return r && lprect &&
           r->region.Intersects(Ordered(lprect->left, lprect->top, lprect->right, lprect->bottom));
}

BOOL EqualRgn(HRGN hrgn1, HRGN hrgn2)
{
    std::lock_guard lock(TableLock());
    RegionObject* a = RegionOf(hrgn1);
    RegionObject* b = RegionOf(hrgn2);
    return a && b && a->region == b->region;
}

int GetRgnBox(HRGN hrgn, LPRECT lprc)
{
    std::lock_guard lock(TableLock());
    RegionObject* r = RegionOf(hrgn);
    if (!r || !lprc)
        return ERROR;
    *lprc = r->region.Bounds();
    return Complexity(r->region);
}

int OffsetRgn(HRGN hrgn, int x, int y)
{
    std::lock_guard lock(TableLock());
    RegionObject* r = RegionOf(hrgn);
    if (!r)
        return ERROR;
    r->region.Offset(x, y);
    return Complexity(r->region);
}

// ---- Palettes

HPALETTE CreatePalette(const LOGPALETTE* plpal)
{
    if (!plpal || plpal->palNumEntries == 0)
        return nullptr;
    auto palette = std::make_unique<PaletteObject>();
    for (WORD i = 0; i < plpal->palNumEntries; ++i)
    {
        const PALETTEENTRY& e = plpal->palPalEntry[i];
        palette->entries.push_back(RGB(e.peRed, e.peGreen, e.peBlue));
    }
    return static_cast<HPALETTE>(AddObject(std::move(palette)));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    if (!dc || !LookupObject(hPal, OBJ_PAL))
        return nullptr;
    HPALETTE old =
        dc->state.palette ? dc->state.palette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    dc->state.palette = hPal;
    return old;
}

UINT RealizePalette(HDC hdc)
{
    return LookupDc(hdc) ? 0 : GDI_ERROR; // true colour: nothing to map
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries)
{
    std::lock_guard lock(TableLock());
    auto* palette = static_cast<PaletteObject*>(LookupObject(hpal, OBJ_PAL));
    if (!palette)
        return 0;
    const UINT size = static_cast<UINT>(palette->entries.size());
    if (!pPalEntries)
        return size;
    UINT n = 0;
    for (UINT i = iStart; i < size && n < cEntries; ++i, ++n)
    {
        const COLORREF c = palette->entries[i];
        pPalEntries[n] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 0};
    }
    return n;
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, LPPALETTEENTRY)
{
    return 0; // no system palette on a true-colour display
}

COLORREF GetNearestColor(HDC hdc, COLORREF color)
{
    return LookupDc(hdc) ? (color & 0x00FFFFFF) : CLR_INVALID;
}
