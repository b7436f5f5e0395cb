// Ticks, performance counter and calendar time.
#include "kinternal.h"
#include "win32/clock.h"

#include <ctime>

namespace
{
constexpr uint64_t kTicksPerMs = 10000;
constexpr uint64_t kTicksPerDay = 864000000000ULL;
constexpr int64_t kDaysFrom1601To1970 = 134774;
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

uint64_t ToU64(const FILETIME& ft)
{
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME FromU64(uint64_t v)
{
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (era arithmetic, valid for any year).
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Offset of local time from UTC in 100 ns units, as it is now (Windows converts with the
// current bias, not the one in force at the converted time).
int64_t LocalBias()
{
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return static_cast<int64_t>(local.tm_gmtoff) * 10000000;
}
} // namespace

DWORD GetTickCount()
{
    return static_cast<DWORD>(kel::ClockNowMs());
}

ULONGLONG GetTickCount64()
{
    return kel::ClockNowMs();
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount)
{
    if (!lpPerformanceCount)
        return kel::Fail(ERROR_INVALID_PARAMETER);
    lpPerformanceCount->QuadPart = kel::ClockNowNs() / 1000;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency)
{
    if (!lpFrequency)
        return kel::Fail(ERROR_INVALID_PARAMETER);
    lpFrequency->QuadPart = 1000000;
    return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime)
{
    *lpSystemTimeAsFileTime = FromU64(kel::ClockWallFileTime());
}

void GetSystemTime(LPSYSTEMTIME lpSystemTime)
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    FileTimeToSystemTime(&ft, lpSystemTime);
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    // The bias of the moment itself here: GetLocalTime reports the clock on the wall.
    const uint64_t utc = kel::ClockWallFileTime();
    const time_t seconds = static_cast<time_t>((utc - kUnixEpochAsFileTime) / 10000000);
    tm local{};
    localtime_r(&seconds, &local);
    const FILETIME ft = FromU64(utc + static_cast<int64_t>(local.tm_gmtoff) * 10000000);
    FileTimeToSystemTime(&ft, lpSystemTime);
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime)
{
    if (!lpFileTime || !lpSystemTime || (lpFileTime->dwHighDateTime & 0x80000000u))
        return kel::Fail(ERROR_INVALID_PARAMETER);
    const uint64_t v = ToU64(*lpFileTime);
    const int64_t days = static_cast<int64_t>(v / kTicksPerDay);
    uint64_t rest = v % kTicksPerDay;
    int y, m, d;
    CivilFromDays(days - kDaysFrom1601To1970, y, m, d);
    lpSystemTime->wYear = static_cast<WORD>(y);
    lpSystemTime->wMonth = static_cast<WORD>(m);
    lpSystemTime->wDay = static_cast<WORD>(d);
    lpSystemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7); // 1601-01-01 was a Monday
    lpSystemTime->wHour = static_cast<WORD>(rest / (3600 * 1000 * kTicksPerMs));
    rest %= 3600 * 1000 * kTicksPerMs;
    lpSystemTime->wMinute = static_cast<WORD>(rest / (60 * 1000 * kTicksPerMs));
    rest %= 60 * 1000 * kTicksPerMs;
    lpSystemTime->wSecond = static_cast<WORD>(rest / (1000 * kTicksPerMs));
    rest %= 1000 * kTicksPerMs;
    lpSystemTime->wMilliseconds = static_cast<WORD>(rest / kTicksPerMs);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime)
{
    if (!lpSystemTime || !lpFileTime)
        return kel::Fail(ERROR_INVALID_PARAMETER);
    const SYSTEMTIME& st = *lpSystemTime;
    if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
        st.wMilliseconds > 999)
        return kel::Fail(ERROR_INVALID_PARAMETER);
    const int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDaysFrom1601To1970;
    const uint64_t ms =
        ((static_cast<uint64_t>(st.wHour) * 60 + st.wMinute) * 60 + st.wSecond) * 1000 + st.wMilliseconds;
    *lpFileTime = FromU64(static_cast<uint64_t>(days) * kTicksPerDay + ms * kTicksPerMs);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime)
{
    if (!lpFileTime || !lpLocalFileTime)
        return kel::Fail(ERROR_INVALID_PARAMETER);
    *lpLocalFileTime = FromU64(ToU64(*lpFileTime) + LocalBias());
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime)
{
    if (!lpFileTime || !lpLocalFileTime)
        return kel::Fail(ERROR_INVALID_PARAMETER);
    *lpFileTime = FromU64(ToU64(*lpLocalFileTime) - LocalBias());
    return TRUE;
}

LONG CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2)
{
    const uint64_t a = ToU64(*lpFileTime1), b = ToU64(*lpFileTime2);
    return a < b ? -1 : (a > b ? 1 : 0);
}
