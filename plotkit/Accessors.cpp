// Object property accessors: the host reads and changes the appearance of existing objects. The
// accessors find the object and its line here; every object module answers for the fields of its
// own records through the property operations it registers. Nothing is redrawn.
#include "PlotkitInternal.h"

#include <map>

namespace plotkit
{
namespace
{

std::map<int, PlotPropertyOps>& PropertyTable()
{
    static std::map<int, PlotPropertyOps> table;
    return table;
}

// The line an accessor works on: a member's line where the type has member lines, else its own.
LineDesc* LineOf(ObjDesc* object, int member)
{
    const PlotPropertyOps* ops = FindPropertyOps(object->type);
    if (ops && ops->memberLine)
        return ops->memberLine(object, member);
    if (const PlotObjectType* type = FindObjectType(object->type); type && type->memberLine)
        return type->memberLine(object, member);
    return &object->line;
}

ObjDesc* Find(GrDesc* graph, int number)
{
    return graph ? FindObject(graph, number) : nullptr;
}

// The property call shared by the accessors: the object's type answers; a type without the
// property is reported with its name. Returns 1 when done, 0 on failure.
int Access(GrDesc* graph, int number, int property, int member, bool change, PropertyValue& value)
{
    ObjDesc* object = Find(graph, number);
    if (object == nullptr)
        return 0;
    const PlotPropertyOps* ops = FindPropertyOps(object->type);
    const int done = ops && ops->property ? ops->property(graph, object, property, member, change, value) : 0;
    if (done == 0)
    {
        ReportIllFunc(object);
        return 0;
    }
    return done > 0 ? 1 : 0;
}

// Types that keep a colour table of their own answer the line colour themselves.
int OwnLineColor(GrDesc* graph, ObjDesc* object, int member, bool change, PropertyValue& value)
{
    const PlotPropertyOps* ops = FindPropertyOps(object->type);
    if (ops == nullptr || ops->property == nullptr)
        return 0;
    return ops->property(graph, object, kPropLineColor, member, change, value);
}

int SetLineColor(GrDesc* graph, int number, int index, COLORREF color, int member)
{
    ObjDesc* object = Find(graph, number);
    if (object == nullptr)
        return 0;
    PropertyValue value{};
    value.value = index;
    value.color = color;
    if (const int own = OwnLineColor(graph, object, member, true, value); own != 0)
        return own > 0 ? 1 : 0;
    LineDesc* line = LineOf(object, member);
    if (line == nullptr)
        return 0;
    line->color = color;
    line->paletteIndex = static_cast<SHORT>(index);
    return 1;
}

} // namespace

void RegisterPropertyOps(int type, const PlotPropertyOps& ops)
{
    PropertyTable()[type] = ops;
}

const PlotPropertyOps* FindPropertyOps(int type)
{
    auto it = PropertyTable().find(type);
    return it == PropertyTable().end() ? nullptr : &it->second;
}

} // namespace plotkit

using namespace plotkit;

LineDesc* WINAPI GetLineDesc(GrDesc* graph, int number, int member)
{
    if (graph == nullptr)
    {
        ErrHdlr(65, 0, nullptr);
        return nullptr;
    }
    if (!CheckGraph(graph))
        return nullptr;
    ObjDesc* object = ObjectAt(graph, number);
    return object ? LineOf(object, member) : nullptr;
}

int WINAPI WGChangeLineColor(GrDesc* graph, int number, int index, int member)
{
    if (index < 0 || index > 19)
        return 0;
    return SetLineColor(graph, number, index, WGGetRGBColor(index), member);
}

int WINAPI WGChangeLineColorRGB(GrDesc* graph, int number, COLORREF color, int member)
{
    return SetLineColor(graph, number, -2, color, member);
}

int WINAPI WGGetLineColor(GrDesc* graph, int number, int member)
{
    ObjDesc* object = Find(graph, number);
    if (object == nullptr)
        return 0;
    PropertyValue value{};
    if (const int own = OwnLineColor(graph, object, member, false, value); own != 0)
        return own > 0 ? value.value : 0;
    const LineDesc* line = LineOf(object, member);
    return line ? line->paletteIndex : 0;
}

COLORREF WINAPI WGGetLineColorRGB(GrDesc* graph, int number, int member)
{
    ObjDesc* object = Find(graph, number);
    if (object == nullptr)
        return 0;
    PropertyValue value{};
    if (const int own = OwnLineColor(graph, object, member, false, value); own != 0)
        return own > 0 ? value.color : 0;
    const LineDesc* line = LineOf(object, member);
    return line ? line->color : 0;
}

int WINAPI WGChangeLineWidth(GrDesc* graph, int number, int width, int member)
{
    ObjDesc* object = Find(graph, number);
    LineDesc* line = object ? LineOf(object, member) : nullptr;
    if (line == nullptr)
        return 0;
    // Logical widths come from the graph's own mapping.
    HDC dc = GetMappedDC(graph);
    const BOOL done = SetLine(graph, dc, line, line->style, line->paletteIndex, line->color, width);
    if (dc)
        ReleaseDC(graph->window, dc);
    return done ? 1 : 0;
}

int WINAPI WGGetLineWidth(GrDesc* graph, int number, int member)
{
    ObjDesc* object = Find(graph, number);
    const LineDesc* line = object ? LineOf(object, member) : nullptr;
    return line ? line->pixelWidth : -1;
}

int WINAPI WGChangeLineStyle(GrDesc* graph, int number, int style, int member)
{
    ObjDesc* object = Find(graph, number);
    LineDesc* line = object ? LineOf(object, member) : nullptr;
    if (line == nullptr || style < 0 || style > 6)
        return 0;
    line->style = style;
    return 1;
}

int WINAPI WGGetLineStyle(GrDesc* graph, int number, int member)
{
    ObjDesc* object = Find(graph, number);
    const LineDesc* line = object ? LineOf(object, member) : nullptr;
    return line ? line->style : -1;
}

int WINAPI WGChangeAreaColor(GrDesc* graph, int number, COLORREF color, int member)
{
    PropertyValue value{};
    value.color = color;
    return Access(graph, number, kPropAreaColor, member, true, value);
}

COLORREF WINAPI WGGetAreaColor(GrDesc* graph, int number, int member)
{
    PropertyValue value{};
    return Access(graph, number, kPropAreaColor, member, false, value) ? value.color : 0;
}

int WINAPI WGGetBarWidth(GrDesc* graph, int number, float* width)
{
    PropertyValue value{};
    value.number = width ? *width : 0;
    const int done = Access(graph, number, kPropBarWidth, 0, false, value);
    if (done && width)
        *width = value.number;
    return done;
}

int WINAPI WGChangeBarWidth(GrDesc* graph, int number, float width)
{
    PropertyValue value{};
    value.number = width;
    return Access(graph, number, kPropBarWidth, 0, true, value);
}

int WINAPI WGChangeHatchStyle(GrDesc* graph, int number, int style, int member)
{
    PropertyValue value{};
    value.value = style;
    return Access(graph, number, kPropHatch, member, true, value);
}

int WINAPI WGGetHatchStyle(GrDesc* graph, int number, int member)
{
    if (graph == nullptr)
        return 0;
    PropertyValue value{};
    return Access(graph, number, kPropHatch, member, false, value) ? value.value : -1;
}

int WINAPI WGChangeBarJust(GrDesc* graph, int number, int justification)
{
    PropertyValue value{};
    value.value = justification;
    return Access(graph, number, kPropBarJust, 0, true, value);
}

int WINAPI WGGetBarJust(GrDesc* graph, int number)
{
    PropertyValue value{};
    return Access(graph, number, kPropBarJust, 0, false, value) ? value.value : -1;
}

int WINAPI WGToggleSpline(GrDesc* graph, int number, BOOL on)
{
    PropertyValue value{};
    value.value = on ? 1 : 0;
    return Access(graph, number, kPropSpline, 0, true, value);
}

int WINAPI WGGetSplineFlag(GrDesc* graph, int number)
{
    PropertyValue value{};
    return Access(graph, number, kPropSpline, 0, false, value) ? value.value : 0;
}

int WINAPI WGChangeObjFill(GrDesc* graph, int number, BOOL on)
{
    PropertyValue value{};
    value.value = on ? 1 : 0;
    return Access(graph, number, kPropFill, 0, true, value);
}

int WINAPI WGGetFillFlag(GrDesc* graph, int number)
{
    if (graph == nullptr)
        return 0;
    PropertyValue value{};
    return Access(graph, number, kPropFill, 0, false, value) ? value.value : 0;
}

int WINAPI WGChangeMarkerColor(GrDesc* graph, int number, int index)
{
    PropertyValue value{};
    value.value = index;
    return Access(graph, number, kPropMarkerColor, 0, true, value);
}

int WINAPI WGGetMarkerColor(GrDesc* graph, int number)
{
    if (graph == nullptr)
        return 0;
    PropertyValue value{};
    return Access(graph, number, kPropMarkerColor, 0, false, value) ? value.value : 0;
}

int WINAPI WGChangeMarkerType(GrDesc* graph, int number, int type, int size, int fill)
{
    PropertyValue value{};
    value.value = type;
    value.size = size;
    value.fill = fill;
    return Access(graph, number, kPropMarkerType, 0, true, value);
}

int WINAPI WGGetMarkerType(GrDesc* graph, int number, int* type, int* fill, int* size)
{
    PropertyValue value{};
    if (!Access(graph, number, kPropMarkerType, 0, false, value))
        return 0;
    if (type)
        *type = value.value;
    if (fill)
        *fill = value.fill;
    if (size)
        *size = value.size;
    return 1;
}

int WINAPI WGChangePlotType(GrDesc* graph, int number, int kind)
{
    PropertyValue value{};
    value.value = kind;
    return Access(graph, number, kPropPlotType, 0, true, value);
}

int WINAPI WGGetPlotType(GrDesc* graph, int number)
{
    if (graph == nullptr)
        return 0;
    PropertyValue value{};
    return Access(graph, number, kPropPlotType, 0, false, value) ? value.value : 0;
}
