#include "shell/LeftPaneDlg.h"

#include "engine/TerminalEngine.h"
#include "ports/PortList.h"

namespace
{
constexpr COLORREF kPaneColor = RGB(183, 245, 221);
constexpr int kImageConnected = 0;
constexpr int kImageNotConnected = 1;
constexpr int kSerialHead = 1;
const char kConnectTip[] = "Connect to the selected instrument in the list";
const char kDisconnectTip[] = "Disconnect from the selected instrument in the list";
} // namespace

// The list stretches with the pane; the buttons keep their size and their distance from the
// pane's centre line and top.
const CControlAnchor::Rule CLeftPaneDlg::s_rules[3] = {
    {IDC_INSTRUMENT_LIST, {1, 0, 1}, {1, 0, 2}, {1, 0, 3}, {1, 0, 4}},
    {IDC_CONNECT, {1, 0, 5}, {1, 0, 2}, {3, 0, 1}, {4, 0, 4}},
    {IDC_UPDATE_LIST, {1, 0, 5}, {1, 0, 2}, {3, 0, 1}, {4, 0, 4}},
};

BEGIN_MESSAGE_MAP(CLeftPaneDlg, CDialog)
ON_WM_CTLCOLOR()
ON_WM_SIZE()
ON_BN_CLICKED(IDC_CONNECT, OnConnect)
ON_COMMAND(ID_LIST_CONNECT, OnConnect)
ON_COMMAND(ID_LIST_PROPERTIES, OnProperties)
ON_BN_CLICKED(IDC_UPDATE_LIST, OnUpdateList)
ON_NOTIFY(NM_DBLCLK, IDC_INSTRUMENT_LIST, OnListDoubleClick)
ON_NOTIFY(LVN_ITEMACTIVATE, IDC_INSTRUMENT_LIST, OnListSelection)
ON_NOTIFY(LVN_ITEMCHANGED, IDC_INSTRUMENT_LIST, OnListSelection)
ON_NOTIFY(NM_RCLICK, IDC_INSTRUMENT_LIST, OnListRightClick)
END_MESSAGE_MAP()

CLeftPaneDlg::CLeftPaneDlg() : CDialog(IDD)
{
    m_brush.CreateSolidBrush(kPaneColor);
}

CLeftPaneDlg::~CLeftPaneDlg() = default;

BOOL CLeftPaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_connect.SubclassDlgItem(IDC_CONNECT, this);
    m_connect.SetColor(CIconButton::kColorBkIn, GetSysColor(COLOR_BTNFACE) + 0x0F0F0F);
    m_connect.SetFlat(FALSE);
    m_connect.SetTooltipText(kConnectTip);
    m_connect.SetWindowText("Connect");
    InitList();
    m_anchor.Init(this, nullptr, s_rules, 3);
    return FALSE; // the focus is on the list
}

void CLeftPaneDlg::InitList()
{
    m_list.SubclassDlgItem(IDC_INSTRUMENT_LIST, this);
    m_images.Create(32, 32, ILC_COLOR16 | ILC_MASK, 2, 0);
    for (UINT id : {IDI_CONNECTED, IDI_NOT_CONNECTED})
        m_images.Add(::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(id)));
    m_list.SetImageList(&m_images, LVSIL_SMALL);
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_ONECLICKACTIVATE);
    m_list.InsertColumn(0, "Connector", LVCFMT_LEFT, 80);
    m_list.InsertColumn(1, "Instrument", LVCFMT_LEFT, 80);
    m_list.InsertColumn(2, "ID", LVCFMT_LEFT, 160);
    BeginWaitCursor();
    FillList();
    EndWaitCursor();
    m_list.SetFocus();
    m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetSelectionMark(0);
}

void CLeftPaneDlg::FillList()
{
    CPortList& ports = CPortList::Instance();
    ports.Refresh();
    // A head that went away takes the terminal's port with it: its row is free again.
    CTerminalEngine* engine = CTerminalEngine::PeekInstance();
    if (engine && engine->IsConnected())
    {
        std::shared_ptr<CPortEntry> owner = ports.HoldByName(engine->GetPortName());
        if (!owner || !owner->GetConnected())
        {
            engine->Disconnect();
            if (owner)
                owner->SetDsrTest(0, nullptr);
        }
    }
    const int count = ports.GetCount();
    for (int i = 0; i < count; ++i)
    {
        m_list.InsertItem(i, "", kImageNotConnected);
        UpdateRow(i);
    }
}

void CLeftPaneDlg::UpdateRow(int i)
{
    std::shared_ptr<CPortEntry> entry = CPortList::Instance().HoldAt(i);
    if (!entry || i >= m_list.GetItemCount())
        return;
    LVITEM item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    const std::string connector = entry->GetConnector();
    item.pszText = const_cast<char*>(connector.c_str());
    item.iImage = entry->GetConnected() ? kImageConnected : kImageNotConnected;
    m_list.SetItem(&item);
    m_list.SetItemText(i, 1, entry->GetName().c_str());
    m_list.SetItemText(i, 2, entry->GetInstrument().c_str());
}

void CLeftPaneDlg::UpdateAllRows()
{
    for (int i = 0; i < m_list.GetItemCount(); ++i)
        UpdateRow(i);
}

void CLeftPaneDlg::UpdateConnectButton(int i)
{
    std::shared_ptr<CPortEntry> entry = CPortList::Instance().HoldAt(i);
    if (!entry)
        return;
    const bool connected = entry->GetConnected() != 0;
    m_connect.SetWindowText(connected ? "Disconnect" : "Connect");
    m_connect.SetTooltipText(connected ? kDisconnectTip : kConnectTip);
    m_connect.EnableWindow(entry->GetInstrumentState() != 0);
}

int CLeftPaneDlg::GetSelectedRow() const
{
    return m_list.GetNextItem(-1, LVNI_SELECTED);
}

void CLeftPaneDlg::DisconnectEntry(CPortEntry& entry)
{
    if (entry.GetInstrumentState() == kSerialHead)
    {
        CTerminalEngine::GetInstance()->Disconnect();
        entry.SetDsrTest(0, nullptr);
        CPortList::Instance().MarkDisconnected(entry.GetConnector());
    }
    else
        entry.Disconnect();
}

void CLeftPaneDlg::OnConnect()
{
    const int i = GetSelectedRow();
    CPortList& ports = CPortList::Instance();
    std::shared_ptr<CPortEntry> entry = ports.HoldAt(i);
    if (!entry)
        return;
    const int state = entry->GetInstrumentState();
    if (entry->GetConnected())
        DisconnectEntry(*entry);
    else if (state != 0)
    {
        // One row at a time.
        for (int k = 0; k < ports.GetCount(); ++k)
            if (auto other = ports.HoldAt(k); other && other != entry && other->GetConnected())
                DisconnectEntry(*other);
        const std::string connector = entry->GetConnector();
        if (state == kSerialHead)
        {
            // A port that did not open leaves the row as it was; the engine has said why.
            CTerminalEngine* engine = CTerminalEngine::GetInstance();
            if (engine->Connect(connector))
            {
                ports.MarkConnected(CreateInstrumentDesc(kSerialHead), connector);
                entry->SetDsrTest(1, engine->GetPortHandle());
            }
        }
        else
            entry->Connect(connector);
    }
    UpdateAllRows();
    UpdateConnectButton(i);
}

void CLeftPaneDlg::SetUpContextMenu(CMenu& popup, int i)
{
    std::shared_ptr<CPortEntry> entry = CPortList::Instance().HoldAt(i);
    if (!entry)
        return;
    const bool connected = entry->GetConnected() != 0;
    popup.ModifyMenu(ID_LIST_CONNECT, MF_BYCOMMAND | MF_STRING, ID_LIST_CONNECT,
                     connected ? "Disconnect" : "Connect");
    if (entry->GetInstrumentState() == 0)
        popup.EnableMenuItem(ID_LIST_CONNECT, MF_BYCOMMAND | MF_GRAYED);
    if (!connected)
        popup.EnableMenuItem(ID_LIST_PROPERTIES, MF_BYCOMMAND | MF_GRAYED);
}

void CLeftPaneDlg::ShowContextMenu(int i, int x, int y)
{
    if (i < 0 || !CPortList::Instance().HoldAt(i))
        return;
    CMenu menu;
    if (!menu.LoadMenu(IDR_LIST_MENU))
        return;
    if (CMenu* popup = menu.GetSubMenu(0))
    {
        SetUpContextMenu(*popup, i);
        CPoint point(x, y);
        m_list.ClientToScreen(&point);
        popup->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, this);
    }
    menu.DestroyMenu();
}

void CLeftPaneDlg::OnProperties()
{
    const int i = GetSelectedRow();
    std::shared_ptr<CPortEntry> entry = CPortList::Instance().HoldAt(i);
    if (!entry || !entry->GetConnected())
        return;
    const std::string connector = entry->GetConnector();
    CTerminalEngine* engine = CTerminalEngine::GetInstance();
    const bool terminalOwned = entry->GetInstrumentState() == kSerialHead && engine->IsConnected();
    if (terminalOwned)
    {
        // The head layer needs the port for the head's own questions.
        engine->Disconnect();
        entry->SetDsrTest(0, nullptr);
        CPortList::Instance().MarkDisconnected(connector);
        entry->Connect(connector);
    }
    entry->ShowInfo();
    if (terminalOwned)
    {
        entry->Disconnect();
        if (engine->Connect(connector))
        {
            CPortList::Instance().MarkConnected(CreateInstrumentDesc(kSerialHead), connector);
            entry->SetDsrTest(1, engine->GetPortHandle());
        }
    }
    UpdateAllRows();
    UpdateConnectButton(i);
}

void CLeftPaneDlg::OnUpdateList()
{
    const int selected = GetSelectedRow();
    BeginWaitCursor();
    m_list.DeleteAllItems();
    FillList();
    EndWaitCursor();
    // The row the user had (or the first) stays selected, so the button acts on it.
    const int row = selected >= 0 && selected < m_list.GetItemCount() ? selected : 0;
    if (row < m_list.GetItemCount())
    {
        m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.SetSelectionMark(row);
        UpdateConnectButton(row);
    }
}

HBRUSH CLeftPaneDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (pWnd && pWnd->GetDlgCtrlID() == IDC_INSTRUMENT_LIST)
    {
        pDC->SetBkMode(TRANSPARENT);
        return static_cast<HBRUSH>(m_brush.GetSafeHandle());
    }
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

void CLeftPaneDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    m_anchor.Resize();
}

void CLeftPaneDlg::OnListSelection(NMHDR*, LRESULT* pResult)
{
    const int i = GetSelectedRow();
    if (i >= 0)
        UpdateConnectButton(i);
    *pResult = 0;
}

void CLeftPaneDlg::OnListDoubleClick(NMHDR*, LRESULT* pResult)
{
    OnConnect();
    *pResult = 0;
}

void CLeftPaneDlg::OnListRightClick(NMHDR* pNMHDR, LRESULT* pResult)
{
    const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
    ShowContextMenu(GetSelectedRow(), activate->ptAction.x, activate->ptAction.y);
    *pResult = 0;
}
