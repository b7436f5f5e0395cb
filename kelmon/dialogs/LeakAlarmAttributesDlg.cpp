#include "dialogs/LeakAlarmAttributesDlg.h"

#include "doc/LeakData.h"
#include "units/Units.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CLeakAlarmAttributesDlg, CDialog)

BEGIN_MESSAGE_MAP(CLeakAlarmAttributesDlg, CDialog)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

namespace
{
// One row of the dialog: its controls and where it lives in the leak settings (-1: none).
struct Row
{
    int enable, value, message, colour;
    int level, messageField, flag;
};
// By the dialog's colour index: Normal (the Reference value), High, Low, High-high, Low-low.
const Row kRows[CLeakAlarmAttributesDlg::kColours] = {
    {0, IDC_ALARM_REFERENCE, IDC_ALARM_MSG_NORMAL, IDC_ALARM_COLOR_NORMAL, CLeakData::kReference,
     CLeakData::kMessageNormal, -1},
    {IDC_ALARM_ENABLE_HIGH, IDC_ALARM_VALUE_HIGH, IDC_ALARM_MSG_HIGH, IDC_ALARM_COLOR_HIGH, CLeakData::kHigh,
     CLeakData::kMessageHigh, CLeakData::kHighEnabled},
    {IDC_ALARM_ENABLE_LOW, IDC_ALARM_VALUE_LOW, IDC_ALARM_MSG_LOW, IDC_ALARM_COLOR_LOW, CLeakData::kLow,
     CLeakData::kMessageLow, CLeakData::kLowEnabled},
    {IDC_ALARM_ENABLE_HIGHHIGH, IDC_ALARM_VALUE_HIGHHIGH, IDC_ALARM_MSG_HIGHHIGH, IDC_ALARM_COLOR_HIGHHIGH,
     CLeakData::kHighHigh, CLeakData::kMessageHighHigh, CLeakData::kHighHighEnabled},
    {IDC_ALARM_ENABLE_LOWLOW, IDC_ALARM_VALUE_LOWLOW, IDC_ALARM_MSG_LOWLOW, IDC_ALARM_COLOR_LOWLOW,
     CLeakData::kLowLow, CLeakData::kMessageLowLow, CLeakData::kLowLowEnabled},
};
} // namespace

CLeakAlarmAttributesDlg::CLeakAlarmAttributesDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CLeakAlarmAttributesDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kColours; ++i)
        DDX_Control(pDX, kRows[i].colour, m_colourList[i]);
    // In the order of the template, so a refusal leaves the focus on the first bad field.
    for (int i : {kHighHigh, kHigh, kNormal, kLow, kLowLow})
    {
        const Row& row = kRows[i];
        if (row.enable)
            DDX_Check(pDX, row.enable, m_bEnable[i]);
        DDX_Text(pDX, row.value, m_fLevel[i]);
        DDV_MinMaxFloat(pDX, m_fLevel[i], i == kNormal ? -0.001f : 0.0f, m_fUpperLimit);
        DDX_Text(pDX, row.message, m_strMessage[i]);
        DDV_MaxChars(pDX, m_strMessage[i], kMessageChars);
    }
    if (!pDX->m_bSaveAndValidate) // shown, never taken back
    {
        DDX_Text(pDX, IDC_ALARM_UNITS, m_strUnits);
        DDX_Text(pDX, IDC_ALARM_MASS, m_strMass);
    }
}

BOOL CLeakAlarmAttributesDlg::OnInitDialog()
{
    if (m_pSettings)
    {
        for (int i = 0; i < kColours; ++i)
        {
            const Row& row = kRows[i];
            m_fLevel[i] = m_pSettings->m_alarmLevel[row.level];
            m_strMessage[i] = m_pSettings->m_alarmMessage[row.messageField];
            if (row.flag >= 0)
                m_bEnable[i] = m_pSettings->m_alarmFlag[row.flag] ? 1 : 0;
        }
        m_strMass.Format("%d", static_cast<int>(m_pSettings->m_nMass));
        m_strUnits = m_pSettings->m_pUnits ? CString(m_pSettings->m_pUnits->m_szUnitName) : CString();
        m_fUpperLimit = m_pSettings->m_fValueUpperLimit;
    }
    CDialog::OnInitDialog();
    for (int i = 0; i < kColours; ++i)
    {
        m_colourList[i].ResetContent();
        for (int c = 0; c < kPaletteColours; ++c)
            m_colourList[i].AddColor(ChartPaletteColor(c));
        m_colourList[i].SetCurSel(m_colour[i] >= 0 && m_colour[i] < kPaletteColours ? m_colour[i] : 0);
    }
    return TRUE;
}

void CLeakAlarmAttributesDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    for (int i = 0; i < kColours; ++i)
    {
        const int sel = m_colourList[i].GetCurSel();
        if (sel >= 0)
            m_colour[i] = sel;
    }
    if (m_pSettings)
    {
        for (int i = 0; i < kColours; ++i)
        {
            const Row& row = kRows[i];
            if (row.flag >= 0)
                m_pSettings->m_alarmFlag[row.flag] = m_bEnable[i];
            // Validated to kMessageChars, inside the field with its terminator.
            char* field = m_pSettings->m_alarmMessage[row.messageField];
            std::memset(field, 0, CLeakData::kMessageSize);
            std::memcpy(field, static_cast<LPCTSTR>(m_strMessage[i]),
                        static_cast<size_t>(m_strMessage[i].GetLength()));
            m_pSettings->m_alarmLevel[row.level] = m_fLevel[i];
        }
    }
    EndDialog(IDOK);
}

void CLeakAlarmAttributesDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(kHelpContext);
}
