#include "UiFixture.h"

#include "testkit/ScriptedPrompts.h"

#include <string>

using mfctest::FakeLastSel;
using mfctest::UiFixture;

namespace
{

enum
{
    IDC_COUNT = 10,
    IDC_GAIN,
    IDC_NAME,
    IDC_CHECK,
    IDC_RADIO1,
    IDC_RADIO2,
    IDC_RADIO3,
    IDC_AFTER,
    IDC_LIST,
    IDC_COMBO
};

// A form of controls exchanging with members, as a dialog would.
class CForm : public CWnd
{
public:
    int m_count = 5;
    double m_gain = 0.25;
    CString m_name = "head";
    int m_check = 1;
    int m_radio = 2;
    CString m_list = "Beta";
    int m_combo = 1;

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_COUNT, m_count);
        DDV_MinMaxInt(pDX, m_count, 1, 10);
        DDX_Text(pDX, IDC_GAIN, m_gain);
        DDV_MinMaxDouble(pDX, m_gain, 0.0, 1.0);
        DDX_Text(pDX, IDC_NAME, m_name);
        DDV_MaxChars(pDX, m_name, 8);
        DDX_Check(pDX, IDC_CHECK, m_check);
        DDX_Radio(pDX, IDC_RADIO1, m_radio);
        DDX_LBString(pDX, IDC_LIST, m_list);
        DDX_CBIndex(pDX, IDC_COMBO, m_combo);
    }
};

class DdxTest : public UiFixture
{
protected:
    void SetUp() override
    {
        UiFixture::SetUp();
        CreateTop(form);
        for (int id : {IDC_COUNT, IDC_GAIN, IDC_NAME, IDC_CHECK})
            CreateFake(form.m_hWnd, id);
        CreateFake(form.m_hWnd, IDC_RADIO1, BS_AUTORADIOBUTTON | WS_GROUP);
        CreateFake(form.m_hWnd, IDC_RADIO2, BS_AUTORADIOBUTTON);
        CreateFake(form.m_hWnd, IDC_RADIO3, BS_AUTORADIOBUTTON);
        CreateFake(form.m_hWnd, IDC_AFTER, BS_AUTORADIOBUTTON | WS_GROUP);
        for (int id : {IDC_LIST, IDC_COMBO})
        {
            CreateFake(form.m_hWnd, id, WS_GROUP);
            for (const char* item : {"Alpha", "Beta", "Gamma"})
                form.SendDlgItemMessage(id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
    }

    CString Text(int id)
    {
        CString text;
        form.GetDlgItemText(id, text);
        return text;
    }

    CForm form;
};

TEST_F(DdxTest, LoadThenSaveRoundTripsEveryKind)
{
    ASSERT_TRUE(form.UpdateData(FALSE));
    EXPECT_STREQ(Text(IDC_COUNT), "5");
    EXPECT_STREQ(Text(IDC_GAIN), "0.25");
    EXPECT_STREQ(Text(IDC_NAME), "head");
    EXPECT_EQ(form.IsDlgButtonChecked(IDC_CHECK), 1u);
    EXPECT_EQ(form.GetCheckedRadioButton(IDC_RADIO1, IDC_AFTER), IDC_RADIO3);
    EXPECT_EQ(form.SendDlgItemMessage(IDC_LIST, LB_GETCURSEL), 1);
    EXPECT_EQ(form.SendDlgItemMessage(IDC_COMBO, CB_GETCURSEL), 1);

    form.SetDlgItemText(IDC_COUNT, " 7 ");
    form.SetDlgItemText(IDC_GAIN, "1e-3");
    form.SetDlgItemText(IDC_NAME, "probe");
    form.CheckDlgButton(IDC_CHECK, 0);
    form.CheckRadioButton(IDC_RADIO1, IDC_RADIO3, IDC_RADIO1);
    form.CheckDlgButton(IDC_AFTER, 1); // another group: not part of the radio value
    form.SendDlgItemMessage(IDC_LIST, LB_SETCURSEL, 2);
    form.SendDlgItemMessage(IDC_COMBO, CB_SETCURSEL, 0);
    ASSERT_TRUE(form.UpdateData(TRUE));
    EXPECT_EQ(form.m_count, 7);
    EXPECT_DOUBLE_EQ(form.m_gain, 0.001);
    EXPECT_STREQ(form.m_name, "probe");
    EXPECT_EQ(form.m_check, 0);
    EXPECT_EQ(form.m_radio, 0);
    EXPECT_STREQ(form.m_list, "Gamma");
    EXPECT_EQ(form.m_combo, 0);
}

TEST_F(DdxTest, BadValueIsToldAndLeavesTheFocusOnItsField)
{
    struct Case
    {
        int id;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {IDC_COUNT, "12a", "Please enter an integer."},
        {IDC_COUNT, "99999999999", "Please enter an integer."},
        {IDC_COUNT, "", "Please enter an integer."},
        {IDC_COUNT, "42", "Please enter an integer between 1 and 10."},
        {IDC_GAIN, "2,5", "Please enter a number."},
        {IDC_GAIN, "1e400", "Please enter a number."},
        {IDC_GAIN, "1.5", "Please enter a number between 0 and 1."},
        {IDC_NAME, "far too long", "Enter no more than 8 characters."},
    };
    for (const Case& c : cases)
    {
        form.m_count = 5;
        form.m_gain = 0.25;
        form.m_name = "head";
        ASSERT_TRUE(form.UpdateData(FALSE));
        form.SetDlgItemText(IDC_NAME, "renamed");
        form.SetDlgItemText(c.id, c.text);
        kel::testkit::ScriptedPrompts prompts;
        auto& box = prompts.Expect(c.message, kel::PromptKind::MessageBox).Reply(IDOK);
        FakeLastSel() = {};
        EXPECT_FALSE(form.UpdateData(TRUE)) << c.text;
        EXPECT_EQ(box.Calls(), 1) << c.text;
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(form.m_hWnd, c.id)) << c.text;
        EXPECT_EQ(FakeLastSel(), std::make_pair(WPARAM(0), LPARAM(-1))) << "text selected for " << c.text;
        if (c.id != IDC_NAME)
        {
            EXPECT_STREQ(form.m_name, "head") << "fields after the failing one are not stored";
        }
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_NE(prompts.Prompts()[0].flags & MB_ICONEXCLAMATION, 0u);
    }
}

// Numbers are written as the framework always wrote them: %.*g with 6 digits for float and 15
// for double, whatever the user's locale.
TEST_F(DdxTest, FloatingPointTextFormat)
{
    struct FloatForm : CWnd
    {
        float f = 0;
        double d = 0;
        void DoDataExchange(CDataExchange* pDX) override
        {
            DDX_Text(pDX, IDC_COUNT, f);
            DDX_Text(pDX, IDC_GAIN, d);
        }
    } numbers;
    CreateTop(numbers);
    CreateFake(numbers.m_hWnd, IDC_COUNT);
    CreateFake(numbers.m_hWnd, IDC_GAIN);
    struct Case
    {
        double value;
        const char* asFloat;
        const char* asDouble;
    };
    const Case cases[] = {
        {0.1, "0.1", "0.1"},
        {1.0 / 3.0, "0.333333", "0.333333333333333"},
        {123456789.0, "1.23457e+08", "123456789"},
        {1e-5, "1e-05", "1e-05"},
        {-2.5e20, "-2.5e+20", "-2.5e+20"},
        {0.0, "0", "0"},
    };
    for (const Case& c : cases)
    {
        numbers.f = static_cast<float>(c.value);
        numbers.d = c.value;
        ASSERT_TRUE(numbers.UpdateData(FALSE));
        CString f, d;
        numbers.GetDlgItemText(IDC_COUNT, f);
        numbers.GetDlgItemText(IDC_GAIN, d);
        EXPECT_STREQ(f, c.asFloat);
        EXPECT_STREQ(d, c.asDouble);
        // What was written reads back to the value shown.
        ASSERT_TRUE(numbers.UpdateData(TRUE));
        EXPECT_FLOAT_EQ(numbers.f, std::stof(c.asFloat));
        EXPECT_DOUBLE_EQ(numbers.d, std::stod(c.asDouble));
    }
}

TEST_F(DdxTest, MissingControlIsReportedNotIgnored)
{
    struct Broken : CWnd
    {
        int v = 0;
        void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 999, v); }
    } broken;
    CreateTop(broken);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("", kel::PromptKind::MessageBox).Reply(IDOK);
    EXPECT_FALSE(broken.UpdateData(TRUE));
}

TEST_F(DdxTest, ControlIsSubclassedOnce)
{
    struct WithControl : CWnd
    {
        CButton check;
        void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_CHECK, check); }
    } dlg;
    CreateTop(dlg);
    HWND hCheck = CreateFake(dlg.m_hWnd, IDC_CHECK);
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(dlg.check.m_hWnd, hCheck);
    EXPECT_EQ(CWnd::FromHandlePermanent(hCheck), &dlg.check);
    dlg.check.SetCheck(BST_CHECKED);
    EXPECT_EQ(dlg.check.GetCheck(), BST_CHECKED);
}

} // namespace
