// "X-Axis Parameters": range, ticks, grids, label position and line attributes of an X axis, in
// whole units or, for a time axis, as hh:mm:ss. Modal; the display's axis editor presets the
// fields and reads them back on OK.
#pragma once

#include "dialogs/LineParametersDlg.h"
#include "res/resource.h"

#include <afxwin.h>

class CXAxisDlg : public CDialog
{
    DECLARE_DYNAMIC(CXAxisDlg)
public:
    enum
    {
        IDD = IDD_X_AXIS
    };
    static constexpr UINT kHelpContext = 0x10000 + 32837;
    static constexpr int kMaxTimeSeconds = 500000;

    explicit CXAxisDlg(CWnd* pParent = nullptr);

    int m_nStep = 1;         // major step 1..50
    int m_nMinorTicks = 0;   // 0..15
    int m_bTimeAxis = 0;     // range edited as hh:mm:ss in m_nTimeFrom/m_nTimeTo
    float m_fLowest = 0.0f;  // lowest allowed value
    float m_fHighest = 1.0f; // highest allowed value
    int m_bMajorGrid = 0;
    int m_bMinorGrid = 0;
    int m_bAutomatic = 0;
    int m_nPosition = 0; // labels: 4 above, 3 middle, 0 below
    LineAttributes m_axisLine;
    LineAttributes m_majorGridLine;
    LineAttributes m_minorGridLine;
    int m_nTimeFrom = 0; // seconds
    int m_nTimeTo = 1;
    int m_nFrom = 0;
    int m_nTo = 1;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnMajorGrid();
    void OnMinorGrid();
    void OnAutomatic();
    void OnLineAttributes();
    void OnMajorStyles();
    void OnMinorStyles();
    void OnHelp();

    LineAttributes m_workAxisLine;
    LineAttributes m_workMajorGridLine;
    LineAttributes m_workMinorGridLine;

    DECLARE_MESSAGE_MAP()
};

// Exchanges a time in seconds with an edit as "hh:mm:ss" (hours 0..189). A text that is not such
// a time is refused with a message and the exchange fails on the edit.
void DDX_TimeText(CDataExchange* pDX, int nIDC, int& seconds);
