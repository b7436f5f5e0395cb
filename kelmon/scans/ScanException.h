// The exception a scan throws when a step cannot go on (the pressure-versus-time kind when its
// time computation goes negative). Thrown by pointer; the catcher calls Delete().
#pragma once

#include <afx.h>

#include <cstdint>

class CScanException : public CException
{
    DECLARE_DYNAMIC(CScanException)
public:
    explicit CScanException(int32_t code) : m_nCode(code) {}

    int32_t m_nCode;
};

// Allocates a CScanException with the code and throws it.
[[noreturn]] void ThrowScanException(int32_t code);
