// Edit dialogs of a meter and of its background. The meter dialog works on a copy of the record; the
// background dialog edits a copy of the record it is given (the meter dialog's copy) and writes the
// face colour and border into it at OK. Range, ticks, angles and place go back through the meter's
// change calls, so the meter lays itself out again; Cancel writes nothing.
#include "EditDialogs.h"
#include "Meters.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace trendkit
{
namespace
{

constexpr int kNumberBuffer = 17;
constexpr int kColorName = 13; // 12 characters and the zero

// A whole-number field read at OK and cut to a byte, as the decimals are kept.
signed char ReadDecimals(HWND dialog, int id)
{
    return static_cast<signed char>(static_cast<BYTE>(GetDlgItemInt(dialog, id, nullptr, FALSE)));
}

COLORREF NeedleColour(int index)
{
    return index >= 0 ? WGGetRGBColor(index) : 0;
}

// ---- Meter --------------------------------------------------------------------------------------

struct MeterState : RecordEdit<MeterDesc>
{
    int number = 0;
    int first = 0, last = -1; // the channels shown
    int current = 0;          // the channel whose colour 1909 shows
};
MeterState& MeterDlg()
{
    static MeterState state;
    return state;
}

bool SeveralChannels(const MeterState& s)
{
    return s.last > s.first;
}

// The needle entry of a channel.
MeterNeedle& ChannelNeedle(MeterState& s, MeterDesc& m, int channel)
{
    return m.needles[std::clamp(channel - s.first, 0, static_cast<int>(METER_MAX_NEEDLES) - 1)];
}

void FillChannels(HWND dialog, MeterState& s)
{
    const DynDataSetDesc* set = s.copy->rt.dataSet;
    for (int v = s.first; v <= s.last; ++v)
    {
        char text[RT_LABEL_MAX + 16] = {};
        if (set && v >= 0 && v < RT_MAX_VALUES && set->labels[v][0] != 0)
            std::snprintf(text, sizeof text, "%s", set->labels[v]);
        else
            std::snprintf(text, sizeof text, "Channel # %d", v);
        SendDlgItemMessage(dialog, IDC_MT_CHANNEL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessage(dialog, IDC_MT_CHANNEL, CB_SETCURSEL, 0, 0);
}

void SelectColour(HWND dialog, int id, int index)
{
    SendDlgItemMessage(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void FillMeter(HWND dialog, MeterState& s)
{
    const MeterDesc& c = *s.copy;
    const bool needle = c.rt.head.subKind == METER_NEEDLE;
    FillChannels(dialog, s);
    char name[kColorName] = {};
    FillColorCombo(dialog, name, IDC_MT_COLOR);
    SelectColour(dialog, IDC_MT_COLOR, c.needles[0].colourIndex);

    ShowNumberField(dialog, IDC_MT_FROM, c.minimum);
    ShowNumberField(dialog, IDC_MT_TO, c.maximum);
    if (needle)
    {
        for (int id : {IDC_MT_REFERENCE, IDC_MT_REFERENCE_LABEL, IDC_MT_BACK_COLOR, IDC_MT_BACK_COLOR_LABEL})
            Enable(dialog, id, false);
    }
    else
    {
        ShowNumberField(dialog, IDC_MT_REFERENCE, c.reference);
        FillColorCombo(dialog, name, IDC_MT_BACK_COLOR);
        SelectColour(dialog, IDC_MT_BACK_COLOR, c.needles[1].colourIndex);
        Enable(dialog, IDC_MT_LABELS_INSIDE, false);
        if (c.rt.head.subKind == METER_PIE)
            SetDlgItemText(dialog, IDC_MT_BACK_COLOR_LABEL, "Pie Background Color");
    }

    SetDlgItemInt(dialog, IDC_MT_ANGLE_FROM, static_cast<UINT>(c.startAngle), TRUE);
    SetDlgItemInt(dialog, IDC_MT_ANGLE_TO, static_cast<UINT>(c.endAngle), TRUE);
    float cx = 0, cy = 0, diameter = 0;
    WRGetMeterCenter(s.graph, static_cast<WORD>(s.number), &cx, &cy, &diameter);
    ShowPercent(dialog, IDC_MT_CENTER_X, cx);
    ShowPercent(dialog, IDC_MT_CENTER_Y, cy);
    ShowPercent(dialog, IDC_MT_DIAMETER, diameter);
    SetDlgItemText(dialog, IDC_MT_TICK_LENGTH, ftoa(c.tickFraction, 3, 0));
    ShowNumberField(dialog, IDC_MT_STEP, c.majorStep);
    SetDlgItemInt(dialog, IDC_MT_MINOR, static_cast<UINT>(c.minorTicks), FALSE);
    SetDlgItemInt(dialog, IDC_MT_LABEL_PRECISION, static_cast<UINT>(c.labelDecimals), FALSE);
    SetDlgItemInt(dialog, IDC_MT_READOUT_PRECISION, static_cast<UINT>(c.readoutDecimals), FALSE);

    // A tick position other than 0, 3 or 4 checks none of the three.
    const int tick = c.tickPosition == 0   ? IDC_MT_TICKS_INSIDE
                     : c.tickPosition == 3 ? IDC_MT_TICKS_MIDDLE
                     : c.tickPosition == 4 ? IDC_MT_TICKS_OUTSIDE
                                           : 0;
    if (tick)
        CheckDlgButton(dialog, tick, BST_CHECKED);
    CheckDlgButton(dialog, c.labelPosition == 0 ? IDC_MT_LABELS_INSIDE : IDC_MT_LABELS_OUTSIDE, BST_CHECKED);
    Enable(dialog, IDC_MT_BACKGROUND, c.borderLine.paletteIndex >= 0);
}

// The number of the meter behind `handle`: the graph's selected object, or, when a host opened the
// dialog for another meter, that meter's own place (so the change calls reach the meter edited).
int MeterNumber(GrDesc* graph, HGLOBAL handle)
{
    HGLOBAL found = nullptr;
    if (graph->selectedObject && GetObjDesc(graph, graph->selectedObject, &found) && found == handle)
        return graph->selectedObject;
    for (int n = 1; n <= graph->capacity; ++n)
        if (GetObjDesc(graph, n, &found) && found == handle)
            return n;
    return graph->selectedObject;
}

bool OpenMeter(HWND dialog, MeterState& s, LPARAM lParam)
{
    const auto rt = [](const MeterDesc& m) -> const RtObjDesc& { return m.rt; };
    if (!s.Open(dialog, lParam, rt, RT_TYPE_METER, true))
        return false;
    s.number = MeterNumber(s.graph, s.handle);
    MeterValueRange(s.copy.get(), &s.first, &s.last);
    s.current = s.first;
    FillMeter(dialog, s);
    return true;
}

int TickPosition(int id)
{
    return id == IDC_MT_TICKS_INSIDE ? 0 : id == IDC_MT_TICKS_MIDDLE ? 3 : 4;
}

void MeterCommand(HWND dialog, WPARAM wParam, MeterState& s)
{
    const int id = LOWORD(wParam);
    MeterDesc& c = *s.copy;
    float v = 0;
    if (Changed(wParam))
    {
        switch (id)
        {
        case IDC_MT_FROM:
            ReadNumberField(dialog, id, kNumberBuffer, &c.minimum);
            break;
        case IDC_MT_TO:
            ReadNumberField(dialog, id, kNumberBuffer, &c.maximum);
            break;
        case IDC_MT_REFERENCE:
            ReadNumberField(dialog, id, kNumberBuffer, &c.reference);
            break;
        case IDC_MT_STEP:
            ReadNumberField(dialog, id, kNumberBuffer, &c.majorStep);
            break;
        case IDC_MT_TICK_LENGTH:
            ReadNumberField(dialog, id, kNumberBuffer, &c.tickFraction);
            break;
        case IDC_MT_CENTER_X:
            ReadPercent(dialog, id, kNumberBuffer, &c.cx);
            break;
        case IDC_MT_CENTER_Y:
            ReadPercent(dialog, id, kNumberBuffer, &c.cy);
            break;
        case IDC_MT_DIAMETER:
            if (ReadNumberField(dialog, id, kNumberBuffer, &v))
                c.rx = v / 200.0f;
            break;
        case IDC_MT_ANGLE_FROM:
            c.startAngle = static_cast<SHORT>(static_cast<int>(GetDlgItemInt(dialog, id, nullptr, TRUE)));
            break;
        case IDC_MT_ANGLE_TO:
            c.endAngle = static_cast<SHORT>(static_cast<int>(GetDlgItemInt(dialog, id, nullptr, TRUE)));
            break;
        case IDC_MT_MINOR:
            c.minorTicks = static_cast<SHORT>(GetDlgItemInt(dialog, id, nullptr, FALSE));
            break;
        default:
            break;
        }
        return;
    }
    if (id == IDC_MT_CHANNEL || id == IDC_MT_COLOR)
    {
        // Only a meter of several channels keeps a colour per channel while the dialog is open.
        if (!SeveralChannels(s))
            return;
        if (id == IDC_MT_CHANNEL)
        {
            const int selection = ComboSelection(dialog, IDC_MT_CHANNEL);
            if (selection >= 0)
                s.current = s.first + selection;
            SelectColour(dialog, IDC_MT_COLOR, ChannelNeedle(s, c, s.current).colourIndex);
        }
        else
        {
            const int selection = ComboSelection(dialog, IDC_MT_COLOR);
            if (selection >= 0)
                ChannelNeedle(s, c, s.current).colourIndex = static_cast<SHORT>(selection);
        }
        return;
    }
    if (!Clicked(wParam))
        return;
    switch (id)
    {
    case IDC_MT_TICKS_INSIDE:
    case IDC_MT_TICKS_OUTSIDE:
    case IDC_MT_TICKS_MIDDLE:
        c.tickPosition = static_cast<SHORT>(TickPosition(id));
        break;
    case IDC_MT_LABELS_INSIDE:
        c.labelPosition = 0;
        break;
    case IDC_MT_LABELS_OUTSIDE:
        c.labelPosition = 4;
        break;
    case IDC_MT_BACKGROUND:
        rtDisplayDialogBoxParam(MeterBackgndDlgProc, "METERBACKGROUND", dialog, reinterpret_cast<LPARAM>(&c));
        WGSetOKCursor(dialog);
        break;
    case IDC_MT_LINE:
        RunLinePar(dialog, &c.rt.head.line);
        break;
    case IDC_RT_ALARM_ATTRIBUTES:
        RunAlarmAttributes(dialog, c.rt.dataSet, &s.attribResult);
        break;
    case IDC_MT_TEXT:
        RunTextPar(dialog, s.graph, c.font);
        break;
    default:
        break;
    }
}

void AcceptMeter(HWND dialog, MeterState& s)
{
    MeterDesc& live = *s.live;
    const MeterDesc& c = *s.copy;
    live.borderKind = c.borderKind;
    live.borderLine = c.borderLine;
    live.rt.head.line = c.rt.head.line;
    live.font = c.font;
    live.labelPosition = c.labelPosition;
    live.face = c.face;
    live.labelDecimals = ReadDecimals(dialog, IDC_MT_LABEL_PRECISION);
    live.readoutDecimals = ReadDecimals(dialog, IDC_MT_READOUT_PRECISION);

    const auto number = static_cast<WORD>(s.number);
    WRChangeMeterRange(s.graph, number, c.minimum, c.maximum, c.reference, 0);
    WRChangeMeterTicks(s.graph, number, c.tickFraction, c.majorStep, c.minorTicks, c.tickPosition, 0);
    WRChangeMeterAngles(s.graph, number, c.startAngle, c.endAngle, 0);
    WRChangeMeterCenter(s.graph, number, c.cx, c.cy, 2 * c.rx, 0);

    if (!SeveralChannels(s))
    {
        // A list with nothing chosen (a colour the palette does not name) keeps the colour.
        auto choose = [&](int id, int entry)
        {
            const int selection = ComboSelection(dialog, id);
            MeterNeedle& n = live.needles[entry];
            n.colourIndex = static_cast<SHORT>(selection >= 0 ? selection : c.needles[entry].colourIndex);
            n.colour = NeedleColour(n.colourIndex);
        };
        choose(IDC_MT_COLOR, 0);
        if (live.rt.head.subKind != METER_NEEDLE)
            choose(IDC_MT_BACK_COLOR, 1);
    }
    else
    {
        for (int v = s.first; v <= s.last; ++v)
        {
            MeterNeedle& n = ChannelNeedle(s, live, v);
            n.colourIndex = ChannelNeedle(s, *s.copy, v).colourIndex;
            n.colour = NeedleColour(n.colourIndex);
        }
    }
    if (s.attribResult == 1 && live.rt.dataSet)
        RefreshAlarmObjects(live.rt.dataSet);
}

// ---- Meter background ---------------------------------------------------------------------------

struct BackgroundState
{
    bool open = false;
    MeterDesc* given = nullptr;
    std::unique_ptr<MeterDesc> copy;
    ColorBar bar;
};
BackgroundState& BackgroundDlg()
{
    static BackgroundState state;
    return state;
}

bool OpenBackground(HWND dialog, BackgroundState& s, LPARAM lParam)
{
    auto* given = reinterpret_cast<MeterDesc*>(lParam);
    if (s.open || given == nullptr || given->rt.head.type != RT_TYPE_METER)
    {
        EndDialog(dialog, 2);
        return false;
    }
    s.copy.reset(new (std::nothrow) MeterDesc);
    if (!s.copy)
    {
        EndDialog(dialog, 2);
        return false;
    }
    std::memcpy(static_cast<void*>(s.copy.get()), given, sizeof(MeterDesc));
    s.open = true;
    s.given = given;
    CheckDlgButton(dialog, IDC_MT_BORDER, s.copy->borderKind != 0 ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, IDC_MT_BORDER_ATTRIB, s.copy->borderKind != 0);
    s.bar.Open(dialog, s.copy->face, -1);
    return true;
}

void CloseBackground(HWND dialog, BackgroundState& s, int result)
{
    s.bar.Close();
    s.copy.reset();
    s.given = nullptr;
    s.open = false;
    EndDialog(dialog, result);
}

} // namespace

int EditMeter(GrDesc* graph, RtObjDesc*, HGLOBAL handle)
{
    return RunObjectEditDialog(graph, MeterDlgProc, "METER", handle);
}

} // namespace trendkit

using namespace trendkit;

INT_PTR CALLBACK MeterDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& s = MeterDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        OpenMeter(dialog, s, lParam);
        return TRUE;
    case WM_COMMAND:
        if (!s.open || !s.copy)
            break;
        if (LOWORD(wParam) == IDOK)
        {
            AcceptMeter(dialog, s);
            s.Close(dialog, 1);
        }
        else if (LOWORD(wParam) == IDCANCEL)
            s.Close(dialog, 2);
        else
            MeterCommand(dialog, wParam, s);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK MeterBackgndDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& s = BackgroundDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        OpenBackground(dialog, s, lParam);
        return TRUE;
    case WM_COMMAND:
        if (!s.open || !s.copy)
            break;
        switch (LOWORD(wParam))
        {
        case IDOK:
            s.copy->face = s.bar.Color();
            s.given->face = s.copy->face;
            s.given->borderLine = s.copy->borderLine;
            s.given->borderKind = s.copy->borderKind;
            CloseBackground(dialog, s, 1);
            break;
        case IDCANCEL:
            CloseBackground(dialog, s, 2);
            break;
        case IDC_MT_BORDER:
            if (Clicked(wParam))
            {
                const int on = ClickedState(dialog, IDC_MT_BORDER);
                s.copy->borderKind = static_cast<BYTE>(on);
                Enable(dialog, IDC_MT_BORDER_ATTRIB, on != 0);
            }
            break;
        case IDC_MT_BORDER_ATTRIB:
            if (Clicked(wParam))
                RunLinePar(dialog, &s.copy->borderLine);
            break;
        default:
            break;
        }
        return TRUE;
    default:
        if (INT_PTR result = 0; s.open && s.copy && s.bar.Message(dialog, message, wParam, lParam, &result))
            return result;
        break;
    }
    return FALSE;
}
