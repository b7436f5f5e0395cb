#include "scans/ScanLogBinarySaver.h"

#include "scans/Scan.h"

BOOL CScanLogBinarySaver::Save()
{
    return Walk(".kel", &CScan::SaveDocumentCopy);
}
