#include "mfc/Time.h"

#include <clocale>
#include <cstring>
#include <locale.h>
#include <string>
#include <time.h>

namespace
{
// Seconds between 1601-01-01 and 1970-01-01, both UTC.
constexpr long long kFileTimeEpochOffset = 11644473600LL;

time_t FromLocalFields(int year, int month, int day, int hour, int min, int sec, int dst)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    t.tm_isdst = dst < 0 ? -1 : (dst > 0 ? 1 : 0);
    return std::mktime(&t);
}

struct tm LocalFields(time_t time)
{
    struct tm t = {};
    if (!::localtime_r(&time, &t))
        std::memset(&t, 0, sizeof t);
    return t;
}

// The Windows runtime's '#' flag (no leading zeros on numbers) is glibc's '-'.
std::string TranslateFormat(const char* fmt)
{
    std::string out;
    for (const char* p = fmt; *p; ++p)
    {
        out += *p;
        if (*p != '%' || !p[1])
            continue;
        ++p;
        if (*p == '#')
        {
            if (p[1] && std::strchr("dHIjmMSUwWyY", p[1]))
                out += '-';
            continue; // other conversions keep their plain form
        }
        out += *p;
    }
    return out;
}

CString FormatTm(const struct tm& t, LPCTSTR pszFormat)
{
    if (!pszFormat || !*pszFormat)
        return CString();
    // Time texts never follow the user's locale.
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string fmt = TranslateFormat(pszFormat);
    // strftime gives 0 both for "too small" and for an empty result; grow a few times, then accept.
    std::string buf(fmt.size() * 4 + 64, '\0');
    for (int attempt = 0; attempt < 8; ++attempt)
    {
        const size_t n = ::strftime_l(buf.data(), buf.size(), fmt.c_str(), &t, cLocale);
        if (n > 0)
            return CString(buf.data(), static_cast<int>(n));
        buf.resize(buf.size() * 4);
    }
    return CString();
}
} // namespace

CString CTimeSpan::Format(LPCTSTR pszFormat) const
{
    CString out;
    for (const char* p = pszFormat ? pszFormat : ""; *p; ++p)
    {
        if (*p != '%' || !p[1])
        {
            out += *p;
            continue;
        }
        switch (*++p)
        {
        case 'D':
            out.AppendFormat("%lld", static_cast<long long>(GetDays()));
            break;
        case 'H':
            out.AppendFormat("%02d", static_cast<int>(GetHours()));
            break;
        case 'M':
            out.AppendFormat("%02d", static_cast<int>(GetMinutes()));
            break;
        case 'S':
            out.AppendFormat("%02d", static_cast<int>(GetSeconds()));
            break;
        case '%':
            out += '%';
            break;
        default:
            out += '%';
            out += *p;
            break;
        }
    }
    return out;
}

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST)
    : m_time(FromLocalFields(nYear, nMonth, nDay, nHour, nMin, nSec, nDST))
{
}

CTime::CTime(WORD wDosDate, WORD wDosTime, int nDST)
    : m_time(FromLocalFields((wDosDate >> 9) + 1980, (wDosDate >> 5) & 0x0F, wDosDate & 0x1F, wDosTime >> 11,
                             (wDosTime >> 5) & 0x3F, (wDosTime & 0x1F) * 2, nDST))
{
}

CTime::CTime(const SYSTEMTIME& st, int nDST)
    : m_time(FromLocalFields(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, nDST))
{
}

CTime::CTime(const FILETIME& ft, int)
{
    const unsigned long long ticks =
        (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    m_time = static_cast<time_t>(static_cast<long long>(ticks / 10000000ULL) - kFileTimeEpochOffset);
}

CTime CTime::GetCurrentTime()
{
    return CTime(std::time(nullptr));
}

int CTime::GetYear() const
{
    return LocalFields(m_time).tm_year + 1900;
}

int CTime::GetMonth() const
{
    return LocalFields(m_time).tm_mon + 1;
}

int CTime::GetDay() const
{
    return LocalFields(m_time).tm_mday;
}

int CTime::GetHour() const
{
    return LocalFields(m_time).tm_hour;
}

int CTime::GetMinute() const
{
    return LocalFields(m_time).tm_min;
}

int CTime::GetSecond() const
{
    return LocalFields(m_time).tm_sec;
}

int CTime::GetDayOfWeek() const
{
    return LocalFields(m_time).tm_wday + 1;
}

struct tm* CTime::GetLocalTm(struct tm* ptm) const
{
    return ptm ? ::localtime_r(&m_time, ptm) : nullptr;
}

struct tm* CTime::GetGmtTm(struct tm* ptm) const
{
    return ptm ? ::gmtime_r(&m_time, ptm) : nullptr;
}

bool CTime::GetAsSystemTime(SYSTEMTIME& st) const
{
    struct tm t;
    if (!GetLocalTm(&t) || t.tm_year + 1900 < 1601 || t.tm_year + 1900 > 30827)
        return false;
    st.wYear = static_cast<WORD>(t.tm_year + 1900);
    st.wMonth = static_cast<WORD>(t.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(t.tm_wday);
    st.wDay = static_cast<WORD>(t.tm_mday);
    st.wHour = static_cast<WORD>(t.tm_hour);
    st.wMinute = static_cast<WORD>(t.tm_min);
    st.wSecond = static_cast<WORD>(t.tm_sec);
    st.wMilliseconds = 0;
    return true;
}

CString CTime::Format(LPCTSTR pszFormat) const
{
    struct tm t;
    return GetLocalTm(&t) ? FormatTm(t, pszFormat) : CString();
}

CString CTime::Format(UINT nFormatID) const
{
    CString format;
    format.LoadString(nFormatID);
    return Format(format.GetString());
}

CString CTime::FormatGmt(LPCTSTR pszFormat) const
{
    struct tm t;
    return GetGmtTm(&t) ? FormatTm(t, pszFormat) : CString();
}
