// "Pressure Reduction Control": the scaling factor of a pressure-reducing inlet and whether the
// program applies it; both belong to the document's units.
#pragma once

#include "res/resource.h"

#include "dialogs/ControlHelpDlg.h"

class CUnits;

class CPressureReductionDlg : public CControlHelpDlg
{
    DECLARE_DYNAMIC(CPressureReductionDlg)
public:
    enum
    {
        IDD = IDD_PRESSURE_REDUCTION
    };

    explicit CPressureReductionDlg(CWnd* pParent = nullptr);

    // Runs the dialog on the units' reduction factor and enable flag and stores both back after
    // OK. Returns the dialog's result (IDOK, IDCANCEL, -1 when it could not be shown).
    static INT_PTR EditUnits(CUnits& units, CWnd* pParent = nullptr);

    CButton m_enableCheck;
    float m_fFactor = 0.0f;
    float m_fMaxFactor = 1e12f;
    int m_bEnabled = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
