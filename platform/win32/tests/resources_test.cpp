// Module registry and string/resource lookup over small hand-made tables.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

using namespace kel::rc;

const StringEntry kStrings[] = {{1, "Hello", 5}, {2, "", 0}, {7, "a\0b", 3}};
const unsigned char kWave[] = {'R', 'I', 'F', 'F'};
const Binary kBinaries[] = {{{"WAVE", 0}, {"ALARM", 0}, kWave, sizeof kWave}};
const Module kMain = {"restest", true,    nullptr, 0,         kStrings, 3,       nullptr,
                      0,         nullptr, 0,       kBinaries, 1,        nullptr, 0};
const Module kOther = {"Other", false,   nullptr, 0,       kStrings, 1,       nullptr,
                       0,       nullptr, 0,       nullptr, 0,        nullptr, 0};
const Module kClash = {"other", false,   nullptr, 0,       nullptr, 0,       nullptr,
                       0,       nullptr, 0,       nullptr, 0,       nullptr, 0};

class Resources : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(RegisterModule(&kMain)); }
    void TearDown() override
    {
        UnregisterModule(&kOther);
        UnregisterModule(&kMain);
    }
};

TEST_F(Resources, LoadStringTruncatesAndTerminates)
{
    struct Case
    {
        int cchMax;
        int expected;
        const char* text;
    } cases[] = {{1, 0, ""}, {2, 1, "H"}, {5, 4, "Hell"}, {6, 5, "Hello"}, {100, 5, "Hello"}};
    for (const Case& c : cases)
    {
        char buf[128];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(LoadString(nullptr, 1, buf, c.cchMax), c.expected) << c.cchMax;
        EXPECT_STREQ(buf, c.text) << c.cchMax;
        EXPECT_EQ(buf[c.cchMax], '#') << "wrote past cchBufferMax " << c.cchMax;
    }
    char buf[8];
    EXPECT_EQ(LoadString(nullptr, 7, buf, sizeof buf), 3); // embedded NUL kept
    EXPECT_EQ(std::memcmp(buf, "a\0b", 4), 0);
}

TEST_F(Resources, MissingStringsReportNotFound)
{
    for (UINT id : {0u, 2u /* empty reads as missing */, 3u, 65535u})
    {
        char buf[8] = "junk";
        SetLastError(0);
        EXPECT_EQ(LoadString(GetModuleHandle(nullptr), id, buf, sizeof buf), 0) << id;
        EXPECT_EQ(buf[0], '\0') << id;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND)) << id;
    }
    char buf[4];
    EXPECT_EQ(LoadString(nullptr, 1, buf, 0), 0);
    EXPECT_EQ(LoadString(nullptr, 1, nullptr, 4), 0);
}

TEST_F(Resources, ModulesByNameAndHandle)
{
    ASSERT_TRUE(RegisterModule(&kOther));
    EXPECT_TRUE(RegisterModule(&kOther));  // same table again: no harm
    EXPECT_FALSE(RegisterModule(&kClash)); // names compare without case
    HMODULE other = GetModuleHandle("C:\\Program Files\\kel\\OTHER.DLL");
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, GetModuleHandle(nullptr));
    EXPECT_EQ(GetModuleHandle("restest"), GetModuleHandle(nullptr));
    EXPECT_EQ(GetModuleName(other), "other");
    EXPECT_EQ(LoadLibrary("other.dll"), other);
    EXPECT_TRUE(FreeLibrary(other)); // linked-in modules stay
    char buf[8];
    EXPECT_EQ(LoadString(other, 1, buf, sizeof buf), 5);
    EXPECT_EQ(LoadString(other, 7, buf, sizeof buf), 0); // only the main module has it

    UnregisterModule(&kOther);
    EXPECT_TRUE(IsModuleHandle(other)); // the handle stays a handle, but finds nothing
    EXPECT_EQ(LoadString(other, 1, buf, sizeof buf), 0);
    EXPECT_EQ(GetModuleHandle("other"), nullptr);
}

TEST_F(Resources, MissingLibraryAndBadHandles)
{
    SetLastError(0);
    EXPECT_EQ(LoadLibrary("nosuchpack.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(GetModuleHandle("nosuchpack"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));

    int notAModule = 0;
    HMODULE bogus = reinterpret_cast<HMODULE>(&notAModule);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(bogus));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    char buf[8];
    EXPECT_EQ(LoadString(bogus, 1, buf, sizeof buf), 0);
    EXPECT_EQ(FindResource(bogus, "ALARM", "WAVE"), nullptr);
    EXPECT_EQ(LoadResource(nullptr, reinterpret_cast<HRSRC>(&notAModule)), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, reinterpret_cast<HRSRC>(&notAModule)), 0u);
}

TEST_F(Resources, BinaryNamesMatchLikeWindows)
{
    for (LPCSTR name : {"ALARM", "alarm", "Alarm"})
    {
        HRSRC h = FindResource(nullptr, name, "wave");
        ASSERT_NE(h, nullptr) << name;
        EXPECT_EQ(SizeofResource(nullptr, h), sizeof kWave);
        EXPECT_EQ(LockResource(LoadResource(nullptr, h)), kWave);
    }
    EXPECT_EQ(FindResource(nullptr, "#1", "WAVE"), nullptr);
    EXPECT_EQ(FindResource(nullptr, "ALARM", RT_RCDATA), nullptr);
    EXPECT_FALSE(FreeResource(nullptr));
}

} // namespace
