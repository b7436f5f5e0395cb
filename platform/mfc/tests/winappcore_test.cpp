// The application object's profile: where values land in the settings store, and what reads
// give without a registry key.
#include "mfc/WinAppCore.h"

#include "testkit/ScopedSettings.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// Each test has a settings store of its own.
class WinAppProfileTest : public ::testing::Test
{
protected:
    kel::testkit::ScopedSettings m_settings;
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
