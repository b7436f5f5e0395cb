// Colours, GDI services and utilities: the 20-colour palette and its shades, 3-D boxes, pen and brush
// selection under the library's ownership rule, log-scale rounding, memory, timing and string helpers.
#include "PlotkitInternal.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr COLORREF kPalette[20] = {
    RGB(0, 0, 0),       RGB(0, 0, 128),     RGB(0, 128, 0),     RGB(0, 128, 128),   RGB(128, 0, 0),
    RGB(128, 0, 128),   RGB(128, 128, 0),   RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 255),
    RGB(0, 255, 0),     RGB(0, 255, 255),   RGB(255, 0, 0),     RGB(255, 0, 255),   RGB(255, 255, 0),
    RGB(255, 255, 255), RGB(166, 202, 240), RGB(192, 220, 192), RGB(160, 160, 164), RGB(255, 251, 240),
};

enum
{
    kBlack = 0,
    kBlue,
    kGreen,
    kCyan,
    kRed,
    kMagenta,
    kBrown,
    kLightGray,
    kGray,
    kLightBlue,
    kLightGreen,
    kLightCyan,
    kLightRed,
    kLightMagenta,
    kYellow,
    kWhite,
};

bool RecordingMetafile(const GrDesc* graph)
{
    return graph && graph->metafileDc;
}

// Selects a new object; on the screen the one it replaces is deleted.
void SelectOwned(const GrDesc* graph, HDC dc, HGDIOBJ object)
{
    HGDIOBJ old = SelectObject(dc, object);
    if (old && !RecordingMetafile(graph))
        DeleteObject(old);
}

// The logical width of one output pixel in x and y.
POINT PixelStep(GrDesc* graph)
{
    POINT s{1, 1};
    GetAbsPix(graph, reinterpret_cast<int*>(&s.x), reinterpret_cast<int*>(&s.y));
    s.x = std::max<LONG>(1, s.x);
    s.y = std::max<LONG>(1, s.y);
    return s;
}

void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Runs `draw` with a one-pixel solid pen of the colour selected, then puts the old pen back.
template <typename F> void WithPen(HDC dc, COLORREF color, F draw)
{
    HPEN pen = CreatePen(PS_SOLID, 0, color);
    HGDIOBJ old = SelectObject(dc, pen);
    draw();
    SelectObject(dc, old);
    DeleteObject(pen);
}

} // namespace

COLORREF WINAPI WGGetRGBColor(int index)
{
    return index >= 0 && index < 20 ? kPalette[index] : 1;
}

int WINAPI WGGetPureColor(COLORREF color)
{
    HDC screen = GetDC(nullptr);
    const COLORREF c = screen ? GetNearestColor(screen, color) : color;
    ReleaseDC(nullptr, screen);
    int best = 0;
    int distance = 1000;
    for (int i = 0; i < 20; ++i)
    {
        const COLORREF p = kPalette[i];
        const int d = std::abs(GetRValue(p) - GetRValue(c)) + std::abs(GetGValue(p) - GetGValue(c)) +
                      std::abs(GetBValue(p) - GetBValue(c));
        if (d == 0)
            return i;
        if (d < distance)
        {
            distance = d;
            best = i;
        }
    }
    return best;
}

COLORREF WINAPI WGCreateShadeColor(COLORREF c)
{
    if (c == kPalette[kBlack])
        return RGB(66, 66, 66);
    if (c == kPalette[kLightGray])
        return kPalette[kGray];
    if (c == kPalette[kGray])
        return RGB(63, 63, 63);
    return RGB(GetRValue(c) / 2, GetGValue(c) / 2, GetBValue(c) / 2);
}

COLORREF WINAPI CreateLighterColor(COLORREF c)
{
    static const struct
    {
        COLORREF from, to;
    } table[] = {
        {kPalette[kBlack], kPalette[kGray]},           {kPalette[kBlue], kPalette[kLightBlue]},
        {kPalette[kGreen], kPalette[kLightGreen]},     {kPalette[kCyan], kPalette[kLightCyan]},
        {kPalette[kRed], kPalette[kLightRed]},         {kPalette[kMagenta], kPalette[kLightMagenta]},
        {kPalette[kBrown], kPalette[kYellow]},         {kPalette[kGray], kPalette[kLightGray]},
        {kPalette[kLightBlue], RGB(128, 128, 255)},    {kPalette[kLightGreen], RGB(128, 255, 128)},
        {kPalette[kLightCyan], RGB(192, 255, 255)},    {kPalette[kLightRed], RGB(255, 128, 128)},
        {kPalette[kLightMagenta], RGB(255, 128, 255)}, {kPalette[kYellow], RGB(255, 255, 192)},
        {kPalette[kWhite], kPalette[kLightGray]},
    };
    for (const auto& entry : table)
        if (entry.from == c)
            return entry.to;
    auto up = [](int v) { return std::min(255, v * 3 / 2 > 254 ? 255 : v * 3 / 2); };
    return RGB(up(GetRValue(c)), up(GetGValue(c)), up(GetBValue(c)));
}

void WINAPI RaisedRect(GrDesc* graph, HDC dc, const RECT* rect, COLORREF color, int mode)
{
    if (graph == nullptr || rect == nullptr)
        return;
    const RECT r = *rect;
    const int bx = graph->logWidth / 100, by = graph->logHeight / 100;
    const RECT in{r.left + bx, r.top + by, r.right - bx, r.bottom - by};
    const POINT px = PixelStep(graph);

    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, in.left, in.top, in.right + 2 * px.x, in.bottom + 2 * px.y);
    const POINT topLeft[] = {{r.left, r.bottom}, {r.left, r.top},   {r.right - px.x, r.top},
                             {in.right, in.top}, {in.left, in.top}, {in.left, in.bottom}};
    const POINT bottomRight[] = {{r.left, r.bottom}, {r.right, r.bottom},   {r.right, r.top},
                                 {in.right, in.top}, {in.right, in.bottom}, {in.left, in.bottom}};
    const COLORREF light = CreateLighterColor(color), shade = WGCreateShadeColor(color);
    HGDIOBJ oldBrush = GetCurrentObject(dc, OBJ_BRUSH);
    HBRUSH b1 = CreateSolidBrush(mode == 1 ? light : shade);
    SelectObject(dc, b1);
    Polygon(dc, topLeft, 6);
    HBRUSH b2 = CreateSolidBrush(mode == 1 ? shade : light);
    SelectObject(dc, b2);
    Polygon(dc, bottomRight, 6);
    SelectObject(dc, oldBrush);
    DeleteObject(b1);
    DeleteObject(b2);
    SelectObject(dc, oldPen);
    WithPen(dc, color, [&] { Line(dc, in.left, in.top, r.left, r.top); });
}

void WINAPI LowRect(GrDesc* graph, HDC dc, const RECT* rect, COLORREF color, int mode)
{
    if (graph == nullptr || rect == nullptr)
        return;
    const RECT r = *rect;
    const POINT px = PixelStep(graph);
    Rectangle(dc, r.left, r.top, r.right + px.x, r.bottom + px.y);
    const COLORREF light = CreateLighterColor(color), shade = WGCreateShadeColor(color);
    const COLORREF first = mode == 3 ? light : shade, second = mode == 3 ? shade : light;
    WithPen(dc, first,
            [&]
            {
                Line(dc, r.left, r.bottom, r.left, r.top);
                Line(dc, r.left, r.top, r.right, r.top);
            });
    WithPen(dc, second,
            [&]
            {
                Line(dc, r.right, r.top, r.right, r.bottom);
                Line(dc, r.right, r.bottom, r.left, r.bottom);
            });
}

void WINAPI Rect3DBorder(GrDesc* graph, HDC dc, const RECT* rect, int lines, int index)
{
    if (graph == nullptr || rect == nullptr)
        return;
    RECT r = *rect;
    if (lines < 1)
        lines = 1;
    if (!graph->printCopy)
    {
        int l = r.left, t = r.top, rr = r.right, b = r.bottom;
        WGExactPixel(dc, &l, &t);
        WGExactPixel(dc, &rr, &b);
        r = RECT{l, t, rr, b};
    }
    const POINT s = PixelStep(graph);
    const COLORREF color = WGGetRGBColor(index);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    WithPen(dc, color,
            [&]
            {
                for (int i = 1; i <= lines; ++i)
                    Rectangle(dc, r.left + i * s.x, r.top + i * s.y, r.right - i * s.x, r.bottom - i * s.y);
            });
    SelectObject(dc, oldBrush);
    const RECT in{r.left + (lines + 1) * s.x, r.top + (lines + 1) * s.y, r.right - (lines + 1) * s.x,
                  r.bottom - (lines + 1) * s.y};
    const COLORREF light = CreateLighterColor(color), shade = WGCreateShadeColor(color);
    WithPen(dc, light,
            [&]
            {
                Line(dc, r.left, r.bottom, r.left, r.top);
                Line(dc, r.left, r.top, r.right, r.top);
                Line(dc, in.right, in.top, in.right, in.bottom);
                Line(dc, in.right, in.bottom, in.left, in.bottom);
            });
    WithPen(dc, shade,
            [&]
            {
                Line(dc, r.right, r.top, r.right, r.bottom);
                Line(dc, r.right, r.bottom, r.left, r.bottom);
                Line(dc, in.left, in.bottom, in.left, in.top);
                Line(dc, in.left, in.top, in.right, in.top);
            });
}

HBRUSH WINAPI CreateBarBrush(HDC dc, int hatch, COLORREF color)
{
    HBRUSH brush = nullptr;
    if (hatch < 0)
        brush = CreateSolidBrush(color);
    else
    {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, color);
        const bool light = GetRValue(color) > 130 || GetGValue(color) > 130 || GetBValue(color) > 130;
        brush = CreateHatchBrush(hatch, light ? RGB(0, 0, 0) : RGB(255, 255, 255));
    }
    if (brush == nullptr)
        ErrHdlr(17, 0, nullptr);
    return brush;
}

HBRUSH WINAPI SelectSolidBrush(GrDesc* graph, HDC dc, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    if (brush == nullptr)
    {
        ErrHdlr(17, 0, nullptr);
        return nullptr;
    }
    SelectOwned(graph, dc, brush);
    return brush;
}

HPEN WINAPI SelectPenIndirect(GrDesc* graph, HDC dc, const LOGPEN* pen)
{
    HPEN created = pen ? CreatePenIndirect(pen) : nullptr;
    if (created == nullptr)
    {
        ErrHdlr(18, 0, nullptr);
        return nullptr;
    }
    SelectOwned(graph, dc, created);
    return created;
}

void WINAPI CleanGDI(HDC dc)
{
    for (int stock : {WHITE_BRUSH, BLACK_PEN, SYSTEM_FONT})
        if (HGDIOBJ old = SelectObject(dc, GetStockObject(stock)))
            DeleteObject(old); // a stock object ignores the delete
}

void WINAPI InvalidatePlot(GrDesc* graph, HDC dc)
{
    if (graph == nullptr)
        return;
    POINT p[2] = {{graph->plot.left, graph->plot.top}, {graph->plot.right, graph->plot.bottom}};
    LPtoDP(dc, p, 2);
    RECT r{p[0].x, p[0].y, p[1].x, p[1].y};
    InvalidateRect(graph->window, &r, FALSE);
}

void WINAPI ScaleLog(float* a, float* b)
{
    if (a == nullptr || b == nullptr)
        return;
    const bool aLarger = *a > *b;
    double lo = aLarger ? *b : *a;
    double hi = aLarger ? *a : *b;
    if (hi <= 0)
        lo = hi = 0;
    else
    {
        if (lo <= 0)
            lo = hi / 999.9;
        double l = std::log10(lo);
        if (l < 0)
            l *= 0.9999999;
        lo = std::pow(10.0, std::floor(l));
        double h = std::log10(hi);
        if (h < 0)
            h *= 1.0000001;
        hi = std::pow(10.0, std::ceil(h));
    }
    *(aLarger ? a : b) = static_cast<float>(hi);
    *(aLarger ? b : a) = static_cast<float>(lo);
}

HGLOBAL WINAPI WGCopyMem(HGLOBAL block)
{
    const SIZE_T size = GlobalSize(block);
    const void* source = block ? GlobalLock(block) : nullptr;
    if (source == nullptr)
        return nullptr;
    HGLOBAL copy = GlobalAlloc(GPTR, size);
    if (copy)
        std::memcpy(GlobalLock(copy), source, size);
    return copy;
}

HGLOBAL WINAPI HXRealloc(HGLOBAL block, UINT oldSize, UINT newSize, void** pointer)
{
    HGLOBAL grown = GlobalAlloc(GPTR, newSize);
    if (grown == nullptr)
        return nullptr;
    void* target = GlobalLock(grown);
    if (const void* source = block ? GlobalLock(block) : nullptr)
        std::memcpy(target, source, std::min<SIZE_T>({oldSize, newSize, GlobalSize(block)}));
    GlobalFree(block);
    if (pointer)
        *pointer = target;
    return grown;
}

void WINAPI Delay(DWORD ms, BOOL pump)
{
    TopDesc* top = plotkit::Lib().top;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms)
    {
        MSG msg;
        if (pump && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
            continue;
        }
        // Waits block: a short sleep between looks at the queue.
        Sleep(std::min<DWORD>(10, ms - (GetTickCount() - start)));
    }
    plotkit::Lib().top = top;
}

BOOL WINAPI WGMenuCheck(void* descriptor, UINT item, int submenu)
{
    HWND window = nullptr;
    if (plotkit::IsLivePage(static_cast<PgDesc*>(descriptor)))
        window = static_cast<PgDesc*>(descriptor)->window;
    else if (plotkit::IsLiveGraph(static_cast<GrDesc*>(descriptor)))
        window = static_cast<GrDesc*>(descriptor)->page->window;
    HMENU menu = window ? GetSubMenu(GetMenu(window), submenu) : nullptr;
    if (menu == nullptr)
        return FALSE;
    const bool checked = (GetMenuState(menu, item, MF_BYCOMMAND) & MF_CHECKED) != 0;
    CheckMenuItem(menu, item, MF_BYCOMMAND | (checked ? MF_UNCHECKED : MF_CHECKED));
    return checked ? FALSE : TRUE;
}

void WINAPI WGSetOKCursor(HWND dialog)
{
    if (HWND ok = GetDlgItem(dialog, IDOK))
        SetFocus(ok);
}

BOOL WINAPI SplitString(char* text, int length)
{
    if (text == nullptr || *text == '\0' || length <= 0)
        return FALSE;
    const int size = static_cast<int>(std::strlen(text));
    for (int k = size / length; k >= 1; --k)
    {
        const int at = length * k - 1;
        if (at == 0)
            continue;
        text[at] = '\0';
        for (int i = at - 1; i > at - length && i > 0 && (text[i] == ' ' || text[i] == '\0'); --i)
            text[i] = '\0';
    }
    return TRUE;
}
