// The Windows runtime functions and global memory.
#include <windows.h>

#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <string>

namespace
{

TEST(Crt, CaseInsensitiveCompareAndConversion)
{
    EXPECT_EQ(_stricmp("Gas.LIB", "gas.lib"), 0);
    EXPECT_LT(_stricmp("abc", "ABD"), 0);
    EXPECT_GT(_stricmp("abcd", "ABC"), 0);
    EXPECT_LT(_stricmp("_", "a"), 0) << "compared as lower case, as Windows does";
    EXPECT_EQ(_strnicmp("COM12", "com1", 4), 0);
    char text[] = "Mixed 1252 \xC4";
    EXPECT_STREQ(_strupr(text), "MIXED 1252 \xC4");
    EXPECT_STREQ(_strlwr(text), "mixed 1252 \xC4");
}

TEST(Crt, IntegerToText)
{
    char buffer[40];
    EXPECT_STREQ(_itoa(-123, buffer, 10), "-123");
    EXPECT_STREQ(_itoa(-1, buffer, 16), "ffffffff") << "other radixes show the 32-bit pattern";
    EXPECT_STREQ(_ltoa(255, buffer, 2), "11111111");
    EXPECT_STREQ(_ultoa(4294967295u, buffer, 10), "4294967295");
    EXPECT_STREQ(_ltoa(-2147483647 - 1, buffer, 10), "-2147483648");
    EXPECT_STREQ(_i64toa(-9000000000LL, buffer, 10), "-9000000000");
}

TEST(Crt, GcvtFollowsTheWindowsLayout)
{
    struct Case
    {
        double value;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {-1234567890.123, 12, "-1234567890.12"},
        {-12345678901.23, 12, "-12345678901.2"},
        {-123456789012.3, 12, "-123456789012."},
        {-1234567890123.0, 12, "-1.23456789012e+012"},
        {-0.123456789012, 12, "-0.123456789012"},
        {-0.0123456789012, 12, "-1.23456789012e-002"},
        {1.5, 5, "1.5"},
        {100.0, 5, "100."},
        {0.0, 5, "0."},
        {0.01, 4, "1.e-002"},
        {99999.5, 5, "1.e+005"},
        {3.14159, 3, "3.14"},
    };
    for (const Case& c : cases)
    {
        char buffer[_CVTBUFSIZE];
        EXPECT_STREQ(_gcvt(c.value, c.digits, buffer), c.text) << c.value;
    }
}

TEST(Crt, FcvtAndEcvtDigits)
{
    struct Case
    {
        double value;
        int count;
        const char* fdigits;
        int fdec;
        const char* edigits;
        int edec;
    };
    const Case cases[] = {
        {3.1415926535, 7, "31415927", 1, "3141593", 1},
        {-0.0123, 3, "12", -1, "123", -1},
        {1234.5, 1, "12345", 4, "1", 4},
        {0.0, 2, "00", 0, "00", 0},
        {9.99, 1, "100", 2, "1", 2},
    };
    for (const Case& c : cases)
    {
        int dec = 99, sign = 99;
        EXPECT_STREQ(_fcvt(c.value, c.count, &dec, &sign), c.fdigits) << c.value;
        EXPECT_EQ(dec, c.fdec) << c.value;
        EXPECT_EQ(sign, c.value < 0 ? 1 : 0);
        EXPECT_STREQ(_ecvt(c.value, c.count, &dec, &sign), c.edigits) << c.value;
        EXPECT_EQ(dec, c.edec) << c.value;
    }
}

TEST(Crt, SplitAndMakePath)
{
    struct Case
    {
        const char* path;
        const char* drive;
        const char* dir;
        const char* fname;
        const char* ext;
    };
    const Case cases[] = {
        {"c:\\data\\scan.kel", "c:", "\\data\\", "scan", ".kel"},
        {"/home/user/gas.lib", "", "/home/user/", "gas", ".lib"},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},
        {"folder.d/noext", "", "folder.d/", "noext", ""},
        {"/trailing/", "", "/trailing/", "", ""},
        {".hidden", "", "", "", ".hidden"},
    };
    for (const Case& c : cases)
    {
        char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
        _splitpath(c.path, drive, dir, fname, ext);
        EXPECT_STREQ(drive, c.drive) << c.path;
        EXPECT_STREQ(dir, c.dir) << c.path;
        EXPECT_STREQ(fname, c.fname) << c.path;
        EXPECT_STREQ(ext, c.ext) << c.path;
        char joined[_MAX_PATH];
        _makepath(joined, drive, dir, fname, ext);
        EXPECT_STREQ(joined, c.path);
    }
    char fname[_MAX_FNAME];
    _splitpath("/only/the/name.txt", nullptr, nullptr, fname, nullptr);
    EXPECT_STREQ(fname, "name");
    char joined[_MAX_PATH];
    _makepath(joined, nullptr, "/dir", "file", "txt");
    EXPECT_STREQ(joined, "/dir/file.txt");
}

TEST(Crt, SnprintfTruncatesTheWindowsWay)
{
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(_snprintf(buffer, 8, "%s", "1234567"), 7);
    EXPECT_STREQ(buffer, "1234567");
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(_snprintf(buffer, 4, "%d", 123456), -1);
    EXPECT_EQ(std::string(buffer, 5), "1234x") << "no terminator, nothing past count";
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(_snprintf(buffer, 4, "%s", "abcd"), 4);
    EXPECT_EQ(std::string(buffer, 5), "abcdx");
    EXPECT_EQ(_snprintf(nullptr, 0, "%d items", 12345), 11) << "a NULL buffer measures the text";
    EXPECT_EQ(_snprintf(buffer, 0, "%d", 7), -1);
    EXPECT_EQ(buffer[0], 'a') << "count 0 stores nothing";
}

TEST(Crt, RandIsTheWindowsSequence)
{
    srand(1);
    EXPECT_EQ(rand(), 41);
    EXPECT_EQ(rand(), 18467);
    EXPECT_EQ(rand(), 6334);
    srand(12345);
    const int first = rand();
    srand(12345);
    EXPECT_EQ(rand(), first);
    for (int i = 0; i < 100000; ++i)
    {
        const int r = rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
    EXPECT_EQ(RAND_MAX, 32767);
}

// Leaves the thread's floating-point control as the test found it.
class FpControl : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = _controlfp(0, 0); }
    void TearDown() override
    {
        _clearfp();
        _controlfp(m_saved, _MCW_EM | _MCW_RC | _MCW_PC | _MCW_DN);
    }
    unsigned m_saved = 0;
};

TEST_F(FpControl, RoundTripAndTakesEffect)
{
    _controlfp(_CW_DEFAULT, _MCW_EM | _MCW_RC | _MCW_PC);
    EXPECT_EQ(_controlfp(0, 0) & (_MCW_EM | _MCW_RC | _MCW_PC), _CW_DEFAULT);
    EXPECT_EQ(fegetexcept(), 0) << "all masked";

    // What the numeric code's EnableFpExceptions does: unmask zero-divide, overflow, denormal.
    const unsigned cw = _controlfp(0, 0);
    const unsigned now = _controlfp(cw & ~0x8000Cu, 0x8001Fu);
    EXPECT_EQ(now & _MCW_EM, _EM_INVALID | _EM_UNDERFLOW | _EM_INEXACT);
    EXPECT_EQ(fegetexcept(), FE_DIVBYZERO | FE_OVERFLOW);

    _controlfp(_RC_CHOP, _MCW_RC);
    EXPECT_EQ(fegetround(), FE_TOWARDZERO);
    volatile double third = 1.0 / 3.0;
    EXPECT_EQ(third * 3.0, 0.9999999999999999) << "chopped";

    // ResetFpControl
    _clearfp();
    _controlfp(0x9001Fu, 0xFFFFFu);
    EXPECT_EQ(fegetexcept(), 0);
    EXPECT_EQ(fegetround(), FE_TONEAREST);
}

TEST_F(FpControl, StatusFlagsAreReadAndCleared)
{
    _clearfp();
    volatile double zero = 0.0;
    volatile double r = 1.0 / zero;
    (void)r;
    EXPECT_TRUE(_statusfp() & _SW_ZERODIVIDE);
    EXPECT_TRUE(_clearfp() & _SW_ZERODIVIDE);
    EXPECT_EQ(_statusfp() & _SW_ZERODIVIDE, 0u);
}

TEST(Crt, FilesystemHelpers)
{
    char cwd[MAX_PATH];
    ASSERT_NE(_getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(_access(cwd, 0), 0);
    EXPECT_EQ(_access((std::string(cwd) + "\\no-such-file").c_str(), 0), -1);
    const kel::testkit::TempDir tmp("kel-crt-");
    const std::string dir = (tmp / "made").string();
    ASSERT_EQ(_mkdir(dir.c_str()), 0);
    EXPECT_EQ(_access(dir.c_str(), 6), 0);
    EXPECT_EQ(_rmdir(dir.c_str()), 0);
}

// ---- Global memory ---------------------------------------------------------------------------

TEST(GlobalMemory, MoveableBlocksLockAndResize)
{
    HGLOBAL h = GlobalAlloc(GHND, 16);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 16u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[15], 0) << "GHND zero-fills";
    memcpy(p, "keep", 4);
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
    EXPECT_TRUE(GlobalUnlock(h)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));

    ASSERT_EQ(GlobalReAlloc(h, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT), h)
        << "a moveable block keeps its handle";
    EXPECT_EQ(GlobalSize(h), 4096u);
    p = static_cast<unsigned char*>(GlobalLock(h));
    EXPECT_EQ(memcmp(p, "keep", 4), 0);
    EXPECT_EQ(p[4095], 0);
    EXPECT_EQ(GlobalHandle(p), h);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, BadHandlesAreRefusedNotFreed)
{
    HGLOBAL fixed = GlobalAlloc(GPTR, 8);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), fixed) << "a fixed block's handle is its address";
    EXPECT_EQ(GlobalFree(fixed), nullptr);
    EXPECT_EQ(GlobalFree(fixed), fixed) << "freed twice: the handle comes back";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    int local = 0;
    EXPECT_EQ(GlobalFree(&local), static_cast<HGLOBAL>(&local));
    EXPECT_EQ(GlobalLock(&local), nullptr);
    EXPECT_EQ(GlobalSize(&local), 0u);
    EXPECT_EQ(GlobalFlags(&local), static_cast<UINT>(GMEM_INVALID_HANDLE));

    HLOCAL l = LocalAlloc(LPTR, 0);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(LocalSize(l), 0u);
    EXPECT_EQ(LocalFree(l), nullptr);
}

} // namespace
