// PID faceplate and parameter dialog. The faceplate is a set of ordinary objects bound to the loop's
// two data sets; the dialog tunes a loop on a copy of its record, and OK or Enter write the copy back
// with the integral sum rescaled so that a change of the integral factor does not make the output jump.
#include "AutoGraph.h"
#include "res/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trendkit
{
namespace
{

struct PidDialogState
{
    int slot = 0;
    PidLoopDesc* loop = nullptr;
    PidLoopDesc copy{};
    bool open = false;
    bool filling = false;
    bool dirty[IDC_PID_LAST - IDC_PID_FIRST + 1] = {};
};

PidDialogState& State()
{
    static PidDialogState state;
    return state;
}

void ShowValue(HWND dialog, int id, float value)
{
    SetDlgItemText(dialog, id, ftoa(value, 6, 4));
}

void ShowCopy(HWND dialog)
{
    const PidLoopDesc& c = State().copy;
    State().filling = true;
    ShowValue(dialog, IDC_PID_RANGE_HIGH, c.rangeHigh);
    ShowValue(dialog, IDC_PID_RANGE_LOW, c.rangeLow);
    ShowValue(dialog, IDC_PID_LIMIT_HIGH, c.limitHigh);
    ShowValue(dialog, IDC_PID_LIMIT_LOW, c.limitLow);
    ShowValue(dialog, IDC_PID_SETPOINT, c.setpoint);
    ShowValue(dialog, IDC_PID_BIAS, c.bias);
    ShowValue(dialog, IDC_PID_GAIN, c.kc);
    ShowValue(dialog, IDC_PID_INTEGRAL, c.ki / (c.kc * c.dt));
    ShowValue(dialog, IDC_PID_DERIVATIVE, c.kd * c.dt / c.kc);
    ShowValue(dialog, IDC_PID_FILTER, c.alpha);
    ShowValue(dialog, IDC_PID_RATE, c.rateLimit);
    SetDlgItemText(dialog, IDC_PID_OUTPUT, "");
    const bool automatic = c.automatic != 0;
    CheckDlgButton(dialog, IDC_PID_AUTO, automatic ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_PID_OUTPUT), !automatic);
    EnableWindow(GetDlgItem(dialog, IDC_PID_OUTPUT_LABEL), !automatic);
    for (bool& d : State().dirty)
        d = false;
    State().filling = false;
}

bool IsNumericField(int id)
{
    switch (id)
    {
    case IDC_PID_LIMIT_HIGH:
    case IDC_PID_LIMIT_LOW:
    case IDC_PID_OUTPUT:
    case IDC_PID_GAIN:
    case IDC_PID_INTEGRAL:
    case IDC_PID_DERIVATIVE:
    case IDC_PID_BIAS:
    case IDC_PID_FILTER:
    case IDC_PID_RATE:
    case IDC_PID_SETPOINT:
        return true;
    default:
        return false;
    }
}

// Reads one typed field into the copy; values out of their range are left out and the copy keeps
// what it had. Only fields the user changed are read, so that the rounding of the shown text never
// alters a value that was left alone.
void ReadField(HWND dialog, int id)
{
    PidDialogState& s = State();
    bool& dirty = s.dirty[id - IDC_PID_FIRST];
    if (!dirty)
        return;
    dirty = false;
    char text[16] = {};
    GetDlgItemText(dialog, id, text, sizeof text);
    if (text[0] == '\0')
        return;
    PidLoopDesc& c = s.copy;
    const float value = id == IDC_PID_SETPOINT ? static_cast<float>(std::atof(text)) : CheckReal(text, 15);
    switch (id)
    {
    case IDC_PID_LIMIT_HIGH:
        if (value > c.limitLow && value <= c.rangeHigh)
            c.limitHigh = value;
        break;
    case IDC_PID_LIMIT_LOW:
        if (value >= c.rangeLow && value < c.limitHigh)
            c.limitLow = value;
        break;
    case IDC_PID_BIAS:
        if (value >= c.limitLow && value <= c.limitHigh)
            c.bias = value;
        break;
    case IDC_PID_GAIN:
        if (value >= 0.0f)
            c.kc = value;
        break;
    case IDC_PID_INTEGRAL:
        c.ki = c.kc * c.dt * value;
        break;
    case IDC_PID_DERIVATIVE:
        c.kd = value * c.kc / c.dt;
        break;
    case IDC_PID_OUTPUT:
        c.output = value;
        break;
    case IDC_PID_FILTER:
        c.alpha = value;
        break;
    case IDC_PID_RATE:
        c.rateLimit = value;
        break;
    case IDC_PID_SETPOINT:
        c.setpoint = value;
        break;
    }
}

// Fields in the order their checks depend on one another: limits before the bias, the gain before
// the integral and derivative times.
void ReadAllFields(HWND dialog)
{
    static const int order[] = {IDC_PID_LIMIT_HIGH, IDC_PID_LIMIT_LOW,  IDC_PID_BIAS,   IDC_PID_GAIN,
                                IDC_PID_INTEGRAL,   IDC_PID_DERIVATIVE, IDC_PID_OUTPUT, IDC_PID_FILTER,
                                IDC_PID_RATE,       IDC_PID_SETPOINT};
    for (int id : order)
        ReadField(dialog, id);
}

void Apply(HWND dialog)
{
    PidDialogState& s = State();
    ReadAllFields(dialog);
    PidLoopDesc* loop = GetPidLoop(s.slot);
    if (loop == nullptr || loop != s.loop)
        return;
    const PidLoopDesc& c = s.copy;
    if (c.ki != 0.0f)
        loop->integralSum *= loop->ki / c.ki;
    loop->kc = c.kc;
    loop->ki = c.ki;
    loop->kd = c.kd;
    loop->limitHigh = c.limitHigh;
    loop->limitLow = c.limitLow;
    loop->automatic = c.automatic;
    loop->setpoint = c.setpoint;
    loop->rateLimit = c.rateLimit;
    loop->alpha = c.alpha;
    if (c.automatic == 0)
        loop->output = c.output;
    WRChangePIDSteadyState(s.slot, c.bias);
}

void Close(HWND dialog, int result)
{
    PidDialogState& s = State();
    s.copy = PidLoopDesc{};
    s.loop = nullptr;
    s.slot = 0;
    s.open = false;
    EndDialog(dialog, result);
}

// Characters a value of a range takes: integer digits, decimals and a sign.
int ValueDigits(float high, float low, int precision)
{
    const float largest = std::max(std::fabs(high), std::fabs(low));
    int digits = (largest > 0 ? static_cast<int>(std::trunc(std::log(largest))) : 0) + 1 + precision;
    if (high < 0 || low < 0)
        ++digits;
    return std::max(digits, 1);
}

} // namespace
} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetPIDBargraph(GrDesc* graph, int slot, float pvBase, float outBase, int pvPrecision,
                             int outPrecision, const char* normalMessage, const char* autoText,
                             const char* manualText, const COLORREF* colours, WORD* out)
{
    WORD numbers[16] = {};
    if (out)
        std::fill(out, out + 16, WORD{0});
    PidLoopDesc* loop = slot == 0 ? nullptr : GetPidLoop(slot);
    if (loop == nullptr || loop->pvSet == nullptr || loop->outSet == nullptr || graph == nullptr ||
        !WGIsGraphDescValid(graph))
        return 0;
    HDC dc = graph->buildDc;
    DynDataSetDesc* pvSet = loop->pvSet;
    DynDataSetDesc* outSet = loop->outSet;
    const AutoStyle style = AutoGraphStyle(graph, dc, false);
    const float wu = style.widthUnit, hu = style.heightUnit;

    WGSetTextByName(style.title, style.face, style.points + 2, style.flags);
    numbers[0] = static_cast<WORD>(WGTitleGraph(graph, dc, loop->name));
    const float th = graph->logHeight > 0
                         ? static_cast<float>(PointsToLogSize(graph, dc, style.points + 2)) / graph->logHeight
                         : 0;

    const int dp = ValueDigits(loop->pvHigh, loop->pvLow, pvPrecision);
    const int dout = ValueDigits(loop->rangeHigh, loop->rangeLow, outPrecision);
    WGSetTextByName(style.text, style.face, style.points, style.flags);

    float left = dp * wu * 0.75f + wu;
    const float right = 1 - (dout * 0.75f + 2) * wu;
    if (right - left < 0.03f)
        left = right - 0.03f;
    const float top = th * 1.7f;
    const bool indicator = autoText != nullptr;
    const float bottom = 1 - hu * (indicator ? 6.1f : 4.8f);
    WGSetPlotArea(graph, dc, left, top, right, bottom, style.background);

    // Process value and setpoint on the left scale.
    WGScalePlotArea(graph, 0, loop->pvLow, 1, loop->pvHigh);
    WGSetXYIntercepts(graph, 0, loop->pvLow);
    numbers[1] = static_cast<WORD>(WGDrawYAxis(graph, dc, std::fabs(loop->pvHigh - loop->pvLow) / 4, 4, 1));
    if (numbers[1])
    {
        numbers[2] = static_cast<WORD>(WGLabelAxis(graph, dc, numbers[1], 1, 0, pvPrecision, 0, nullptr));
        numbers[3] = static_cast<WORD>(WGTitleAxis(graph, dc, numbers[1], 1, pvSet->units));
    }
    const int plotWidth = graph->plot.right - graph->plot.left;
    const float p = plotWidth > 0 ? static_cast<float>(graph->unitsPerPixelX) / plotWidth : 0;
    float w = (1 - 2 * p) / 3;
    if (10 * p < w)
        w = (1 - 5 * p) / 3;
    const COLORREF pvColours[2] = {colours ? colours[0] : RGB(0, 0, 255),
                                   colours ? colours[1] : RGB(0, 255, 0)};
    const COLORREF outColour = colours ? colours[2] : RGB(255, 0, 0);
    numbers[4] = WRSetBargraph(graph, loop->pvSlot, pvBase, 0, w / 2 + p, 1 - 1.5f * w - 3 * p, w, pvColours,
                               nullptr, nullptr);

    // The output on the right scale.
    WGScalePlotArea(graph, 0, loop->rangeLow, 1, loop->rangeHigh);
    WGSetXYIntercepts(graph, 1, loop->rangeLow);
    numbers[5] =
        static_cast<WORD>(WGDrawYAxis(graph, dc, std::fabs(loop->rangeHigh - loop->rangeLow) / 4, 1, 2));
    if (numbers[5])
    {
        numbers[6] = static_cast<WORD>(WGLabelAxis(graph, dc, numbers[5], 2, 0, outPrecision, 0, nullptr));
        numbers[7] = static_cast<WORD>(WGTitleAxis(graph, dc, numbers[5], 2, outSet->units));
    }
    const float outAt = 1 - w / 2 - 2 * p;
    numbers[8] =
        WRSetBargraph(graph, loop->outSlot, outBase, 0, outAt, outAt, w, &outColour, nullptr, nullptr);
    // The plot ends two pixels right of the output bar, on a whole pixel.
    if (plotWidth > 0 && graph->unitsPerPixelX > 0)
    {
        const int px = graph->unitsPerPixelX;
        int edge = graph->plot.left + static_cast<int>((outAt + w / 2) * plotWidth) + 2 * px;
        edge = graph->plot.left + (edge - graph->plot.left + px - 1) / px * px;
        graph->plot.right = std::min<LONG>(edge, graph->plot.right);
    }

    const int outIndex = WGGetPureColor(outColour);
    if (indicator)
    {
        char texts[2 * 42] = {};
        CopyText(texts, autoText, 41);
        CopyText(texts + 42, manualText, 41);
        int background = style.background == 15 ? 14 : 6;
        if (background == outIndex)
            background = (background + 5) % 16;
        const int messageColours[2] = {style.text, outIndex};
        numbers[9] = WRSetMessage(graph, loop->outSlot, 0, wu / 2, bottom + 0.6f * hu, 1, 0, background, 2,
                                  texts, messageColours);
    }

    // A row of value text, legend and alarm text for each set.
    const int digits = std::max(dp, dout);
    const float half = (digits * 0.75f + 1) * wu / 2;
    float row = bottom + hu * (indicator ? 2.0f : 0.6f);
    const int textColours[RT_MAX_VALUES] = {style.text, style.text};
    for (int r = 0; r < 2; ++r)
    {
        const bool pv = r == 0;
        const int setSlot = pv ? loop->pvSlot : loop->outSlot;
        const WORD bars = pv ? numbers[4] : numbers[8];
        const float textLeft = 0.4f - half, textRight = 0.4f + half;
        const float rowBottom = row + 1.15f * hu;
        WORD* three = numbers + (pv ? 10 : 13);
        three[0] = WRSetDynText(graph, setSlot, 0, textLeft, row, textRight, rowBottom, -1, 0, textColours,
                                -1, 1, digits, pv ? pvPrecision : outPrecision, 0, 0);
        if (bars)
            three[1] = WRDynLegend(graph, 0.001f, row, textLeft, rowBottom, -1, 0, style.text, -1, 1, nullptr,
                                   bars, 0);
        three[2] = WRSetAlarmText(graph, setSlot, 0, textRight + 0.01f, row, 0.999f, rowBottom, -1, 0, -1,
                                  normalMessage, nullptr, 6, 1);
        row += 1.25f * hu;
    }
    if (out)
        std::copy(numbers, numbers + 16, out);
    return numbers[5];
}

INT_PTR CALLBACK PIDDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    PidDialogState& s = State();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        PidLoopDesc* loop = GetPidLoop(static_cast<int>(lParam));
        if (s.open || loop == nullptr)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        s.open = true;
        s.slot = static_cast<int>(lParam);
        s.loop = loop;
        s.copy = *loop;
        ShowCopy(dialog);
        WGSetOKCursor(dialog);
        return FALSE;
    }
    case WM_COMMAND:
    {
        if (!s.open)
            break;
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (IsNumericField(id))
        {
            if (code == EN_CHANGE && !s.filling)
                s.dirty[id - IDC_PID_FIRST] = true;
            else if (code == EN_KILLFOCUS)
                ReadField(dialog, id);
            return TRUE;
        }
        switch (id)
        {
        case IDC_PID_AUTO:
        {
            const bool automatic = IsDlgButtonChecked(dialog, IDC_PID_AUTO) == BST_CHECKED;
            s.copy.automatic = automatic ? 1 : 0;
            EnableWindow(GetDlgItem(dialog, IDC_PID_OUTPUT), !automatic);
            EnableWindow(GetDlgItem(dialog, IDC_PID_OUTPUT_LABEL), !automatic);
            if (automatic)
            {
                s.filling = true;
                SetDlgItemText(dialog, IDC_PID_OUTPUT, "");
                s.filling = false;
                s.dirty[IDC_PID_OUTPUT - IDC_PID_FIRST] = false;
            }
            return TRUE;
        }
        case IDC_PID_ENTER:
            Apply(dialog);
            return TRUE;
        case IDOK:
            Apply(dialog);
            Close(dialog, 1);
            return TRUE;
        case IDCANCEL:
            Close(dialog, 2);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

int WINAPI WREditPIDDlg(int slot)
{
    if (slot == 0)
        return 0;
    return rtDisplayDialogBoxParam(PIDDlgProc, "PIDDLG", nullptr, static_cast<LPARAM>(slot)) == 1 ? 1 : 0;
}
