// The ionizer-settings dialogs: CIonizerDlg for KEL and JOV heads (free values, ion energy,
// filament, the filament-warning option) and CDuxIonizerDlg for DUX heads (three fixed presets or
// a custom setting).
#pragma once

#include <afxwin.h>

// Ranges of the values both dialogs exchange.
namespace kel::ionizer
{
constexpr int kElectronEnergyMin = 25; // eV
constexpr int kElectronEnergyMax = 105;
constexpr float kEmissionMin = 0.0f; // mA
constexpr float kEmissionMax = 3.75f;
constexpr int kFocusMin = 0; // V
constexpr int kFocusMax = 150;
} // namespace kel::ionizer

class CIonizerDlg : public CDialog
{
    DECLARE_DYNAMIC(CIonizerDlg)
public:
    enum
    {
        IDD = 215
    };

    explicit CIonizerDlg(CWnd* pParent = nullptr);

    int m_nElectronEnergy = 0; // eV
    float m_fEmission = 0.0f;  // mA
    int m_nFocusVoltage = 0;   // V
    int m_nIonEnergy = 0;      // 0 low, 1 high
    int m_nFilament = 0;       // non-zero: on
    int m_nOptionFlag = 0;     // the check box; checked when 1
    int m_nDefElectronEnergy = 0;
    float m_fDefEmission = 0.0f;
    int m_nDefFocusVoltage = 0;
    int m_nDefIonEnergy = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDefault();

    DECLARE_MESSAGE_MAP()

private:
    void ShowIonEnergy();
};

class CDuxIonizerDlg : public CDialog
{
    DECLARE_DYNAMIC(CDuxIonizerDlg)
public:
    enum
    {
        IDD = 1545
    };

    explicit CDuxIonizerDlg(CWnd* pParent = nullptr);

    CString m_strPreset[3]; // texts of presets 0, 1 and 2
    int m_nPreset = -1;     // 0-2 preset, 3 custom
    int m_nFilament = -1;   // 0 on, 1 off
    int m_nIonEnergy = -1;  // custom setting: 0 low, 1 high
    int m_nElectronEnergy = 0;
    float m_fEmission = 0.0f;
    int m_nFocusVoltage = 0;
    int m_nDefElectronEnergy = 0;
    float m_fDefEmission = 0.0f;
    int m_nDefFocusVoltage = 0;
    int m_nDefIonEnergy = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnDefault();

    DECLARE_MESSAGE_MAP()
};
