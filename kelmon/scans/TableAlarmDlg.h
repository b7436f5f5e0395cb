// "Table Alarm Setup": the four alarm levels of one table channel (enable, value, message, colour)
// and the normal message with its colour. Modal; OK writes the levels, enables and messages into
// the channel record; the five colour indexes are handed in and read back by the caller.
#pragma once

#include "controls/ColorComboBox.h"
#include "res/resource.h"

#include <afxwin.h>

#include <cstdint>

class CTableData;

class CTableAlarmDlg : public CDialog
{
    DECLARE_DYNAMIC(CTableAlarmDlg)
public:
    enum
    {
        IDD = IDD_TABLE_ALARM
    };
    // The palette entries the colour lists offer.
    static constexpr int kPaletteColors = 20;
    // Colour index slots, in the table's order.
    enum
    {
        kNormal = 0,
        kHigh,
        kLow,
        kHighHigh,
        kLowLow,
        kColorSlots
    };

    explicit CTableAlarmDlg(CWnd* pParent = nullptr);

    CTableData* m_pRecord = nullptr; // the caller's channel; not owned
    float m_fValueBound = 0.1f;      // the greatest alarm value (the caller gives the table's maximum)
    int m_bLowEnable = 0;
    int m_bLowLowEnable = 0;
    int m_bHighEnable = 0;
    int m_bHighHighEnable = 0;
    float m_fHighHigh = 0.0f;
    float m_fLowLow = 0.0f;
    float m_fHigh = 0.0f;
    float m_fLow = 0.0f;
    CString m_strHighHighMessage;
    CString m_strHighMessage;
    CString m_strLowLowMessage;
    CString m_strLowMessage;
    CString m_strNormalMessage;
    CString m_strChannel;
    CString m_strUnits;
    CColorComboBox m_colorCombo[kColorSlots];
    int32_t m_colors[kColorSlots] = {}; // palette indexes: normal, high, low, high-high, low-low

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnHelp();

    DECLARE_MESSAGE_MAP()
};
