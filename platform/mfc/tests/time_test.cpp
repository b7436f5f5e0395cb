#include "mfc/Time.h"

#include <gtest/gtest.h>

#include <string>

static void PrintTo(const CString& s, std::ostream* os)
{
    *os << '"' << s.GetString() << '"';
}

// Local-time results depend on the machine's zone only through the conversion itself, so the
// tests build times from local fields and read local fields back (in January, far from any
// summer-time switch), or use UTC.

TEST(CTime, FieldsRoundTrip)
{
    const CTime t(2024, 1, 15, 9, 5, 7);
    EXPECT_EQ(t.GetYear(), 2024);
    EXPECT_EQ(t.GetMonth(), 1);
    EXPECT_EQ(t.GetDay(), 15);
    EXPECT_EQ(t.GetHour(), 9);
    EXPECT_EQ(t.GetMinute(), 5);
    EXPECT_EQ(t.GetSecond(), 7);
    EXPECT_EQ(t.GetDayOfWeek(), 2); // Monday; Sunday is 1

    // Out-of-range fields are normalised.
    const CTime feb(2024, 1, 32, 0, 0, 0);
    EXPECT_EQ(feb.GetMonth(), 2);
    EXPECT_EQ(feb.GetDay(), 1);

    SYSTEMTIME st = {};
    ASSERT_TRUE(t.GetAsSystemTime(st));
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wMonth, 1);
    EXPECT_EQ(st.wDay, 15);
    EXPECT_EQ(st.wDayOfWeek, 1);
    EXPECT_EQ(st.wHour, 9);
    EXPECT_EQ(CTime(st), t);

    // DOS date 2024-01-15, time 09:05:06 (seconds in steps of two).
    const WORD dosDate = static_cast<WORD>(((2024 - 1980) << 9) | (1 << 5) | 15);
    const WORD dosTime = static_cast<WORD>((9 << 11) | (5 << 5) | 3);
    EXPECT_EQ(CTime(dosDate, dosTime), CTime(2024, 1, 15, 9, 5, 6));
}

TEST(CTime, FileTimeIsUtc)
{
    const unsigned long long epoch = 116444736000000000ULL; // 1970-01-01 in 100 ns ticks since 1601
    const unsigned long long ticks = epoch + 86400ULL * 10000000ULL + 5; // a day later, plus a fraction
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    const CTime t(ft);
    EXPECT_EQ(t.GetTime(), 86400);
    EXPECT_EQ(t.FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-02 00:00:00");
}

TEST(CTime, FormatInCLocale)
{
    const CTime t(2024, 1, 5, 7, 8, 9);
    struct Case
    {
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"%Y-%m-%d %H:%M:%S", "2024-01-05 07:08:09"},
        {"%d.%m.%y", "05.01.24"},
        {"%#d.%#m.%Y %#H:%M", "5.1.2024 7:08"},
        {"%A %a %B %b %p", "Friday Fri January Jan AM"},
        {"%I %j %%", "07 005 %"},
        {"plain", "plain"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.Format(c.format), c.expected) << c.format;

    // Long results are not cut.
    std::string longFormat;
    for (int i = 0; i < 200; ++i)
        longFormat += "%Y ";
    EXPECT_EQ(t.Format(longFormat.c_str()).GetLength(), 1000);
    EXPECT_EQ(CTime(0).FormatGmt("%H:%M %d/%m/%Y"), "00:00 01/01/1970");
}

TEST(CTime, ArithmeticAndComparison)
{
    const CTime a(2024, 1, 1, 0, 0, 0);
    const CTime b(2024, 1, 2, 6, 30, 15);
    const CTimeSpan d = b - a;
    EXPECT_EQ(d.GetTotalSeconds(), 86400 + 6 * 3600 + 30 * 60 + 15);
    EXPECT_EQ(a + d, b);
    EXPECT_EQ(b - d, a);
    CTime c = a;
    c += CTimeSpan(0, 1, 0, 0);
    EXPECT_EQ(c.GetHour(), 1);
    c -= CTimeSpan(0, 2, 0, 0);
    EXPECT_EQ(c.GetDay(), 31);
    EXPECT_EQ(c.GetYear(), 2023);
    EXPECT_TRUE(a < b && b > a && a <= a && b >= a && a != b && a == CTime(a.GetTime()));

    const CTime now = CTime::GetCurrentTime();
    EXPECT_GT(now.GetYear(), 2020);
}

TEST(CTimeSpan, PartsAndFormat)
{
    const CTimeSpan s(3, 4, 5, 6);
    EXPECT_EQ(s.GetDays(), 3);
    EXPECT_EQ(s.GetHours(), 4);
    EXPECT_EQ(s.GetMinutes(), 5);
    EXPECT_EQ(s.GetSeconds(), 6);
    EXPECT_EQ(s.GetTotalHours(), 76);
    EXPECT_EQ(s.GetTotalMinutes(), 76 * 60 + 5);
    EXPECT_EQ(s.GetTotalSeconds(), (76 * 60 + 5) * 60 + 6);
    EXPECT_EQ(s.Format("%D days %H:%M:%S %%"), "3 days 04:05:06 %");
    EXPECT_EQ(CTimeSpan(0, 25, 61, 61).Format("%D-%H:%M:%S"), "1-02:02:01");
    EXPECT_EQ(CTimeSpan(0).Format("%H:%M:%S"), "00:00:00");
    EXPECT_EQ(s.Format("%X%"), "%X%"); // unknown codes and a trailing % are kept
    EXPECT_EQ(CTimeSpan(100) + CTimeSpan(20), CTimeSpan(120));
    EXPECT_TRUE(CTimeSpan(1) < CTimeSpan(2));
}
