// The dialog manager without a window system: dialogs from a template, modal and modeless, the
// keyboard, dialog units, the prompt service's say over modal dialogs, and worker threads.
#include "testkit/DialogDriver.h"
#include "testkit/ScriptedPrompts.h"
#include "win32/kernel.h"
#include "win32/uidriver.h"
#include "win32/userdialog.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace
{

using kel::PromptKind;
using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

constexpr UINT IDD_SETTINGS = 100;
constexpr int IDC_VALUE = 1001;
constexpr int IDC_ENABLED = 1002;
constexpr int IDC_RED = 1003;
constexpr int IDC_GREEN = 1004;
constexpr int IDC_BLUE = 1005;
constexpr int IDC_APPLY = 1006;
constexpr int IDC_NOTES = 1007;
constexpr int IDC_LIST = 1008;
constexpr int IDC_HIDDEN = 1009;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// A settings dialog: a labelled edit, a check box, a radio group, a notes edit that takes Enter,
// a list, a hidden button, and Apply, OK (default) and Cancel.
const kel::rc::Control kControls[] = {
    {"STATIC", {"&Value:", 0}, -1, kChild | SS_LEFT, 0, 7, 9, 40, 8, 0},
    {"EDIT", {"", 0}, IDC_VALUE, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 50, 7, 60, 12, 0},
    {"BUTTON", {"&Enabled", 0}, IDC_ENABLED, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 24, 60, 10, 0},
    {"BUTTON",
     {"&Red", 0},
     IDC_RED,
     kChild | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON,
     0,
     7,
     38,
     40,
     10,
     0},
    {"BUTTON", {"&Green", 0}, IDC_GREEN, kChild | BS_AUTORADIOBUTTON, 0, 7, 50, 40, 10, 0},
    {"BUTTON", {"&Blue", 0}, IDC_BLUE, kChild | BS_AUTORADIOBUTTON, 0, 7, 62, 40, 10, 0},
    {"EDIT",
     {"", 0},
     IDC_NOTES,
     kChild | WS_GROUP | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN,
     0,
     60,
     24,
     80,
     30,
     0},
    {"LISTBOX", {"", 0}, IDC_LIST, kChild | WS_TABSTOP | LBS_NOTIFY, 0, 60, 56, 80, 30, 0},
    {"BUTTON", {"Hidden", 0}, IDC_HIDDEN, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 150, 7, 50, 14, 0},
    {"BUTTON", {"&Apply", 0}, IDC_APPLY, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 150, 24, 50, 14, 0},
    {"BUTTON", {"OK", 0}, IDOK, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 150, 62, 50, 14, 0},
    {"BUTTON", {"Cancel", 0}, IDCANCEL, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 150, 80, 50, 14, 0},
};

kel::rc::Dialog MakeTemplate(const kel::rc::Control* controls, size_t count, DWORD style = 0)
{
    kel::rc::Dialog t{};
    t.name = {nullptr, IDD_SETTINGS};
    t.style = style ? style : DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    t.x = 10;
    t.y = 10;
    t.cx = 210;
    t.cy = 100;
    t.caption = "Settings";
    t.hasFont = true;
    t.font = {8, "MS Shell Dlg", 400, 0, 1};
    t.menu = {"", 0};
    t.className = {"", 0};
    t.controls = controls;
    t.controlCount = count;
    return t;
}

const kel::rc::Dialog kSettings = MakeTemplate(kControls, std::size(kControls));

// ---- Stand-in controls: only the messages the dialog manager and the driver use --------------------

struct ControlLog
{
    std::map<HWND, std::vector<std::string>> lists;
    std::map<HWND, int> selection;
    std::vector<UINT> keysToNotes; // WM_KEYDOWNs the notes edit received
    int fontsSet = 0;
    int selectAll = 0;
    std::vector<std::string> focus; // "set <id>" / "kill <id>"
};
ControlLog* g_controls = nullptr;

LRESULT CALLBACK FakeControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
    switch (msg)
    {
    case WM_SETFONT:
        ++g_controls->fontsSet;
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        g_controls->focus.push_back((msg == WM_SETFOCUS ? "set " : "kill ") +
                                    std::to_string(GetDlgCtrlID(hwnd)));
        return 0;
    case EM_SETSEL:
        if (wParam == 0 && lParam == -1)
            ++g_controls->selectAll;
        return 0;
    case WM_KEYDOWN:
        if (GetDlgCtrlID(hwnd) == IDC_NOTES)
            g_controls->keysToNotes.push_back(static_cast<UINT>(wParam));
        return 0;
    case BM_GETCHECK:
        return reinterpret_cast<LRESULT>(GetProp(hwnd, "check"));
    case BM_SETCHECK:
        SetProp(hwnd, "check", reinterpret_cast<HANDLE>(wParam));
        return 0;
    case BM_SETSTYLE:
        SetWindowLongPtr(hwnd, GWL_STYLE, (style & ~0xFFFF) | LOWORD(wParam));
        return 0;
    case BM_CLICK:
    {
        DWORD type = static_cast<DWORD>(style) & BS_TYPEMASK;
        if (type == BS_AUTOCHECKBOX)
            SetProp(hwnd, "check", reinterpret_cast<HANDLE>(GetProp(hwnd, "check") ? 0 : 1));
        if (type == BS_AUTORADIOBUTTON)
        {
            for (HWND c = GetWindow(GetParent(hwnd), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if ((GetWindowLongPtr(c, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                    SetProp(c, "check", nullptr);
            SetProp(hwnd, "check", reinterpret_cast<HANDLE>(1));
        }
        SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                    reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    case LB_ADDSTRING:
        g_controls->lists[hwnd].push_back(reinterpret_cast<const char*>(lParam));
        return static_cast<LRESULT>(g_controls->lists[hwnd].size() - 1);
    case LB_FINDSTRINGEXACT:
    {
        auto& items = g_controls->lists[hwnd];
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == reinterpret_cast<const char*>(lParam))
                return static_cast<LRESULT>(i);
        return LB_ERR;
    }
    case LB_SETCURSEL:
        if (wParam >= g_controls->lists[hwnd].size())
            return LB_ERR;
        g_controls->selection[hwnd] = static_cast<int>(wParam);
        return static_cast<LRESULT>(wParam);
    case LB_GETCURSEL:
        return g_controls->selection.count(hwnd) ? g_controls->selection[hwnd] : LB_ERR;
    default:
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

// A control that wants Tab for itself.
LRESULT CALLBACK TabEaterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETDLGCODE)
        return DLGC_WANTTAB | DLGC_WANTCHARS;
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// ---- The dialog's procedure: records what it saw and ends on OK/Cancel -----------------------------

struct DialogLog
{
    std::vector<UINT> messages;
    LPARAM initParam = 0;
    HWND initFocus = nullptr;
    DWORD initThread = 0;
    std::vector<int> commands;
    std::string value;
    bool enabled = false;
    int colour = 0;
    int listSelection = -1;
    BOOL initResult = TRUE;
    bool endOnCommand = true; // OK and Cancel end the dialog
};
DialogLog* g_log = nullptr;

INT_PTR CALLBACK SettingsProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETFONT || msg == WM_INITDIALOG || msg == WM_COMMAND)
        g_log->messages.push_back(msg);
    switch (msg)
    {
    case WM_INITDIALOG:
        g_log->initParam = lParam;
        g_log->initFocus = reinterpret_cast<HWND>(wParam);
        g_log->initThread = GetCurrentThreadId();
        SendDlgItemMessage(hDlg, IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Argon"));
        SendDlgItemMessage(hDlg, IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Neon"));
        CheckRadioButton(hDlg, IDC_RED, IDC_BLUE, IDC_RED);
        if (!g_log->initResult)
            SetFocus(GetDlgItem(hDlg, IDC_NOTES)); // the dialog picks its own focus
        return g_log->initResult;
    case WM_COMMAND:
        g_log->commands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == IDOK)
        {
            char text[64];
            GetDlgItemText(hDlg, IDC_VALUE, text, sizeof text);
            g_log->value = text;
            g_log->enabled = IsDlgButtonChecked(hDlg, IDC_ENABLED) == BST_CHECKED;
            g_log->colour = IsDlgButtonChecked(hDlg, IDC_GREEN)  ? IDC_GREEN
                            : IsDlgButtonChecked(hDlg, IDC_BLUE) ? IDC_BLUE
                                                                 : IDC_RED;
            g_log->listSelection = static_cast<int>(SendDlgItemMessage(hDlg, IDC_LIST, LB_GETCURSEL, 0, 0));
            BOOL ok = FALSE;
            UINT n = GetDlgItemInt(hDlg, IDC_VALUE, &ok, TRUE);
            if (g_log->endOnCommand)
                EndDialog(hDlg, ok ? 100 + static_cast<INT_PTR>(n) : IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL && g_log->endOnCommand)
        {
            EndDialog(hDlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_APP:
        // A result through DWLP_MSGRESULT.
        SetWindowLongPtr(hDlg, DWLP_MSGRESULT, 4242);
        return TRUE;
    default:
        return FALSE;
    }
}

class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kel::ui::Initialize());
        g_controls = &m_controls;
        g_log = &m_log;
        for (const char* name : {"BUTTON", "EDIT", "STATIC", "LISTBOX"})
            Register(name, FakeControlProc);
        Register("TabEater", TabEaterProc);
        m_owner = CreateWindowEx(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_owner);
    }

    void TearDown() override
    {
        kel::ui::Shutdown();
        for (const char* name : {"BUTTON", "EDIT", "STATIC", "LISTBOX", "TabEater"})
            UnregisterClass(name, nullptr);
        g_controls = nullptr;
        g_log = nullptr;
    }

    static void Register(const char* name, WNDPROC proc)
    {
        WNDCLASS wc{};
        wc.lpfnWndProc = proc;
        wc.lpszClassName = name;
        ASSERT_NE(RegisterClass(&wc), 0) << name;
    }

    HWND Modeless(const kel::rc::Dialog& t = kSettings, LPARAM param = 77)
    {
        return CreateDialogIndirectParam(nullptr, &t, m_owner, SettingsProc, param);
    }

    ControlLog m_controls;
    DialogLog m_log;
    HWND m_owner = nullptr;
};

TEST_F(DialogTest, ModelessDialogIsBuiltFromTheTemplate)
{
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);

    // The font comes first, then WM_INITDIALOG with the caller's parameter and the first tab stop.
    ASSERT_GE(m_log.messages.size(), 2u);
    EXPECT_EQ(m_log.messages[0], UINT(WM_SETFONT));
    EXPECT_EQ(m_log.messages[1], UINT(WM_INITDIALOG));
    EXPECT_EQ(m_log.initParam, 77);
    EXPECT_EQ(m_log.initFocus, GetDlgItem(hDlg, IDC_VALUE));
    EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_VALUE));
    EXPECT_EQ(m_controls.selectAll, 1) << "the focused edit's text is selected";
    EXPECT_EQ(m_controls.fontsSet, int(std::size(kControls)));

    // Controls in template order, with their ids, texts and styles.
    std::vector<int> ids;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(c));
    std::vector<int> expected;
    for (const auto& c : kControls)
        expected.push_back(c.id);
    EXPECT_EQ(ids, expected);
    char text[32];
    GetDlgItemText(hDlg, IDC_ENABLED, text, sizeof text);
    EXPECT_STREQ(text, "&Enabled");
    EXPECT_TRUE(IsWindowVisible(hDlg)) << "WS_VISIBLE in the template shows a modeless dialog";
    EXPECT_EQ(GetWindowLongPtr(hDlg, DWLP_DLGPROC), reinterpret_cast<LONG_PTR>(SettingsProc));
    GetWindowText(hDlg, text, sizeof text);
    EXPECT_STREQ(text, "Settings");

    // An 8-point font gives 6x13 base units: the OK button at (150,62) 50x14.
    RECT r;
    GetWindowRect(GetDlgItem(hDlg, IDOK), &r);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 225);
    EXPECT_EQ(r.top, 101);
    EXPECT_EQ(r.right - r.left, 75);
    EXPECT_EQ(r.bottom - r.top, 23);
    GetClientRect(hDlg, &r);
    EXPECT_EQ(r.right, 315);
    EXPECT_EQ(r.bottom, 163);

    // The dialog proc's results: DWLP_MSGRESULT, and FALSE defers to the default handling.
    EXPECT_EQ(SendMessage(hDlg, WM_APP, 0, 0), 4242);
    EXPECT_EQ(SendMessage(hDlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    SetWindowLongPtr(hDlg, DWLP_USER, 99);
    EXPECT_EQ(GetWindowLongPtr(hDlg, DWLP_USER), 99);
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, EndDialogHidesAModelessDialogAndKeepsItsWindow)
{
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);
    ASSERT_TRUE(IsWindowVisible(hDlg));
    EXPECT_TRUE(EndDialog(hDlg, 9));
    EXPECT_FALSE(IsWindowVisible(hDlg));
    EXPECT_TRUE(IsWindow(hDlg)) << "the owner destroys a modeless dialog";
    EXPECT_TRUE(kel::ui::IsDialogEnded(hDlg));
    EXPECT_NE(GetDlgItem(hDlg, IDC_VALUE), nullptr);
    DestroyWindow(hDlg);
    EXPECT_FALSE(EndDialog(hDlg, 9)) << "no dialog left to end";
}

TEST_F(DialogTest, InitDialogReturningFalseKeepsTheFocusItChose)
{
    m_log.initResult = FALSE;
    m_controls.focus.clear();
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_NOTES));
    // From the owner straight to the chosen control: no other control had the focus on the way
    // (kill-focus validation would have run).
    EXPECT_EQ(m_controls.focus, (std::vector<std::string>{"kill 0", "set " + std::to_string(IDC_NOTES)}));
    EXPECT_TRUE(GetWindowLong(hDlg, GWL_STYLE) & DS_3DLOOK) << "every dialog has the 3-D look";
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, DestroyingAModelessDialogGivesTheFocusBackToItsOwner)
{
    SetFocus(m_owner);
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);
    ASSERT_EQ(GetActiveWindow(), hDlg);
    ASSERT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_VALUE));
    m_controls.focus.clear();
    DestroyWindow(hDlg);
    EXPECT_EQ(GetActiveWindow(), m_owner);
    EXPECT_EQ(GetFocus(), m_owner);
    EXPECT_EQ(m_controls.focus, (std::vector<std::string>{"kill " + std::to_string(IDC_VALUE), "set 0"}));
}

TEST_F(DialogTest, MapDialogRectRoundsWithTheDialogFont)
{
    struct Case
    {
        int baseX, baseY;
        RECT in, out;
    } cases[] = {
        {6, 13, {0, 0, 4, 8}, {0, 0, 6, 13}},
        {6, 13, {1, 1, 3, 3}, {2, 2, 5, 5}},        // 1.5 -> 2, 1.625 -> 2, 4.5 -> 5, 4.875 -> 5
        {6, 13, {-1, -3, 7, 12}, {-2, -5, 11, 20}}, // halves round away from zero
        {7, 15, {10, 10, 20, 20}, {18, 19, 35, 38}},
    };
    for (const Case& c : cases)
    {
        kel::ui::SetDialogFontMeasure(
            [&](const kel::rc::DialogFont&, kel::ui::DialogFontMetrics* m)
            {
                m->baseX = c.baseX;
                m->baseY = c.baseY;
                return true;
            });
        HWND hDlg = Modeless();
        ASSERT_TRUE(hDlg);
        RECT r = c.in;
        ASSERT_TRUE(MapDialogRect(hDlg, &r));
        EXPECT_EQ(r.left, c.out.left) << c.baseX << "x" << c.baseY;
        EXPECT_EQ(r.top, c.out.top) << c.baseX << "x" << c.baseY;
        EXPECT_EQ(r.right, c.out.right) << c.baseX << "x" << c.baseY;
        EXPECT_EQ(r.bottom, c.out.bottom) << c.baseX << "x" << c.baseY;
        DestroyWindow(hDlg);
    }
    kel::ui::SetDialogFontMeasure(nullptr);
    EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(8, 16));
}

TEST_F(DialogTest, KeyboardMovesFocusThroughTabStopsAndGroups)
{
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);
    DialogDriver d(hDlg);

    // Tab: tab stops in order, skipping the hidden button, wrapping round; Shift+Tab goes back.
    std::vector<int> order;
    for (int i = 0; i < 8; ++i)
    {
        d.Press(VK_TAB);
        order.push_back(d.FocusedId());
    }
    EXPECT_EQ(order, (std::vector<int>{IDC_ENABLED, IDC_RED, IDC_NOTES, IDC_LIST, IDC_APPLY, IDOK, IDCANCEL,
                                       IDC_VALUE}));
    SendMessage(hDlg, WM_NEXTDLGCTL, 1, 0);
    EXPECT_EQ(d.FocusedId(), IDCANCEL);

    // Arrows walk the radio group, selecting as they go, and wrap inside it.
    d.Focus(IDC_RED);
    d.Press(VK_DOWN);
    EXPECT_EQ(d.FocusedId(), IDC_GREEN);
    EXPECT_TRUE(d.IsChecked(IDC_GREEN));
    EXPECT_FALSE(d.IsChecked(IDC_RED));
    d.Press(VK_DOWN);
    d.Press(VK_DOWN);
    EXPECT_EQ(d.FocusedId(), IDC_RED);
    d.Press(VK_UP);
    EXPECT_EQ(d.FocusedId(), IDC_BLUE);

    // A control that wants Tab keeps it.
    HWND eater = CreateWindowEx(0, "TabEater", "", kChild | WS_TABSTOP, 0, 0, 10, 10, hDlg,
                                reinterpret_cast<HMENU>(2000), nullptr, nullptr);
    d.Focus(2000);
    d.Press(VK_TAB);
    EXPECT_EQ(GetFocus(), eater);

    // Mnemonics: a label passes focus to the next control, a check box is clicked.
    d.PressMnemonic('v');
    EXPECT_EQ(d.FocusedId(), IDC_VALUE);
    d.PressMnemonic('E');
    EXPECT_TRUE(d.IsChecked(IDC_ENABLED));
    EXPECT_EQ(d.FocusedId(), IDC_ENABLED);
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, EnterEscapeAndTheDefaultButton)
{
    m_log.endOnCommand = false;
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);
    DialogDriver d(hDlg);
    auto style = [&](int id) { return GetWindowLongPtr(GetDlgItem(hDlg, id), GWL_STYLE) & BS_TYPEMASK; };

    d.Press(VK_RETURN); // in the edit: the default button
    d.Press(VK_ESCAPE);
    EXPECT_EQ(m_log.commands, (std::vector<int>{IDOK, IDCANCEL}));
    m_log.commands.clear();

    // Focus on a push button makes it the default; leaving the buttons gives it back.
    d.Focus(IDC_APPLY);
    EXPECT_EQ(style(IDC_APPLY), BS_DEFPUSHBUTTON);
    EXPECT_EQ(style(IDOK), BS_PUSHBUTTON);
    d.Press(VK_RETURN);
    d.Focus(IDC_VALUE);
    EXPECT_EQ(style(IDC_APPLY), BS_PUSHBUTTON);
    EXPECT_EQ(style(IDOK), BS_DEFPUSHBUTTON);

    // A multiline edit that wants Enter gets it.
    d.Focus(IDC_NOTES);
    d.Press(VK_RETURN);
    EXPECT_EQ(m_controls.keysToNotes, std::vector<UINT>{VK_RETURN});

    // DM_SETDEFID moves the default; a disabled default button is not pressed.
    SendMessage(hDlg, DM_SETDEFID, IDC_APPLY, 0);
    EXPECT_EQ(SendMessage(hDlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_APPLY, DC_HASDEFID));
    EXPECT_EQ(style(IDC_APPLY), BS_DEFPUSHBUTTON);
    EXPECT_EQ(style(IDOK), BS_PUSHBUTTON);
    d.Focus(IDC_VALUE);
    d.Press(VK_RETURN);
    EnableWindow(GetDlgItem(hDlg, IDC_APPLY), FALSE);
    d.Press(VK_RETURN);
    EXPECT_EQ(m_log.commands, (std::vector<int>{IDC_APPLY, IDC_APPLY}));
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, DialogItemIntegers)
{
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);
    struct Case
    {
        const char* text;
        BOOL isSigned;
        BOOL translated;
        UINT value;
    } cases[] = {
        {" 42 ", TRUE, TRUE, 42},
        {"-7", TRUE, TRUE, UINT(-7)},
        {"-7", FALSE, FALSE, 0},
        {"12abc", TRUE, TRUE, 12}, // up to the first character that is no digit
        {"a12", TRUE, FALSE, 0},
        {"", TRUE, FALSE, 0},
        {"4294967295", FALSE, TRUE, 4294967295u},
        {"4294967296", FALSE, FALSE, 0},
        {"2147483647", TRUE, TRUE, 2147483647u},
        {"2147483648", TRUE, FALSE, 0},
        {"-2147483648", TRUE, TRUE, 0x80000000u},
    };
    for (const Case& c : cases)
    {
        SetDlgItemText(hDlg, IDC_VALUE, c.text);
        BOOL translated = -1;
        EXPECT_EQ(GetDlgItemInt(hDlg, IDC_VALUE, &translated, c.isSigned), c.value) << '"' << c.text << '"';
        EXPECT_EQ(translated, c.translated) << '"' << c.text << '"';
    }
    SetDlgItemInt(hDlg, IDC_VALUE, UINT(-12), TRUE);
    DialogDriver d(hDlg);
    EXPECT_EQ(d.GetText(IDC_VALUE), "-12");
    SetDlgItemInt(hDlg, IDC_VALUE, UINT(-12), FALSE);
    EXPECT_EQ(d.GetText(IDC_VALUE), "4294967284");
    BOOL translated = TRUE;
    EXPECT_EQ(GetDlgItemInt(hDlg, 4711, &translated, TRUE), 0u);
    EXPECT_FALSE(translated);
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, ResponderDrivesTheModalDialogToItsResult)
{
    ScriptedPrompts prompts;
    BOOL ownerEnabledInside = TRUE;
    prompts.Expect(IDD_SETTINGS)
        .Drive(
            [&](DialogDriver& d)
            {
                ownerEnabledInside = IsWindowEnabled(m_owner);
                EXPECT_EQ(d.FocusedId(), IDC_VALUE);
                d.SetText(IDC_VALUE, "5");
                d.Check(IDC_ENABLED);
                d.Check(IDC_BLUE);
                d.Select(IDC_LIST, "Neon");
                d.Click(IDOK);
            });
    INT_PTR result = DialogBoxIndirectParam(nullptr, &kSettings, m_owner, SettingsProc, 5);
    EXPECT_EQ(result, 105);
    EXPECT_EQ(m_log.value, "5");
    EXPECT_TRUE(m_log.enabled);
    EXPECT_EQ(m_log.colour, IDC_BLUE);
    EXPECT_EQ(m_log.listSelection, 1);
    EXPECT_FALSE(ownerEnabledInside) << "the owner is disabled while the dialog runs";
    EXPECT_TRUE(IsWindowEnabled(m_owner));
    auto seen = prompts.Prompts();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].templateId, IDD_SETTINGS);
    EXPECT_EQ(seen[0].caption, "Settings");
}

TEST_F(DialogTest, ResponderAnswersWithoutRunningTheDialog)
{
    ScriptedPrompts prompts;
    prompts.Expect(IDD_SETTINGS).Reply(IDCANCEL);
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kSettings, m_owner, SettingsProc, 0), IDCANCEL);
    EXPECT_TRUE(m_log.messages.empty());
}

TEST_F(DialogTest, EndDialogResultsAndClosing)
{
    for (INT_PTR value : {INT_PTR(0), INT_PTR(-5), INT_PTR(7), INT_PTR(0x7FFFFFFFFFFF)})
    {
        ScriptedPrompts prompts;
        prompts.Expect(IDD_SETTINGS).Drive([&](DialogDriver& d) { EndDialog(d.Dialog(), value); });
        EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kSettings, m_owner, SettingsProc, 0), value);
    }
    // Closing is cancelling.
    ScriptedPrompts prompts;
    prompts.Expect(IDD_SETTINGS).Drive([](DialogDriver& d) { SendMessage(d.Dialog(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kSettings, m_owner, SettingsProc, 0), IDCANCEL);
    EXPECT_EQ(m_log.commands.back(), IDCANCEL);
}

TEST_F(DialogTest, ScriptThatLeavesTheDialogOpenFailsAndCancels)
{
    auto run = [this]
    {
        ScriptedPrompts prompts;
        prompts.Expect(IDD_SETTINGS).Drive([](DialogDriver& d) { d.SetText(IDC_VALUE, "1"); });
        return DialogBoxIndirectParam(nullptr, &kSettings, m_owner, SettingsProc, 0);
    };
    INT_PTR result = 0;
    testing::internal::CaptureStderr();
    EXPECT_NONFATAL_FAILURE(result = run(), "left the dialog open");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("dialog 100: still open"), std::string::npos);
    EXPECT_EQ(result, IDCANCEL);
}

// The owner hears when the dialog's queue is idle.
LRESULT CALLBACK IdleOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ENTERIDLE)
    {
        EndDialog(reinterpret_cast<HWND>(lParam), 31);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

TEST_F(DialogTest, ModalLoopTellsTheOwnerWhenIdle)
{
    Register("IdleOwner", IdleOwnerProc);
    HWND owner = CreateWindowEx(0, "IdleOwner", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
    ScriptedPrompts prompts;
    prompts.Expect(IDD_SETTINGS).Run();
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kSettings, owner, SettingsProc, 0), 31);
    DestroyWindow(owner);
    UnregisterClass("IdleOwner", nullptr);
}

TEST_F(DialogTest, UnregisteredControlClassFailsWithAMessage)
{
    const kel::rc::Control controls[] = {
        {"NoSuchClass", {"", 0}, 3001, kChild, 0, 0, 0, 10, 10, 0},
    };
    kel::rc::Dialog t = MakeTemplate(controls, std::size(controls));
    testing::internal::CaptureStderr();
    HWND hDlg = CreateDialogIndirectParam(nullptr, &t, m_owner, SettingsProc, 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(hDlg, nullptr);
    EXPECT_NE(err.find("dialog 100"), std::string::npos) << err;
    EXPECT_NE(err.find("\"NoSuchClass\""), std::string::npos) << err;

    ScriptedPrompts prompts;
    prompts.Expect(IDD_SETTINGS).Run();
    testing::internal::CaptureStderr();
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &t, m_owner, SettingsProc, 0), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(IsWindowEnabled(m_owner));
}

TEST_F(DialogTest, PageDialogJoinsItsParentsTabOrder)
{
    const kel::rc::Control pageControls[] = {
        {"EDIT", {"", 0}, 3001, kChild | WS_TABSTOP, 0, 0, 0, 40, 12, 0},
        {"EDIT", {"", 0}, 3002, kChild | WS_TABSTOP, 0, 0, 20, 40, 12, 0},
    };
    kel::rc::Dialog page = MakeTemplate(pageControls, std::size(pageControls),
                                        DS_CONTROL | DS_SETFONT | WS_CHILD | WS_VISIBLE | WS_CAPTION);
    HWND hDlg = Modeless();
    ASSERT_TRUE(hDlg);
    HWND hPage = CreateDialogIndirectParam(nullptr, &page, hDlg, nullptr, 0);
    ASSERT_TRUE(hPage);
    EXPECT_TRUE(GetWindowLongPtr(hPage, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_FALSE(GetWindowLongPtr(hPage, GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(GetParent(hPage), hDlg);
    HWND cancel = GetDlgItem(hDlg, IDCANCEL);
    EXPECT_EQ(GetNextDlgTabItem(hDlg, cancel, FALSE), GetDlgItem(hPage, 3001));
    EXPECT_EQ(GetNextDlgTabItem(hDlg, GetDlgItem(hPage, 3002), FALSE), GetDlgItem(hDlg, IDC_VALUE));
    DestroyWindow(hDlg);
}

DWORD WINAPI WorkerDialog(LPVOID param)
{
    auto* result = static_cast<std::atomic<INT_PTR>*>(param);
    *result = DialogBoxIndirectParam(nullptr, &kSettings, nullptr, SettingsProc, 9);
    return 0;
}

TEST_F(DialogTest, WorkersDialogRunsOnTheUserInterfaceThreadWhileItWaits)
{
    ScriptedPrompts prompts;
    prompts.Expect(IDD_SETTINGS)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_VALUE, "12");
                d.Press(VK_RETURN);
            });
    std::atomic<INT_PTR> result{0};
    HANDLE thread = CreateThread(nullptr, 0, WorkerDialog, &result, 0, nullptr);
    ASSERT_TRUE(thread);
    // A plain wait on the user-interface thread still shows the worker's dialog.
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(result.load(), 112);
    EXPECT_EQ(m_log.initThread, GetCurrentThreadId());
    EXPECT_EQ(m_log.initParam, 9);
}

// A worker's SendMessage to a window of the user-interface thread is served while that thread
// sits in a modal dialog's loop: the owner ends the dialog from the sent message.
struct ModalSendState
{
    HWND owner = nullptr;
    HWND dialog = nullptr;
    HANDLE worker = nullptr;
    std::atomic<LRESULT> reply{0};
    DWORD servedOn = 0;
};
ModalSendState* g_modalSend = nullptr;

DWORD WINAPI SendFromWorker(LPVOID)
{
    g_modalSend->reply = SendMessage(g_modalSend->owner, WM_APP + 1, 0, 0);
    return 0;
}

LRESULT CALLBACK ModalSendOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ENTERIDLE && g_modalSend->worker == nullptr)
    {
        g_modalSend->dialog = reinterpret_cast<HWND>(lParam);
        g_modalSend->worker = CreateThread(nullptr, 0, SendFromWorker, nullptr, 0, nullptr);
        return 0;
    }
    if (msg == WM_APP + 1)
    {
        g_modalSend->servedOn = GetCurrentThreadId();
        EndDialog(g_modalSend->dialog, 55);
        return 42;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

TEST_F(DialogTest, WorkersSendIsServedWhileTheModalLoopRuns)
{
    ModalSendState state;
    g_modalSend = &state;
    Register("ModalSendOwner", ModalSendOwnerProc);
    state.owner = CreateWindowEx(0, "ModalSendOwner", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(state.owner);
    {
        ScriptedPrompts prompts;
        prompts.Expect(IDD_SETTINGS).Run();
        EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kSettings, state.owner, SettingsProc, 0), 55);
    }
    ASSERT_TRUE(state.worker);
    EXPECT_EQ(WaitForSingleObject(state.worker, 10000), WAIT_OBJECT_0);
    CloseHandle(state.worker);
    EXPECT_EQ(state.reply.load(), 42);
    EXPECT_EQ(state.servedOn, GetCurrentThreadId());
    DestroyWindow(state.owner);
    UnregisterClass("ModalSendOwner", nullptr);
    g_modalSend = nullptr;
}

} // namespace
