// What the object edit dialogs share beyond running them: the palette list, number and per-cent
// fields, the text parameters sub-dialog and the red/green/blue colour bar (not exported).
#pragma once

#include "TrendkitInternal.h"

#include <cstring>
#include <memory>
#include <new>

namespace trendkit
{

// The notification codes of a WM_COMMAND the dialogs act on.
inline bool Changed(WPARAM wParam)
{
    return HIWORD(wParam) == EN_CHANGE;
}
inline bool Clicked(WPARAM wParam)
{
    return HIWORD(wParam) == BN_CLICKED;
}
void Enable(HWND dialog, int id, bool on);
// A check box's state after its click, written back as the dialog manager would leave it.
int ClickedState(HWND dialog, int id);

// Adds the palette's colour names (plotkit's strings 112 on, at most 20 of them, each cut to 12
// characters in `buffer`) to the combo box `id`; the list index is the palette index.
void FillColorCombo(HWND dialog, char* buffer, int id);
// The text colour list: "Transparent" first, then the palette, showing `colorIndex` (-1 transparent).
// The colour read back is the selection - 1.
void FillTextColorCombo(HWND dialog, int id, int colorIndex);
// The selection of a list box or combo box (-1: none).
int ComboSelection(HWND dialog, int id);

// A number field as typed (at most `buffer` characters, plotkit's CheckReal); false, leaving `value`
// alone, for an empty field or one that reads as no finite number.
bool ReadNumberField(HWND dialog, int id, int buffer, float* value);
// Values in the shortest form with 7 significant digits.
void ShowNumberField(HWND dialog, int id, float value);
// Fractions of the graph as per cent with one decimal, and read back as fractions.
void ShowPercent(HWND dialog, int id, float fraction);
bool ReadPercent(HWND dialog, int id, int buffer, float* fraction);

// An object's normalised rectangle edited as Left, Top, Width and Height in per cent: typing Left or
// Top moves it, Width or Height resizes it. Applied by the caller at OK.
struct PercentRect
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    // Fills the fields (a width or height id of 0: not shown).
    void Show(HWND dialog, int left, int top, int width, int height) const;
    // Takes an EN_CHANGE of one of the four fields; false for any other command.
    bool Change(HWND dialog, WPARAM wParam, int buffer, int left, int top, int width, int height);
};

// The graph a record is drawn in, or else the one whose edit dialog runs (null: neither).
GrDesc* RecordGraph(const RtObjDesc& record);

// One open edit dialog on the record behind its handle: the live record, locked while the dialog
// runs, and the dialog's byte copy of it (what the record points to stays the live record's and is
// never freed through the copy).
template <class Record> struct RecordEdit
{
    bool open = false;
    HGLOBAL handle = nullptr;
    Record* live = nullptr;
    std::unique_ptr<Record> copy;
    GrDesc* graph = nullptr;
    int attribResult = 0; // of the alarm attributes dialog opened from this one

    // Opens on WM_INITDIALOG's handle. `rt` gives a record's common part; `type` (0: any) is the
    // type the dialog edits; `ownGraph`: the graph is RecordGraph's and needed, else the one whose
    // edit dialog runs. False, with the dialog ended (2) and nothing locked, when already open, for
    // no handle, a block smaller than `Record`, another type, no graph or no memory.
    template <class Rt> bool Open(HWND dialog, LPARAM lParam, Rt rt, int type, bool ownGraph)
    {
        const auto h = reinterpret_cast<HGLOBAL>(lParam);
        auto* record = !open && h ? static_cast<Record*>(GlobalLock(h)) : nullptr;
        if (record == nullptr)
        {
            EndDialog(dialog, 2);
            return false;
        }
        GrDesc* owner = nullptr;
        if (GlobalSize(h) >= sizeof(Record) && (type == 0 || rt(*record).head.type == type) &&
            (!ownGraph || (owner = RecordGraph(rt(*record))) != nullptr))
            copy.reset(new (std::nothrow) Record);
        if (!copy)
        {
            GlobalUnlock(h);
            EndDialog(dialog, 2);
            return false;
        }
        std::memcpy(static_cast<void*>(copy.get()), record, sizeof(Record));
        open = true;
        handle = h;
        live = record;
        graph = ownGraph ? owner : EditGraph();
        attribResult = 0;
        return true;
    }
    // Unlocks the record, drops the copy and ends the dialog with `result`.
    void Close(HWND dialog, int result)
    {
        GlobalUnlock(handle);
        copy.reset();
        live = nullptr;
        handle = nullptr;
        graph = nullptr;
        open = false;
        EndDialog(dialog, result);
    }
};

// "TextPar" on a font of a working copy: the text field is not offered; a size that was not
// cancelled becomes the font's base size at the graph's page scale. The focus goes back to OK.
void RunTextPar(HWND dialog, GrDesc* graph, FontDesc& font);
// "LINEPAR" on a line of a working copy (none: only the focus goes back to OK).
void RunLinePar(HWND dialog, LineDesc* line);
// "ALARMATTRIB" on the set an object shows; `result` takes its result, and stays as it was when
// the object shows no set.
void RunAlarmAttributes(HWND dialog, DynDataSetDesc* set, int* result);

// The colour bar of the dialogs with a "Bar Color" or "Background Color" group: scroll bars 1250-1252
// (red, green, blue, 0-255), their numbers 1253-1255 and the owner-drawn sample 1090, which shows the
// colour with the hatch (-1: none) as the bars will be filled.
class ColorBar
{
public:
    void Open(HWND dialog, COLORREF color, int hatch);
    // The dialog's WM_VSCROLL or WM_HSCROLL; the colour follows the bar.
    void Scroll(HWND dialog, WPARAM wParam, LPARAM lParam);
    // A hatch picked in the dialog; the sample shows it.
    void SetHatch(HWND dialog, int hatch);
    // WM_CTLCOLORSCROLLBAR and WM_CTLCOLORSTATIC: the brush to return, null for other controls.
    INT_PTR CtlColor(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // WM_DRAWITEM: paints the sample; FALSE for other controls.
    INT_PTR DrawItem(LPARAM lParam) const;
    // Routes the bar's messages (scrolls, control colours, the sample's drawing); false for others,
    // `result` then untouched.
    bool Message(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
    // Deletes the brushes (also safe when never opened).
    void Close();
    COLORREF Color() const { return color_; }
    bool IsOpen() const { return open_; }

private:
    bool open_ = false;
    COLORREF color_ = 0;
    int hatch_ = -1;
    HBRUSH brushes_[3] = {};
};

} // namespace trendkit
