#include "TestApp.h"

#include <cstdio>

namespace appfw
{

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

// ---- Document

IMPLEMENT_DYNCREATE(CTestDoc, CDocument)

BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
ON_COMMAND_EX(ID_TEST_PASS, OnPass)
ON_COMMAND(ID_TEST_DOC, OnDoc)
ON_COMMAND(ID_TEST_GRAYED, OnGrayed)
ON_UPDATE_COMMAND_UI(ID_TEST_GRAYED, OnUpdateGrayed)
END_MESSAGE_MAP()

void CTestDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << m_text;
        // Enough bytes that part of the file has reached the disk before the failure.
        if (s_failSave)
        {
            for (int i = 0; i < 64 * 1024; ++i)
                ar << static_cast<DWORD>(i);
            ar.Flush();
            CFileException::ThrowOsError(ERROR_DISK_FULL, ar.GetFile()->GetFilePath());
        }
    }
    else
    {
        ar >> m_text;
    }
}

void CTestDoc::OnCloseDocument()
{
    ++s_closed;
    CDocument::OnCloseDocument();
}

BOOL CTestDoc::OnPass(UINT)
{
    Log().push_back("doc");
    return FALSE;
}

void CTestDoc::OnDoc()
{
    Log().push_back("doc");
}

void CTestDoc::OnUpdateGrayed(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(FALSE);
}

void CTestDoc::OnGrayed()
{
    Log().push_back("grayed ran");
}

// ---- View

IMPLEMENT_DYNCREATE(CTestView, CView)

BEGIN_MESSAGE_MAP(CTestView, CView)
ON_COMMAND_EX(ID_TEST_PASS, OnPass)
ON_COMMAND(ID_TEST_VIEW, OnView)
ON_COMMAND(ID_TEST_CHECK, OnCheck)
ON_UPDATE_COMMAND_UI(ID_TEST_CHECK, OnUpdateCheck)
END_MESSAGE_MAP()

void CTestView::OnDraw(CDC* pDC)
{
    CRect rc;
    GetClientRect(&rc);
    pDC->FillSolidRect(&rc, RGB(255, 255, 255));
    if (auto* pDoc = static_cast<CTestDoc*>(GetDocument()))
        pDC->TextOut(4, 4, pDoc->m_text);
}

void CTestView::OnInitialUpdate()
{
    ++m_initialUpdates;
    CView::OnInitialUpdate();
}

BOOL CTestView::OnPass(UINT)
{
    Log().push_back("view");
    return FALSE;
}

void CTestView::OnView()
{
    Log().push_back("view");
}

void CTestView::OnUpdateCheck(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(1);
}

void CTestView::OnCheck() {}

// ---- Frames

IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)

BEGIN_MESSAGE_MAP(CChildFrame, CMDIChildWnd)
ON_COMMAND_EX(ID_TEST_PASS, OnPass)
ON_COMMAND(ID_TEST_VIEW, OnChild)
ON_COMMAND(ID_TEST_DOC, OnChild)
ON_COMMAND(ID_TEST_CHILD, OnChild)
END_MESSAGE_MAP()

BOOL CChildFrame::OnPass(UINT)
{
    Log().push_back("child");
    return FALSE;
}

void CChildFrame::OnChild()
{
    Log().push_back("child");
}

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_COMMAND_EX(ID_TEST_PASS, OnPass)
ON_COMMAND(ID_TEST_CHILD, OnMain)
ON_COMMAND(ID_TEST_MAIN, OnMain)
ON_WM_CREATE()
ON_COMMAND(ID_HELP_INDEX, CFrameWnd::OnHelpIndex)
ON_COMMAND(ID_HELP, CFrameWnd::OnHelp)
END_MESSAGE_MAP()

int CMainFrame::OnCreate(LPCREATESTRUCT lpcs)
{
    if (CMDIFrameWnd::OnCreate(lpcs) == -1)
        return -1;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS |
                                   CBRS_FLYBY) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    static const UINT indicators[] = {ID_SEPARATOR};
    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(indicators, 1))
        return -1;
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    return 0;
}

BOOL CMainFrame::OnPass(UINT)
{
    Log().push_back("main");
    return FALSE;
}

void CMainFrame::OnMain()
{
    Log().push_back("main");
}

// ---- Application

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
ON_COMMAND(ID_APP_EXIT, CWinApp::OnAppExit)
ON_COMMAND_EX(ID_TEST_PASS, OnPass)
ON_COMMAND(ID_TEST_VIEW, OnApp)
ON_COMMAND(ID_TEST_MAIN, OnApp)
ON_COMMAND(ID_TEST_APP, OnApp)
END_MESSAGE_MAP()

BOOL CTestApp::InitInstance()
{
    SetRegistryKey(m_key.c_str());
    LoadStdProfileSettings(4);
    m_pTemplate = new CMultiDocTemplate(IDR_KELTYPE, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CChildFrame),
                                        RUNTIME_CLASS(CTestView));
    AddDocTemplate(m_pTemplate);
    auto* pMainFrame = new CMainFrame;
    if (!pMainFrame->LoadFrame(IDR_MAINFRAME))
        return FALSE;
    m_pMainWnd = pMainFrame;
    pMainFrame->DragAcceptFiles();
    pMainFrame->MoveWindow(0, 0, 640, 480);
    pMainFrame->ShowWindow(SW_SHOWNORMAL);
    return TRUE;
}

int CTestApp::ExitInstance()
{
    ++m_exits;
    return CWinApp::ExitInstance();
}

BOOL CTestApp::OnPass(UINT)
{
    Log().push_back("app");
    return TRUE;
}

void CTestApp::OnApp()
{
    Log().push_back("app");
}

void CTestApp::WinHelp(DWORD_PTR dwData, UINT nCmd)
{
    char line[64];
    std::snprintf(line, sizeof line, "help %lx %u", static_cast<unsigned long>(dwData), nCmd);
    Log().push_back(line);
    CWinApp::WinHelp(dwData, nCmd);
}

} // namespace appfw
