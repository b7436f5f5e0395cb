#include "scans/ScanException.h"

IMPLEMENT_DYNAMIC(CScanException, CException)

void ThrowScanException(int32_t code)
{
    throw new CScanException(code);
}
