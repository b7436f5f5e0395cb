#include "scans/ChannelParameterDlg.h"

#include "KelMessages.h"
#include "analysis/Gas.h"
#include "analysis/Library.h"
#include "foundation/AppUiState.h"
#include "head/Head.h"
#include "scans/ChannelScan.h"
#include "scans/ScanParameterDlg.h"
#include "scans/ScanSite.h"
#include "scans/Table.h"
#include "scans/TableAlarmDlg.h"
#include "units/Units.h"

#include <cstring>

namespace
{
// The all-channels fields among the table's words.
constexpr int kCommonCemWord = 0;
constexpr int kCommonSpeedWord = 1;
} // namespace

const int CChannelParameterDlg::kEnableIds[kRows] = {
    IDC_CHAN_ENABLE1, IDC_CHAN_ENABLE2, IDC_CHAN_ENABLE3, IDC_CHAN_ENABLE4, IDC_CHAN_ENABLE5,
    IDC_CHAN_ENABLE6, IDC_CHAN_ENABLE7, IDC_CHAN_ENABLE8, IDC_CHAN_ENABLE9, IDC_CHAN_ENABLE10};
const int CChannelParameterDlg::kViewIds[kRows] = {
    IDC_CHAN_VIEW1, IDC_CHAN_VIEW2, IDC_CHAN_VIEW3, IDC_CHAN_VIEW4, IDC_CHAN_VIEW5,
    IDC_CHAN_VIEW6, IDC_CHAN_VIEW7, IDC_CHAN_VIEW8, IDC_CHAN_VIEW9, IDC_CHAN_VIEW10};
const int CChannelParameterDlg::kNameIds[kRows] = {
    IDC_CHAN_NAME1, IDC_CHAN_NAME2, IDC_CHAN_NAME3, IDC_CHAN_NAME4, IDC_CHAN_NAME5,
    IDC_CHAN_NAME6, IDC_CHAN_NAME7, IDC_CHAN_NAME8, IDC_CHAN_NAME9, IDC_CHAN_NAME10};
const int CChannelParameterDlg::kMassIds[kRows] = {
    IDC_CHAN_MASS1, IDC_CHAN_MASS2, IDC_CHAN_MASS3, IDC_CHAN_MASS4, IDC_CHAN_MASS5,
    IDC_CHAN_MASS6, IDC_CHAN_MASS7, IDC_CHAN_MASS8, IDC_CHAN_MASS9, IDC_CHAN_MASS10};
const int CChannelParameterDlg::kScaleIds[kRows] = {
    IDC_CHAN_SCALE1, IDC_CHAN_SCALE2, IDC_CHAN_SCALE3, IDC_CHAN_SCALE4, IDC_CHAN_SCALE5,
    IDC_CHAN_SCALE6, IDC_CHAN_SCALE7, IDC_CHAN_SCALE8, IDC_CHAN_SCALE9, IDC_CHAN_SCALE10};
const int CChannelParameterDlg::kCemIds[kRows] = {IDC_CHAN_CEM1, IDC_CHAN_CEM2, IDC_CHAN_CEM3, IDC_CHAN_CEM4,
                                                  IDC_CHAN_CEM5, IDC_CHAN_CEM6, IDC_CHAN_CEM7, IDC_CHAN_CEM8,
                                                  IDC_CHAN_CEM9, IDC_CHAN_CEM10};
const int CChannelParameterDlg::kSpeedIds[kRows] = {
    IDC_CHAN_SPEED1, IDC_CHAN_SPEED2, IDC_CHAN_SPEED3, IDC_CHAN_SPEED4, IDC_CHAN_SPEED5,
    IDC_CHAN_SPEED6, IDC_CHAN_SPEED7, IDC_CHAN_SPEED8, IDC_CHAN_SPEED9, IDC_CHAN_SPEED10};
const int CChannelParameterDlg::kAlarmIds[kRows] = {
    IDC_CHAN_ALARM1, IDC_CHAN_ALARM2, IDC_CHAN_ALARM3, IDC_CHAN_ALARM4, IDC_CHAN_ALARM5,
    IDC_CHAN_ALARM6, IDC_CHAN_ALARM7, IDC_CHAN_ALARM8, IDC_CHAN_ALARM9, IDC_CHAN_ALARM10};

IMPLEMENT_DYNAMIC(CChannelParameterDlg, CBaseParameterDlg)

BEGIN_MESSAGE_MAP(CChannelParameterDlg, CBaseParameterDlg)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_BN_CLICKED(ID_HELP, OnHelp)
// The enable checks take 1011..1020, though not in row order.
ON_CONTROL_RANGE(BN_CLICKED, IDC_CHAN_ENABLE1, IDC_CHAN_ENABLE5, OnEnableClicked)
ON_CONTROL_RANGE(BN_CLICKED, IDC_CHAN_VIEW1, IDC_CHAN_VIEW10, OnViewClicked)
ON_CONTROL_RANGE(BN_CLICKED, IDC_CHAN_ALARM1, IDC_CHAN_ALARM10, OnAlarmClicked)
ON_BN_CLICKED(IDC_CHAN_ALL_SPEED_SET, OnSetAllSpeed)
ON_BN_CLICKED(IDC_CHAN_ALL_CEM_SET, OnSetAllCem)
ON_BN_CLICKED(IDC_CHAN_CLEAR_ALL, OnClearAll)
ON_BN_CLICKED(IDC_CHAN_AUTOCOMPLETE, OnAutoComplete)
ON_NOTIFY_RANGE(ACN_COMPLETED, IDC_CHAN_NAME1, IDC_CHAN_NAME10, OnNameCompleted)
END_MESSAGE_MAP()

CChannelParameterDlg::CChannelParameterDlg(CWnd* pParent) : CBaseParameterDlg(IDD, pParent)
{
    for (int& shown : m_bShown)
        shown = 1;
    m_bAutoComplete = CAppUiState::GetInstance()->m_nChannelOption ? 1 : 0;
}

void CChannelParameterDlg::SetTable(CTable* pTable, HWND hNotifyWnd)
{
    m_pTable = pTable;
    m_hNotifyWnd = hNotifyWnd;
    LoadFromTable();
}

void CChannelParameterDlg::AddGasName(LPCTSTR name, int number)
{
    if (name && *name)
        m_gasNames.emplace_back(CString(name), number);
}

int CChannelParameterDlg::RowOf(const int (&ids)[kRows], UINT id)
{
    for (int k = 0; k < kRows; ++k)
        if (ids[k] == static_cast<int>(id))
            return k;
    return -1;
}

void CChannelParameterDlg::LoadFromTable()
{
    if (!m_pTable)
        return;
    if (m_pTable->m_pHead)
        m_nHighestMass = m_pTable->m_pHead->GetMassRange();
    for (int k = 0; k < kRows; ++k)
    {
        const CTableData& channel = m_pTable->m_configured[k];
        Row& row = m_rows[k];
        row.enabled = channel.m_enabled ? 1 : 0;
        row.cem = channel.m_cem ? 1 : 0;
        row.speed = channel.m_noiseFloor;
        row.name = channel.m_szGasName;
        row.mass = channel.m_mass;
        row.scale = channel.m_calFactor;
        m_bShown[k] = m_pTable->m_flags[k] ? 1 : 0;
    }
    m_bAllCem = m_pTable->m_moreWords[kCommonCemWord] ? 1 : 0;
    m_nAllSpeed = m_pTable->m_moreWords[kCommonSpeedWord];
}

void CChannelParameterDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseParameterDlg::DoDataExchange(pDX);
    for (int k = 0; k < kRows; ++k)
    {
        Row& row = m_rows[k];
        DDX_Control(pDX, kNameIds[k], m_nameEdits[k]);
        DDX_Check(pDX, kEnableIds[k], row.enabled);
        DDX_Text(pDX, kNameIds[k], row.name);
        // The record keeps a terminated name: a longer one is refused, never cut.
        if (pDX->m_bSaveAndValidate)
            DDV_MaxChars(pDX, row.name, CTableData::kNameSize - 1);
        DDX_Text(pDX, kMassIds[k], row.mass);
        DDV_MinMaxInt(pDX, row.mass, 1, m_nHighestMass);
        DDX_Text(pDX, kScaleIds[k], row.scale);
        DDV_MinMaxFloat(pDX, row.scale, kMinScale, kMaxScale);
        DDX_Check(pDX, kCemIds[k], row.cem);
        DDX_CBIndex(pDX, kSpeedIds[k], row.speed);
    }
    DDX_Check(pDX, IDC_CHAN_ALL_CEM, m_bAllCem);
    DDX_CBIndex(pDX, IDC_CHAN_ALL_SPEED, m_nAllSpeed);
    DDX_Check(pDX, IDC_CHAN_AUTOCOMPLETE, m_bAutoComplete);
}

BOOL CChannelParameterDlg::OnInitDialog()
{
    LoadFromTable();
    for (int k = 0; k < kRows; ++k)
        FillScanSpeedList(GetDlgItem(kSpeedIds[k]));
    FillScanSpeedList(GetDlgItem(IDC_CHAN_ALL_SPEED));
    CBaseParameterDlg::OnInitDialog(); // subclasses the name edits and shows the rows
    for (CAutoCompleteEdit& edit : m_nameEdits)
    {
        // A window made again keeps the words its edit already has.
        if (edit.GetWordCount() == 0)
            for (const auto& gas : m_gasNames)
                edit.AddWord(gas.first);
        edit.m_bNotify = 1;
        edit.m_hNotifyWnd = m_hWnd;
        edit.SuppressCompletion(!m_bAutoComplete);
    }
    m_hShownIcon = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDI_CHANNEL_SHOWN));
    m_hHiddenIcon = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDI_CHANNEL_HIDDEN));
    if (m_tips.Create(this))
    {
        for (int id : kViewIds)
            m_tips.AddTool(GetDlgItem(id), "Show or hide");
        m_tips.Activate(TRUE);
    }
    for (int k = 0; k < kRows; ++k)
        ShowViewIcon(k);
    UpdateRowStates();
    return TRUE;
}

BOOL CChannelParameterDlg::PreTranslateMessage(MSG* pMsg)
{
    if (m_tips.m_hWnd)
        m_tips.RelayEvent(pMsg);
    return CBaseParameterDlg::PreTranslateMessage(pMsg);
}

void CChannelParameterDlg::RefreshControls()
{
    LoadFromTable();
    CBaseParameterDlg::RefreshControls();
    if (!m_hWnd)
        return;
    for (int k = 0; k < kRows; ++k)
        ShowViewIcon(k);
    UpdateRowStates();
}

void CChannelParameterDlg::ShowViewIcon(int row)
{
    if (CWnd* button = m_hWnd ? GetDlgItem(kViewIds[row]) : nullptr)
        button->SendMessage(BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(m_bShown[row] ? m_hShownIcon : m_hHiddenIcon));
}

void CChannelParameterDlg::UpdateRowStates()
{
    if (!m_hWnd)
        return;
    for (int k = 0; k < kRows; ++k)
    {
        const bool on = IsDlgButtonChecked(kEnableIds[k]) == BST_CHECKED;
        GetDlgItem(kAlarmIds[k])->EnableWindow(m_bEnabled && on);
        GetDlgItem(kViewIds[k])->EnableWindow(m_pTable && m_pTable->m_configured[k].m_enabled);
    }
}

void CChannelParameterDlg::EnableControls(BOOL bEnable)
{
    CBaseParameterDlg::EnableControls(bEnable);
    if (!m_hWnd)
        return;
    for (CWnd* child = GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT))
    {
        const int id = child->GetDlgCtrlID();
        if (id != ID_HELP && id != IDC_CHAN_VIEW_LABEL)
            child->EnableWindow(bEnable);
    }
    UpdateRowStates();
}

void CChannelParameterDlg::OnEnableClicked(UINT id)
{
    (void)id;
    UpdateRowStates();
}

void CChannelParameterDlg::OnViewClicked(UINT id)
{
    const int k = RowOf(kViewIds, id);
    if (k < 0)
        return;
    m_bShown[k] = !m_bShown[k];
    ShowViewIcon(k);
    if (m_pTable)
        for (int i = 0; i < kRows; ++i)
            m_pTable->m_flags[i] = m_bShown[i];
    if (m_hNotifyWnd)
        ::PostMessage(m_hNotifyWnd, WM_KEL_CHANNELSCHANGED, 0, 0);
}

void CChannelParameterDlg::OnAlarmClicked(UINT id)
{
    const int k = RowOf(kAlarmIds, id);
    if (k < 0 || !m_pTable)
        return;
    CTableAlarmDlg dlg(this);
    dlg.m_pRecord = &m_pTable->m_configured[k];
    dlg.m_fValueBound = m_pTable->m_valueMaximum;
    dlg.m_strUnits = m_pTable->m_pUnits ? m_pTable->m_pUnits->m_szUnitName : m_pTable->m_szUnitName;
    for (int c = 0; c < CTableAlarmDlg::kColorSlots; ++c)
        dlg.m_colors[c] = m_pTable->m_alarmColors[c];
    dlg.DoModal();
    // Cancel leaves the indexes as they came in, so copying back is always safe.
    for (int c = 0; c < CTableAlarmDlg::kColorSlots; ++c)
        m_pTable->m_alarmColors[c] = dlg.m_colors[c];
}

void CChannelParameterDlg::OnSetAllSpeed()
{
    const int speed = static_cast<int>(SendDlgItemMessage(IDC_CHAN_ALL_SPEED, CB_GETCURSEL));
    if (speed == CB_ERR)
        return;
    for (int id : kSpeedIds)
        SendDlgItemMessage(id, CB_SETCURSEL, static_cast<WPARAM>(speed));
}

void CChannelParameterDlg::OnSetAllCem()
{
    const UINT state = IsDlgButtonChecked(IDC_CHAN_ALL_CEM) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
    for (int id : kCemIds)
        CheckDlgButton(id, state);
}

void CChannelParameterDlg::OnClearAll()
{
    // The controls alone: nothing reaches the table before Apply.
    for (int k = 0; k < kRows; ++k)
    {
        CheckDlgButton(kEnableIds[k], BST_UNCHECKED);
        CheckDlgButton(kCemIds[k], BST_UNCHECKED);
        SendDlgItemMessage(kSpeedIds[k], CB_SETCURSEL, kClearedSpeed);
        SetDlgItemText(kScaleIds[k], "1");
        SetDlgItemText(kMassIds[k], "1");
    }
    SendDlgItemMessage(IDC_CHAN_ALL_SPEED, CB_SETCURSEL, kClearedSpeed);
    UpdateRowStates();
}

void CChannelParameterDlg::OnAutoComplete()
{
    m_bAutoComplete = IsDlgButtonChecked(IDC_CHAN_AUTOCOMPLETE) == BST_CHECKED;
    for (CAutoCompleteEdit& edit : m_nameEdits)
        if (edit.m_hWnd)
            edit.SuppressCompletion(!m_bAutoComplete);
}

void CChannelParameterDlg::OnNameCompleted(UINT id, NMHDR* pNotify, LRESULT* pResult)
{
    *pResult = 0;
    const int k = RowOf(kNameIds, id);
    if (k < 0 || !pNotify)
        return;
    const char* text = reinterpret_cast<NMAUTOCOMPLETE*>(pNotify)->szText;
    for (const auto& gas : m_gasNames)
        if (gas.first.CompareNoCase(text) == 0)
        {
            SetDlgItemInt(kMassIds[k], static_cast<UINT>(gas.second), FALSE);
            return;
        }
}

void CChannelParameterDlg::OnParamMessage(CParamMessage* pMessage)
{
    const int32_t* words = pMessage ? pMessage->GetData() : nullptr;
    if (!words)
        return;
    if (words[1])
    {
        if (m_pTable)
            m_pTable->m_moreWords[kCommonSpeedWord] = words[0];
        m_nAllSpeed = words[0];
        if (m_hWnd)
        {
            SendDlgItemMessage(IDC_CHAN_ALL_SPEED, CB_SETCURSEL, static_cast<WPARAM>(words[0]));
            for (int id : kSpeedIds)
                SendDlgItemMessage(id, CB_SETCURSEL, static_cast<WPARAM>(words[0]));
        }
    }
    if (words[3])
    {
        if (m_pTable)
            m_pTable->m_moreWords[kCommonCemWord] = words[2] ? 1 : 0;
        m_bAllCem = words[2] ? 1 : 0;
        if (m_hWnd)
        {
            CheckDlgButton(IDC_CHAN_ALL_CEM, m_bAllCem ? BST_CHECKED : BST_UNCHECKED);
            for (int id : kCemIds)
                CheckDlgButton(id, m_bAllCem ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

void CChannelParameterDlg::OnOK()
{
    if (m_pTable && m_pTable->m_pHead)
        m_nHighestMass = m_pTable->m_pHead->GetMassRange();
    if (!UpdateData(TRUE))
        return;
    if (m_pTable)
    {
        for (int k = 0; k < kRows; ++k)
        {
            const Row& row = m_rows[k];
            CTableData& channel = m_pTable->m_configured[k];
            channel.m_enabled = row.enabled;
            if (row.speed >= 0)
                channel.m_noiseFloor = row.speed;
            channel.m_cem = row.cem;
            channel.m_mass = row.mass;
            channel.m_calFactor = row.scale;
            CopyTextField(channel.m_szGasName, sizeof channel.m_szGasName, row.name);
        }
        m_pTable->m_moreWords[kCommonCemWord] = m_bAllCem;
        if (m_nAllSpeed >= 0)
            m_pTable->m_moreWords[kCommonSpeedWord] = m_nAllSpeed;
    }
    CAppUiState::GetInstance()->m_nChannelOption = m_bAutoComplete;
    UpdateRowStates();
    NotifyParametersChanged();
}

void CChannelParameterDlg::OnClose()
{
    // The controls keep their state: a running scan still greys them.
    SavePlacement();
    NotifyClosed();
    m_bClosing = TRUE;
    CBaseParameterDlg::OnClose();
}

void CChannelParameterDlg::OnDestroy()
{
    SavePlacement();
    CBaseParameterDlg::OnDestroy();
}

void CChannelParameterDlg::OnCancel()
{
    if (!m_bClosing)
    {
        // Escape: the same close as the caption's button, which comes back here to hide.
        SendMessage(WM_CLOSE);
        return;
    }
    m_bClosing = FALSE;
    CBaseParameterDlg::OnCancel();
}

void CChannelParameterDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(0x20000 + IDD_CHANNEL_PARAMETERS);
}

// ---- The channel scans' side -------------------------------------------------------------------

void CChannelScan::EditParameters()
{
    CScanSite* site = GetSite();
    if (!m_pParameterDlg)
    {
        auto* dlg = new CChannelParameterDlg();
        m_pParameterDlg = dlg;
        // Each library gas is offered with its first mass.
        if (CLibrary* library = site ? site->GetLibrary() : nullptr)
        {
            for (int i = 0; i < library->GetSize(); ++i)
            {
                CGas* gas = nullptr;
                if (!library->GetGasAt(i, gas) || !gas)
                    continue;
                std::vector<PeakRecord> peaks;
                gas->GetPeaks(peaks);
                dlg->AddGasName(gas->GetName(), peaks.empty() ? 1 : peaks.front().mass);
            }
        }
    }
    static_cast<CChannelParameterDlg*>(m_pParameterDlg)
        ->SetTable(m_pTable, site ? site->GetViewWindow() : nullptr);
}

BOOL CChannelScan::ShowParameterDialog()
{
    EditParameters();
    if (!::IsWindow(m_pParameterDlg->GetSafeHwnd()) &&
        !m_pParameterDlg->Create(IDD_CHANNEL_PARAMETERS, nullptr))
        return FALSE;
    m_pParameterDlg->RestorePlacement();
    m_pParameterDlg->ShowWindow(CAppUiState::GetInstance()->m_bParamDlgShown ? SW_SHOW : SW_HIDE);
    return TRUE;
}
