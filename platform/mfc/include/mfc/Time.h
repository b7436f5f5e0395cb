// CTime (a point in time, seconds since 1970 UTC, shown in local time) and CTimeSpan (a signed
// number of seconds).
#pragma once

#include "mfc/String.h"
#include "win32/types.h"

#include <ctime>

class CTimeSpan
{
public:
    CTimeSpan() noexcept = default;
    CTimeSpan(time_t seconds) noexcept : m_span(seconds) {}
    CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs) noexcept
        : m_span(((static_cast<time_t>(lDays) * 24 + nHours) * 60 + nMins) * 60 + nSecs)
    {
    }

    // Whole days; the hour, minute and second components (0..23, 0..59; negative for a negative
    // span); and the totals in each unit.
    LONGLONG GetDays() const noexcept { return m_span / (24 * 3600); }
    LONG GetHours() const noexcept { return static_cast<LONG>(GetTotalHours() - GetDays() * 24); }
    LONG GetMinutes() const noexcept { return static_cast<LONG>(GetTotalMinutes() - GetTotalHours() * 60); }
    LONG GetSeconds() const noexcept { return static_cast<LONG>(GetTotalSeconds() - GetTotalMinutes() * 60); }
    LONGLONG GetTotalHours() const noexcept { return m_span / 3600; }
    LONGLONG GetTotalMinutes() const noexcept { return m_span / 60; }
    LONGLONG GetTotalSeconds() const noexcept { return m_span; }
    time_t GetTimeSpan() const noexcept { return m_span; }

    // Expands %D (days), %H, %M, %S (two digits) and %%; other text is copied.
    CString Format(LPCTSTR pszFormat) const;

    CTimeSpan operator+(CTimeSpan ts) const noexcept { return CTimeSpan(m_span + ts.m_span); }
    CTimeSpan operator-(CTimeSpan ts) const noexcept { return CTimeSpan(m_span - ts.m_span); }
    CTimeSpan& operator+=(CTimeSpan ts) noexcept
    {
        m_span += ts.m_span;
        return *this;
    }
    CTimeSpan& operator-=(CTimeSpan ts) noexcept
    {
        m_span -= ts.m_span;
        return *this;
    }
    auto operator<=>(const CTimeSpan&) const noexcept = default;
    bool operator==(const CTimeSpan&) const noexcept = default;

private:
    time_t m_span = 0;
};

class CTime
{
public:
    CTime() noexcept = default;
    CTime(time_t t) noexcept : m_time(t) {}
    // Local date and time; nDST < 0 lets the C runtime decide whether summer time applies.
    // Fields out of range are normalised (January 32 is February 1).
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);
    // Date and time in the DOS file-time bit layout, local time.
    CTime(WORD wDosDate, WORD wDosTime, int nDST = -1);
    // SYSTEMTIME as local time (as GetLocalTime fills it).
    CTime(const SYSTEMTIME& st, int nDST = -1);
    // FILETIME: 100 ns ticks since 1601-01-01 UTC.
    CTime(const FILETIME& ft, int nDST = -1);

    static CTime GetCurrentTime();

    time_t GetTime() const noexcept { return m_time; }
    // Local-time fields: year (e.g. 2024), month 1..12, day 1..31, hour 0..23, minute, second,
    // day of week 1 (Sunday)..7 (Saturday).
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;
    // Fill *ptm with the local (or UTC) broken-down time; return ptm, or NULL if it cannot be shown.
    struct tm* GetLocalTm(struct tm* ptm) const;
    struct tm* GetGmtTm(struct tm* ptm) const;
    // Local time as a SYSTEMTIME (milliseconds 0); false if the time cannot be shown.
    bool GetAsSystemTime(SYSTEMTIME& st) const;

    // strftime formatting in the "C" locale, local time or UTC. "%#d" style flags (no leading
    // zeros) are understood.
    CString Format(LPCTSTR pszFormat) const;
    CString Format(UINT nFormatID) const;
    CString FormatGmt(LPCTSTR pszFormat) const;

    CTimeSpan operator-(CTime t) const noexcept { return CTimeSpan(m_time - t.m_time); }
    CTime operator-(CTimeSpan ts) const noexcept { return CTime(m_time - ts.GetTimeSpan()); }
    CTime operator+(CTimeSpan ts) const noexcept { return CTime(m_time + ts.GetTimeSpan()); }
    CTime& operator+=(CTimeSpan ts) noexcept
    {
        m_time += ts.GetTimeSpan();
        return *this;
    }
    CTime& operator-=(CTimeSpan ts) noexcept
    {
        m_time -= ts.GetTimeSpan();
        return *this;
    }
    auto operator<=>(const CTime&) const noexcept = default;
    bool operator==(const CTime&) const noexcept = default;

private:
    time_t m_time = 0;
};
