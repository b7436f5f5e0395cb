// Edit dialogs of a time axis (on plotkit's edit copy of the axis) and of its time labels (on a
// working copy of the labels record). Cancel leaves both as they were.
#include "EditDialogs.h"
#include "ScrollGraph.h"
#include "TimeAxis.h"
#include "res/resource.h"

#include <cmath>
#include <cstring>

namespace trendkit
{
namespace
{

constexpr int kEditCopy = 32001;
constexpr int kNumberBuffer = 17;
constexpr int kLastTextMax = 9; // characters of the last label the dialog takes

TimeLabelsDesc* BoundLabels(GrDesc* graph, int axis)
{
    const WORD n = TimeLabels().find ? TimeLabels().find(graph, static_cast<WORD>(axis)) : 0;
    ObjDesc* o = n ? GetObjDesc(graph, n, nullptr) : nullptr;
    return o && o->type == RT_TYPE_DYN_LABELS && o->subKind == TIME_LABELS_SUBTYPE
               ? reinterpret_cast<TimeLabelsDesc*>(o)
               : nullptr;
}

// ---- Time axis ----------------------------------------------------------------------------------

struct AxisState
{
    bool open = false;
    GrDesc* graph = nullptr;
    int selected = 0;
    int copy = 0;
    bool vertical = false;
    TimeLabelsDesc* labels = nullptr; // bound labels, when frozen
    BYTE hours = 0, minutes = 0, seconds = 0;
    float start = 0;
};
AxisState& AxisDlg()
{
    static AxisState state;
    return state;
}

const AxisDesc* AxisRecord(GrDesc* graph, int number)
{
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<const AxisDesc*>(o) : nullptr;
}

void FillAxis(HWND dialog, AxisState& s)
{
    GrDesc* g = s.graph;
    s.vertical = WGGetAxisDir(g, s.selected) == 0;
    if (s.vertical)
    {
        SetDlgItemText(dialog, IDC_TA_BELOW, "Left");
        SetDlgItemText(dialog, IDC_TA_ABOVE, "Right");
    }
    float step = 0, lo = 0, hi = 0, intercept = 0;
    int minor = 0, style = 0;
    WGGetAxisTicks(g, s.selected, &step, &minor, &style);
    WGGetAxisRange(g, s.selected, &lo, &hi, &intercept);
    const int radio = style == 0 || style == 1 ? IDC_TA_BELOW : style == 3 ? IDC_TA_MIDDLE : IDC_TA_ABOVE;
    CheckRadioButton(dialog, IDC_TA_BELOW, IDC_TA_MIDDLE, radio);
    SetDlgItemInt(dialog, IDC_TA_MINOR, static_cast<UINT>(minor), FALSE);
    SetDlgItemText(dialog, IDC_TA_STEP, ftoa(step, 7, 4));
    int majorOn = 0, minorOn = 0;
    LineDesc *major = nullptr, *minorLine = nullptr;
    WGGetGrid(g, s.selected, &majorOn, &minorOn, &major, &minorLine);
    CheckDlgButton(dialog, IDC_TA_GRID_MAJOR, majorOn ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_TA_GRID_MINOR, minorOn ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, IDC_TA_MAJOR_STYLE, majorOn != 0);
    Enable(dialog, IDC_TA_MINOR_STYLE, minorOn != 0);
    ShowNumberField(dialog, IDC_TA_INTERCEPT, intercept);
    ShowNumberField(dialog, IDC_TA_RANGE, hi - lo);

    TimeLabelsDesc* labels = BoundLabels(g, s.selected);
    const AxisDesc* axis = AxisRecord(g, s.selected);
    if (labels && labels->format != 0 && axis)
    {
        static const char* const units[] = {"seconds", "minutes", "hours"};
        SetDlgItemText(dialog, IDC_TA_UNIT, units[axis->timeUnit <= 2 ? axis->timeUnit : 0]);
    }
    s.labels = labels && labels->frozen ? labels : nullptr;
    if (s.labels == nullptr)
    {
        for (int id : {IDC_TA_START, IDC_TA_HOURS, IDC_TA_MINUTES, IDC_TA_SECONDS, IDC_TA_START_LABEL})
            Enable(dialog, id, false);
        return;
    }
    s.hours = static_cast<BYTE>(labels->startHours);
    s.minutes = labels->startMinutes;
    s.seconds = labels->startSeconds;
    s.start = labels->historyStart;
    labels->historyCopy = labels->historyStart;
    if (labels->format == 0)
    {
        for (int id : {IDC_TA_HOURS, IDC_TA_MINUTES, IDC_TA_SECONDS})
            Enable(dialog, id, false);
        ShowNumberField(dialog, IDC_TA_START, s.start);
        return;
    }
    Enable(dialog, IDC_TA_START, false);
    const BYTE clock[3] = {s.hours, s.minutes, s.seconds};
    const int ids[3] = {IDC_TA_HOURS, IDC_TA_MINUTES, IDC_TA_SECONDS};
    for (int k = 0; k < 3; ++k)
    {
        if (clock[k] == 0)
            SetDlgItemText(dialog, ids[k], "00");
        else
            SetDlgItemInt(dialog, ids[k], clock[k], FALSE);
    }
}

void AxisCommand(HWND dialog, WPARAM wParam, AxisState& s)
{
    GrDesc* g = s.graph;
    const int id = LOWORD(wParam);
    float step = 0, lo = 0, hi = 0, intercept = 0;
    int minor = 0, style = 0;
    WGGetAxisTicks(g, s.copy, &step, &minor, &style);
    if (id == IDC_TA_RANGE && Changed(wParam))
    {
        float span = 0;
        WGGetAxisRange(g, s.copy, &lo, &hi, &intercept);
        if (ReadNumberField(dialog, id, kNumberBuffer, &span) && lo + span != lo)
            WGChangeAxisRange(g, s.copy, lo, lo + span, FALSE);
    }
    else if (id == IDC_TA_STEP && Changed(wParam))
    {
        if (ReadNumberField(dialog, id, kNumberBuffer, &step))
            WGChangeAxisTicks(g, s.copy, step, minor, style);
    }
    else if (id == IDC_TA_MINOR && Changed(wParam))
        WGChangeAxisTicks(g, s.copy, step, static_cast<int>(GetDlgItemInt(dialog, id, nullptr, FALSE)),
                          style);
    else if ((id == IDC_TA_BELOW || id == IDC_TA_ABOVE || id == IDC_TA_MIDDLE) && Clicked(wParam))
    {
        CheckRadioButton(dialog, IDC_TA_BELOW, IDC_TA_MIDDLE, id);
        const int chosen = id == IDC_TA_MIDDLE  ? 3
                           : id == IDC_TA_BELOW ? (s.vertical ? 1 : 0)
                                                : (s.vertical ? 2 : 4);
        WGChangeAxisTicks(g, s.copy, step, minor, chosen);
    }
    else if (id == IDC_TA_INTERCEPT && Changed(wParam))
    {
        if (ReadNumberField(dialog, id, kNumberBuffer, &intercept))
            WGChangeAxisIntercept(g, s.copy, intercept, FALSE);
    }
    else if (id == IDC_TA_LINE && Clicked(wParam))
        RunLinePar(dialog, GetLineDesc(g, s.copy, 0));
    else if ((id == IDC_TA_GRID_MAJOR || id == IDC_TA_GRID_MINOR) && Clicked(wParam))
    {
        const int on = ClickedState(dialog, id);
        WGToggleGrid(g, s.copy, id == IDC_TA_GRID_MAJOR ? 0 : 1, on);
        Enable(dialog, id == IDC_TA_GRID_MAJOR ? IDC_TA_MAJOR_STYLE : IDC_TA_MINOR_STYLE, on != 0);
    }
    else if ((id == IDC_TA_MAJOR_STYLE || id == IDC_TA_MINOR_STYLE) && Clicked(wParam))
    {
        int majorOn = 0, minorOn = 0;
        LineDesc *major = nullptr, *minorLine = nullptr;
        WGGetGrid(g, s.copy, &majorOn, &minorOn, &major, &minorLine);
        RunLinePar(dialog, id == IDC_TA_MAJOR_STYLE ? major : minorLine);
    }
    else if (id == IDC_TA_START && Changed(wParam))
        ReadNumberField(dialog, id, kNumberBuffer, &s.start);
    else if ((id == IDC_TA_HOURS || id == IDC_TA_MINUTES || id == IDC_TA_SECONDS) && Changed(wParam))
    {
        const BYTE v = static_cast<BYTE>(GetDlgItemInt(dialog, id, nullptr, FALSE));
        (id == IDC_TA_HOURS ? s.hours : id == IDC_TA_MINUTES ? s.minutes : s.seconds) = v;
    }
}

void AcceptAxis(AxisState& s)
{
    GrDesc* g = s.graph;
    if (TimeLabelsDesc* labels = s.labels)
    {
        if (labels->format == 0)
        {
            labels->liveStart = s.start;
            labels->historyCopy = s.start;
        }
        else
        {
            // The clock starts are kept in seconds whatever the axis unit, so the copy is the
            // time of day in seconds for every unit.
            labels->startHours = s.hours;
            labels->startMinutes = s.minutes;
            labels->startSeconds = s.seconds;
            labels->historyCopy = s.hours * 3600.0f + s.minutes * 60.0f + s.seconds;
        }
    }
    WGObjUpdate(g, s.selected, s.copy);
    float lo = 0, hi = 0, intercept = 0, step = 0;
    int minor = 0, style = 0;
    WGGetAxisRange(g, s.selected, &lo, &hi, &intercept);
    if (hi == lo)
    {
        hi = lo + 1;
        WGChangeAxisRange(g, s.selected, lo, hi, FALSE);
    }
    WGGetAxisTicks(g, s.selected, &step, &minor, &style);
    if (std::fabs(hi - lo) < step)
        WGChangeAxisTicks(g, s.selected, std::fabs(hi - lo), minor, style);
}

void CloseAxis(HWND dialog, AxisState& s, int result)
{
    if (result == 1)
        AcceptAxis(s);
    else
        WGDeleteObject(s.graph, s.copy);
    if (s.graph->window)
        InvalidateRect(s.graph->window, nullptr, TRUE);
    s = AxisState{};
    EndDialog(dialog, result);
}

// ---- Time labels --------------------------------------------------------------------------------

struct LabelsState
{
    bool open = false;
    HGLOBAL handle = nullptr;
    TimeLabelsDesc* live = nullptr;
    TimeLabelsDesc copy{};
};
LabelsState& LabelsDlg()
{
    static LabelsState state;
    return state;
}

constexpr int kPositionIds[4] = {IDC_TL_BELOW_AXIS, IDC_TL_ABOVE_AXIS, IDC_TL_ABOVE_PLOT, IDC_TL_BELOW_PLOT};
constexpr SHORT kHorizontalCodes[4] = {0, 4, 7, 6};
constexpr SHORT kVerticalCodes[4] = {1, 2, 9, 8};

void FillLabels(HWND dialog, const TimeLabelsDesc& l)
{
    if (l.orientation == 0)
    {
        SetDlgItemText(dialog, IDC_TL_ABOVE_AXIS, "Right of Axis");
        SetDlgItemText(dialog, IDC_TL_BELOW_AXIS, "Left of Axis");
        SetDlgItemText(dialog, IDC_TL_ABOVE_PLOT, "Right of Plot");
        SetDlgItemText(dialog, IDC_TL_BELOW_PLOT, "Left of Plot");
    }
    for (int k = 0; k < 4; ++k)
        if (l.position == kHorizontalCodes[k] || l.position == kVerticalCodes[k])
            CheckDlgButton(dialog, kPositionIds[k], BST_CHECKED);
    if (l.format == 0 && l.precisionSet)
    {
        CheckDlgButton(dialog, IDC_TL_PRECISION_SET, BST_CHECKED);
        SetDlgItemInt(dialog, IDC_TL_PLACES, static_cast<UINT>(static_cast<BYTE>(l.precision)), FALSE);
    }
    else
    {
        if (l.format != 0)
            Enable(dialog, IDC_TL_PRECISION_SET, false);
        Enable(dialog, IDC_TL_PLACES, false);
        Enable(dialog, IDC_TL_PLACES_LABEL, false);
    }
    const int mode = l.lastMode >= 0 && l.lastMode <= 2 ? l.lastMode : 0;
    CheckRadioButton(dialog, IDC_TL_LAST_ON, IDC_TL_LAST_TEXT, IDC_TL_LAST_ON + mode);
    SendDlgItemMessage(dialog, IDC_TL_TEXT, EM_LIMITTEXT, kLastTextMax, 0);
    char text[kLastTextMax + 1] = {};
    std::strncpy(text, l.lastText, kLastTextMax);
    SetDlgItemText(dialog, IDC_TL_TEXT, text);
    Enable(dialog, IDC_TL_TEXT, mode == 2);
}

void LabelsCommand(HWND dialog, WPARAM wParam, LabelsState& s)
{
    TimeLabelsDesc& l = s.copy;
    const int id = LOWORD(wParam);
    for (int k = 0; k < 4; ++k)
        if (id == kPositionIds[k] && Clicked(wParam))
        {
            for (int other : kPositionIds)
                CheckDlgButton(dialog, other, other == id ? BST_CHECKED : BST_UNCHECKED);
            l.position = l.orientation == 0 ? kVerticalCodes[k] : kHorizontalCodes[k];
            return;
        }
    if (id == IDC_TL_PRECISION_SET && Clicked(wParam) && l.format == 0)
    {
        l.precisionSet = static_cast<BYTE>(ClickedState(dialog, id));
        Enable(dialog, IDC_TL_PLACES, l.precisionSet != 0);
        Enable(dialog, IDC_TL_PLACES_LABEL, l.precisionSet != 0);
    }
    else if (id >= IDC_TL_LAST_ON && id <= IDC_TL_LAST_TEXT && Clicked(wParam))
    {
        CheckRadioButton(dialog, IDC_TL_LAST_ON, IDC_TL_LAST_TEXT, id);
        l.lastMode = static_cast<SHORT>(id - IDC_TL_LAST_ON);
        Enable(dialog, IDC_TL_TEXT, l.lastMode == 2);
    }
    else if (id == IDC_TL_TEXT && Changed(wParam))
    {
        char text[kLastTextMax + 1] = {};
        GetDlgItemText(dialog, id, text, kLastTextMax + 1);
        std::memset(l.lastText, 0, sizeof l.lastText);
        std::memcpy(l.lastText, text, sizeof text);
    }
    else if (id == IDC_TL_FONT && Clicked(wParam))
    {
        DisplayDialogBoxParam(TextDlgProc, "TEXTPAR", dialog, reinterpret_cast<LPARAM>(&l.font));
        WGSetOKCursor(dialog);
    }
}

} // namespace

int EditTimeLabels(GrDesc* graph, RtObjDesc*, HGLOBAL handle)
{
    const int result = RunObjectEditDialog(graph, TimeLabelsDlgProc, "TimeLabels", handle);
    if (result != 2)
    {
        auto* labels = static_cast<TimeLabelsDesc*>(GlobalLock(handle));
        if (labels)
        {
            HDC dc = graph->buildDc ? graph->buildDc : GetDC(graph->window);
            if (dc)
            {
                if (dc != graph->buildDc)
                    MapGraph(graph, dc);
                labels->font.logFont.lfHeight = -PointsToLogSize(graph, dc, labels->font.currentSize);
                if (dc != graph->buildDc)
                    ReleaseDC(graph->window, dc);
            }
            GlobalUnlock(handle);
        }
    }
    return result;
}

int EditTimeAxis(GrDesc* graph)
{
    return rtDisplayDialogBoxParam(TimeAxisDlgProc, "TimeAxis", graph->window,
                                   reinterpret_cast<LPARAM>(graph));
}

} // namespace trendkit

using namespace trendkit;

INT_PTR CALLBACK TimeAxisDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    AxisState& s = AxisDlg();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        auto* graph = reinterpret_cast<GrDesc*>(lParam);
        const int selected = graph && WGIsGraphDescValid(graph) ? WGGetSelObject(graph, nullptr, nullptr) : 0;
        const AxisDesc* axis = selected ? AxisRecord(graph, selected) : nullptr;
        const int copy = axis ? WGDuplicateObject(graph, selected) : 0;
        if (s.open || copy == 0)
        {
            if (copy)
                WGDeleteObject(graph, copy);
            EndDialog(dialog, 2);
            return TRUE;
        }
        s.open = true;
        s.graph = graph;
        s.selected = selected;
        s.copy = copy;
        FillAxis(dialog, s);
        return TRUE;
    }
    case WM_COMMAND:
        if (!s.open)
            break;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            CloseAxis(dialog, s, LOWORD(wParam) == IDOK ? 1 : 2);
            return TRUE;
        }
        AxisCommand(dialog, wParam, s);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK TimeLabelsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    LabelsState& s = LabelsDlg();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        auto handle = reinterpret_cast<HGLOBAL>(lParam);
        auto* live = handle && !s.open ? static_cast<TimeLabelsDesc*>(GlobalLock(handle)) : nullptr;
        if (live && GlobalSize(handle) < sizeof(TimeLabelsDesc))
        {
            GlobalUnlock(handle);
            live = nullptr;
        }
        if (live == nullptr)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        FillLabels(dialog, *live);
        std::memcpy(static_cast<void*>(&s.copy), live, sizeof *live);
        s.open = true;
        s.handle = handle;
        s.live = live;
        return TRUE;
    }
    case WM_COMMAND:
        if (!s.open)
            break;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            const int result = LOWORD(wParam) == IDOK ? 1 : 2;
            if (result == 1)
            {
                if (s.copy.format == 0 && s.copy.precisionSet)
                    s.copy.precision = static_cast<signed char>(
                        static_cast<BYTE>(GetDlgItemInt(dialog, IDC_TL_PLACES, nullptr, FALSE)));
                std::memcpy(static_cast<void*>(s.live), &s.copy, sizeof s.copy);
            }
            GlobalUnlock(s.handle);
            s = LabelsState{};
            EndDialog(dialog, result);
            return TRUE;
        }
        LabelsCommand(dialog, wParam, s);
        return TRUE;
    }
    return FALSE;
}
