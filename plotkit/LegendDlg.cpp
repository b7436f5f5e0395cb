// The legend dialog: place and size in per cent of the graph, area colour, border, font and the
// texts of the shown items. It edits a working copy and writes it back only on OK.
#include "Legend.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

struct LegendDialogState
{
    bool open = false;
    GrDesc* graph = nullptr;
    ObjDesc* object = nullptr;
    LegendDesc working{};
    float left = 0, top = 0, right = 0, bottom = 0; // fractions of the graph
    bool ready = false;                             // set once the fields are filled
    bool textsChanged = false;                      // the user edited the texts
};

LegendDialogState& State()
{
    static LegendDialogState state;
    return state;
}

void SetPercent(HWND dialog, int id, float fraction)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", fraction * 100.0);
    SetDlgItemText(dialog, id, text);
}

std::vector<int> Shown(const LegendDesc& l)
{
    std::vector<int> shown;
    if (l.titleShown)
        shown.push_back(0);
    for (int i = 1; i < l.itemCount; ++i)
        if (l.items[i].shown)
            shown.push_back(i);
    return shown;
}

void InitDialog(HWND dialog)
{
    LegendDialogState& s = State();
    const LegendDesc& l = s.working;
    const RECT r = Ordered(l.head.extent);
    const float w = static_cast<float>(std::max(1, s.graph->logWidth));
    const float h = static_cast<float>(std::max(1, s.graph->logHeight));
    s.left = r.left / w;
    s.top = r.top / h;
    s.right = r.right / w;
    s.bottom = r.bottom / h;
    SetPercent(dialog, IDC_LEGEND_LEFT, s.left);
    SetPercent(dialog, IDC_LEGEND_TOP, s.top);
    SetPercent(dialog, IDC_LEGEND_WIDTH, s.right - s.left);
    SetPercent(dialog, IDC_LEGEND_HEIGHT, s.bottom - s.top);
    CheckDlgButton(dialog, IDC_LEGEND_BORDER, l.border ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_BORDER_ATTRIBUTES), l.border ? TRUE : FALSE);
    SendDlgItemMessage(dialog, IDC_AREA_COLOR, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(LoadText(IDS_COLOR_TRANSPARENT).c_str()));
    for (int i = 0; i < 20; ++i)
        SendDlgItemMessage(dialog, IDC_AREA_COLOR, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(LoadText(IDS_COLOR_FIRST + i).c_str()));
    SendDlgItemMessage(dialog, IDC_AREA_COLOR, CB_SETCURSEL,
                       static_cast<WPARAM>(std::clamp(l.areaColor + 1, 0, 20)), 0);
    std::string texts;
    for (int item : Shown(l))
    {
        texts += l.items[item].text;
        texts += "\r\n";
    }
    SetDlgItemText(dialog, IDC_LEGEND_TEXTS, texts.c_str());
    s.textsChanged = false;
    s.ready = true;
}

void EditFont(HWND dialog)
{
    LegendDialogState& s = State();
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

void Accept(HWND dialog)
{
    LegendDialogState& s = State();
    auto* legend = reinterpret_cast<LegendDesc*>(s.object);
    const LRESULT area = SendDlgItemMessage(dialog, IDC_AREA_COLOR, CB_GETCURSEL, 0, 0);
    if (area != CB_ERR)
        s.working.areaColor = static_cast<SHORT>(area - 1);
    LegendItem* items = legend->items;
    *legend = s.working;
    legend->items = items;
    legend->measure = 1;
    int number = 0;
    for (int n = 1; n <= s.graph->capacity; ++n)
        if (ObjectAt(s.graph, n) == s.object)
            number = n;
    if (number)
        WGChangeObjectCoordNorm(s.graph, number, s.left, s.top, s.right, s.bottom);
    if (s.textsChanged || SendDlgItemMessage(dialog, IDC_LEGEND_TEXTS, EM_GETMODIFY, 0, 0))
    {
        const int length = GetWindowTextLength(GetDlgItem(dialog, IDC_LEGEND_TEXTS));
        std::string text(static_cast<size_t>(length) + 1, '\0');
        GetDlgItemText(dialog, IDC_LEGEND_TEXTS, text.data(), length + 1);
        text.resize(std::strlen(text.c_str()));
        size_t at = 0;
        for (int item : Shown(*legend))
        {
            if (at > text.size())
                break;
            size_t end = text.find('\n', at);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(at, end - at);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::memset(legend->items[item].text, 0, sizeof legend->items[item].text);
            std::strncpy(legend->items[item].text, line.c_str(), kLegendText);
            at = end + 1;
        }
    }
}

void Close(HWND dialog, INT_PTR result)
{
    State().open = false;
    State().ready = false;
    State().object = nullptr;
    EndDialog(dialog, result);
}

} // namespace

int EditLegendObject(GrDesc* graph, ObjDesc* legend, HWND owner)
{
    ObjectEditRequest request{graph, legend};
    return static_cast<int>(
        DialogBoxParam(Module(), "LEGEND", owner, LegendDlgProc, reinterpret_cast<LPARAM>(&request)));
}

} // namespace plotkit

using namespace plotkit;

INT_PTR CALLBACK LegendDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    LegendDialogState& s = State();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        const auto* request = reinterpret_cast<const ObjectEditRequest*>(lParam);
        if (s.open || request == nullptr || request->graph == nullptr || request->object == nullptr ||
            request->object->type != PK_TYPE_LEGEND)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        s.open = true;
        s.graph = request->graph;
        s.object = request->object;
        s.working = *reinterpret_cast<LegendDesc*>(request->object);
        InitDialog(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (s.object == nullptr)
            break;
        switch (LOWORD(wParam))
        {
        case IDC_LEGEND_LEFT:
        case IDC_LEGEND_TOP:
        case IDC_LEGEND_WIDTH:
        case IDC_LEGEND_HEIGHT:
            if (HIWORD(wParam) == EN_CHANGE && s.ready)
            {
                float v = 0;
                if (!ReadDialogReal(dialog, LOWORD(wParam), &v))
                    return TRUE;
                v /= 100;
                switch (LOWORD(wParam))
                {
                case IDC_LEGEND_LEFT: // moves, keeping the size
                    s.right += v - s.left;
                    s.left = v;
                    break;
                case IDC_LEGEND_TOP:
                    s.bottom += v - s.top;
                    s.top = v;
                    break;
                case IDC_LEGEND_WIDTH:
                    s.right = s.left + v;
                    break;
                default:
                    s.bottom = s.top + v;
                    break;
                }
            }
            return TRUE;
        case IDC_LEGEND_TEXTS:
            if (HIWORD(wParam) == EN_CHANGE && s.ready)
                s.textsChanged = true;
            return TRUE;
        case IDC_LEGEND_BORDER:
            s.working.border = IsDlgButtonChecked(dialog, IDC_LEGEND_BORDER) == BST_CHECKED ? 1 : 0;
            EnableWindow(GetDlgItem(dialog, IDC_BORDER_ATTRIBUTES), s.working.border ? TRUE : FALSE);
            return TRUE;
        case IDC_TEXT_PARAMETERS:
            EditFont(dialog);
            return TRUE;
        case IDC_BORDER_ATTRIBUTES:
            // The border is the legend's own line; its dialog edits the working copy.
            DialogBoxParam(Module(), "LINEPAR", dialog, WGLineParDlgProc,
                           reinterpret_cast<LPARAM>(&s.working.head.line));
            return TRUE;
        case IDOK:
            Accept(dialog);
            Close(dialog, 1);
            return TRUE;
        case IDCANCEL:
            Close(dialog, 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
