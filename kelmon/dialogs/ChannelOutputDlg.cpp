#include "dialogs/ChannelOutputDlg.h"

#include "io/CbBoard.h"
#include "scans/Table.h"

#include <cstdio>
#include <cstdlib>

IMPLEMENT_DYNAMIC(CChannelOutputDlg, CDialog)

const CChannelOutputDlg::RowIds CChannelOutputDlg::kRowIds[kRows] = {
    {1011, 1369, 1370, 1349, 1359, 1393, 1339}, {1013, 1371, 1380, 1350, 1360, 1394, 1340},
    {1014, 1372, 1381, 1351, 1361, 1395, 1341}, {1015, 1373, 1382, 1352, 1362, 1396, 1342},
    {1020, 1374, 1383, 1353, 1363, 1397, 1343}, {1016, 1375, 1384, 1354, 1364, 1398, 1344},
    {1017, 1376, 1385, 1355, 1365, 1399, 1345}, {1018, 1377, 1386, 1356, 1366, 1400, 1346},
    {1019, 1378, 1387, 1357, 1367, 1401, 1347}, {1012, 1379, 1388, 1358, 1368, 1402, 1348},
    {1021, 1389, 1390, 1391, 1392, 1403, 0},
};

namespace
{
constexpr int kMassChars = 40;

// The value as the dialog shows it, three significant digits.
float Shown(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%1.2e", static_cast<double>(value));
    return static_cast<float>(std::atof(text));
}
} // namespace

CChannelOutputDlg::CChannelOutputDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
    for (int r = 0; r < kRows; ++r)
    {
        m_fTrigger[r] = 1e-6f;
        m_nHysteresis[r] = 10;
    }
}

CTableOutput* CChannelOutputDlg::Output(int row) const
{
    if (!m_pTable)
        return nullptr;
    return row == kTotalRow ? &m_pTable->m_totalOutput : &m_pTable->m_configured[row].m_output;
}

void CChannelOutputDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int r = 0; r < kRows; ++r)
    {
        const RowIds& ids = kRowIds[r];
        DDX_Check(pDX, ids.enable, m_bEnable[r]);
        DDX_Text(pDX, ids.value, m_fTrigger[r]);
        DDV_MinMaxFloat(pDX, m_fTrigger[r], -1e12f, 1e12f);
        DDX_Text(pDX, ids.hysteresis, m_nHysteresis[r]);
        DDV_MinMaxInt(pDX, m_nHysteresis[r], 0, 100);
        DDX_CBIndex(pDX, ids.level, m_nLevel[r]);
        if (ids.mass && !pDX->m_bSaveAndValidate) // shown, never taken back
        {
            DDX_Text(pDX, ids.mass, m_strMass[r]);
            DDV_MaxChars(pDX, m_strMass[r], kMassChars);
        }
    }
}

BOOL CChannelOutputDlg::OnInitDialog()
{
    for (int r = 0; r < kRows; ++r)
    {
        SendDlgItemMessage(kRowIds[r].level, CB_RESETCONTENT);
        for (const char* name : {"Above", "Below"})
            SendDlgItemMessage(kRowIds[r].level, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (const CTableOutput* out = Output(r))
        {
            m_bEnable[r] = out->enable ? 1 : 0;
            m_fTrigger[r] = Shown(out->triggerValue);
            m_nHysteresis[r] = out->hysteresis;
            m_nLevel[r] = out->triggerLevel == 1 ? 1 : 0;
            if (r != kTotalRow)
                m_strMass[r].Format("%d", static_cast<int>(m_pTable->m_configured[r].m_mass));
        }
    }
    return CDialog::OnInitDialog();
}

BOOL CChannelOutputDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED)
        for (int r = 0; r < kRows; ++r)
            if (id == kRowIds[r].low || id == kRowIds[r].high)
            {
                if (m_pBoard)
                    m_pBoard->SetChannelLevel(r, id == kRowIds[r].high ? 1 : 0);
                return TRUE;
            }
    return CDialog::OnCommand(wParam, lParam);
}

void CChannelOutputDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
    for (int r = 0; r < kRows; ++r)
        if (CTableOutput* out = Output(r))
        {
            out->enable = m_bEnable[r];
            out->triggerValue = Shown(m_fTrigger[r]);
            out->hysteresis = m_nHysteresis[r];
            out->triggerLevel = m_nLevel[r];
        }
}
