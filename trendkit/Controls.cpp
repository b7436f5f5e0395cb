// Child-window controls (type 111): a scrollbar that maps its positions to a value range (subtype
// 0) and owner-drawn push buttons, button groups and LED lamps (subtype 5). The windows are real
// children of the graph window; the host passes the graph window's control messages to
// HXChildControlProc. Drawn into a metafile or a print copy, a control paints a picture of itself.
#include "TrendkitInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trendkit
{
namespace
{

enum
{
    kSubScrollbar = 0,
    kSubButton = 5,
    kMomentary = 0,
    kToggle = 1,
    kGroup = 2,
    kLed = 3,
    kStyleFlat = 0,
    kStyleDeep = 1,
    kStyleRound = 2,
    kStyleSquare = 3,
    kStyleLamp = 4,
    kGroupIdBase = 30000,
    kGroupIdStride = 20, // buttons per group at most, so that identifiers never alias
    kCaptionMax = 16,
    kPressMs = 150,
};

struct ControlButton
{
    HWND window;
    HBRUSH brush;
    COLORREF color;
    char caption[kCaptionMax];
};

struct ControlDesc
{
    RtObjDesc rt;
    FontDesc font;
    float x, y, w, h; // fractions of the graph's logical extents
    HWND window;      // single controls
    HWND graphWindow;
    COLORREF color;
    HBRUSH brush;
    INT indicatorRight;
    SHORT count;
    SHORT orientation; // groups: 0 stacked; LEDs: the off colour's palette index
    SHORT state;
    BYTE kind;
    BYTE style;
    ControlButton* buttons;
    float minimum, span;
    INT first, last, page, position;
    ControlNotifyProc notify;
    INT onColor; // LEDs: the on colour's palette index
};

// The button shown pressed by WRChangeButtonState until the release timer ends.
struct PressedButton
{
    HWND window = nullptr;
    UINT_PTR timer = 0;
};
PressedButton& Pressed()
{
    static PressedButton pressed;
    return pressed;
}

void StopPressTimer()
{
    PressedButton& p = Pressed();
    if (p.timer)
        KillTimer(nullptr, p.timer);
    p = PressedButton{};
}

bool IsStockBrush(HBRUSH brush)
{
    return brush == GetStockObject(LTGRAY_BRUSH) || brush == GetStockObject(GRAY_BRUSH) ||
           brush == GetStockObject(WHITE_BRUSH);
}

void DropBrush(HBRUSH brush)
{
    if (brush && !IsStockBrush(brush))
        DeleteObject(brush);
}

HBRUSH MakeCtlBrush(COLORREF colour)
{
    switch (colour)
    {
    case 0:
        return nullptr;
    case 0xC0C0C0:
        return static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    case 0x808080:
        return static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    case 0xFFFFFF:
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    default:
        return CreateSolidBrush(colour);
    }
}

// The colour and brush a button is drawn in (groups other than style 2 colour each button).
COLORREF ButtonColor(const ControlDesc* c, int button)
{
    if (c->kind == kGroup && c->style != kStyleRound && c->buttons && button >= 0 && button < c->count)
        return c->buttons[button].color;
    return c->color;
}

HBRUSH ButtonBrush(const ControlDesc* c, int button)
{
    if (c->kind == kGroup && c->style != kStyleRound && c->buttons && button >= 0 && button < c->count)
        return c->buttons[button].brush;
    return c->brush;
}

void ReleaseControl(GrDesc*, RtObjDesc* object)
{
    auto* c = reinterpret_cast<ControlDesc*>(object);
    // The windows go with the object, so no message names a number that no longer exists.
    auto ends = [](HWND w)
    {
        if (w == nullptr)
            return;
        if (Pressed().window == w)
            StopPressTimer();
        if (IsWindow(w))
            DestroyWindow(w);
    };
    ends(c->window);
    c->window = nullptr;
    if (c->buttons)
    {
        for (int i = 0; i < c->count; ++i)
        {
            ends(c->buttons[i].window);
            if (c->buttons[i].brush != c->brush)
                DropBrush(c->buttons[i].brush);
        }
        std::free(c->buttons);
        c->buttons = nullptr;
    }
    DropBrush(c->brush);
    c->brush = nullptr;
}

// An edit copy has no windows of its own; its brushes and entries are its own.
BOOL CopyControl(GrDesc*, const RtObjDesc* source, RtObjDesc* copy)
{
    const auto* s = reinterpret_cast<const ControlDesc*>(source);
    auto* c = reinterpret_cast<ControlDesc*>(copy);
    c->window = nullptr;
    c->brush = MakeCtlBrush(s->color);
    c->buttons = nullptr;
    if (s->buttons && s->count > 0)
    {
        c->buttons = static_cast<ControlButton*>(std::calloc(s->count, sizeof(ControlButton)));
        if (c->buttons == nullptr)
        {
            DropBrush(c->brush);
            c->brush = nullptr;
            return FALSE;
        }
        for (int i = 0; i < s->count; ++i)
        {
            c->buttons[i] = s->buttons[i];
            c->buttons[i].window = nullptr;
            c->buttons[i].brush = s->buttons[i].brush == s->brush ? c->brush : MakeCtlBrush(s->buttons[i].color);
        }
    }
    return TRUE;
}

ControlDesc* GetControlObj(GrDesc* graph, int number, const char* caller)
{
    ObjDesc* o = graph ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (o == nullptr)
    {
        ErrHdlr(56, 2, caller);
        return nullptr;
    }
    if (o->type != RT_TYPE_CONTROL)
    {
        ErrHdlr(30, 2, caller);
        return nullptr;
    }
    return reinterpret_cast<ControlDesc*>(o);
}

// The pixel placement of the normalised position in the graph window's client area.
RECT PixelPlace(const ControlDesc* c)
{
    RECT client{};
    GetClientRect(c->graphWindow, &client);
    const float cw = static_cast<float>(client.right - client.left);
    const float ch = static_cast<float>(client.bottom - client.top);
    const int x = static_cast<int>(c->x * cw), y = static_cast<int>(c->y * ch);
    return RECT{x, y, x + static_cast<int>(c->w * cw), y + static_cast<int>(c->h * ch)};
}

// Slot i of a group's rectangle (stacked or side by side).
RECT GroupSlot(const ControlDesc* c, RECT r, int i)
{
    if (c->count <= 1)
        return r;
    if (c->orientation == 0)
    {
        const int h = (r.bottom - r.top) / c->count;
        return RECT{r.left, r.top + i * h, r.right, r.top + (i + 1) * h};
    }
    const int w = (r.right - r.left) / c->count;
    return RECT{r.left + i * w, r.top, r.left + (i + 1) * w, r.bottom};
}

void PlaceWindows(ControlDesc* c)
{
    const RECT r = PixelPlace(c);
    if (c->kind == kGroup && c->rt.head.subKind == kSubButton && c->buttons)
    {
        for (int i = 0; i < c->count; ++i)
            if (HWND w = c->buttons[i].window)
            {
                const RECT s = GroupSlot(c, r, i);
                MoveWindow(w, s.left, s.top, s.right - s.left, s.bottom - s.top, TRUE);
            }
    }
    else if (c->window)
        MoveWindow(c->window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// ---- Faces ---------------------------------------------------------------------------------------

struct FaceTools
{
    HDC dc;
    int unit; // one pixel on screen, one logical pixel in a copy
    bool copy;
};

void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void Draw3DFace(const FaceTools& t, RECT r, COLORREF face, HBRUSH brush, int style, bool pressed)
{
    HDC dc = t.dc;
    const int u = t.unit;
    HBRUSH made = nullptr;
    if (brush == nullptr)
        brush = made = CreateSolidBrush(face);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    const COLORREF shade = WGCreateShadeColor(face), light = CreateLighterColor(face);
    HPEN lightPen = CreatePen(PS_SOLID, u, light), shadePen = CreatePen(PS_SOLID, u, shade);
    HBRUSH shadeBrush = CreateSolidBrush(shade);
    const int w = (r.right - r.left) / u, h = (r.bottom - r.top) / u;
    if (w < 24)
        style = kStyleFlat;
    const int l = r.left + u, tp = r.top + u, rt = r.right - 2 * u, bt = r.bottom - 2 * u;
    if (!pressed)
    {
        SelectObject(dc, lightPen);
        Line(dc, l, bt, l, tp);
        Line(dc, l, tp, rt + u, tp);
        SelectObject(dc, shadePen);
        Line(dc, l, bt, rt, bt);
        Line(dc, rt, bt, rt, tp - u);
        if (style == kStyleDeep)
        {
            const int depth = (3 + (h < 12 ? 1 : 0)) * u;
            POINT bevel[6] = {{l, bt + u}, {rt + u, bt + u}, {rt + u, tp},
                              {rt + u - depth, tp + depth}, {rt + u - depth, bt + u - depth}, {l + depth, bt + u - depth}};
            SelectObject(dc, shadeBrush);
            Polygon(dc, bevel, 6);
        }
    }
    else
    {
        SelectObject(dc, shadePen);
        Line(dc, l, bt, l, tp);
        Line(dc, l, tp, rt + u, tp);
        if (style == kStyleDeep)
        {
            if (!t.copy)
            {
                Line(dc, l + u, bt, l + u, tp + u);
                Line(dc, l + u, tp + u, rt + u, tp + u);
            }
            else
            {
                const int depth = 3 * u;
                POINT bevel[6] = {{l, bt + u}, {l, tp}, {rt + u, tp},
                                  {rt + u - depth, tp + depth}, {l + depth, tp + depth}, {l + depth, bt + u - depth}};
                SelectObject(dc, shadeBrush);
                Polygon(dc, bevel, 6);
            }
        }
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(lightPen);
    DeleteObject(shadePen);
    DeleteObject(shadeBrush);
    if (made)
        DeleteObject(made);
}

int IndicatorSize(RECT r, int unit)
{
    return ((r.bottom - r.top) / unit) / 2 + 1;
}

// The indicator's box (round or square), `inset` units from the side.
RECT IndicatorBox(const ControlDesc* c, RECT r, int unit, int side, int inset)
{
    const int d = side * unit;
    const int cy = (r.top + r.bottom) / 2;
    const int x = c->indicatorRight ? r.right - inset * unit - d : r.left + inset * unit;
    return RECT{x, cy - d / 2, x + d, cy - d / 2 + d};
}

void DrawRound(const FaceTools& t, const ControlDesc* c, RECT r, HBRUSH brush, COLORREF text, bool on)
{
    const int d = IndicatorSize(r, t.unit);
    const RECT box = IndicatorBox(c, r, t.unit, d, 3);
    HPEN pen = CreatePen(PS_SOLID, t.unit, text);
    HGDIOBJ oldPen = SelectObject(t.dc, pen);
    HGDIOBJ oldBrush = SelectObject(t.dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(HOLLOW_BRUSH));
    Ellipse(t.dc, box.left, box.top, box.right, box.bottom);
    if (on)
    {
        const int inset = (d - (d / 2 + 1)) / 2 * t.unit;
        HBRUSH dot = CreateSolidBrush(text);
        SelectObject(t.dc, dot);
        Ellipse(t.dc, box.left + inset, box.top + inset, box.right - inset, box.bottom - inset);
        SelectObject(t.dc, oldBrush);
        DeleteObject(dot);
    }
    SelectObject(t.dc, oldBrush);
    SelectObject(t.dc, oldPen);
    DeleteObject(pen);
}

void DrawSquare(const FaceTools& t, const ControlDesc* c, RECT r, HBRUSH brush, COLORREF face, COLORREF text,
                bool on)
{
    HDC dc = t.dc;
    const int u = t.unit;
    if (t.copy && brush)
        FillRect(dc, &r, brush);
    const int side = IndicatorSize(r, u) - 1;
    const RECT box = IndicatorBox(c, r, u, side, 4);
    if (brush)
        FillRect(dc, &box, brush);
    if (on)
    {
        const bool big = side > 10;
        HPEN pen = CreatePen(PS_SOLID, (big ? 2 : 1) * u, text);
        HGDIOBJ old = SelectObject(dc, pen);
        const int in = big ? u : 0;
        Line(dc, box.left + in, box.top + in, box.right - in - u, box.bottom - in - u);
        Line(dc, box.left + in, box.bottom - in - u, box.right - in - u, box.top + in);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    HPEN lightPen = CreatePen(PS_SOLID, u, CreateLighterColor(face));
    HPEN shadePen = CreatePen(PS_SOLID, u, WGCreateShadeColor(face));
    HGDIOBJ old = SelectObject(dc, lightPen);
    Line(dc, box.left, box.bottom - u, box.left, box.top);
    Line(dc, box.left, box.top, box.right, box.top);
    SelectObject(dc, shadePen);
    Line(dc, box.left, box.bottom - u, box.right - u, box.bottom - u);
    Line(dc, box.right - u, box.bottom - u, box.right - u, box.top);
    SelectObject(dc, old);
    DeleteObject(lightPen);
    DeleteObject(shadePen);
}

void DrawLamp(const FaceTools& t, const ControlDesc* c, RECT r)
{
    HDC dc = t.dc;
    const int u = t.unit;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
    const int width = (r.right - r.left) / u;
    const int inset = (width + 1) / 6 * u;
    const RECT in{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
    const COLORREF lamp = WGGetRGBColor(c->state ? c->onColor : c->orientation);
    HBRUSH fill = CreateSolidBrush(lamp);
    SelectObject(dc, fill);
    Ellipse(dc, in.left, in.top, in.right, in.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
    if (lamp != RGB(0, 0, 0) && width > 8)
    {
        const int cx = (in.left + in.right) / 2, cy = (in.top + in.bottom) / 2;
        const int off = ((in.right - in.left) / u + 1) / 5 * u;
        const int hx = cx - off, hy = cy - off;
        SetPixel(dc, hx, hy, RGB(255, 255, 255));
        SetPixel(dc, hx + u, hy, RGB(255, 255, 255));
        SetPixel(dc, hx, hy + u, RGB(255, 255, 255));
        if (width > 20)
            SetPixel(dc, hx + u, hy + u, RGB(255, 255, 255));
    }
}

// The caption font at the size of `dc`'s units (screen pixels, or the graph's logical units in a copy).
HFONT CaptionFont(GrDesc* graph, const ControlDesc* c, bool copy)
{
    LOGFONT lf = c->font.logFont;
    if (!copy && graph->logHeight > 0)
        lf.lfHeight = static_cast<LONG>(static_cast<long long>(lf.lfHeight) * graph->devHeight / graph->logHeight);
    return CreateFontIndirect(&lf);
}

void DrawCaption(GrDesc* graph, const FaceTools& t, const ControlDesc* c, RECT r, const char* text, bool pressed)
{
    if (text == nullptr || text[0] == '\0')
        return;
    HDC dc = t.dc;
    const int u = t.unit;
    HFONT font = CaptionFont(graph, c, t.copy);
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, c->font.colorIndex >= 0 ? WGGetRGBColor(c->font.colorIndex) : RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    RECT box{r.left + 3 * u, r.top + 3 * u, r.right - 3 * u, r.bottom - 3 * u};
    const int length = static_cast<int>(strnlen(text, kCaptionMax - 1));
    if (c->style == kStyleFlat || c->style == kStyleDeep)
    {
        int shift = 0;
        if (pressed)
            shift = u;
        else if (c->style == kStyleDeep && (r.right - r.left) / u >= 24)
            shift = -3 * u;
        box = RECT{box.left + shift, box.top + shift, box.right + shift, box.bottom + shift};
        DrawTextA(dc, text, length, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    else
    {
        const int beside = (IndicatorSize(r, u) + 6) * u;
        if (c->indicatorRight)
        {
            box.right -= beside;
            DrawTextA(dc, text, length, &box, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        }
        else
        {
            box.left += beside;
            DrawTextA(dc, text, length, &box, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        }
    }
    SelectObject(dc, old);
    DeleteObject(font);
}

// One button's face and caption in `r`.
void DrawButton(GrDesc* graph, const FaceTools& t, const ControlDesc* c, int button, RECT r, bool on,
                bool pressed, const char* caption, bool whole)
{
    const COLORREF face = ButtonColor(c, button);
    HBRUSH brush = ButtonBrush(c, button);
    const COLORREF text = c->font.colorIndex >= 0 ? WGGetRGBColor(c->font.colorIndex) : RGB(0, 0, 0);
    if (whole && c->style >= kStyleRound)
    {
        SetBkColor(t.dc, face);
        ExtTextOutA(t.dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    }
    switch (c->style)
    {
    case kStyleFlat:
    case kStyleDeep:
        Draw3DFace(t, r, face, brush, c->style, pressed);
        break;
    case kStyleRound:
        DrawRound(t, c, r, brush, text, on);
        break;
    case kStyleSquare:
        DrawSquare(t, c, r, brush, face, text, on);
        break;
    default:
        DrawLamp(t, c, r);
        break;
    }
    if (c->kind != kLed)
        DrawCaption(graph, t, c, r, caption, pressed && c->style <= kStyleDeep);
}

// ---- Scrollbar positions -------------------------------------------------------------------------

// Positions after the first for a span and step (at least one, so that nothing divides by 0).
int PositionCount(float span, float step)
{
    const double n = std::fabs(static_cast<double>(span) / step) + 0.5;
    return static_cast<int>(std::clamp(n, 1.0, 2147483647.0));
}

int PageOf(const ControlDesc* c, float page)
{
    const double p = std::fabs(static_cast<double>(page) / c->span) * c->last + 0.5;
    return static_cast<int>(std::clamp(p, 0.0, 2147483647.0));
}

int PositionOf(const ControlDesc* c, float value)
{
    const double p = (static_cast<double>(value) - c->minimum) / c->span * c->last + 0.5;
    return static_cast<int>(std::clamp(std::floor(p), static_cast<double>(c->first), static_cast<double>(c->last)));
}

float ValueOf(const ControlDesc* c, int position)
{
    return static_cast<float>(static_cast<double>(position) * c->span / c->last + c->minimum);
}

bool UsableRange(float minimum, float maximum, float step)
{
    const float span = maximum - minimum;
    return std::isfinite(span) && std::isfinite(step) && span != 0 && step != 0;
}

// ---- Painting ------------------------------------------------------------------------------------

void PictureScrollbar(ControlDesc* c, HDC dc, int unit)
{
    const RECT r = c->rt.head.extent;
    HBRUSH brush = c->brush ? c->brush : static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    const bool vertical = (r.right - r.left) <= (r.bottom - r.top);
    const int thick = vertical ? r.right - r.left : r.bottom - r.top;
    const int length = vertical ? r.bottom - r.top : r.right - r.left;
    FaceTools t{dc, unit, true};
    HBRUSH grey = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    auto square = [&](int along)
    {
        return vertical ? RECT{r.left, r.top + along, r.right, r.top + along + thick}
                        : RECT{r.left + along, r.top, r.left + along + thick, r.bottom};
    };
    const RECT a = square(0), b = square(length - thick);
    Draw3DFace(t, a, 0xC0C0C0, grey, kStyleFlat, false);
    Draw3DFace(t, b, 0xC0C0C0, grey, kStyleFlat, false);
    // Arrow glyphs.
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    oldBrush = SelectObject(dc, black);
    auto arrow = [&](RECT s, bool toStart)
    {
        const int cx = (s.left + s.right) / 2, cy = (s.top + s.bottom) / 2, k = thick / 5;
        POINT p[3];
        if (vertical)
            p[0] = {cx, toStart ? cy - k : cy + k}, p[1] = {cx - k, toStart ? cy + k / 2 : cy - k / 2},
            p[2] = {cx + k, toStart ? cy + k / 2 : cy - k / 2};
        else
            p[0] = {toStart ? cx - k : cx + k, cy}, p[1] = {toStart ? cx + k / 2 : cx - k / 2, cy - k},
            p[2] = {toStart ? cx + k / 2 : cx - k / 2, cy + k};
        Polygon(dc, p, 3);
    };
    arrow(a, true);
    arrow(b, false);
    SelectObject(dc, oldBrush);
    const int room = std::max(length - 3 * thick, 0);
    const int at = thick + static_cast<int>(static_cast<long long>(room) * (c->position - c->first) /
                                            std::max(c->last - c->first, 1));
    Draw3DFace(t, square(at), 0xC0C0C0, grey, kStyleFlat, false);
}

void ControlPaint(GrDesc* graph, HDC dc)
{
    auto* c = reinterpret_cast<ControlDesc*>(graph->currentObject);
    if (c == nullptr)
        return;
    if (!IsCopying(graph))
    {
        auto show = [](HWND w)
        {
            if (w && !IsWindowVisible(w))
                ShowWindow(w, SW_SHOW);
        };
        show(c->window);
        if (c->buttons)
            for (int i = 0; i < c->count; ++i)
                show(c->buttons[i].window);
        if (graph->page == nullptr || graph->page->mapMode != MM_ISOTROPIC)
            PlaceWindows(c);
        return;
    }
    const int unit = std::max(graph->unitsPerPixelX, 1);
    if (c->rt.head.subKind == kSubScrollbar)
    {
        PictureScrollbar(c, dc, unit);
        return;
    }
    FaceTools t{dc, unit, true};
    const RECT r = c->rt.head.extent;
    if (c->kind == kGroup && c->buttons)
    {
        for (int i = 0; i < c->count; ++i)
            DrawButton(graph, t, c, i, GroupSlot(c, r, i), c->state == i, false, c->buttons[i].caption, true);
        return;
    }
    char caption[kCaptionMax] = "";
    if (c->window)
        GetWindowTextA(c->window, caption, kCaptionMax);
    DrawButton(graph, t, c, 0, r, c->state != 0, false, caption, true);
}

// ---- Creation ------------------------------------------------------------------------------------

HWND MakeChild(ControlDesc* c, const char* cls, DWORD style, RECT place, int id, const char* caption)
{
    TopDesc* top = Lib().top;
    return CreateWindowExA(0, cls, caption ? caption : "", style, place.left, place.top,
                           place.right - place.left, place.bottom - place.top, c->graphWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), top ? top->hostInstance : nullptr,
                           nullptr);
}

// The common part: record filled, object committed, window(s) made. Null on failure (the record is
// then gone again).
ControlDesc* CreateChildControl(GrDesc* graph, int subtype, float x, float y, float w, float h, COLORREF colour,
                                ControlNotifyProc notify, int kind, int style, int count, int orientation,
                                int side, const char* caption, const char* captions)
{
    static const char kName[] = " - CreateChildControl";
    if (graph == nullptr || graph->window == nullptr)
        return nullptr;
    // Identifiers: a single control's is its number; a group's buttons have 30000 + 20 x number + i.
    // Numbers whose identifiers would alias the groups' or pass 16 bits are refused.
    const int number = graph->cursor + 1;
    const long long highest = kind == kGroup ? kGroupIdBase + static_cast<long long>(kGroupIdStride) * number + count - 1
                                             : number;
    if ((kind != kGroup && number > kGroupIdBase) || highest > 0xFFFF)
    {
        ErrHdlr(30, 2, kName);
        return nullptr;
    }
    auto* c = reinterpret_cast<ControlDesc*>(AllocRTObject(graph, RT_TYPE_CONTROL, static_cast<WORD>(subtype)));
    if (c == nullptr)
        return nullptr;
    HDC dc = graph->buildDc;
    if (Lib().top)
        c->font = Lib().top->defaultFont;
    c->font.text = nullptr;
    c->font.textCapacity = 0;
    if (c->font.currentSize <= 0)
        c->font.currentSize = 10;
    c->font.logFont.lfHeight = -PointsToLogSize(graph, dc, c->font.currentSize);
    c->rt.head.extent = RECT{static_cast<LONG>(x * graph->logWidth), static_cast<LONG>(y * graph->logHeight),
                             static_cast<LONG>((x + w) * graph->logWidth),
                             static_cast<LONG>((y + h) * graph->logHeight)};
    c->x = x, c->y = y, c->w = w, c->h = h;
    c->graphWindow = graph->window;
    c->color = colour;
    c->brush = MakeCtlBrush(colour);
    c->indicatorRight = side;
    c->count = static_cast<SHORT>(kind == kGroup ? count : 1);
    c->orientation = static_cast<SHORT>(orientation);
    c->kind = static_cast<BYTE>(kind);
    c->style = static_cast<BYTE>(style);
    c->notify = notify;
    c->rt.head.draw = ControlPaint;
    if (kind == kGroup)
    {
        c->buttons = static_cast<ControlButton*>(std::calloc(count, sizeof(ControlButton)));
        if (c->buttons == nullptr)
        {
            ErrHdlr(53, 2, kName);
            AbandonRTObject(graph);
            return nullptr;
        }
        for (int i = 0; i < count; ++i)
        {
            ControlButton& b = c->buttons[i];
            if (captions)
                std::memcpy(b.caption, captions + i * kCaptionMax, kCaptionMax);
            b.caption[kCaptionMax - 1] = '\0';
            b.caption[strnlen(b.caption, kCaptionMax)] = '\0';
            b.color = colour;
            b.brush = style != kStyleRound ? c->brush : nullptr;
        }
    }
    const RECT place = PixelPlace(c);
    if (subtype != kSubScrollbar)
    {
        // A caption font taller than the button gets smaller.
        const int pixels = place.bottom - place.top;
        const int fontPixels = graph->logHeight > 0
                                   ? static_cast<int>(static_cast<long long>(-c->font.logFont.lfHeight) *
                                                      graph->devHeight / graph->logHeight)
                                   : 0;
        const int slotPixels = kind == kGroup && orientation == 0 ? pixels / std::max(count, 1) : pixels;
        if (slotPixels - 4 < fontPixels)
        {
            HDC screen = GetDC(nullptr);
            const int dpi = std::max(GetDeviceCaps(screen, LOGPIXELSY), 1);
            ReleaseDC(nullptr, screen);
            c->font.currentSize = static_cast<SHORT>(std::max((slotPixels - 4) * 72 / dpi, 1));
            c->font.logFont.lfHeight = -PointsToLogSize(graph, dc, c->font.currentSize);
        }
    }
    const WORD committed = CommitRTObject(graph);
    if (committed == 0)
    {
        ReleaseControl(graph, &c->rt);
        return nullptr;
    }
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    bool made = true;
    if (subtype == kSubScrollbar)
    {
        const DWORD vert = (place.right - place.left) <= (place.bottom - place.top) ? SBS_VERT : 0;
        c->window = MakeChild(c, "Scrollbar", kChild | vert, place, committed, nullptr);
        made = c->window != nullptr;
    }
    else if (kind == kGroup)
    {
        for (int i = 0; i < count && made; ++i)
        {
            const RECT s = GroupSlot(c, place, i);
            c->buttons[i].window = MakeChild(c, "Button", kChild | BS_OWNERDRAW, s,
                                             kGroupIdBase + kGroupIdStride * committed + i, c->buttons[i].caption);
            made = c->buttons[i].window != nullptr;
        }
    }
    else
    {
        char text[kCaptionMax] = "";
        CopyText(text, caption, kCaptionMax - 1);
        c->window = MakeChild(c, "Button", kChild | BS_OWNERDRAW, place, committed, text);
        made = c->window != nullptr;
    }
    if (!made)
    {
        WGDeleteObject(graph, committed);
        return nullptr;
    }
    return c;
}

WORD NumberOf(GrDesc* graph, ControlDesc* c)
{
    for (int i = 1; i <= graph->capacity; ++i)
        if (GetObjDesc(graph, i, nullptr) == &c->rt.head)
            return static_cast<WORD>(i);
    return 0;
}

// Decodes a child identifier: the object and, for a group, the button index.
ControlDesc* ControlOfId(GrDesc* graph, int id, int* button, const char* caller)
{
    int number = id;
    *button = 0;
    if (id > kGroupIdBase)
    {
        number = (id - kGroupIdBase) / kGroupIdStride;
        *button = (id - kGroupIdBase) % kGroupIdStride;
    }
    return GetControlObj(graph, number, caller);
}

int Notify(GrDesc* graph, ControlDesc* c, WORD number, INT_PTR now, INT_PTR before)
{
    return c->notify ? c->notify(graph, number, now, before) : 0;
}

void Scroll(GrDesc* graph, ControlDesc* c, WORD number, int code, int thumb)
{
    int p = c->position;
    switch (code)
    {
    case SB_LINEUP:
        p = std::max(p - 1, c->first);
        break;
    case SB_LINEDOWN:
        p = std::min(p + 1, c->last);
        break;
    case SB_PAGEUP:
        p = std::max(p - c->page, c->first);
        break;
    case SB_PAGEDOWN:
        p = static_cast<int>(std::min<long long>(static_cast<long long>(p) + c->page, c->last));
        break;
    case SB_THUMBPOSITION:
        p = std::clamp(thumb, c->first, c->last);
        break;
    case SB_TOP:
        p = c->first;
        break;
    case SB_BOTTOM:
        p = c->last;
        break;
    default:
        return;
    }
    if (p == c->position)
        return;
    float now = ValueOf(c, p), before = ValueOf(c, c->position);
    c->position = p;
    if (Notify(graph, c, number, reinterpret_cast<INT_PTR>(&now), reinterpret_cast<INT_PTR>(&before)) && c->window)
        SetScrollPos(c->window, SB_CTL, p, TRUE);
}

void DrawItem(GrDesc* graph, const DRAWITEMSTRUCT* dis)
{
    int button = 0;
    ControlDesc* c = ControlOfId(graph, static_cast<int>(dis->CtlID), &button, "DrawItem");
    if (c == nullptr || c->rt.head.subKind != kSubButton)
        return;
    if (dis->itemAction != ODA_DRAWENTIRE && dis->itemAction != ODA_SELECT)
        return;
    const WORD number = NumberOf(graph, c);
    const bool select = dis->itemAction == ODA_SELECT;
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    const int old = c->state;
    bool on = c->state != 0, pressed = false;
    switch (c->kind)
    {
    case kMomentary:
        // Held while pressed; a whole redraw shows how the button is held now.
        if (select)
            c->state = selected ? 1 : 0;
        on = pressed = select ? c->state != 0 : selected;
        break;
    case kToggle:
        if (select && selected)
            c->state = c->state ? 0 : 1;
        on = c->state != 0;
        pressed = on && c->style <= kStyleDeep;
        break;
    case kGroup:
        button = std::clamp(button, 0, std::max(c->count - 1, 0));
        if (select && selected && button != c->state)
        {
            if (c->buttons && c->state >= 0 && c->state < c->count && c->buttons[c->state].window)
                InvalidateRect(c->buttons[c->state].window, nullptr, TRUE);
            c->state = static_cast<SHORT>(button);
        }
        on = c->state == button;
        pressed = on && c->style <= kStyleDeep;
        break;
    default: // LEDs draw only whole
        if (select)
            return;
        on = c->state != 0;
        break;
    }
    FaceTools t{dis->hDC, 1, false};
    char caption[kCaptionMax] = "";
    if (c->kind == kGroup && c->buttons)
        CopyText(caption, c->buttons[button].caption, kCaptionMax - 1);
    else
        GetWindowTextA(dis->hwndItem, caption, kCaptionMax);
    DrawButton(graph, t, c, button, dis->rcItem, on, pressed, caption, !select || c->style >= kStyleRound);
    // Presses tell the host of changes only (a release of a toggle or a group button changes nothing).
    if (select && c->state != old)
        Notify(graph, c, number, c->state, old);
}

void PaintPressed(GrDesc* graph, ControlDesc* c, HWND window)
{
    HDC dc = GetDC(window);
    if (dc == nullptr)
        return;
    RECT r{};
    GetClientRect(window, &r);
    char caption[kCaptionMax] = "";
    GetWindowTextA(window, caption, kCaptionMax);
    DrawButton(graph, FaceTools{dc, 1, false}, c, 0, r, true, true, caption, true);
    ReleaseDC(window, dc);
}

} // namespace

HWND PressedControlWindow()
{
    return Pressed().window;
}

void RegisterControlType()
{
    RtObjectType control;
    control.type = RT_TYPE_CONTROL;
    control.size = sizeof(ControlDesc);
    control.release = ReleaseControl;
    control.copy = CopyControl;
    RegisterRtType(control);
}

} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetScrBarControl(GrDesc* graph, ControlNotifyProc notify, float x, float y, float w, float h,
                               COLORREF colour, float minimum, float maximum, float step, float page, float value)
{
    if (notify == nullptr)
        return 0;
    if (!UsableRange(minimum, maximum, step))
    {
        ErrHdlr(30, 2, "WRSetScrBarControl");
        return 0;
    }
    ControlDesc* c = CreateChildControl(graph, kSubScrollbar, x, y, w, h, colour, notify, 0, 0, 1, 0, 0,
                                        nullptr, nullptr);
    if (c == nullptr)
        return 0;
    c->minimum = minimum;
    c->span = maximum - minimum;
    c->first = 0;
    c->last = PositionCount(c->span, step);
    c->page = PageOf(c, page);
    c->position = PositionOf(c, value);
    SetScrollRange(c->window, SB_CTL, c->first, c->last, FALSE);
    SetScrollPos(c->window, SB_CTL, c->position, TRUE);
    UpdateWindow(c->window);
    return NumberOf(graph, c);
}

int WINAPI WRSetScrollPos(GrDesc* graph, WORD number, float value)
{
    ControlDesc* c = GetControlObj(graph, number, "WRSetScrollPos");
    if (c == nullptr || c->rt.head.subKind != kSubScrollbar)
        return 0;
    c->position = PositionOf(c, value);
    if (c->window)
        SetScrollPos(c->window, SB_CTL, c->position, TRUE);
    return 1;
}

void WINAPI WRGetScrollPos(GrDesc* graph, WORD number, float* value)
{
    ControlDesc* c = GetControlObj(graph, number, "WRGetScrollPos");
    if (c == nullptr || value == nullptr || c->rt.head.subKind != kSubScrollbar)
        return;
    *value = ValueOf(c, c->position);
}

int WINAPI WRGetScrBar(GrDesc* graph, WORD number, float* minimum, float* maximum, float* step, float* page)
{
    ControlDesc* c = GetControlObj(graph, number, "WRGetScrBar");
    if (c == nullptr || c->rt.head.subKind != kSubScrollbar)
        return 0;
    if (minimum)
        *minimum = c->minimum;
    if (maximum)
        *maximum = c->minimum + c->span;
    if (step)
        *step = std::fabs(c->span / c->last);
    if (page)
        *page = std::fabs(c->page * c->span / c->last);
    return 1;
}

int WINAPI WRChangeScrBar(GrDesc* graph, WORD number, float minimum, float maximum, float step, float page)
{
    ControlDesc* c = GetControlObj(graph, number, "WRChangeScrBar");
    if (c == nullptr || c->rt.head.subKind != kSubScrollbar)
        return 0;
    if (!UsableRange(minimum, maximum, step))
    {
        ErrHdlr(30, 2, "WRChangeScrBar");
        return 0;
    }
    const float kept = ValueOf(c, c->position);
    c->minimum = minimum;
    c->span = maximum - minimum;
    c->last = PositionCount(c->span, step);
    c->page = PageOf(c, page);
    c->position = PositionOf(c, kept);
    if (c->window)
    {
        SetScrollRange(c->window, SB_CTL, c->first, c->last, FALSE);
        SetScrollPos(c->window, SB_CTL, c->position, TRUE);
    }
    return 1;
}

WORD WINAPI WRSetButtonControl(GrDesc* graph, ControlNotifyProc notify, int kind, int style, float x, float y,
                               float w, float h, COLORREF colour, const char* caption, int side)
{
    if (notify == nullptr)
        return 0;
    if (kind < kMomentary || kind > kToggle || style < kStyleFlat || style > kStyleSquare)
    {
        ErrHdlr(30, 2, "WRSetButtonControl");
        return 0;
    }
    ControlDesc* c = CreateChildControl(graph, kSubButton, x, y, w, h, colour, notify, kind, style, 1, 0, side,
                                        caption, nullptr);
    return c ? NumberOf(graph, c) : 0;
}

WORD WINAPI WRSetButtonGroup(GrDesc* graph, ControlNotifyProc notify, int style, float x, float y, float w, float h,
                             COLORREF colour, int count, int orientation, const char* captions, int side)
{
    if (notify == nullptr)
        return 0;
    // More buttons than a group's identifiers hold would alias the next group's.
    if (count < 2 || count > kGroupIdStride || style < kStyleFlat || style > kStyleSquare)
    {
        ErrHdlr(30, 2, "WRSetButtonGroup");
        return 0;
    }
    ControlDesc* c = CreateChildControl(graph, kSubButton, x, y, w, h, colour, notify, kGroup, style, count,
                                        orientation, side, nullptr, captions);
    return c ? NumberOf(graph, c) : 0;
}

WORD WINAPI WRSetLEDControl(GrDesc* graph, float x, float y, float size, COLORREF colour, int on, int off)
{
    if (graph == nullptr || graph->devHeight <= 0)
        return 0;
    const float r = size / 2;
    const float rv = r * graph->devWidth / graph->devHeight;
    ControlDesc* c = CreateChildControl(graph, kSubButton, x - r, y - rv, 2 * r, 2 * rv, colour, nullptr, kLed,
                                        kStyleLamp, 1, off, 0, nullptr, nullptr);
    if (c == nullptr)
        return 0;
    c->onColor = on;
    return NumberOf(graph, c);
}

int WINAPI WRGetButtonState(GrDesc* graph, WORD number)
{
    ControlDesc* c = GetControlObj(graph, number, "WRGetButtonState");
    return c ? c->state : 0;
}

void CALLBACK ButtonDelayEnd(HWND, UINT, UINT_PTR id, DWORD)
{
    PressedButton& p = Pressed();
    if (p.timer != id)
    {
        KillTimer(nullptr, id);
        return;
    }
    if (p.window && IsWindow(p.window))
        InvalidateRect(p.window, nullptr, FALSE);
    StopPressTimer();
}

int WINAPI WRChangeButtonState(GrDesc* graph, WORD number, int selection)
{
    ControlDesc* c = GetControlObj(graph, number, "WRChangeButtonState");
    if (c == nullptr || c->rt.head.subKind != kSubButton)
        return 0;
    switch (c->kind)
    {
    case kMomentary:
    {
        if (c->style <= kStyleDeep && c->window)
        {
            PaintPressed(graph, c, c->window);
            StopPressTimer();
            Pressed().window = c->window;
            Pressed().timer = SetTimer(nullptr, 0, kPressMs, ButtonDelayEnd);
        }
        Notify(graph, c, number, c->state, 1);
        return 1;
    }
    case kGroup:
    {
        if (selection < 0 || selection >= c->count)
        {
            ErrHdlr(30, 2, "WRChangeButtonState");
            return 0;
        }
        if (selection == c->state)
            return 0;
        const int old = c->state;
        c->state = static_cast<SHORT>(selection);
        if (c->buttons)
        {
            if (old >= 0 && old < c->count && c->buttons[old].window)
                InvalidateRect(c->buttons[old].window, nullptr, TRUE);
            if (c->buttons[selection].window)
                InvalidateRect(c->buttons[selection].window, nullptr, TRUE);
        }
        Notify(graph, c, number, selection, old);
        return old;
    }
    default: // toggle and LED
    {
        const int old = c->state;
        c->state = old ? 0 : 1;
        if (c->window)
            InvalidateRect(c->window, nullptr, TRUE);
        return old;
    }
    }
}

void WINAPI WRChangeButtonColor(GrDesc* graph, WORD number, COLORREF colour, int button)
{
    ControlDesc* c = GetControlObj(graph, number, "WRChangeButtonColor");
    if (c == nullptr)
        return;
    if (c->kind == kGroup && c->buttons)
    {
        if (c->style == kStyleRound)
        {
            DropBrush(c->brush);
            c->color = colour;
            c->brush = MakeCtlBrush(colour);
            for (int i = 0; i < c->count; ++i)
            {
                c->buttons[i].color = colour;
                if (c->buttons[i].window)
                    InvalidateRect(c->buttons[i].window, nullptr, TRUE);
            }
            return;
        }
        if (button < 0 || button >= c->count)
        {
            ErrHdlr(30, 2, "WRChangeButtonColor");
            return;
        }
        ControlButton& b = c->buttons[button];
        if (b.brush != c->brush)
            DropBrush(b.brush);
        b.color = colour;
        b.brush = MakeCtlBrush(colour);
        if (b.window)
            InvalidateRect(b.window, nullptr, TRUE);
        return;
    }
    DropBrush(c->brush);
    c->color = colour;
    c->brush = MakeCtlBrush(colour);
    if (c->window)
        InvalidateRect(c->window, nullptr, TRUE);
}

COLORREF WINAPI WRGetButtonColor(GrDesc* graph, WORD number, int button)
{
    ControlDesc* c = GetControlObj(graph, number, "WRGetButtonCheck");
    if (c == nullptr)
        return 0;
    return ButtonColor(c, button);
}

LRESULT WINAPI HXChildControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    GrDesc* graph = WGGetGraphDesc(window);
    if (graph == nullptr)
        return 0;
    static const char kName[] = "HXChildControlProc";
    switch (message)
    {
    case WM_DRAWITEM:
        if (const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))
            DrawItem(graph, dis);
        return 1;
    case WM_COMMAND:
    {
        int button = 0;
        ControlOfId(graph, LOWORD(wParam), &button, kName);
        return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    {
        HWND bar = reinterpret_cast<HWND>(lParam);
        if (bar == nullptr)
            return 0;
        int button = 0;
        const int id = static_cast<int>(GetWindowLongPtr(bar, GWLP_ID));
        ControlDesc* c = ControlOfId(graph, id, &button, kName);
        if (c && c->rt.head.subKind == kSubScrollbar)
            Scroll(graph, c, static_cast<WORD>(id), LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return 0;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    {
        HWND child = reinterpret_cast<HWND>(lParam);
        if (child == nullptr)
            return 0;
        int button = 0;
        ControlDesc* c = ControlOfId(graph, static_cast<int>(GetWindowLongPtr(child, GWLP_ID)), &button, kName);
        if (c == nullptr)
            return 0;
        HBRUSH brush = ButtonBrush(c, button);
        if (brush == nullptr)
            return 0;
        SetBkColor(reinterpret_cast<HDC>(wParam), ButtonColor(c, button));
        return reinterpret_cast<LRESULT>(brush);
    }
    default:
        return 0;
    }
}

HWND WINAPI WRGetButtonWindow(GrDesc* graph, WORD number, int button)
{
    if (graph == nullptr)
        return nullptr;
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    if (o == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return nullptr;
    }
    if (o->type != RT_TYPE_CONTROL)
    {
        ReportIllFunc(o);
        return nullptr;
    }
    auto* c = reinterpret_cast<ControlDesc*>(o);
    if (c->kind == kGroup)
        return c->buttons && button >= 0 && button < c->count ? c->buttons[button].window : nullptr;
    return c->window;
}
