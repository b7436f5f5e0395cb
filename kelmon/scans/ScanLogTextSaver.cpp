#include "scans/ScanLogTextSaver.h"

#include "scans/Scan.h"

BOOL CScanLogTextSaver::Save()
{
    return Walk(".txt", &CScan::WriteAsciiFile);
}
