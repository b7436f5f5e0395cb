// Little-endian fields of the binary scan logs (.ana, .hst, .tbl): writing them into a byte
// vector and reading them from a buffer without ever reading past it.
#pragma once

#include <afx.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace logbytes
{

inline void Put16(std::vector<BYTE>& out, int32_t value)
{
    const auto v = static_cast<uint16_t>(value);
    out.push_back(static_cast<BYTE>(v & 0xFF));
    out.push_back(static_cast<BYTE>(v >> 8));
}

inline void Put32(std::vector<BYTE>& out, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<BYTE>((v >> shift) & 0xFF));
}

inline void PutFloat(std::vector<BYTE>& out, float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Put32(out, bits);
}

// A text field of width bytes: the text cut to fit, then zeros.
inline void PutText(std::vector<BYTE>& out, const char* text, size_t width)
{
    const size_t length = std::min(std::strlen(text), width);
    out.insert(out.end(), text, text + length);
    out.insert(out.end(), width - length, 0);
}

// Reads fields in order; the caller checks Has before each group.
class Reader
{
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool Has(size_t n) const { return m_pos + n <= m_size; }
    int32_t U16()
    {
        const int32_t v = m_data[m_pos] | (m_data[m_pos + 1] << 8);
        m_pos += 2;
        return v;
    }
    int32_t S16() { return static_cast<int16_t>(U16()); }
    int32_t S32()
    {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | m_data[m_pos + i];
        m_pos += 4;
        return static_cast<int32_t>(v);
    }
    float F32()
    {
        const auto bits = static_cast<uint32_t>(S32());
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A text field of width bytes, read up to its NUL and never past the field.
    CString Text(size_t width)
    {
        const char* begin = reinterpret_cast<const char*>(m_data + m_pos);
        const size_t length = std::find(begin, begin + width, '\0') - begin;
        m_pos += width;
        return CString(std::string(begin, length).c_str());
    }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace logbytes
