// "KEL Global Units": the unit of pressures and the concentration modes of a document.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CGlobalUnitsDlg : public CDialog
{
    DECLARE_DYNAMIC(CGlobalUnitsDlg)
public:
    enum
    {
        IDD = IDD_GLOBAL_UNITS
    };

    explicit CGlobalUnitsDlg(CWnd* pParent = nullptr);

    int m_nUnit = 0;        // 0 Torr .. 6 User
    CString m_strUserLabel; // at most 7 characters
    float m_fUserFactor = 1.0f;
    int m_nMode = 0;          // 0 total-pressure unit, 1 ppm of a fixed total, 2 ppm of a peak
    float m_fRefTotal = 1.0f; // Torr, 0..1000
    int m_nRefMass = 40;      // amu, 1..300
    CString m_strConcentration = "100%";
    float m_fConcentration = 1000000.0f; // ppm, parsed from the text on OK
    int m_bTracking = 0;

    // The units topic of the help, for the Help button and F1.
    static constexpr DWORD kHelpContext = 98371;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
