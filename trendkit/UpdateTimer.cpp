// The periodic update of alarm lines and dynamic grids: one window-less 1000 ms timer serving a packed
// table of registered objects, running only while the table holds an entry.
#include "TrendkitInternal.h"

namespace trendkit
{
namespace
{

bool IsPeriodicType(int type)
{
    return type == RT_TYPE_ALARM_LINES || type == RT_TYPE_DYN_GRID;
}

// The registered object of a graph, checked like any caller's: null after message 56 or 29.
RtObjDesc* PeriodicObject(GrDesc* graph, WORD number)
{
    ObjDesc* object = GetObjDesc(graph, number, nullptr);
    if (object == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return nullptr;
    }
    if (!IsPeriodicType(object->type))
    {
        ReportIllFunc(object);
        return nullptr;
    }
    return reinterpret_cast<RtObjDesc*>(object);
}

// The graph of a handle, quietly null when it is gone (an entry outliving its graph is no error).
GrDesc* GraphOf(SHORT handle)
{
    const int h = static_cast<WORD>(handle);
    return h >= 60 ? GetGrDescNum(GetPgDescPtr((h - 60) / 16), (h - 60) % 16) : nullptr;
}

int UsedEntries()
{
    int n = 0;
    while (n < RT_UPDATE_ENTRIES && Lib().updates[n].used)
        ++n;
    return n;
}

void RemoveEntry(int index)
{
    UpdateEntry* table = Lib().updates;
    const int used = UsedEntries();
    for (int i = index; i + 1 < used; ++i)
        table[i] = table[i + 1];
    table[used - 1] = UpdateEntry{};
}

} // namespace

int AddObjTimeUpdate(GrDesc* graph, WORD number)
{
    Library& lib = Lib();
    HINSTANCE host = lib.top ? lib.top->hostInstance : nullptr;
    for (int i = 0; i < RT_UPDATE_ENTRIES; ++i)
    {
        UpdateEntry& e = lib.updates[i];
        if (e.used)
        {
            if (e.host == host && e.graph == graph->handle && e.object == number)
                return 1;
            continue;
        }
        e = UpdateEntry{true, host, graph->handle, number};
        if (i == 0)
            StartUpdateTimer();
        return 1;
    }
    return 0;
}

void RemoveObjTimeUpdate(GrDesc* graph, WORD number)
{
    Library& lib = Lib();
    const int used = UsedEntries();
    for (int i = 0; i < used; ++i)
    {
        const UpdateEntry& e = lib.updates[i];
        if (e.graph == graph->handle && e.object == number)
        {
            RemoveEntry(i);
            if (used == 1)
                StopUpdateTimer();
            return;
        }
    }
}

} // namespace trendkit

using namespace trendkit;

int WINAPI SetObjTimeUpdate(GrDesc* graph, WORD number, WORD period)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    RtObjDesc* object = PeriodicObject(graph, number);
    if (object == nullptr)
        return 0;
    object->updatePeriod = period;
    // The first tick updates the object.
    object->lastUpdateSecond = GetTickCount() / 1000 - period;
    AddObjTimeUpdate(graph, number);
    return 0;
}

int WINAPI WRStopObjTimeUpdate(GrDesc* graph, WORD number)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    if (PeriodicObject(graph, number) == nullptr)
        return 0;
    RemoveObjTimeUpdate(graph, number);
    return 0;
}

int WINAPI StartUpdateTimer()
{
    Library& lib = Lib();
    if (lib.timer)
        return 1;
    const UINT_PTR id = SetTimer(nullptr, 0, 1000, UpdateTimerProc);
    if (id == 0)
    {
        RTErrHdlr(133, 0, nullptr);
        return 0;
    }
    lib.timer = id;
    return 1;
}

void WINAPI StopUpdateTimer()
{
    Library& lib = Lib();
    if (lib.timer)
    {
        KillTimer(nullptr, lib.timer);
        lib.timer = 0;
    }
}

void CALLBACK UpdateTimerProc(HWND, UINT, UINT_PTR, DWORD time)
{
    Library& lib = Lib();
    const DWORD now = time / 1000;
    for (int i = 0; i < RT_UPDATE_ENTRIES && lib.updates[i].used;)
    {
        const UpdateEntry e = lib.updates[i];
        if (lib.top && e.host != lib.top->hostInstance)
        {
            ++i; // another host's object: its graph handle means nothing in this block
            continue;
        }
        GrDesc* graph = GraphOf(e.graph);
        ObjDesc* head = graph ? GetObjDesc(graph, e.object, nullptr) : nullptr;
        if (head == nullptr || !IsPeriodicType(head->type))
        {
            // Its graph or object went without a deletion through trendkit: the entry goes too.
            RemoveEntry(i);
            if (!lib.updates[0].used)
                StopUpdateTimer();
            continue;
        }
        auto* object = reinterpret_cast<RtObjDesc*>(head);
        const DWORD elapsed = now - object->lastUpdateSecond;
        if (elapsed >= object->updatePeriod || now < object->lastUpdateSecond)
        {
            if (object->update)
                object->update(graph, object);
            object->lastUpdateSecond = now;
        }
        ++i;
    }
}
