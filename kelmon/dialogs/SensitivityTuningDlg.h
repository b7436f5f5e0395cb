// "Sensitivity Tuning": computes the head's partial (SP) or total (ST) sensitivity factor from a
// reference pressure read on an independent gauge and the ion current the head measures at the
// same time, and writes the accepted factors to the head.
#pragma once

#include "res/resource.h"

#include "dialogs/ControlHelpDlg.h"

class CHead;
class CUnits;

class CSensitivityTuningDlg : public CControlHelpDlg
{
    DECLARE_DYNAMIC(CSensitivityTuningDlg)
public:
    enum
    {
        IDD = IDD_SENSITIVITY_TUNING
    };
    static constexpr int kReadings = 10; // partial-pressure readings averaged per measurement
    static constexpr int kTuningNoiseFloor = 2;

    explicit CSensitivityTuningDlg(CWnd* pParent = nullptr);

    // Reference-pressure range (Torr) the dialog accepts without asking, for this head and units.
    static void ReferenceRange(CHead* pHead, const CUnits* pUnits, float& minimum, float& maximum);

    float m_fST = 0.0f; // A/Torr, set by the caller from the head
    float m_fSP = 0.0f;
    float m_fST0 = 0.0f; // the factors at start, for Undo and Cancel
    float m_fSP0 = 0.0f;
    float m_fMinPressure = 0.0f; // Torr
    float m_fMaxPressure = 0.0f;
    CHead* m_pHead = nullptr;   // not owned
    CUnits* m_pUnits = nullptr; // not owned
    int m_nSavedNoiseFloor = 3;
    CButton m_partialRadio;
    CString m_strFirmware;
    CString m_strModel;
    CString m_strSerial;
    float m_fRefPressure = 0.0f; // Torr
    CString m_strIonCurrent;     // at most 12 characters
    CString m_strFactor;         // at most 12 characters
    int m_nMass = 28;            // amu, 2..200

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnPartial();
    void OnTotal();
    void OnMeasure();
    void OnUndo();
    // The factor text for the mode whose radio is checked.
    void ShowFactor();
    // Gives the head SP, ST and the saved noise floor.
    void WriteHead(float sp, float st);

    DECLARE_MESSAGE_MAP()
};
