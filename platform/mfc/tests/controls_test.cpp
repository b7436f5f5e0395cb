#include "UiFixture.h"

#include "afxcmn.h"
#include "afxdlgs.h"
#include "testkit/ScriptedPrompts.h"

using mfctest::UiFixture;

namespace
{

class ControlsTest : public UiFixture
{
};

// The list wrappers speak the documented messages, so a control answering them serves the class.
TEST_F(ControlsTest, ListAndComboWrappersOverTheirMessages)
{
    CWnd parent;
    CreateTop(parent);
    CListBox list;
    ASSERT_TRUE(list.SubclassWindow(CreateFake(parent.m_hWnd, 30)));
    EXPECT_EQ(list.AddString("one"), 0);
    EXPECT_EQ(list.AddString("two"), 1);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.FindStringExact(-1, "TWO"), 1);
    EXPECT_EQ(list.SetCurSel(1), 1);
    CString text;
    list.GetText(list.GetCurSel(), text);
    EXPECT_STREQ(text, "two");

    CComboBox combo;
    ASSERT_TRUE(combo.SubclassWindow(CreateFake(parent.m_hWnd, 31)));
    combo.AddString("low");
    combo.AddString("high");
    EXPECT_EQ(combo.SelectString(-1, "hi"), 1);
    combo.GetLBText(combo.GetCurSel(), text);
    EXPECT_STREQ(text, "high");
}

TEST_F(ControlsTest, FileDialogAsksThePromptServiceAndSplitsThePath)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("", kel::PromptKind::FileSave).ReplyPath("/tmp/data/scan.ana");
    CFileDialog dlg(FALSE, "ana", "untitled", OFN_OVERWRITEPROMPT,
                    "Analog scans (*.ana)|*.ana|All files (*.*)|*.*||");
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_STREQ(dlg.GetPathName(), "/tmp/data/scan.ana");
    EXPECT_STREQ(dlg.GetFileName(), "scan.ana");
    EXPECT_STREQ(dlg.GetFileTitle(), "scan");
    EXPECT_STREQ(dlg.GetFileExt(), "ana");
    EXPECT_STREQ(dlg.GetFolderPath(), "/tmp/data");
    EXPECT_STREQ(dlg.m_ofn.lpstrFile, "/tmp/data/scan.ana");
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    const kel::PromptRequest r = prompts.Prompts()[0];
    EXPECT_EQ(r.filter, "Analog scans (*.ana)|*.ana|All files (*.*)|*.*||");
    EXPECT_EQ(r.defaultExt, "ana");
    EXPECT_EQ(r.fileName, "untitled");
    EXPECT_NE(r.flags & OFN_OVERWRITEPROMPT, 0u);
}

TEST_F(ControlsTest, FileDialogMultipleSelectionAndCancel)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("", kel::PromptKind::FileOpen).ReplyPaths({"/a/1.txt", "/a/2.txt"});
    prompts.Expect("", kel::PromptKind::FileOpen).Reply(IDCANCEL);
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    std::vector<std::string> names;
    for (POSITION pos = dlg.GetStartPosition(); pos != nullptr;)
        names.emplace_back(dlg.GetNextPathName(pos));
    EXPECT_EQ(names, (std::vector<std::string>{"/a/1.txt", "/a/2.txt"}));
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.GetStartPosition(), nullptr);
}

TEST_F(ControlsTest, FileDialogRefusesAPathLongerThanTheBuffer)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("", kel::PromptKind::FileOpen).ReplyPath("/" + std::string(300, 'x'));
    prompts.Expect("too long", kel::PromptKind::MessageBox).Reply(IDOK);
    CFileDialog dlg(TRUE);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(dlg.GetPathName(), "");
}

TEST_F(ControlsTest, ColorDialogReturnsTheChosenColour)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("", kel::PromptKind::Color).ReplyColor(RGB(10, 20, 30));
    CColorDialog dlg(RGB(1, 2, 3), CC_FULLOPEN);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetColor(), RGB(10, 20, 30));
    EXPECT_EQ(prompts.Prompts()[0].color, RGB(1, 2, 3));
}

TEST_F(ControlsTest, FontDialogPassesTheFontBothWays)
{
    LOGFONT initial{};
    std::strcpy(initial.lfFaceName, "Arial");
    initial.lfHeight = -16;
    initial.lfWeight = FW_BOLD;
    kel::PromptFont chosen;
    chosen.face = "Times New Roman";
    chosen.height = -13;
    chosen.weight = FW_NORMAL;
    chosen.italic = true;
    chosen.pointSize10 = 100;
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("", kel::PromptKind::Font).ReplyFont(chosen);
        CFontDialog dlg(&initial);
        ASSERT_EQ(dlg.DoModal(), IDOK);
        const kel::PromptFont request = prompts.Prompts()[0].font;
        EXPECT_EQ(request.face, "Arial");
        EXPECT_EQ(request.height, -16);
        EXPECT_EQ(request.weight, FW_BOLD);
        LOGFONT lf{};
        dlg.GetCurrentFont(&lf);
        EXPECT_STREQ(lf.lfFaceName, "Times New Roman");
        EXPECT_EQ(lf.lfHeight, -13);
        EXPECT_TRUE(dlg.IsItalic());
        EXPECT_FALSE(dlg.IsBold());
        EXPECT_EQ(dlg.GetSize(), 100);
    }
    // A face that does not fit LOGFONT is refused, not cut.
    chosen.face = std::string(40, 'x');
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("", kel::PromptKind::Font).ReplyFont(chosen);
    prompts.Expect("too long").Reply(IDOK);
    CFontDialog dlg(&initial);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(dlg.m_lf.lfFaceName, "Arial");
}

TEST_F(ControlsTest, FontDialogWithEffectsReturnsTheTextColour)
{
    LOGFONT initial{};
    std::strcpy(initial.lfFaceName, "Arial");
    kel::PromptFont chosen;
    chosen.face = "Arial";
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("", kel::PromptKind::Font).ReplyFont(chosen).ReplyColor(RGB(255, 0, 0));
    prompts.Expect("", kel::PromptKind::Font).ReplyFont(chosen).ReplyColor(RGB(255, 0, 0));

    CFontDialog effects(&initial, CF_SCREENFONTS | CF_EFFECTS);
    effects.m_cf.rgbColors = RGB(0, 0, 128);
    ASSERT_EQ(effects.DoModal(), IDOK);
    EXPECT_EQ(prompts.Prompts()[0].color, RGB(0, 0, 128));
    EXPECT_EQ(effects.GetColor(), RGB(255, 0, 0));

    CFontDialog plain(&initial, CF_SCREENFONTS);
    plain.m_cf.rgbColors = RGB(0, 0, 128);
    ASSERT_EQ(plain.DoModal(), IDOK);
    EXPECT_EQ(plain.GetColor(), RGB(0, 0, 128)) << "no effects, no colour";
}

TEST_F(ControlsTest, ImageListHandlesAreChecked)
{
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 4));
    HICON icon = ::LoadIcon(nullptr, IDI_APPLICATION);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(images.Add(icon), 0);
    EXPECT_EQ(images.Add(icon), 1);
    EXPECT_EQ(images.Replace(5, icon), -1);
    EXPECT_TRUE(images.Remove(0));
    EXPECT_EQ(images.GetImageCount(), 1);
    EXPECT_EQ(CImageList::FromHandle(images.m_hImageList), &images);
    HIMAGELIST stale = images.m_hImageList;
    EXPECT_TRUE(images.DeleteImageList());
    EXPECT_EQ(CImageList::FromHandle(stale), nullptr);
    CImageList other;
    EXPECT_FALSE(other.Attach(stale));
}

TEST_F(ControlsTest, MenuWrappersAndTemporarySubmenus)
{
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    CMenu sub;
    ASSERT_TRUE(sub.CreatePopupMenu());
    sub.AppendMenu(MF_STRING, 501, "&Start");
    ASSERT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "&Scan"));
    menu.AppendMenu(MF_STRING, 502, "&Stop");
    EXPECT_EQ(menu.GetMenuItemCount(), 2u);
    CMenu* pSub = menu.GetSubMenu(0);
    ASSERT_NE(pSub, nullptr);
    EXPECT_EQ(pSub->GetMenuItemID(0), 501u);
    CString text;
    menu.GetMenuString(502, text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Stop");
    menu.CheckMenuItem(502, MF_CHECKED);
    EXPECT_NE(menu.GetMenuState(502, MF_BYCOMMAND) & MF_CHECKED, 0u);
    // The update interface drives the same items.
    CCmdUI ui;
    ui.m_pMenu = &menu;
    ui.m_nIndex = 1;
    ui.m_nID = 502;
    ui.Enable(FALSE);
    ui.SetText("Halt");
    EXPECT_NE(menu.GetMenuState(502, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(menu.GetMenuState(502, MF_BYCOMMAND) & MF_CHECKED, 0u) << "renaming keeps the check";
    menu.GetMenuString(502, text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Halt");
}

} // namespace
