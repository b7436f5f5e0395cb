// A small many-document application for the framework's tests: a document holding one text, a
// view, child and main frames, each answering a few test commands and writing what ran to Log().
// The main frame has a docked toolbar and a status bar and takes dropped files.
#pragma once

#include "afxext.h"
#include "afxwin.h"
#include "res/resource.h"

#include <string>
#include <vector>

namespace appfw
{

// Which handlers ran, in order ("view", "doc", "child", "main", "app").
std::vector<std::string>& Log();

class CTestDoc : public CDocument
{
    DECLARE_DYNCREATE(CTestDoc)
public:
    void Serialize(CArchive& ar) override;
    void OnCloseDocument() override;

    CString m_text;
    static inline bool s_failSave = false; // Serialize throws after writing the text
    static inline int s_closed = 0;        // OnCloseDocument calls

    BOOL OnPass(UINT nID);
    void OnDoc();
    void OnUpdateGrayed(CCmdUI* pCmdUI);
    void OnGrayed();

    DECLARE_MESSAGE_MAP()
};

class CTestView : public CView
{
    DECLARE_DYNCREATE(CTestView)
public:
    void OnDraw(CDC* pDC) override;
    void OnInitialUpdate() override;
    int m_initialUpdates = 0;

    BOOL OnPass(UINT nID);
    void OnView();
    void OnUpdateCheck(CCmdUI* pCmdUI);
    void OnCheck();

    DECLARE_MESSAGE_MAP()
};

class CChildFrame : public CMDIChildWnd
{
    DECLARE_DYNCREATE(CChildFrame)
public:
    BOOL OnPass(UINT nID);
    void OnChild();

    DECLARE_MESSAGE_MAP()
};

class CMainFrame : public CMDIFrameWnd
{
    DECLARE_DYNCREATE(CMainFrame)
public:
    BOOL OnPass(UINT nID);
    void OnMain();
    int OnCreate(LPCREATESTRUCT lpcs);

    CToolBar m_wndToolBar;
    CStatusBar m_wndStatusBar;

    DECLARE_MESSAGE_MAP()
};

class CTestApp : public CWinApp
{
public:
    explicit CTestApp(const char* registryKey) : CWinApp("AppTest"), m_key(registryKey) {}

    BOOL InitInstance() override;
    int ExitInstance() override;

    CMainFrame* MainFrame() const { return static_cast<CMainFrame*>(m_pMainWnd); }
    CMultiDocTemplate* m_pTemplate = nullptr;
    int m_exits = 0;

    BOOL OnPass(UINT nID);
    void OnApp();
    // Logs "help <context in hex> <command>", then opens the help file as usual.
    void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT) override;

    DECLARE_MESSAGE_MAP()

private:
    std::string m_key;
};

} // namespace appfw
