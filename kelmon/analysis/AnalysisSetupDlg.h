// "Spectrum Analysis Setup": chooses the gases of the analysis (at least two) and the units of
// the result window.
#pragma once

#include "res/resource.h"

#include <afxcoll.h>
#include <afxwin.h>

#include <cstdint>

class CAnalysisSetupDlg : public CDialog
{
    DECLARE_DYNAMIC(CAnalysisSetupDlg)
public:
    enum
    {
        IDD = IDD_ANALYSIS_SETUP
    };
    static constexpr int kGases = 12;

    explicit CAnalysisSetupDlg(CWnd* pParent = nullptr);

    // Set before DoModal: the twelve selection flags (written on OK), the twelve gas names and the
    // units mode (0 percentage, 1 pressure), which a click on a radio button writes at once.
    int32_t* m_pSelection = nullptr;
    const CStringArray* m_pGasNames = nullptr;
    int32_t* m_pUnitsMode = nullptr;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnPercentage();
    void OnPressure();

    DECLARE_MESSAGE_MAP()
};
