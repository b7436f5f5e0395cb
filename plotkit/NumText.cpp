// Number text: the library's number formatter (ftoa), the number scanner shared by files and the
// clipboard, and ASCII data-set files (one point a line: X, then its Y values).
//
// File format: 8-bit text without a header; each line holds a point's X value and its Y values,
// each right-aligned in a field of the chosen width and separated by one blank; lines end with
// line feed, carriage return (the order stored files have always used). The reader takes any
// blank, tab or line end (CR LF, LF, LF CR) between numbers and the columns from the first line
// that holds a number.
#include "PlotkitInternal.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsNumberChar(char c)
{
    return IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

// The wait cursor for as long as the object lives; the previous one (or the arrow) afterwards.
class WaitCursor
{
public:
    WaitCursor() : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_previous ? m_previous : LoadCursor(nullptr, IDC_ARROW)); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

class File
{
public:
    explicit File(HANDLE h) : m_handle(h) {}
    ~File()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool Open() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

struct FileFormat
{
    int width = 10;
    int precision = 6;
    int style = 0;
};

// "%W.Pl<letter>": every part may be left out.
FileFormat ParseFormat(const char* text)
{
    FileFormat f;
    if (text == nullptr)
        return f;
    const char* c = text;
    if (*c == '%')
        ++c;
    if (IsDigit(*c))
    {
        f.width = 0;
        while (IsDigit(*c))
        {
            f.width = std::min(f.width * 10 + (*c - '0'), 1000);
            ++c;
        }
    }
    if (*c == '.')
    {
        ++c;
        f.precision = 0;
        for (int k = 0; k < 2 && IsDigit(*c); ++k, ++c)
            f.precision = f.precision * 10 + (*c - '0');
    }
    if (*c == 'l' || *c == 'd')
        ++c;
    switch (*c)
    {
    case 'e':
    case 'E':
        f.style = 3;
        break;
    case 'g':
    case 'G':
        f.style = 4;
        f.precision = f.width;
        break;
    default:
        f.style = 0;
        break;
    }
    return f;
}

float ToFloat(double v)
{
    if (std::isnan(v))
        return NAN;
    if (v > FLT_MAX)
        return INFINITY;
    if (v < -FLT_MAX)
        return -INFINITY;
    return static_cast<float>(v);
}

// The numbers of the first line that has any: a number starts at a digit, sign or point outside a
// number; 'e' and 'E' continue one.
int CountColumns(const std::string& text)
{
    int columns = 0;
    bool inNumber = false;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (static_cast<unsigned char>(c) == 0xFF)
            break;
        if ((c == '\n' || c == '\r') && columns > 0)
            break;
        const bool starts =
            IsDigit(c) || c == '+' || c == '-' || (c == '.' && i + 1 < text.size() && IsDigit(text[i + 1]));
        if (starts || (inNumber && (c == 'e' || c == 'E')))
        {
            if (!inNumber)
                ++columns;
            inNumber = true;
        }
        else
            inNumber = false;
    }
    return columns;
}

} // namespace

double ReadNumber(const char* text, int* length)
{
    const char* start = FirstDig(text);
    if (start == nullptr)
    {
        if (length)
            *length = 0;
        return 0;
    }
    const char* end = FirstNotDig(start + 1);
    char buffer[29]{};
    std::memcpy(buffer, start, std::min<size_t>(static_cast<size_t>(end - start), 28));
    if (length)
        *length = static_cast<int>(end - text);
    return std::atof(buffer);
}

} // namespace plotkit

using namespace plotkit;

char* WINAPI ftoa(float value, int digits, int style)
{
    static char text[400];
    const double v = value;
    if (v == 0)
        return std::strcpy(text, "0");
    if (!std::isfinite(v))
    {
        std::snprintf(text, sizeof(text), "%s", std::isnan(v) ? "nan" : v < 0 ? "-inf" : "inf");
        return text;
    }
    digits = std::clamp(digits, style == 4 ? 1 : 0, 40);
    if (style == 4)
    {
        char general[64];
        _gcvt(v, digits, general);
        std::string s = general;
        for (size_t i = 0; i < s.size(); ++i)
        {
            if (s[i] == '.' && i + 1 == s.size())
            {
                s.erase(i);
                break;
            }
            if (s[i] == '.' && s[i + 1] == 'e')
                s.erase(i, 1);
            if (s[i] == 'e')
            {
                size_t k = i + 1;
                if (k < s.size() && (s[k] == '+' || s[k] == '-'))
                    ++k;
                if (k < s.size() && s[k] == '0')
                    s.erase(k, 1);
                break;
            }
        }
        std::snprintf(text, sizeof(text), "%s", s.c_str());
        return text;
    }
    int point = 0, negative = 0;
    std::string out = v < 0 ? "-" : "";
    if (style == 1 || style == 3)
    {
        const int d = std::max(0, digits + static_cast<int>(std::floor(std::log10(9.99 / std::fabs(v)))));
        std::string figures = _fcvt(v, d, &point, &negative);
        if (figures.size() < static_cast<size_t>(digits) + 1)
            figures.append(static_cast<size_t>(digits) + 1 - figures.size(), '0');
        out += figures[0];
        if (digits > 0)
            out += "." + figures.substr(1, static_cast<size_t>(digits));
        out += style == 1 ? "x10" : (point > 0 ? "e+" : "e");
        out += std::to_string(point - 1);
    }
    else
    {
        const std::string figures = _fcvt(v, digits, &point, &negative);
        if (point < 1)
        {
            out += "0";
            if (digits >= -point)
                out += "." + std::string(static_cast<size_t>(-point), '0') + figures;
        }
        else
        {
            const size_t whole = std::min(static_cast<size_t>(point), figures.size());
            out += figures.substr(0, whole);
            if (whole < static_cast<size_t>(point))
                out.append(static_cast<size_t>(point) - whole, '0');
            if (digits > 0)
                out += "." + figures.substr(whole);
        }
    }
    std::snprintf(text, sizeof(text), "%s", out.c_str());
    return text;
}

char* WINAPI FirstDig(const char* text)
{
    if (text == nullptr)
        return nullptr;
    for (const char* c = text; *c; ++c)
        // A point starts a number only before a digit: ".5" is a half, a lone "." is nothing.
        if (IsDigit(*c) || *c == '+' || *c == '-' || (*c == '.' && IsDigit(c[1])))
            return const_cast<char*>(c);
    return nullptr;
}

char* WINAPI FirstNotDig(const char* text)
{
    if (text == nullptr)
        return nullptr;
    const char* c = text;
    while (*c && IsNumberChar(*c))
        ++c;
    return const_cast<char*>(c);
}

int WINAPI GetPrec(float step)
{
    double v = std::fabs(static_cast<double>(step));
    if (v == 0 || !std::isfinite(v))
        return 0;
    for (int n = 0; n < 5; ++n, v *= 10)
        if (std::fabs(std::floor(v * 1.000001) - v) < v * 0.000001)
            return n;
    return 5;
}

BOOL WINAPI WGSaveASCIIDataSet(int number, const char* path, const char* format)
{
    if (path == nullptr)
        return FALSE;
    const DataSetDesc* set = DataSetAt(number);
    if (set == nullptr)
    {
        ErrHdlr(55, 0, nullptr);
        return FALSE;
    }
    File file(CreateFile(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Open())
    {
        ErrHdlr(7, 2, path);
        return FALSE;
    }
    WaitCursor wait;
    const FileFormat f = ParseFormat(format);
    std::string line;
    for (int p = 0; p < set->count; ++p)
    {
        line.clear();
        for (int k = 0; k <= set->yPerX; ++k)
        {
            const float value = k == 0 ? set->x[p] : set->y[p * set->yPerX + k - 1];
            const char* figures = ftoa(value, f.precision, f.style);
            const size_t length = std::strlen(figures);
            if (k > 0)
                line += ' ';
            if (length < static_cast<size_t>(f.width))
                line.append(static_cast<size_t>(f.width) - length, ' ');
            line += figures;
        }
        line += "\n\r";
        DWORD written = 0;
        if (!WriteFile(file.Handle(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
            written != line.size())
        {
            ErrHdlr(24, 2, path);
            return FALSE; // the file is incomplete: not a success
        }
    }
    return TRUE;
}

int WINAPI WGLoadASCIIDataSet(const char* path, const char* name)
{
    if (path == nullptr)
        return 0;
    File file(CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
    if (!file.Open())
    {
        ErrHdlr(7, 2, path);
        return 0;
    }
    WaitCursor wait;
    const char* shown = name ? name : "";

    // The whole text; zero bytes count as blanks so that nothing after one is lost.
    std::string text;
    try
    {
        char chunk[12500];
        DWORD got = 0;
        while (ReadFile(file.Handle(), chunk, sizeof(chunk), &got, nullptr) && got > 0)
            text.append(chunk, got);
    }
    catch (const std::bad_alloc&)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    for (char& c : text)
        if (c == '\0')
            c = ' ';

    const int columns = CountColumns(text);
    if (columns < 2 || columns > 256)
    {
        ErrHdlr(58, 2, shown);
        return 0;
    }
    const int per = columns - 1;
    std::vector<float> xs, ys;
    try
    {
        const char* c = text.c_str();
        for (;;)
        {
            float row[256];
            int k = 0;
            for (; k < columns; ++k)
            {
                int used = 0;
                const double v = ReadNumber(c, &used);
                if (used == 0)
                    break;
                row[k] = ToFloat(v);
                c += used;
            }
            if (k < columns)
                break; // an incomplete last row is left out
            xs.push_back(row[0]);
            ys.insert(ys.end(), row + 1, row + columns);
        }
    }
    catch (const std::bad_alloc&)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    const int rows = static_cast<int>(xs.size());
    if (rows == 0)
    {
        ErrHdlr(58, 2, shown);
        return 0;
    }
    HGLOBAL xBlock = GlobalAlloc(GHND, xs.size() * sizeof(float));
    HGLOBAL yBlock = GlobalAlloc(GHND, ys.size() * sizeof(float));
    if (xBlock == nullptr || yBlock == nullptr)
    {
        GlobalFree(xBlock);
        GlobalFree(yBlock);
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    std::memcpy(GlobalLock(xBlock), xs.data(), xs.size() * sizeof(float));
    std::memcpy(GlobalLock(yBlock), ys.data(), ys.size() * sizeof(float));
    const int number = WGDefineGroupDataSet(name, xBlock, yBlock, rows, per);
    if (number == 0)
    {
        GlobalFree(xBlock);
        GlobalFree(yBlock);
    }
    return number;
}
