// The Windows runtime functions, over the C library.
#include "win32/crt.h"
#include "kinternal.h"

#include <fenv.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <string>
#include <vector>

// ---- Strings ----------------------------------------------------------------------------------

namespace
{
int Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : static_cast<unsigned char>(c);
}
} // namespace

int _stricmp(const char* a, const char* b)
{
    return _strnicmp(a, b, static_cast<size_t>(-1));
}

int _strnicmp(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; ++i)
    {
        const int ca = Lower(a[i]), cb = Lower(b[i]);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
    return 0;
}

char* _strlwr(char* s)
{
    for (char* p = s; *p; ++p)
        *p = static_cast<char>(Lower(*p));
    return s;
}

char* _strupr(char* s)
{
    for (char* p = s; *p; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
    return s;
}

namespace
{
char* ToText(ULONGLONG value, bool negative, char* buffer, int radix)
{
    if (radix < 2 || radix > 36)
    {
        *buffer = '\0';
        return buffer;
    }
    char digits[72];
    int n = 0;
    do
    {
        const int d = static_cast<int>(value % static_cast<unsigned>(radix));
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= static_cast<unsigned>(radix);
    } while (value);
    char* p = buffer;
    if (negative)
        *p++ = '-';
    while (n)
        *p++ = digits[--n];
    *p = '\0';
    return buffer;
}
} // namespace

char* _itoa(int value, char* buffer, int radix)
{
    return _ltoa(value, buffer, radix);
}

char* _ltoa(LONG value, char* buffer, int radix)
{
    if (radix == 10 && value < 0)
        return ToText(static_cast<ULONGLONG>(-static_cast<LONGLONG>(value)), true, buffer, radix);
    return ToText(static_cast<ULONG>(value), false, buffer, radix);
}

char* _ultoa(ULONG value, char* buffer, int radix)
{
    return ToText(value, false, buffer, radix);
}

char* _i64toa(LONGLONG value, char* buffer, int radix)
{
    if (radix == 10 && value < 0)
        return ToText(0 - static_cast<ULONGLONG>(value), true, buffer, radix);
    return ToText(static_cast<ULONGLONG>(value), false, buffer, radix);
}

char* _ui64toa(ULONGLONG value, char* buffer, int radix)
{
    return ToText(value, false, buffer, radix);
}

// ---- Floating point to text --------------------------------------------------------------------

namespace
{
// `count` significant digits of |value| (count >= 1) and the decimal exponent of the first one.
std::string Significant(double value, int count, int& exponent)
{
    char text[400];
    snprintf(text, sizeof text, "%.*e", count - 1, std::fabs(value));
    std::string digits;
    const char* p = text;
    for (; *p && *p != 'e'; ++p)
        if (isdigit(static_cast<unsigned char>(*p)))
            digits += *p;
    exponent = *p == 'e' ? atoi(p + 1) : 0;
    return digits;
}

thread_local char t_cvt[_CVTBUFSIZE];

char* Store(const std::string& digits)
{
    const size_t n = std::min(digits.size(), sizeof t_cvt - 1);
    memcpy(t_cvt, digits.data(), n);
    t_cvt[n] = '\0';
    return t_cvt;
}
} // namespace

char* _ecvt(double value, int count, int* dec, int* sign)
{
    *sign = std::signbit(value) ? 1 : 0;
    if (count < 1)
        count = 1;
    count = std::min(count, _CVTBUFSIZE - 2);
    if (value == 0 || !std::isfinite(value))
    {
        *dec = 0;
        return Store(std::string(static_cast<size_t>(count), '0'));
    }
    int exponent;
    const std::string digits = Significant(value, count, exponent);
    *dec = exponent + 1;
    return Store(digits);
}

char* _fcvt(double value, int count, int* dec, int* sign)
{
    *sign = std::signbit(value) ? 1 : 0;
    if (count < 0)
        count = 0;
    if (!std::isfinite(value))
    {
        *dec = 0;
        return Store("");
    }
    char text[400];
    snprintf(text, sizeof text, "%.*f", std::min(count, 300), std::fabs(value));
    std::string digits;
    int point = -1;
    for (const char* p = text; *p; ++p)
    {
        if (*p == '.')
            point = static_cast<int>(digits.size());
        else
            digits += *p;
    }
    if (point < 0)
        point = static_cast<int>(digits.size());
    // Leading zeros move the decimal point: 0.0123 with 3 digits is "12" with dec -1.
    size_t zeros = 0;
    while (zeros < digits.size() && digits[zeros] == '0')
        ++zeros;
    if (zeros == digits.size())
    {
        *dec = 0;
        return Store(std::string(static_cast<size_t>(count), '0'));
    }
    *dec = point - static_cast<int>(zeros);
    return Store(digits.substr(zeros));
}

char* _gcvt(double value, int digits, char* buffer)
{
    if (!std::isfinite(value))
    {
        snprintf(buffer, 16, "%g", value);
        return buffer;
    }
    if (digits < 1)
        digits = 1;
    digits = std::min(digits, 17);
    int exponent = 0;
    std::string d = value == 0 ? std::string(1, '0') : Significant(value, digits, exponent);
    while (d.size() > 1 && d.back() == '0')
        d.pop_back();
    std::string out = std::signbit(value) && value != 0 ? "-" : "";
    if (exponent < -1 || exponent >= digits)
    {
        out += d[0];
        out += '.';
        out += d.substr(1);
        char e[16];
        snprintf(e, sizeof e, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out += e;
    }
    else if (exponent < 0)
        out += "0." + d; // exponent -1
    else
    {
        const size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (d.size() < intDigits)
            d.append(intDigits - d.size(), '0');
        out += d.substr(0, intDigits) + "." + d.substr(intDigits);
    }
    memcpy(buffer, out.c_str(), out.size() + 1);
    return buffer;
}

// ---- Paths -------------------------------------------------------------------------------------

namespace
{
void CopyPart(char* out, const char* begin, const char* end, size_t limit)
{
    if (!out)
        return;
    const size_t n = std::min(static_cast<size_t>(end - begin), limit - 1);
    memcpy(out, begin, n);
    out[n] = '\0';
}
} // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext)
{
    const char* p = path;
    const char* end = path + strlen(path);
    const char* rest = p;
    if (isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':')
        rest = p + 2;
    CopyPart(drive, p, rest, _MAX_DRIVE);
    const char* name = rest;
    for (const char* q = rest; q < end; ++q)
        if (*q == '/' || *q == '\\')
            name = q + 1;
    CopyPart(dir, rest, name, _MAX_DIR);
    const char* dot = nullptr;
    for (const char* q = name; q < end; ++q)
        if (*q == '.')
            dot = q;
    const char* extStart = dot ? dot : end;
    CopyPart(fname, name, extStart, _MAX_FNAME);
    CopyPart(ext, extStart, end, _MAX_EXT);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext)
{
    std::string out;
    if (drive && *drive)
    {
        out += drive[0];
        out += ':';
    }
    if (dir && *dir)
    {
        out += dir;
        if (out.back() != '/' && out.back() != '\\')
            out += '/';
    }
    if (fname)
        out += fname;
    if (ext && *ext)
    {
        if (*ext != '.')
            out += '.';
        out += ext;
    }
    const size_t n = std::min(out.size(), static_cast<size_t>(_MAX_PATH - 1));
    memcpy(path, out.data(), n);
    path[n] = '\0';
}

// ---- Formatted output ----------------------------------------------------------------------------

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int needed = vsnprintf(buffer, count, format, args);
    // No buffer at all asks for the length the text needs.
    if (needed < 0 || static_cast<size_t>(needed) < count || (!buffer && count == 0))
    {
        va_end(copy);
        return needed;
    }
    // Did not fit with its terminator: Windows stores `count` characters without one.
    std::vector<char> whole(static_cast<size_t>(needed) + 1);
    vsnprintf(whole.data(), whole.size(), format, copy);
    va_end(copy);
    memcpy(buffer, whole.data(), count);
    return static_cast<size_t>(needed) == count ? needed : -1;
}

int _snprintf(char* buffer, size_t count, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

// ---- Files and folders ---------------------------------------------------------------------------

namespace
{
// errno-style wrappers: translate the path, refuse an over-long one with ENAMETOOLONG.
bool Path(const char* in, std::string& out)
{
    if (!in)
    {
        errno = EINVAL;
        return false;
    }
    if (strlen(in) >= MAX_PATH)
    {
        errno = ENAMETOOLONG;
        return false;
    }
    out = in;
    std::replace(out.begin(), out.end(), '\\', '/');
    return true;
}
} // namespace

int _access(const char* path, int mode)
{
    std::string p;
    if (!Path(path, p))
        return -1;
    int m = F_OK;
    if (mode & 2)
        m |= W_OK;
    if (mode & 4)
        m |= R_OK;
    return access(p.c_str(), m);
}

char* _getcwd(char* buffer, int maxlen)
{
    if (!buffer)
        return getcwd(nullptr, 0);
    return getcwd(buffer, static_cast<size_t>(maxlen));
}

int _mkdir(const char* path)
{
    std::string p;
    return Path(path, p) ? mkdir(p.c_str(), 0777) : -1;
}

int _rmdir(const char* path)
{
    std::string p;
    return Path(path, p) ? rmdir(p.c_str()) : -1;
}

int _chdir(const char* path)
{
    std::string p;
    return Path(path, p) ? chdir(p.c_str()) : -1;
}

int _unlink(const char* path)
{
    std::string p;
    return Path(path, p) ? unlink(p.c_str()) : -1;
}

// ---- Floating-point control ----------------------------------------------------------------------

namespace
{
// Exception bits in the order x87/SSE use them (IM DM ZM OM UM PM) and their Windows bits.
struct ExceptionBit
{
    unsigned hardware; // bit in x87 control word / MXCSR flags; MXCSR mask = hardware << 7
    unsigned windows;
};
const ExceptionBit kExceptions[] = {
    {0x01, _EM_INVALID},  {0x02, _EM_DENORMAL},  {0x04, _EM_ZERODIVIDE},
    {0x08, _EM_OVERFLOW}, {0x10, _EM_UNDERFLOW}, {0x20, _EM_INEXACT},
};

constexpr unsigned kMxcsrFlushToZero = 0x8000;
constexpr unsigned kMxcsrDenormalsAreZero = 0x0040;

unsigned short ReadX87Control()
{
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

void WriteX87Control(unsigned short cw)
{
    // A pending x87 exception that becomes unmasked would trap at the next x87 instruction.
    __asm__ volatile("fnclex");
    __asm__ volatile("fldcw %0" : : "m"(cw));
}

unsigned ControlWord()
{
    const unsigned mxcsr = _mm_getcsr();
    const unsigned short x87 = ReadX87Control();
    unsigned cw = 0;
    for (const auto& e : kExceptions)
        if (mxcsr & (e.hardware << 7))
            cw |= e.windows;
    static const unsigned rounding[] = {_RC_NEAR, _RC_DOWN, _RC_UP, _RC_CHOP};
    cw |= rounding[(mxcsr >> 13) & 3];
    static const unsigned precision[] = {_PC_24, _PC_24, _PC_53, _PC_64}; // 01 is reserved
    cw |= precision[(x87 >> 8) & 3];
    if (mxcsr & kMxcsrFlushToZero)
        cw |= _DN_FLUSH;
    cw |= _IC_AFFINE; // x86-64 always uses affine infinity
    return cw;
}

unsigned StatusWord(unsigned flags)
{
    unsigned sw = 0;
    for (const auto& e : kExceptions)
        if (flags & e.hardware)
            sw |= e.windows == _EM_DENORMAL ? _SW_DENORMAL : e.windows;
    return sw;
}

unsigned short ReadX87Status()
{
    unsigned short sw;
    __asm__ volatile("fnstsw %0" : "=m"(sw));
    return sw;
}
} // namespace

unsigned int _controlfp(unsigned int newValue, unsigned int mask)
{
    if (mask == 0)
        return ControlWord();
    const unsigned cw = (ControlWord() & ~mask) | (newValue & mask);

    unsigned mxcsr = _mm_getcsr();
    unsigned short x87 = ReadX87Control();
    for (const auto& e : kExceptions)
    {
        if (cw & e.windows)
        {
            mxcsr |= e.hardware << 7;
            x87 = static_cast<unsigned short>(x87 | e.hardware);
        }
        else
        {
            mxcsr &= ~(e.hardware << 7);
            x87 = static_cast<unsigned short>(x87 & ~e.hardware);
        }
    }
    const unsigned rc = (cw & _MCW_RC) >> 8; // _RC_NEAR 0, DOWN 1, UP 2, CHOP 3: the hardware order
    mxcsr = (mxcsr & ~(3u << 13)) | (rc << 13);
    x87 = static_cast<unsigned short>((x87 & ~(3u << 10)) | (rc << 10));
    if (mask & _MCW_PC)
    {
        const unsigned pc = (cw & _MCW_PC) == _PC_24 ? 0 : ((cw & _MCW_PC) == _PC_53 ? 2 : 3);
        x87 = static_cast<unsigned short>((x87 & ~(3u << 8)) | (pc << 8));
    }
    if (mask & _MCW_DN)
        mxcsr = (cw & _DN_FLUSH) ? (mxcsr | kMxcsrFlushToZero | kMxcsrDenormalsAreZero)
                                 : (mxcsr & ~(kMxcsrFlushToZero | kMxcsrDenormalsAreZero));
    _mm_setcsr(mxcsr);
    WriteX87Control(x87);
    return ControlWord();
}

unsigned int _statusfp()
{
    return StatusWord((_mm_getcsr() & 0x3f) | (ReadX87Status() & 0x3f));
}

unsigned int _clearfp()
{
    const unsigned status = _statusfp();
    _mm_setcsr(_mm_getcsr() & ~0x3fu);
    __asm__ volatile("fnclex");
    return status;
}

// ---- rand ----------------------------------------------------------------------------------------

namespace
{
thread_local unsigned int t_randState = 1;
}

extern "C" int kel_rand(void) noexcept
{
    t_randState = t_randState * 214013u + 2531011u;
    return static_cast<int>((t_randState >> 16) & 0x7fff);
}

extern "C" void kel_srand(unsigned int seed) noexcept
{
    t_randState = seed;
}
