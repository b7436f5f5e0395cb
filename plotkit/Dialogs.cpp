// Object parameter dialogs: axis, plot, high-low-close, bars, axis labels, arrow, line and graph
// layout. Each dialog edits a copy and writes it back only on OK; each runs once at a time.
#include "PlotkitInternal.h"
#include "res/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace plotkit
{
namespace
{

constexpr int kNumberText = 32;
constexpr int kLastTextMax = 9;
constexpr int kPaletteNames = 20;

// Busy flags, one a dialog.
struct Busy
{
    bool axis = false, plot = false, hiLoClose = false, bars = false, labels = false, arrow = false,
         linePar = false, graphPar = false;
};
Busy& Flags()
{
    static Busy busy;
    return busy;
}

// ---- Shared helpers -----------------------------------------------------------------------------

void FillPalette(HWND dialog, int id, int selected)
{
    SendDlgItemMessage(dialog, id, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < kPaletteNames; ++i)
        SendDlgItemMessage(dialog, id, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(LoadText(static_cast<UINT>(IDS_COLOR_FIRST + i)).c_str()));
    if (selected >= 0 && selected < kPaletteNames)
        SendDlgItemMessage(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int Selection(HWND dialog, int id)
{
    const LRESULT sel = SendDlgItemMessage(dialog, id, CB_GETCURSEL, 0, 0);
    return sel == CB_ERR ? -1 : static_cast<int>(sel);
}

void AddStrings(HWND dialog, int id, UINT first, int count)
{
    SendDlgItemMessage(dialog, id, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i)
        SendDlgItemMessage(dialog, id, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(LoadText(first + static_cast<UINT>(i)).c_str()));
}

// What a drop-down combo box shows (a chosen item shows in its edit field); empty is not applied.
std::string ComboText(HWND dialog, int id)
{
    char text[kNumberText] = {};
    GetDlgItemText(dialog, id, text, sizeof text);
    return text;
}

// A number field: false when it is empty (nothing is applied then).
bool ReadReal(HWND dialog, int id, float* value)
{
    char text[kNumberText + 1] = {};
    GetDlgItemText(dialog, id, text, kNumberText);
    if (text[0] == 0)
        return false;
    *value = CheckReal(text, kNumberText);
    return std::isfinite(*value);
}

bool ReadInt(HWND dialog, int id, int* value)
{
    float v = 0;
    if (!ReadReal(dialog, id, &v) || std::fabs(v) > 1e6f)
        return false;
    *value = static_cast<int>(std::lround(v));
    return true;
}

void ShowReal(HWND dialog, int id, float value)
{
    SetDlgItemText(dialog, id, ftoa(value, 6, 4));
}

void LimitEdit(HWND dialog, int id, int limit)
{
    SendDlgItemMessage(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

void LimitCombo(HWND dialog, int id, int limit)
{
    SendDlgItemMessage(dialog, id, CB_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

void Enable(HWND dialog, int id, bool on)
{
    EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE);
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Remove(HWND dialog, int id)
{
    if (HWND item = GetDlgItem(dialog, id))
        DestroyWindow(item);
}

// The line dialog nested in another one; the focus returns to OK after it.
int RunLinePar(HWND dialog, LineDesc* line)
{
    const int result = DisplayDialogBoxParam(WGLineParDlgProc, "LINEPAR", dialog, reinterpret_cast<LPARAM>(line));
    WGSetOKCursor(dialog);
    return result;
}

// The graph and number of an object given by its memory handle.
bool FindOwner(HGLOBAL handle, GrDesc** graph, int* number)
{
    TopDesc* top = Lib().top;
    if (top == nullptr || handle == nullptr)
        return false;
    for (int p = 1; p <= PK_MAX_PAGES; ++p)
    {
        if (top->pages[p] == nullptr)
            continue;
        auto* page = static_cast<PgDesc*>(GlobalLock(top->pages[p]));
        for (int s = 0; page && s < PK_GRAPHS_PER_PAGE; ++s)
        {
            if (page->graphs[s] == nullptr)
                continue;
            auto* g = static_cast<GrDesc*>(GlobalLock(page->graphs[s]));
            if (g == nullptr || !IsLiveGraph(g))
                continue;
            for (int n = 1; n <= g->capacity; ++n)
                if (g->objects[n - 1] == handle)
                {
                    *graph = g;
                    *number = n;
                    return true;
                }
        }
    }
    return false;
}

int GetProperty(GrDesc* graph, ObjDesc* object, int property, int member, PropertyValue& value)
{
    const PlotPropertyOps* ops = FindPropertyOps(object->type);
    value = PropertyValue{};
    return ops && ops->property ? ops->property(graph, object, property, member, false, value) : 0;
}

void SetProperty(GrDesc* graph, ObjDesc* object, int property, int member, PropertyValue value)
{
    if (const PlotPropertyOps* ops = FindPropertyOps(object->type); ops && ops->property)
        ops->property(graph, object, property, member, true, value);
}

LineDesc* MemberLine(ObjDesc* object, int member)
{
    const PlotPropertyOps* ops = FindPropertyOps(object->type);
    if (ops && ops->memberLine)
        return ops->memberLine(object, member);
    return &object->line;
}

bool IsBarKind(int subKind)
{
    return subKind >= 6 && subKind <= 9;
}

bool HorizontalBars(int subKind)
{
    return subKind == 7 || subKind == 9;
}

// ---- Marker controls (plot and high-low-close dialogs) -------------------------------------------

struct Marker
{
    int type = 0, size = 0, color = 0, style = 0;
};

const int kMarkerSizes[] = {3, 4, 6, 8, 10, 13};

void ShowMarker(HWND dialog, const Marker& m)
{
    AddStrings(dialog, IDC_PLOT_SHAPE, IDS_MARKER_FIRST, 9);
    if (m.type >= 1 && m.type <= 9)
        SendDlgItemMessage(dialog, IDC_PLOT_SHAPE, CB_SETCURSEL, static_cast<WPARAM>(m.type - 1), 0);
    SendDlgItemMessage(dialog, IDC_PLOT_SIZE, CB_RESETCONTENT, 0, 0);
    for (int size : kMarkerSizes)
        SendDlgItemMessage(dialog, IDC_PLOT_SIZE, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(std::to_string(size).c_str()));
    LimitCombo(dialog, IDC_PLOT_SIZE, 4);
    SetDlgItemInt(dialog, IDC_PLOT_SIZE, static_cast<UINT>(std::max(m.size, 0)), FALSE);
    FillPalette(dialog, IDC_DLG_COLOR, m.color);
    CheckRadioButton(dialog, IDC_PLOT_FULL, IDC_PLOT_EMPTY_DOT,
                     IDC_PLOT_FULL + std::clamp(m.style, 0, 2));
}

void ReadMarker(HWND dialog, Marker& m)
{
    const int shape = Selection(dialog, IDC_PLOT_SHAPE);
    if (shape >= 0)
        m.type = shape + 1;
    int size = 0;
    const std::string typed = ComboText(dialog, IDC_PLOT_SIZE);
    if (!typed.empty())
    {
        size = std::atoi(typed.c_str());
        m.size = std::clamp(size, 1, 200);
    }
    const int color = Selection(dialog, IDC_DLG_COLOR);
    if (color >= 0)
        m.color = color;
    m.style = Checked(dialog, IDC_PLOT_EMPTY) ? 1 : Checked(dialog, IDC_PLOT_EMPTY_DOT) ? 2 : 0;
}

Marker MarkerOf(GrDesc* graph, ObjDesc* object)
{
    Marker m;
    PropertyValue v{};
    if (GetProperty(graph, object, kPropMarkerType, 0, v) == 1)
    {
        m.type = v.value;
        m.style = v.fill;
        m.size = v.size;
    }
    if (GetProperty(graph, object, kPropMarkerColor, 0, v) == 1)
        m.color = v.value;
    return m;
}

void StoreMarker(GrDesc* graph, ObjDesc* object, const Marker& m)
{
    PropertyValue v{};
    v.value = m.type;
    v.fill = m.style;
    v.size = m.size;
    SetProperty(graph, object, kPropMarkerType, 0, v);
    v = PropertyValue{};
    v.value = m.color;
    SetProperty(graph, object, kPropMarkerColor, 0, v);
}

// ---- Line dialog --------------------------------------------------------------------------------

struct LineParState
{
    LineDesc* caller = nullptr;
    LineDesc working{};
};
LineParState& LinePar()
{
    static LineParState s;
    return s;
}

const char* const kLineStyles[] = {"Solid      ", "- - - - - -", ". . . . . .", "- . - . - .", "- .. - .. -"};

void InitLinePar(HWND dialog)
{
    const LineDesc& line = LinePar().working;
    FillPalette(dialog, IDC_DLG_COLOR, line.paletteIndex >= 0 ? line.paletteIndex : WGGetPureColor(line.color));
    for (int w = 0; w <= 4; ++w)
        SendDlgItemMessage(dialog, IDC_LINEPAR_WIDTH, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(std::to_string(w).c_str()));
    LimitCombo(dialog, IDC_LINEPAR_WIDTH, 3);
    SetDlgItemInt(dialog, IDC_LINEPAR_WIDTH, static_cast<UINT>(std::max<int>(line.pixelWidth, 0)), FALSE);
    for (const char* style : kLineStyles)
        SendDlgItemMessage(dialog, IDC_LINEPAR_STYLE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(style));
    if (line.style >= 0 && line.style <= 4)
        SendDlgItemMessage(dialog, IDC_LINEPAR_STYLE, CB_SETCURSEL, static_cast<WPARAM>(line.style), 0);
    else
        Enable(dialog, IDC_LINEPAR_STYLE, false);
}

void AcceptLinePar(HWND dialog)
{
    LineParState& s = LinePar();
    LineDesc& line = s.working;
    const int color = Selection(dialog, IDC_DLG_COLOR);
    const int shown = line.paletteIndex >= 0 ? line.paletteIndex : WGGetPureColor(line.color);
    // A colour given as RGB stays as it was unless another colour is chosen.
    if (color >= 0 && (line.paletteIndex >= 0 || color != shown))
    {
        line.paletteIndex = static_cast<SHORT>(color);
        line.color = WGGetRGBColor(color);
    }
    const std::string width = ComboText(dialog, IDC_LINEPAR_WIDTH);
    if (!width.empty())
        line.pixelWidth = static_cast<SHORT>(std::clamp(std::atoi(width.c_str()), 0, 99));
    if (IsWindowEnabled(GetDlgItem(dialog, IDC_LINEPAR_STYLE)))
    {
        const int style = Selection(dialog, IDC_LINEPAR_STYLE);
        if (style >= 0)
            line.style = style;
    }
    line.widthX = line.widthY = 0;
    if (line.pixelWidth > 0 && (line.style == 0 || line.style == 6))
    {
        line.widthX = line.widthY = line.pixelWidth;
        if (GrDesc* graph = WGGetGraphDesc(line.window))
        {
            HDC dc = GetMappedDC(graph);
            POINT p[2] = {{0, 0}, {line.pixelWidth, line.pixelWidth}};
            DPtoLP(dc, p, 2);
            line.widthX = std::abs(p[1].x - p[0].x);
            line.widthY = std::abs(p[1].y - p[0].y);
            ReleaseDC(graph->window, dc);
        }
    }
    *s.caller = line;
}

// ---- Axis dialog --------------------------------------------------------------------------------

struct AxisState
{
    GrDesc* graph = nullptr;
    int number = 0;
    bool filling = false;
};
AxisState& AxisDlg()
{
    static AxisState s;
    return s;
}

AxisDesc* AxisCopy()
{
    ObjDesc* o = ObjectAt(AxisDlg().graph, PK_EDIT_COPY);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

float AxisFrom(const AxisDesc* a)
{
    return a->direction == 1 ? a->xMin : a->yMin;
}
float AxisTo(const AxisDesc* a)
{
    return a->direction == 1 ? a->xMax : a->yMax;
}

void ShowAxisRange(HWND dialog, const AxisDesc* a)
{
    AxisDlg().filling = true;
    ShowReal(dialog, IDC_AXIS_FROM, a->scale == 1 ? a->logMin : AxisFrom(a));
    ShowReal(dialog, IDC_AXIS_TO, a->scale == 1 ? a->logMax : AxisTo(a));
    AxisDlg().filling = false;
}

int TickStyleOf(int button, bool xAxis)
{
    if (button == IDC_DLG_POS_1040)
        return xAxis ? 0 : 1;
    if (button == IDC_DLG_POS_1041)
        return xAxis ? 4 : 2;
    return 3;
}

void InitAxis(HWND dialog, AxisDesc* a)
{
    AxisState& s = AxisDlg();
    const bool x = a->direction == 1;
    if (!x)
    {
        SetWindowText(dialog, LoadText(IDS_VERTICAL_AXIS).c_str());
        SetDlgItemText(dialog, IDC_DLG_POS_1041, LoadText(IDS_AXIS_RIGHT).c_str());
        SetDlgItemText(dialog, IDC_DLG_POS_1040, LoadText(IDS_AXIS_LEFT).c_str());
    }
    s.filling = true;
    for (int id : {IDC_AXIS_FROM, IDC_AXIS_TO, IDC_AXIS_STEP, IDC_AXIS_INTERCEPT})
        LimitEdit(dialog, id, kNumberText - 1);
    LimitEdit(dialog, IDC_AXIS_MINOR_TICKS, 4);
    ShowReal(dialog, IDC_AXIS_STEP, a->tickStep);
    SetDlgItemInt(dialog, IDC_AXIS_MINOR_TICKS, static_cast<UINT>(std::max<int>(a->minorTicks, 0)), FALSE);
    ShowReal(dialog, IDC_AXIS_INTERCEPT, x ? a->yIntercept : a->xIntercept);
    int button = IDC_DLG_POS_1042;
    if (a->tickStyle == TickStyleOf(IDC_DLG_POS_1040, x))
        button = IDC_DLG_POS_1040;
    else if (a->tickStyle == TickStyleOf(IDC_DLG_POS_1041, x))
        button = IDC_DLG_POS_1041;
    CheckRadioButton(dialog, IDC_DLG_POS_1040, IDC_DLG_POS_1042, button);
    CheckDlgButton(dialog, IDC_AXIS_MAJOR_GRID, a->majorGrid ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_AXIS_MINOR_GRID, a->minorGrid ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, IDC_AXIS_MAJOR_STYLE, a->majorGrid != 0);
    Enable(dialog, IDC_AXIS_MINOR_STYLE, a->minorGrid != 0);
    CheckDlgButton(dialog, IDC_AXIS_LOG, a->scale == 1 ? BST_CHECKED : BST_UNCHECKED);
    s.filling = false;
    ShowAxisRange(dialog, a);
}

void AxisTicks(HWND dialog, AxisDesc* a)
{
    const bool x = a->direction == 1;
    float step = a->tickStep;
    float typed = 0;
    if (ReadReal(dialog, IDC_AXIS_STEP, &typed) && typed > 0)
        step = typed;
    int minor = a->minorTicks;
    ReadInt(dialog, IDC_AXIS_MINOR_TICKS, &minor);
    int style = a->tickStyle;
    for (int id : {IDC_DLG_POS_1040, IDC_DLG_POS_1041, IDC_DLG_POS_1042})
        if (Checked(dialog, id))
            style = TickStyleOf(id, x);
    WGChangeAxisTicks(AxisDlg().graph, PK_EDIT_COPY, step, std::clamp(minor, 0, 1000), style);
}

bool AxisCommand(HWND dialog, int id, int code)
{
    AxisState& s = AxisDlg();
    AxisDesc* a = AxisCopy();
    if (a == nullptr)
        return false;
    switch (id)
    {
    case IDC_AXIS_FROM:
    case IDC_AXIS_TO:
        if (code == EN_CHANGE && !s.filling)
        {
            float from = 0, to = 0;
            if (ReadReal(dialog, IDC_AXIS_FROM, &from) && ReadReal(dialog, IDC_AXIS_TO, &to))
                WGChangeAxisRange(s.graph, PK_EDIT_COPY, from, to, FALSE);
        }
        return true;
    case IDC_AXIS_STEP:
    case IDC_AXIS_MINOR_TICKS:
        if (code == EN_CHANGE && !s.filling)
            AxisTicks(dialog, a);
        return true;
    case IDC_AXIS_INTERCEPT:
        if (code == EN_CHANGE && !s.filling)
        {
            float value = 0;
            if (ReadReal(dialog, IDC_AXIS_INTERCEPT, &value))
                WGChangeAxisIntercept(s.graph, PK_EDIT_COPY, value, FALSE);
        }
        return true;
    case IDC_DLG_POS_1040:
    case IDC_DLG_POS_1041:
    case IDC_DLG_POS_1042:
        AxisTicks(dialog, a);
        return true;
    case IDC_AXIS_MAJOR_GRID:
    case IDC_AXIS_MINOR_GRID:
    {
        const bool major = id == IDC_AXIS_MAJOR_GRID;
        const bool on = Checked(dialog, id);
        WGToggleGrid(s.graph, PK_EDIT_COPY, major ? 0 : 1, on);
        Enable(dialog, major ? IDC_AXIS_MAJOR_STYLE : IDC_AXIS_MINOR_STYLE, on);
        return true;
    }
    case IDC_AXIS_MAJOR_STYLE:
        RunLinePar(dialog, &a->majorGridLine);
        return true;
    case IDC_AXIS_MINOR_STYLE:
        RunLinePar(dialog, &a->minorGridLine);
        return true;
    case IDC_AXIS_LOG:
        WGChangeAxisScale(s.graph, PK_EDIT_COPY, Checked(dialog, IDC_AXIS_LOG) ? 1 : 0, FALSE);
        if (AxisDesc* now = AxisCopy())
        {
            ShowAxisRange(dialog, now);
            CheckDlgButton(dialog, IDC_AXIS_LOG, now->scale == 1 ? BST_CHECKED : BST_UNCHECKED);
        }
        return true;
    case IDC_DLG_LINE_ATTRIBUTES:
        RunLinePar(dialog, &a->head.line);
        return true;
    }
    return false;
}

INT_PTR AcceptAxis()
{
    AxisState& s = AxisDlg();
    AxisDesc* a = AxisCopy();
    if (a == nullptr)
        return 2;
    const bool flat = a->scale == 1 ? a->logMin == a->logMax : AxisFrom(a) == AxisTo(a);
    if (flat)
    {
        WGDeleteObject(s.graph, PK_EDIT_COPY);
        return 2;
    }
    const float range = std::fabs(AxisTo(a) - AxisFrom(a));
    if (std::fabs(a->tickStep) > range)
        a->tickStep = range;
    WGObjUpdate(s.graph, PK_EDIT_COPY, s.number);
    InvalidateRect(s.graph->window, nullptr, TRUE);
    return 1;
}

// ---- Plot and bar dialogs ------------------------------------------------------------------------

// What the plot, bar and high-low-close dialogs edit of a curve or group.
struct PlotEdit
{
    int kind = 0;     // curves: sub-kind 3-9; groups: the arrangement
    int subKind = 0;  // the object's sub-kind
    int fill = 0;
    int spline = 0;
    int dropLine = 0;
    Marker marker;
    LineDesc line{};  // the curve's line, the group's member (or whole group) line
    COLORREF barColor = 0;
    int hatch = 255;
    int position = 3;
    float barWidth = 0; // world units
    int border = 0;
};

struct PlotState
{
    GrDesc* graph = nullptr;
    int number = 0;
    ObjDesc* object = nullptr;
    bool group = false;
    PlotEdit before;
    PlotEdit working;
    bool filling = false;
    RECT fullWindow{};
};
PlotState& Plot()
{
    static PlotState s;
    return s;
}
PlotState& BarsDlg()
{
    static PlotState s;
    return s;
}
PlotState& HiLo()
{
    static PlotState s;
    return s;
}

PlotEdit ReadPlot(GrDesc* graph, ObjDesc* o)
{
    PlotEdit e;
    PropertyValue v{};
    e.subKind = o->subKind;
    if (GetProperty(graph, o, kPropPlotType, 0, v) == 1)
        e.kind = v.value;
    if (GetProperty(graph, o, kPropFill, 0, v) == 1)
        e.fill = v.value;
    if (GetProperty(graph, o, kPropSpline, 0, v) == 1)
        e.spline = v.value;
    e.marker = MarkerOf(graph, o);
    if (LineDesc* line = MemberLine(o, 0))
        e.line = *line;
    if (GetProperty(graph, o, kPropAreaColor, 0, v) == 1)
        e.barColor = v.color;
    if (GetProperty(graph, o, kPropHatch, 0, v) == 1)
        e.hatch = v.value;
    if (GetProperty(graph, o, kPropBarJust, 0, v) == 1)
        e.position = v.value;
    if (GetProperty(graph, o, kPropBarWidth, 0, v) == 1)
        e.barWidth = v.number;
    if (o->type == PK_TYPE_CURVE)
    {
        auto* c = reinterpret_cast<CurveDesc*>(o);
        e.dropLine = c->dropLine;
        e.border = c->markerStyle == 2 && IsBarKind(c->head.subKind) ? 1 : 0;
    }
    else
        e.border = e.line.paletteIndex >= 0 ? 1 : 0;
    return e;
}

bool OpenPlot(PlotState& s, LPARAM param, bool groupsOnly)
{
    s.graph = nullptr;
    s.number = 0;
    if (!FindOwner(reinterpret_cast<HGLOBAL>(param), &s.graph, &s.number))
        return false;
    s.object = ObjectAt(s.graph, s.number);
    if (s.object == nullptr || (s.object->type != PK_TYPE_GROUP && (groupsOnly || s.object->type != PK_TYPE_CURVE)))
        return false;
    s.group = s.object->type == PK_TYPE_GROUP;
    s.before = s.working = ReadPlot(s.graph, s.object);
    return true;
}

bool HasMarkers(int kind)
{
    return kind == 4 || kind == 5;
}

// The plot dialog shows its marker part only for kinds with markers: otherwise the window ends at
// the marker group's top and what lies below is disabled.
void FitMarkerPart(HWND dialog, bool markers)
{
    PlotState& s = Plot();
    RECT group{};
    GetWindowRect(GetDlgItem(dialog, IDC_PLOT_MARKER_GROUP), &group);
    const int width = s.fullWindow.right - s.fullWindow.left;
    const int height = markers ? s.fullWindow.bottom - s.fullWindow.top : group.top - s.fullWindow.top;
    SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        RECT r{};
        GetWindowRect(child, &r);
        if (r.top >= group.top)
            EnableWindow(child, markers ? TRUE : FALSE);
    }
}

void InitPlot(HWND dialog)
{
    PlotState& s = Plot();
    const PlotEdit& e = s.working;
    GetWindowRect(dialog, &s.fullWindow);
    if (s.group)
    {
        Remove(dialog, IDC_PLOT_TYPE);
        Remove(dialog, IDC_PLOT_TYPE_LABEL);
        Remove(dialog, IDC_PLOT_SPLINE);
        Remove(dialog, IDC_PLOT_DROP_LINE);
    }
    else
    {
        AddStrings(dialog, IDC_PLOT_TYPE, IDS_PLOT_KIND_FIRST, 7);
        SendDlgItemMessage(dialog, IDC_PLOT_TYPE, CB_SETCURSEL, static_cast<WPARAM>(std::clamp(e.kind - 3, 0, 6)), 0);
        CheckDlgButton(dialog, IDC_PLOT_SPLINE, e.spline ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_PLOT_DROP_LINE, e.dropLine ? BST_CHECKED : BST_UNCHECKED);
        Enable(dialog, IDC_DLG_LINE_ATTRIBUTES, e.kind != 5);
    }
    CheckDlgButton(dialog, IDC_PLOT_FILL, e.fill ? BST_CHECKED : BST_UNCHECKED);
    ShowMarker(dialog, e.marker);
    Enable(dialog, IDC_PLOT_DATA, !DataTableOpen());
    FitMarkerPart(dialog, s.group || HasMarkers(e.kind));
}

// Writes the working copy of the plot dialog back to the object.
void StorePlot(PlotState& s)
{
    const PlotEdit& e = s.working;
    ObjDesc* o = s.object;
    if (LineDesc* line = MemberLine(o, 0))
        *line = e.line;
    PropertyValue v{};
    v.value = e.fill;
    SetProperty(s.graph, o, kPropFill, 0, v);
    StoreMarker(s.graph, o, e.marker);
    if (!s.group)
    {
        auto* c = reinterpret_cast<CurveDesc*>(o);
        c->dropLine = static_cast<BYTE>(e.dropLine ? 1 : 0);
        v = PropertyValue{};
        v.value = e.kind;
        SetProperty(s.graph, o, kPropPlotType, 0, v);
        v.value = e.spline;
        SetProperty(s.graph, o, kPropSpline, 0, v);
    }
}

int PlotResult(const PlotState& s)
{
    const PlotEdit& a = s.before;
    const PlotEdit& b = s.working;
    if (s.group)
        return 3;
    if (a.spline != b.spline)
        return 7;
    if (b.line.pixelWidth < a.line.pixelWidth || a.kind != b.kind || a.marker.type != b.marker.type ||
        a.marker.size != b.marker.size || a.fill != b.fill || a.line.style != b.line.style ||
        (a.dropLine && !b.dropLine) || (a.marker.style != b.marker.style && b.marker.style != 0))
        return 3;
    return 1;
}

INT_PTR PlotCommand(HWND dialog, int id, int code)
{
    PlotState& s = Plot();
    PlotEdit& e = s.working;
    switch (id)
    {
    case IDC_PLOT_TYPE:
        if (code == CBN_SELCHANGE)
        {
            const int kind = Selection(dialog, IDC_PLOT_TYPE) + 3;
            if (IsBarKind(kind))
            {
                e.kind = kind;
                StorePlot(s);
                return 5;
            }
            e.kind = kind;
            Enable(dialog, IDC_DLG_LINE_ATTRIBUTES, kind != 5);
            FitMarkerPart(dialog, HasMarkers(kind));
        }
        return 0;
    case IDC_DLG_LINE_ATTRIBUTES:
        RunLinePar(dialog, &e.line);
        return 0;
    case IDC_PLOT_FILL:
        e.fill = Checked(dialog, id) ? 1 : 0;
        return 0;
    case IDC_PLOT_SPLINE:
        e.spline = Checked(dialog, id) ? 1 : 0;
        return 0;
    case IDC_PLOT_DROP_LINE:
        e.dropLine = Checked(dialog, id) ? 1 : 0;
        return 0;
    case IDC_PLOT_DATA:
        StorePlot(s);
        return 4;
    case IDOK:
        if (s.group || HasMarkers(e.kind))
            ReadMarker(dialog, e.marker);
        StorePlot(s);
        return PlotResult(s);
    case IDCANCEL:
        return 2;
    }
    return 0;
}

// Bars.
void ShowBarColor(HWND dialog, COLORREF color, int hatch)
{
    const int parts[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    for (int i = 0; i < 3; ++i)
    {
        HWND bar = GetDlgItem(dialog, IDC_BAR_RED + i);
        SetScrollRange(bar, SB_CTL, 0, 255, FALSE);
        SetScrollPos(bar, SB_CTL, parts[i], TRUE);
        SetDlgItemInt(dialog, IDC_BAR_RED_VALUE + i, static_cast<UINT>(parts[i]), FALSE);
    }
    UpdateColorBar(dialog, color, hatch);
}

void LabelBarPositions(HWND dialog, int subKind)
{
    const bool horizontal = HorizontalBars(subKind);
    SetDlgItemText(dialog, IDC_DLG_POS_1041, horizontal ? LoadText(IDS_BARS_ABOVE).c_str() : "&Right");
    SetDlgItemText(dialog, IDC_DLG_POS_1040, horizontal ? LoadText(IDS_BARS_BELOW).c_str() : "&Left");
}

void ShowBarPosition(HWND dialog, int subKind, int position)
{
    LabelBarPositions(dialog, subKind);
    int button = IDC_DLG_POS_1042;
    if (position == 2 || position == 4)
        button = IDC_DLG_POS_1041;
    else if (position == 1 || position == 0)
        button = IDC_DLG_POS_1040;
    CheckRadioButton(dialog, IDC_DLG_POS_1040, IDC_DLG_POS_1042, button);
}

int BarPositionOf(HWND dialog, int subKind)
{
    const bool horizontal = HorizontalBars(subKind);
    if (Checked(dialog, IDC_DLG_POS_1041))
        return horizontal ? 4 : 2;
    if (Checked(dialog, IDC_DLG_POS_1040))
        return horizontal ? 0 : 1;
    return 3;
}

// A curve's bar width in world units for a kind: its fraction of the category axis's range.
float CurveBarWidth(const CurveDesc* c, int kind)
{
    const float span = HorizontalBars(kind) ? c->yMax - c->yMin : c->xMax - c->xMin;
    return c->barWidth * std::fabs(span);
}

void InitBars(HWND dialog)
{
    PlotState& s = BarsDlg();
    PlotEdit& e = s.working;
    s.filling = true;
    if (!s.group)
    {
        AddStrings(dialog, IDC_PLOT_TYPE, IDS_PLOT_KIND_FIRST, 7);
        SendDlgItemMessage(dialog, IDC_PLOT_TYPE, CB_SETCURSEL, static_cast<WPARAM>(std::clamp(e.kind - 3, 0, 6)), 0);
    }
    else if (e.kind >= 0 && e.kind <= 2)
    {
        AddStrings(dialog, IDC_PLOT_TYPE, IDS_GROUP_BARS_FIRST, 3);
        SendDlgItemMessage(dialog, IDC_PLOT_TYPE, CB_SETCURSEL, static_cast<WPARAM>(e.kind), 0);
    }
    else
    {
        Remove(dialog, IDC_PLOT_TYPE);
        Remove(dialog, IDC_PLOT_TYPE_LABEL);
    }
    CheckDlgButton(dialog, IDC_BAR_BORDER, e.border ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, IDC_DLG_LINE_ATTRIBUTES, e.border != 0);
    InitHatchStyles(dialog, e.hatch);
    ShowBarPosition(dialog, s.group ? e.subKind : e.kind, e.position);
    LimitEdit(dialog, IDC_BAR_WIDTH, kNumberText - 1);
    ShowReal(dialog, IDC_BAR_WIDTH, e.barWidth);
    ShowBarColor(dialog, e.barColor, e.hatch);
    Enable(dialog, IDC_PLOT_DATA, !DataTableOpen());
    s.filling = false;
}

void StoreBars(PlotState& s)
{
    PlotEdit& e = s.working;
    ObjDesc* o = s.object;
    PropertyValue v{};
    if (!s.group)
    {
        auto* c = reinterpret_cast<CurveDesc*>(o);
        v.value = e.kind;
        SetProperty(s.graph, o, kPropPlotType, 0, v);
        c->markerStyle = e.border ? 2 : 0;
        c->head.line = e.line;
    }
    else
    {
        if (e.kind != s.before.kind)
        {
            v.value = e.kind;
            SetProperty(s.graph, o, kPropPlotType, 0, v);
        }
        if (LineDesc* line = MemberLine(o, 0))
        {
            *line = e.line;
            line->paletteIndex = static_cast<SHORT>(e.border ? std::max<int>(e.line.paletteIndex, 0) : -1);
        }
    }
    v = PropertyValue{};
    v.color = e.barColor;
    SetProperty(s.graph, o, kPropAreaColor, 0, v);
    v.value = e.hatch;
    SetProperty(s.graph, o, kPropHatch, 0, v);
    v.value = e.position;
    SetProperty(s.graph, o, kPropBarJust, 0, v);
    if (e.barWidth > 0)
    {
        v.number = e.barWidth;
        SetProperty(s.graph, o, kPropBarWidth, 0, v);
    }
    if (!s.group)
        reinterpret_cast<CurveDesc*>(o)->recompute = 1;
}

int BarsResult(const PlotState& s)
{
    const PlotEdit& a = s.before;
    const PlotEdit& b = s.working;
    if (s.group)
        return 3;
    if (b.line.pixelWidth < a.line.pixelWidth || a.kind != b.kind || a.position != b.position ||
        a.hatch != b.hatch || a.barWidth != b.barWidth)
        return 3;
    return 1;
}

INT_PTR BarsCommand(HWND dialog, int id, int code)
{
    PlotState& s = BarsDlg();
    PlotEdit& e = s.working;
    switch (id)
    {
    case IDC_PLOT_TYPE:
        if (code != CBN_SELCHANGE)
            return 0;
        if (!s.group)
        {
            const int kind = Selection(dialog, IDC_PLOT_TYPE) + 3;
            e.kind = kind;
            if (!IsBarKind(kind))
            {
                StoreBars(s);
                return 6;
            }
            e.position = BarPositionOf(dialog, kind);
            e.barWidth = CurveBarWidth(reinterpret_cast<CurveDesc*>(s.object), kind);
            s.filling = true;
            ShowReal(dialog, IDC_BAR_WIDTH, e.barWidth);
            s.filling = false;
            ShowBarPosition(dialog, kind, e.position);
        }
        else
            e.kind = Selection(dialog, IDC_PLOT_TYPE);
        return 0;
    case IDC_BAR_BORDER:
        e.border = Checked(dialog, id) ? 1 : 0;
        Enable(dialog, IDC_DLG_LINE_ATTRIBUTES, e.border != 0);
        return 0;
    case IDC_DLG_LINE_ATTRIBUTES:
        RunLinePar(dialog, &e.line);
        return 0;
    case IDC_BAR_HATCH:
        if (code == CBN_SELCHANGE)
        {
            const int sel = Selection(dialog, IDC_BAR_HATCH);
            e.hatch = sel <= 0 ? 255 : sel - 1;
            UpdateColorBar(dialog, e.barColor, e.hatch);
        }
        return 0;
    case IDC_DLG_POS_1040:
    case IDC_DLG_POS_1041:
    case IDC_DLG_POS_1042:
        e.position = BarPositionOf(dialog, s.group ? e.subKind : e.kind);
        return 0;
    case IDC_BAR_WIDTH:
        if (code == EN_CHANGE && !s.filling)
        {
            float width = 0;
            if (ReadReal(dialog, IDC_BAR_WIDTH, &width) && width > 0)
                e.barWidth = width;
        }
        return 0;
    case IDC_PLOT_DATA:
        StoreBars(s);
        return 4;
    case IDOK:
        StoreBars(s);
        return BarsResult(s);
    case IDCANCEL:
        return 2;
    }
    return 0;
}

// ---- Labels dialog ------------------------------------------------------------------------------

struct LabelsState
{
    GrDesc* graph = nullptr;
    LabelsDesc* object = nullptr;
    LabelsDesc before{};
    LabelsDesc working{};
};
LabelsState& LabelsDlg()
{
    static LabelsState s;
    return s;
}

struct PositionButton
{
    int id;
    int x, y; // position values for X and Y labels
};
const PositionButton kLabelPositions[] = {
    {IDC_DLG_POS_1040, 0, 1}, {IDC_DLG_POS_1041, 4, 2}, {IDC_DLG_POS_1043, 7, 9}, {IDC_DLG_POS_1044, 6, 8}};

void InitLabels(HWND dialog)
{
    LabelsDesc& l = LabelsDlg().working;
    const bool x = l.direction == 1;
    if (!x)
        for (int i = 0; i < 4; ++i)
            SetDlgItemText(dialog, kLabelPositions[i].id,
                           LoadText(static_cast<UINT>(IDS_LABELS_Y_FIRST + i)).c_str());
    for (const PositionButton& b : kLabelPositions)
        if ((x ? b.x : b.y) == l.position)
            CheckDlgButton(dialog, b.id, BST_CHECKED);
    if (l.format >= 0 && l.format <= 2)
        CheckRadioButton(dialog, IDC_LABELS_DECIMAL, IDC_LABELS_ENGINEERING, IDC_LABELS_DECIMAL + l.format);
    CheckDlgButton(dialog, IDC_LABELS_FIXED, l.precisionFixed ? BST_CHECKED : BST_UNCHECKED);
    LimitEdit(dialog, IDC_LABELS_PLACES, 2);
    SetDlgItemInt(dialog, IDC_LABELS_PLACES, static_cast<UINT>(std::max<int>(l.precision, 0)), FALSE);
    Enable(dialog, IDC_LABELS_PLACES, l.precisionFixed != 0);
    CheckRadioButton(dialog, IDC_LABELS_LAST_ON, IDC_LABELS_LAST_TEXT,
                     IDC_LABELS_LAST_ON + std::clamp<int>(l.lastLabel, 0, 2));
    LimitEdit(dialog, IDC_LABELS_TEXT, kLastTextMax);
    char text[kLastTextMax + 1] = {};
    std::strncpy(text, l.lastText, kLastTextMax);
    SetDlgItemText(dialog, IDC_LABELS_TEXT, text);
    Enable(dialog, IDC_LABELS_TEXT, l.lastLabel == 2);
}

int AcceptLabels(HWND dialog)
{
    LabelsState& s = LabelsDlg();
    LabelsDesc& l = s.working;
    const bool x = l.direction == 1;
    for (const PositionButton& b : kLabelPositions)
        if (Checked(dialog, b.id))
            l.position = static_cast<SHORT>(x ? b.x : b.y);
    for (int f = 0; f <= 2; ++f)
        if (Checked(dialog, IDC_LABELS_DECIMAL + f))
            l.format = static_cast<SHORT>(f);
    l.precisionFixed = Checked(dialog, IDC_LABELS_FIXED) ? 1 : 0;
    int places = 0;
    if (l.precisionFixed && ReadInt(dialog, IDC_LABELS_PLACES, &places))
        l.precision = static_cast<signed char>(std::clamp(places, 0, 9));
    for (int k = 0; k <= 2; ++k)
        if (Checked(dialog, IDC_LABELS_LAST_ON + k))
            l.lastLabel = static_cast<SHORT>(k);
    if (l.lastLabel == 2)
    {
        char text[kLastTextMax + 2] = {};
        GetDlgItemText(dialog, IDC_LABELS_TEXT, text, sizeof text);
        std::memset(l.lastText, 0, sizeof l.lastText);
        std::strncpy(l.lastText, text, kLastTextMax);
    }
    const LabelsDesc& a = s.before;
    const bool relayout = a.position != l.position || a.format != l.format || a.precision != l.precision ||
                          a.lastLabel != l.lastLabel || a.precisionFixed != l.precisionFixed ||
                          l.font.changed;
    l.font.changed = 0;
    *s.object = l;
    return relayout ? 3 : 1;
}

// ---- Arrow dialog -------------------------------------------------------------------------------

struct ArrowState
{
    GrDesc* graph = nullptr;
    int number = 0;
    LineDesc line{};
};
ArrowState& ArrowDlg()
{
    static ArrowState s;
    return s;
}

constexpr int kArrowHeadMax = 200;

void InitArrow(HWND dialog)
{
    ArrowState& s = ArrowDlg();
    LimitEdit(dialog, IDC_ARROW_WIDTH, 3);
    LimitEdit(dialog, IDC_ARROW_LENGTH, 3);
    SetDlgItemInt(dialog, IDC_ARROW_WIDTH, static_cast<UINT>(WGGetArrowWidth(s.graph, s.number)), FALSE);
    SetDlgItemInt(dialog, IDC_ARROW_LENGTH, static_cast<UINT>(WGGetArrowLength(s.graph, s.number)), FALSE);
    CheckDlgButton(dialog, IDC_PLOT_FILL, WGGetArrowFill(s.graph, s.number) ? BST_CHECKED : BST_UNCHECKED);
    const int pos = WGGetArrowPos(s.graph, s.number);
    CheckDlgButton(dialog, IDC_ARROW_BEGIN, pos & 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_ARROW_END, pos & 2 ? BST_CHECKED : BST_UNCHECKED);
}

void AcceptArrow(HWND dialog)
{
    ArrowState& s = ArrowDlg();
    int width = WGGetArrowWidth(s.graph, s.number);
    int length = WGGetArrowLength(s.graph, s.number);
    int typed = 0;
    if (ReadInt(dialog, IDC_ARROW_WIDTH, &typed))
        width = std::clamp(typed, 1, kArrowHeadMax);
    if (ReadInt(dialog, IDC_ARROW_LENGTH, &typed))
        length = std::clamp(typed, 1, kArrowHeadMax);
    WGChangeArrow(s.graph, s.number, length, width);
    WGChangeArrowFill(s.graph, s.number, Checked(dialog, IDC_PLOT_FILL) ? 1 : 0);
    WGChangeArrowPos(s.graph, s.number, (Checked(dialog, IDC_ARROW_BEGIN) ? 1 : 0) | (Checked(dialog, IDC_ARROW_END) ? 2 : 0));
    if (ObjDesc* o = ObjectAt(s.graph, s.number))
        o->line = s.line;
}

// ---- Graph dialog -------------------------------------------------------------------------------

struct GraphState
{
    PgDesc* page = nullptr;
    GrDesc* graph = nullptr;
    float pos[4] = {};  // left, top, width, height (fractions)
    float plot[4] = {}; // left, top, right, bottom (fractions of the graph)
    LineDesc border{};
    int borderOn = 0;
    bool filling = false;
};
GraphState& GraphDlg()
{
    static GraphState s;
    return s;
}

struct PercentField
{
    int id;
    int index;
};
const PercentField kGraphFields[] = {
    {IDC_GRAPH_LEFT, 0}, {IDC_GRAPH_TOP, 1}, {IDC_GRAPH_WIDTH, 2}, {IDC_GRAPH_HEIGHT, 3}};

void ShowPercent(HWND dialog, int id, float fraction)
{
    char text[kNumberText];
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(fraction * 100));
    SetDlgItemText(dialog, id, text);
}

void InitGraph(HWND dialog)
{
    GraphState& s = GraphDlg();
    GrDesc* g = s.graph;
    s.filling = true;
    WGGetGraphPos(g, &s.pos[0], &s.pos[1], &s.pos[2], &s.pos[3]);
    s.pos[2] -= s.pos[0];
    s.pos[3] -= s.pos[1];
    WGGetPlotPos(g, &s.plot[0], &s.plot[1], &s.plot[2], &s.plot[3]);
    s.border = g->border;
    s.borderOn = g->borderOn;
    for (const PercentField& f : kGraphFields)
    {
        LimitEdit(dialog, f.id, 8);
        ShowPercent(dialog, f.id, s.pos[f.index]);
        Enable(dialog, f.id, !s.page->blownUp);
    }
    const int plotIds[4] = {IDC_PLOTAREA_LEFT, IDC_PLOTAREA_TOP, IDC_PLOTAREA_WIDTH, IDC_PLOTAREA_HEIGHT};
    const float plotValues[4] = {s.plot[0], s.plot[1], s.plot[2] - s.plot[0], s.plot[3] - s.plot[1]};
    for (int i = 0; i < 4; ++i)
    {
        LimitEdit(dialog, plotIds[i], 8);
        ShowPercent(dialog, plotIds[i], plotValues[i]);
    }
    CheckDlgButton(dialog, IDC_GRAPH_BORDER, s.borderOn ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, IDC_DLG_LINE_ATTRIBUTES, s.borderOn != 0);
    FillPalette(dialog, IDC_GRAPH_COLOR, WGGetPureColor(g->background));
    FillPalette(dialog, IDC_PLOTAREA_COLOR, WGGetPureColor(g->plotBackground));
    s.filling = false;
}

bool GraphCommand(HWND dialog, int id, int code)
{
    GraphState& s = GraphDlg();
    float value = 0;
    const bool edit = code == EN_CHANGE && !s.filling;
    switch (id)
    {
    case IDC_GRAPH_LEFT:
    case IDC_GRAPH_TOP:
    case IDC_GRAPH_WIDTH:
    case IDC_GRAPH_HEIGHT:
        if (edit && ReadReal(dialog, id, &value))
        {
            const int index = id == IDC_GRAPH_LEFT ? 0 : id == IDC_GRAPH_TOP ? 1 : id == IDC_GRAPH_WIDTH ? 2 : 3;
            const float fraction = std::clamp(value, 0.0f, 100.0f) / 100;
            if ((index == 1 || index == 3) && std::fabs(fraction - s.pos[index]) <= 0.0009f)
                return true;
            s.pos[index] = fraction;
        }
        return true;
    case IDC_PLOTAREA_LEFT:
    case IDC_PLOTAREA_TOP:
        if (edit && ReadReal(dialog, id, &value))
        {
            // Moving the plot keeps its size.
            const int from = id == IDC_PLOTAREA_LEFT ? 0 : 1;
            const float size = s.plot[from + 2] - s.plot[from];
            s.plot[from] = std::clamp(value, 0.0f, 100.0f) / 100;
            s.plot[from + 2] = std::min(1.0f, s.plot[from] + size);
        }
        return true;
    case IDC_PLOTAREA_WIDTH:
    case IDC_PLOTAREA_HEIGHT:
        if (edit && ReadReal(dialog, id, &value))
        {
            const int from = id == IDC_PLOTAREA_WIDTH ? 0 : 1;
            // The plot ends inside the graph.
            s.plot[from + 2] = std::min(1.0f, s.plot[from] + std::clamp(value, 0.0f, 100.0f) / 100);
        }
        return true;
    case IDC_GRAPH_BORDER:
        s.borderOn = Checked(dialog, id) ? 1 : 0;
        Enable(dialog, IDC_DLG_LINE_ATTRIBUTES, s.borderOn != 0);
        return true;
    case IDC_DLG_LINE_ATTRIBUTES:
        RunLinePar(dialog, &s.border);
        return true;
    }
    return false;
}

void AcceptGraph(HWND dialog)
{
    GraphState& s = GraphDlg();
    GrDesc* g = s.graph;
    const int back = Selection(dialog, IDC_GRAPH_COLOR);
    if (back >= 0 && back != WGGetPureColor(g->background))
        g->background = WGGetRGBColor(back);
    const int plotBack = Selection(dialog, IDC_PLOTAREA_COLOR);
    if (plotBack >= 0 && plotBack != WGGetPureColor(g->plotBackground))
        g->plotBackground = WGGetRGBColor(plotBack);
    g->border = s.border;
    g->borderOn = s.borderOn;
    if (!s.page->blownUp)
        WGChangeGraphPos(g, s.pos[0], s.pos[1], s.pos[0] + s.pos[2], s.pos[1] + s.pos[3]);
    WGChangePlotPos(g, s.plot[0], s.plot[1], s.plot[2], s.plot[3]);
    InvalidateRect(s.page->window, nullptr, TRUE);
    SetFocus(g->window);
}


int RunOn(DLGPROC proc, const char* name, HWND owner, ObjDesc* object)
{
    return DisplayDialogBoxParam(proc, name, owner, reinterpret_cast<LPARAM>(GlobalHandle(object)));
}

// A curve's plot and bar dialogs, switching between them as the type changes.
int EditCurve(GrDesc* graph, int number, HWND owner)
{
    bool bars = IsBarKind(ObjectAt(graph, number)->subKind);
    bool reopened = false;
    for (int round = 0; round < 8; ++round)
    {
        ObjDesc* o = ObjectAt(graph, number);
        if (o == nullptr)
            return 2;
        const int result = bars ? RunOn(BarDlgProc, "BARS", owner, o) : RunOn(PlotDlgProc, "LINE", owner, o);
        if (result == 5 || result == 6)
        {
            bars = result == 5;
            reopened = true;
            continue;
        }
        if (result == 4)
        {
            WGShowData(graph, number);
            return 4;
        }
        if (result == 7)
            return 3;
        return reopened && result != 2 ? 3 : result;
    }
    return 3;
}

int EditGroup(GrDesc* graph, int number, HWND owner)
{
    ObjDesc* o = ObjectAt(graph, number);
    PropertyValue v{};
    if (GetProperty(graph, o, kPropPlotType, 0, v) != 1)
        return 2;
    int result = 2;
    if (v.value >= 0 && v.value <= 3)
        result = RunOn(BarDlgProc, "BARS", owner, o);
    else if (v.value == 5)
        result = RunOn(PlotDlgProc, "LINE", owner, o);
    else if (v.value == 6)
        result = RunOn(HighLowCloseDlgProc, "HILOCLOSE", owner, o);
    else if (v.value == 7)
        result = DisplayDialogBoxParam(WGLineParDlgProc, "LINEPAR", owner, reinterpret_cast<LPARAM>(&o->line));
    if (result == 4)
        WGShowData(graph, number);
    return result;
}

} // namespace

int EditObjectDialog(GrDesc* graph, int number, HWND owner)
{
    ObjDesc* o = ObjectAt(graph, number);
    if (o == nullptr)
        return 2;
    switch (o->type)
    {
    case PK_TYPE_CURVE:
        return EditCurve(graph, number, owner);
    case PK_TYPE_GROUP:
        return EditGroup(graph, number, owner);
    case PK_TYPE_LINE:
    case PK_TYPE_ARC:
    {
        const int result =
            DisplayDialogBoxParam(WGLineParDlgProc, "LINEPAR", owner, reinterpret_cast<LPARAM>(&o->line));
        return result == 2 ? 2 : 3;
    }
    case PK_TYPE_ARROW:
        return RunOn(ArrowDlgProc, "ARROW", owner, o) == 2 ? 2 : 3;
    case PK_TYPE_AXIS:
        return DisplayDialogBoxParam(AxisDlgProc, "AXIS", owner, reinterpret_cast<LPARAM>(graph));
    case PK_TYPE_LABELS:
    {
        const int result = RunOn(LabelsDlgProc, "LABELS", owner, o);
        if (result != 2)
        {
            auto* labels = reinterpret_cast<LabelsDesc*>(o);
            HDC dc = GetMappedDC(graph);
            labels->font.logFont.lfHeight = -PointsToLogSize(graph, dc, labels->font.currentSize);
            ReleaseDC(graph->window, dc);
        }
        return result;
    }
    }
    return 2;
}

// Fills the colour sample with the bar brush now.
static void PaintSample(HWND sample, COLORREF color, int hatch)
{
    HDC dc = GetDC(sample);
    RECT r{};
    GetClientRect(sample, &r);
    if (HBRUSH brush = CreateBarBrush(dc, hatch >= 0 && hatch <= 5 ? hatch : -1, color))
    {
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    ReleaseDC(sample, dc);
}

} // namespace plotkit

using namespace plotkit;

float WINAPI CheckReal(char* text, int length)
{
    if (text == nullptr || length < 0)
        return 0;
    text[length] = 0;
    char* end = FirstNotDig(text);
    if (end && *end == ',')
    {
        *end = '.';
        end = FirstNotDig(end + 1);
    }
    if (end)
        *end = 0;
    return static_cast<float>(std::atof(text));
}

int WINAPI DisplayDialogBoxParam(DLGPROC proc, const char* name, HWND owner, LPARAM param)
{
    if (InSendMessage())
        ReplyMessage(0);
    if (owner && !IsWindow(owner))
        owner = nullptr;
    return static_cast<int>(DialogBoxParam(Module(), name, owner, proc, param));
}

int WINAPI WGEditGraphDlg(PgDesc* page)
{
    if (!IsLivePage(page) || page->selectedGraph == 0 || GetGrDescPtr(page->selectedGraph) == nullptr)
        return 0;
    return DisplayDialogBoxParam(GraphParamDlgProc, "GRAPHPAR", page->window, reinterpret_cast<LPARAM>(page)) == 1
               ? 1
               : 0;
}

int WINAPI EditLineParDlg(GrDesc* graph, int number)
{
    if (!CheckGraph(graph))
        return 2;
    LineDesc* line = GetLineDesc(graph, number, 0);
    if (line == nullptr)
        return 2;
    const int result = DisplayDialogBoxParam(WGLineParDlgProc, "LINEPAR", nullptr, reinterpret_cast<LPARAM>(line));
    if (result == 1 || result == 3)
        InvalidateRect(graph->window, nullptr, TRUE);
    return result;
}

void WINAPI InitHatchStyles(HWND dialog, int hatch)
{
    static const char* const names[] = {"None", "====", "||||", "\\\\\\\\", "////", "++++", "XXXX"};
    SendDlgItemMessage(dialog, IDC_BAR_HATCH, CB_RESETCONTENT, 0, 0);
    for (const char* name : names)
        SendDlgItemMessage(dialog, IDC_BAR_HATCH, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    const int index = hatch >= 0 && hatch <= 5 ? hatch + 1 : 0;
    SendDlgItemMessage(dialog, IDC_BAR_HATCH, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void WINAPI UpdateColorBar(HWND dialog, COLORREF color, int hatch)
{
    // The sample takes its brush when it paints (see the bar dialog's static colour).
    (void)color;
    (void)hatch;
    if (HWND sample = GetDlgItem(dialog, IDC_BAR_SAMPLE))
        InvalidateRect(sample, nullptr, TRUE);
}

HBRUSH WINAPI BarCtlColor(HWND dialog, HDC dc, HWND control, int kind, COLORREF color, int hatch, HBRUSH red,
                          HBRUSH green, HBRUSH blue)
{
    (void)dc;
    const int id = GetDlgCtrlID(control);
    if (kind == CTLCOLOR_STATIC && id == IDC_BAR_SAMPLE)
    {
        PaintSample(control, color, hatch);
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    if (kind == CTLCOLOR_SCROLLBAR && id >= IDC_BAR_RED && id <= IDC_BAR_BLUE)
    {
        RECT r{};
        GetWindowRect(control, &r);
        POINT origin{r.left, r.top};
        ScreenToClient(dialog, &origin);
        HBRUSH brush = id == IDC_BAR_RED ? red : id == IDC_BAR_GREEN ? green : blue;
        SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
        return brush;
    }
    return nullptr;
}

COLORREF WINAPI BarScroll(HWND dialog, HWND scrollBar, int code, int position, COLORREF color, int hatch)
{
    const int id = GetDlgCtrlID(scrollBar);
    if (id < IDC_BAR_RED || id > IDC_BAR_BLUE)
        return color;
    int parts[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    int& v = parts[id - IDC_BAR_RED];
    switch (code)
    {
    case SB_LINELEFT:
        v -= 1;
        break;
    case SB_LINERIGHT:
        v += 1;
        break;
    case SB_PAGELEFT:
        v -= 20;
        break;
    case SB_PAGERIGHT:
        v += 20;
        break;
    case SB_LEFT:
        v = 0;
        break;
    case SB_RIGHT:
        v = 255;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        v = position;
        break;
    default:
        return color;
    }
    v = std::clamp(v, 0, 255);
    SetScrollPos(scrollBar, SB_CTL, v, TRUE);
    SetDlgItemInt(dialog, id - IDC_BAR_RED + IDC_BAR_RED_VALUE, static_cast<UINT>(v), FALSE);
    const COLORREF result = RGB(parts[0], parts[1], parts[2]);
    UpdateColorBar(dialog, result, hatch);
    return result;
}

INT_PTR CALLBACK WGLineParDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    LineParState& s = LinePar();
    switch (message)
    {
    case WM_INITDIALOG:
        if (Flags().linePar || lParam == 0)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().linePar = true;
        s.caller = reinterpret_cast<LineDesc*>(lParam);
        s.working = *s.caller;
        InitLinePar(dialog);
        WGSetOKCursor(dialog);
        return FALSE;
    case WM_COMMAND:
        if (s.caller == nullptr)
            break;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            if (LOWORD(wParam) == IDOK)
                AcceptLinePar(dialog);
            Flags().linePar = false;
            s.caller = nullptr;
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK AxisDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    AxisState& s = AxisDlg();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        if (Flags().axis)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        auto* graph = reinterpret_cast<GrDesc*>(lParam);
        ObjDesc* axis = graph && IsLiveGraph(graph) ? ObjectAt(graph, graph->selectedObject) : nullptr;
        if (axis == nullptr || axis->type != PK_TYPE_AXIS ||
            WGDuplicateObject(graph, graph->selectedObject) != PK_EDIT_COPY)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().axis = true;
        s.graph = graph;
        s.number = graph->selectedObject;
        InitAxis(dialog, AxisCopy());
        WGSetOKCursor(dialog);
        return FALSE;
    }
    case WM_COMMAND:
        if (!Flags().axis || s.graph == nullptr)
            break;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            INT_PTR result = 2;
            if (LOWORD(wParam) == IDOK)
                result = AcceptAxis();
            else
                WGDeleteObject(s.graph, PK_EDIT_COPY);
            Flags().axis = false;
            s.graph = nullptr;
            EndDialog(dialog, result);
            return TRUE;
        }
        return AxisCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK PlotDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    PlotState& s = Plot();
    switch (message)
    {
    case WM_INITDIALOG:
        if (Flags().plot || !OpenPlot(s, lParam, false))
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().plot = true;
        InitPlot(dialog);
        WGSetOKCursor(dialog);
        return FALSE;
    case WM_COMMAND:
        if (!Flags().plot)
            break;
        if (const INT_PTR result = PlotCommand(dialog, LOWORD(wParam), HIWORD(wParam)))
        {
            Flags().plot = false;
            EndDialog(dialog, result);
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK HighLowCloseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    PlotState& s = HiLo();
    switch (message)
    {
    case WM_INITDIALOG:
        if (Flags().hiLoClose || !OpenPlot(s, lParam, true))
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().hiLoClose = true;
        ShowMarker(dialog, s.working.marker);
        Enable(dialog, IDC_PLOT_DATA, !DataTableOpen());
        WGSetOKCursor(dialog);
        return FALSE;
    case WM_COMMAND:
    {
        if (!Flags().hiLoClose)
            break;
        INT_PTR result = 0;
        switch (LOWORD(wParam))
        {
        case IDC_DLG_LINE_ATTRIBUTES:
            RunLinePar(dialog, &s.working.line);
            break;
        case IDC_PLOT_DATA:
        case IDOK:
        {
            ReadMarker(dialog, s.working.marker);
            StoreMarker(s.graph, s.object, s.working.marker);
            if (LineDesc* line = MemberLine(s.object, 0))
                *line = s.working.line;
            const Marker& a = s.before.marker;
            const Marker& b = s.working.marker;
            result = LOWORD(wParam) == IDC_PLOT_DATA                                     ? 4
                     : a.type != b.type || a.size != b.size || (a.style != b.style && b.style) ? 3
                                                                                          : 1;
            break;
        }
        case IDCANCEL:
            result = 2;
            break;
        }
        if (result)
        {
            Flags().hiLoClose = false;
            EndDialog(dialog, result);
        }
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK BarDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    PlotState& s = BarsDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (Flags().bars || !OpenPlot(s, lParam, false))
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().bars = true;
        InitBars(dialog);
        WGSetOKCursor(dialog);
        return FALSE;
    case WM_HSCROLL:
        if (Flags().bars)
        {
            s.working.barColor = BarScroll(dialog, reinterpret_cast<HWND>(lParam), LOWORD(wParam),
                                           static_cast<short>(HIWORD(wParam)), s.working.barColor, s.working.hatch);
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (Flags().bars && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_BAR_SAMPLE)
        {
            // The sample's background is the bar brush itself.
            static HBRUSH sample = nullptr;
            if (sample)
                DeleteObject(sample);
            HDC dc = reinterpret_cast<HDC>(wParam);
            const int hatch = s.working.hatch >= 0 && s.working.hatch <= 5 ? s.working.hatch : -1;
            sample = CreateBarBrush(dc, hatch, s.working.barColor);
            return reinterpret_cast<INT_PTR>(sample);
        }
        break;
    case WM_COMMAND:
        if (!Flags().bars)
            break;
        if (const INT_PTR result = BarsCommand(dialog, LOWORD(wParam), HIWORD(wParam)))
        {
            Flags().bars = false;
            EndDialog(dialog, result);
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK LabelsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    LabelsState& s = LabelsDlg();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        if (Flags().labels)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        GrDesc* graph = nullptr;
        int number = 0;
        ObjDesc* o = FindOwner(reinterpret_cast<HGLOBAL>(lParam), &graph, &number) ? ObjectAt(graph, number) : nullptr;
        if (o == nullptr || o->type != PK_TYPE_LABELS)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().labels = true;
        s.graph = graph;
        s.object = reinterpret_cast<LabelsDesc*>(o);
        s.before = s.working = *s.object;
        s.working.font.changed = 0;
        InitLabels(dialog);
        WGSetOKCursor(dialog);
        return FALSE;
    }
    case WM_COMMAND:
    {
        if (!Flags().labels)
            break;
        INT_PTR result = 0;
        switch (LOWORD(wParam))
        {
        case IDC_LABELS_FIXED:
            Enable(dialog, IDC_LABELS_PLACES, Checked(dialog, IDC_LABELS_FIXED));
            break;
        case IDC_LABELS_LAST_ON:
        case IDC_LABELS_LAST_OFF:
        case IDC_LABELS_LAST_TEXT:
            Enable(dialog, IDC_LABELS_TEXT, Checked(dialog, IDC_LABELS_LAST_TEXT));
            break;
        case IDC_TEXT_PARAMETERS:
        {
            FontDesc font = s.working.font;
            font.text = nullptr;
            font.textCapacity = 0;
            if (DisplayDialogBoxParam(TextDlgProc, "TEXTPAR", dialog, reinterpret_cast<LPARAM>(&font)) == 3)
                s.working.font = font;
            WGSetOKCursor(dialog);
            break;
        }
        case IDOK:
            result = AcceptLabels(dialog);
            break;
        case IDCANCEL:
            result = 2;
            break;
        }
        if (result)
        {
            Flags().labels = false;
            EndDialog(dialog, result);
        }
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK ArrowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ArrowState& s = ArrowDlg();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        if (Flags().arrow)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        ObjDesc* o = FindOwner(reinterpret_cast<HGLOBAL>(lParam), &s.graph, &s.number) ? ObjectAt(s.graph, s.number)
                                                                                        : nullptr;
        if (o == nullptr || o->type != PK_TYPE_ARROW)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().arrow = true;
        s.line = o->line;
        InitArrow(dialog);
        WGSetOKCursor(dialog);
        return FALSE;
    }
    case WM_COMMAND:
        if (!Flags().arrow)
            break;
        switch (LOWORD(wParam))
        {
        case IDC_DLG_LINE_ATTRIBUTES:
            RunLinePar(dialog, &s.line);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            if (LOWORD(wParam) == IDOK)
                AcceptArrow(dialog);
            Flags().arrow = false;
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK GraphParamDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    GraphState& s = GraphDlg();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        if (Flags().graphPar)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        auto* page = reinterpret_cast<PgDesc*>(lParam);
        GrDesc* graph = IsLivePage(page) && page->selectedGraph ? GetGrDescPtr(page->selectedGraph) : nullptr;
        if (graph == nullptr)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        Flags().graphPar = true;
        s.page = page;
        s.graph = graph;
        InitGraph(dialog);
        WGSetOKCursor(dialog);
        return FALSE;
    }
    case WM_COMMAND:
        if (!Flags().graphPar)
            break;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            if (LOWORD(wParam) == IDOK)
                AcceptGraph(dialog);
            else
                InvalidateRect(s.page->window, nullptr, TRUE);
            Flags().graphPar = false;
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
            return TRUE;
        }
        return GraphCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    return FALSE;
}
