// Buttons, statics and edits as the program drives them: user clicks, radio groups, owner-draw,
// typing through the window's procedure chain.
#include "control_fixture.h"

namespace kel::qt::controls::test
{
namespace
{

using ButtonTest = ControlTest;
using EditTest = ControlTest;

TEST_F(ButtonTest, UserClickSendsClickedAndBmClickDoesTooButNotWhenDisabled)
{
    HWND b = Make("BUTTON", "&OK", BS_PUSHBUTTON, 10, 10, 80, 24, IDOK);
    Click(W(b));
    Pump();
    ASSERT_EQ(Notes(WM_COMMAND, BN_CLICKED).size(), 1u);
    EXPECT_EQ(Notes(WM_COMMAND, BN_CLICKED)[0].id, IDOK);
    EXPECT_EQ(Notes(WM_COMMAND, BN_CLICKED)[0].from, b);

    SendMessage(b, BM_CLICK, 0, 0);
    EXPECT_EQ(Notes(WM_COMMAND, BN_CLICKED).size(), 2u);
    EnableWindow(b, FALSE);
    SendMessage(b, BM_CLICK, 0, 0);
    EXPECT_EQ(Notes(WM_COMMAND, BN_CLICKED).size(), 2u);
}

TEST_F(ButtonTest, CheckKindsFollowWindowsRules)
{
    struct Case
    {
        DWORD style;
        std::vector<int> afterClicks; // BM_GETCHECK after each click
    };
    const Case cases[] = {
        {BS_AUTOCHECKBOX, {BST_CHECKED, BST_UNCHECKED}},
        {BS_CHECKBOX, {BST_UNCHECKED, BST_UNCHECKED}}, // the owner checks it
        {BS_AUTO3STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
    };
    int id = 100;
    for (const Case& c : cases)
    {
        HWND h = Make("BUTTON", "Check", c.style, 10, 40, 120, 20, ++id);
        for (size_t i = 0; i < c.afterClicks.size(); ++i)
        {
            Click(W(h), QPoint(5, 10));
            Pump();
            EXPECT_EQ(SendMessage(h, BM_GETCHECK, 0, 0), c.afterClicks[i])
                << "style " << c.style << " click " << i;
        }
        EXPECT_EQ(Notes(WM_COMMAND, BN_CLICKED).size(), c.afterClicks.size());
        Clear();
        SendMessage(h, BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_EQ(SendMessage(h, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_TRUE(Notes(WM_COMMAND).empty()) << "BM_SETCHECK notifies nobody";
        DestroyWindow(h);
    }
}

TEST_F(ButtonTest, AutoRadioUnchecksOnlyItsOwnGroup)
{
    HWND a1 = Make("BUTTON", "A1", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 80, 20, 201);
    HWND a2 = Make("BUTTON", "A2", BS_AUTORADIOBUTTON, 10, 30, 80, 20, 202);
    HWND a3 = Make("BUTTON", "A3", BS_AUTORADIOBUTTON, 10, 50, 80, 20, 203);
    HWND b1 = Make("BUTTON", "B1", BS_AUTORADIOBUTTON | WS_GROUP, 10, 80, 80, 20, 204);
    SendMessage(a1, BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(b1, BM_SETCHECK, BST_CHECKED, 0);

    Click(W(a3), QPoint(5, 10));
    Pump();
    EXPECT_EQ(SendMessage(a1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(a2, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(a3, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(b1, BM_GETCHECK, 0, 0), BST_CHECKED) << "another group";
    EXPECT_EQ(Notes(WM_COMMAND, BN_CLICKED).at(0).id, 203);
    EXPECT_EQ(SendMessage(a3, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_RADIOBUTTON);
}

TEST_F(ButtonTest, OwnerDrawButtonIsDrawnByItsParentWithItsState)
{
    HWND b = Make("BUTTON", "", BS_OWNERDRAW, 10, 10, 60, 30, 300);
    W(b)->repaint();
    auto draws = Notes(WM_DRAWITEM);
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws.back().code, ODT_BUTTON);
    EXPECT_EQ(draws.back().id, 300);
    EXPECT_EQ(draws.back().c, ODA_DRAWENTIRE);
    EXPECT_EQ(draws.back().b & ODS_SELECTED, 0);
    EXPECT_EQ(draws.back().d, 30);

    SendMessage(b, BM_SETSTATE, TRUE, 0);
    Clear();
    W(b)->repaint();
    ASSERT_FALSE(Notes(WM_DRAWITEM).empty());
    EXPECT_NE(Notes(WM_DRAWITEM).back().b & ODS_SELECTED, 0);
    EXPECT_NE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
}

TEST_F(ButtonTest, OwnerDrawButtonTellsItsParentOfEachPressAndRelease)
{
    HWND b = Make("BUTTON", "", BS_OWNERDRAW, 10, 10, 60, 30, 301);
    auto selects = [&]
    {
        std::vector<int> states;
        for (const Note& n : Notes(WM_DRAWITEM))
            if (n.c == ODA_SELECT)
                states.push_back(n.b & ODS_SELECTED);
        return states;
    };
    Clear();
    Click(W(b));
    EXPECT_EQ(selects(), (std::vector<int>{ODS_SELECTED, 0}));
    Clear();
    W(b)->setFocus();
    Key(W(b), Qt::Key_Space, Qt::NoModifier, " ");
    Pump();
    EXPECT_EQ(selects(), (std::vector<int>{ODS_SELECTED, 0}));
}

TEST_F(ButtonTest, DefaultButtonAnswersTheDialogManager)
{
    HWND ok = Make("BUTTON", "OK", BS_DEFPUSHBUTTON, 10, 10, 80, 24, IDOK);
    HWND cancel = Make("BUTTON", "Cancel", BS_PUSHBUTTON, 100, 10, 80, 24, IDCANCEL);
    EXPECT_EQ(SendMessage(ok, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(SendMessage(cancel, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    SendMessage(ok, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessage(cancel, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(SendMessage(ok, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(SendMessage(cancel, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongPtr(cancel, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST_F(ButtonTest, StaticWithNotifyReportsClicks)
{
    HWND s = Make("STATIC", "Click &me", SS_LEFT | SS_NOTIFY, 10, 10, 100, 16, 400);
    HWND quiet = Make("STATIC", "Plain", SS_LEFT, 10, 40, 100, 16, 401);
    Click(W(s));
    Click(W(quiet));
    Pump();
    ASSERT_EQ(Notes(WM_COMMAND, STN_CLICKED).size(), 1u);
    EXPECT_EQ(Notes(WM_COMMAND, STN_CLICKED)[0].id, 400);
    char buf[32];
    GetWindowText(s, buf, sizeof buf);
    EXPECT_STREQ(buf, "Click &me");
}

// ---- Edits

WNDPROC g_editBase = nullptr;

// A subclass that lets only digits and Backspace through, as the program's numeric fields do.
LRESULT CALLBACK DigitsOnly(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CHAR && !(wp >= '0' && wp <= '9') && wp != VK_BACK)
        return 0;
    return CallWindowProc(g_editBase, hwnd, msg, wp, lp);
}

std::string Text(HWND h)
{
    char buf[256] = {};
    GetWindowText(h, buf, sizeof buf);
    return buf;
}

TEST_F(EditTest, TypingChangesTextAndSendsChangeAfterUpdate)
{
    HWND e = Make("EDIT", "", ES_AUTOHSCROLL | WS_BORDER, 10, 10, 120, 22, 500);
    SetFocus(e);
    Pump();
    EXPECT_FALSE(Notes(WM_COMMAND, EN_SETFOCUS).empty());
    Clear();
    Type(Focus(), "ab1");
    Pump();
    EXPECT_EQ(Text(e), "ab1");
    EXPECT_EQ(Notes(WM_COMMAND, EN_CHANGE).size(), 3u);
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes[0].code, EN_UPDATE);
    EXPECT_EQ(notes[1].code, EN_CHANGE);
    EXPECT_TRUE(SendMessage(e, EM_GETMODIFY, 0, 0));

    Key(Focus(), Qt::Key_Backspace);
    Pump();
    EXPECT_EQ(Text(e), "ab");
}

TEST_F(EditTest, SubclassFiltersCharactersBeforeTheEditSeesThem)
{
    HWND e = Make("EDIT", "", ES_AUTOHSCROLL, 10, 10, 120, 22, 501);
    g_editBase =
        reinterpret_cast<WNDPROC>(SetWindowLongPtr(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DigitsOnly)));
    SetFocus(e);
    Pump();
    Type(Focus(), "1x2-3");
    Pump();
    EXPECT_EQ(Text(e), "123");
    Key(Focus(), Qt::Key_Left);
    Type(Focus(), "9");
    Pump();
    EXPECT_EQ(Text(e), "1293") << "navigation keys still reach the edit";
}

TEST_F(EditTest, SetTextNotifiesAndClearsModify)
{
    HWND e = Make("EDIT", "start", ES_AUTOHSCROLL, 10, 10, 120, 22, 502);
    EXPECT_TRUE(Notes(WM_COMMAND, EN_CHANGE).empty()) << "creation text is no change";
    SendMessage(e, EM_SETMODIFY, TRUE, 0);
    SetWindowText(e, "caf\xE9");
    EXPECT_EQ(Notes(WM_COMMAND, EN_CHANGE).size(), 1u);
    EXPECT_FALSE(SendMessage(e, EM_GETMODIFY, 0, 0));
    EXPECT_EQ(Text(e), "caf\xE9") << "cp1252 round trip";
    EXPECT_EQ(GetWindowTextLength(e), 4);
}

TEST_F(EditTest, LimitSelectionAndReplace)
{
    HWND e = Make("EDIT", "", ES_AUTOHSCROLL, 10, 10, 120, 22, 503);
    SendMessage(e, EM_LIMITTEXT, 4, 0);
    for (char c : std::string("abcdef"))
        SendMessage(e, WM_CHAR, static_cast<unsigned char>(c), 0);
    EXPECT_EQ(Text(e), "abcd");
    EXPECT_EQ(Notes(WM_COMMAND, EN_MAXTEXT).size(), 2u);

    SendMessage(e, EM_SETSEL, 1, 3);
    DWORD s = 0, en = 0;
    SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&en));
    EXPECT_EQ(s, 1u);
    EXPECT_EQ(en, 3u);
    SendMessage(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("XY"));
    EXPECT_EQ(Text(e), "aXYd");
    EXPECT_TRUE(SendMessage(e, EM_CANUNDO, 0, 0));
    SendMessage(e, EM_UNDO, 0, 0);
    EXPECT_EQ(Text(e), "abcd");
}

TEST_F(EditTest, NumberAndCaseStyles)
{
    struct Case
    {
        DWORD style;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {ES_NUMBER, "1a2", "12"},
        {ES_UPPERCASE, "abC", "ABC"},
        {ES_LOWERCASE, "AbC", "abc"},
        {ES_READONLY, "abc", ""},
    };
    int id = 510;
    for (const Case& c : cases)
    {
        HWND e = Make("EDIT", "", c.style | ES_AUTOHSCROLL, 10, 10, 120, 22, ++id);
        for (const char* p = c.typed; *p; ++p)
            SendMessage(e, WM_CHAR, static_cast<unsigned char>(*p), 0);
        EXPECT_EQ(Text(e), c.expected) << "style " << c.style;
        DestroyWindow(e);
    }
}

TEST_F(EditTest, MultiLineCountsLineBreaksAsTwoCharacters)
{
    HWND e = Make("EDIT", "", ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, 10, 10, 200, 80, 520);
    SetWindowText(e, "one\r\ntwo\r\nthree");
    EXPECT_EQ(Text(e), "one\r\ntwo\r\nthree");
    EXPECT_EQ(SendMessage(e, EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 1, 0), 5);
    EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 2, 0), 10);
    EXPECT_EQ(SendMessage(e, EM_LINELENGTH, 10, 0), 5);
    EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 3, 0), -1);
    char line[16] = {};
    *reinterpret_cast<WORD*>(line) = sizeof line;
    EXPECT_EQ(SendMessage(e, EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 3);
    EXPECT_EQ(std::string(line, 3), "two");

    SendMessage(e, EM_SETSEL, 5, 8);
    SendMessage(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("2\r\n2"));
    EXPECT_EQ(Text(e), "one\r\n2\r\n2\r\nthree");
    EXPECT_EQ(SendMessage(e, EM_GETLINECOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessage(e, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
}

// Disabled controls draw grey text whatever colour the parent's WM_CTLCOLOR* answer chose, whether
// they were disabled before their first paint (as a dialog does while it starts) or once on screen.
TEST_F(ButtonTest, DisabledControlsDrawGreyTextThoughTheParentSetsAColour)
{
    hook = [](UINT msg, WPARAM wp, LPARAM, LRESULT* r)
    {
        if (msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN)
            return false;
        SetTextColor(reinterpret_cast<HDC>(wp), RGB(0, 0, 0));
        *r = reinterpret_cast<LRESULT>(GetSysColorBrush(msg == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE));
        return true;
    };
    const COLORREF g = GetSysColor(COLOR_GRAYTEXT);
    const QColor grey(GetRValue(g), GetGValue(g), GetBValue(g));
    for (bool beforeShown : {true, false})
    {
        HWND edit = Make("EDIT", "90", WS_BORDER | ES_NUMBER, 10, 10, 80, 20, 200);
        HWND radio = Make("BUTTON", "Seconds", BS_AUTORADIOBUTTON, 10, 40, 100, 20, 201);
        if (!beforeShown)
            Pump(20);
        EnableWindow(edit, FALSE);
        EnableWindow(radio, FALSE);
        Pump(20);
        for (HWND h : {edit, radio})
        {
            EXPECT_FALSE(IsWindowEnabled(h));
            ASSERT_NE(W(h), nullptr);
            EXPECT_FALSE(W(h)->isEnabled()) << "before shown " << beforeShown;
            const QPalette pal = W(h)->palette();
            EXPECT_EQ(pal.color(QPalette::Active, QPalette::Text), QColor(Qt::black));
            for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                EXPECT_EQ(pal.color(QPalette::Disabled, role), grey) << "before shown " << beforeShown;
        }
        DestroyWindow(edit);
        DestroyWindow(radio);
    }
}

} // namespace
} // namespace kel::qt::controls::test
