// One dialog-like window with a control of each kind, rendered to control_dialog.png in the test's
// working folder so the look can be checked by eye; the test itself checks that each control drew.
#include "control_fixture.h"

#include "testkit/Image.h"

namespace kel::qt::controls::test
{
namespace
{

using ScreenshotTest = ControlTest;

TEST_F(ScreenshotTest, DialogWithEveryControlKind)
{
    SetWindowPos(parent, nullptr, 0, 0, 470, 330, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowText(parent, "Scan Settings");
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy, int id)
    {
        HWND h = Make(cls, text, style, x, y, cx, cy, id);
        SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return h;
    };
    make("BUTTON", "Range", BS_GROUPBOX, 10, 8, 210, 110, 1);
    make("STATIC", "First &mass:", SS_LEFT, 22, 32, 70, 16, 2);
    HWND edit = make("EDIT", "2", ES_AUTOHSCROLL | ES_NUMBER | WS_BORDER, 96, 29, 70, 22, 3);
    HWND spin = make(UPDOWN_CLASS, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 0, 0,
                     16, 22, 4);
    SendMessage(spin, UDM_SETRANGE32, 1, 300);
    SendMessage(spin, UDM_SETPOS32, 0, 2);
    (void)edit;
    make("STATIC", "Detector:", SS_LEFT, 22, 62, 70, 16, 5);
    HWND combo = make("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 96, 59, 110, 120, 6);
    for (const char* s : {"Faraday", "Multiplier"})
        SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessage(combo, CB_SETCURSEL, 0, 0);
    // Created and moved with the list's height, a drop-down combo box stays as tall as its face.
    MoveWindow(combo, 96, 59, 110, 120, FALSE);
    RECT face{}, dropped{};
    GetWindowRect(combo, &face);
    SendMessage(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GT(face.bottom - face.top, 12);
    EXPECT_LT(face.bottom - face.top, 40);
    EXPECT_GT(dropped.bottom, face.bottom);
    HWND check = make("BUTTON", "Auto &zero", BS_AUTOCHECKBOX, 22, 90, 100, 18, 7);
    SendMessage(check, BM_SETCHECK, BST_CHECKED, 0);
    make("BUTTON", "&Linear", BS_AUTORADIOBUTTON | WS_GROUP, 240, 14, 90, 18, 8);
    HWND log = make("BUTTON", "L&og", BS_AUTORADIOBUTTON, 240, 34, 90, 18, 9);
    SendMessage(log, BM_SETCHECK, BST_CHECKED, 0);
    HWND slider = make(TRACKBAR_CLASS, "", TBS_HORZ | TBS_AUTOTICKS, 236, 60, 210, 30, 10);
    SendMessage(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessage(slider, TBM_SETPOS, TRUE, 4);
    HWND sb = make("SCROLLBAR", "", SBS_HORZ, 240, 96, 206, 17, 11);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 100, 20, 30, 0};
    SendMessage(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
    HWND lb = make("LISTBOX", "", LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 10, 126, 120, 120, 12);
    for (const char* s : {"H2", "He", "H2O", "N2", "O2", "Ar", "CO2"})
        SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessage(lb, LB_SETCURSEL, 2, 0);
    HWND lv = make(WC_LISTVIEW, "", LVS_REPORT | LVS_SHOWSELALWAYS | WS_BORDER, 140, 126, 306, 120, 13);
    SendMessage(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const char* heads[] = {"Mass", "Gas", "Pressure"};
    for (int c = 0; c < 3; ++c)
    {
        LVCOLUMN col{LVCF_TEXT | LVCF_WIDTH, 0, c == 2 ? 120 : 80, const_cast<char*>(heads[c]), 0, c, 0, 0};
        SendMessage(lv, LVM_INSERTCOLUMN, c, reinterpret_cast<LPARAM>(&col));
    }
    const char* rows[][3] = {{"2", "H2", "1.0E-09"}, {"18", "H2O", "3.2E-08"}, {"28", "N2", "7.5E-07"}};
    for (int i = 0; i < 3; ++i)
    {
        LVITEM item{LVIF_TEXT, i, 0, 0, 0, const_cast<char*>(rows[i][0]), 0, 0, 0, 0};
        SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
        for (int s = 1; s < 3; ++s)
        {
            LVITEM sub{};
            sub.iSubItem = s;
            sub.pszText = const_cast<char*>(rows[i][s]);
            SendMessage(lv, LVM_SETITEMTEXT, i, reinterpret_cast<LPARAM>(&sub));
        }
    }
    LVITEM sel{};
    sel.stateMask = sel.state = LVIS_SELECTED;
    SendMessage(lv, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&sel));
    HWND progress = make(PROGRESS_CLASS, "", 0, 10, 256, 436, 14, 14);
    SendMessage(progress, PBM_SETPOS, 60, 0);
    make("STATIC", "", SS_ETCHEDHORZ, 10, 278, 436, 2, 15);
    make("BUTTON", "OK", BS_DEFPUSHBUTTON, 286, 288, 75, 24, IDOK);
    make("BUTTON", "Cancel", BS_PUSHBUTTON, 371, 288, 75, 24, IDCANCEL);
    Pump(50);

    const kel::testkit::Image shot = kel::testkit::CaptureWindow(parent);
    ASSERT_FALSE(shot.Empty());
    EXPECT_TRUE(kel::testkit::SavePng(shot, "control_dialog.png"));
    // The list view's selected row and the progress bar's filled part show the highlight colour.
    RECT row{};
    SendMessage(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    const QColor hl = W(lv)->palette().color(QPalette::Highlight);
    const DWORD highlight = RGB(hl.red(), hl.green(), hl.blue());
    EXPECT_GT(shot.CountColor(highlight, 140 + row.left + 2, 126 + row.top + 2, 140 + row.left + 60,
                              126 + row.bottom - 2),
              50);
}

} // namespace
} // namespace kel::qt::controls::test
