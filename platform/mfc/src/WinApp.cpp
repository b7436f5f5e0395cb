#include "mfc/WinApp.h"

#include "afxres.h"
#include "mfc/CommonDialogs.h"
#include "mfc/DocTemplate.h"
#include "mfc/Document.h"
#include "mfc/Frame.h"
#include "mfc/Menu.h"
#include "mfc/ModuleState.h"
#include "mfc/View.h"
#include "win32/files.h"
#include "win32/resources.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace
{

const char kRecentSection[] = "Recent File List";
const char kRecentEntry[] = "File%d";

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The absolute form of a path, as documents and the recent-file list keep it.
CString FullPath(LPCTSTR lpszPath)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(lpszPath, ec);
    if (ec)
        return CString(lpszPath);
    return CString(p.lexically_normal().string().c_str());
}

} // namespace

// ---- Strings --------------------------------------------------------------------------------------------

void AfxFormatStrings(CString& rString, LPCTSTR lpszFormat, LPCTSTR const* rglpsz, int nString)
{
    std::string out;
    for (const char* p = lpszFormat ? lpszFormat : ""; *p; ++p)
    {
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9')
        {
            const int i = p[1] - '1';
            if (i < nString && rglpsz[i] != nullptr)
                out += rglpsz[i];
            ++p;
        }
        else
            out += *p;
    }
    rString = out.c_str();
}

void AfxFormatString1(CString& rString, UINT nIDS, LPCTSTR lpsz1)
{
    CString format;
    format.LoadString(nIDS);
    AfxFormatStrings(rString, format, &lpsz1, 1);
}

void AfxFormatString2(CString& rString, UINT nIDS, LPCTSTR lpsz1, LPCTSTR lpsz2)
{
    CString format;
    format.LoadString(nIDS);
    LPCTSTR args[2] = {lpsz1, lpsz2};
    AfxFormatStrings(rString, format, args, 2);
}

BOOL AfxExtractSubString(CString& rString, LPCTSTR lpszFullString, int iSubString, TCHAR chSep)
{
    rString.Empty();
    if (lpszFullString == nullptr || iSubString < 0)
        return FALSE;
    const char* p = lpszFullString;
    for (int i = 0; i < iSubString; ++i)
    {
        p = std::strchr(p, chSep);
        if (p == nullptr)
            return FALSE;
        ++p;
    }
    const char* end = std::strchr(p, chSep);
    rString = CString(p, end ? static_cast<int>(end - p) : static_cast<int>(std::strlen(p)));
    return TRUE;
}

// ---- Command line
// ------------------------------------------------------------------------------------------

void CCommandLineInfo::ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL bLast)
{
    if (bFlag)
        ParseParamFlag(pszParam);
    else
        ParseParamNotFlag(pszParam);
    ParseLast(bLast);
}

void CCommandLineInfo::ParseParamFlag(const char* pszParam)
{
    const CString flag(pszParam);
    if (flag.CompareNoCase("pt") == 0)
        m_nShellCommand = FilePrintTo;
    else if (flag.CompareNoCase("p") == 0)
        m_nShellCommand = FilePrint;
    else if (flag.CompareNoCase("dde") == 0)
        m_nShellCommand = FileDDE;
    else if (flag.CompareNoCase("nologo") == 0)
        m_bShowSplash = FALSE;
    else if (flag.CompareNoCase("Embedding") == 0)
    {
        m_bRunEmbedded = TRUE;
        m_bShowSplash = FALSE;
    }
    else if (flag.CompareNoCase("Automation") == 0)
    {
        m_bRunAutomated = TRUE;
        m_bShowSplash = FALSE;
    }
    else if (flag.CompareNoCase("Register") == 0 || flag.CompareNoCase("Regserver") == 0)
        m_nShellCommand = AppRegister;
    else if (flag.CompareNoCase("Unregister") == 0 || flag.CompareNoCase("Unregserver") == 0)
        m_nShellCommand = AppUnregister;
}

void CCommandLineInfo::ParseParamNotFlag(const char* pszParam)
{
    if (m_strFileName.IsEmpty())
        m_strFileName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.IsEmpty())
        m_strPrinterName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.IsEmpty())
        m_strDriverName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.IsEmpty())
        m_strPortName = pszParam;
}

void CCommandLineInfo::ParseLast(BOOL bLast)
{
    if (bLast && m_nShellCommand == FileNew && !m_strFileName.IsEmpty())
        m_nShellCommand = FileOpen;
}

// ---- Recent-file list
// --------------------------------------------------------------------------------------

CRecentFileList::CRecentFileList(UINT nStart, LPCTSTR lpszSection, LPCTSTR lpszEntryFormat, int nSize,
                                 int nMaxDispLen)
    : m_nSize(std::clamp(nSize, 0, 16)), m_nMaxDisplayLength(nMaxDispLen), m_nStart(nStart),
      m_strSectionName(lpszSection ? lpszSection : kRecentSection),
      m_strEntryFormat(lpszEntryFormat ? lpszEntryFormat : kRecentEntry)
{
    m_arrNames.resize(static_cast<size_t>(m_nSize));
}

CString& CRecentFileList::operator[](int nIndex)
{
    if (nIndex < 0 || nIndex >= m_nSize)
    {
        m_empty.Empty();
        return m_empty;
    }
    return m_arrNames[static_cast<size_t>(nIndex)];
}

void CRecentFileList::Add(LPCTSTR lpszPathName)
{
    if (lpszPathName == nullptr || *lpszPathName == '\0' || m_nSize == 0)
        return;
    const CString path = FullPath(lpszPathName);
    auto it = std::find(m_arrNames.begin(), m_arrNames.end(), path);
    if (it == m_arrNames.end())
        it = m_arrNames.end() - 1; // the oldest drops off
    std::rotate(m_arrNames.begin(), it, it + 1);
    m_arrNames.front() = path;
}

void CRecentFileList::Remove(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_nSize)
        return;
    m_arrNames.erase(m_arrNames.begin() + nIndex);
    m_arrNames.emplace_back();
}

BOOL CRecentFileList::GetDisplayName(CString& strName, int nIndex, LPCTSTR lpszCurDir, int nCurDir,
                                     BOOL bAtLeastName) const
{
    (void)lpszCurDir, (void)nCurDir, (void)bAtLeastName;
    if (nIndex < 0 || nIndex >= m_nSize || m_arrNames[static_cast<size_t>(nIndex)].IsEmpty())
        return FALSE;
    const std::string path = m_arrNames[static_cast<size_t>(nIndex)].GetString();
    std::string shown = path;
    if (m_nMaxDisplayLength > 0 && static_cast<int>(path.size()) > m_nMaxDisplayLength)
        shown = ".../" + BaseName(path);
    strName = shown.c_str();
    return TRUE;
}

void CRecentFileList::UpdateMenu(CCmdUI* pCmdUI)
{
    CMenu* pMenu = pCmdUI->m_pMenu;
    if (m_strOriginal.IsEmpty() && pMenu != nullptr)
        pMenu->GetMenuString(pCmdUI->m_nID, m_strOriginal, MF_BYCOMMAND);
    if (m_nSize == 0 || m_arrNames[0].IsEmpty())
    {
        // No files: the item keeps (gets back) its own text, disabled.
        if (!m_strOriginal.IsEmpty())
            pCmdUI->SetText(m_strOriginal);
        pCmdUI->Enable(FALSE);
        return;
    }
    if (pMenu == nullptr)
        return;
    // Out with the entries of the last time, in with the current ones, at the item's place.
    const UINT first = ID_FILE_MRU_FILE1 + m_nStart;
    for (int i = 0; i < m_nSize; ++i)
        pMenu->DeleteMenu(first + static_cast<UINT>(i), MF_BYCOMMAND);
    int added = 0;
    for (int i = 0; i < m_nSize; ++i)
    {
        CString name;
        if (!GetDisplayName(name, i, nullptr, 0))
            break;
        std::string text = "&" + std::to_string((i + 1) % 10) + " ";
        for (const char* p = name.GetString(); *p; ++p)
            text += *p == '&' ? std::string("&&") : std::string(1, *p);
        pMenu->InsertMenu(pCmdUI->m_nIndex + static_cast<UINT>(added), MF_STRING | MF_BYPOSITION,
                          first + static_cast<UINT>(i), text.c_str());
        ++added;
    }
    // The menu walk goes on after the last entry.
    pCmdUI->m_nIndex += static_cast<UINT>(added - 1);
    pCmdUI->m_nIndexMax = pMenu->GetMenuItemCount();
    pCmdUI->m_bEnableChanged = TRUE;
}

void CRecentFileList::ReadList()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return;
    int n = 0;
    for (int i = 0; i < m_nSize; ++i)
    {
        char entry[64];
        std::snprintf(entry, sizeof entry, m_strEntryFormat.GetString(), i + 1);
        CString value = pApp->GetProfileString(m_strSectionName, entry, "");
        // Blank and repeated entries of a hand-edited store are skipped.
        if (value.IsEmpty() ||
            std::find(m_arrNames.begin(), m_arrNames.begin() + n, value) != m_arrNames.begin() + n)
            continue;
        m_arrNames[static_cast<size_t>(n++)] = value;
    }
    for (int i = n; i < m_nSize; ++i)
        m_arrNames[static_cast<size_t>(i)].Empty();
}

void CRecentFileList::WriteList()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return;
    for (int i = 0; i < m_nSize; ++i)
    {
        char entry[64];
        std::snprintf(entry, sizeof entry, m_strEntryFormat.GetString(), i + 1);
        const CString& name = m_arrNames[static_cast<size_t>(i)];
        pApp->WriteProfileString(m_strSectionName, entry, name.IsEmpty() ? nullptr : name.GetString());
    }
}

// ---- CWinApp
// -------------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16, OnOpenRecentFile)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_appName(lpszAppName ? lpszAppName : "")
{
    m_pszAppName = m_appName.c_str();
    m_pszRegistryKey = nullptr;
    m_pszProfileName = m_appName.c_str();
    m_pszExeName = m_exeName.c_str();
    m_lpCmdLine = m_cmdLine.data();
    m_hInstance = AfxGetInstanceHandle();
    kel::mfc::RegisterApp(this, true);
}

CWinApp::~CWinApp()
{
    // Templates close what is still open before the application goes.
    for (auto& pTemplate : m_templates)
        pTemplate->CloseAllDocuments(TRUE);
    m_templates.clear();
    kel::mfc::RegisterApp(this, false);
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey)
{
    CString key;
    key.LoadString(nIDRegistryKey);
    SetRegistryKey(key.GetString());
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    return CWinThread::ExitInstance();
}

BOOL CWinApp::OnIdle(LONG lCount)
{
    if (lCount <= 0)
    {
        CWinThread::OnIdle(lCount);
        return TRUE;
    }
    return CWinThread::OnIdle(lCount);
}

void CWinApp::SetCommandLine(int argc, char** argv)
{
    m_args.clear();
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i)
        m_args.emplace_back(argv[i]);
    m_exeName.clear();
    m_cmdLine.clear();
    if (!m_args.empty())
    {
        m_exeName = BaseName(m_args[0]);
        const size_t dot = m_exeName.find_last_of('.');
        if (dot != std::string::npos && dot > 0)
            m_exeName.erase(dot);
    }
    for (size_t i = 1; i < m_args.size(); ++i)
    {
        if (i > 1)
            m_cmdLine += ' ';
        m_cmdLine += m_args[i];
    }
    m_pszExeName = m_exeName.c_str();
    m_lpCmdLine = m_cmdLine.data();
    // The help file sits next to the program: its path with ".hlp" for the extension.
    m_helpPath.clear();
    if (!m_args.empty())
    {
        m_helpPath = m_args[0];
        const size_t slash = m_helpPath.find_last_of("/\\");
        const size_t dot = m_helpPath.find_last_of('.');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
            m_helpPath.erase(dot);
        m_helpPath += ".hlp";
    }
    m_pszHelpFilePath = m_helpPath.empty() ? nullptr : m_helpPath.c_str();
}

void CWinApp::WinHelp(DWORD_PTR dwData, UINT nCmd)
{
    CWnd* pMain = AfxGetMainWnd();
    ::WinHelp(pMain ? pMain->GetSafeHwnd() : nullptr, m_pszHelpFilePath, nCmd, dwData);
}

void CWinApp::HtmlHelp(DWORD_PTR dwData, UINT nCmd)
{
    CWnd* pMain = AfxGetMainWnd();
    ::HtmlHelp(pMain ? pMain->GetSafeHwnd() : nullptr, m_pszHelpFilePath, nCmd, dwData);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    for (size_t i = 1; i < m_args.size(); ++i)
    {
        const std::string& arg = m_args[i];
        const bool bLast = i + 1 == m_args.size();
        // '-x' is a flag; '/x' only when it names no file, as paths start with '/' here.
        bool bFlag = arg.size() > 1 && arg[0] == '-';
        if (!bFlag && arg.size() > 1 && arg[0] == '/' && arg.find('/', 1) == std::string::npos)
        {
            std::error_code ec;
            bFlag = !std::filesystem::exists(arg, ec);
        }
        rCmdInfo.ParseParam(bFlag ? arg.c_str() + 1 : arg.c_str(), bFlag, bLast);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo)
{
    switch (rCmdInfo.m_nShellCommand)
    {
    case CCommandLineInfo::FileNew:
        if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr))
            OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
    {
        if (OpenDocumentFile(rCmdInfo.m_strFileName) == nullptr)
            return FALSE;
        if (m_pMainWnd != nullptr)
            m_pMainWnd->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT);
        return FALSE; // printed: the program ends
    }
    case CCommandLineInfo::FileDDE:
        m_nCmdShow = SW_HIDE;
        return TRUE;
    case CCommandLineInfo::AppRegister:
    case CCommandLineInfo::AppUnregister:
        return FALSE;
    case CCommandLineInfo::FileNothing:
    default:
        return TRUE;
    }
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate)
{
    if (pTemplate == nullptr)
        return;
    pTemplate->LoadTemplate();
    m_templates.emplace_back(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const
{
    return m_templates.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<uintptr_t>(1));
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const
{
    const size_t i = reinterpret_cast<uintptr_t>(pos) - 1;
    if (pos == nullptr || i >= m_templates.size())
    {
        pos = nullptr;
        return nullptr;
    }
    pos = i + 1 < m_templates.size() ? reinterpret_cast<POSITION>(static_cast<uintptr_t>(i + 2)) : nullptr;
    return m_templates[i].get();
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName)
{
    if (lpszFileName == nullptr || *lpszFileName == '\0')
        return nullptr;
    const CString path = FullPath(lpszFileName);
    CDocTemplate* pBest = nullptr;
    CDocTemplate::Confidence best = CDocTemplate::noAttempt;
    CDocument* pOpen = nullptr;
    for (auto& pTemplate : m_templates)
    {
        CDocument* pMatch = nullptr;
        const CDocTemplate::Confidence match = pTemplate->MatchDocType(path, pMatch);
        if (match > best)
        {
            best = match;
            pBest = pTemplate.get();
        }
        if (match == CDocTemplate::yesAlreadyOpen)
        {
            pOpen = pMatch;
            break;
        }
    }
    if (pOpen != nullptr)
    {
        // Already open: its first window comes forward (the active document window of the MDI
        // client). Done on handles, so the message loop's object file needs no frame class.
        POSITION pos = pOpen->GetFirstViewPosition();
        CWnd* pView = pOpen->GetNextView(pos);
        HWND hFrame = pView != nullptr ? ::GetParent(pView->m_hWnd) : nullptr;
        if (hFrame != nullptr && (::GetWindowLong(hFrame, GWL_EXSTYLE) & WS_EX_MDICHILD))
            ::SendMessage(::GetParent(hFrame), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hFrame), 0);
        return pOpen;
    }
    if (pBest == nullptr)
    {
        DoMessageBox("Failed to open document.", MB_ICONEXCLAMATION | MB_OK, 0);
        return nullptr;
    }
    return pBest->OpenDocumentFile(path);
}

void CWinApp::AddToRecentFileList(LPCTSTR lpszPathName)
{
    if (m_pRecentFileList == nullptr)
        return;
    m_pRecentFileList->Add(lpszPathName);
    // Kept at once, so another instance or a crash does not lose it.
    m_pRecentFileList->WriteList();
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU)
{
    m_recentFiles.reset();
    m_pRecentFileList = nullptr;
    if (nMaxMRU == 0)
        return;
    m_recentFiles = std::make_unique<CRecentFileList>(0, kRecentSection, kRecentEntry,
                                                      static_cast<int>(std::min(nMaxMRU, 16u)));
    m_pRecentFileList = m_recentFiles.get();
    m_pRecentFileList->ReadList();
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_pRecentFileList != nullptr)
        m_pRecentFileList->WriteList();
}

BOOL CWinApp::SaveAllModified()
{
    for (auto& pTemplate : m_templates)
        if (!pTemplate->SaveAllModified())
            return FALSE;
    return TRUE;
}

void CWinApp::CloseAllDocuments(BOOL bEndSession)
{
    for (auto& pTemplate : m_templates)
        pTemplate->CloseAllDocuments(bEndSession);
}

int CWinApp::GetOpenDocumentCount()
{
    int n = 0;
    for (auto& pTemplate : m_templates)
        for (POSITION pos = pTemplate->GetFirstDocPosition(); pos != nullptr;)
            if (pTemplate->GetNextDoc(pos) != nullptr)
                ++n;
    return n;
}

BOOL CWinApp::DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate)
{
    std::string filter;
    CString defExt;
    auto addFilter = [&](CDocTemplate* p, bool first)
    {
        CString name, ext;
        if (!p->GetDocString(name, CDocTemplate::filterName) || name.IsEmpty() ||
            !p->GetDocString(ext, CDocTemplate::filterExt) || ext.IsEmpty())
            return;
        if (first && defExt.IsEmpty())
            defExt = ext[0] == '.' ? ext.Mid(1) : ext;
        // "*.ext" for each ';'-separated extension.
        std::string pattern;
        int start = 0;
        for (CString one = ext.Tokenize(";", start); start >= 0; one = ext.Tokenize(";", start))
        {
            if (one.IsEmpty())
                continue;
            if (!pattern.empty())
                pattern += ';';
            pattern += std::string("*") + (one[0] == '.' ? "" : ".") + one.GetString();
        }
        filter += std::string(name.GetString()) + "|" + pattern + "|";
    };
    if (pTemplate != nullptr)
        addFilter(pTemplate, true);
    else
        for (auto& p : m_templates)
            addFilter(p.get(), p == m_templates.front());
    filter += "All Files (*.*)|*.*||";

    CString title;
    if (nIDSTitle == 0 || !title.LoadString(nIDSTitle))
        title = bOpenFileDialog ? "Open" : "Save As";
    CFileDialog dlg(bOpenFileDialog, defExt.IsEmpty() ? nullptr : defExt.GetString(),
                    fileName.IsEmpty() ? nullptr : fileName.GetString(),
                    lFlags | OFN_HIDEREADONLY | (bOpenFileDialog ? 0 : OFN_OVERWRITEPROMPT), filter.c_str(),
                    m_pMainWnd);
    dlg.m_ofn.lpstrTitle = title.GetString();
    if (dlg.DoModal() != IDOK)
        return FALSE;
    fileName = dlg.GetPathName();
    return TRUE;
}

int CWinApp::DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt)
{
    return AfxMessageBox(lpszPrompt, nType, nIDPrompt);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIcon(MAKEINTRESOURCE(nIDResource));
}

HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIcon(AfxFindResourceHandle(lpszResourceName, RT_GROUP_ICON), lpszResourceName);
}

HICON CWinApp::LoadStandardIcon(LPCTSTR lpszIconName) const
{
    return ::LoadIcon(nullptr, lpszIconName);
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const
{
    return ::LoadCursor(AfxFindResourceHandle(MAKEINTRESOURCE(nIDResource), RT_GROUP_CURSOR),
                        MAKEINTRESOURCE(nIDResource));
}

HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const
{
    return ::LoadCursor(nullptr, lpszCursorName);
}

void CWinApp::OnFileNew()
{
    // The first template that offers New (a file-new name); with none such, the first one.
    CDocTemplate* pTemplate = nullptr;
    for (auto& p : m_templates)
    {
        CString newName;
        if (p->GetDocString(newName, CDocTemplate::fileNewName) && !newName.IsEmpty())
        {
            pTemplate = p.get();
            break;
        }
    }
    if (pTemplate == nullptr && !m_templates.empty())
        pTemplate = m_templates.front().get();
    if (pTemplate != nullptr)
        pTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen()
{
    CString newName;
    if (!DoPromptFileName(newName, 0, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TRUE, nullptr))
        return;
    OpenDocumentFile(newName);
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr)
        m_pMainWnd->SendMessage(WM_CLOSE);
    else
        ::PostQuitMessage(0);
}

BOOL CWinApp::OnOpenRecentFile(UINT nID)
{
    if (m_pRecentFileList == nullptr)
        return FALSE;
    const int nIndex = static_cast<int>(nID - ID_FILE_MRU_FILE1);
    const CString path = (*m_pRecentFileList)[nIndex];
    if (path.IsEmpty())
        return FALSE;
    // A file that went away leaves the list.
    if (OpenDocumentFile(path) == nullptr)
    {
        m_pRecentFileList->Remove(nIndex);
        m_pRecentFileList->WriteList();
    }
    return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI)
{
    if (m_pRecentFileList == nullptr)
        pCmdUI->Enable(FALSE);
    else
        m_pRecentFileList->UpdateMenu(pCmdUI);
}

// ---- Start
// -----------------------------------------------------------------------------------------------------

int AfxWinMain(int argc, char** argv)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    pApp->SetCommandLine(argc, argv);
    pApp->m_hInstance = AfxGetInstanceHandle();
    if (!pApp->InitInstance())
    {
        // Whatever the start made is cleaned up as after a normal run.
        if (pApp->m_pMainWnd != nullptr && pApp->m_pMainWnd->m_hWnd != nullptr)
            pApp->m_pMainWnd->DestroyWindow();
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
