// Edit dialogs of the boxed text objects: dynamic text, alarm text and message. Each works on a
// copy made at opening; the box's corners live in the dialog and are applied at OK; Cancel drops
// everything.
#include "EditDialogs.h"
#include "res/resource.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace trendkit
{
namespace
{

constexpr int kColorNameBuffer = 13;   // 12 characters and the zero
constexpr int kMessageTextBuffer = 17; // 16 characters and the zero
constexpr int kStates = 8;

// The background list: "Transparent" first, so the selection is the colour index + 1.
void FillBackground(HWND dialog, int color)
{
    FillTextColorCombo(dialog, IDC_RT_BOX_BACKGROUND, color);
}

// One open box dialog: the live record, its copy and the box's corners.
template <class Record> struct BoxState : RecordEdit<Record>
{
    int number = 0;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int buffer = 0; // characters of the rectangle's text fields
};
BoxState<DynTextDesc>& DynTextDlg()
{
    static BoxState<DynTextDesc> state;
    return state;
}
BoxState<DynTextDesc>& AlarmTextDlg()
{
    static BoxState<DynTextDesc> state;
    return state;
}
BoxState<MessageDesc>& MessageDlg()
{
    static BoxState<MessageDesc> state;
    return state;
}

template <class Record> bool OpenBox(HWND dialog, BoxState<Record>& s, LPARAM lParam, int buffer, bool sized)
{
    const auto rt = [](const Record& r) -> const RtObjDesc& { return r.rt; };
    if (!s.Open(dialog, lParam, rt, 0, true))
        return false;
    GrDesc* graph = s.graph;
    s.number = graph->selectedObject;
    s.buffer = buffer;
    s.x1 = s.y1 = s.x2 = s.y2 = 0;
    WGGetObjectCoordNorm(graph, s.number, &s.x1, &s.y1, &s.x2, &s.y2);

    const Record& c = *s.copy;
    const PercentRect box{s.x1, s.y1, s.x2, s.y2};
    box.Show(dialog, IDC_RT_BOX_LEFT, IDC_RT_BOX_TOP, sized ? IDC_RT_BOX_WIDTH : 0,
             sized ? IDC_RT_BOX_HEIGHT : 0);
    CheckDlgButton(dialog, IDC_RT_BOX_BORDER, c.frame ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, IDC_RT_BOX_BORDER_ATTRIB, c.frame != 0);
    FillBackground(dialog, c.background);
    return true;
}

void ApplyBox(GrDesc* graph, int number, float x1, float y1, float x2, float y2)
{
    WGChangeObjectCoordNorm(graph, number, x1, y1, x2, y2);
}

void SetFontHeight(GrDesc* graph, FontDesc& font)
{
    const int points = font.currentSize ? font.currentSize : 10;
    font.logFont.lfHeight = -PointsToLogSize(graph, graph->buildDc, points);
}

// The controls the three dialogs share; true when the command was one of them.
template <class Record> bool BoxCommand(HWND dialog, WPARAM wParam, BoxState<Record>& s, bool dynText)
{
    const int id = LOWORD(wParam);
    Record& c = *s.copy;
    PercentRect box{s.x1, s.y1, s.x2, s.y2};
    if (box.Change(dialog, wParam, s.buffer, IDC_RT_BOX_LEFT, IDC_RT_BOX_TOP, IDC_RT_BOX_WIDTH,
                   IDC_RT_BOX_HEIGHT))
    {
        s.x1 = box.x1;
        s.y1 = box.y1;
        s.x2 = box.x2;
        s.y2 = box.y2;
    }
    else if (id == IDC_RT_BOX_BORDER && Clicked(wParam))
    {
        const int on = ClickedState(dialog, id);
        c.frame = on;
        Enable(dialog, IDC_RT_BOX_BORDER_ATTRIB, on != 0);
    }
    else if (id == IDC_RT_BOX_BORDER_ATTRIB && Clicked(wParam))
        RunLinePar(dialog, &c.rt.head.line);
    else if (id == IDC_RT_BOX_TEXT && Clicked(wParam))
    {
        // The dynamic text's value colours come from the alarm state, so its font offers none.
        const SHORT color = c.font.colorIndex;
        if (dynText)
            c.font.colorIndex = -1;
        RunTextPar(dialog, s.graph, c.font);
        if (dynText)
            c.font.colorIndex = color;
    }
    else if (id == IDC_RT_ALARM_ATTRIBUTES && Clicked(wParam))
        RunAlarmAttributes(dialog, c.rt.dataSet, &s.attribResult);
    else
        return false;
    return true;
}

void AcceptDynText(HWND dialog, BoxState<DynTextDesc>& s)
{
    DynTextDesc& live = *s.live;
    const DynTextDesc& c = *s.copy;
    live.frame = c.frame;
    live.rt.head.line = c.rt.head.line;
    live.font = c.font;
    live.background = static_cast<SHORT>(ComboSelection(dialog, IDC_RT_BOX_BACKGROUND) - 1);
    live.decimals =
        static_cast<INT>(static_cast<SHORT>(GetDlgItemInt(dialog, IDC_RT_DYNTEXT_PRECISION, nullptr, FALSE)));
    ApplyBox(s.graph, s.number, s.x1, s.y1, s.x2, s.y2);
    SetFontHeight(s.graph, live.font);
    if (s.attribResult == 1 && live.rt.dataSet)
        RefreshAlarmObjects(live.rt.dataSet);
}

void AcceptAlarmText(HWND dialog, BoxState<DynTextDesc>& s)
{
    DynTextDesc& c = *s.copy;
    c.background = static_cast<SHORT>(ComboSelection(dialog, IDC_RT_BOX_BACKGROUND) - 1);
    for (int k = 0; k < kStates; ++k)
    {
        const int selection = ComboSelection(dialog, IDC_RT_ALARMTEXT_COLOR + k);
        if (selection >= 0)
            c.colors[k] = selection;
    }
    std::memcpy(static_cast<void*>(s.live), &c, sizeof c);
    if (s.live->rt.dataSet)
        RefreshAlarmObjects(s.live->rt.dataSet);
    ApplyBox(s.graph, s.number, s.x1, s.y1, s.x2, s.y2);
    SetFontHeight(s.graph, s.live->font);
}

void AcceptMessage(HWND dialog, BoxState<MessageDesc>& s)
{
    MessageDesc& live = *s.live;
    const MessageDesc& c = *s.copy;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    WGGetObjectCoordNorm(s.graph, s.number, &x1, &y1, &x2, &y2);
    ApplyBox(s.graph, s.number, s.x1, s.y1, s.x1 + (x2 - x1), s.y1 + (y2 - y1));
    live.background = static_cast<SHORT>(ComboSelection(dialog, IDC_RT_BOX_BACKGROUND) - 1);
    live.frame = c.frame;
    live.rt.head.line = c.rt.head.line;
    live.font = c.font;
    for (int i = 0; i < live.count && i < RT_MESSAGES; ++i)
    {
        MessageRec& m = live.messages[i];
        if (SendDlgItemMessage(dialog, IDC_RT_MESSAGE_COLOR + i, CB_GETCOUNT, 0, 0) > 0)
        {
            const int selection = ComboSelection(dialog, IDC_RT_MESSAGE_COLOR + i);
            if (selection >= 0)
                m.color = static_cast<SHORT>(selection);
        }
        // A text left as it was keeps all of its characters; a new one is stored as its first 16.
        char text[RT_MESSAGE_MAX + 1] = {};
        GetDlgItemText(dialog, IDC_RT_MESSAGE_TEXT + i, text, sizeof text);
        if (std::strncmp(text, m.text, RT_MESSAGE_MAX) == 0)
            continue;
        text[kMessageTextBuffer - 1] = 0;
        std::memset(m.text, 0, sizeof m.text);
        std::memcpy(m.text, text, kMessageTextBuffer);
    }
    if (s.attribResult == 1 && live.rt.dataSet)
        RefreshAlarmObjects(live.rt.dataSet);
}

} // namespace

int EditDynText(GrDesc* graph, RtObjDesc* object, HGLOBAL handle)
{
    if (object->head.subKind == 1)
        return RunObjectEditDialog(graph, DynTextDlgProc, "DYNTEXT", handle);
    return RunObjectEditDialog(graph, AlarmTextDlgProc, "ALARMTEXT", handle);
}

int EditMessage(GrDesc* graph, RtObjDesc*, HGLOBAL handle)
{
    return RunObjectEditDialog(graph, MessageDlgProc, "MESSAGE", handle);
}

} // namespace trendkit

using namespace trendkit;

INT_PTR CALLBACK DynTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& s = DynTextDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (OpenBox(dialog, s, lParam, 19, true))
            SetDlgItemInt(dialog, IDC_RT_DYNTEXT_PRECISION, static_cast<UINT>(s.copy->decimals), FALSE);
        return TRUE;
    case WM_COMMAND:
        if (!s.open || !s.copy)
            break;
        if (LOWORD(wParam) == IDOK)
        {
            AcceptDynText(dialog, s);
            s.Close(dialog, 1);
        }
        else if (LOWORD(wParam) == IDCANCEL)
            s.Close(dialog, 2);
        else
            BoxCommand(dialog, wParam, s, true);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK AlarmTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& s = AlarmTextDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (OpenBox(dialog, s, lParam, 15, true))
        {
            for (int k = 0; k < kStates; ++k)
            {
                char name[kColorNameBuffer] = {};
                FillColorCombo(dialog, name, IDC_RT_ALARMTEXT_COLOR + k);
                SendDlgItemMessage(dialog, IDC_RT_ALARMTEXT_COLOR + k, CB_SETCURSEL,
                                   static_cast<WPARAM>(s.copy->colors[k]), 0);
            }
        }
        return TRUE;
    case WM_COMMAND:
        if (!s.open || !s.copy)
            break;
        if (LOWORD(wParam) == IDOK)
        {
            AcceptAlarmText(dialog, s);
            s.Close(dialog, 1);
        }
        else if (LOWORD(wParam) == IDCANCEL)
            s.Close(dialog, 2);
        else
            BoxCommand(dialog, wParam, s, false);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK MessageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& s = MessageDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (OpenBox(dialog, s, lParam, 17, false))
        {
            const MessageDesc& c = *s.copy;
            for (int i = 0; i < RT_MESSAGES; ++i)
            {
                const MessageRec& m = c.messages[i];
                char text[RT_MESSAGE_MAX + 1] = {};
                std::memcpy(text, m.text, RT_MESSAGE_MAX);
                SetDlgItemText(dialog, IDC_RT_MESSAGE_TEXT + i, text);
                const bool editable = text[0] != 0 && i < c.count;
                if (text[0] != 0)
                {
                    char name[kColorNameBuffer] = {};
                    FillColorCombo(dialog, name, IDC_RT_MESSAGE_COLOR + i);
                    SendDlgItemMessage(dialog, IDC_RT_MESSAGE_COLOR + i, CB_SETCURSEL,
                                       static_cast<WPARAM>(m.color), 0);
                }
                Enable(dialog, IDC_RT_MESSAGE_TEXT + i, editable);
                Enable(dialog, IDC_RT_MESSAGE_COLOR + i, editable);
            }
        }
        return TRUE;
    case WM_COMMAND:
        if (!s.open || !s.copy)
            break;
        if (LOWORD(wParam) == IDOK)
        {
            AcceptMessage(dialog, s);
            s.Close(dialog, 1);
        }
        else if (LOWORD(wParam) == IDCANCEL)
            s.Close(dialog, 2);
        else
            BoxCommand(dialog, wParam, s, false);
        return TRUE;
    }
    return FALSE;
}
