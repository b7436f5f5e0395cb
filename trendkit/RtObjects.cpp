// The real-time object core: the registry of trendkit's object types (and their registration with
// plotkit), allocation of records in a graph's object table, the update callbacks, following an
// axis range change, font re-scaling and the edit dialog of a selected object.
#include "TrendkitInternal.h"
#include "ScrollGraph.h"
#include "TimeAxis.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace trendkit
{
namespace
{

std::map<int, RtObjectType>& Types()
{
    static std::map<int, RtObjectType> types;
    return types;
}

// plotkit sees trendkit's records through these: they find the type's own procedures by type.
void ReleaseThunk(GrDesc* graph, ObjDesc* object)
{
    if (const RtObjectType* kind = FindRtType(object->type); kind && kind->release)
        kind->release(graph, reinterpret_cast<RtObjDesc*>(object));
}

BOOL CopyThunk(GrDesc* graph, const ObjDesc* source, ObjDesc* copy)
{
    const RtObjectType* kind = FindRtType(source->type);
    if (kind == nullptr || kind->copy == nullptr)
        return TRUE;
    return kind->copy(graph, reinterpret_cast<const RtObjDesc*>(source), reinterpret_cast<RtObjDesc*>(copy));
}

AxisDesc* AxisAt(GrDesc* graph, int number)
{
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

bool IsRangedType(int type)
{
    return type == RT_TYPE_ALARM_LINES || type == RT_TYPE_ALARM_MARKS || type == RT_TYPE_SCROLL ||
           type == RT_TYPE_XY || type == RT_TYPE_DYN_BARS;
}

} // namespace

void RegisterRtType(const RtObjectType& type)
{
    // insert, not operator[]: its piecewise construction would export a standard-library symbol.
    if (auto [it, added] = Types().insert({type.type, type}); !added)
        it->second = type;
    PlotObjectType plot{};
    plot.type = static_cast<SHORT>(type.type);
    plot.size = type.size;
    plot.draw = DefPaintProc;
    // Re-scaling goes through the remote recalculation hook and axis changes through the TopDesc
    // hook; picking is trendkit's own (rtObjFind).
    plot.hitPass = 0;
    plot.copy = CopyThunk;
    plot.release = ReleaseThunk;
    // Every real-time record with text (labels, dynamic text, messages, meters, controls) keeps its
    // font block right after the real-time head.
    static_assert(offsetof(MessageDesc, font) == offsetof(DynTextDesc, font) &&
                  offsetof(TimeLabelsDesc, font) == offsetof(DynTextDesc, font));
    plot.fontOffset = static_cast<UINT>(offsetof(DynTextDesc, font));
    // The line accessors reach each trace of the scroll and XY objects.
    if (type.type == RT_TYPE_SCROLL || type.type == RT_TYPE_XY)
        plot.memberLine = TracePen;
    PlotRegisterObjectType(&plot);
}

const RtObjectType* FindRtType(int type)
{
    auto it = Types().find(type);
    return it == Types().end() ? nullptr : &it->second;
}

void DefPaintProc(GrDesc*, HDC) {}

void DefUpdateProc(GrDesc*, RtObjDesc*) {}

RtObjDesc* RtObjectAt(GrDesc* graph, int number)
{
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    return o && o->type >= RT_TYPE_FIRST && o->type <= RT_TYPE_LAST ? reinterpret_cast<RtObjDesc*>(o)
                                                                    : nullptr;
}

RtObjDesc* AllocRTObject(GrDesc* graph, int type, WORD subtype)
{
    // plotkit makes the record: refused after the graph was built (32), silently while the abort flag
    // is set, 56 for a type without a record and 53 without memory. The table grows by 20 entries.
    auto* object = reinterpret_cast<RtObjDesc*>(NewObjDesc(graph, type, subtype));
    if (object == nullptr)
        return nullptr;
    object->head.draw = DefPaintProc;
    object->head.xAxis = object->head.yAxis = 0;
    object->update = DefUpdateProc;
    return object;
}

WORD CommitRTObject(GrDesc* graph)
{
    return CommitObjDesc(graph);
}

void AbandonRTObject(GrDesc* graph)
{
    // The record made for a creator that failed: freed, so nothing half-made stays in the table.
    if (graph && graph->cursor < graph->capacity && graph->objects[graph->cursor])
        WGDeleteObject(graph, graph->cursor + 1);
}

void UpdateRTObj(GrDesc* graph, WORD number)
{
    RtObjDesc* object = RtObjectAt(graph, number);
    if (object && object->head.visible && object->update)
        object->update(graph, object);
}

DynDataSetDesc* GetObjDataSet(RtObjDesc* object)
{
    if (object == nullptr)
        return nullptr;
    switch (object->head.type)
    {
    case RT_TYPE_ALARM_LINES:
    case RT_TYPE_ALARM_MARKS:
    case RT_TYPE_SCROLL:
    case RT_TYPE_XY:
    case RT_TYPE_DYN_BARS:
    case RT_TYPE_DYN_TEXT:
    case RT_TYPE_MESSAGE:
    case RT_TYPE_METER:
        return object->dataSet;
    default:
        return nullptr;
    }
}

bool CheckScrollRange(RtObjDesc* object, float range)
{
    if (object->head.type != RT_TYPE_SCROLL)
        return true;
    const RtObjectType* kind = FindRtType(RT_TYPE_SCROLL);
    return kind == nullptr || kind->checkRange == nullptr || kind->checkRange(object, range);
}

void RTRemoteRecalc(GrDesc* graph, HDC dc, ObjDesc* object, float scale)
{
    if (object == nullptr)
        return;
    if (const RtObjectType* kind = FindRtType(object->type); kind && kind->recalc)
        kind->recalc(graph, dc, reinterpret_cast<RtObjDesc*>(object), scale);
}

void LinkAxes(GrDesc* graph, RtRangedDesc* object)
{
    ObjDesc& head = object->rt.head;
    head.xAxis = head.yAxis = 0;
    for (int n = 1; graph && n <= graph->capacity && !(head.xAxis && head.yAxis); ++n)
    {
        AxisDesc* axis = AxisAt(graph, n);
        if (axis == nullptr)
            continue;
        if ((axis->direction == 1 || head.yAxis) && !head.xAxis && axis->xMin == object->xLow &&
            axis->xMax == object->xHigh)
            head.xAxis = static_cast<SHORT>(n);
        else if (axis->direction == 0 && !head.yAxis && axis->yMin == object->yLow &&
                 axis->yMax == object->yHigh)
            head.yAxis = static_cast<SHORT>(n);
    }
}

} // namespace trendkit

using namespace trendkit;

UINT WINAPI WRGetDynTypeSize(int type)
{
    if (type >= RT_TYPE_FIRST && type <= RT_TYPE_LAST)
    {
        const RtObjectType* kind = FindRtType(type);
        return kind ? kind->size : 0;
    }
    return WGGetObjTypeSize(type);
}

void WINAPI WRUpdateObj(GrDesc* graph, WORD number)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return;
    UpdateRTObj(graph, number);
}

void WINAPI RescaleDynObj(GrDesc* graph, RtObjDesc* object, int axisIndex)
{
    if (graph == nullptr || object == nullptr || !IsRangedType(object->head.type))
        return;
    const int changed = axisIndex + 1;
    if (axisIndex < 0 || axisIndex >= graph->capacity || changed == PK_EDIT_COPY)
        return;
    AxisDesc* axis = AxisAt(graph, changed);
    if (axis == nullptr)
        return;
    // Follow the ring of linked axes from the changed one to one of the object's own axes.
    int current = changed;
    for (int guard = 0; current != object->head.xAxis && current != object->head.yAxis; ++guard)
    {
        AxisDesc* a = AxisAt(graph, current);
        const int next = a ? a->head.xAxis : 0;
        if (next == 0 || next == changed || guard > graph->capacity)
            return;
        current = next;
    }
    auto* r = reinterpret_cast<RtRangedDesc*>(object);
    const bool timeAlongX = r->direction == 1;
    const float timeLow = timeAlongX ? std::min(r->xLow, r->xHigh) : std::min(r->yLow, r->yHigh);
    const float timeHigh = timeAlongX ? std::max(r->xLow, r->xHigh) : std::max(r->yLow, r->yHigh);
    const float oldTimeSpan = timeHigh - timeLow;
    bool ok = true;
    if (axis->direction == 0)
    {
        if (r->direction == 0)
            ok = CheckScrollRange(object, axis->yMax - axis->yMin);
        if (ok)
        {
            r->yLow = axis->yMin;
            r->yHigh = axis->yMax;
        }
        else
        {
            // The axis goes back to the range the object can show.
            axis->yMin = r->yLow;
            axis->yMax = r->yHigh;
        }
    }
    else
    {
        if (r->direction == 1)
            ok = CheckScrollRange(object, axis->xMax - axis->xMin);
        if (ok)
        {
            r->xLow = axis->xMin;
            r->xHigh = axis->xMax;
        }
        else
        {
            axis->xMin = r->xLow;
            axis->xMax = r->xHigh;
        }
    }
    if (!ok)
    {
        RTErrHdlr(135, 0, nullptr);
        return;
    }
    r->xSpan = r->xHigh - r->xLow;
    r->ySpan = r->yHigh - r->yLow;
    if (object->head.type == RT_TYPE_ALARM_LINES || object->head.type == RT_TYPE_ALARM_MARKS)
    {
        CalcAlarmLines(graph, object);
        return;
    }
    if (const RtObjectType* kind = FindRtType(object->head.type); kind && kind->rescale)
        kind->rescale(graph, object, axis->direction, oldTimeSpan, timeHigh);
}

int WINAPI rtDefEditObject(GrDesc* graph)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 2;
    HGLOBAL handle = nullptr;
    ObjDesc* object = graph->selectedObject ? GetObjDesc(graph, graph->selectedObject, &handle) : nullptr;
    if (object == nullptr)
    {
        HCURSOR question = LoadCursor(GetDevDesc()->libraryModule, "questcur");
        HCURSOR old = SetCursor(question ? question : LoadCursor(nullptr, IDC_HELP));
        Delay(300, TRUE);
        SetCursor(old);
        if (question)
            DestroyCursor(question);
        return 2;
    }
    int result = 2;
    const RtObjectType* kind = object->type >= RT_TYPE_FIRST ? FindRtType(object->type) : nullptr;
    if (kind && kind->edit)
        result = kind->edit(graph, reinterpret_cast<RtObjDesc*>(object), handle);
    else if (object->type == PK_TYPE_AXIS && object->subKind == TIME_AXIS_SUBTYPE)
        result = EditTimeAxis(graph);
    else
        result = DefEditObject(graph);
    if (result != 2)
        InvalidateRect(graph->window, nullptr, TRUE);
    SetFocus(graph->window);
    return result;
}
