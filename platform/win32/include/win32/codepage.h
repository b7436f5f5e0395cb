// Text conversion between the system's 8-bit Windows-1252 text and Unicode.
// The layer converts only at its edges (Qt, the settings file); everything inside stays cp1252.
#pragma once

#include "win32/types.h"

#include <string>
#include <string_view>

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_THREAD_ACP 3
#define CP_1252 1252
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

namespace kel
{

// Converts cp1252 bytes to UTF-8. Total: every byte has a code point; the five bytes cp1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value, so
// Utf8ToCp1252(Cp1252ToUtf8(s)) == s for every s.
std::string Cp1252ToUtf8(std::string_view text);

// Converts UTF-8 to cp1252. A character cp1252 cannot hold, and each malformed byte sequence,
// becomes '?'.
std::string Utf8ToCp1252(std::string_view text);

// The Unicode code point of one cp1252 byte.
char32_t Cp1252ToCodePoint(unsigned char byte);

// The cp1252 byte of a code point, or -1 when cp1252 has none.
int CodePointToCp1252(char32_t codePoint);

} // namespace kel

// Converts cbMultiByte bytes (-1: up to and including the terminating NUL) of code page CP_ACP,
// CP_OEMCP, CP_THREAD_ACP or 1252 (all cp1252 here) or CP_UTF8 into wide characters (UTF-32 code
// points, wchar_t being 32 bits). With cchWideChar 0 returns the size needed, in wide characters.
// Returns the number written, or 0 when the buffer is too small, the code page is not supported,
// or MB_ERR_INVALID_CHARS is given and the UTF-8 input is malformed.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);

// Converts cchWideChar wide characters (-1: up to and including the terminating NUL) into code page
// CP_ACP/CP_OEMCP/CP_THREAD_ACP/1252 or CP_UTF8. For cp1252 an unmappable character becomes
// lpDefaultChar's first byte (default '?') and sets *lpUsedDefaultChar. With cbMultiByte 0 returns
// the size needed in bytes. Returns the number of bytes written, or 0 when the buffer is too small
// or the code page is not supported.
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar);
