// "Logging settings" (IDD 1546) of the analog and histogram scans, whose logs are binary sweep
// files saved on a schedule: every scan or every N (2..10000) scans, at most a number of them
// (1..10000).
#pragma once

#include "scans/LoggingDialogBase.h"

class CLoggingDialog : public CLoggingDialogBase
{
    DECLARE_DYNAMIC(CLoggingDialog)
public:
    explicit CLoggingDialog(CWnd* pParent = nullptr);

    int m_nSaveMode = CScanLogSettings::kSaveEveryScan;
    int m_nEveryN = 2;
    int m_nMaxSaved = 50;

protected:
    void Load(const CScanLogSettings& settings) override;
    void Store(CScanLogSettings& settings) const override;
    void UpdateEnables() override;
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
