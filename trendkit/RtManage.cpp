// Deleting real-time objects, graphs and pages with what only trendkit knows of them (periodic
// updates, data-set use counts, type buffers), and finding the object under the mouse.
#include "TrendkitInternal.h"

#include <cstdlib>

namespace trendkit
{
namespace
{

void DeleteRTObjects(GrDesc* graph)
{
    for (int n = 1; n <= graph->capacity; ++n)
        WRDeleteRTObject(graph, static_cast<WORD>(n));
}

// Inverted frame around an object's rectangle, drawn twice to flash it.
void FlashFrame(GrDesc* graph, const RECT& r, DWORD ms, BOOL pump)
{
    HDC dc = graph->buildDc;
    if (dc == nullptr)
        return;
    auto frame = [&]
    {
        const int rop = SetROP2(dc, R2_NOT);
        HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, brush);
        SelectObject(dc, pen);
        SetROP2(dc, rop);
    };
    frame();
    Delay(ms, pump);
    frame();
}

POINT MousePoint(GrDesc* graph)
{
    const DevDesc* dev = GetDevDesc();
    POINT p{dev->mouseX, dev->mouseY};
    if (graph->buildDc)
    {
        MapGraph(graph, graph->buildDc);
        DPtoLP(graph->buildDc, &p, 1);
    }
    return p;
}

int FindRTLine(GrDesc* graph)
{
    const POINT p = MousePoint(graph);
    const int tolerance = 2 * graph->unitsPerPixelX;
    for (int n = 1; n <= graph->capacity; ++n)
    {
        RtObjDesc* object = RtObjectAt(graph, n);
        if (object == nullptr || !object->head.visible)
            continue;
        const int type = object->head.type;
        if (type != RT_TYPE_ALARM_LINES && type != RT_TYPE_SCROLL && type != RT_TYPE_XY)
            continue;
        const RtObjectType* kind = FindRtType(type);
        if (kind && kind->hitLine && kind->hitLine(graph, object, p, tolerance))
        {
            graph->selectedObject = static_cast<SHORT>(n);
            FlashFrame(graph, object->head.extent, 200, TRUE);
            return n;
        }
    }
    graph->selectedObject = 0;
    return 0;
}

int FindRTBox(GrDesc* graph)
{
    const POINT p = MousePoint(graph);
    for (int n = 1; n <= graph->capacity; ++n)
    {
        RtObjDesc* object = RtObjectAt(graph, n);
        if (object == nullptr || !object->head.visible)
            continue;
        const int type = object->head.type;
        if (type == RT_TYPE_ALARM_LINES || type == RT_TYPE_DYN_GRID || type == RT_TYPE_SCROLL ||
            type == RT_TYPE_XY)
            continue;
        const RtObjectType* kind = FindRtType(type);
        bool hit;
        if (kind && kind->hitBox)
            hit = kind->hitBox(graph, object, p);
        else
            hit = PointInRect(object->head.extent, p);
        if (hit)
        {
            graph->selectedObject = static_cast<SHORT>(n);
            FlashFrame(graph, object->head.extent, 250, FALSE);
            return n;
        }
    }
    graph->selectedObject = 0;
    return 0;
}

} // namespace
} // namespace trendkit

using namespace trendkit;

void WINAPI WRDeleteRTObject(GrDesc* graph, WORD number)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return;
    ObjDesc* head = GetObjDesc(graph, number, nullptr);
    if (head == nullptr)
        return;
    RemoveObjTimeUpdate(graph, number);
    DynDataSetDesc* bound = nullptr;
    if (head->type >= RT_TYPE_FIRST && head->type <= RT_TYPE_LAST)
    {
        auto* object = reinterpret_cast<RtObjDesc*>(head);
        const RtObjectType* kind = FindRtType(head->type);
        bound = kind && kind->boundSet ? kind->boundSet(object) : GetObjDataSet(object);
    }
    if (IsDynDataSetValid(bound) && bound->useCount > 0)
        --bound->useCount;
    // plotkit frees the record; the type's release frees its buffers.
    WGDeleteObject(graph, number);
}

void WINAPI WRDeleteRTGraph(GrDesc* graph)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return;
    DeleteRTObjects(graph);
    WGDeleteGraph(graph);
}

int WINAPI KillRTPage(SHORT number)
{
    if (number < 1 || number > PK_MAX_PAGES)
        return 0;
    PgDesc* page = GetPgDescPtr(number);
    if (page == nullptr)
        return 0;
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        if (GrDesc* graph = GetGrDescNum(page, slot))
            DeleteRTObjects(graph);
    // The graphs and the page descriptor go; the page window stays the host's.
    KillGraphPage(number);
    return 1;
}

WORD WINAPI rtObjFind(HWND window)
{
    auto* graph = window ? reinterpret_cast<GrDesc*>(GetWindowLongPtr(window, PK_GRAPH_WORD_DESC)) : nullptr;
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    HDC dc = graph->buildDc;
    RECT saved{};
    if (dc)
    {
        GetClipBox(dc, &saved);
        SetGraphClip(graph, dc);
    }
    int found = FindRTLine(graph);
    if (found == 0)
        found = ObjFind(window);
    if (found == 0)
    {
        found = FindRTBox(graph);
        if (dc)
            IntersectClipRect(dc, saved.left, saved.top, saved.right, saved.bottom);
    }
    return static_cast<WORD>(found);
}
