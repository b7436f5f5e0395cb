#include "scans/ScanLogSaverFactory.h"

#include "scans/ScanLogBinarySaver.h"
#include "scans/ScanLogTextSaver.h"

CScanLogSaver* CScanLogSaverFactory::Create(int kind)
{
    switch (kind)
    {
    case kText:
        return new CScanLogTextSaver();
    case kDocument:
        return new CScanLogBinarySaver();
    default:
        return nullptr;
    }
}
