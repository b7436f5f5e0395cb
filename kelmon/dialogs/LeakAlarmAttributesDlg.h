// "Leak Test Alarm Attributes": the leak test's four alarm levels with their enables and messages,
// the message of the normal state, the reference level, and the colour of each message. Modal;
// edits the leak settings on OK. The colour indexes are preset and read back by the caller.
#pragma once

#include "controls/ColorComboBox.h"
#include "res/resource.h"

#include <afxwin.h>

class CLeakData;

class CLeakAlarmAttributesDlg : public CDialog
{
    DECLARE_DYNAMIC(CLeakAlarmAttributesDlg)
public:
    enum
    {
        IDD = IDD_LEAK_ALARM_ATTRIBUTES
    };
    // Colour index order: Normal, High, Low, High-high, Low-low.
    enum : int
    {
        kNormal = 0,
        kHigh = 1,
        kLow = 2,
        kHighHigh = 3,
        kLowLow = 4,
        kColours = 5
    };
    static constexpr int kPaletteColours = 20;
    static constexpr int kMessageChars = 12;
    static constexpr UINT kHelpContext = 0x20000 + IDD_LEAK_ALARM_ATTRIBUTES;

    explicit CLeakAlarmAttributesDlg(CWnd* pParent = nullptr);

    CLeakData* m_pSettings = nullptr; // not owned
    int m_colour[kColours] = {};      // palette indexes 0..19
    float m_fUpperLimit = 0.1f;
    float m_fLevel[kColours] = {}; // by colour index; [kNormal] is the Reference
    int m_bEnable[kColours] = {};  // [kNormal] unused
    CString m_strMessage[kColours];
    CString m_strUnits;
    CString m_strMass;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnHelp();

    CColorComboBox m_colourList[kColours];

    DECLARE_MESSAGE_MAP()
};
