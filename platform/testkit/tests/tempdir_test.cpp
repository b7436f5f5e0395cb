// Temporary folders, environment scopes and the settings folder of a test.
#include "testkit/ScopedEnv.h"
#include "testkit/ScopedSettings.h"
#include "testkit/TempDir.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using kel::testkit::ScopedEnv;
using kel::testkit::ScopedSettings;
using kel::testkit::TempDir;

namespace
{

TEST(TempDirTest, EachFolderIsFreshAndGoesWithItsContents)
{
    fs::path kept;
    {
        const TempDir a("kel-same-"), b("kel-same-");
        EXPECT_NE(a.path(), b.path()) << "the same prefix never gives the same folder";
        EXPECT_TRUE(fs::is_directory(a.path()));
        EXPECT_TRUE(fs::is_empty(a.path()));
        fs::create_directories(a / "sub" / "deeper");
        std::ofstream(a / "sub" / "file") << "x";
        kept = a.path();
    }
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_THROW(TempDir(kept / "missing-parent", "x-"), std::system_error);
}

TEST(ScopedEnvTest, PutsBackWhatWasThere)
{
    ::unsetenv("KEL_SCOPE_A");
    ::setenv("KEL_SCOPE_B", "before", 1);
    {
        const ScopedEnv a("KEL_SCOPE_A", "set");
        const ScopedEnv b("KEL_SCOPE_B", nullptr);
        EXPECT_STREQ(std::getenv("KEL_SCOPE_A"), "set");
        EXPECT_EQ(std::getenv("KEL_SCOPE_B"), nullptr);
        {
            const ScopedEnv again("KEL_SCOPE_A", std::string("inner"));
            EXPECT_STREQ(std::getenv("KEL_SCOPE_A"), "inner");
        }
        EXPECT_STREQ(std::getenv("KEL_SCOPE_A"), "set");
    }
    EXPECT_EQ(std::getenv("KEL_SCOPE_A"), nullptr);
    EXPECT_STREQ(std::getenv("KEL_SCOPE_B"), "before");
    ::unsetenv("KEL_SCOPE_B");
}

TEST(ScopedSettingsTest, StoreLivesInTheScopesFolderOnly)
{
    const std::string outer = kel::RegistryStorePath();
    fs::path folder;
    {
        const ScopedSettings settings;
        folder = settings.path();
        EXPECT_EQ(kel::RegistryStorePath(), (folder / "kel" / "registry.reg").string());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Scope", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_TRUE(fs::exists(kel::RegistryStorePath()));
    }
    EXPECT_EQ(kel::RegistryStorePath(), outer);
    EXPECT_FALSE(fs::exists(folder));
    {
        const ScopedSettings fresh;
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Scope", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND)
            << "nothing cached from the last scope";
    }
}

} // namespace
