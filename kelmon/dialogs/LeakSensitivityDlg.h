// "Leak Rate Tuning": calibrates the conversion from partial pressure to leak rate. With a
// calibrated leak of known rate Q (Torr*L/s) on the chamber, Measure reads the partial pressure P
// at the chosen mass and shows the leak-rate factor Q/P; Accept keeps it.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CHead;
class CUnits;

class CLeakSensitivityDlg : public CDialog
{
    DECLARE_DYNAMIC(CLeakSensitivityDlg)
public:
    enum
    {
        IDD = IDD_LEAK_SENSITIVITY
    };
    static constexpr int kReadings = 10; // readings averaged per measurement

    explicit CLeakSensitivityDlg(CWnd* pParent = nullptr);

    // Rounds to three significant digits, as the factor is shown ("%1.2e").
    static float RoundToShown(float value);

    float m_fLeakRate = 0.0f;   // Q, Torr*L/s, 0 to 1e30
    float m_fFactor = 0.0f;     // Q / P
    CString m_strPressure;      // P, "%1.2e"
    float m_fPressure = 0.0f;   // P, Torr
    int m_nMass = 4;            // amu, 2 to 300
    CHead* m_pHead = nullptr;   // not owned
    CUnits* m_pUnits = nullptr; // not owned

    // Measures P at the mass and computes the factor; FALSE when no new factor came of it.
    BOOL Measure();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnMeasure();

    DECLARE_MESSAGE_MAP()
};
