// The exception the head command layer and the scans throw when a head operation fails while the
// caller asked for exceptions. Thrown by pointer; the catcher calls Delete().
#pragma once

#include "mfc/Exception.h"

#include <cstdint>

class CKelException : public CException
{
    DECLARE_DYNAMIC(CKelException)
public:
    explicit CKelException(int32_t nError);

    // Allocates a CKelException with the code and throws it.
    [[noreturn]] static void Throw(int32_t nError);

    int32_t GetError() const { return m_nError; }

    int32_t m_nError;
};
