// Saves each sweep of a scan log in the document format (a copy of the document holding that
// sweep), named "<time>.kel".
#pragma once

#include "scans/ScanLogSaver.h"

class CScanLogBinarySaver : public CScanLogSaver
{
public:
    BOOL Save() override;
};
