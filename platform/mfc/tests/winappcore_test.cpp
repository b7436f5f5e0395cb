// The application object's profile: where values land in the settings store, and what reads
// give without a registry key.
#include "mfc/WinAppCore.h"

#include "win32/kernel.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

class WinAppProfileTest : public ::testing::Test
{
protected:
    WinAppProfileTest()
    {
        m_dir =
            std::filesystem::temp_directory_path() /
            (std::string("winapp_test_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_hadOld = old != nullptr;
        m_old = old ? old : "";
        SetEnvironmentVariable("XDG_CONFIG_HOME", m_dir.c_str());
        kel::ResetRegistryStoreForTests();
    }
    ~WinAppProfileTest() override
    {
        SetEnvironmentVariable("XDG_CONFIG_HOME", m_hadOld ? m_old.c_str() : nullptr);
        kel::ResetRegistryStoreForTests();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::filesystem::path m_dir;
    std::string m_old;
    bool m_hadOld = false;
};

TEST_F(WinAppProfileTest, OneApplicationObject)
{
    EXPECT_EQ(AfxGetApp(), nullptr);
    {
        CWinApp app("kelmon");
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_STREQ(app.m_pszAppName, "kelmon");
        EXPECT_EQ(app.m_pszRegistryKey, nullptr);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST_F(WinAppProfileTest, WithoutRegistryKeyReadsGiveDefaultsAndWritesFail)
{
    CWinApp app("kelmon");
    EXPECT_FALSE(app.WriteProfileInt("Dangerous", "Disable DSR", 1));
    EXPECT_EQ(app.GetProfileInt("Dangerous", "Disable DSR", 7), 7u);
    EXPECT_EQ(app.GetProfileString("Last Port Used", "Com Port", "COM1"), "COM1");
}

TEST_F(WinAppProfileTest, ValuesLiveUnderCompanyAndApplication)
{
    CWinApp app("kelmon");
    app.SetRegistryKey("Test Company");
    EXPECT_STREQ(app.m_pszRegistryKey, "Test Company");
    EXPECT_STREQ(app.m_pszProfileName, "kelmon");

    ASSERT_TRUE(app.WriteProfileInt("Dangerous", "Disable DSR", 1));
    EXPECT_EQ(kel::ProfileGetInt("Software\\Test Company\\kelmon", "Dangerous", "Disable DSR", 0), 1u);
    EXPECT_EQ(app.GetProfileInt("Dangerous", "Disable DSR", 0), 1u);

    ASSERT_TRUE(app.WriteProfileString("Last Port Used", "Com Port", "COM3"));
    EXPECT_EQ(app.GetProfileString("Last Port Used", "Com Port"), "COM3");
    ASSERT_TRUE(app.WriteProfileString("Last Port Used", "Com Port", nullptr));
    EXPECT_EQ(app.GetProfileString("Last Port Used", "Com Port", "none"), "none");

    BYTE data[3] = {1, 0, 255};
    ASSERT_TRUE(app.WriteProfileBinary("CB I/O Setup", "Board", data, 3));
    LPBYTE read = nullptr;
    UINT bytes = 0;
    ASSERT_TRUE(app.GetProfileBinary("CB I/O Setup", "Board", &read, &bytes));
    ASSERT_EQ(bytes, 3u);
    EXPECT_EQ(read[0], 1);
    EXPECT_EQ(read[2], 255);
    delete[] read;
    EXPECT_FALSE(app.GetProfileBinary("CB I/O Setup", "Missing", &read, &bytes));
    EXPECT_EQ(read, nullptr);
    EXPECT_EQ(bytes, 0u);
}

} // namespace
