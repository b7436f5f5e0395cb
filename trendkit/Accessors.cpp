// Getters and setters of single settings of existing objects: alarm lines and marks, and the colour
// table of dynamic and alarm texts.
#include "TrendkitInternal.h"

namespace trendkit
{
namespace
{

// Alarm lines or marks by number: null after message 30 (index out of range) or 56 (no object), and
// null without a message for another type (its record has no lines).
AlarmLineRec* LineRecord(GrDesc* graph, WORD number, int index, const char* tag, bool marksOnly = false)
{
    if (index < 0 || index > 4)
    {
        ErrHdlr(30, 2, tag);
        return nullptr;
    }
    ObjDesc* head = graph && WGIsGraphDescValid(graph) ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (head == nullptr)
    {
        ErrHdlr(56, 2, tag);
        return nullptr;
    }
    if (head->type == RT_TYPE_ALARM_LINES && !marksOnly)
        return &reinterpret_cast<AlarmLinesDesc*>(head)->lines[index];
    if (head->type == RT_TYPE_ALARM_MARKS)
        return &reinterpret_cast<AlarmMarksDesc*>(head)->marks[index];
    return nullptr;
}

// A type-107 object by number: null for a null graph, after message 56 (no object) or 29 (another
// type).
DynTextDesc* TextObject(GrDesc* graph, WORD number)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return nullptr;
    ObjDesc* head = GetObjDesc(graph, number, nullptr);
    if (head == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return nullptr;
    }
    if (head->type != RT_TYPE_DYN_TEXT)
    {
        ReportIllFunc(head);
        return nullptr;
    }
    return reinterpret_cast<DynTextDesc*>(head);
}

} // namespace
} // namespace trendkit

using namespace trendkit;

int WINAPI WRGetAlarmLineState(GrDesc* graph, WORD number, int line)
{
    const AlarmLineRec* rec = LineRecord(graph, number, line, " - WRGetAlmLineState");
    return rec && rec->shown ? 1 : 0;
}

int WINAPI WREnableAlarmLine(GrDesc* graph, WORD number, int line, int shown)
{
    AlarmLineRec* rec = LineRecord(graph, number, line, " - WREnableAlmLine");
    if (rec == nullptr)
        return 0;
    rec->shown = shown ? 1 : 0;
    return 1;
}

int WINAPI WRChangeAlarmMarks(GrDesc* graph, WORD number, const char* label, int mark, int shown)
{
    AlarmLineRec* rec = LineRecord(graph, number, mark, " - WRChangeAlmMarks", true);
    if (rec == nullptr)
        return 0;
    rec->shown = shown ? 1 : 0;
    CopyText(rec->label, label, RT_MARK_LABEL_MAX);
    return 1;
}

int WINAPI WRGetAlarmMarks(GrDesc* graph, WORD number, char** label, int mark)
{
    AlarmLineRec* rec = LineRecord(graph, number, mark, " - WRGetAlmMarks", true);
    if (rec == nullptr)
        return 0;
    if (label)
        *label = rec->label;
    return rec->shown;
}

int WINAPI WRGetDynTextColor(GrDesc* graph, WORD number, int entry)
{
    DynTextDesc* object = TextObject(graph, number);
    if (object == nullptr)
        return 0;
    if (entry < 0 || entry > 7)
    {
        ErrHdlr(30, 2, " - WRGetDynTextColor");
        return 0;
    }
    return object->colors[entry];
}

int WINAPI WRChangeDynTextColor(GrDesc* graph, WORD number, int colour, int entry)
{
    DynTextDesc* object = TextObject(graph, number);
    if (object == nullptr)
        return 0;
    if (entry < 0 || entry > 7)
    {
        ErrHdlr(30, 2, " - WRChangeDynTextColor");
        return 0;
    }
    object->colors[entry] = colour;
    return 1;
}
