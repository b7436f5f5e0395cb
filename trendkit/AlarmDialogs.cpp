// Edit dialogs of a data set's alarm settings, of alarm lines and of alarm marks. Each works on a
// copy made at opening; Cancel drops the copy.
#include "EditDialogs.h"
#include "res/resource.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace trendkit
{
namespace
{

constexpr int kKinds = 7;
constexpr int kEntries = 5;
constexpr int kNumberBuffer = 17;
constexpr int kMessageBuffer = 17; // 16 characters and the zero
constexpr int kNormalBuffer = RT_NORMAL_MESSAGE_MAX + 1;
constexpr int kLabelBuffer = RT_MARK_LABEL_MAX + 1;

WORD ReadWord(HWND dialog, int id)
{
    return static_cast<WORD>(GetDlgItemInt(dialog, id, nullptr, FALSE));
}

// Keeps an edit to what its field holds, so what is shown is what is stored.
void LimitText(HWND dialog, int id, int characters)
{
    SendDlgItemMessage(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

// ---- Alarm attributes ---------------------------------------------------------------------------

struct AlarmAttribState
{
    bool open = false;
    DynDataSetDesc* live = nullptr;
    std::unique_ptr<DynDataSetDesc> copy;
};
AlarmAttribState& AlarmAttrib()
{
    static AlarmAttribState state;
    return state;
}

void FillAlarmAttrib(HWND dialog, const DynDataSetDesc& s)
{
    SetDlgItemText(dialog, IDC_RT_SET_NAME, s.name);
    for (int k = 0; k < kKinds; ++k)
    {
        CheckDlgButton(dialog, IDC_RT_KIND_ENABLE + k,
                       (s.alarmEnable >> k) & 1 ? BST_CHECKED : BST_UNCHECKED);
        ShowNumberField(dialog, IDC_RT_LIMIT + k, s.alarms[k].limit);
        char message[kMessageBuffer] = {};
        std::strncpy(message, s.alarms[k].message, kMessageBuffer - 1);
        LimitText(dialog, IDC_RT_MESSAGE + k, kMessageBuffer - 1);
        SetDlgItemText(dialog, IDC_RT_MESSAGE + k, message);
    }
    ShowNumberField(dialog, IDC_RT_SETPOINT, s.setpoint);
    LimitText(dialog, IDC_RT_NORMAL, kNormalBuffer - 1);
    SetDlgItemText(dialog, IDC_RT_NORMAL, s.normalMessage);
    ShowNumberField(dialog, IDC_RT_HYSTERESIS, s.hysteresis);
    ShowNumberField(dialog, IDC_RT_DEV_HYSTERESIS, s.deviationHysteresis);
    CheckDlgButton(dialog, IDC_RT_GLOBAL_ENABLE, s.alarmCheckOn ? BST_CHECKED : BST_UNCHECKED);
}

// Writes the alarm settings of the copy into the live set. Only the alarm block goes back: the
// values, the history ring and the alarm state kept being updated while the dialog was open.
void AcceptAlarmAttrib(const DynDataSetDesc& copy, DynDataSetDesc* live)
{
    if ((copy.alarmCheckOn != 0) != (live->alarmCheckOn != 0))
    {
        const int count = live->valueCount < 0 ? 0 : live->valueCount;
        for (int i = 0; i < count && i < RT_MAX_VALUES; ++i)
        {
            if (copy.alarmCheckOn == 0)
            {
                live->previousAlarm[i] = live->currentAlarm[i];
                live->currentAlarm[i] = 0;
            }
            else
                live->previousAlarm[i] = 0;
        }
    }
    live->alarmEnable = copy.alarmEnable;
    std::memcpy(live->alarms, copy.alarms, sizeof live->alarms);
    live->setpoint = copy.setpoint;
    live->hysteresis = copy.hysteresis;
    live->deviationHysteresis = copy.deviationHysteresis;
    std::memcpy(live->normalMessage, copy.normalMessage, sizeof live->normalMessage);
    live->alarmCheckOn = copy.alarmCheckOn;
}

void AlarmAttribCommand(HWND dialog, WPARAM wParam, DynDataSetDesc& s)
{
    const int id = LOWORD(wParam);
    if (id >= IDC_RT_LIMIT && id < IDC_RT_LIMIT + kKinds && Changed(wParam))
        ReadNumberField(dialog, id, kNumberBuffer, &s.alarms[id - IDC_RT_LIMIT].limit);
    else if (id >= IDC_RT_MESSAGE && id < IDC_RT_MESSAGE + kKinds && Changed(wParam))
    {
        char text[kMessageBuffer] = {};
        GetDlgItemText(dialog, id, text, kMessageBuffer);
        std::memset(s.alarms[id - IDC_RT_MESSAGE].message, 0, sizeof s.alarms[0].message);
        std::memcpy(s.alarms[id - IDC_RT_MESSAGE].message, text, sizeof text);
    }
    else if (id >= IDC_RT_KIND_ENABLE && id < IDC_RT_KIND_ENABLE + kKinds && Clicked(wParam))
    {
        const int on = ClickedState(dialog, id);
        if (s.alarmCheckOn == 1)
        {
            const BYTE bit = static_cast<BYTE>(1u << (id - IDC_RT_KIND_ENABLE));
            s.alarmEnable = static_cast<BYTE>(on ? s.alarmEnable | bit : s.alarmEnable & ~bit);
        }
    }
    else if (id == IDC_RT_GLOBAL_ENABLE && Clicked(wParam))
    {
        s.alarmCheckOn = static_cast<UINT>(ClickedState(dialog, id));
        for (int k = 0; k < kKinds; ++k)
            Enable(dialog, IDC_RT_KIND_ENABLE + k, s.alarmCheckOn != 0);
    }
    else if (id == IDC_RT_SETPOINT && Changed(wParam))
        ReadNumberField(dialog, id, kNumberBuffer, &s.setpoint);
    else if (id == IDC_RT_HYSTERESIS && Changed(wParam))
        ReadNumberField(dialog, id, kNumberBuffer, &s.hysteresis);
    else if (id == IDC_RT_DEV_HYSTERESIS && Changed(wParam))
        ReadNumberField(dialog, id, kNumberBuffer, &s.deviationHysteresis);
    else if (id == IDC_RT_NORMAL && Changed(wParam))
        GetDlgItemText(dialog, id, s.normalMessage, kNormalBuffer);
}

// ---- Alarm lines and alarm marks ----------------------------------------------------------------

// One open alarm lines or alarm marks dialog.
template <class Record> using ObjectState = RecordEdit<Record>;
ObjectState<AlarmLinesDesc>& LinesDlg()
{
    static ObjectState<AlarmLinesDesc> state;
    return state;
}
ObjectState<AlarmMarksDesc>& MarksDlg()
{
    static ObjectState<AlarmMarksDesc> state;
    return state;
}

template <class Record> bool OpenObject(HWND dialog, ObjectState<Record>& s, LPARAM lParam)
{
    const auto rt = [](const Record& r) -> const RtObjDesc& { return r.r.rt; };
    return s.Open(dialog, lParam, rt, 0, false);
}

template <class Record> void CloseObject(HWND dialog, ObjectState<Record>& s, int result)
{
    if (result == 1)
    {
        std::memcpy(static_cast<void*>(s.live), s.copy.get(), sizeof(Record));
        if (s.attribResult == 1 && s.live->r.rt.dataSet)
            RefreshAlarmObjects(s.live->r.rt.dataSet);
    }
    s.Close(dialog, result);
}

// The alarm attributes of the set the object shows, opened from its button.
template <class Record> void RunAlarmAttrib(HWND dialog, ObjectState<Record>& s)
{
    RunAlarmAttributes(dialog, s.copy->r.rt.dataSet, &s.attribResult);
}

// The check boxes and line buttons both dialogs share.
void FillEntries(HWND dialog, const AlarmLineRec* entries, int firstBox, int firstButton)
{
    for (int k = 0; k < kEntries; ++k)
    {
        CheckDlgButton(dialog, firstBox + k, entries[k].shown == 1 ? BST_CHECKED : BST_UNCHECKED);
        Enable(dialog, firstButton + k, entries[k].shown == 1);
    }
}

bool EntryCommand(HWND dialog, WPARAM wParam, AlarmLineRec* entries, int firstBox, int firstButton)
{
    const int id = LOWORD(wParam);
    if (id >= firstBox && id < firstBox + kEntries && Clicked(wParam))
    {
        const int k = id - firstBox;
        entries[k].shown = ClickedState(dialog, id);
        Enable(dialog, firstButton + k, entries[k].shown != 0);
        return true;
    }
    if (id >= firstButton && id < firstButton + kEntries && Clicked(wParam))
    {
        RunLinePar(dialog, &entries[id - firstButton].line);
        return true;
    }
    return false;
}

template <class Record> bool EndCommand(HWND dialog, WPARAM wParam, ObjectState<Record>& s)
{
    const int id = LOWORD(wParam);
    if (id == IDOK || id == IDCANCEL)
    {
        CloseObject(dialog, s, id == IDOK ? 1 : 2);
        return true;
    }
    if (id == IDC_RT_ALARM_ATTRIBUTES && Clicked(wParam))
    {
        RunAlarmAttrib(dialog, s);
        return true;
    }
    return false;
}

} // namespace

int EditAlarmLines(GrDesc* graph, RtObjDesc*, HGLOBAL handle)
{
    return RunObjectEditDialog(graph, AlarmLineDlgProc, "ALARMLINES", handle);
}

int EditAlarmMarks(GrDesc* graph, RtObjDesc*, HGLOBAL handle)
{
    return RunObjectEditDialog(graph, AlarmMarksDlgProc, "ALARMMARKS", handle);
}

} // namespace trendkit

using namespace trendkit;

INT_PTR CALLBACK AlarmLimitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    AlarmAttribState& s = AlarmAttrib();
    switch (message)
    {
    case WM_INITDIALOG:
    {
        auto* live = reinterpret_cast<DynDataSetDesc*>(lParam);
        if (s.open || live == nullptr)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        s.copy.reset(new (std::nothrow) DynDataSetDesc);
        if (!s.copy)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        std::memcpy(static_cast<void*>(s.copy.get()), live, sizeof *live);
        s.live = live;
        s.open = true;
        FillAlarmAttrib(dialog, *s.copy);
        return TRUE;
    }
    case WM_COMMAND:
        if (!s.open || !s.copy)
            break;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            if (LOWORD(wParam) == IDOK)
                AcceptAlarmAttrib(*s.copy, s.live);
            s.copy.reset();
            s.live = nullptr;
            s.open = false;
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
            return TRUE;
        }
        AlarmAttribCommand(dialog, wParam, *s.copy);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK AlarmLineDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& s = LinesDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (OpenObject(dialog, s, lParam))
        {
            FillEntries(dialog, s.copy->lines, IDC_RT_LINES_SHOWN, IDC_RT_LINES_ATTRIB);
            SetDlgItemInt(dialog, IDC_RT_LINES_PERIOD, s.copy->r.rt.updatePeriod, FALSE);
        }
        return TRUE;
    case WM_COMMAND:
        if (!s.open || !s.copy)
            break;
        if (EndCommand(dialog, wParam, s) ||
            EntryCommand(dialog, wParam, s.copy->lines, IDC_RT_LINES_SHOWN, IDC_RT_LINES_ATTRIB))
            return TRUE;
        if (LOWORD(wParam) == IDC_RT_LINES_PERIOD && Changed(wParam))
            s.copy->r.rt.updatePeriod = ReadWord(dialog, IDC_RT_LINES_PERIOD);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK AlarmMarksDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& s = MarksDlg();
    switch (message)
    {
    case WM_INITDIALOG:
        if (OpenObject(dialog, s, lParam))
        {
            AlarmMarksDesc& m = *s.copy;
            FillEntries(dialog, m.marks, IDC_RT_MARKS_SHOWN, IDC_RT_MARKS_ATTRIB);
            for (int k = 0; k < kEntries; ++k)
            {
                LimitText(dialog, IDC_RT_MARKS_LABEL + k, kLabelBuffer - 1);
                SetDlgItemText(dialog, IDC_RT_MARKS_LABEL + k, m.marks[k].label);
            }
            if (m.r.direction == 1)
            {
                SetDlgItemText(dialog, IDC_RT_MARKS_BELOW, "Left");
                SetDlgItemText(dialog, IDC_RT_MARKS_ABOVE, "Right");
            }
            const bool above = m.placement == 2 || m.placement == 4;
            CheckRadioButton(dialog, IDC_RT_MARKS_BELOW, IDC_RT_MARKS_ABOVE,
                             above ? IDC_RT_MARKS_ABOVE : IDC_RT_MARKS_BELOW);
            SetDlgItemInt(dialog, IDC_RT_MARKS_SIZE, m.pointSize, FALSE);
        }
        return TRUE;
    case WM_COMMAND:
    {
        if (!s.open || !s.copy)
            break;
        if (EndCommand(dialog, wParam, s) ||
            EntryCommand(dialog, wParam, s.copy->marks, IDC_RT_MARKS_SHOWN, IDC_RT_MARKS_ATTRIB))
            return TRUE;
        AlarmMarksDesc& m = *s.copy;
        const int id = LOWORD(wParam);
        const bool vertical = m.r.direction == 1;
        if (id >= IDC_RT_MARKS_LABEL && id < IDC_RT_MARKS_LABEL + kEntries && Changed(wParam))
            GetDlgItemText(dialog, id, m.marks[id - IDC_RT_MARKS_LABEL].label, kLabelBuffer);
        else if (id == IDC_RT_MARKS_ABOVE && Clicked(wParam))
            m.placement = vertical ? 2 : 4;
        else if (id == IDC_RT_MARKS_BELOW && Clicked(wParam))
            m.placement = vertical ? 1 : 0;
        else if (id == IDC_RT_MARKS_SIZE && Changed(wParam))
        {
            m.pointSize = ReadWord(dialog, id);
            if (s.graph && s.graph->buildDc)
                m.markSize = PointsToLogSize(s.graph, s.graph->buildDc, m.pointSize);
        }
        return TRUE;
    }
    }
    return FALSE;
}
