// Object activation: the host activates one object of a graph window; the user then moves it by
// dragging its body or resizes it by dragging one of the handles in the middles of its edges. While
// an object is active the graph window is subclassed and the mouse captured; a dotted band shows
// where the object goes, and the button-up moves it there. One object is active per process.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace plotkit
{
namespace
{

constexpr int kHandleSize = 100; // logical units
constexpr int kMinimumPixels = 20;

enum Edge
{
    kNone = 0,
    kTop = 1,
    kLeft = 2,
    kBottom = 3,
    kRight = 4,
};

struct Handles
{
    RECT left, top, right, bottom;
};

struct Activation
{
    Handles handles{};
    RECT body{};
    SHORT object = 0;
    int active = 0;
    int buttonDown = 0;
    int moving = 0;
    int resizing = 0;
    int lastX = 0, lastY = 0;
    int type = 0;
    RECT band{};
    HDC dc = nullptr; // window DC of the graph, mapped, while a drag runs
    int edge = kNone;
    HWND window = nullptr;
    WNDPROC previous = nullptr;
};

struct Cursors
{
    bool loaded = false;
    HCURSOR saved = nullptr;
    HCURSOR sizeNS = nullptr, sizeWE = nullptr, sizeAll = nullptr, no = nullptr;
};

std::unique_ptr<Activation> record;
Cursors cursors;

LRESULT CALLBACK ActivateObjProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

Handles MakeHandles(const RECT& r)
{
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int hx = r.left + (width - kHandleSize) / 2;
    const int vy = r.top + (height - kHandleSize) / 2;
    Handles h;
    h.left = RECT{r.left, vy, r.left + kHandleSize, vy + kHandleSize};
    h.top = RECT{hx, r.top, hx + kHandleSize, r.top + kHandleSize};
    h.right = RECT{r.right - kHandleSize, vy, r.right, vy + kHandleSize};
    h.bottom = RECT{hx, r.bottom - kHandleSize, hx + kHandleSize, r.bottom};
    return h;
}

// The message's position in graph logical units; DevDesc keeps the device position as the host's
// procedure would.
POINT LogicalMouse(GrDesc* graph, LPARAM lParam)
{
    DevDesc& dev = Lib().dev;
    dev.mouseX = LOWORD(lParam);
    dev.mouseY = HIWORD(lParam);
    POINT p{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
    HDC dc = GetMappedDC(graph);
    DPtoLP(dc, &p, 1);
    ReleaseDC(graph->window, dc);
    return p;
}

// The band: dotted, palette colour 15, XOR, so drawing it twice takes it away.
void DrawBand(const Activation& a)
{
    if (a.dc == nullptr)
        return;
    HPEN pen = CreatePen(PS_DOT, 0, WGGetRGBColor(15));
    HGDIOBJ oldPen = SelectObject(a.dc, pen);
    HGDIOBJ oldBrush = SelectObject(a.dc, GetStockObject(NULL_BRUSH));
    const int rop = SetROP2(a.dc, R2_XORPEN);
    const int bk = SetBkMode(a.dc, TRANSPARENT);
    const RECT r = Ordered(a.band);
    Rectangle(a.dc, r.left, r.top, r.right, r.bottom);
    SetBkMode(a.dc, bk);
    SetROP2(a.dc, rop);
    SelectObject(a.dc, oldBrush);
    SelectObject(a.dc, oldPen);
    DeleteObject(pen);
}

void BeginDrag(Activation& a, GrDesc* graph, POINT p)
{
    a.lastX = p.x;
    a.lastY = p.y;
    if (a.dc == nullptr)
    {
        a.dc = GetMappedDC(graph);
        DrawBand(a);
    }
}

void EndDrag(Activation& a, GrDesc* graph)
{
    if (a.dc == nullptr)
        return;
    DrawBand(a); // erase
    ReleaseDC(graph->window, a.dc);
    a.dc = nullptr;
}

bool InsideClient(HWND window, LPARAM lParam)
{
    RECT client{};
    GetClientRect(window, &client);
    const int x = static_cast<SHORT>(LOWORD(lParam));
    const int y = static_cast<SHORT>(HIWORD(lParam));
    return x >= client.left && x < client.right && y >= client.top && y < client.bottom;
}

// Drops an activation whose graph is gone (the graph killed or its window destroyed while active).
void Abandon()
{
    Activation& a = *record;
    if (IsWindow(a.window))
    {
        if (a.dc)
            ReleaseDC(a.window, a.dc);
        if (GetCapture() == a.window)
            ReleaseCapture();
        if (GetWindowLongPtr(a.window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ActivateObjProc))
            SetWindowLongPtr(a.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(a.previous));
    }
    record.reset();
}

bool Stale()
{
    return record && (!IsWindow(record->window) || WGGetGraphDesc(record->window) == nullptr);
}

int StartActivation(HWND window, GrDesc* graph, int number, BOOL startMoving)
{
    if (!cursors.loaded)
    {
        cursors.saved = GetCursor();
        cursors.sizeNS = LoadCursor(nullptr, IDC_SIZENS);
        cursors.sizeWE = LoadCursor(nullptr, IDC_SIZEWE);
        cursors.sizeAll = LoadCursor(nullptr, IDC_SIZEALL);
        cursors.no = LoadCursor(nullptr, IDC_NO);
        cursors.loaded = true;
    }
    if (Stale())
        Abandon();
    if (record && record->active)
        return 1;
    ObjDesc* object = FindObject(graph, number);
    if (object == nullptr)
        return 0;
    if (!record)
        record = std::make_unique<Activation>();
    Activation& a = *record;
    a = Activation{};
    graph->activeObject = number;
    a.active = 1;
    a.window = window;
    SetCapture(window);
    a.previous = reinterpret_cast<WNDPROC>(GetWindowLongPtr(window, GWLP_WNDPROC));

    const POINT p = LogicalMouse(graph, MAKELPARAM(Lib().dev.mouseX, Lib().dev.mouseY));
    object->active = 1;
    WGRedrawObject(graph, number, FALSE);
    a.object = static_cast<SHORT>(number);
    a.body = Ordered(object->extent);
    a.band = a.body;
    a.type = object->type;
    a.handles = MakeHandles(a.body);
    if (startMoving)
    {
        a.moving = 1;
        BeginDrag(a, graph, p);
    }
    SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ActivateObjProc));
    return 1;
}

int StopActivation(HWND window, GrDesc* graph, int number)
{
    ObjDesc* object = ObjectAt(graph, number);
    if (object == nullptr || !object->active || !record || !record->active || record->object != number)
        return 0;
    Activation& a = *record;
    EndDrag(a, graph);
    ReleaseCapture();
    object->active = 0;
    graph->activeObject = 0;
    WGRedrawObject(graph, number, FALSE);
    if (a.previous && GetWindowLongPtr(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ActivateObjProc))
        SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(a.previous));
    record.reset();
    return 1;
}

void MoveBand(Activation& a, GrDesc* graph, int dx, int dy)
{
    DrawBand(a);
    const int width = a.band.right - a.band.left;
    const int height = a.band.bottom - a.band.top;
    // Kept inside the graph with its size.
    const int left = std::clamp<int>(a.band.left + dx, 0, std::max(0, graph->logWidth - width));
    const int top = std::clamp<int>(a.band.top + dy, 0, std::max(0, graph->logHeight - height));
    a.band = RECT{left, top, left + width, top + height};
    DrawBand(a);
}

void ResizeBand(Activation& a, int dx, int dy)
{
    DrawBand(a);
    switch (a.edge)
    {
    case kTop:
        a.band.top += dy;
        break;
    case kLeft:
        a.band.left += dx;
        break;
    case kBottom:
        a.band.bottom += dy;
        break;
    case kRight:
        a.band.right += dx;
        break;
    }
    DrawBand(a);
}

void OnMouseMove(HWND window, GrDesc* graph, LPARAM lParam)
{
    Activation& a = *record;
    const POINT p = LogicalMouse(graph, lParam);
    const bool inside = InsideClient(window, lParam);
    if (a.moving)
    {
        if (!inside)
        {
            SetCursor(cursors.no);
            return;
        }
        SetCursor(cursors.sizeAll);
        MoveBand(a, graph, p.x - a.lastX, p.y - a.lastY);
        a.lastX = p.x;
        a.lastY = p.y;
        return;
    }
    if (a.resizing && a.buttonDown && a.type != PK_TYPE_TEXT)
    {
        if (!inside)
        {
            SetCursor(cursors.no);
            return;
        }
        if (a.dc == nullptr)
            BeginDrag(a, graph, POINT{a.lastX, a.lastY}); // from the press on the handle
        ResizeBand(a, p.x - a.lastX, p.y - a.lastY);
        a.lastX = p.x;
        a.lastY = p.y;
        return;
    }
    // Hovering: a handle offers a resize, the body (with the button down) a move. With the button
    // down it is the press that counts, so the way from the press to this first move is not lost.
    const POINT at = a.buttonDown ? POINT{a.lastX, a.lastY} : p;
    const Handles& h = a.handles;
    int edge = kNone;
    if (a.type != PK_TYPE_TEXT)
    {
        if (IsInsideRect(&h.top, at.x, at.y, nullptr))
            edge = kTop;
        else if (IsInsideRect(&h.bottom, at.x, at.y, nullptr))
            edge = kBottom;
        else if (IsInsideRect(&h.left, at.x, at.y, nullptr))
            edge = kLeft;
        else if (IsInsideRect(&h.right, at.x, at.y, nullptr))
            edge = kRight;
    }
    if (edge != kNone)
    {
        a.edge = edge;
        a.resizing = 1;
        SetCursor(edge == kTop || edge == kBottom ? cursors.sizeNS : cursors.sizeWE);
        if (a.buttonDown && inside)
        {
            BeginDrag(a, graph, at);
            ResizeBand(a, p.x - a.lastX, p.y - a.lastY);
        }
        a.lastX = p.x;
        a.lastY = p.y;
        return;
    }
    // Off the handles nothing is being resized any more.
    a.resizing = 0;
    a.edge = kNone;
    if (a.buttonDown && IsInsideRect(&a.body, at.x, at.y, graph))
    {
        a.moving = 1;
        SetCursor(cursors.sizeAll);
        BeginDrag(a, graph, at);
        MoveBand(a, graph, p.x - a.lastX, p.y - a.lastY);
        a.lastX = p.x;
        a.lastY = p.y;
        return;
    }
    SetCursor(cursors.saved);
}

// Normalised rectangle of the band, each value clamped to 0..1.
void NormalisedBand(const Activation& a, const GrDesc* graph, float* v)
{
    const RECT r = Ordered(a.band);
    const float w = static_cast<float>(std::max(1, graph->logWidth));
    const float h = static_cast<float>(std::max(1, graph->logHeight));
    v[0] = std::clamp(r.left / w, 0.0f, 1.0f);
    v[1] = std::clamp(r.top / h, 0.0f, 1.0f);
    v[2] = std::clamp(r.right / w, 0.0f, 1.0f);
    v[3] = std::clamp(r.bottom / h, 0.0f, 1.0f);
}

// Places the object at normalised (x1, y1)-(x2, y2) and repaints the old and the new area.
void PlaceObject(GrDesc* graph, int number, const float* v)
{
    if (ObjDesc* o = ObjectAt(graph, number))
        InvalidateObject(graph, o);
    WGChangeObjectCoordNorm(graph, number, v[0], v[1], v[2], v[3]);
    WGRedrawObject(graph, number, FALSE);
}

void EndMove(GrDesc* graph)
{
    Activation& a = *record;
    EndDrag(a, graph);
    float v[4];
    NormalisedBand(a, graph, v);
    const int number = a.object;
    ObjDesc* object = ObjectAt(graph, number);
    const int px = std::max(1, graph->unitsPerPixelX);
    const int py = std::max(1, graph->unitsPerPixelY);
    const bool moved = std::abs(a.band.left - a.body.left) >= px || std::abs(a.band.top - a.body.top) >= py ||
                       std::abs(a.band.right - a.body.right) >= px ||
                       std::abs(a.band.bottom - a.body.bottom) >= py;
    if (object && moved)
        object->moved = 1;
    if (a.type == PK_TYPE_TEXT)
    {
        // A text keeps its own anchor within its box: shift the anchor by the band's movement.
        float x = 0, y = 0;
        WGGetObjectCoordNorm(graph, number, &x, &y, nullptr, nullptr);
        x = std::clamp(x + static_cast<float>(a.band.left - a.body.left) / std::max(1, graph->logWidth), 0.0f,
                       1.0f);
        y = std::clamp(y + static_cast<float>(a.band.top - a.body.top) / std::max(1, graph->logHeight), 0.0f,
                       1.0f);
        v[0] = v[2] = x;
        v[1] = v[3] = y;
    }
    if (moved)
        PlaceObject(graph, number, v);
    a.body = a.band;
    a.handles = MakeHandles(a.body);
    a.moving = 0;
}

void EndResize(HWND window, GrDesc* graph)
{
    Activation& a = *record;
    EndDrag(a, graph);
    float v[4];
    NormalisedBand(a, graph, v); // ordered and clamped
    // At least 20 pixels each way; a sliver at the far edge grows back towards the near one.
    const float minW = static_cast<float>(kMinimumPixels) * std::max(1, graph->unitsPerPixelX) /
                       std::max(1, graph->logWidth);
    const float minH = static_cast<float>(kMinimumPixels) * std::max(1, graph->unitsPerPixelY) /
                       std::max(1, graph->logHeight);
    if (v[2] - v[0] < minW)
    {
        if (v[2] >= 1.0f - minW)
            v[0] = v[2] - minW;
        else
            v[2] = v[0] + minW;
    }
    if (v[3] - v[1] < minH)
    {
        if (v[3] >= 1.0f - minH)
            v[1] = v[3] - minH;
        else
            v[3] = v[1] + minH;
    }
    const int number = a.object;
    PlaceObject(graph, number, v);
    if (ObjDesc* object = ObjectAt(graph, number))
        object->moved = 1;
    // A fresh frame round the new size.
    StopActivation(window, graph, number);
    StartActivation(window, graph, number, FALSE);
}

LRESULT CALLBACK ActivateObjProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!record || record->window != window)
        return DefWindowProc(window, message, wParam, lParam);
    // Kept before any handling: a stop puts the old procedure back and frees the record.
    const WNDPROC previous = record->previous;
    GrDesc* graph = WGGetGraphDesc(window);
    if (graph == nullptr)
    {
        // The graph went while its object was active.
        Abandon();
        return CallWindowProc(previous, window, message, wParam, lParam);
    }
    switch (message)
    {
    case WM_MOUSEMOVE:
        OnMouseMove(window, graph, lParam);
        return 0;
    case WM_LBUTTONDOWN:
    {
        record->buttonDown = 1;
        const POINT p = LogicalMouse(graph, lParam);
        record->lastX = p.x;
        record->lastY = p.y;
        if (!IsInsideRect(&record->body, p.x, p.y, graph))
            StopActivation(window, graph, record->object);
        break;
    }
    case WM_RBUTTONDOWN:
    {
        const POINT p = LogicalMouse(graph, lParam);
        if (IsInsideRect(&record->body, p.x, p.y, graph))
            break;
        StopActivation(window, graph, record->object);
        const LRESULT result = CallWindowProc(previous, window, message, wParam, lParam);
        // The press again, now that the mouse is free, for whatever window lies under it. Placed
        // with the real screen's size.
        POINT s{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
        ClientToScreen(window, &s);
        const int64_t w = std::max(1, GetSystemMetrics(SM_CXSCREEN));
        const int64_t h = std::max(1, GetSystemMetrics(SM_CYSCREEN));
        const auto dx = static_cast<DWORD>(std::clamp<int64_t>((s.x * int64_t{65536} + w - 1) / w, 0, 65535));
        const auto dy = static_cast<DWORD>(std::clamp<int64_t>((s.y * int64_t{65536} + h - 1) / h, 0, 65535));
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN, dx, dy, 0, 0);
        return result;
    }
    case WM_LBUTTONUP:
        LogicalMouse(graph, lParam);
        record->buttonDown = 0;
        if (record->moving)
            EndMove(graph);
        else if (record->resizing)
            EndResize(window, graph);
        if (record)
            record->resizing = record->moving = 0;
        SetCursor(cursors.saved);
        break;
    case WM_DESTROY:
        // The window goes: it ends the activation with it.
        StopActivation(window, graph, record->object);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
        LogicalMouse(graph, lParam);
        break;
    }
    return CallWindowProc(previous, window, message, wParam, lParam);
}

} // namespace

void DrawActivationFrame(HDC dc, const RECT& rect)
{
    const RECT r = Ordered(rect);
    const int px = LogicalX(dc, 1);
    const int py = LogicalY(dc, 1);
    const Handles h = MakeHandles(r);
    SetROP2(dc, R2_NOT);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    // The frame's own line through each handle is inverted back, so that the inverted handle
    // below shows as one solid block.
    auto line = [dc](int x1, int y1, int x2, int y2)
    {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    };
    line(h.top.left, h.top.top, h.top.right, h.top.top);
    line(h.left.left, h.left.top, h.left.left, h.left.bottom);
    line(h.right.right - px, h.right.top, h.right.right - px, h.right.bottom);
    line(h.bottom.left, h.bottom.bottom - py, h.bottom.right, h.bottom.bottom - py);
    for (const RECT* handle : {&h.left, &h.top, &h.right, &h.bottom})
        InvertRect(dc, handle);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SetROP2(dc, R2_COPYPEN);
}

} // namespace plotkit

using namespace plotkit;

int WINAPI WGStartActivateObject(HWND graphWindow, int number, BOOL startMoving)
{
    GrDesc* graph = graphWindow ? WGGetGraphDesc(graphWindow) : nullptr;
    if (graph == nullptr || !IsLiveGraph(graph))
    {
        ErrHdlr(30, 2, "WGStartActivateObject");
        return 0;
    }
    return StartActivation(graphWindow, graph, number, startMoving);
}

int WINAPI WGStopActivateObject(HWND graphWindow, int number)
{
    GrDesc* graph = graphWindow ? WGGetGraphDesc(graphWindow) : nullptr;
    if (graph == nullptr || !IsLiveGraph(graph))
        return 0;
    return StopActivation(graphWindow, graph, number);
}

BOOL WINAPI IsInsideRect(const RECT* rect, int x, int y, GrDesc* graph)
{
    if (rect == nullptr)
        return FALSE;
    RECT r = Ordered(*rect);
    if (graph && IsLiveGraph(graph))
    {
        // A line's extent has no width or height: give it one pixel on each side.
        if (r.right == r.left)
        {
            r.left -= graph->unitsPerPixelX;
            r.right += graph->unitsPerPixelX;
        }
        if (r.bottom == r.top)
        {
            r.top -= graph->unitsPerPixelY;
            r.bottom += graph->unitsPerPixelY;
        }
    }
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

void WINAPI DrawRectFrame(HDC dc, const RECT* rect)
{
    if (rect == nullptr)
        return;
    SetROP2(dc, R2_NOT);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, rect->left, rect->top, rect->right, rect->bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SetROP2(dc, R2_COPYPEN);
}
