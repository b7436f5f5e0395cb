// The frame the object edit dialogs share: running a dialog from trendkit's own templates, the
// palette lists, number and per-cent fields, the text parameters sub-dialog and the colour bar.
#include "EditDialogs.h"

#include <cmath>
#include <cstring>

namespace trendkit
{
namespace
{

constexpr int kPaletteMax = 20;
constexpr int kColorName = 13; // 12 characters and the zero
constexpr UINT kFirstColorName = 112;
constexpr UINT kTransparentName = 132;
constexpr int kBarRed = 1250;
constexpr int kBarValues = 1253;
constexpr int kBarSample = 1090;

} // namespace

void Enable(HWND dialog, int id, bool on)
{
    EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE);
}

int ClickedState(HWND dialog, int id)
{
    const int on = IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
    return on;
}

void FillColorCombo(HWND dialog, char* buffer, int id)
{
    const DevDesc* dev = GetDevDesc();
    int count = dev ? dev->displayColors : 0;
    if (count > kPaletteMax || count <= 0)
        count = kPaletteMax;
    for (int i = 0; i < count; ++i)
    {
        buffer[0] = 0;
        LoadString(dev ? dev->libraryModule : nullptr, kFirstColorName + static_cast<UINT>(i), buffer,
                   kColorName);
        SendDlgItemMessage(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(buffer));
    }
}

void FillTextColorCombo(HWND dialog, int id, int colorIndex)
{
    const DevDesc* dev = GetDevDesc();
    char name[kColorName] = {};
    if (LoadString(dev ? dev->libraryModule : nullptr, kTransparentName, name, kColorName) <= 0)
        std::strcpy(name, "Transparent");
    SendDlgItemMessage(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    FillColorCombo(dialog, name, id);
    SendDlgItemMessage(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(colorIndex + 1), 0);
}

int ComboSelection(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessage(dialog, id, CB_GETCURSEL, 0, 0));
}

bool ReadNumberField(HWND dialog, int id, int buffer, float* value)
{
    char text[64] = {};
    if (buffer <= 0 || buffer >= static_cast<int>(sizeof text))
        buffer = static_cast<int>(sizeof text) - 1;
    GetDlgItemText(dialog, id, text, buffer);
    if (text[0] == 0)
        return false;
    const float v = CheckReal(text, buffer);
    if (!std::isfinite(v))
        return false;
    *value = v;
    return true;
}

void ShowNumberField(HWND dialog, int id, float value)
{
    SetDlgItemText(dialog, id, ftoa(value, 7, 4));
}

void ShowPercent(HWND dialog, int id, float fraction)
{
    SetDlgItemText(dialog, id, ftoa(100.0f * fraction, 1, 0));
}

bool ReadPercent(HWND dialog, int id, int buffer, float* fraction)
{
    float v = 0;
    if (!ReadNumberField(dialog, id, buffer, &v))
        return false;
    *fraction = v / 100.0f;
    return true;
}

void PercentRect::Show(HWND dialog, int left, int top, int width, int height) const
{
    ShowPercent(dialog, left, x1);
    ShowPercent(dialog, top, y1);
    if (width)
        ShowPercent(dialog, width, x2 - x1);
    if (height)
        ShowPercent(dialog, height, y2 - y1);
}

bool PercentRect::Change(HWND dialog, WPARAM wParam, int buffer, int left, int top, int width, int height)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) != EN_CHANGE || id == 0 || (id != left && id != top && id != width && id != height))
        return false;
    float v = 0;
    if (!ReadPercent(dialog, id, buffer, &v))
        return true;
    if (id == left)
    {
        const float w = x2 - x1;
        x1 = v;
        x2 = v + w;
    }
    else if (id == top)
    {
        const float h = y2 - y1;
        y1 = v;
        y2 = v + h;
    }
    else if (id == width)
        x2 = x1 + v;
    else
        y2 = y1 + v;
    return true;
}

void RunTextPar(HWND dialog, GrDesc* graph, FontDesc& font)
{
    font.text = nullptr;
    font.textCapacity = 0;
    if (DisplayDialogBoxParam(TextDlgProc, "TEXTPAR", dialog, reinterpret_cast<LPARAM>(&font)) != 2)
    {
        const float scale = graph && graph->page && graph->page->scaleX > 0 ? graph->page->scaleX : 1.0f;
        font.baseSize = static_cast<SHORT>(font.currentSize / scale);
    }
    WGSetOKCursor(dialog);
}

GrDesc* RecordGraph(const RtObjDesc& record)
{
    GrDesc* graph = record.head.line.window ? WGGetGraphDesc(record.head.line.window) : nullptr;
    return graph ? graph : EditGraph();
}

void RunLinePar(HWND dialog, LineDesc* line)
{
    if (line)
        DisplayDialogBoxParam(WGLineParDlgProc, "LINEPAR", dialog, reinterpret_cast<LPARAM>(line));
    WGSetOKCursor(dialog);
}

void RunAlarmAttributes(HWND dialog, DynDataSetDesc* set, int* result)
{
    if (set)
        *result =
            rtDisplayDialogBoxParam(AlarmLimitDlgProc, "ALARMATTRIB", dialog, reinterpret_cast<LPARAM>(set));
    WGSetOKCursor(dialog);
}

void ColorBar::Open(HWND dialog, COLORREF color, int hatch)
{
    Close();
    color_ = color;
    hatch_ = hatch;
    const int parts[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    for (int i = 0; i < 3; ++i)
    {
        HWND bar = GetDlgItem(dialog, kBarRed + i);
        SetScrollRange(bar, SB_CTL, 0, 255, FALSE);
        SetScrollPos(bar, SB_CTL, parts[i], TRUE);
        SetDlgItemInt(dialog, kBarValues + i, static_cast<UINT>(parts[i]), FALSE);
    }
    brushes_[0] = CreateSolidBrush(RGB(255, 0, 0));
    brushes_[1] = CreateSolidBrush(RGB(0, 255, 0));
    brushes_[2] = CreateSolidBrush(RGB(0, 0, 255));
    open_ = true;
}

void ColorBar::Scroll(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    if (!open_)
        return;
    color_ = BarScroll(dialog, reinterpret_cast<HWND>(lParam), LOWORD(wParam),
                       static_cast<short>(HIWORD(wParam)), color_, hatch_);
}

void ColorBar::SetHatch(HWND dialog, int hatch)
{
    hatch_ = hatch;
    UpdateColorBar(dialog, color_, hatch_);
}

INT_PTR ColorBar::CtlColor(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!open_)
        return 0;
    HDC dc = reinterpret_cast<HDC>(wParam);
    auto control = reinterpret_cast<HWND>(lParam);
    // The sample paints itself (a static colour cannot carry the hatch).
    if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(control) == kBarSample)
        return 0;
    const int kind = message == WM_CTLCOLORSCROLLBAR ? CTLCOLOR_SCROLLBAR : CTLCOLOR_STATIC;
    return reinterpret_cast<INT_PTR>(
        BarCtlColor(dialog, dc, control, kind, color_, hatch_, brushes_[0], brushes_[1], brushes_[2]));
}

INT_PTR ColorBar::DrawItem(LPARAM lParam) const
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!open_ || item == nullptr || item->CtlID != kBarSample)
        return FALSE;
    if (HBRUSH brush = CreateBarBrush(item->hDC, hatch_ >= 0 && hatch_ <= 5 ? hatch_ : -1, color_))
    {
        FillRect(item->hDC, &item->rcItem, brush);
        DeleteObject(brush);
    }
    return TRUE;
}

bool ColorBar::Message(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    switch (message)
    {
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(dialog, wParam, lParam);
        *result = TRUE;
        return true;
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        *result = CtlColor(dialog, message, wParam, lParam);
        return true;
    case WM_DRAWITEM:
        *result = DrawItem(lParam);
        return true;
    default:
        return false;
    }
}

void ColorBar::Close()
{
    for (HBRUSH& b : brushes_)
    {
        if (b)
            DeleteObject(b);
        b = nullptr;
    }
    open_ = false;
}

GrDesc*& EditGraph()
{
    static GrDesc* graph = nullptr;
    return graph;
}

int RunObjectEditDialog(GrDesc* graph, DLGPROC proc, const char* name, HGLOBAL handle)
{
    GrDesc* outer = EditGraph();
    EditGraph() = graph;
    const int result = rtDisplayDialogBoxParam(proc, name, graph->window, reinterpret_cast<LPARAM>(handle));
    EditGraph() = outer;
    return result;
}

} // namespace trendkit

using namespace trendkit;

int WINAPI rtDisplayDialogBoxParam(DLGPROC proc, const char* name, HWND owner, LPARAM param)
{
    // A caller waiting on a sent message is released before the modal loop starts.
    if (InSendMessage())
        ReplyMessage(0);
    if (owner && !IsWindow(owner))
        owner = nullptr;
    return static_cast<int>(DialogBoxParam(Module(), name, owner, proc, param));
}
