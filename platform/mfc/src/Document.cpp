#include "mfc/Document.h"

#include "afxres.h"
#include "mfc/Archive.h"
#include "mfc/CommonDialogs.h"
#include "mfc/DocTemplate.h"
#include "mfc/Exception.h"
#include "mfc/File.h"
#include "mfc/Frame.h"
#include "mfc/ModuleState.h"
#include "mfc/View.h"
#include "mfc/WinApp.h"
#include "win32/files.h"
#include "win32/kernel.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

namespace
{

// A file being saved: written under a temporary name in the target's folder and renamed over the
// target only when it was closed without an error, so a failed save leaves the old file as it was.
class CMirrorFile : public CFile
{
public:
    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) override
    {
        m_strTarget = lpszFileName;
        const std::filesystem::path target(lpszFileName);
        const std::string folder = target.parent_path().string();
        const std::string name = target.filename().string();
        // A name nobody uses in the same folder (same file system, so the rename is atomic).
        for (int i = 0; i < 1000; ++i)
        {
            std::string temp = (folder.empty() ? std::string() : folder + "/") + "." + name + ".~" +
                               std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(i);
            std::error_code ec;
            if (std::filesystem::exists(temp, ec))
                continue;
            if (!CFile::Open(temp.c_str(), nOpenFlags, pError))
                return FALSE;
            m_strMirror = temp.c_str();
            SetFilePath(lpszFileName);
            return TRUE;
        }
        if (pError != nullptr)
        {
            pError->m_cause = CFileException::accessDenied;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }

    void Close() override
    {
        if (m_strMirror.IsEmpty())
        {
            CFile::Close();
            return;
        }
        const CString mirror = m_strMirror;
        m_strMirror.Empty();
        try
        {
            Flush(); // on the disk before it takes the old file's place
            CFile::Close();
        }
        catch (...)
        {
            Abort();
            ::DeleteFile(mirror);
            throw;
        }
        if (!::MoveFileEx(mirror, m_strTarget, MOVEFILE_REPLACE_EXISTING))
        {
            const LONG err = static_cast<LONG>(::GetLastError());
            ::DeleteFile(mirror);
            CFileException::ThrowOsError(err, m_strTarget);
        }
    }

    void Abort() override
    {
        CFile::Abort();
        if (!m_strMirror.IsEmpty())
        {
            ::DeleteFile(m_strMirror);
            m_strMirror.Empty();
        }
    }

    ~CMirrorFile() override { Abort(); }

private:
    CString m_strMirror;
    CString m_strTarget;
};

std::string FileTitle(const CString& path)
{
    const std::string s = path.GetString();
    const size_t slash = s.find_last_of('/');
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

} // namespace

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_CLOSE, OnFileClose)
ON_COMMAND(ID_FILE_SAVE, OnFileSave)
ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

CDocument::CDocument() = default;

CDocument::~CDocument()
{
    // Views outliving their document must not reach back into it.
    for (CView* pView : m_viewList)
        pView->m_pDocument = nullptr;
    m_viewList.clear();
    if (m_pDocTemplate != nullptr)
        m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCTSTR lpszTitle)
{
    m_strTitle = lpszTitle ? lpszTitle : "";
    UpdateFrameCounts();
}

void CDocument::SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(lpszPathName ? lpszPathName : "", ec);
    m_strPathName = ec ? CString(lpszPathName) : CString(p.lexically_normal().string().c_str());
    SetTitle(FileTitle(m_strPathName).c_str());
    if (bAddToMRU)
        if (CWinApp* pApp = AfxGetApp())
            pApp->AddToRecentFileList(m_strPathName);
}

BOOL CDocument::IsModified()
{
    return m_bModified;
}

void CDocument::SetModifiedFlag(BOOL bModified)
{
    m_bModified = bModified;
}

POSITION CDocument::GetFirstViewPosition() const
{
    return m_viewList.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<uintptr_t>(1));
}

CView* CDocument::GetNextView(POSITION& rPosition) const
{
    const size_t i = reinterpret_cast<uintptr_t>(rPosition) - 1;
    if (rPosition == nullptr || i >= m_viewList.size())
    {
        rPosition = nullptr;
        return nullptr;
    }
    rPosition =
        i + 1 < m_viewList.size() ? reinterpret_cast<POSITION>(static_cast<uintptr_t>(i + 2)) : nullptr;
    return m_viewList[i];
}

void CDocument::AddView(CView* pView)
{
    if (pView == nullptr || std::find(m_viewList.begin(), m_viewList.end(), pView) != m_viewList.end())
        return;
    m_viewList.push_back(pView);
    pView->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* pView)
{
    auto it = std::find(m_viewList.begin(), m_viewList.end(), pView);
    if (it == m_viewList.end())
        return;
    m_viewList.erase(it);
    pView->m_pDocument = nullptr;
    OnChangedViewList();
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint)
{
    // A copy: an update may add or remove views.
    const std::vector<CView*> views = m_viewList;
    for (CView* pView : views)
        if (pView != pSender && std::find(m_viewList.begin(), m_viewList.end(), pView) != m_viewList.end())
            pView->OnUpdate(pSender, lHint, pHint);
}

void CDocument::OnChangedViewList()
{
    if (m_viewList.empty() && m_bAutoDelete)
    {
        OnCloseDocument();
        return;
    }
    UpdateFrameCounts();
}

void CDocument::UpdateFrameCounts()
{
    // Number the frames showing this document when there are several.
    std::vector<CFrameWnd*> frames;
    for (CView* pView : m_viewList)
    {
        if (pView->m_hWnd == nullptr || !pView->IsWindowVisible())
            continue;
        CFrameWnd* pFrame = pView->GetParentFrame();
        if (pFrame != nullptr && std::find(frames.begin(), frames.end(), pFrame) == frames.end())
            frames.push_back(pFrame);
    }
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i]->m_nWindow = frames.size() > 1 ? static_cast<int>(i + 1) : 0;
    std::vector<CFrameWnd*> all;
    for (CView* pView : m_viewList)
        if (pView->m_hWnd != nullptr)
            if (CFrameWnd* pFrame = pView->GetParentFrame())
                if (std::find(all.begin(), all.end(), pFrame) == all.end())
                    all.push_back(pFrame);
    for (CFrameWnd* pFrame : all)
    {
        pFrame->OnUpdateFrameTitle(TRUE);
        // The main frame's caption names the active document too.
        if (CFrameWnd* pTop = pFrame->GetTopLevelFrame(); pTop != nullptr && pTop != pFrame)
            pTop->OnUpdateFrameTitle(TRUE);
    }
}

void CDocument::DeleteContents() {}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.Empty();
    SetModifiedFlag(FALSE);
    return TRUE;
}

CFile* CDocument::GetFile(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    std::unique_ptr<CFile> pFile;
    if (nOpenFlags & CFile::modeCreate)
        pFile = std::make_unique<CMirrorFile>();
    else
        pFile = std::make_unique<CFile>();
    if (!pFile->Open(lpszFileName, nOpenFlags, pError))
        return nullptr;
    return pFile.release();
}

void CDocument::ReleaseFile(CFile* pFile, BOOL bAbort)
{
    std::unique_ptr<CFile> owner(pFile);
    if (pFile == nullptr)
        return;
    if (bAbort)
        pFile->Abort();
    else
        pFile->Close();
}

BOOL CDocument::OnOpenDocument(LPCTSTR lpszPathName)
{
    CFileException fe;
    CFile* pFile = GetFile(lpszPathName, CFile::modeRead | CFile::shareDenyWrite, &fe);
    if (pFile == nullptr)
    {
        ReportSaveLoadException(lpszPathName, &fe, FALSE, 0);
        return FALSE;
    }
    DeleteContents();
    SetModifiedFlag(TRUE); // dirty while loading
    TRY
    {
        CArchive loadArchive(pFile, CArchive::load);
        Serialize(loadArchive);
        loadArchive.Close();
        ReleaseFile(pFile, FALSE);
    }
    CATCH_ALL(e)
    {
        ReleaseFile(pFile, TRUE);
        DeleteContents();
        ReportSaveLoadException(lpszPathName, e, FALSE, 0);
        return FALSE;
    }
    END_CATCH_ALL
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR lpszPathName)
{
    CFileException fe;
    CFile* pFile =
        GetFile(lpszPathName, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &fe);
    if (pFile == nullptr)
    {
        ReportSaveLoadException(lpszPathName, &fe, TRUE, 0);
        return FALSE;
    }
    TRY
    {
        CArchive saveArchive(pFile, CArchive::store | CArchive::bNoFlushOnDelete);
        Serialize(saveArchive);
        saveArchive.Close();
        ReleaseFile(pFile, FALSE);
    }
    CATCH_ALL(e)
    {
        ReleaseFile(pFile, TRUE);
        ReportSaveLoadException(lpszPathName, e, TRUE, 0);
        return FALSE;
    }
    END_CATCH_ALL
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::ReportSaveLoadException(LPCTSTR lpszPathName, CException* e, BOOL bSaving, UINT nIDPDefault)
{
    CString prompt;
    char text[512] = {};
    if (e != nullptr && e->GetErrorMessage(text, sizeof text) && text[0] != '\0')
        prompt = text;
    else if (nIDPDefault != 0 && prompt.LoadString(nIDPDefault))
        ;
    else
        prompt = bSaving ? "Failed to save document." : "Failed to open document.";
    // The file's name leads when the text does not name it already.
    if (lpszPathName != nullptr && *lpszPathName != '\0' && prompt.Find(lpszPathName) < 0)
        prompt = CString(lpszPathName) + "\n" + prompt;
    if (CWinApp* pApp = AfxGetApp())
        pApp->DoMessageBox(prompt, MB_ICONEXCLAMATION | MB_OK, nIDPDefault);
    else
        AfxMessageBox(prompt, MB_ICONEXCLAMATION | MB_OK);
}

void CDocument::OnCloseDocument()
{
    // Keeps the document alive while its frames go.
    const BOOL bAutoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    while (!m_viewList.empty())
    {
        CView* pView = m_viewList.front();
        CFrameWnd* pFrame = pView->GetParentFrame();
        if (pFrame != nullptr && pFrame->m_hWnd != nullptr && pFrame != AfxGetMainWnd())
        {
            PreCloseFrame(pFrame);
            pFrame->DestroyWindow();
        }
        else if (pView->m_hWnd != nullptr && pFrame != nullptr && pFrame == AfxGetMainWnd())
        {
            // A single-document main frame stays; only the document goes.
            RemoveView(pView);
        }
        else
        {
            pView->DestroyWindow();
        }
        // A view that survived its frame's destruction is let go, so the loop ends.
        if (!m_viewList.empty() && m_viewList.front() == pView)
            RemoveView(pView);
    }
    m_bAutoDelete = bAutoDelete;
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

BOOL CDocument::CanCloseFrame(CFrameWnd* pFrameArg)
{
    // Only the last frame showing the document asks.
    for (CView* pView : m_viewList)
    {
        CFrameWnd* pFrame = pView->GetParentFrame();
        if (pFrame != nullptr && pFrame != pFrameArg)
            return TRUE;
    }
    return SaveModified();
}

BOOL CDocument::SaveModified()
{
    if (!IsModified())
        return TRUE;
    CString name = m_strPathName.IsEmpty() ? m_strTitle : CString(FileTitle(m_strPathName).c_str());
    if (name.IsEmpty())
        name = "Untitled";
    CString prompt;
    LPCTSTR args[1] = {name.GetString()};
    AfxFormatStrings(prompt, "Save changes to %1?", args, 1);
    CWinApp* pApp = AfxGetApp();
    const UINT type = MB_YESNOCANCEL | MB_ICONQUESTION;
    const int answer = pApp != nullptr ? pApp->DoMessageBox(prompt, type, 0) : AfxMessageBox(prompt, type);
    switch (answer)
    {
    case IDCANCEL:
        return FALSE;
    case IDYES:
        return DoFileSave();
    case IDNO:
    default:
        return TRUE;
    }
}

void CDocument::PreCloseFrame(CFrameWnd* pFrame)
{
    (void)pFrame;
}

BOOL CDocument::DoSave(LPCTSTR lpszPathName, BOOL bReplace)
{
    CString newName = lpszPathName ? lpszPathName : "";
    if (newName.IsEmpty())
    {
        // Save As: offer the file's name, or the title with the template's extension.
        newName = m_strPathName;
        if (newName.IsEmpty())
        {
            newName = m_strTitle;
            CString ext;
            if (m_pDocTemplate != nullptr && m_pDocTemplate->GetDocString(ext, CDocTemplate::filterExt) &&
                !ext.IsEmpty())
            {
                int start = 0;
                CString first = ext.Tokenize(";", start);
                if (!first.IsEmpty() && first[0] != '.')
                    first = CString(".") + first;
                newName += first;
            }
        }
        CWinApp* pApp = AfxGetApp();
        if (pApp == nullptr ||
            !pApp->DoPromptFileName(newName, 0, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, FALSE, m_pDocTemplate))
            return FALSE;
    }
    if (!OnSaveDocument(newName))
        return FALSE;
    if (bReplace)
        SetPathName(newName);
    return TRUE;
}

BOOL CDocument::DoFileSave()
{
    const DWORD attributes =
        m_strPathName.IsEmpty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributes(m_strPathName);
    // No file yet, or a read-only one: ask for a name.
    if (m_strPathName.IsEmpty() ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)))
        return DoSave(nullptr);
    return DoSave(m_strPathName);
}

void CDocument::OnFileClose()
{
    if (!SaveModified())
        return;
    OnCloseDocument();
}

void CDocument::OnFileSave()
{
    DoFileSave();
}

void CDocument::OnFileSaveAs()
{
    DoSave(nullptr);
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    // Then the template (commands for every document of the kind).
    return m_pDocTemplate != nullptr && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
