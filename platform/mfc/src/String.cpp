#include "mfc/String.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kel::mfc
{
void IndexOutOfRange(const char* where, INT_PTR index, INT_PTR size)
{
    std::fprintf(stderr, "%s: index %lld out of range (size %lld)\n", where, static_cast<long long>(index),
                 static_cast<long long>(size));
    std::fflush(stderr);
    std::abort();
}
} // namespace kel::mfc

namespace
{
const char kWhiteSpace[] = " \t\n\v\f\r";

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

LPCTSTR OrEmpty(LPCTSTR psz)
{
    return psz ? psz : "";
}

int Clamp(int v, int lo, int hi)
{
    return std::max(lo, std::min(v, hi));
}
} // namespace

CString::CString(LPCTSTR psz)
{
    Assign(psz);
}

CString::CString(LPCTSTR psz, int nLength)
{
    if (psz && nLength > 0)
        m_str.assign(psz, static_cast<size_t>(nLength));
}

CString::CString(char ch, int nRepeat)
{
    if (nRepeat > 0)
        m_str.assign(static_cast<size_t>(nRepeat), ch);
}

void CString::Assign(LPCTSTR psz)
{
    if (psz && IS_INTRESOURCE(psz))
    {
        m_str.clear();
        LoadString(LOWORD(psz));
        return;
    }
    m_str.assign(OrEmpty(psz));
}

CString& CString::operator=(LPCTSTR psz)
{
    Assign(psz);
    return *this;
}

CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}

char CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        kel::mfc::IndexOutOfRange("CString::GetAt", nIndex, GetLength());
    return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex < 0 || nIndex >= GetLength())
        kel::mfc::IndexOutOfRange("CString::SetAt", nIndex, GetLength());
    m_str[static_cast<size_t>(nIndex)] = ch;
}

void CString::SetString(LPCTSTR psz)
{
    m_str.assign(OrEmpty(psz));
}

void CString::SetString(LPCTSTR psz, int nLength)
{
    if (psz && nLength > 0)
        m_str.assign(psz, static_cast<size_t>(nLength));
    else
        m_str.clear();
}

CString& CString::operator+=(const CString& s)
{
    m_str += s.m_str;
    return *this;
}

CString& CString::operator+=(LPCTSTR psz)
{
    m_str += OrEmpty(psz);
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

void CString::Append(LPCTSTR psz, int nLength)
{
    if (psz && nLength > 0)
        m_str.append(psz, static_cast<size_t>(nLength));
}

int CString::Compare(LPCTSTR psz) const
{
    const int r = std::strcmp(m_str.c_str(), OrEmpty(psz));
    return (r > 0) - (r < 0);
}

int CString::CompareNoCase(LPCTSTR psz) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_str.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(OrEmpty(psz));
    for (;; ++a, ++b)
    {
        const unsigned char ca = static_cast<unsigned char>(AsciiLower(static_cast<char>(*a)));
        const unsigned char cb = static_cast<unsigned char>(AsciiLower(static_cast<char>(*b)));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    const int len = GetLength();
    nFirst = Clamp(nFirst, 0, len);
    nCount = Clamp(nCount, 0, len - nFirst);
    return CString(m_str.data() + nFirst, nCount);
}

CString CString::Left(int nCount) const
{
    return CString(m_str.data(), Clamp(nCount, 0, GetLength()));
}

CString CString::Right(int nCount) const
{
    nCount = Clamp(nCount, 0, GetLength());
    return CString(m_str.data() + GetLength() - nCount, nCount);
}

CString CString::SpanIncluding(LPCTSTR pszCharSet) const
{
    return Left(static_cast<int>(std::strspn(m_str.c_str(), OrEmpty(pszCharSet))));
}

CString CString::SpanExcluding(LPCTSTR pszCharSet) const
{
    return Left(static_cast<int>(std::strcspn(m_str.c_str(), OrEmpty(pszCharSet))));
}

CString& CString::MakeUpper()
{
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiUpper);
    return *this;
}

CString& CString::MakeLower()
{
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiLower);
    return *this;
}

CString& CString::MakeReverse()
{
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

int CString::Replace(char chOld, char chNew)
{
    int n = 0;
    for (char& c : m_str)
    {
        if (c == chOld)
        {
            c = chNew;
            ++n;
        }
    }
    return n;
}

int CString::Replace(LPCTSTR pszOld, LPCTSTR pszNew)
{
    const std::string_view from(OrEmpty(pszOld));
    if (from.empty())
        return 0;
    const std::string_view to(OrEmpty(pszNew));
    std::string out;
    int n = 0;
    size_t pos = 0;
    for (size_t hit; (hit = m_str.find(from, pos)) != std::string::npos; pos = hit + from.size())
    {
        out.append(m_str, pos, hit - pos);
        out.append(to);
        ++n;
    }
    if (n > 0)
    {
        out.append(m_str, pos, std::string::npos);
        m_str.swap(out);
    }
    return n;
}

int CString::Remove(char ch)
{
    const size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, char ch)
{
    m_str.insert(static_cast<size_t>(Clamp(nIndex, 0, GetLength())), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, LPCTSTR psz)
{
    m_str.insert(static_cast<size_t>(Clamp(nIndex, 0, GetLength())), OrEmpty(psz));
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    const int first = Clamp(nIndex, 0, GetLength());
    const int count = Clamp(nCount, 0, GetLength() - first);
    m_str.erase(static_cast<size_t>(first), static_cast<size_t>(count));
    return GetLength();
}

CString& CString::TrimLeft()
{
    return TrimLeft(kWhiteSpace);
}

CString& CString::TrimLeft(char chTarget)
{
    const char set[2] = {chTarget, '\0'};
    return TrimLeft(chTarget ? set : "");
}

CString& CString::TrimLeft(LPCTSTR pszTargets)
{
    const std::string_view set(OrEmpty(pszTargets));
    if (!set.empty())
        m_str.erase(0, std::min(m_str.find_first_not_of(set), m_str.size()));
    return *this;
}

CString& CString::TrimRight()
{
    return TrimRight(kWhiteSpace);
}

CString& CString::TrimRight(char chTarget)
{
    const char set[2] = {chTarget, '\0'};
    return TrimRight(chTarget ? set : "");
}

CString& CString::TrimRight(LPCTSTR pszTargets)
{
    const std::string_view set(OrEmpty(pszTargets));
    if (!set.empty())
    {
        const size_t last = m_str.find_last_not_of(set);
        m_str.erase(last == std::string::npos ? 0 : last + 1);
    }
    return *this;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::Trim(char chTarget)
{
    return TrimRight(chTarget).TrimLeft(chTarget);
}

CString& CString::Trim(LPCTSTR pszTargets)
{
    return TrimRight(pszTargets).TrimLeft(pszTargets);
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    const size_t hit = m_str.find(ch, static_cast<size_t>(nStart));
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

int CString::Find(LPCTSTR pszSub, int nStart) const
{
    if (nStart < 0 || nStart > GetLength())
        return -1;
    const size_t hit = m_str.find(OrEmpty(pszSub), static_cast<size_t>(nStart));
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

int CString::ReverseFind(char ch) const
{
    const size_t hit = m_str.rfind(ch);
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

int CString::FindOneOf(LPCTSTR pszCharSet) const
{
    const std::string_view set(OrEmpty(pszCharSet));
    if (set.empty())
        return -1;
    const size_t hit = m_str.find_first_of(set);
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

CString CString::Tokenize(LPCTSTR pszTokens, int& iStart) const
{
    const int len = GetLength();
    if (iStart >= 0 && iStart < len)
    {
        const std::string_view set(OrEmpty(pszTokens));
        if (set.empty())
        {
            const int from = iStart;
            iStart = len;
            return Mid(from);
        }
        const size_t first = m_str.find_first_not_of(set, static_cast<size_t>(iStart));
        if (first != std::string::npos)
        {
            const size_t end = std::min(m_str.find_first_of(set, first), m_str.size());
            iStart = static_cast<int>(end) + 1;
            return Mid(static_cast<int>(first), static_cast<int>(end - first));
        }
    }
    iStart = -1;
    return CString();
}

namespace
{
// The Windows runtime's size prefixes (%I64d, %I32u, %Id) in the C runtime's spelling; without
// this the C runtime would print them as text and take the wrong arguments. A single 'l' on an
// integer conversion is dropped: long is 32 bits in the Windows data model (LONG, DWORD), while
// the C runtime here would take a 64-bit argument and print a negative LONG as a large number.
std::string PortableFormat(const char* fmt)
{
    std::string out;
    for (const char* p = fmt; *p;)
    {
        if (*p != '%')
        {
            out += *p++;
            continue;
        }
        out += *p++;
        while (*p && std::strchr("-+ #0123456789.*", *p))
            out += *p++;
        if (*p == 'I')
        {
            if (p[1] == '6' && p[2] == '4')
            {
                out += "ll";
                p += 3;
            }
            else if (p[1] == '3' && p[2] == '2')
                p += 3;
            else
            {
                out += 'z';
                ++p;
            }
        }
        else if (*p == 'l' && p[1] != '\0' && std::strchr("diouxX", p[1]))
            ++p;
        else if (*p == '%')
            out += *p++;
    }
    return out;
}

// Appends the formatted text to out; the arguments may point into any other string.
void AppendFormatted(std::string& out, LPCTSTR pszFormat, va_list args)
{
    const char* format = OrEmpty(pszFormat);
    std::string portable;
    if (std::strpbrk(format, "Il"))
    {
        portable = PortableFormat(format);
        format = portable.c_str();
    }
    va_list probe;
    va_copy(probe, args);
    const int n = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (n <= 0)
        return;
    const size_t old = out.size();
    out.resize(old + static_cast<size_t>(n));
    std::vsnprintf(out.data() + old, static_cast<size_t>(n) + 1, format, args);
}
} // namespace

void CString::FormatV(LPCTSTR pszFormat, va_list args)
{
    // Format into a fresh string: the arguments may be this string's own text.
    std::string out;
    AppendFormatted(out, pszFormat, args);
    m_str.swap(out);
}

void CString::AppendFormatV(LPCTSTR pszFormat, va_list args)
{
    std::string out(m_str);
    AppendFormatted(out, pszFormat, args);
    m_str.swap(out);
}

void CString::FormatImpl(LPCTSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormatImpl(LPCTSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
    va_end(args);
}

LPTSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinBufLength));
    return m_str.data();
}

LPTSTR CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(static_cast<size_t>(std::max(nNewLength, 0)));
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
    {
        const void* nul = std::memchr(m_str.data(), 0, m_str.size());
        m_str.resize(nul ? static_cast<size_t>(static_cast<const char*>(nul) - m_str.data()) : m_str.size());
    }
    else
        m_str.resize(std::min(static_cast<size_t>(nNewLength), m_str.size()));
}

void CString::Preallocate(int nLength)
{
    if (nLength > 0)
        m_str.reserve(static_cast<size_t>(nLength));
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, LPCTSTR b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(LPCTSTR a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, char b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(char a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
