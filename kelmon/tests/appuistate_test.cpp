#include "foundation/AppUiState.h"

#include <gtest/gtest.h>

#include <string>

TEST(AppUiStateTest, SingletonLifecycleAndDefaults)
{
    CAppUiState* s = CAppUiState::GetInstance();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(CAppUiState::GetInstance(), s);
    EXPECT_EQ(s->m_nState, 1);
    EXPECT_FALSE(s->m_lastFolder.empty());
    EXPECT_EQ(s->m_bParamDlgShown, 0);
    EXPECT_EQ(s->m_bScheduleDlgShown, 0);
    EXPECT_EQ(s->m_nChannelOption, 1);
    EXPECT_EQ(s->m_nNewObjectOption, 0);

    const std::string startFolder = s->m_lastFolder;
    s->m_bParamDlgShown = 1;
    s->m_lastFolder = startFolder + "/changed";
    CAppUiState::DestroyInstance();
    CAppUiState::DestroyInstance(); // a second destroy finds nothing

    CAppUiState* fresh = CAppUiState::GetInstance();
    EXPECT_EQ(fresh->m_bParamDlgShown, 0);
    EXPECT_EQ(fresh->m_lastFolder, startFolder);
    CAppUiState::DestroyInstance();
}
