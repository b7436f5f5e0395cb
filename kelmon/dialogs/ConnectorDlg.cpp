#include "dialogs/ConnectorDlg.h"

namespace
{
const char* const kConnectTip = "Connect to the selected instrument in the list";
const char* const kDisconnectTip = "Disconnect from the selected instrument in the list";

struct Column
{
    const char* title;
    int width;
};
const Column kColumns[] = {{"Connector", 80}, {"Instrument", 100}, {"ID", 160},
                           {"Status", 120},   {"Activity", 100},   {"Bind to", 100}};
} // namespace

IMPLEMENT_DYNAMIC(CConnectorDlg, CDialog)

BEGIN_MESSAGE_MAP(CConnectorDlg, CDialog)
ON_BN_CLICKED(IDC_CONNECTOR_CONNECT, OnConnect)
ON_BN_CLICKED(IDC_CONNECTOR_UPDATE, OnUpdateList)
ON_NOTIFY(LVN_ITEMCHANGED, IDC_CONNECTOR_LIST, OnItemChanged)
ON_NOTIFY(LVN_ITEMACTIVATE, IDC_CONNECTOR_LIST, OnItemChanged)
ON_NOTIFY(NM_DBLCLK, IDC_CONNECTOR_LIST, OnDoubleClick)
ON_COMMAND(ID_CONNECTOR_TOGGLE, OnConnect)
ON_COMMAND(ID_CONNECTOR_PROPERTIES, OnProperties)
ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

CConnectorDlg::CConnectorDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CConnectorDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CONNECTOR_LIST, m_list);
}

BOOL CConnectorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_pPorts)
        m_pPorts = &CPortList::Instance();
    if (!m_pRegistry)
        m_pRegistry = &CPortBindingRegistry::GetInstance();
    m_list.SubclassHeader();

    m_connectButton.SubclassDlgItem(IDC_CONNECTOR_CONNECT, this);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    auto raise = [](int channel) { return channel + 15 > 255 ? 255 : channel + 15; };
    m_connectButton.SetColor(CIconButton::kColorBkIn,
                             RGB(raise(GetRValue(face)), raise(GetGValue(face)), raise(GetBValue(face))));
    m_connectButton.SetFlat(FALSE);
    m_connectButton.SetTooltipText(kConnectTip);
    m_connectButton.SetWindowText("Connect");

    if (m_pDocument)
    {
        CString caption;
        caption.Format("Connector list for %s", m_pDocument->GetTitle().c_str());
        SetWindowText(caption);
    }
    BuildList();
    return FALSE;
}

void CConnectorDlg::BuildList()
{
    m_images.Create(32, 32, ILC_COLOR16 | ILC_MASK, 2, 1);
    for (UINT id : {IDI_CONNECTED, IDI_NOT_CONNECTED})
    {
        if (HICON icon = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(id)))
            m_images.Add(icon);
    }
    m_list.SetImageList(&m_images, LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_ONECLICKACTIVATE);
    int index = 0;
    for (const Column& c : kColumns)
        m_list.InsertColumn(index++, c.title, LVCFMT_LEFT, c.width);

    BeginWaitCursor();
    FillList();
    EndWaitCursor();
    m_list.SetFocus();
    m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetSelectionMark(0);
    UpdateButton(0);
}

void CConnectorDlg::FillList()
{
    m_pPorts->Refresh();
    m_rows.clear();
    for (int i = 0; i < m_pPorts->GetCount(); ++i)
    {
        std::shared_ptr<CPortEntry> entry = m_pPorts->HoldAt(i);
        if (!entry)
            continue;
        m_rows.push_back(entry);
        m_list.InsertItem(static_cast<int>(m_rows.size()) - 1, entry->GetConnector().c_str(), 1);
        UpdateRow(static_cast<int>(m_rows.size()) - 1);
    }
    ReleaseUnboundDocument(m_pDocument, *m_pPorts, *m_pRegistry);
}

void CConnectorDlg::UpdateRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    const ConnectorRow texts = DescribeConnector(*m_rows[static_cast<size_t>(row)], *m_pRegistry);
    m_list.SetItem(row, 0, LVIF_TEXT | LVIF_IMAGE, texts.connector.c_str(), texts.image, 0, 0, 0);
    const std::string* columns[] = {&texts.instrument, &texts.id, &texts.status, &texts.activity,
                                    &texts.bindTo};
    for (int c = 0; c < 5; ++c)
        m_list.SetItemText(row, c + 1, columns[c]->c_str());
}

void CConnectorDlg::UpdateAllRows()
{
    for (int row = 0; row < static_cast<int>(m_rows.size()); ++row)
        UpdateRow(row);
}

void CConnectorDlg::UpdateButton(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
    {
        m_connectButton.EnableWindow(FALSE);
        return;
    }
    CPortEntry& entry = *m_rows[static_cast<size_t>(row)];
    const bool connected = entry.GetConnected() != 0;
    m_connectButton.SetWindowText(connected ? "Disconnect" : "Connect");
    m_connectButton.SetTooltipText(connected ? kDisconnectTip : kConnectTip);
    m_connectButton.EnableWindow(entry.GetInstrumentState() != 0);
}

int CConnectorDlg::SelectedRow() const
{
    return m_list.GetNextItem(-1, LVNI_SELECTED);
}

void CConnectorDlg::Toggle()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    ToggleConnector(*m_rows[static_cast<size_t>(row)], m_pDocument, *m_pPorts, *m_pRegistry);
    m_list.SetFocus();
    UpdateAllRows();
    UpdateButton(row);
}

void CConnectorDlg::OnConnect()
{
    Toggle();
}

void CConnectorDlg::OnUpdateList()
{
    const int selected = SelectedRow();
    BeginWaitCursor();
    m_list.DeleteAllItems();
    FillList();
    EndWaitCursor();
    // The row the user had stays selected, so the button keeps acting on it.
    if (selected >= 0 && selected < static_cast<int>(m_rows.size()))
    {
        m_list.SetItemState(selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.SetSelectionMark(selected);
    }
    UpdateButton(SelectedRow());
}

void CConnectorDlg::OnItemChanged(NMHDR*, LRESULT* pResult)
{
    UpdateButton(SelectedRow());
    *pResult = 0;
}

void CConnectorDlg::OnDoubleClick(NMHDR*, LRESULT* pResult)
{
    Toggle();
    *pResult = 0;
}

void CConnectorDlg::OnProperties()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    CPortEntry& entry = *m_rows[static_cast<size_t>(row)];
    if (!entry.GetConnected())
        return;
    IPortDocument* bound = m_pRegistry->Lookup(&entry);
    if (bound && !bound->WarnIfScanRunning())
        bound->ShowHeadInfo();
}

void CConnectorDlg::OnContextMenu(CWnd* pWnd, CPoint pos)
{
    if (!pWnd || pWnd->GetSafeHwnd() != m_list.GetSafeHwnd())
        return;
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    if (pos.x == -1 && pos.y == -1)
        ::GetCursorPos(&pos);
    CMenu menu;
    if (!menu.LoadMenu(IDR_CONNECTOR_MENU))
        return;
    CMenu* popup = menu.GetSubMenu(0);
    if (!popup)
        return;
    CPortEntry& entry = *m_rows[static_cast<size_t>(row)];
    const bool connected = entry.GetConnected() != 0;
    popup->ModifyMenu(ID_CONNECTOR_TOGGLE, MF_BYCOMMAND | MF_STRING, ID_CONNECTOR_TOGGLE,
                      connected ? "Disconnect" : "Connect");
    popup->EnableMenuItem(ID_CONNECTOR_TOGGLE,
                          MF_BYCOMMAND | (entry.GetInstrumentState() ? MF_ENABLED : MF_GRAYED));
    popup->EnableMenuItem(ID_CONNECTOR_PROPERTIES, MF_BYCOMMAND | (connected ? MF_ENABLED : MF_GRAYED));
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, pos.x, pos.y, this);
}
