// CString: an 8-bit (cp1252) string with the members MFC code uses.
// Value semantics over a std::string; the buffer is always NUL-terminated.
#pragma once

#include "win32/types.h"

#include <cstdarg>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace kel::mfc
{
// Reports a bad index or count into a string or collection and aborts: such a call is a
// programming error, and going on would corrupt memory.
[[noreturn]] void IndexOutOfRange(const char* where, INT_PTR index, INT_PTR size);
} // namespace kel::mfc

class CString
{
public:
    // Construction. A const char* made by MAKEINTRESOURCE loads that string id; NULL gives "".
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCTSTR psz);
    // The first nLength bytes of psz (embedded NULs kept); a negative length gives "".
    CString(LPCTSTR psz, int nLength);
    CString(const unsigned char* psz) : CString(reinterpret_cast<LPCTSTR>(psz)) {}
    // ch repeated nRepeat times (none when nRepeat <= 0).
    CString(char ch, int nRepeat = 1);
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCTSTR psz);
    CString& operator=(const unsigned char* psz) { return *this = reinterpret_cast<LPCTSTR>(psz); }
    CString& operator=(char ch);

    // Loads string nID from the current resource module; FALSE (and the text unchanged) if missing.
    BOOL LoadString(UINT nID);

    // Length in bytes, not counting the terminating NUL.
    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    // Character access; an index outside 0..GetLength()-1 aborts.
    char GetAt(int nIndex) const;
    void SetAt(int nIndex, char ch);
    char operator[](int nIndex) const { return GetAt(nIndex); }

    operator LPCTSTR() const { return m_str.c_str(); }
    LPCTSTR GetString() const { return m_str.c_str(); }
    void SetString(LPCTSTR psz);
    void SetString(LPCTSTR psz, int nLength);

    // Concatenation.
    CString& operator+=(const CString& s);
    CString& operator+=(LPCTSTR psz);
    CString& operator+=(char ch);
    void Append(const CString& s) { *this += s; }
    void Append(LPCTSTR psz) { *this += psz; }
    void Append(LPCTSTR psz, int nLength);
    void AppendChar(char ch) { *this += ch; }

    // Comparisons: <0, 0, >0 like strcmp (bytes compared unsigned). NoCase folds ASCII letters;
    // collation is the "C" locale's, i.e. byte order.
    int Compare(LPCTSTR psz) const;
    int CompareNoCase(LPCTSTR psz) const;
    int Collate(LPCTSTR psz) const { return Compare(psz); }
    int CollateNoCase(LPCTSTR psz) const { return CompareNoCase(psz); }

    // Extraction. Starts and counts are clamped to the string: a negative start is 0, a negative
    // count is 0, a start past the end gives "".
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(LPCTSTR pszCharSet) const;
    CString SpanExcluding(LPCTSTR pszCharSet) const;

    // In-place changes; case mapping touches ASCII letters only.
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    // Return the number of replacements/removals made.
    int Replace(char chOld, char chNew);
    int Replace(LPCTSTR pszOld, LPCTSTR pszNew);
    int Remove(char ch);
    // Return the new length. An index past the end inserts at the end; negative at the start.
    int Insert(int nIndex, char ch);
    int Insert(int nIndex, LPCTSTR psz);
    int Delete(int nIndex, int nCount = 1);

    // Trimming: no argument trims white space (" \t\n\v\f\r"), a char trims that char, a string
    // trims any of its chars.
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimLeft(LPCTSTR pszTargets);
    CString& TrimRight();
    CString& TrimRight(char chTarget);
    CString& TrimRight(LPCTSTR pszTargets);
    CString& Trim();
    CString& Trim(char chTarget);
    CString& Trim(LPCTSTR pszTargets);

    // Searching: index of the first match at or after nStart, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(LPCTSTR pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCTSTR pszCharSet) const;
    // Next token delimited by any of pszTokens, starting at iStart; advances iStart past the
    // token, or sets it to -1 (and returns "") when no token is left.
    CString Tokenize(LPCTSTR pszTokens, int& iStart) const;

    // printf-style formatting (C runtime semantics, any length). CString arguments may be passed
    // directly; they are given to the formatter as their text.
    template <class... Args> void Format(LPCTSTR pszFormat, const Args&... args)
    {
        FormatImpl(pszFormat, FormatArg(args)...);
    }
    template <class... Args> void Format(UINT nFormatID, const Args&... args)
    {
        CString format;
        format.LoadString(nFormatID);
        FormatImpl(format.GetString(), FormatArg(args)...);
    }
    template <class... Args> void AppendFormat(LPCTSTR pszFormat, const Args&... args)
    {
        AppendFormatImpl(pszFormat, FormatArg(args)...);
    }
    void FormatV(LPCTSTR pszFormat, va_list args);
    void AppendFormatV(LPCTSTR pszFormat, va_list args);

    // Direct buffer access. GetBuffer(n) gives room for at least n chars plus a NUL; after writing,
    // ReleaseBuffer(-1) takes the length up to the first NUL, ReleaseBuffer(n) exactly n.
    LPTSTR GetBuffer() { return m_str.data(); }
    LPTSTR GetBuffer(int nMinBufLength);
    LPTSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);
    void ReleaseBufferSetLength(int nNewLength) { ReleaseBuffer(nNewLength); }
    void Preallocate(int nLength);
    void FreeExtra() { m_str.shrink_to_fit(); }
    int GetAllocLength() const { return static_cast<int>(m_str.capacity()); }
    LPTSTR LockBuffer() { return m_str.data(); }
    void UnlockBuffer() {}

private:
    template <class T> static auto FormatArg(const T& v)
    {
        if constexpr (std::is_base_of_v<CString, T>)
            return v.GetString();
        else
            return v;
    }
    void FormatImpl(LPCTSTR pszFormat, ...);
    void AppendFormatImpl(LPCTSTR pszFormat, ...);
    void Assign(LPCTSTR psz);

    std::string m_str;
};

typedef CString CStringA;

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCTSTR b);
CString operator+(LPCTSTR a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

// Comparisons compare the texts as C strings, bytes unsigned.
inline bool operator==(const CString& a, const CString& b)
{
    return a.Compare(b) == 0;
}
inline bool operator==(const CString& a, LPCTSTR b)
{
    return a.Compare(b) == 0;
}
inline bool operator==(LPCTSTR a, const CString& b)
{
    return b.Compare(a) == 0;
}
inline bool operator!=(const CString& a, const CString& b)
{
    return a.Compare(b) != 0;
}
inline bool operator!=(const CString& a, LPCTSTR b)
{
    return a.Compare(b) != 0;
}
inline bool operator!=(LPCTSTR a, const CString& b)
{
    return b.Compare(a) != 0;
}
inline bool operator<(const CString& a, const CString& b)
{
    return a.Compare(b) < 0;
}
inline bool operator<(const CString& a, LPCTSTR b)
{
    return a.Compare(b) < 0;
}
inline bool operator<(LPCTSTR a, const CString& b)
{
    return b.Compare(a) > 0;
}
inline bool operator>(const CString& a, const CString& b)
{
    return a.Compare(b) > 0;
}
inline bool operator>(const CString& a, LPCTSTR b)
{
    return a.Compare(b) > 0;
}
inline bool operator>(LPCTSTR a, const CString& b)
{
    return b.Compare(a) < 0;
}
inline bool operator<=(const CString& a, const CString& b)
{
    return a.Compare(b) <= 0;
}
inline bool operator<=(const CString& a, LPCTSTR b)
{
    return a.Compare(b) <= 0;
}
inline bool operator<=(LPCTSTR a, const CString& b)
{
    return b.Compare(a) >= 0;
}
inline bool operator>=(const CString& a, const CString& b)
{
    return a.Compare(b) >= 0;
}
inline bool operator>=(const CString& a, LPCTSTR b)
{
    return a.Compare(b) >= 0;
}
inline bool operator>=(LPCTSTR a, const CString& b)
{
    return b.Compare(a) <= 0;
}

// Hash of the text up to its first NUL, consistent with operator==.
template <> struct std::hash<CString>
{
    size_t operator()(const CString& s) const noexcept
    {
        return std::hash<std::string_view>()(std::string_view(s.GetString()));
    }
};
