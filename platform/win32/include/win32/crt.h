// The Windows C runtime functions the code calls, with their documented behaviour, on top of the
// C library. rand() gives Windows' 0..32767 sequence (RAND_MAX 32767).
#pragma once

#include "win32/types.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---- Strings ----------------------------------------------------------------------------------

// ASCII case-insensitive compares (the "C" locale's rule): <0, 0, >0.
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t n);
#define stricmp _stricmp
#define strcmpi _stricmp
#define _strcmpi _stricmp
#define strnicmp _strnicmp
#define _mbsicmp _stricmp

// In-place ASCII case conversion; return s.
char* _strlwr(char* s);
char* _strupr(char* s);
#define strlwr _strlwr
#define strupr _strupr

// Integer to text in radix 2..36 (lower-case digits). Negative values get a '-' only in radix 10;
// other radixes show the 32-bit two's complement, as on Windows. Return buffer.
char* _itoa(int value, char* buffer, int radix);
char* _ltoa(LONG value, char* buffer, int radix);
char* _ultoa(ULONG value, char* buffer, int radix);
char* _i64toa(LONGLONG value, char* buffer, int radix);
char* _ui64toa(ULONGLONG value, char* buffer, int radix);
#define itoa _itoa
#define ltoa _ltoa
#define ultoa _ultoa
#define _atoi64(s) atoll(s)

// ---- Floating point to text --------------------------------------------------------------------

#define _CVTBUFSIZE 349

// `digits` significant digits: plain notation when the decimal exponent is -1 .. digits-1, else
// "d.ddde+XXX" (three exponent digits); trailing zeros dropped, a decimal point always present
// ("100." , "0.5", "1.e-002"). Returns buffer.
char* _gcvt(double value, int digits, char* buffer);
#define gcvt _gcvt
// All digits of value rounded to `count` digits after the point, without point or sign; *dec is
// the position of the point, *sign nonzero for negative values. Per-thread buffer.
char* _fcvt(double value, int count, int* dec, int* sign);
// `count` significant digits, otherwise as _fcvt.
char* _ecvt(double value, int count, int* dec, int* sign);
#define fcvt _fcvt
#define ecvt _ecvt

// ---- Paths -------------------------------------------------------------------------------------

#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

// Splits "d:/dir/name.ext" ('\\' or '/') into drive ("d:" or ""), dir (with its trailing
// separator), name and extension (with its dot). Any output may be NULL.
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// Joins the parts, adding a '/' after dir and a '.' before ext where missing.
void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);

// ---- Formatted output ----------------------------------------------------------------------------

// Windows rules: when the text does not fit, count characters are stored without terminator and
// -1 is returned; when it fits exactly, count characters without terminator and count. With a NULL
// buffer and count 0 nothing is stored and the length the text needs is returned.
int _snprintf(char* buffer, size_t count, const char* format, ...) __attribute__((format(printf, 3, 4)));
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);
#define _vsnprintf_s(b, n, c, f, a) _vsnprintf((b), (n), (f), (a))

// ---- Files and folders ---------------------------------------------------------------------------

// 0 if the path may be accessed with `mode` (0 exists, 2 write, 4 read, 6 both), else -1 (errno).
int _access(const char* path, int mode);
// Current folder into buffer (allocated with malloc when buffer is NULL); NULL on failure.
char* _getcwd(char* buffer, int maxlen);
int _mkdir(const char* path);
int _rmdir(const char* path);
int _chdir(const char* path);
int _unlink(const char* path);

// ---- Floating-point control ----------------------------------------------------------------------

// Control word in the Windows bit layout (a set _EM_ bit masks that exception).
#define _EM_INEXACT 0x00000001u
#define _EM_UNDERFLOW 0x00000002u
#define _EM_OVERFLOW 0x00000004u
#define _EM_ZERODIVIDE 0x00000008u
#define _EM_INVALID 0x00000010u
#define _EM_DENORMAL 0x00080000u
#define _MCW_EM 0x0008001Fu

#define _RC_NEAR 0x00000000u
#define _RC_DOWN 0x00000100u
#define _RC_UP 0x00000200u
#define _RC_CHOP 0x00000300u
#define _MCW_RC 0x00000300u

#define _PC_64 0x00000000u
#define _PC_53 0x00010000u
#define _PC_24 0x00020000u
#define _MCW_PC 0x00030000u

#define _IC_AFFINE 0x00040000u
#define _IC_PROJECTIVE 0x00000000u
#define _MCW_IC 0x00040000u

#define _DN_SAVE 0x00000000u
#define _DN_FLUSH 0x01000000u
#define _MCW_DN 0x03000000u

#define _CW_DEFAULT                                                                                          \
    (_RC_NEAR + _PC_53 + _EM_INVALID + _EM_ZERODIVIDE + _EM_OVERFLOW + _EM_UNDERFLOW + _EM_INEXACT +         \
     _EM_DENORMAL)

// Status word bits (sticky exception flags).
#define _SW_INEXACT 0x00000001u
#define _SW_UNDERFLOW 0x00000002u
#define _SW_OVERFLOW 0x00000004u
#define _SW_ZERODIVIDE 0x00000008u
#define _SW_INVALID 0x00000010u
#define _SW_DENORMAL 0x00080000u

// Sets the bits of `mask` to those of `newValue` in the floating-point control of the calling
// thread (SSE and x87) and returns the resulting control word. _controlfp(0, 0) reads it.
// Unmasked exceptions raise SIGFPE when they occur. Precision control affects x87 only.
unsigned int _controlfp(unsigned int newValue, unsigned int mask);
#define _control87 _controlfp
// Returns the exception flags and clears them.
unsigned int _clearfp();
// Returns the exception flags.
unsigned int _statusfp();
#define _fpreset() ((void)_clearfp())

// ---- Miscellaneous -------------------------------------------------------------------------------

#define __min(a, b) (((a) < (b)) ? (a) : (b))
#define __max(a, b) (((a) > (b)) ? (a) : (b))

// Windows' rand(): state = state * 214013 + 2531011, result (state >> 16) & 0x7fff. As in the
// Windows runtime the state is per thread and starts as if srand(1) had been called.
extern "C" int kel_rand(void) noexcept;
extern "C" void kel_srand(unsigned int seed) noexcept;
#undef RAND_MAX
#define RAND_MAX 0x7fff
#define rand kel_rand
#define srand kel_srand
namespace std
{
using ::kel_rand;
using ::kel_srand;
} // namespace std
