// Makes the scan-log savers.
#pragma once

#include "scans/ScanLogSaver.h"

class CScanLogSaverFactory
{
public:
    enum : int
    {
        kText = 1,
        kDocument = 2
    };

    virtual ~CScanLogSaverFactory() = default;
    // kText: a CScanLogTextSaver; kDocument: a CScanLogBinarySaver; any other kind: none. The
    // caller owns the saver.
    CScanLogSaver* Create(int kind);
};
