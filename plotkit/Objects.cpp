// Objects of a graph: lookup by number (32001 = the edit copy), the object interpreter, axis linking,
// editing on a copy, deletion, showing, redrawing, selection and activation flags.
#include "PlotkitInternal.h"

#include <cstring>

namespace plotkit
{
namespace
{

AxisDesc* AxisAt(const GrDesc* graph, int number)
{
    ObjDesc* o = ObjectAt(graph, number);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

bool SameRanges(const AxisDesc* a, const AxisDesc* b)
{
    return a->xMin == b->xMin && a->xMax == b->xMax && a->yMin == b->yMin && a->yMax == b->yMax;
}

void ReleaseObject(GrDesc* graph, HGLOBAL& entry)
{
    if (entry == nullptr)
        return;
    auto* object = static_cast<ObjDesc*>(GlobalLock(entry));
    if (const PlotObjectType* kind = FindObjectType(object->type); kind && kind->release)
        kind->release(graph, object);
    if (graph->currentObject == object)
        graph->currentObject = nullptr;
    GlobalFree(entry);
    entry = nullptr;
}

// Crossing update after axis `n` was edited into `edited`.
void UpdateCrossing(GrDesc* graph, int n, const AxisDesc* edited)
{
    for (int k = 1; k <= graph->capacity; ++k)
    {
        AxisDesc* other = AxisAt(graph, k);
        if (other == nullptr || other->head.yAxis != n || other->direction == edited->direction)
            continue;
        other->otherScale = edited->scale;
        if (edited->direction == 1)
        {
            other->yIntercept = edited->yIntercept;
            other->xMin = edited->scale == 1 ? edited->logMin : edited->xMin;
            other->xMax = edited->scale == 1 ? edited->logMax : edited->xMax;
        }
        else
        {
            other->xIntercept = edited->xIntercept;
            other->yMin = edited->scale == 1 ? edited->logMin : edited->yMin;
            other->yMax = edited->scale == 1 ? edited->logMax : edited->yMax;
        }
    }
    const AxisDesc* axis = AxisAt(graph, n);
    if (AxisDesc* crossing = axis ? AxisAt(graph, axis->head.yAxis) : nullptr)
    {
        crossing->xIntercept = edited->xIntercept;
        crossing->yIntercept = edited->yIntercept;
    }
}

} // namespace

ObjDesc* ObjectAt(const GrDesc* graph, int number)
{
    if (graph == nullptr || number <= 0)
        return nullptr;
    HGLOBAL h = nullptr;
    if (number == PK_EDIT_COPY)
        h = graph->editCopy;
    else if (number <= graph->capacity)
        h = graph->objects[number - 1];
    return h ? static_cast<ObjDesc*>(GlobalLock(h)) : nullptr;
}

ObjDesc* FindObject(GrDesc* graph, int number)
{
    if (!CheckGraph(graph))
        return nullptr;
    ObjDesc* object = ObjectAt(graph, number);
    if (object == nullptr)
        ErrHdlr(56, 0, nullptr);
    return object;
}

void InvalidateObject(GrDesc* graph, ObjDesc* object)
{
    RECT r{};
    if (object->type == PK_TYPE_CURVE || object->type == PK_TYPE_GROUP)
    {
        r = graph->plot;
        r.left += graph->unitsPerPixelX;
    }
    else
    {
        r = Ordered(object->extent);
        if (r.left == r.right && r.top == r.bottom && object->type != PK_TYPE_LINE &&
            object->type != PK_TYPE_DATACURSOR)
        {
            InvalidateRect(graph->window, nullptr, FALSE);
            return;
        }
        r.left -= 4 * graph->unitsPerPixelX;
        r.right += 4 * graph->unitsPerPixelX;
        r.top -= 4 * graph->unitsPerPixelY;
        r.bottom += 4 * graph->unitsPerPixelY;
    }
    HDC dc = GetMappedDC(graph);
    POINT p[2] = {{r.left, r.top}, {r.right, r.bottom}};
    LPtoDP(dc, p, 2);
    ReleaseDC(graph->window, dc);
    RECT device{p[0].x, p[0].y, p[1].x, p[1].y};
    InvalidateRect(graph->window, &device, FALSE);
}

void RescaleObjects(GrDesc* graph, HDC dc)
{
    PgDesc* page = graph->page;
    if (graph->devWidth > 0)
        graph->unitsPerPixelX =
            static_cast<int>(static_cast<double>(graph->logWidth) / graph->devWidth + 0.5);
    if (graph->devHeight > 0)
        graph->unitsPerPixelY =
            static_cast<int>(static_cast<double>(graph->logHeight) / graph->devHeight + 0.5);
    const float fx =
        graph->createdNormWidth ? page->scaleX * graph->normWidth / graph->createdNormWidth : 1.0f;
    const float fy =
        graph->createdNormHeight ? page->scaleY * graph->normHeight / graph->createdNormHeight : 1.0f;
    const float textFactor = fx < fy ? fx : fy;
    for (int n = 1; n <= graph->capacity; ++n)
    {
        ObjDesc* o = ObjectAt(graph, n);
        if (o == nullptr)
            continue;
        if (graph->unitsPerPixelX > 0)
            o->line.pixelWidth = static_cast<SHORT>(o->line.widthX / graph->unitsPerPixelX);
        if (const PlotObjectType* kind = FindObjectType(o->type); kind && kind->rescale)
            kind->rescale(graph, dc, o, textFactor);
        else if (o->type > 50 && Lib().remoteRecalc)
            Lib().remoteRecalc(graph, dc, o, textFactor);
    }
}

void FreeObjectTable(GrDesc* graph)
{
    for (int n = 1; n <= graph->capacity; ++n)
        ReleaseObject(graph, graph->objects[n - 1]);
    ReleaseObject(graph, graph->editCopy);
}

} // namespace plotkit

using namespace plotkit;

ObjDesc* WINAPI GetObjDesc(GrDesc* graph, int number, HGLOBAL* handle)
{
    ObjDesc* object = ObjectAt(graph, number);
    if (object && handle)
        *handle = GlobalHandle(object);
    return object;
}

void WINAPI ObjectInterpreter(GrDesc* graph, HDC dc)
{
    if (!CheckGraph(graph))
        return;
    TopDesc* top = graph->page->top;
    if (top && top->abortFlag)
        return;
    WGSetPlotArea(graph, dc, 0, 0, 0, 0, 0); // the backgrounds
    const SHORT cursor = graph->cursor;
    for (int n = 1; n <= graph->capacity; ++n)
    {
        if (top && top->abortFlag)
            return;
        ObjDesc* object = ObjectAt(graph, n);
        if (object == nullptr)
            continue;
        if (object->visible)
        {
            graph->cursor = static_cast<SHORT>(n - 1);
            graph->currentObject = object;
            if (object->draw)
                object->draw(graph, dc);
            if (object->activation && object->active)
                DrawActivationFrame(dc, object->extent);
        }
        else if (const PlotObjectType* kind = FindObjectType(object->type); kind && kind->hidden)
        {
            kind->hidden(graph, object);
        }
    }
    DrawGraphBorder(graph, dc);
    graph->cursor = cursor;
}

void WINAPI ConnectAxes(GrDesc* graph)
{
    if (!IsLiveGraph(graph))
        return;
    for (int a = 1; a <= graph->capacity; ++a)
    {
        AxisDesc* axis = AxisAt(graph, a);
        if (axis == nullptr)
            continue;
        // Ring: equal axes of one direction link in table order, the last back to the first.
        for (int b = a + 1; b <= graph->capacity; ++b)
        {
            AxisDesc* later = AxisAt(graph, b);
            if (later == nullptr || later->direction != axis->direction || !SameRanges(axis, later))
                continue;
            int first = a;
            for (int f = 1; f < a; ++f)
                if (AxisDesc* e = AxisAt(graph, f);
                    e && e->direction == axis->direction && SameRanges(e, axis))
                {
                    first = f;
                    break;
                }
            axis->head.xAxis = static_cast<SHORT>(b);
            later->head.xAxis = static_cast<SHORT>(first);
            break;
        }
        // Crossing: axes of the other direction without one take this axis when their ranges across
        // it match.
        for (int k = 1; k <= graph->capacity; ++k)
        {
            AxisDesc* other = AxisAt(graph, k);
            if (other == nullptr || other->direction == axis->direction || other->head.yAxis != 0)
                continue;
            const bool match = other->direction == 1
                                   ? (other->yMin == axis->yMin && other->yMax == axis->yMax)
                                   : (other->xMin == axis->xMin && other->xMax == axis->xMax);
            if (match)
                other->head.yAxis = static_cast<SHORT>(a);
        }
    }
}

int WINAPI ConnectAxLine(GrDesc* graph, ObjDesc* curve)
{
    if (!IsLiveGraph(graph) || curve == nullptr)
        return -1;
    auto* ranged = reinterpret_cast<RangedObjDesc*>(curve);
    curve->xAxis = curve->yAxis = 0;
    for (int n = 1; n <= graph->capacity && !(curve->xAxis && curve->yAxis); ++n)
    {
        AxisDesc* axis = AxisAt(graph, n);
        if (axis == nullptr)
            continue;
        if ((axis->direction == 1 || curve->yAxis) && !curve->xAxis && axis->xMin == ranged->xMin &&
            axis->xMax == ranged->xMax)
            curve->xAxis = static_cast<SHORT>(n);
        else if (axis->direction == 0 && !curve->yAxis && axis->yMin == ranged->yMin &&
                 axis->yMax == ranged->yMax)
            curve->yAxis = static_cast<SHORT>(n);
    }
    return curve->xAxis && curve->yAxis ? 0 : -1;
}

void WINAPI UpdateAxisStyle(GrDesc* graph, HGLOBAL axisHandle, const AxisDesc* edited)
{
    if (!IsLiveGraph(graph) || edited == nullptr)
        return;
    int start = 0;
    for (int n = 1; n <= graph->capacity && !start; ++n)
        if (graph->objects[n - 1] == axisHandle)
            start = n;
    if (start == 0)
        return;
    UpdateCrossing(graph, start, edited);
    int n = AxisAt(graph, start) ? AxisAt(graph, start)->head.xAxis : 0;
    for (int guard = 0; n != 0 && n != start && guard < graph->capacity; ++guard)
    {
        AxisDesc* member = AxisAt(graph, n);
        if (member == nullptr)
            break;
        member->xMin = edited->xMin;
        member->xMax = edited->xMax;
        member->yMin = edited->yMin;
        member->yMax = edited->yMax;
        member->logMin = edited->logMin;
        member->logMax = edited->logMax;
        member->scale = edited->scale;
        UpdateCrossing(graph, n, edited);
        n = member->head.xAxis;
    }
}

void WINAPI ForceLinesUpdate(GrDesc* graph, int axisIndex)
{
    if (!IsLiveGraph(graph))
        return;
    const int changed = axisIndex + 1;
    AxisDesc* start = AxisAt(graph, changed);
    TopDesc* top = graph->page->top;
    for (int n = 1; n <= graph->capacity; ++n)
    {
        ObjDesc* o = ObjectAt(graph, n);
        if (o == nullptr)
            continue;
        if ((o->type == PK_TYPE_CURVE || o->type == PK_TYPE_GROUP) && start)
        {
            // Follow the ring from the changed axis to the object's own axis.
            int a = changed;
            for (int visited = 0; a != 0 && visited < graph->capacity; ++visited)
            {
                AxisDesc* axis = AxisAt(graph, a);
                if (axis == nullptr)
                    break;
                if (a == o->xAxis || a == o->yAxis)
                {
                    auto* ranged = reinterpret_cast<RangedObjDesc*>(o);
                    if (a == o->xAxis)
                    {
                        ranged->xMin = axis->xMin;
                        ranged->xMax = axis->xMax;
                    }
                    else
                    {
                        ranged->yMin = axis->yMin;
                        ranged->yMax = axis->yMax;
                    }
                    if (const PlotObjectType* kind = FindObjectType(o->type); kind && kind->recompute)
                        kind->recompute(graph, o);
                    break;
                }
                a = axis->head.xAxis;
                if (a == changed)
                    break;
            }
        }
        else if (o->type == PK_TYPE_TEXT)
        {
            // Texts keep their font block after the head: their own type moves them.
            if (const PlotObjectType* kind = FindObjectType(o->type); kind && kind->recompute)
                kind->recompute(graph, o);
        }
        else if (((o->type == PK_TYPE_LINE || o->type == PK_TYPE_ARROW || (o->type >= 21 && o->type <= 25) ||
                   o->type == PK_TYPE_DATACURSOR) &&
                  (o->xAxis == changed || o->yAxis == changed)))
        {
            reinterpret_cast<PosObjDesc*>(o)->recompute = 1;
        }
        else if (o->type >= 100)
        {
            if (const PlotObjectType* kind = FindObjectType(o->type); kind && kind->axisChanged)
                kind->axisChanged(graph, o, axisIndex);
            else if (top && top->axisChangeHook &&
                     (o->type == 100 || o->type == 101 || o->type == 103 || o->type == 104 || o->type == 106))
                top->axisChangeHook(graph, o, axisIndex);
        }
    }
}

UINT WINAPI WGGetObjSize(GrDesc* graph, int number)
{
    ObjDesc* object = ObjectAt(graph, number);
    if (object == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return 0;
    }
    return static_cast<UINT>(GlobalSize(GlobalHandle(object)));
}

int WINAPI DefEditObject(GrDesc* graph)
{
    if (!CheckGraph(graph))
        return 2;
    if (graph->selectedObject == 0 || ObjectAt(graph, graph->selectedObject) == nullptr)
    {
        HCURSOR question = LoadCursor(Module(), "questcur");
        HCURSOR old = SetCursor(question ? question : LoadCursor(nullptr, IDC_HELP));
        Delay(400, TRUE);
        SetCursor(old);
        return 2;
    }
    ObjDesc* object = ObjectAt(graph, graph->selectedObject);
    HWND owner = graph->page && graph->page->parent ? graph->page->parent : graph->window;
    int result = 2;
    if (object->type == PK_TYPE_TEXT)
        result = EditTextObject(graph, object, owner);
    else if (object->type == PK_TYPE_LEGEND)
        result = EditLegendObject(graph, object, owner);
    else if (object->type == PK_TYPE_PIECHART)
        result = EditPieObject(graph, object, owner);
    else
        result = EditObjectDialog(graph, graph->selectedObject, owner);
    if (result == 1 || result == 3)
        InvalidateRect(graph->window, nullptr, TRUE);
    graph->layoutChanged = 1;
    SetFocus(graph->window);
    return result;
}

void WINAPI HighlightObj(GrDesc* graph)
{
    if (!CheckGraph(graph))
        return;
    ObjDesc* object = ObjectAt(graph, graph->selectedObject);
    if (object == nullptr || object->draw == nullptr)
        return;
    const int t = object->type;
    if (t == PK_TYPE_CURVE || t == PK_TYPE_GROUP || t == PK_TYPE_PIECHART || t == 103 || t == 104 || t == 110)
        return;
    HDC dc = GetMappedDC(graph);
    for (int round = 0; round < 2; ++round)
    {
        object->flash = 1;
        object->draw(graph, dc);
        Delay(200, FALSE);
        object->flash = 0;
        object->draw(graph, dc);
        if (round == 0)
            Delay(200, FALSE);
    }
    ReleaseDC(graph->window, dc);
}

int WINAPI WGDuplicateObject(GrDesc* graph, int number)
{
    if (!CheckGraph(graph))
        return 0;
    ObjDesc* source = ObjectAt(graph, number);
    if (source == nullptr || number == PK_EDIT_COPY)
    {
        ErrHdlr(56, 0, nullptr);
        return 0;
    }
    ReleaseObject(graph, graph->editCopy);
    HGLOBAL copy = WGCopyMem(GlobalHandle(source));
    if (copy == nullptr)
        return 0;
    auto* record = static_cast<ObjDesc*>(GlobalLock(copy));
    if (const PlotObjectType* kind = FindObjectType(source->type);
        kind && kind->copy && !kind->copy(graph, source, record))
    {
        GlobalFree(copy);
        return 0;
    }
    graph->editCopy = copy;
    return PK_EDIT_COPY;
}

void WINAPI WGObjUpdate(GrDesc* graph, int a, int b)
{
    if (!CheckGraph(graph))
        return;
    const int target = a == PK_EDIT_COPY ? b : a;
    ObjDesc* object = ObjectAt(graph, target);
    ObjDesc* copy = (a == PK_EDIT_COPY || b == PK_EDIT_COPY) ? ObjectAt(graph, PK_EDIT_COPY) : nullptr;
    if (object == nullptr || copy == nullptr || target == PK_EDIT_COPY)
    {
        ErrHdlr(56, 0, nullptr);
        return;
    }
    const SIZE_T size = std::min(GlobalSize(GlobalHandle(object)), GlobalSize(graph->editCopy));
    // The copy's buffers replace the object's: release the object's own first.
    if (const PlotObjectType* kind = FindObjectType(object->type); kind && kind->release)
        kind->release(graph, object);
    std::memcpy(object, copy, size);
    GlobalFree(graph->editCopy);
    graph->editCopy = nullptr;
    if (object->type == PK_TYPE_AXIS)
    {
        UpdateAxisStyle(graph, GlobalHandle(object), reinterpret_cast<AxisDesc*>(object));
        ForceLinesUpdate(graph, target - 1);
    }
}

void WINAPI WGDeleteObject(GrDesc* graph, int number)
{
    if (!IsLiveGraph(graph))
        return;
    if (number == PK_EDIT_COPY)
        ReleaseObject(graph, graph->editCopy);
    else if (number >= 1 && number <= graph->capacity)
    {
        if (graph->selectedObject == number)
            graph->selectedObject = 0;
        ReleaseObject(graph, graph->objects[number - 1]);
    }
}

void WINAPI WGShowObject(GrDesc* graph, int number, BOOL visible)
{
    ObjDesc* object = FindObject(graph, number);
    if (object == nullptr)
        return;
    object->visible = visible ? 1 : 0;
    if (graph->finished)
        InvalidateObject(graph, object);
}

void WINAPI WGRedrawObject(GrDesc* graph, int number, BOOL recompute)
{
    if (graph == nullptr || !CheckGraph(graph) || graph->building)
        return;
    ObjDesc* object = ObjectAt(graph, number);
    if (object == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return;
    }
    if (recompute)
        if (const PlotObjectType* kind = FindObjectType(object->type); kind && kind->recompute)
            kind->recompute(graph, object);
    if (object->type == PK_TYPE_AXIS && object->draw)
    {
        HDC dc = GetMappedDC(graph);
        object->draw(graph, dc);
        ReleaseDC(graph->window, dc);
        return;
    }
    InvalidateObject(graph, object);
}

int WINAPI WGGetObjectType(GrDesc* graph, int number)
{
    ObjDesc* object = ObjectAt(graph, number);
    return object ? object->type : 0;
}

int WINAPI WGGetSelObject(GrDesc* graph, int*, int*)
{
    return IsLiveGraph(graph) ? graph->selectedObject : 0;
}

void WINAPI WGSelObject(GrDesc* graph, int number)
{
    if (IsLiveGraph(graph))
        graph->selectedObject = static_cast<SHORT>(number);
}

void WINAPI WGEnableObjActivation(GrDesc* graph, int number, BOOL on)
{
    if (ObjDesc* object = IsLiveGraph(graph) ? ObjectAt(graph, number) : nullptr)
    {
        object->activation = on ? 1 : 0;
        object->moved = 0;
    }
}

BOOL WINAPI WGIsObjActivationEnabled(GrDesc* graph, int number)
{
    ObjDesc* object = IsLiveGraph(graph) ? ObjectAt(graph, number) : nullptr;
    return object ? object->activation : 0;
}

int WINAPI WGGetActiveObject(GrDesc* graph)
{
    return IsLiveGraph(graph) ? graph->activeObject : 0;
}

BOOL WINAPI WGIsActiveObjPosChanged(GrDesc* graph, int number)
{
    ObjDesc* object = IsLiveGraph(graph) ? ObjectAt(graph, number) : nullptr;
    return object ? object->moved : 0;
}

void WINAPI WGResetActiveObjPosStatus(GrDesc* graph, int number)
{
    if (ObjDesc* object = IsLiveGraph(graph) ? ObjectAt(graph, number) : nullptr)
        object->moved = 0;
}

BOOL WINAPI SetLine(GrDesc* graph, HDC dc, LineDesc* line, int style, int colorIndex, COLORREF color,
                    int width)
{
    if (line == nullptr)
        return FALSE;
    if (style < 0 || style > 6)
    {
        ErrHdlr(30, 2, "WGSetLineStyle");
        return FALSE;
    }
    line->style = style;
    line->paletteIndex = static_cast<SHORT>(colorIndex);
    line->color = colorIndex >= 0 ? WGGetRGBColor(colorIndex) : color;
    line->pixelWidth = static_cast<SHORT>(width);
    const bool wide = width != 0 && (style == PS_SOLID || style == PS_INSIDEFRAME);
    line->widthX = wide && dc ? LogicalX(dc, width) : 0;
    line->widthY = wide && dc ? LogicalY(dc, width) : 0;
    if (graph)
        line->window = graph->window;
    return TRUE;
}
