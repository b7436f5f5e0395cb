// "Y-Axis Parameters": range, ticks, grids, position and line attributes of a value axis, linear
// or logarithmic. Modal; the display's axis editor presets the fields and reads them back on OK.
#pragma once

#include "dialogs/LineParametersDlg.h"
#include "res/resource.h"

#include <afxwin.h>

class CYAxisDlg : public CDialog
{
    DECLARE_DYNAMIC(CYAxisDlg)
public:
    enum
    {
        IDD = IDD_Y_AXIS
    };
    static constexpr UINT kHelpContext = 0x10000 + 32836;

    explicit CYAxisDlg(CWnd* pParent = nullptr);

    float m_fFrom = 0.0f;     // -1e12..1e12
    float m_fTo = 1.0f;       // -1e12..1e12
    int m_nMinorTicks = 0;    // 0..10
    float m_fStep = 1.0f;     // major step 1e-20..1e11
    float m_fHighest = 1e12f; // highest allowed value
    float m_fLowest = 0.0f;   // lowest allowed value
    int m_bMajorGrid = 0;
    int m_bMinorGrid = 0;
    int m_bAutomatic = 0;
    int m_nPosition = 1; // 1 left, 3 middle, 2 right
    int m_bLogarithmic = 0;
    LineAttributes m_axisLine;
    LineAttributes m_majorGridLine;
    LineAttributes m_minorGridLine;

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
