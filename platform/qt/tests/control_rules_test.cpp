// The rules dialog code depends on: keys in dialogs, edit limits and notifications, list and combo
// deletions and order, class names and borders.
#include "control_fixture.h"

#include "testkit/Image.h"
#include "win32/uidriver.h"

#include <QtWidgets/QScrollBar>

#include <filesystem>
#include <string>
#include <utility>

namespace kel::qt::controls::test
{
namespace
{

using RulesTest = ControlTest;

LRESULT Send(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    return SendMessage(h, msg, wp, lp);
}
LRESULT SendText(HWND h, UINT msg, WPARAM wp, const char* text)
{
    return SendMessage(h, msg, wp, reinterpret_cast<LPARAM>(text));
}
std::string Text(HWND h)
{
    char buf[256] = {};
    GetWindowText(h, buf, sizeof buf);
    return buf;
}
// A typed character as the dialog manager sees it.
bool TypeInDialog(HWND dlg, HWND to, char c)
{
    MSG m{to, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0, 0, {0, 0}};
    return IsDialogMessage(dlg, &m);
}

TEST_F(RulesTest, LettersTypedOnADropDownListChooseItemsNeverMnemonics)
{
    HWND combo = Make("COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP, 10, 10, 120, 100, 700);
    HWND check = Make("BUTTON", "&Check", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 50, 100, 20, 701);
    Make("BUTTON", "&Beta", BS_PUSHBUTTON | WS_TABSTOP, 10, 80, 100, 24, 702);
    for (const char* s : {"alpha", "beta", "charlie"})
        SendText(combo, CB_ADDSTRING, 0, s);
    EXPECT_TRUE(Send(combo, WM_GETDLGCODE) & DLGC_WANTCHARS);
    SetFocus(combo);
    Clear();
    struct Case
    {
        char typed;
        int selected;
    } cases[] = {{'c', 2}, {'b', 1}, {'x', 1}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        Clear();
        EXPECT_TRUE(TypeInDialog(parent, combo, c.typed));
        EXPECT_EQ(Send(combo, CB_GETCURSEL), c.selected);
        EXPECT_EQ(GetFocus(), combo);
        EXPECT_EQ(Send(check, BM_GETCHECK), BST_UNCHECKED);
        EXPECT_TRUE(Notes(WM_COMMAND, BN_CLICKED).empty()) << "a key ran a button's command";
        std::vector<int> codes;
        for (const Note& n : Notes(WM_COMMAND))
            if (n.id == 700)
                codes.push_back(n.code);
        const std::vector<int> chosen{CBN_SELENDOK, CBN_SELCHANGE};
        EXPECT_EQ(codes, c.typed == 'x' ? std::vector<int>{} : chosen);
    }
}

TEST_F(RulesTest, EditLimitHoldsForTypingOnlyAndTellsWhenReached)
{
    for (DWORD style : {DWORD(ES_AUTOHSCROLL), DWORD(ES_MULTILINE)})
    {
        SCOPED_TRACE(style);
        HWND edit = Make("EDIT", "", style | WS_BORDER, 10, 10, 200, 60, 710);
        Send(edit, EM_LIMITTEXT, 5);
        SendText(edit, WM_SETTEXT, 0, "abcdefgh");
        EXPECT_EQ(Text(edit), "abcdefgh") << "WM_SETTEXT is not cut";
        SendText(edit, WM_SETTEXT, 0, "abc");
        Send(edit, EM_SETSEL, 3, 3);
        Clear();
        for (char c : std::string("xyz"))
            Send(edit, WM_CHAR, static_cast<WPARAM>(c));
        EXPECT_EQ(Text(edit), "abcxy");
        EXPECT_EQ(Notes(WM_COMMAND, EN_MAXTEXT).size(), 1u);
        EXPECT_EQ(Notes(WM_COMMAND, EN_CHANGE).size(), 2u);
        DestroyWindow(edit);
    }
}

TEST_F(RulesTest, SetTextNotifiesSingleLineEditsOnly)
{
    struct Case
    {
        DWORD style;
        size_t notes;
    } cases[] = {{ES_AUTOHSCROLL, 1}, {ES_MULTILINE | ES_WANTRETURN, 0}};
    for (const Case& c : cases)
    {
        HWND edit = Make("EDIT", "", c.style, 10, 10, 200, 60, 711);
        Clear();
        SetWindowText(edit, "new");
        EXPECT_EQ(Notes(WM_COMMAND, EN_UPDATE).size(), c.notes) << c.style;
        EXPECT_EQ(Notes(WM_COMMAND, EN_CHANGE).size(), c.notes) << c.style;
        DestroyWindow(edit);
    }
}

// The messages of list boxes and combo boxes that share a shape.
struct ListKind
{
    const char* cls;
    DWORD style;
    UINT ctlType;
    UINT add, insert, del, reset, setData, setSel, getSel, getText, selChange;
};
const ListKind kLists[] = {
    {"LISTBOX", LBS_NOTIFY, ODT_LISTBOX, LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
     LB_SETITEMDATA, LB_SETCURSEL, LB_GETCURSEL, LB_GETTEXT, LBN_SELCHANGE},
    {"COMBOBOX", CBS_DROPDOWNLIST, ODT_COMBOBOX, CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING,
     CB_RESETCONTENT, CB_SETITEMDATA, CB_SETCURSEL, CB_GETCURSEL, CB_GETLBTEXT, CBN_SELCHANGE},
};

TEST_F(RulesTest, DeletedItemsWithDataAreHandedToTheOwnerAndTakeTheSelection)
{
    std::vector<std::pair<int, ULONG_PTR>> deleted; // item, data
    UINT deletedType = 0;
    hook = [&](UINT msg, WPARAM, LPARAM lp, LRESULT* result)
    {
        if (msg != WM_DELETEITEM)
            return false;
        auto* dis = reinterpret_cast<DELETEITEMSTRUCT*>(lp);
        deleted.emplace_back(static_cast<int>(dis->itemID), dis->itemData);
        deletedType = dis->CtlType;
        *result = TRUE;
        return true;
    };
    for (const ListKind& k : kLists)
    {
        SCOPED_TRACE(k.cls);
        HWND list = Make(k.cls, "", k.style | WS_VSCROLL, 10, 10, 150, 120, 720);
        for (const char* s : {"a", "b", "c", "d", "e"})
            SendText(list, k.add, 0, s);
        Send(list, k.setData, 1, 11);
        Send(list, k.setData, 2, 12);
        Send(list, k.setData, 4, 14);
        Send(list, k.setSel, 2);
        Clear();
        deleted.clear();

        // The selected item goes: its data to the owner, no selection left.
        EXPECT_EQ(Send(list, k.del, 2), 4);
        EXPECT_EQ(deleted, (std::vector<std::pair<int, ULONG_PTR>>{{2, 12}}));
        EXPECT_EQ(deletedType, k.ctlType);
        EXPECT_EQ(Send(list, k.getSel), -1);
        // An item without data goes without a word; an insertion changes no selection.
        Send(list, k.setSel, 3);
        Send(list, k.del, 0);
        EXPECT_EQ(deleted.size(), 1u);
        EXPECT_EQ(Send(list, k.getSel), 2) << "the selected item moved up";
        SendText(list, k.insert, 0, "z");
        EXPECT_EQ(Send(list, k.getSel), 3);
        EXPECT_TRUE(Notes(WM_COMMAND, static_cast<int>(k.selChange)).empty());

        // Emptied, and destroyed: every item with data.
        deleted.clear();
        Send(list, k.reset);
        EXPECT_EQ(deleted, (std::vector<std::pair<int, ULONG_PTR>>{{1, 11}, {3, 14}}));
        SendText(list, k.add, 0, "f");
        Send(list, k.setData, 0, 21);
        deleted.clear();
        DestroyWindow(list);
        EXPECT_EQ(deleted, (std::vector<std::pair<int, ULONG_PTR>>{{0, 21}}));
    }
}

TEST_F(RulesTest, SortedListsOrderAsWindowsDoes)
{
    const char* added[] = {"beta",
                           "_under",
                           "10",
                           "Alpha",
                           "9",
                           "#hash",
                           "alpha2",
                           "\xC9"
                           "clair",
                           "eagle",
                           "coop",
                           "co-op"};
    const std::vector<std::string> expected{"#hash",
                                            "_under",
                                            "10",
                                            "9",
                                            "Alpha",
                                            "alpha2",
                                            "beta",
                                            "co-op",
                                            "coop",
                                            "eagle",
                                            "\xC9"
                                            "clair"};
    for (const ListKind& k : kLists)
    {
        SCOPED_TRACE(k.cls);
        HWND list = Make(k.cls, "", k.style | (k.ctlType == ODT_LISTBOX ? LBS_SORT : CBS_SORT), 10, 10, 150,
                         120, 730);
        for (const char* s : added)
            SendText(list, k.add, 0, s);
        std::vector<std::string> got;
        for (size_t i = 0; i < expected.size(); ++i)
        {
            char buf[64] = {};
            Send(list, k.getText, i, reinterpret_cast<LPARAM>(buf));
            got.push_back(buf);
        }
        EXPECT_EQ(got, expected);
        DestroyWindow(list);
    }
}

TEST_F(RulesTest, ControlsHaveWindowsClassNamesAndBorderedClientAreas)
{
    const std::pair<const char*, const char*> names[] = {
        {"BUTTON", "Button"},     {"edit", "Edit"},     {"LISTBOX", "ListBox"},
        {"COMBOBOX", "ComboBox"}, {"STATIC", "Static"}, {"SCROLLBAR", "ScrollBar"},
    };
    for (const auto& [asked, spelled] : names)
    {
        HWND h = Make(asked, "", 0, 10, 10, 60, 20, 740);
        char buf[32] = {};
        GetClassName(h, buf, sizeof buf);
        EXPECT_STREQ(buf, spelled);
        DestroyWindow(h);
    }
    // A bordered edit: the border is outside its client area, the widget covers the whole window.
    HWND edit = Make("EDIT", "", WS_BORDER, 10, 10, 50, 40, 741);
    RECT r;
    GetClientRect(edit, &r);
    EXPECT_EQ(r.right, 48);
    EXPECT_EQ(r.bottom, 38);
    EXPECT_EQ(W(edit)->size(), QSize(50, 40));
}

TEST_F(RulesTest, ChildFramesAndScrollBarsShowAroundTheClientArea)
{
    HWND pane = CreateWindowEx(WS_EX_CLIENTEDGE, "ControlTestParent", "", WS_CHILD | WS_VISIBLE | WS_BORDER,
                               20, 20, 200, 150, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(pane, nullptr);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
    SetScrollInfo(pane, SB_VERT, &si, TRUE);
    SetScrollInfo(pane, SB_HORZ, &si, TRUE);
    RECT c;
    GetClientRect(pane, &c);
    EXPECT_EQ(c.right, 200 - 6 - 17);
    EXPECT_EQ(c.bottom, 150 - 6 - 17);

    auto* surface = static_cast<QWidget*>(kel::ui::GetSurface(pane));
    ASSERT_NE(surface, nullptr);
    QScrollBar* vertical = nullptr;
    for (QScrollBar* sb : surface->findChildren<QScrollBar*>())
        if (sb->orientation() == Qt::Vertical && sb->isVisible())
            vertical = sb;
    ASSERT_NE(vertical, nullptr);
    EXPECT_EQ(vertical->geometry(), QRect(3 + c.right, 3, 17, c.bottom));

    // A click on the lower arrow asks the window; the thumb moves when the window says so.
    Clear();
    Click(vertical, QPoint(vertical->width() / 2, vertical->height() - 4));
    Pump();
    const auto scrolls = Notes(WM_VSCROLL, SB_LINEDOWN);
    ASSERT_FALSE(scrolls.empty());
    EXPECT_EQ(vertical->value(), 0);
    SetScrollPos(pane, SB_VERT, 7, TRUE);
    EXPECT_EQ(vertical->value(), 7);

    // What the user sees: the black border, the sunken edge, the bars (a screenshot in the temporary
    // folder to look at).
    Pump(50);
    const kel::testkit::Image shot = kel::testkit::CaptureWindow(parent);
    ASSERT_TRUE(
        kel::testkit::SavePng(shot, (std::filesystem::temp_directory_path() / "kel-frames.png").string()));
    EXPECT_EQ(shot.Pixel(20 + 100, 20), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(shot.Pixel(20 + 100, 21), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(shot.Pixel(20 + 100, 22), GetSysColor(COLOR_3DDKSHADOW));
}

} // namespace
} // namespace kel::qt::controls::test
