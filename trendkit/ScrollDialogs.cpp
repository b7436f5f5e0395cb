// Edit dialogs of the scroll family and the bar displays: the scroll, sweep, variable scroll,
// stacked, logic and XY graphs, the scroll bargraph and the dynamic bars. Each works on a copy made
// at opening and writes back only the fields it edits, so what the live updates changed meanwhile
// stays; Cancel drops everything.
#include "Bargraphs.h"
#include "EditDialogs.h"
#include "ScrollGraph.h"
#include "res/resource.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace trendkit
{
namespace
{

constexpr int kNumberBuffer = 19; // characters read from a number field

// The set whose alarms the dialogs edit: a graph showing history draws a frozen copy, whose alarm
// settings would be lost when it resumes, so the live set is edited instead.
DynDataSetDesc* AlarmSet(const ScrollDesc& s)
{
    return s.liveSet ? s.liveSet : s.r.rt.dataSet;
}

// ---- Scroll graphs ---------------------------------------------------------------------------------

// One open scroll-family dialog (both procedures keep one of these each).
struct ScrollState
{
    bool open = false;
    bool filling = false; // while the controls are filled, their notifications are not input
    GrDesc* graph = nullptr;
    int number = 0;
    int type = 0;
    int subtype = 0;
    std::unique_ptr<ScrollDesc> copy;
    float interval = 0;
    float kept = 0;
    int lineMode = 0;
    int attribResult = 0; // of the alarm attributes dialog opened from this one
    ColorBar bar;         // scroll bargraph only
};
ScrollState& ScrollGraphDlg()
{
    static ScrollState state;
    return state;
}
ScrollState& ScrollBarDlg()
{
    static ScrollState state;
    return state;
}

// The scroll-family record of the graph's selected object, or null.
ScrollDesc* SelectedScroll(GrDesc* graph, int* number)
{
    *number = graph && WGIsGraphDescValid(graph) ? WGGetSelObject(graph, nullptr, nullptr) : 0;
    return *number ? AsScroll(GetObjDesc(graph, *number, nullptr)) : nullptr;
}

// The live record again at OK: the object may have gone while the dialog ran its loop.
ScrollDesc* LiveScroll(const ScrollState& s)
{
    if (!WGIsGraphDescValid(s.graph))
        return nullptr;
    ScrollDesc* live = AsScroll(GetObjDesc(s.graph, s.number, nullptr));
    if (live == nullptr || live->r.rt.head.type != s.type || live->r.rt.head.subKind != s.subtype)
        return nullptr;
    return live;
}

bool OpenScroll(HWND dialog, ScrollState& s, LPARAM lParam, bool bargraph)
{
    if (s.open)
    {
        EndDialog(dialog, 2);
        return false;
    }
    auto* graph = reinterpret_cast<GrDesc*>(lParam);
    int number = 0;
    ScrollDesc* live = SelectedScroll(graph, &number);
    const bool isBargraph =
        live && live->r.rt.head.type == RT_TYPE_SCROLL && live->r.rt.head.subKind == SCROLL_BARGRAPH;
    if (live && isBargraph == bargraph)
        s.copy.reset(new (std::nothrow) ScrollDesc);
    if (!s.copy)
    {
        EndDialog(dialog, 2);
        return false;
    }
    // A byte copy: its buffers stay the live record's and are never freed through it.
    std::memcpy(static_cast<void*>(s.copy.get()), live, sizeof(ScrollDesc));
    s.open = true;
    s.graph = graph;
    s.number = number;
    s.type = live->r.rt.head.type;
    s.subtype = live->r.rt.head.subKind;
    s.interval = live->interval;
    s.kept = live->keptFraction;
    s.lineMode = live->lineMode;
    s.attribResult = 0;
    return true;
}

void CloseScroll(HWND dialog, ScrollState& s, int result)
{
    s.bar.Close();
    s.copy.reset();
    s.graph = nullptr;
    s.open = false;
    EndDialog(dialog, result);
}

void ListTraces(HWND dialog, const ScrollDesc& c)
{
    const DynDataSetDesc* set = c.r.rt.dataSet;
    for (int i = 0; i < c.channels && i < RT_MAX_VALUES; ++i)
    {
        char text[RT_LABEL_MAX + 16] = {};
        if (set && set->labels[i][0])
            std::memcpy(text, set->labels[i], RT_LABEL_MAX);
        else
            std::snprintf(text, sizeof text, "Trace # %d", i + 1);
        SendDlgItemMessage(dialog, IDC_SG_TRACES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessage(dialog, IDC_SG_TRACES, CB_SETCURSEL, static_cast<WPARAM>(c.barValue), 0);
}

void FillScrollGraph(HWND dialog, ScrollState& s)
{
    const ScrollDesc& c = *s.copy;
    if (s.type == RT_TYPE_SCROLL)
    {
        if (s.subtype == SCROLL_SWEEP)
        {
            SetWindowText(dialog, "Sweep Graph");
            Enable(dialog, IDC_SG_RESET, false);
            Enable(dialog, IDC_SG_RESET_LABEL, false);
        }
        else
        {
            if (s.subtype == SCROLL_VARIABLE)
            {
                Enable(dialog, IDC_SG_INTERVAL, false);
                Enable(dialog, IDC_SG_INTERVAL_LABEL, false);
            }
            ShowNumberField(dialog, IDC_SG_RESET, s.kept);
            if (s.subtype == SCROLL_STACKED)
                SetWindowText(dialog, "Stacked Graph");
        }
        if (s.subtype != SCROLL_VARIABLE)
            ShowNumberField(dialog, IDC_SG_INTERVAL, s.interval);
        if (s.subtype != SCROLL_LOGIC && s.lineMode >= 0 && s.lineMode <= 2)
            CheckRadioButton(dialog, IDC_SG_NO_STEP, IDC_SG_STEP_END, IDC_SG_NO_STEP + s.lineMode);
    }
    ListTraces(dialog, c);
}

// Commands both scroll procedures share; true when the command was one of them.
bool ScrollCommand(HWND dialog, WPARAM wParam, ScrollState& s)
{
    const int id = LOWORD(wParam);
    if (id == IDC_SG_INTERVAL && Changed(wParam))
    {
        if (!s.filling)
            ReadNumberField(dialog, id, kNumberBuffer, &s.interval);
    }
    else if (id == IDC_SG_RESET && Changed(wParam))
    {
        if (!s.filling)
            ReadNumberField(dialog, id, kNumberBuffer, &s.kept);
    }
    else if (id == IDC_RT_ALARM_ATTRIBUTES && Clicked(wParam))
        RunAlarmAttributes(dialog, AlarmSet(*s.copy), &s.attribResult);
    else
        return false;
    return true;
}

void AcceptScrollGraph(ScrollState& s)
{
    ScrollDesc* live = LiveScroll(s);
    if (live == nullptr)
        return;
    const ScrollDesc& c = *s.copy;
    for (int i = 0; i < c.channels && i < RT_MAX_VALUES; ++i)
        live->pens[i] = c.pens[i];
    live->barValue = c.barValue;
    if (s.type == RT_TYPE_SCROLL)
        WRChangeScrollGraph(s.graph, static_cast<WORD>(s.number), s.interval, s.kept, s.lineMode);
    if (s.attribResult == 1)
        if (DynDataSetDesc* set = AlarmSet(*live))
            RefreshAlarmObjects(set);
}

// The span of the time (or category) axis the bar width is a fraction of.
float BarSpan(const RtRangedDesc& r)
{
    return r.direction == 1 ? r.xHigh - r.xLow : r.yHigh - r.yLow;
}

// Width field at OK: a new fraction of `span`, or false for an empty field, no number or no span.
bool ReadWidthFraction(HWND dialog, int id, float span, float* fraction)
{
    float width = 0;
    if (span == 0 || !ReadNumberField(dialog, id, kNumberBuffer, &width))
        return false;
    const float f = width / span;
    if (!std::isfinite(f))
        return false;
    *fraction = f;
    return true;
}

// The scroll bargraph's bars are as wide as the width field says along a time axis of either
// direction, as when it was made.
float ScrollBarSpan(const ScrollDesc& s)
{
    return std::fabs(BarSpan(s.r));
}

void FillScrollBar(HWND dialog, ScrollState& s, const ScrollDesc& live)
{
    const ScrollDesc& c = *s.copy;
    ShowNumberField(dialog, IDC_SG_INTERVAL, s.interval);
    ShowNumberField(dialog, IDC_SG_RESET, s.kept);
    CheckDlgButton(dialog, IDC_SG_BAR_BORDER, c.barBorder ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, IDC_SG_ATTRIBUTES, c.barBorder != 0);
    ShowNumberField(dialog, IDC_SG_BAR_WIDTH, ScrollBarSpan(live) * live.barWidthFraction);
    s.bar.Open(dialog, c.barFill, -1);
}

void AcceptScrollBar(HWND dialog, ScrollState& s)
{
    ScrollDesc* live = LiveScroll(s);
    if (live == nullptr)
        return;
    const ScrollDesc& c = *s.copy;
    live->pens[0] = c.pens[0];
    // Without a border the pen carries the bar colour, for what shows the trace colours.
    if (!c.barBorder)
        live->pens[0].color = c.barFill;
    live->barBorder = c.barBorder;
    live->barFill = c.barFill;
    WRChangeScrollGraph(s.graph, static_cast<WORD>(s.number), s.interval, s.kept, 0);
    ReadWidthFraction(dialog, IDC_SG_BAR_WIDTH, ScrollBarSpan(*live), &live->barWidthFraction);
    if (s.attribResult == 1)
        if (DynDataSetDesc* set = AlarmSet(*live))
            RefreshAlarmObjects(set);
}

// ---- Dynamic bars ----------------------------------------------------------------------------------

struct BarsState : RecordEdit<BarsDesc>
{
    int current = 0;
    ColorBar bar;
};
BarsState& DynBarsDlg()
{
    static BarsState state;
    return state;
}

bool OpenBars(HWND dialog, BarsState& s, LPARAM lParam)
{
    const auto rt = [](const BarsDesc& b) -> const RtObjDesc& { return b.r.rt; };
    if (!s.Open(dialog, lParam, rt, RT_TYPE_DYN_BARS, true))
        return false;
    const BarsDesc* live = s.live;
    // Only the current bar is edited; one outside the bars edits the first.
    s.current =
        live->current >= 0 && live->current < std::min<int>(live->count, RT_MAX_VALUES) ? live->current : 0;

    const BarsDesc& c = *s.copy;
    ShowNumberField(dialog, IDC_SG_BARS_WIDTH, BarSpan(live->r) * live->g.widthFraction);
    InitHatchStyles(dialog, c.hatches[s.current]);
    s.bar.Open(dialog, c.fills[s.current], c.hatches[s.current]);
    return true;
}

void CloseBars(HWND dialog, BarsState& s, int result)
{
    s.bar.Close();
    s.Close(dialog, result);
}

void AcceptBars(HWND dialog, BarsState& s)
{
    BarsDesc& live = *s.live;
    const BarsDesc& c = *s.copy;
    if (ReadWidthFraction(dialog, IDC_SG_BARS_WIDTH, BarSpan(live.r), &live.g.widthFraction))
        live.g.dirty = 1; // laid out again at the next paint
    for (int i = 0; i < c.count && i < RT_MAX_VALUES; ++i)
    {
        live.fills[i] = c.fills[i];
        live.hatches[i] = c.hatches[i];
    }
    live.current = c.current;
    if (s.attribResult == 1 && live.r.rt.dataSet)
        RefreshAlarmObjects(live.r.rt.dataSet);
}

} // namespace

int EditScrollGraph(GrDesc* graph, RtObjDesc* object, HGLOBAL)
{
    const int subtype = object->head.subKind;
    DLGPROC proc = ScrollGraphDlgProc;
    const char* name = "SCROLLG";
    if (object->head.type == RT_TYPE_XY)
        name = "XYG";
    else if (subtype == SCROLL_BARGRAPH)
    {
        proc = ScrollBarDlgProc;
        name = "SCROLLB";
    }
    else if (subtype == SCROLL_LOGIC || subtype == SCROLL_STACKED)
        name = "LOGICG";
    return rtDisplayDialogBoxParam(proc, name, graph->window, reinterpret_cast<LPARAM>(graph));
}

int EditDynBars(GrDesc* graph, RtObjDesc*, HGLOBAL handle)
{
    return RunObjectEditDialog(graph, DynBarsDlgProc, "DYNBARS", handle);
}

} // namespace trendkit

using namespace trendkit;

INT_PTR CALLBACK ScrollGraphDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ScrollState& s = ScrollGraphDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (OpenScroll(dialog, s, lParam, false))
        {
            s.filling = true;
            FillScrollGraph(dialog, s);
            s.filling = false;
        }
        return TRUE;
    case WM_COMMAND:
    {
        if (!s.open || !s.copy)
            break;
        const int id = LOWORD(wParam);
        if (id == IDOK)
        {
            AcceptScrollGraph(s);
            CloseScroll(dialog, s, 1);
        }
        else if (id == IDCANCEL)
            CloseScroll(dialog, s, 2);
        else if (id >= IDC_SG_NO_STEP && id <= IDC_SG_STEP_END && Clicked(wParam))
        {
            CheckRadioButton(dialog, IDC_SG_NO_STEP, IDC_SG_STEP_END, id);
            s.lineMode = id - IDC_SG_NO_STEP;
        }
        else if (id == IDC_SG_ATTRIBUTES && Clicked(wParam))
        {
            const int trace = ComboSelection(dialog, IDC_SG_TRACES);
            if (trace >= 0 && trace < s.copy->channels && trace < RT_MAX_VALUES)
            {
                s.copy->barValue = trace;
                RunLinePar(dialog, &s.copy->pens[trace]);
            }
        }
        else
            ScrollCommand(dialog, wParam, s);
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK ScrollBarDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ScrollState& s = ScrollBarDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (OpenScroll(dialog, s, lParam, true))
        {
            s.filling = true;
            FillScrollBar(dialog, s, *AsScroll(GetObjDesc(s.graph, s.number, nullptr)));
            s.filling = false;
        }
        return TRUE;
    case WM_COMMAND:
    {
        if (!s.open || !s.copy)
            break;
        const int id = LOWORD(wParam);
        if (id == IDOK)
        {
            s.copy->barFill = s.bar.Color();
            AcceptScrollBar(dialog, s);
            CloseScroll(dialog, s, 1);
        }
        else if (id == IDCANCEL)
            CloseScroll(dialog, s, 2);
        else if (id == IDC_SG_BAR_BORDER && Clicked(wParam))
        {
            const int on = ClickedState(dialog, id);
            s.copy->barBorder = on;
            Enable(dialog, IDC_SG_ATTRIBUTES, on != 0);
        }
        else if (id == IDC_SG_ATTRIBUTES && Clicked(wParam))
            RunLinePar(dialog, &s.copy->pens[0]);
        else
            ScrollCommand(dialog, wParam, s);
        return TRUE;
    }
    default:
        if (INT_PTR result = 0; s.open && s.copy && s.bar.Message(dialog, message, wParam, lParam, &result))
            return result;
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK DynBarsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    BarsState& s = DynBarsDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        OpenBars(dialog, s, lParam);
        return TRUE;
    case WM_COMMAND:
    {
        if (!s.open || !s.copy)
            break;
        const int id = LOWORD(wParam);
        if (id == IDOK)
        {
            s.copy->fills[s.current] = s.bar.Color();
            AcceptBars(dialog, s);
            CloseBars(dialog, s, 1);
        }
        else if (id == IDCANCEL)
            CloseBars(dialog, s, 2);
        else if (id == IDC_SG_HATCH && HIWORD(wParam) == CBN_SELCHANGE)
        {
            const int selection = ComboSelection(dialog, id);
            if (selection < 0)
                return TRUE;
            s.copy->hatches[s.current] = static_cast<signed char>(selection - 1);
            s.bar.SetHatch(dialog, s.copy->hatches[s.current]);
        }
        else if (id == IDC_RT_ALARM_ATTRIBUTES && Clicked(wParam))
            RunAlarmAttributes(dialog, s.copy->r.rt.dataSet, &s.attribResult);
        return TRUE;
    }
    default:
        if (INT_PTR result = 0; s.open && s.copy && s.bar.Message(dialog, message, wParam, lParam, &result))
            return result;
        break;
    }
    return FALSE;
}
