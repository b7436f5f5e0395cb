#include "win32/codepage.h"

#include <cstring>

namespace
{

// 0x80..0x9F; 0 marks the bytes cp1252 leaves undefined (they map to the C1 control of the same value).
constexpr char16_t kHighTable[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns -1 for a malformed sequence
// (overlong, surrogate, beyond U+10FFFF, truncated), having consumed one byte.
long DecodeUtf8(std::string_view text, size_t& pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
    {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0)
    {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    }
    else
    {
        ++pos;
        return -1;
    }
    if (pos + extra >= text.size())
    {
        ++pos;
        return -1;
    }
    for (int i = 1; i <= extra; ++i)
    {
        const unsigned char c = byte(pos + i);
        if ((c & 0xC0) != 0x80)
        {
            ++pos;
            return -1;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    {
        ++pos;
        return -1;
    }
    pos += extra + 1;
    return static_cast<long>(cp);
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x80)
    {
        out += static_cast<char>(cp);
    }
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000)
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsCp1252(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP || codePage == CP_1252;
}

// Length of the input, counting the terminating NUL when the caller passed -1.
size_t InputLength(int given, size_t nulTerminatedLength)
{
    return given < 0 ? nulTerminatedLength + 1 : static_cast<size_t>(given);
}

size_t WideLength(LPCWSTR text)
{
    size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

} // namespace

namespace kel
{

char32_t Cp1252ToCodePoint(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F && kHighTable[byte - 0x80] != 0)
        return kHighTable[byte - 0x80];
    return byte;
}

int CodePointToCp1252(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    if (codePoint >= 0x80 && codePoint <= 0x9F)
        return kHighTable[codePoint - 0x80] == 0 ? static_cast<int>(codePoint) : -1;
    for (int i = 0; i < 32; ++i)
    {
        if (kHighTable[i] != 0 && kHighTable[i] == codePoint)
            return 0x80 + i;
    }
    return -1;
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
    {
        const long cp = DecodeUtf8(text, pos);
        const int b = cp < 0 ? -1 : CodePointToCp1252(static_cast<char32_t>(cp));
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

} // namespace kel

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar)
{
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == nullptr))
        return 0;
    const std::string_view in(lpMultiByteStr,
                              InputLength(cbMultiByte, cbMultiByte < 0 ? std::strlen(lpMultiByteStr) : 0));
    std::u32string wide;
    if (IsCp1252(CodePage))
    {
        for (const char c : in)
            wide += kel::Cp1252ToCodePoint(static_cast<unsigned char>(c));
    }
    else if (CodePage == CP_UTF8)
    {
        size_t pos = 0;
        while (pos < in.size())
        {
            const long cp = DecodeUtf8(in, pos);
            if (cp < 0 && (dwFlags & MB_ERR_INVALID_CHARS) != 0)
                return 0;
            wide += cp < 0 ? kReplacement : static_cast<char32_t>(cp);
        }
    }
    else
    {
        return 0;
    }
    if (cchWideChar == 0)
        return static_cast<int>(wide.size());
    if (wide.size() > static_cast<size_t>(cchWideChar))
        return 0;
    for (size_t i = 0; i < wide.size(); ++i)
        lpWideCharStr[i] = static_cast<wchar_t>(wide[i]);
    return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD /*dwFlags*/, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (lpUsedDefaultChar != nullptr)
        *lpUsedDefaultChar = FALSE;
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && lpMultiByteStr == nullptr))
        return 0;
    const size_t n = InputLength(cchWideChar, cchWideChar < 0 ? WideLength(lpWideCharStr) : 0);
    std::string out;
    if (IsCp1252(CodePage))
    {
        const char fallback = lpDefaultChar != nullptr ? lpDefaultChar[0] : '?';
        for (size_t i = 0; i < n; ++i)
        {
            const int b = kel::CodePointToCp1252(static_cast<char32_t>(lpWideCharStr[i]));
            if (b < 0 && lpUsedDefaultChar != nullptr)
                *lpUsedDefaultChar = TRUE;
            out += b < 0 ? fallback : static_cast<char>(b);
        }
    }
    else if (CodePage == CP_UTF8)
    {
        for (size_t i = 0; i < n; ++i)
            AppendUtf8(out, static_cast<char32_t>(lpWideCharStr[i]));
    }
    else
    {
        return 0;
    }
    if (cbMultiByte == 0)
        return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cbMultiByte))
        return 0;
    std::memcpy(lpMultiByteStr, out.data(), out.size());
    return static_cast<int>(out.size());
}
