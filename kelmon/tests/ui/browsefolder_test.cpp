// The save-as-files folder dialog, driven as a user would, in a temporary folder.
#include "dialogs/BrowseFolderDlg.h"
#include "foundation/AppUiState.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;
using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

class BrowseFolderTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        fs::create_directories(m_root / "exists");
        // The start folder as the state keeps it by default: no trailing separator.
        CAppUiState::GetInstance()->m_lastFolder = m_root.path().string();
    }
    void TearDown() override
    {
        CAppUiState::DestroyInstance();
        UiTest::TearDown();
    }
    std::string Root() const { return m_root.path().string(); }

    kel::testkit::TempDir m_root{"kel-browse-"};
};

TEST_F(BrowseFolderTest, SaveCreatesTheNamedFolderUnderThePickedOne)
{
    ScriptedPrompts prompts;
    std::string shown;
    prompts.Expect(IDD_BROWSE_FOLDER)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_BROWSE_PATH), Root());
                EXPECT_TRUE(d.IsChecked(IDC_BROWSE_TYPE_KEL));
                d.SetText(IDC_BROWSE_NAME, "run1");
                shown = d.GetText(IDC_BROWSE_PATH);
                d.Click(IDC_BROWSE_TYPE_ASCII);
                d.Click(IDOK);
            });
    CBrowseFolderDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(shown, Root() + "/run1") << "the name is joined with a separator, never glued on";
    EXPECT_EQ(dlg.m_folder, Root() + "/run1/");
    EXPECT_EQ(dlg.m_nFileType, CBrowseFolderDlg::kTypeAscii);
    EXPECT_TRUE(fs::is_directory(m_root / "run1"));
}

TEST_F(BrowseFolderTest, AFolderWithItsOwnSeparatorGetsNoSecondOne)
{
    CAppUiState::GetInstance()->m_lastFolder = Root() + "/";
    ScriptedPrompts prompts;
    prompts.Expect(IDD_BROWSE_FOLDER)
        .Drive(
            [&](DialogDriver& d)
            {
                d.SetText(IDC_BROWSE_NAME, "x");
                EXPECT_EQ(d.GetText(IDC_BROWSE_PATH), Root() + "/x");
                d.Click(IDOK);
            });
    CBrowseFolderDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_folder, Root() + "/x/");
}

TEST_F(BrowseFolderTest, RefusedNamesKeepTheDialogOpenOnTheName)
{
    struct Case
    {
        const char* name;
        const char* message;
        bool missingParent;
    } cases[] = {
        {"a*b", "Invalid folder name", false},
        {"a/b", "Invalid folder name", false},
        {"c:d", "Invalid folder name", false},
        {"exists", "Folder already exist! Select different one", false},
        {"", "Folder already exist! Select different one", false}, // the parent itself
        {"new", "Failed to create the directory", true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CAppUiState::GetInstance()->m_lastFolder = c.missingParent ? Root() + "/missing" : Root();
        ScriptedPrompts prompts;
        auto& box = prompts.Expect(c.message, kel::PromptKind::MessageBox).Reply(IDOK);
        prompts.Expect(IDD_BROWSE_FOLDER)
            .Drive(
                [&](DialogDriver& d)
                {
                    d.SetText(IDC_BROWSE_NAME, c.name);
                    d.Click(IDOK);
                    EXPECT_TRUE(d.IsOpen());
                    EXPECT_TRUE(IsWindowVisible(d.Dialog()));
                    EXPECT_EQ(d.FocusedId(), IDC_BROWSE_NAME);
                    d.Click(IDCANCEL);
                });
        CBrowseFolderDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(box.Calls(), 1);
        ASSERT_EQ(prompts.Prompts().size(), 2u); // the dialog, then its message
        EXPECT_EQ(prompts.Prompts()[1].caption, "info");
    }
    // Nothing was created besides what was there.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root.path()), fs::directory_iterator()), 1);
}

TEST_F(BrowseFolderTest, CancelCreatesNothing)
{
    ScriptedPrompts prompts;
    prompts.Expect(IDD_BROWSE_FOLDER)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_BROWSE_NAME, "never");
                d.Click(IDCANCEL);
            });
    CBrowseFolderDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_folder, Root());
    EXPECT_FALSE(fs::exists(m_root / "never"));
}

TEST_F(BrowseFolderTest, BrowseTakesThePickedFolderAndRemembersIt)
{
    const std::string picked = (m_root / "exists").string();
    ScriptedPrompts prompts;
    auto& picker = prompts.Expect("Select Folder", kel::PromptKind::Folder).ReplyPath(picked);
    prompts.Expect(IDD_BROWSE_FOLDER)
        .Drive(
            [&](DialogDriver& d)
            {
                d.Click(IDC_BROWSE_FOLDER);
                EXPECT_EQ(d.GetText(IDC_BROWSE_PATH), picked);
                d.SetText(IDC_BROWSE_NAME, "inner");
                d.Click(IDOK);
            });
    CBrowseFolderDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(picker.Calls(), 1);
    ASSERT_EQ(prompts.Prompts().size(), 2u); // the dialog, then the picker
    EXPECT_EQ(prompts.Prompts()[1].fileName, Root()) << "the picker starts at the last folder";
    EXPECT_EQ(CAppUiState::GetInstance()->m_lastFolder, picked);
    EXPECT_TRUE(fs::is_directory(m_root / "exists" / "inner"));
}

TEST_F(BrowseFolderTest, ACancelledPickChangesNothing)
{
    ScriptedPrompts prompts;
    prompts.Expect("Select Folder", kel::PromptKind::Folder).Reply(IDCANCEL);
    prompts.Expect(IDD_BROWSE_FOLDER)
        .Drive(
            [&](DialogDriver& d)
            {
                d.Click(IDC_BROWSE_FOLDER);
                EXPECT_EQ(d.GetText(IDC_BROWSE_PATH), Root());
                d.Click(IDCANCEL);
            });
    CBrowseFolderDlg dlg;
    dlg.DoModal();
    EXPECT_EQ(CAppUiState::GetInstance()->m_lastFolder, Root());
}

} // namespace
