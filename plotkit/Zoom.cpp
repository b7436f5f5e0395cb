// Rubber-band zoom: the host starts it from a button press in a graph window; the library then
// subclasses the window, draws the band while the mouse moves and, at the matching button release,
// zooms the graph's axes to the rectangle or keeps it for the host (WGGetZoom). One zoom runs per
// process.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace plotkit
{
namespace
{

struct ZoomRecord
{
    UINT startMessage = 0;
    HPEN pen = nullptr;
    HDC dc = nullptr;
    int startX = 0, startY = 0; // device pixels of the graph window
    int lastX = 0, lastY = 0;
    int currentX = 0, currentY = 0;
    SHORT xAxis = 0, yAxis = 0;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    int apply = 0;
    HWND window = nullptr;
    WNDPROC previous = nullptr;
};

std::unique_ptr<ZoomRecord> zoom;
bool zoomActive = false;
DWORD restoreError = 0; // GetLastError of a failed restore of the window procedure

void DrawBand(const ZoomRecord& z, int x, int y)
{
    Rectangle(z.dc, std::min(z.startX, x), std::min(z.startY, y), std::max(z.startX, x) + 1,
              std::max(z.startY, y) + 1);
}

// The zoom values of one axis put in its direction; a span too small for the axis's precision is
// widened in that direction. False when the span is zero.
bool OrderSpan(float min, float max, float& a, float& b, bool isY)
{
    const bool ascending = max >= min;
    if ((a > b) == ascending && a != b)
        std::swap(a, b);
    if (a == b)
        return false;
    float m = std::max(std::fabs(a), std::fabs(b));
    if (isY && m < 1e-30f)
        m = 1e-30f;
    const float least = 0.0001f * m;
    if (std::fabs(b - a) < least)
        b = ascending ? a + least : a - least;
    return true;
}

// Where an axis's crossing goes in the other axis's new range: an end stays an end; a crossing
// inside stays when the new range holds it, else it goes to the end it passed. `side` gets -1 for
// the low end, 1 for the high end, 0 when it stayed inside.
float PlaceCrossing(float crossing, float oldMin, float oldMax, float newMin, float newMax, int* side)
{
    // Work along the axis's direction: t runs from its minimum to its maximum.
    const bool ascending = oldMax >= oldMin;
    auto along = [ascending](float v) { return ascending ? v : -v; };
    const float c = along(crossing);
    if (c <= along(oldMin))
    {
        *side = -1;
        return newMin;
    }
    if (c >= along(oldMax))
    {
        *side = 1;
        return newMax;
    }
    if (c < along(newMin))
    {
        *side = -1;
        return newMin;
    }
    if (c > along(newMax))
    {
        *side = 1;
        return newMax;
    }
    *side = 0;
    return crossing;
}

void ApplyZoom(GrDesc* graph, ZoomRecord& z, float oldX[3], float oldY[3])
{
    float xMin = z.x1, xMax = z.x2, xStep = 0;
    float yMin = z.y1, yMax = z.y2, yStep = 0;
    WGRoundAxis(graph, z.xAxis, &xMin, &xMax, &xStep, FALSE);
    WGRoundAxis(graph, z.yAxis, &yMin, &yMax, &yStep, FALSE);
    // The X axis crosses the Y axis at a Y value, and the other way round.
    int xSide = 0, ySide = 0;
    const float xCrossing = PlaceCrossing(oldX[2], oldY[0], oldY[1], yMin, yMax, &xSide);
    const float yCrossing = PlaceCrossing(oldY[2], oldX[0], oldX[1], xMin, xMax, &ySide);
    WGChangeAxisRange(graph, z.xAxis, xMin, xMax, FALSE);
    WGChangeAxisRange(graph, z.yAxis, yMin, yMax, FALSE);
    float step = 0;
    int minor = 0, style = 0;
    if (WGGetAxisTicks(graph, z.xAxis, &step, &minor, &style))
        WGChangeAxisTicks(graph, z.xAxis, xStep, minor, xSide == 0 ? style : (xSide < 0 ? 0 : 4));
    if (WGGetAxisTicks(graph, z.yAxis, &step, &minor, &style))
        WGChangeAxisTicks(graph, z.yAxis, yStep, minor, ySide == 0 ? style : (ySide < 0 ? 1 : 2));
    WGChangeAxisIntercept(graph, z.xAxis, xCrossing, FALSE);
    WGChangeAxisIntercept(graph, z.yAxis, yCrossing, FALSE);
    WGRedrawGraph(graph, TRUE);
}

// Ends the zoom at the release (device position in lParam): 1 when the release is consumed.
LRESULT EndZoom(HWND window, GrDesc* graph, LPARAM lParam)
{
    ZoomRecord& z = *zoom;
    DevDesc& dev = Lib().dev;
    dev.mouseX = LOWORD(lParam);
    dev.mouseY = HIWORD(lParam);
    if (graph)
        WGGetMousePos(graph, z.xAxis, z.yAxis, &z.x2, &z.y2);
    DrawBand(z, z.lastX, z.lastY); // erase

    float oldX[3] = {}, oldY[3] = {};
    bool spans = graph && WGGetAxisRange(graph, z.xAxis, &oldX[0], &oldX[1], &oldX[2]) &&
                 WGGetAxisRange(graph, z.yAxis, &oldY[0], &oldY[1], &oldY[2]);
    spans = spans && OrderSpan(oldX[0], oldX[1], z.x1, z.x2, false);
    spans = spans && OrderSpan(oldY[0], oldY[1], z.y1, z.y2, true);
    if (!spans)
    {
        // Nothing to zoom: WGGetZoom reports it.
        z.x2 = z.x1;
        z.y2 = z.y1;
    }
    else if (z.apply)
        ApplyZoom(graph, z, oldX, oldY);

    SetROP2(z.dc, R2_COPYPEN);
    ReleaseCapture();
    SelectObject(z.dc, GetStockObject(BLACK_PEN));
    ReleaseDC(window, z.dc);
    z.dc = nullptr;
    DeleteObject(z.pen);
    z.pen = nullptr;
    if (!SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(z.previous)))
        restoreError = GetLastError();
    zoomActive = false;
    if (z.apply)
    {
        zoom.reset();
        return 1;
    }
    return 0;
}

} // namespace

} // namespace plotkit

using namespace plotkit;

int WINAPI WGStartZoom(HWND graphWindow, int xAxis, int yAxis, UINT message, BOOL apply)
{
    if (zoomActive)
        return 1;
    GrDesc* graph = graphWindow ? WGGetGraphDesc(graphWindow) : nullptr;
    if (graph == nullptr ||
        (message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN && message != WM_MBUTTONDOWN))
    {
        ErrHdlr(30, 2, "WGStartZoom");
        return 0;
    }
    if (!zoom)
        zoom = std::make_unique<ZoomRecord>();
    ZoomRecord& z = *zoom;
    z = ZoomRecord{};
    z.apply = apply ? 1 : 0;
    z.startMessage = message;
    z.window = graphWindow;
    SetCapture(graphWindow);
    // The band is drawn in device pixels on a plain window DC.
    z.dc = GetDC(graphWindow);
    z.xAxis = static_cast<SHORT>(xAxis ? xAxis : graph->defaultXAxis);
    z.yAxis = static_cast<SHORT>(yAxis ? yAxis : graph->defaultYAxis);
    WGGetMousePos(graph, z.xAxis, z.yAxis, &z.x1, &z.y1);
    z.x2 = z.x1;
    z.y2 = z.y1;
    const DevDesc& dev = Lib().dev;
    z.startX = z.lastX = z.currentX = dev.mouseX;
    z.startY = z.lastY = z.currentY = dev.mouseY;
    z.pen = CreatePen(Lib().windowsClass == 2 ? PS_SOLID : PS_DOT, 1, WGGetRGBColor(15));
    SetBkMode(z.dc, TRANSPARENT);
    SelectObject(z.dc, z.pen);
    SelectObject(z.dc, GetStockObject(NULL_BRUSH));
    SetROP2(z.dc, R2_NOT);
    z.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(graphWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fnGraphTempProc)));
    zoomActive = true;
    DrawBand(z, z.startX, z.startY);
    return 1;
}

LRESULT WINAPI fnGraphTempProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!zoom || !zoomActive)
        return DefWindowProc(window, message, wParam, lParam);
    ZoomRecord& z = *zoom;
    const WNDPROC previous = z.previous;
    switch (message)
    {
    case WM_MOUSEMOVE:
        z.currentX = static_cast<SHORT>(LOWORD(lParam));
        z.currentY = static_cast<SHORT>(HIWORD(lParam));
        DrawBand(z, z.lastX, z.lastY); // erase the band drawn before
        DrawBand(z, z.currentX, z.currentY);
        z.lastX = z.currentX;
        z.lastY = z.currentY;
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        // Only the release of the button that started the zoom ends it (down + 1 is its up).
        if (message == z.startMessage + 1 && EndZoom(window, WGGetGraphDesc(window), lParam))
            return 0;
        break;
    case WM_DESTROY:
        // The window goes during a zoom: end it without zooming.
        z.apply = 0;
        EndZoom(window, nullptr, lParam);
        break;
    }
    return CallWindowProc(previous, window, message, wParam, lParam);
}

int WINAPI WGGetZoom(float* x1, float* y1, float* x2, float* y2)
{
    if (!zoom || zoomActive)
        return 0;
    const ZoomRecord z = *zoom;
    zoom.reset();
    if (x1)
        *x1 = z.x1;
    if (y1)
        *y1 = z.y1;
    if (x2)
        *x2 = z.x2;
    if (y2)
        *y2 = z.y2;
    return z.x1 != z.x2 && z.y1 != z.y2 ? 1 : 0;
}
