// The head parameters lock dialog: its two faces (lock, unlock), the password rules, and the
// registry string that carries the stored password.
#include "dialogs/HeadLockDlg.h"
#include "res/resource.h"
#include "settings/RegistryKey.h"

#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <string>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

class HeadLockTest : public kel::testkit::UiTest
{
protected:
    void TearDown() override
    {
        CHeadLockDlg::SetLockState(0, "");
        UiTest::TearDown();
    }

    ScriptedPrompts prompts;
};

TEST_F(HeadLockTest, ShowsTheLockOrTheUnlockFace)
{
    prompts.Expect(IDD_HEAD_LOCK)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_LOCK_PASSWORD_LABEL), "New Password:");
                EXPECT_EQ(d.GetText(IDC_LOCK_CONFIRM_LABEL), "Confirm Password:");
                EXPECT_TRUE(::IsWindowVisible(d.Item(IDC_LOCK_CONFIRM)));
                EXPECT_EQ(d.GetText(IDOK), "&Lock");
                EXPECT_EQ(d.FocusedId(), IDC_LOCK_PASSWORD);
                d.Click(IDCANCEL);
            });
    EXPECT_EQ(CHeadLockDlg().DoModal(), IDCANCEL);

    CHeadLockDlg::SetLockState(1, "Secret");
    prompts.Expect(IDD_HEAD_LOCK)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_LOCK_PASSWORD_LABEL), "Enter Password:");
                EXPECT_EQ(d.GetText(IDC_LOCK_CONFIRM_LABEL), "");
                EXPECT_FALSE(::IsWindowVisible(d.Item(IDC_LOCK_CONFIRM)));
                EXPECT_EQ(d.GetText(IDOK), "Unlock");
                EXPECT_EQ(d.FocusedId(), IDC_LOCK_PASSWORD);
                d.Click(IDCANCEL);
            });
    EXPECT_EQ(CHeadLockDlg().DoModal(), IDCANCEL);
    EXPECT_EQ(CHeadLockDlg::IsLocked(), 1) << "Cancel changes nothing";
    EXPECT_EQ(std::string(CHeadLockDlg::GetPassword()), "Secret");
}

TEST_F(HeadLockTest, PasswordRules)
{
    struct Case
    {
        const char* what;
        int locked;
        const char* stored;
        const char* entry;
        const char* confirm;
        const char* refusal; // the message that keeps the dialog open; null: it closes with IDOK
        int lockedAfter;
        const char* storedAfter;
    };
    const Case cases[] = {
        {"lock", 0, "", "abc", "abc", nullptr, 1, "abc"},
        {"two characters", 0, "", "ab", "ab", "Password should be at least 3 characters long", 0, ""},
        {"confirmation differs in one character", 0, "", "abc", "abd",
         "Password Mismatch.\nPlease Re-Enter Password", 0, ""},
        // The edits take at most 12 characters: a thirteenth typed one is not kept.
        {"thirteen characters typed", 0, "", "abcdefghijklm", "abcdefghijklm", nullptr, 1, "abcdefghijkl"},
        {"unlock", 1, "Secret", "Secret", "", nullptr, 0, "Secret"},
        {"unlock compares case", 1, "Secret", "secret", "", "Password Mismatch.", 1, "Secret"},
        {"unlock with an empty entry", 1, "Secret", "", "", "Password Mismatch.", 1, "Secret"},
    };
    for (const Case& c : cases)
    {
        CHeadLockDlg::SetLockState(c.locked, c.stored);
        prompts.Expect(IDD_HEAD_LOCK)
            .Drive(
                [&](DialogDriver& d)
                {
                    if (c.refusal)
                        prompts.Expect(c.refusal).Reply(IDOK);
                    d.SetText(IDC_LOCK_PASSWORD, c.entry);
                    if (!c.locked)
                        d.SetText(IDC_LOCK_CONFIRM, c.confirm);
                    d.Click(IDOK);
                    EXPECT_EQ(d.IsOpen(), c.refusal != nullptr) << c.what;
                    if (d.IsOpen())
                        d.Click(IDCANCEL);
                });
        EXPECT_EQ(CHeadLockDlg().DoModal(), c.refusal ? IDCANCEL : IDOK) << c.what;
        EXPECT_EQ(CHeadLockDlg::IsLocked(), c.lockedAfter) << c.what;
        EXPECT_EQ(std::string(CHeadLockDlg::GetPassword()), c.storedAfter) << c.what;
    }
}

// The stored password is a registry string; every byte but NUL must come back as it was written.
TEST(HeadLockStoreTest, EveryNonNulByteSurvivesTheRegistryString)
{
    kel::testkit::ScopedSettings settings;

    std::string written;
    for (int b = 1; b < 256; ++b)
        written += static_cast<char>(b);
    {
        CRegistryKey key(HKEY_CURRENT_USER, "Software\\Test\\HeadLock");
        key.AddStringValue("Head Protection", &written);
        EXPECT_TRUE(key.SaveAll());
    }
    kel::ResetRegistryStoreForTests(); // read back from the file, not from memory
    std::string read = "unchanged";
    {
        CRegistryKey key(HKEY_CURRENT_USER, "Software\\Test\\HeadLock");
        key.AddStringValue("Head Protection", &read);
        EXPECT_TRUE(key.LoadAll());
    }
    EXPECT_EQ(read, written);
}

} // namespace
