// The object picker: which object of a graph lies under the mouse.
#include "PlotkitInternal.h"

using namespace plotkit;

namespace
{

// P lies in the extent; an extent of zero width or height is widened by a pixel on both sides.
bool InExtent(const GrDesc* graph, const ObjDesc* object, POINT p)
{
    RECT r = Ordered(object->extent);
    if (r.left == r.right)
    {
        r.left -= graph->unitsPerPixelX;
        r.right += graph->unitsPerPixelX;
    }
    if (r.top == r.bottom)
    {
        r.top -= graph->unitsPerPixelY;
        r.bottom += graph->unitsPerPixelY;
    }
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

void FlashExtent(GrDesc* graph, const ObjDesc* object)
{
    HDC dc = GetMappedDC(graph);
    for (int i = 0; i < 2; ++i)
    {
        const int rop = SetROP2(dc, R2_NOT);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        const RECT r = Ordered(object->extent);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        SetROP2(dc, rop);
        if (i == 0)
            Delay(400, FALSE);
    }
    ReleaseDC(graph->window, dc);
}

} // namespace

int WINAPI ObjFind(HWND graphWindow)
{
    GrDesc* graph = WGGetGraphDesc(graphWindow);
    if (graph == nullptr)
    {
        ErrHdlr(65, 0, nullptr);
        return 0;
    }
    WGSelectGraph(graph);
    HDC dc = graph->buildDc;
    const bool own = dc == nullptr;
    if (own)
        dc = GetDC(graph->window);
    MapGraph(graph, dc);
    POINT p{Lib().dev.mouseX, Lib().dev.mouseY};
    DPtoLP(dc, &p, 1);
    if (own)
        ReleaseDC(graph->window, dc);

    int found = 0;
    int remembered = 0;
    for (int pass = 1; pass <= 3 && found == 0; ++pass)
    {
        for (int n = 1; n <= graph->capacity && found == 0; ++n)
        {
            ObjDesc* o = ObjectAt(graph, n);
            const PlotObjectType* kind = o ? FindObjectType(o->type) : nullptr;
            if (kind == nullptr || kind->hitPass != pass || !o->visible)
                continue;
            if (o->type != PK_TYPE_GROUP && !InExtent(graph, o, p))
                continue;
            if (kind->hitTest ? !kind->hitTest(graph, o, p)
                              : (o->type == PK_TYPE_GROUP && !InExtent(graph, o, p)))
                continue;
            if (o->activation)
                found = n;
            else
                remembered = n;
        }
    }
    if (found == 0 && remembered != 0)
    {
        found = remembered;
        FlashExtent(graph, ObjectAt(graph, found));
    }
    graph->selectedObject = static_cast<SHORT>(found);
    return found;
}
