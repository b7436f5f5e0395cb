// "Dual Mass Spec Scan Parameters": the mass ranges, scaling and speeds of the two spectrum parts
// of a split display, with one points-per-AMU for both. Modal; OK writes both records when both
// ranges are valid.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CAnalogData;

class CDualScanParameterDlg : public CDialog
{
    DECLARE_DYNAMIC(CDualScanParameterDlg)
public:
    enum
    {
        IDD = IDD_DUAL_SCAN_PARAMETERS
    };
    static constexpr int kMinPointsPerAmu = 10;
    static constexpr int kMaxPointsPerAmu = 25;
    static constexpr int kDefaultSpeed = 7;

    explicit CDualScanParameterDlg(CWnd* pParent = nullptr);

    // The two records (not owned); mode 1: histograms, one point per mass.
    void SetRecords(CAnalogData* pTop, CAnalogData* pBottom, int mode);

    CAnalogData* m_pTop = nullptr;
    CAnalogData* m_pBottom = nullptr;
    int m_nMode = 0;
    int m_nMaxMass = 100;
    float m_fTopScale = 1.0f;
    float m_fBottomScale = 1.0f;
    int m_nPointsPerAmu = 10;
    int m_nTopStart = 1;
    int m_nBottomStart = 1;
    int m_nTopStop = 50;
    int m_nBottomStop = 50;
    int m_nTopSpeed = kDefaultSpeed;
    int m_nBottomSpeed = kDefaultSpeed;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnDefault();
    void OnHelp();

    DECLARE_MESSAGE_MAP()
};
