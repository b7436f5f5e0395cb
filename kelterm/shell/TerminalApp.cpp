#include "shell/TerminalApp.h"

#include "ResourceDll.h"
#include "dialogs/HeadDialogs.h"
#include "res/resource.h"
#include "shell/InfoDialog.h"
#include "shell/MainFrm.h"

BEGIN_MESSAGE_MAP(CTerminalApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

CTerminalApp::CTerminalApp() : CWinApp("kelterm") {}

BOOL CTerminalApp::InitInstance()
{
    CWinApp::InitInstance();
    SetRegistryKey("ZOL");
    // The head layer's dialogs and boxes (the instrument's Properties), with their templates
    // from dlgpack.
    CResourceDll::Instance();
    CHeadDialogs::Install();
    auto* frame = new CMainFrame;
    m_pMainWnd = frame;
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE))
        return FALSE;
    frame->SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIcon(IDR_MAINFRAME)));
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    return TRUE;
}

void CTerminalApp::OnAppAbout()
{
    CAboutDlg dialog(m_pMainWnd);
    dialog.DoModal();
}
