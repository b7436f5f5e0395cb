// "Average Setup": whether successive sweeps are averaged, linearly or exponentially over a depth,
// and what happens when the averaging limit is reached. Modal, run against the current scan's
// averaging operations.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

#include <cstdint>

class CScan;

class CAverageSetupDlg : public CDialog
{
    DECLARE_DYNAMIC(CAverageSetupDlg)
public:
    enum
    {
        IDD = IDD_AVERAGE_SETUP
    };

    explicit CAverageSetupDlg(CWnd* pParent = nullptr);

    // Presets the dialog from scan's averaging, runs it and on OK writes it back in the scan's
    // order (on, limit, depth, mode, limit action). Returns the dialog's result.
    static INT_PTR EditScan(CScan& scan, CWnd* pParent = nullptr);

    int32_t m_nLimitAction = 0; // 0 stop taking data, 1 reset and continue
    int32_t m_nMode = 0;        // 0 linear, 1 exponential
    int32_t m_bEnabled = 0;
    int32_t m_nLimit = 2; // sweeps, 2..32000
    int32_t m_nDepth = 4; // sweeps, 2..1000

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnHelp();

    DECLARE_MESSAGE_MAP()
};
