// Lists, combos, scroll bars, sliders, spins and list views: the notifications the program relies on.
#include "control_fixture.h"

#include "win32/imagelist.h"

#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QSlider>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>

#include <string>

namespace kel::qt::controls::test
{
namespace
{

using ListTest = ControlTest;

std::string LbText(HWND h, int i)
{
    char buf[64] = {};
    SendMessage(h, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
    return buf;
}

TEST_F(ListTest, ListBoxSelectionByUserNotifiesButProgrammaticDoesNot)
{
    HWND lb = Make("LISTBOX", "", LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER, 10, 10, 150, 120, 600);
    for (const char* s : {"delta", "Alpha", "charlie", "bravo"})
        SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    EXPECT_EQ(LbText(lb, 0), "Alpha");
    EXPECT_EQ(LbText(lb, 3), "delta");
    EXPECT_EQ(SendMessage(lb, LB_FINDSTRING, -1, reinterpret_cast<LPARAM>("CH")), 2);
    EXPECT_EQ(SendMessage(lb, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("bra")), LB_ERR);
    SendMessage(lb, LB_SETITEMDATA, 1, 77);
    EXPECT_EQ(SendMessage(lb, LB_GETITEMDATA, 1, 0), 77);

    SendMessage(lb, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(SendMessage(lb, LB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(Notes(WM_COMMAND, LBN_SELCHANGE).empty());

    RECT r{};
    ASSERT_EQ(SendMessage(lb, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)), 1);
    auto* list = static_cast<QListWidget*>(W(lb));
    const QPoint inItem = list->viewport()->mapFrom(list, QPoint(r.left + 5, (r.top + r.bottom) / 2));
    Click(list->viewport(), inItem);
    Pump();
    EXPECT_EQ(SendMessage(lb, LB_GETCURSEL, 0, 0), 2);
    ASSERT_EQ(Notes(WM_COMMAND, LBN_SELCHANGE).size(), 1u);
    EXPECT_EQ(Notes(WM_COMMAND, LBN_SELCHANGE)[0].id, 600);
    EXPECT_EQ(LOWORD(SendMessage(lb, LB_ITEMFROMPOINT, 0, MAKELPARAM(r.left + 5, r.top + 1))), 2);

    EXPECT_EQ(SendMessage(lb, LB_DELETESTRING, 9, 0), LB_ERR);
    EXPECT_EQ(SendMessage(lb, LB_DELETESTRING, 0, 0), 3);
}

TEST_F(ListTest, ExtendedListBoxReportsSelectedItems)
{
    HWND lb = Make("LISTBOX", "", LBS_EXTENDEDSEL | LBS_NOTIFY, 10, 10, 150, 120, 601);
    for (const char* s : {"a", "b", "c", "d"})
        SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessage(lb, LB_SETSEL, TRUE, 1);
    SendMessage(lb, LB_SETSEL, TRUE, 3);
    EXPECT_EQ(SendMessage(lb, LB_GETSELCOUNT, 0, 0), 2);
    int items[4] = {};
    EXPECT_EQ(SendMessage(lb, LB_GETSELITEMS, 4, reinterpret_cast<LPARAM>(items)), 2);
    EXPECT_EQ(items[0], 1);
    EXPECT_EQ(items[1], 3);
    EXPECT_EQ(SendMessage(lb, LB_SETCURSEL, 0, 0), LB_ERR) << "not for multiple-selection lists";
    SendMessage(lb, LB_SETSEL, FALSE, -1);
    EXPECT_EQ(SendMessage(lb, LB_GETSELCOUNT, 0, 0), 0);
    EXPECT_TRUE(Notes(WM_COMMAND, LBN_SELCHANGE).empty());
}

TEST_F(ListTest, ComboSelectionByUserNotifiesAndOwnerDrawsItems)
{
    HWND cb =
        Make("COMBOBOX", "", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 10, 10, 150, 200, 700);
    for (const char* s : {"Red", "Green", "Blue"})
        SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), CB_ERR) << "nothing chosen by itself";
    SendMessage(cb, CB_SETCURSEL, 1, 0);
    EXPECT_TRUE(Notes(WM_COMMAND, CBN_SELCHANGE).empty());
    char buf[16] = {};
    EXPECT_EQ(SendMessage(cb, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buf)), 5);
    EXPECT_STREQ(buf, "Green");
    EXPECT_EQ(SendMessage(cb, CB_SELECTSTRING, -1, reinterpret_cast<LPARAM>("bl")), 2);

    auto* combo = static_cast<QComboBox*>(W(cb));
    emit combo->activated(0); // what the popup's choice emits
    Pump();
    ASSERT_EQ(Notes(WM_COMMAND, CBN_SELCHANGE).size(), 1u);
    EXPECT_EQ(Notes(WM_COMMAND, CBN_SELENDOK).size(), 1u);

    SendMessage(cb, CB_SETCURSEL, 0, 0);
    SetFocus(cb);
    Key(combo, Qt::Key_Down);
    Pump();
    EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), 1) << "arrow keys step through the list";

    Clear();
    combo->repaint();
    auto draws = Notes(WM_DRAWITEM);
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws.back().code, ODT_COMBOBOX);
    EXPECT_EQ(draws.back().a, 1);
    EXPECT_NE(draws.back().b & ODS_COMBOBOXEDIT, 0);
}

TEST_F(ListTest, ScrollBarTellsTheParentAndWaitsForIt)
{
    HWND sb = Make("SCROLLBAR", "", SBS_HORZ, 10, 10, 200, 17, 800);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 40, 0};
    SendMessage(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
    auto* bar = static_cast<QScrollBar*>(W(sb));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    Pump();
    auto scrolls = Notes(WM_HSCROLL);
    ASSERT_EQ(scrolls.size(), 2u);
    EXPECT_EQ(scrolls[0].code, SB_LINEDOWN);
    EXPECT_EQ(scrolls[1].code, SB_PAGEUP);
    EXPECT_EQ(scrolls[0].from, sb);
    EXPECT_EQ(SendMessage(sb, SBM_GETPOS, 0, 0), 40) << "the control does not move itself";

    SendMessage(sb, SBM_SETPOS, 95, TRUE);
    EXPECT_EQ(SendMessage(sb, SBM_GETPOS, 0, 0), 91) << "clamped to max - page + 1";
    int lo = -1, hi = -1;
    SendMessage(sb, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 100);
}

// Before it paints, a scroll bar asks its parent for its colours; a brush of its own colour fills it.
TEST_F(ListTest, ScrollBarTakesTheParentsColour)
{
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HWND asked = nullptr;
    hook = [&](UINT msg, WPARAM, LPARAM lp, LRESULT* r)
    {
        if (msg != WM_CTLCOLORSCROLLBAR)
            return false;
        asked = reinterpret_cast<HWND>(lp);
        *r = reinterpret_cast<LRESULT>(red);
        return true;
    };
    HWND sb = Make("SCROLLBAR", "", SBS_VERT, 10, 10, 17, 120, 801);
    Pump(20);
    EXPECT_EQ(asked, sb);
    ASSERT_NE(W(sb), nullptr);
    EXPECT_EQ(W(sb)->palette().color(QPalette::Button), QColor(255, 0, 0));
    DestroyWindow(sb);
    DeleteObject(red);
}

TEST_F(ListTest, SliderMovesThenReportsWithTrackbarCodes)
{
    HWND tb = Make(TRACKBAR_CLASS, "", TBS_HORZ | TBS_AUTOTICKS, 10, 10, 200, 30, 900);
    SendMessage(tb, TBM_SETRANGE, TRUE, MAKELPARAM(0, 50));
    SendMessage(tb, TBM_SETPAGESIZE, 0, 10);
    SendMessage(tb, TBM_SETPOS, TRUE, 20);
    EXPECT_TRUE(Notes(WM_HSCROLL).empty()) << "TBM_SETPOS is silent";
    int seen = -1;
    hook = [&](UINT msg, WPARAM wp, LPARAM lp, LRESULT*)
    {
        if (msg == WM_HSCROLL && LOWORD(wp) == TB_PAGEDOWN)
            seen = static_cast<int>(SendMessage(reinterpret_cast<HWND>(lp), TBM_GETPOS, 0, 0));
        return false;
    };
    static_cast<QSlider*>(W(tb))->triggerAction(QAbstractSlider::SliderPageStepAdd);
    Pump();
    EXPECT_EQ(seen, 30) << "the parent reads the new position";
    SetFocus(tb);
    Pump();
    Key(W(tb), Qt::Key_Left);
    Pump();
    auto scrolls = Notes(WM_HSCROLL);
    ASSERT_GE(scrolls.size(), 3u);
    EXPECT_EQ(scrolls[0].code, TB_PAGEDOWN);
    EXPECT_EQ(scrolls[1].code, TB_LINEUP);
    EXPECT_EQ(scrolls[2].code, TB_ENDTRACK);
    EXPECT_EQ(SendMessage(tb, TBM_GETPOS, 0, 0), 29);
}

TEST_F(ListTest, SpinAsksTheParentThenUpdatesItsBuddy)
{
    HWND edit = Make("EDIT", "", ES_AUTOHSCROLL | WS_BORDER, 10, 10, 80, 22, 1000);
    HWND spin = Make(UPDOWN_CLASS, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 0, 0,
                     16, 22, 1001);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(spin, UDM_GETBUDDY, 0, 0)), edit);
    SendMessage(spin, UDM_SETRANGE32, 0, 2000);
    SendMessage(spin, UDM_SETPOS32, 0, 999);
    char buf[16];
    GetWindowText(edit, buf, sizeof buf);
    EXPECT_STREQ(buf, "999");

    auto* up = W(spin)->findChildren<QToolButton*>().at(0);
    up->click();
    Pump();
    auto deltas = Notes(WM_NOTIFY, static_cast<int>(UDN_DELTAPOS));
    ASSERT_EQ(deltas.size(), 1u);
    EXPECT_EQ(deltas[0].a, 999);
    EXPECT_EQ(deltas[0].b, 1);
    auto scrolls = Notes(WM_VSCROLL, SB_THUMBPOSITION);
    ASSERT_EQ(scrolls.size(), 1u);
    EXPECT_EQ(scrolls[0].a, 1000);
    GetWindowText(edit, buf, sizeof buf);
    EXPECT_STREQ(buf, "1,000");
    BOOL error = TRUE;
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)), 1000);
    EXPECT_FALSE(error);

    // A parent that refuses the change keeps the position.
    hook = [](UINT msg, WPARAM, LPARAM lp, LRESULT* r)
    {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == UDN_DELTAPOS)
        {
            *r = TRUE;
            return true;
        }
        return false;
    };
    up->click();
    Pump();
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 1000);
}

TEST_F(ListTest, ProgressRangeStepAndWrap)
{
    HWND pb = Make(PROGRESS_CLASS, "", 0, 10, 10, 200, 16, 1100);
    SendMessage(pb, PBM_SETRANGE32, 0, 50);
    SendMessage(pb, PBM_SETSTEP, 20, 0);
    EXPECT_EQ(SendMessage(pb, PBM_STEPIT, 0, 0), 0);
    EXPECT_EQ(SendMessage(pb, PBM_STEPIT, 0, 0), 20);
    SendMessage(pb, PBM_STEPIT, 0, 0);
    EXPECT_EQ(SendMessage(pb, PBM_GETPOS, 0, 0), 10) << "past the end it starts again";
    EXPECT_EQ(SendMessage(pb, PBM_SETPOS, 80, 0), 10);
    EXPECT_EQ(SendMessage(pb, PBM_GETPOS, 0, 0), 50);
}

class ListViewTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        lv = Make(WC_LISTVIEW, "", LVS_REPORT | LVS_SHOWSELALWAYS | WS_BORDER, 10, 10, 300, 150, 1200);
        SendMessage(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        const char* heads[] = {"Mass", "Name", "Intensity"};
        for (int c = 0; c < 3; ++c)
        {
            LVCOLUMN col{
                LVCF_TEXT | LVCF_WIDTH | LVCF_FMT, LVCFMT_LEFT, 80, const_cast<char*>(heads[c]), 0, c, 0, 0};
            SendMessage(lv, LVM_INSERTCOLUMN, c, reinterpret_cast<LPARAM>(&col));
        }
        const char* rows[][3] = {{"2", "H2", "1.0E-9"}, {"18", "H2O", "3.2E-8"}, {"28", "N2", "7.5E-7"}};
        for (int i = 0; i < 3; ++i)
        {
            LVITEM item{LVIF_TEXT | LVIF_PARAM, i, 0, 0, 0, const_cast<char*>(rows[i][0]), 0, 0, 100 + i, 0};
            SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
            for (int s = 1; s < 3; ++s)
            {
                LVITEM sub{};
                sub.iSubItem = s;
                sub.pszText = const_cast<char*>(rows[i][s]);
                SendMessage(lv, LVM_SETITEMTEXT, i, reinterpret_cast<LPARAM>(&sub));
            }
        }
        Pump();
        Clear();
    }
    HWND lv = nullptr;
};

TEST_F(ListViewTest, ColumnsItemsAndSubItems)
{
    EXPECT_EQ(SendMessage(lv, LVM_GETITEMCOUNT, 0, 0), 3);
    char buf[32] = {};
    LVITEM get{};
    get.iSubItem = 1;
    get.pszText = buf;
    get.cchTextMax = sizeof buf;
    SendMessage(lv, LVM_GETITEMTEXT, 1, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(buf, "H2O");
    EXPECT_EQ(SendMessage(lv, LVM_GETCOLUMNWIDTH, 2, 0), 80);
    SendMessage(lv, LVM_SETCOLUMNWIDTH, 2, 120);
    EXPECT_EQ(SendMessage(lv, LVM_GETCOLUMNWIDTH, 2, 0), 120);

    LVCOLUMN col{LVCF_TEXT | LVCF_WIDTH, 0, 40, const_cast<char*>("#"), 0, 0, 0, 0};
    SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col));
    get.iSubItem = 2;
    SendMessage(lv, LVM_GETITEMTEXT, 1, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(buf, "H2O") << "sub-items move right with an inserted column";
    EXPECT_EQ(SendMessage(lv, LVM_GETCOLUMNWIDTH, 3, 0), 120);

    // Sorting by item data, descending.
    SendMessage(lv, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(+[](LPARAM a, LPARAM b, LPARAM) -> int {
                    return static_cast<int>(b - a);
                }));
    LVITEM first{LVIF_PARAM, 0, 0, 0, 0, nullptr, 0, 0, 0, 0};
    SendMessage(lv, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&first));
    EXPECT_EQ(first.lParam, 102);
}

// A deleted column takes its header, format, width and sub-item texts along; the columns after
// it move left with theirs, and an inserted column starts empty and left-aligned.
TEST_F(ListViewTest, ColumnsMoveWithTheirFormatWidthAndTexts)
{
    LVCOLUMN right{LVCF_FMT | LVCF_WIDTH, LVCFMT_RIGHT, 120, nullptr, 0, 0, 0, 0};
    ASSERT_TRUE(SendMessage(lv, LVM_SETCOLUMN, 2, reinterpret_cast<LPARAM>(&right)));
    ASSERT_TRUE(SendMessage(lv, LVM_DELETECOLUMN, 0, 0));
    EXPECT_FALSE(SendMessage(lv, LVM_DELETECOLUMN, 2, 0)) << "only two columns are left";

    char text[32] = {};
    LVCOLUMN col{LVCF_TEXT | LVCF_FMT | LVCF_WIDTH, 0, 0, text, sizeof text, 0, 0, 0};
    ASSERT_TRUE(SendMessage(lv, LVM_GETCOLUMN, 1, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(text, "Intensity");
    EXPECT_EQ(col.fmt, LVCFMT_RIGHT);
    EXPECT_EQ(col.cx, 120);
    EXPECT_EQ(SendMessage(lv, LVM_GETCOLUMNWIDTH, 0, 0), 80);

    LVITEM get{};
    get.pszText = text;
    get.cchTextMax = sizeof text;
    SendMessage(lv, LVM_GETITEMTEXT, 1, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(text, "H2O");

    LVCOLUMN added{LVCF_TEXT, 0, 0, const_cast<char*>("Added"), 0, 0, 0, 0};
    ASSERT_EQ(SendMessage(lv, LVM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&added)), 1);
    get.iSubItem = 1;
    SendMessage(lv, LVM_GETITEMTEXT, 1, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(text, "");
    get.iSubItem = 2;
    SendMessage(lv, LVM_GETITEMTEXT, 1, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(text, "3.2E-8");
    col.mask = LVCF_FMT | LVCF_WIDTH;
    ASSERT_TRUE(SendMessage(lv, LVM_GETCOLUMN, 1, reinterpret_cast<LPARAM>(&col)));
    EXPECT_EQ(col.fmt, LVCFMT_LEFT);
    EXPECT_EQ(col.cx, 50);
    ASSERT_TRUE(SendMessage(lv, LVM_GETCOLUMN, 2, reinterpret_cast<LPARAM>(&col)));
    EXPECT_EQ(col.fmt, LVCFMT_RIGHT);
    EXPECT_EQ(col.cx, 120);
}

TEST_F(ListViewTest, ClickReportsItemSubItemAndStateChange)
{
    RECT r{};
    r.top = 2;
    r.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessage(lv, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    auto* tree = static_cast<QTreeWidget*>(W(lv));
    const QPoint client((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Click(tree->viewport(), tree->viewport()->mapFrom(tree, client));
    Pump();

    auto changes = Notes(WM_NOTIFY, static_cast<int>(LVN_ITEMCHANGED));
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().a, 1);
    EXPECT_NE(changes.back().c & LVIS_SELECTED, 0);
    EXPECT_EQ(changes.back().b & LVIS_SELECTED, 0);
    EXPECT_EQ(changes.back().d, LVIF_STATE);
    auto clicks = Notes(WM_NOTIFY, static_cast<int>(NM_CLICK));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].a, 1);
    EXPECT_EQ(clicks[0].b, 2);
    EXPECT_EQ(clicks[0].c, client.x());
    EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, -1, LVNI_SELECTED), 1);
    EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 1);

    LVHITTESTINFO hit{};
    hit.pt = POINT{client.x(), client.y()};
    EXPECT_EQ(SendMessage(lv, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.iSubItem, 2);

    // A programmatic change is reported too.
    Clear();
    LVITEM st{};
    st.stateMask = LVIS_SELECTED;
    st.state = 0;
    SendMessage(lv, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&st));
    changes = Notes(WM_NOTIFY, static_cast<int>(LVN_ITEMCHANGED));
    ASSERT_FALSE(changes.empty());
    EXPECT_NE(changes[0].b & LVIS_SELECTED, 0);
    EXPECT_EQ(changes[0].c & LVIS_SELECTED, 0);
}

TEST_F(ListViewTest, HeaderWindowAnswersForItsColumns)
{
    HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(IsWindow(header));
    EXPECT_EQ(GetParent(header), lv);
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 3);
    RECT r{};
    ASSERT_TRUE(SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    EXPECT_EQ(r.left, 80);
    EXPECT_EQ(r.right, 160);
    EXPECT_GT(r.bottom, 10);
    char text[16] = {};
    HDITEM item{};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessage(header, HDM_GETITEM, 2, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(text, "Intensity");
    EXPECT_EQ(item.cxy, 80);

    // The user widening a column: HDN_ITEMCHANGED to the list's parent.
    static_cast<QTreeWidget*>(W(lv))->header()->resizeSection(0, 100);
    Pump();
    auto changed = Notes(WM_NOTIFY, static_cast<int>(HDN_ITEMCHANGED));
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(changed[0].from, header);
    EXPECT_EQ(changed[0].b, 100);
}

TEST(ImageListTest, CountsRemovesAndRefusesBadHandles)
{
    HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 4);
    ASSERT_NE(il, nullptr);
    HBITMAP fake = reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(1));
    EXPECT_EQ(ImageList_Add(il, fake, nullptr), 0);
    EXPECT_EQ(ImageList_AddMasked(il, fake, RGB(255, 0, 255)), 1);
    EXPECT_EQ(ImageList_GetImageCount(il), 2);
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(il, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_FALSE(ImageList_Remove(il, 5));
    EXPECT_TRUE(ImageList_Remove(il, 0));
    EXPECT_EQ(ImageList_GetImageCount(il), 1);
    EXPECT_EQ(ImageList_SetBkColor(il, RGB(1, 2, 3)), CLR_NONE);
    EXPECT_TRUE(ImageList_Destroy(il));
    EXPECT_FALSE(ImageList_Destroy(il));
    EXPECT_EQ(ImageList_GetImageCount(il), 0);
    EXPECT_EQ(ImageList_Create(0, 16, 0, 1, 1), nullptr);
}

} // namespace
} // namespace kel::qt::controls::test
