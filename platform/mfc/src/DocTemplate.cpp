#include "mfc/DocTemplate.h"

#include "mfc/Document.h"
#include "mfc/Frame.h"
#include "mfc/ModuleState.h"
#include "mfc/View.h"
#include "mfc/WinApp.h"
#include "win32/resources.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

namespace
{

void Complain(LPCTSTR lpszText)
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->DoMessageBox(lpszText, MB_ICONEXCLAMATION | MB_OK, 0);
    else
        AfxMessageBox(lpszText, MB_ICONEXCLAMATION | MB_OK);
}

// Closes a document whose New or Open failed, and the frame made for it.
void Abandon(CDocument* pDocument, CFrameWnd* pFrame)
{
    HWND hFrame = pFrame != nullptr ? pFrame->m_hWnd : nullptr;
    pDocument->OnCloseDocument();
    if (hFrame != nullptr && ::IsWindow(hFrame))
        if (CWnd* pWnd = CWnd::FromHandlePermanent(hFrame))
            pWnd->DestroyWindow();
}

} // namespace

// ---- CDocTemplate -----------------------------------------------------------------------------------------

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass)
{
}

CDocTemplate::~CDocTemplate()
{
    // Documents still open no longer have a template.
    for (CDocument* pDoc : m_docList)
        pDoc->m_pDocTemplate = nullptr;
}

void CDocTemplate::LoadTemplate()
{
    if (m_strDocStrings.IsEmpty())
        m_strDocStrings.LoadString(m_nIDResource);
}

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const
{
    return AfxExtractSubString(rString, m_strDocStrings, static_cast<int>(index), '\n');
}

POSITION CDocTemplate::GetFirstDocPosition() const
{
    return m_docList.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<uintptr_t>(1));
}

CDocument* CDocTemplate::GetNextDoc(POSITION& rPos) const
{
    const size_t i = reinterpret_cast<uintptr_t>(rPos) - 1;
    if (rPos == nullptr || i >= m_docList.size())
    {
        rPos = nullptr;
        return nullptr;
    }
    rPos = i + 1 < m_docList.size() ? reinterpret_cast<POSITION>(static_cast<uintptr_t>(i + 2)) : nullptr;
    return m_docList[i];
}

void CDocTemplate::AddDocument(CDocument* pDoc)
{
    if (pDoc == nullptr || std::find(m_docList.begin(), m_docList.end(), pDoc) != m_docList.end())
        return;
    m_docList.push_back(pDoc);
    pDoc->m_pDocTemplate = this;
}

void CDocTemplate::RemoveDocument(CDocument* pDoc)
{
    auto it = std::find(m_docList.begin(), m_docList.end(), pDoc);
    if (it == m_docList.end())
        return;
    m_docList.erase(it);
    pDoc->m_pDocTemplate = nullptr;
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCTSTR lpszPathName, CDocument*& rpDocMatch)
{
    rpDocMatch = nullptr;
    for (CDocument* pDoc : m_docList)
    {
        if (pDoc->GetPathName() == lpszPathName)
        {
            rpDocMatch = pDoc;
            return yesAlreadyOpen;
        }
    }
    CString ext;
    if (GetDocString(ext, filterExt) && !ext.IsEmpty())
    {
        const CString path(lpszPathName);
        int start = 0;
        for (CString one = ext.Tokenize(";", start); start >= 0; one = ext.Tokenize(";", start))
        {
            if (one.IsEmpty())
                continue;
            if (one[0] != '.')
                one = CString(".") + one;
            if (path.GetLength() > one.GetLength() && path.Right(one.GetLength()).CompareNoCase(one) == 0)
                return yesAttemptNative;
        }
    }
    return yesAttemptForeign;
}

CDocument* CDocTemplate::CreateNewDocument()
{
    if (m_pDocClass == nullptr)
        return nullptr;
    CObject* pObject = m_pDocClass->CreateObject();
    auto* pDocument = dynamic_cast<CDocument*>(pObject);
    if (pDocument == nullptr)
    {
        delete pObject;
        return nullptr;
    }
    AddDocument(pDocument);
    return pDocument;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther)
{
    CCreateContext context;
    context.m_pCurrentFrame = pOther;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    if (m_pFrameClass == nullptr)
        return nullptr;
    CObject* pObject = m_pFrameClass->CreateObject();
    auto* pFrame = dynamic_cast<CFrameWnd*>(pObject);
    if (pFrame == nullptr)
    {
        delete pObject;
        return nullptr;
    }
    // A frame that fails to load has deleted itself once its window saw WM_NCDESTROY.
    if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
        return nullptr;
    return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible)
{
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

BOOL CDocTemplate::SaveAllModified()
{
    const std::vector<CDocument*> docs = m_docList;
    for (CDocument* pDoc : docs)
        if (!pDoc->SaveModified())
            return FALSE;
    return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL bEndSession)
{
    (void)bEndSession;
    const std::vector<CDocument*> docs = m_docList;
    for (CDocument* pDoc : docs)
        if (std::find(m_docList.begin(), m_docList.end(), pDoc) != m_docList.end())
            pDoc->OnCloseDocument();
}

// ---- CMultiDocTemplate ---------------------------------------------------------------------------------

CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                     CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass)
{
}

CMultiDocTemplate::~CMultiDocTemplate()
{
    if (m_hMenuShared != nullptr)
        ::DestroyMenu(m_hMenuShared);
    if (m_hAccelTable != nullptr)
        ::DestroyAcceleratorTable(m_hAccelTable);
}

void CMultiDocTemplate::LoadTemplate()
{
    CDocTemplate::LoadTemplate();
    if (m_nIDResource != 0 && m_hMenuShared == nullptr)
    {
        LPCTSTR name = MAKEINTRESOURCE(m_nIDResource);
        m_hMenuShared = ::LoadMenu(AfxFindResourceHandle(name, RT_MENU), name);
        m_hAccelTable = ::LoadAccelerators(AfxFindResourceHandle(name, RT_ACCELERATOR), name);
    }
}

void CMultiDocTemplate::SetDefaultTitle(CDocument* pDocument)
{
    CString title;
    if (GetDocString(title, docName) && !title.IsEmpty())
        title.AppendFormat("%u", m_nUntitledCount + 1);
    else
        title = "Untitled";
    pDocument->SetTitle(title);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible)
{
    CDocument* pDocument = CreateNewDocument();
    if (pDocument == nullptr)
    {
        Complain("Failed to create empty document.");
        return nullptr;
    }
    const BOOL bAutoDelete = pDocument->m_bAutoDelete;
    pDocument->m_bAutoDelete = FALSE; // a failing frame must not take the document along
    CFrameWnd* pFrame = CreateNewFrame(pDocument, nullptr);
    pDocument->m_bAutoDelete = bAutoDelete;
    if (pFrame == nullptr)
    {
        Complain("Failed to create empty document.");
        delete pDocument;
        return nullptr;
    }
    if (lpszPathName == nullptr)
    {
        SetDefaultTitle(pDocument);
        if (!bMakeVisible)
            pDocument->m_bEmbedded = TRUE;
        if (!pDocument->OnNewDocument())
        {
            Abandon(pDocument, pFrame);
            return nullptr;
        }
        ++m_nUntitledCount;
    }
    else
    {
        pDocument->BeginWaitCursor();
        const BOOL bOpened = pDocument->OnOpenDocument(lpszPathName);
        pDocument->EndWaitCursor();
        if (!bOpened)
        {
            Abandon(pDocument, pFrame);
            return nullptr;
        }
        pDocument->SetPathName(lpszPathName);
    }
    InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
    return pDocument;
}

// ---- CSingleDocTemplate --------------------------------------------------------------------------------

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                       CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass)
{
}

CSingleDocTemplate::~CSingleDocTemplate() = default;

void CSingleDocTemplate::AddDocument(CDocument* pDoc)
{
    if (m_docList.empty())
        CDocTemplate::AddDocument(pDoc);
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* pDocument)
{
    CString title;
    if (!GetDocString(title, docName) || title.IsEmpty())
        title = "Untitled";
    pDocument->SetTitle(title);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible)
{
    CDocument* pDocument = nullptr;
    CFrameWnd* pFrame = nullptr;
    bool bCreated = false;
    if (!m_docList.empty())
    {
        // The one document is reused: it is asked about its changes first.
        pDocument = m_docList.front();
        if (!pDocument->SaveModified())
            return nullptr;
        pFrame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
    }
    else
    {
        pDocument = CreateNewDocument();
        if (pDocument == nullptr)
        {
            Complain("Failed to create empty document.");
            return nullptr;
        }
        bCreated = true;
    }
    if (pFrame == nullptr)
    {
        const BOOL bAutoDelete = pDocument->m_bAutoDelete;
        pDocument->m_bAutoDelete = FALSE;
        pFrame = CreateNewFrame(pDocument, nullptr);
        pDocument->m_bAutoDelete = bAutoDelete;
        if (pFrame == nullptr)
        {
            Complain("Failed to create empty document.");
            delete pDocument;
            return nullptr;
        }
        bCreated = true;
    }
    if (lpszPathName == nullptr)
    {
        SetDefaultTitle(pDocument);
        if (!pDocument->OnNewDocument())
        {
            if (bCreated)
                Abandon(pDocument, pFrame);
            return nullptr;
        }
    }
    else
    {
        const BOOL bWasModified = pDocument->IsModified();
        pDocument->SetModifiedFlag(FALSE);
        if (!pDocument->OnOpenDocument(lpszPathName))
        {
            if (bCreated)
                Abandon(pDocument, pFrame);
            else if (!pDocument->IsModified())
                pDocument->SetModifiedFlag(bWasModified); // the file never opened: nothing changed
            else
            {
                // Half read and emptied again: what is left is a new document.
                SetDefaultTitle(pDocument);
                pDocument->OnNewDocument();
            }
            return nullptr;
        }
        pDocument->SetPathName(lpszPathName);
    }
    CWinThread* pThread = AfxGetThread();
    if (bCreated && pThread != nullptr && pThread->m_pMainWnd == nullptr)
        pThread->m_pMainWnd = pFrame;
    InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
    return pDocument;
}
