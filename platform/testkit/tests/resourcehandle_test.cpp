// The framework's resource handle: CString::LoadString and AfxMessageBox follow it, falling back
// to the program's own module.
#include "mfc/ModuleState.h"
#include "mfc/String.h"
#include "testkit/ScriptedPrompts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace
{

using kel::rc::Module;
using kel::rc::StringEntry;

const std::string kLong(300, 'x');
const StringEntry kMainStrings[] = {
    {1, "main one", 8}, {2, "main two", 8}, {3, kLong.c_str(), 300}, {0xE000, "Main App", 8}};
const StringEntry kPackStrings[] = {{1, "pack one", 8}, {0xE000, "Pack Title", 10}};
const Module kMain = {"resmain", true, nullptr, 0, kMainStrings, 4, nullptr, 0,
                      nullptr,   0,    nullptr, 0, nullptr,      0};
const Module kPack = {"respack", false, nullptr, 0, kPackStrings, 2, nullptr, 0,
                      nullptr,   0,     nullptr, 0, nullptr,      0};

class ResourceHandle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kel::rc::RegisterModule(&kMain));
        ASSERT_TRUE(kel::rc::RegisterModule(&kPack));
        m_pack = GetModuleHandle("respack");
        ASSERT_NE(m_pack, nullptr);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        kel::rc::UnregisterModule(&kPack);
        kel::rc::UnregisterModule(&kMain);
    }
    HINSTANCE m_pack = nullptr;
};

TEST_F(ResourceHandle, DefaultsToTheMainModule)
{
    EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandle(nullptr));
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandle(nullptr));
    CString s;
    ASSERT_TRUE(s.LoadString(1));
    EXPECT_EQ(s, "main one");
    ASSERT_TRUE(s.LoadString(3));
    EXPECT_EQ(s.GetLength(), 300); // no 255-character limit
}

TEST_F(ResourceHandle, SwitchedHandleComesFirstThenTheProgram)
{
    AfxSetResourceHandle(m_pack);
    EXPECT_EQ(AfxGetResourceHandle(), m_pack);
    CString s;
    ASSERT_TRUE(s.LoadString(1));
    EXPECT_EQ(s, "pack one");
    ASSERT_TRUE(s.LoadString(2)); // only in the program: found there
    EXPECT_EQ(s, "main two");
    s = "kept";
    EXPECT_FALSE(s.LoadString(77));
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(CString(MAKEINTRESOURCE(1)), "pack one");

    AfxSetResourceHandle(nullptr);
    ASSERT_TRUE(s.LoadString(1));
    EXPECT_EQ(s, "main one");
}

TEST_F(ResourceHandle, MessageBoxesTakeTextAndTitleFromResources)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("main two").Reply(IDYES);
    prompts.Expect("pack one").Reply(IDCANCEL);
    EXPECT_EQ(AfxMessageBox(2, MB_YESNO), IDYES);
    AfxSetResourceHandle(m_pack);
    EXPECT_EQ(AfxMessageBox("pack one", MB_OKCANCEL, 42), IDCANCEL);

    auto seen = prompts.Prompts();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, "Main App");
    EXPECT_EQ(seen[0].flags, UINT(MB_YESNO | MB_ICONQUESTION)); // framework adds the icon
    EXPECT_EQ(seen[0].helpId, 2u);                              // the string id by default
    EXPECT_EQ(seen[1].caption, "Pack Title");
    EXPECT_EQ(seen[1].flags, UINT(MB_OKCANCEL | MB_ICONEXCLAMATION));
    EXPECT_EQ(seen[1].helpId, 42u);
}

} // namespace
