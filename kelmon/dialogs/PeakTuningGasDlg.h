// "Peak Tuning Gas Selection": the low-mass and high-mass reference gases that peak tuning shows.
// Modal; OK writes the document's two records, Tune... does too and asks for peak tuning.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

#include <cstdint>

// A reference peak of peak tuning: a gas name and its mass.
struct PeakReference
{
    CString name;
    int32_t mass = 0;
};

class CPeakTuningGasDlg : public CDialog
{
    DECLARE_DYNAMIC(CPeakTuningGasDlg)
public:
    enum
    {
        IDD = IDD_PEAK_TUNING_GAS
    };
    static constexpr int kNameChars = 20;
    static constexpr UINT kHelpContext = 98398;

    explicit CPeakTuningGasDlg(CWnd* pParent = nullptr);

    CString m_strHighName;
    CString m_strLowName;
    int m_nHighMass = 84;
    int m_nLowMass = 4;
    int m_nMaxMass = 100;
    PeakReference* m_pLow = nullptr;  // the document's; not owned
    PeakReference* m_pHigh = nullptr; // the document's; not owned
    int m_bTuneRequested = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnTune();
    void OnHelp();
    BOOL Store();

    DECLARE_MESSAGE_MAP()
};
