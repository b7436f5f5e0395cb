#include "mfc/Dialog.h"
#include "afxres.h"
#include "mfc/WinApp.h"
#include "mfc/Exception.h"
#include "mfc/ModuleState.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr)
    {
        // The first message the dialog manager hands over: attach the dialog being created and
        // route the window's messages through its map from now on.
        pWnd = kel::mfc::TakeHookedWindow(hWnd);
        if (pWnd == nullptr)
            return FALSE;
        if (message != WM_INITDIALOG)
        {
            // The message that attached the object (the dialog's WM_SETFONT) goes through its map
            // like every later one; its default processing runs in there, so it counts as handled.
            const LRESULT lResult = AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
            const bool direct = (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
                                message == WM_COMPAREITEM || message == WM_VKEYTOITEM ||
                                message == WM_CHARTOITEM || message == WM_QUERYDRAGICON;
            if (direct)
                return static_cast<INT_PTR>(lResult);
            if (::IsWindow(hWnd))
                ::SetWindowLongPtr(hWnd, DWLP_MSGRESULT, lResult);
            return TRUE;
        }
    }
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* pDlg = dynamic_cast<CDialog*>(pWnd);
    if (pDlg == nullptr)
        return TRUE;
    BOOL bResult = TRUE;
    TRY
    {
        bResult = pDlg->OnInitDialog();
    }
    CATCH_ALL(e)
    {
        e->ReportError();
        pDlg->EndDialog(IDABORT);
        bResult = FALSE;
    }
    END_CATCH_ALL
    return bResult;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
ON_COMMAND(ID_HELP, OnHelp)
ON_COMMAND(IDHELP, OnHelp)
ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
ON_WM_HELPINFO()
END_MESSAGE_MAP()

void CDialog::OnHelp()
{
    SendMessage(WM_COMMANDHELP, 0, 0);
}

LRESULT CDialog::OnCommandHelp(WPARAM, LPARAM lParam)
{
    if (lParam == 0 && m_nIDHelp != 0)
        lParam = HID_BASE_RESOURCE + m_nIDHelp;
    if (lParam == 0)
        return FALSE;
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(static_cast<DWORD_PTR>(lParam));
    return TRUE;
}

BOOL CDialog::OnHelpInfo(HELPINFO*)
{
    // F1 gives the same topic as the dialog's Help button, whoever answers that button.
    for (const int id : {ID_HELP, IDHELP})
        if (CWnd* help = GetDlgItem(id); help && help->IsWindowEnabled())
        {
            SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(help->GetSafeHwnd()));
            return TRUE;
        }
    return static_cast<BOOL>(SendMessage(WM_COMMANDHELP, 0, 0));
}

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
    m_lpszTemplateName = MAKEINTRESOURCE(nIDTemplate);
}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd) : m_pParentWnd(pParentWnd)
{
    SetTemplate(lpszTemplateName);
}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
}

void CDialog::SetTemplate(LPCTSTR lpszTemplateName)
{
    if (IS_INTRESOURCE(lpszTemplateName))
    {
        m_lpszTemplateName = lpszTemplateName;
    }
    else
    {
        m_templateName = lpszTemplateName;
        m_lpszTemplateName = m_templateName.c_str();
    }
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    if (m_nIDHelp == 0)
        m_nIDHelp = nIDTemplate;
    return Create(MAKEINTRESOURCE(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    if (m_hWnd != nullptr)
        return FALSE;
    SetTemplate(lpszTemplateName);
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    kel::mfc::HookWindowCreate(this);
    HWND hWnd = ::CreateDialogParam(hInst, m_lpszTemplateName, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr,
                                    AfxDlgProc, 0);
    kel::mfc::UnhookWindowCreate();
    if (hWnd == nullptr)
        return FALSE;
    if (m_hWnd == nullptr)
        SubclassWindow(hWnd);
    return m_hWnd == hWnd;
}

HWND CDialog::PreModal()
{
    if (m_pParentWnd != nullptr)
        return m_pParentWnd->GetSafeHwnd();
    return ::GetActiveWindow();
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != nullptr || m_lpszTemplateName == nullptr)
        return -1;
    HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HWND hWndOwner = PreModal();
    m_bModal = TRUE;
    m_nModalResult = -1;
    kel::mfc::HookWindowCreate(this);
    const INT_PTR nResult = ::DialogBoxParam(hInst, m_lpszTemplateName, hWndOwner, AfxDlgProc, 0);
    kel::mfc::UnhookWindowCreate();
    m_bModal = FALSE;
    // The window is gone; forget it if its last messages did not reach us.
    if (m_hWnd != nullptr)
        Detach();
    m_nModalResult = nResult;
    return nResult;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return; // the user was told; the dialog stays open on the failing field
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    ::EndDialog(m_hWnd, nResult);
}

void CDialog::NextDlgCtrl() const
{
    ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 0, 0);
}

void CDialog::PrevDlgCtrl() const
{
    ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 1, 0);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl != nullptr)
        ::SendMessage(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
}

void CDialog::SetDefID(UINT nID)
{
    ::SendMessage(m_hWnd, DM_SETDEFID, nID, 0);
}

DWORD CDialog::GetDefID() const
{
    return static_cast<DWORD>(::SendMessage(m_hWnd, DM_GETDEFID, 0, 0));
}

void CDialog::MapDialogRect(LPRECT lpRect) const
{
    ::MapDialogRect(m_hWnd, lpRect);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Modeless dialogs get the dialog keys (Tab, Enter, Escape) from the dialog manager.
    if (m_bModal || m_hWnd == nullptr || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))
        return FALSE;
    return ::IsDialogMessage(m_hWnd, pMsg);
}
