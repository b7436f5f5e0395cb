// Saves each sweep of a scan log as a text file (the scan's ASCII export), named "<time>.txt".
#pragma once

#include "scans/ScanLogSaver.h"

class CScanLogTextSaver : public CScanLogSaver
{
public:
    BOOL Save() override;
};
