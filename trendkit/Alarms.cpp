// Alarm settings of the data sets, the alarm check run on each sample with the user alarm procedure
// it calls, and the refresh of the objects that show a set's alarm settings.
#include "TrendkitInternal.h"

#include <cmath>
#include <cstring>

namespace trendkit
{
namespace
{

BYTE Bit(int kind)
{
    return static_cast<BYTE>(1u << (kind - 1));
}

bool ValidKind(int kind)
{
    return kind >= 0 && kind <= 7;
}

// One limit kind as a test on a measure x of the value: on when x >= on, off when x < off. High and
// HighHigh measure v, Low and LowLow -v, Rate |v - previous v|, Deviation |v - setpoint|. Comparisons
// are made in double precision on the float values.
enum class Measure
{
    Value,
    Negated,
    Rate,
    Deviation
};

struct Rule
{
    int kind;
    BYTE bit;
    Measure measure;
    double on, off;
};

// The enabled kinds in the order they are checked: Rate, High, HighHigh, Low, LowLow, Deviation.
int RulesOf(const DynDataSetDesc* set, Rule* rules)
{
    static const int kOrder[] = {RT_ALARM_RATE, RT_ALARM_HIGH,   RT_ALARM_HIGHHIGH,
                                 RT_ALARM_LOW,  RT_ALARM_LOWLOW, RT_ALARM_DEVIATION};
    const double h = set->hysteresis;
    int n = 0;
    for (int kind : kOrder)
    {
        if (!(set->alarmEnable & Bit(kind)))
            continue;
        const double limit = set->alarms[kind - 1].limit;
        Rule& r = rules[n++];
        switch (kind)
        {
        case RT_ALARM_HIGH:
        case RT_ALARM_HIGHHIGH:
            r = Rule{kind, Bit(kind), Measure::Value, limit, limit - h};
            break;
        case RT_ALARM_LOW:
        case RT_ALARM_LOWLOW:
            r = Rule{kind, Bit(kind), Measure::Negated, -limit, -(limit + h)};
            break;
        case RT_ALARM_RATE:
            r = Rule{kind, Bit(kind), Measure::Rate, limit, limit};
            break;
        default:
            r = Rule{kind, Bit(kind), Measure::Deviation, limit,
                     limit - static_cast<double>(set->deviationHysteresis)};
            break;
        }
    }
    return n;
}

} // namespace

void WINAPI DefAlarmProc(int, int, int, float, int) {}


void CheckAlarms(DynDataSetDesc* set, int slot)
{
    RTTopBlock* block = TopBlock();
    RTAlarmProc proc = block && block->alarmProc ? block->alarmProc : DefAlarmProc;
    Rule rules[6];
    const int count = RulesOf(set, rules);
    const double setpoint = set->setpoint;
    const BYTE fail = Bit(RT_ALARM_FAIL);
    for (int i = 0; i < set->valueCount; ++i)
    {
        const float v = set->current[i];
        BYTE& now = set->currentAlarm[i];
        BYTE& before = set->previousAlarm[i];
        if (set->ddeLink)
        {
            if ((now & fail) && !(before & fail))
            {
                proc(slot, i, RT_ALARM_FAIL, v, 1);
                before = now;
                continue;
            }
            if (!(now & fail) && (before & fail))
                proc(slot, i, RT_ALARM_FAIL, v, 0);
        }
        before = now;
        const double value = v;
        const double measures[4] = {value, -value, std::fabs(value - static_cast<double>(set->previous[i])),
                                    std::fabs(value - setpoint)};
        for (int k = 0; k < count; ++k)
        {
            const Rule& r = rules[k];
            const double x = measures[static_cast<int>(r.measure)];
            if (!(now & r.bit))
            {
                if (x >= r.on)
                {
                    now |= r.bit;
                    proc(slot, i, r.kind, v, 1);
                }
            }
            else if (x < r.off)
            {
                now &= static_cast<BYTE>(~r.bit);
                proc(slot, i, r.kind, v, 0);
            }
        }
    }
}

void RefreshAlarmObjects(DynDataSetDesc* set)
{
    // Every page in use, whichever numbers are free between them.
    for (int number = 1; number < PK_MAX_PAGES; ++number)
    {
        PgDesc* page = GetPgDescPtr(number);
        if (page == nullptr)
            continue;
        for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        {
            GrDesc* graph = GetGrDescNum(page, slot);
            for (int n = 1; graph && n <= graph->capacity; ++n)
            {
                RtObjDesc* object = RtObjectAt(graph, n);
                if (object == nullptr || GetObjDataSet(object) != set)
                    continue;
                const int type = object->head.type;
                if (type == RT_TYPE_ALARM_LINES || type == RT_TYPE_ALARM_MARKS)
                {
                    CalcAlarmLines(graph, object);
                    if (!graph->building && graph->window)
                    {
                        RECT r = graph->plot;
                        if (graph->buildDc)
                            LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&r), 2);
                        InvalidateRect(graph->window, &r, FALSE);
                    }
                }
                else if (type == RT_TYPE_DYN_TEXT && object->head.subKind == 6)
                {
                    auto* text = reinterpret_cast<DynTextDesc*>(object);
                    text->widest = AlarmTextWidth(graph, set);
                    if (!graph->building && graph->window)
                        InvalidateRect(graph->window, nullptr, TRUE);
                }
            }
        }
    }
}

} // namespace trendkit

using namespace trendkit;

int WINAPI WRSetAlarm(int slot, int kind, float limit, const char* message)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr || !ValidKind(kind))
        return 0;
    if (kind == 0)
    {
        CopyText(set->normalMessage, message, RT_NORMAL_MESSAGE_MAX);
        return 1;
    }
    set->alarmEnable |= Bit(kind);
    set->alarms[kind - 1].limit = limit;
    CopyText(set->alarms[kind - 1].message, message, RT_ALARM_MESSAGE_MAX);
    RefreshAlarmObjects(set);
    set->alarmCheckOn = 1;
    return 1;
}

int WINAPI WRChangeAlarm(int slot, int kind, float limit, int enable, const char* message)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr || !ValidKind(kind))
        return 0;
    if (kind == 0)
    {
        CopyText(set->normalMessage, message, RT_NORMAL_MESSAGE_MAX);
        RefreshAlarmObjects(set);
        return 1;
    }
    if (enable)
        return WRSetAlarm(slot, kind, limit, message);
    // Switched off quietly: standing alarms of the kind end without a call.
    set->alarmEnable &= static_cast<BYTE>(~Bit(kind));
    for (int i = 0; i < RT_MAX_VALUES; ++i)
        set->currentAlarm[i] &= static_cast<BYTE>(~Bit(kind));
    return 1;
}

int WINAPI WRSetSetpoint(int slot, float setpoint)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return 0;
    set->setpoint = setpoint;
    RefreshAlarmObjects(set);
    return 1;
}

int WINAPI WREnableAlarmCheck(int slot, int on)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return 0;
    const UINT state = on ? 1 : 0;
    if (set->alarmCheckOn == state)
        return 1;
    set->alarmCheckOn = state;
    for (int i = 0; i < RT_MAX_VALUES; ++i)
    {
        if (state)
            set->previousAlarm[i] = 0;
        else
        {
            set->previousAlarm[i] = set->currentAlarm[i];
            set->currentAlarm[i] = 0;
        }
    }
    return 1;
}

void WINAPI WRSetAlarmProc(RTAlarmProc proc)
{
    RTTopBlock* block = TopBlock();
    if (block && proc)
        block->alarmProc = proc;
}

int WINAPI WRSetAlarmHyst(int slot, float hysteresis, float deviationHysteresis)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return 0;
    set->hysteresis = hysteresis;
    set->deviationHysteresis = deviationHysteresis;
    return 1;
}

int WINAPI WRGetAlarm(int slot, int kind, float* limit, int* enabled, char** message)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr || !ValidKind(kind))
        return 0;
    if (kind == 0)
    {
        if (message)
            *message = set->normalMessage;
        return 1;
    }
    if (limit)
        *limit = set->alarms[kind - 1].limit;
    if (enabled)
        *enabled = set->alarmEnable & Bit(kind);
    if (message)
        *message = set->alarms[kind - 1].message;
    return 1;
}
