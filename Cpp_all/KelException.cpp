// CKelException.
#include "KelException.h"

IMPLEMENT_DYNAMIC(CKelException, CException)

CKelException::CKelException(int32_t nError) : m_nError(nError) {}

void CKelException::Throw(int32_t nError)
{
    throw new CKelException(nError);
}
