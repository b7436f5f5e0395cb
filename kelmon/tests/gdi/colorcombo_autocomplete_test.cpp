// The colour combo box's swatches and selection frames, and the edit that completes typed words.
#include "controls/AutoCompleteEdit.h"
#include "controls/ColorComboBox.h"

#include "testkit/Canvas.h"
#include "testkit/Image.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

constexpr int kW = 60, kH = 17;

// A 32-bit memory canvas filled with a colour no item uses.
class Canvas : public kel::testkit::Canvas
{
public:
    explicit Canvas(COLORREF fill = RGB(1, 2, 3)) : kel::testkit::Canvas(kW, kH, fill) {}
};

class ColorComboTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(
            m_parent.CreateEx(0, nullptr, "Parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
        ASSERT_TRUE(m_combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                   CRect(10, 10, 110, 200), &m_parent, 200));
    }
    void TearDown() override
    {
        m_combo.DestroyWindow();
        m_parent.DestroyWindow();
        UiTest::TearDown();
    }
    void Draw(Canvas& canvas, COLORREF colour, UINT action, UINT state)
    {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_COMBOBOX;
        dis.CtlID = 200;
        dis.itemID = 0;
        dis.itemAction = action;
        dis.itemState = state;
        dis.hwndItem = m_combo.m_hWnd;
        dis.hDC = canvas.Dc();
        dis.rcItem = RECT{0, 0, kW, kH};
        dis.itemData = colour;
        m_combo.DrawItem(&dis);
    }

    CWnd m_parent;
    CColorComboBox m_combo;
};

TEST_F(ColorComboTest, ItemsHoldTheirColoursAndSelectByColour)
{
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 128, 0), RGB(0, 0, 0), RGB(0, 128, 0)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(m_combo.AddColor(colours[i]), i);
    EXPECT_EQ(m_combo.GetCount(), 4);
    EXPECT_EQ(m_combo.GetItemData(1), colours[1]);
    EXPECT_EQ(m_combo.GetItemHeight(0), 17);

    EXPECT_EQ(m_combo.GetSelectedColor(), CLR_INVALID);
    EXPECT_EQ(m_combo.SelectColor(RGB(0, 128, 0)), 1) << "the first item of the colour";
    EXPECT_EQ(m_combo.GetCurSel(), 1);
    EXPECT_EQ(m_combo.GetSelectedColor(), RGB(0, 128, 0));
    EXPECT_EQ(m_combo.SelectColor(RGB(1, 1, 1)), CB_ERR);
    EXPECT_EQ(m_combo.GetCurSel(), 1) << "a colour not listed leaves the selection";
}

TEST_F(ColorComboTest, SwatchesAndSelectionFrames)
{
    const COLORREF background = RGB(1, 2, 3);
    struct Case
    {
        const char* what;
        COLORREF colour;
        UINT action, state;
        COLORREF inside, frame;
    } cases[] = {
        {"plain item", RGB(0, 128, 255), ODA_DRAWENTIRE, 0, RGB(0, 128, 255), RGB(0, 128, 255)},
        {"selected black: white frame", RGB(0, 0, 0), ODA_DRAWENTIRE, ODS_SELECTED, RGB(0, 0, 0),
         RGB(255, 255, 255)},
        {"selected dark: light frame", RGB(20, 40, 60), ODA_DRAWENTIRE, ODS_SELECTED, RGB(20, 40, 60),
         RGB(235, 215, 195)},
        {"selection change only: frame, no fill", RGB(0, 0, 0), ODA_SELECT, ODS_SELECTED, background,
         RGB(255, 255, 255)},
        {"deselected: own colour covers the frame", RGB(200, 10, 10), ODA_SELECT, 0, background,
         RGB(200, 10, 10)},
        {"focus change draws nothing", RGB(200, 10, 10), ODA_FOCUS, 0, background, background},
    };
    for (const Case& c : cases)
    {
        Canvas canvas(background);
        Draw(canvas, c.colour, c.action, c.state);
        EXPECT_EQ(canvas.At(kW / 2, kH / 2), c.inside) << c.what;
        for (auto [x, y] :
             {std::pair{0, 0}, std::pair{kW - 1, kH - 1}, std::pair{kW / 2, 0}, std::pair{0, kH / 2}})
            EXPECT_EQ(canvas.At(x, y), c.frame) << c.what << " at " << x << "," << y;
        EXPECT_EQ(canvas.At(1, 1), c.inside) << c.what << ": the frame is one pixel wide";
    }
}

TEST_F(ColorComboTest, FaceShowsTheSelectedSwatch)
{
    m_combo.AddColor(RGB(0, 0, 255));
    m_combo.AddColor(RGB(255, 0, 0));
    m_combo.SelectColor(RGB(255, 0, 0));
    m_parent.ShowWindow(SW_SHOW);
    ASSERT_TRUE(PumpUntil(
        [&]
        {
            const kel::testkit::Image image = kel::testkit::CaptureWindow(m_parent.m_hWnd);
            return !image.Empty() && image.CountColor(RGB(255, 0, 0), 10, 10, 110, 40) > 100;
        }))
        << "the closed combo box shows the red swatch";
    const kel::testkit::Image image = kel::testkit::CaptureWindow(m_parent.m_hWnd);
    EXPECT_EQ(image.CountColor(RGB(0, 0, 255), 10, 10, 110, 40), 0);
}

class AutoCompleteTest : public kel::testkit::UiTest
{
protected:
    static constexpr int kId = 300;
    static LRESULT CALLBACK NotifyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_NOTIFY)
        {
            const auto* nm = reinterpret_cast<const NMAUTOCOMPLETE*>(lp);
            s_notices.push_back({static_cast<int>(wp), nm->hdr.hwndFrom, static_cast<int>(nm->hdr.idFrom),
                                 nm->hdr.code, nm->szText});
            return 0;
        }
        return DefWindowProc(hwnd, msg, wp, lp);
    }
    struct Notice
    {
        int wParam;
        HWND from;
        int id;
        UINT code;
        std::string text;
    };

    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(
            m_parent.CreateEx(0, nullptr, "Parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
        ASSERT_TRUE(
            m_edit.Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, CRect(10, 10, 200, 34), &m_parent, kId));
        for (const char* w : {"Argon", "Ammonia", "argon-36", "N", "Nitrogen", "Xenon"})
            m_edit.AddWord(w);
        m_edit.AddWord(nullptr);
        s_notices.clear();
    }
    void TearDown() override
    {
        m_edit.DestroyWindow();
        if (m_hNotify)
            DestroyWindow(m_hNotify);
        m_parent.DestroyWindow();
        UiTest::TearDown();
    }
    // A key as the message loop delivers it: the key-down, then its character.
    void Type(UINT vk, char ch)
    {
        m_edit.SendMessage(WM_KEYDOWN, vk, 1);
        if (ch)
            m_edit.SendMessage(WM_CHAR, static_cast<BYTE>(ch), 1);
        m_edit.SendMessage(WM_KEYUP, vk, 0xC0000001);
    }
    void TypeText(const char* text)
    {
        for (const char* p = text; *p; ++p)
            Type(static_cast<UINT>(toupper(static_cast<unsigned char>(*p))), *p);
    }
    std::string Text() const
    {
        CString s;
        m_edit.GetWindowText(s);
        return std::string(s);
    }
    std::pair<int, int> Sel() const
    {
        int s = 0, e = 0;
        m_edit.GetSel(s, e);
        return {s, e};
    }

    static inline std::vector<Notice> s_notices;
    CWnd m_parent;
    CAutoCompleteEdit m_edit;
    HWND m_hNotify = nullptr;
};

TEST_F(AutoCompleteTest, TypedPrefixCompletesToTheFirstListedWordInItsOwnCase)
{
    EXPECT_EQ(m_edit.GetWordCount(), 5) << "one-letter words and NULL are not taken";
    TypeText("a");
    EXPECT_EQ(Text(), "Argon") << "the first word in list order";
    EXPECT_EQ(Sel(), std::make_pair(1, 5)) << "the untyped rest is selected";
    TypeText("m"); // typing over the selection
    EXPECT_EQ(Text(), "Ammonia");
    EXPECT_EQ(Sel(), std::make_pair(2, 7));
}

TEST_F(AutoCompleteTest, NoMatchAndOneLetterWordsLeaveTheText)
{
    struct Case
    {
        const char* typed;
        const char* shown;
    } cases[] = {
        {"n", "Nitrogen"},          // "N" alone is never offered
        {"argon-36x", "argon-36x"}, // longer than every word it starts like
        {"q", "q"},
    };
    for (const Case& c : cases)
    {
        m_edit.SetWindowText("");
        TypeText(c.typed);
        EXPECT_EQ(Text(), c.shown) << c.typed;
    }
}

TEST_F(AutoCompleteTest, BackspaceRemovesTheCompletionAndDoesNotCompleteAgain)
{
    TypeText("xe");
    ASSERT_EQ(Text(), "Xenon");
    Type(VK_BACK, '\b');
    EXPECT_EQ(Text(), "Xe") << "the selected tail goes";
    Type(VK_BACK, '\b');
    EXPECT_EQ(Text(), "X") << "still no completion while deleting";
    Type(VK_DELETE, 0);
    EXPECT_EQ(Text(), "X");
    TypeText("e");
    EXPECT_EQ(Text(), "Xenon") << "the next typed key completes again";
}

TEST_F(AutoCompleteTest, SuppressedCompletionTypesPlainText)
{
    m_edit.SuppressCompletion(TRUE);
    TypeText("ar");
    EXPECT_EQ(Text(), "ar");
    m_edit.SuppressCompletion(FALSE);
    m_edit.SetWindowText("");
    TypeText("ar");
    EXPECT_EQ(Text(), "Argon");
}

TEST_F(AutoCompleteTest, OwnerIsToldOfEachCompletion)
{
    WNDCLASS wc{};
    wc.lpfnWndProc = NotifyProc;
    wc.lpszClassName = "AutoCompleteNotify";
    RegisterClass(&wc);
    m_hNotify = CreateWindowEx(0, "AutoCompleteNotify", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(m_hNotify, nullptr);
    m_edit.m_hNotifyWnd = m_hNotify;
    TypeText("n");
    EXPECT_TRUE(s_notices.empty()) << "the flag is off";

    m_edit.SetWindowText("");
    m_edit.m_bNotify = 1;
    TypeText("am");
    ASSERT_FALSE(s_notices.empty());
    const Notice& last = s_notices.back();
    EXPECT_EQ(last.wParam, kId);
    EXPECT_EQ(last.from, m_edit.m_hWnd);
    EXPECT_EQ(last.id, kId);
    EXPECT_EQ(last.code, static_cast<UINT>(ACN_COMPLETED));
    EXPECT_EQ(last.text, "Ammonia");
}

} // namespace
