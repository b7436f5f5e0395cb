// The pie chart dialog (centre, diameter, slice list, text font) and the slice dialog (value,
// explosion, label, hatch, border and fill colour). Each edits a working copy and writes it back
// only on OK.
#include "Pie.h"
#include "res/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit
{

bool ReadDialogReal(HWND dialog, int id, float* value)
{
    char text[9] = {}; // the first 8 characters
    GetDlgItemText(dialog, id, text, sizeof text);
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text)
        return false;
    while (*end == ' ')
        ++end;
    if (*end != '\0' || !std::isfinite(v))
        return false;
    *value = static_cast<float>(v);
    return true;
}

namespace
{

void SetReal(HWND dialog, int id, double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    SetDlgItemText(dialog, id, text);
}

// ---- Pie chart dialog ---------------------------------------------------------------------------

struct PieDialogState
{
    bool open = false;
    GrDesc* graph = nullptr;
    PieDesc* pie = nullptr;
    PieDesc working{};
    std::vector<SliceDesc> slices;
};

PieDialogState& PieState()
{
    static PieDialogState state;
    return state;
}

std::string SliceName(const SliceDesc& slice, int index)
{
    if (slice.label[0])
        return std::string(slice.label, strnlen(slice.label, kLabelSize));
    return "Slice # " + std::to_string(index + 1);
}

void FillSliceList(HWND dialog)
{
    PieDialogState& s = PieState();
    SendDlgItemMessage(dialog, IDC_PIE_SLICES, LB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < s.slices.size(); ++i)
        SendDlgItemMessage(dialog, IDC_PIE_SLICES, LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(SliceName(s.slices[i], static_cast<int>(i)).c_str()));
    const int selected = std::clamp<int>(s.working.selected, 0, std::max<int>(0, s.working.count - 1));
    SendDlgItemMessage(dialog, IDC_PIE_SLICES, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void InitPieDialog(HWND dialog)
{
    PieDialogState& s = PieState();
    SetReal(dialog, IDC_PIE_CENTRE_X, s.working.centreX * 100.0, 1);
    SetReal(dialog, IDC_PIE_CENTRE_Y, s.working.centreY * 100.0, 1);
    SetReal(dialog, IDC_PIE_DIAMETER, s.working.diameter * 100.0, 1);
    FillSliceList(dialog);
}

void EditFont(HWND dialog)
{
    PieDialogState& s = PieState();
    FontDesc& font = s.working.font;
    font.text = nullptr;
    font.textCapacity = 0;
    if (DialogBoxParam(Module(), "TEXTPAR", dialog, TextDlgProc, reinterpret_cast<LPARAM>(&font)) != 2)
    {
        const float scale = TextScale(s.graph);
        if (scale > 0)
            font.baseSize = static_cast<SHORT>(font.currentSize / scale);
    }
}

void EditSlice(HWND dialog)
{
    PieDialogState& s = PieState();
    const LRESULT selected = SendDlgItemMessage(dialog, IDC_PIE_SLICES, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || selected < 0 || selected >= static_cast<LRESULT>(s.slices.size()))
        return;
    s.working.selected = static_cast<SHORT>(selected);
    if (DialogBoxParam(Module(), "PIESLICE", dialog, PieSliceDlgProc,
                       reinterpret_cast<LPARAM>(&s.slices[static_cast<size_t>(selected)])) == 1)
        FillSliceList(dialog);
}

void AcceptPie()
{
    PieDialogState& s = PieState();
    SliceDesc* slices = s.pie->slices;
    std::copy(s.slices.begin(), s.slices.end(), slices);
    *s.pie = s.working;
    s.pie->slices = slices;
    PlaceRectangle(s.graph, s.pie);
}

void ClosePie(HWND dialog, INT_PTR result)
{
    PieDialogState& s = PieState();
    s.open = false;
    s.pie = nullptr;
    s.slices.clear();
    EndDialog(dialog, result);
}

// ---- Slice dialog -------------------------------------------------------------------------------

struct SliceDialogState
{
    bool open = false;
    SliceDesc* caller = nullptr;
    SliceDesc working{};
    HBRUSH bars[3] = {};
    HBRUSH sample = nullptr;
};

SliceDialogState& SliceState()
{
    static SliceDialogState state;
    return state;
}

const char* const kHatchNames[] = {
    "Solid", "Horizontal", "Vertical", "Forward diagonal", "Backward diagonal", "Cross", "Diagonal cross"};
const int kColorBars[3] = {IDC_SLICE_RED, IDC_SLICE_GREEN, IDC_SLICE_BLUE};
const int kColorValues[3] = {IDC_SLICE_RED_VALUE, IDC_SLICE_GREEN_VALUE, IDC_SLICE_BLUE_VALUE};

int ColorPart(COLORREF color, int part)
{
    return part == 0 ? GetRValue(color) : part == 1 ? GetGValue(color) : GetBValue(color);
}

void UpdateSample(HWND dialog)
{
    SliceDialogState& s = SliceState();
    if (s.sample)
        DeleteObject(s.sample);
    s.sample = CreateSolidBrush(s.working.fill);
    InvalidateRect(GetDlgItem(dialog, IDC_SLICE_SAMPLE), nullptr, TRUE);
}

// Without its own border the slice's border follows its fill.
void FollowFill(SliceDesc& slice)
{
    if (!slice.ownBorder)
    {
        slice.border.color = slice.fill;
        slice.border.paletteIndex = -2;
    }
}

void InitSliceDialog(HWND dialog)
{
    SliceDialogState& s = SliceState();
    SliceDesc& w = s.working;
    SetReal(dialog, IDC_SLICE_VALUE, w.value, 5);
    SetReal(dialog, IDC_SLICE_EXPLOSION, w.explosion, 2);
    SendDlgItemMessage(dialog, IDC_SLICE_LABEL, EM_LIMITTEXT, 40, 0);
    SetDlgItemText(dialog, IDC_SLICE_LABEL, std::string(w.label, strnlen(w.label, kLabelSize)).c_str());
    for (const char* name : kHatchNames)
        SendDlgItemMessage(dialog, IDC_SLICE_HATCH, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendDlgItemMessage(dialog, IDC_SLICE_HATCH, CB_SETCURSEL, w.hatch <= 5 ? w.hatch + 1u : 0u, 0);
    CheckDlgButton(dialog, IDC_SLICE_BORDER, w.ownBorder ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_BORDER_ATTRIBUTES), w.ownBorder ? TRUE : FALSE);
    const COLORREF parts[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (int part = 0; part < 3; ++part)
    {
        HWND bar = GetDlgItem(dialog, kColorBars[part]);
        SetScrollRange(bar, SB_CTL, 0, 255, FALSE);
        SetScrollPos(bar, SB_CTL, ColorPart(w.fill, part), TRUE);
        SetDlgItemInt(dialog, kColorValues[part], static_cast<UINT>(ColorPart(w.fill, part)), FALSE);
        s.bars[part] = CreateSolidBrush(parts[part]);
    }
    UpdateSample(dialog);
}

void ScrollColor(HWND dialog, HWND bar, int code, int thumb)
{
    SliceDialogState& s = SliceState();
    int part = -1;
    for (int i = 0; i < 3; ++i)
        if (GetDlgItem(dialog, kColorBars[i]) == bar)
            part = i;
    if (part < 0)
        return;
    int v = GetScrollPos(bar, SB_CTL);
    switch (code)
    {
    case SB_LINELEFT:
        --v;
        break;
    case SB_LINERIGHT:
        ++v;
        break;
    case SB_PAGELEFT:
        v -= 16;
        break;
    case SB_PAGERIGHT:
        v += 16;
        break;
    case SB_LEFT:
        v = 0;
        break;
    case SB_RIGHT:
        v = 255;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        v = thumb;
        break;
    default:
        return;
    }
    v = std::clamp(v, 0, 255);
    SetScrollPos(bar, SB_CTL, v, TRUE);
    SetDlgItemInt(dialog, kColorValues[part], static_cast<UINT>(v), FALSE);
    int rgb[3] = {ColorPart(s.working.fill, 0), ColorPart(s.working.fill, 1), ColorPart(s.working.fill, 2)};
    rgb[part] = v;
    s.working.fill = RGB(rgb[0], rgb[1], rgb[2]);
    FollowFill(s.working);
    UpdateSample(dialog);
}

void CloseSlice(HWND dialog, INT_PTR result)
{
    SliceDialogState& s = SliceState();
    for (HBRUSH& brush : s.bars)
    {
        if (brush)
            DeleteObject(brush);
        brush = nullptr;
    }
    if (s.sample)
        DeleteObject(s.sample);
    s.sample = nullptr;
    s.open = false;
    s.caller = nullptr;
    EndDialog(dialog, result);
}

} // namespace

int EditPieObject(GrDesc* graph, ObjDesc* pie, HWND owner)
{
    ObjectEditRequest request{graph, pie};
    return static_cast<int>(
        DialogBoxParam(Module(), "PIECHART", owner, PieChartDlgProc, reinterpret_cast<LPARAM>(&request)));
}

} // namespace plotkit

using namespace plotkit;

INT_PTR CALLBACK PieChartDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    PieDialogState& s = PieState();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        const auto* request = reinterpret_cast<const ObjectEditRequest*>(lParam);
        if (s.open || request == nullptr || request->object == nullptr ||
            request->object->type != PK_TYPE_PIECHART)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        s.open = true;
        s.graph = request->graph;
        s.pie = reinterpret_cast<PieDesc*>(request->object);
        s.working = *s.pie;
        s.slices.assign(s.pie->slices, s.pie->slices + std::max<int>(0, s.pie->count));
        s.working.slices = nullptr;
        InitPieDialog(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (s.pie == nullptr)
            break;
        switch (LOWORD(wParam))
        {
        case IDC_PIE_CENTRE_X:
        case IDC_PIE_CENTRE_Y:
        case IDC_PIE_DIAMETER:
            if (HIWORD(wParam) == EN_CHANGE)
            {
                float v = 0;
                // Far outside the plot a pie's coordinates would no longer fit the logical range.
                const bool diameter = LOWORD(wParam) == IDC_PIE_DIAMETER;
                if (ReadDialogReal(dialog, LOWORD(wParam), &v) && v >= (diameter ? 0 : -1000) && v <= 1000)
                {
                    float& field = LOWORD(wParam) == IDC_PIE_CENTRE_X   ? s.working.centreX
                                   : LOWORD(wParam) == IDC_PIE_CENTRE_Y ? s.working.centreY
                                                                        : s.working.diameter;
                    field = v / 100;
                }
            }
            return TRUE;
        case IDC_PIE_SLICES:
            if (HIWORD(wParam) == LBN_DBLCLK)
                EditSlice(dialog);
            return TRUE;
        case IDC_PIE_DETAILS:
            EditSlice(dialog);
            return TRUE;
        case IDC_TEXT_PARAMETERS:
            EditFont(dialog);
            return TRUE;
        case IDOK:
            AcceptPie();
            ClosePie(dialog, 1);
            return TRUE;
        case IDCANCEL:
            ClosePie(dialog, 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK PieSliceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    SliceDialogState& s = SliceState();
    switch (message)
    {
    case WM_INITDIALOG:
        if (s.open || lParam == 0)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        s.open = true;
        s.caller = reinterpret_cast<SliceDesc*>(lParam);
        s.working = *s.caller;
        InitSliceDialog(dialog);
        return TRUE;
    case WM_HSCROLL:
        if (s.caller)
            ScrollColor(dialog, reinterpret_cast<HWND>(lParam), LOWORD(wParam),
                        static_cast<SHORT>(HIWORD(wParam)));
        return TRUE;
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (s.caller)
        {
            const HWND control = reinterpret_cast<HWND>(lParam);
            if (control == GetDlgItem(dialog, IDC_SLICE_SAMPLE) && s.sample)
                return reinterpret_cast<INT_PTR>(s.sample);
            for (int part = 0; part < 3; ++part)
                if (control == GetDlgItem(dialog, kColorBars[part]) && s.bars[part])
                    return reinterpret_cast<INT_PTR>(s.bars[part]);
        }
        break;
    case WM_COMMAND:
        if (s.caller == nullptr)
            break;
        switch (LOWORD(wParam))
        {
        case IDC_SLICE_VALUE:
            if (HIWORD(wParam) == EN_CHANGE)
            {
                float v = 0;
                if (ReadDialogReal(dialog, IDC_SLICE_VALUE, &v))
                    s.working.value = v;
            }
            return TRUE;
        case IDC_SLICE_EXPLOSION:
            if (HIWORD(wParam) == EN_CHANGE)
            {
                float v = 0;
                if (ReadDialogReal(dialog, IDC_SLICE_EXPLOSION, &v))
                    SetExplosion(s.working, v);
            }
            return TRUE;
        case IDC_SLICE_LABEL:
            if (HIWORD(wParam) == EN_CHANGE)
            {
                char label[41] = {};
                GetDlgItemText(dialog, IDC_SLICE_LABEL, label, sizeof label);
                std::memset(s.working.label, 0, sizeof s.working.label);
                std::strncpy(s.working.label, label, 40);
            }
            return TRUE;
        case IDC_SLICE_HATCH:
            if (HIWORD(wParam) == CBN_SELCHANGE)
            {
                const LRESULT sel = SendDlgItemMessage(dialog, IDC_SLICE_HATCH, CB_GETCURSEL, 0, 0);
                if (sel != CB_ERR)
                    s.working.hatch = static_cast<BYTE>(sel - 1);
                UpdateSample(dialog);
            }
            return TRUE;
        case IDC_SLICE_BORDER:
            s.working.ownBorder = IsDlgButtonChecked(dialog, IDC_SLICE_BORDER) == BST_CHECKED ? 1 : 0;
            FollowFill(s.working);
            EnableWindow(GetDlgItem(dialog, IDC_BORDER_ATTRIBUTES), s.working.ownBorder ? TRUE : FALSE);
            return TRUE;
        case IDC_BORDER_ATTRIBUTES:
            DialogBoxParam(Module(), "LINEPAR", dialog, WGLineParDlgProc,
                           reinterpret_cast<LPARAM>(&s.working.border));
            UpdateSample(dialog);
            return TRUE;
        case IDOK:
            *s.caller = s.working;
            CloseSlice(dialog, 1);
            return TRUE;
        case IDCANCEL:
            CloseSlice(dialog, 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
