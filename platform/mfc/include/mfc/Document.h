// CDocument: the data behind one or more views. It knows its file, its title and whether it
// changed; it reads and writes itself through CArchive (Serialize), saving through a temporary
// file in the same folder that replaces the old file only once everything was written.
#pragma once

#include "mfc/CmdTarget.h"
#include "mfc/String.h"
#include "mfc/Templates.h"

#include <vector>

class CArchive;
class CDocTemplate;
class CException;
class CFile;
class CFileException;
class CFrameWnd;
class CView;

class CDocument : public CCmdTarget
{
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument();
    // Views still attached are told the document is gone.
    ~CDocument() override;

    // ---- Title and file
    const CString& GetTitle() const { return m_strTitle; }
    // Sets the title and updates the frames' captions.
    virtual void SetTitle(LPCTSTR lpszTitle);
    const CString& GetPathName() const { return m_strPathName; }
    // Sets the full path (made absolute) and the title (the file's name); bAddToMRU also puts the
    // path first in the recent-file list.
    virtual void SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU = TRUE);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    // ---- Modified flag
    virtual BOOL IsModified();
    virtual void SetModifiedFlag(BOOL bModified = TRUE);

    // ---- Views
    virtual POSITION GetFirstViewPosition() const;
    virtual CView* GetNextView(POSITION& rPosition) const;
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    // Calls OnUpdate of every view but pSender.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0L, CObject* pHint = nullptr);
    // A view came or went; the last view going closes the document when m_bAutoDelete.
    virtual void OnChangedViewList();
    // The frames' window numbers (":1", ":2") and captions.
    virtual void UpdateFrameCounts();

    // ---- Life cycle
    // Empties the document (before New and Open, and on close).
    virtual void DeleteContents();
    virtual BOOL OnNewDocument();
    // Reads the file through Serialize. FALSE (the user was told) when it could not.
    virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);
    // Writes the file through Serialize, replacing the old file only when all went well. FALSE
    // (the user was told, the old file untouched) otherwise.
    virtual BOOL OnSaveDocument(LPCTSTR lpszPathName);
    // Destroys the document's frames and the document itself (m_bAutoDelete).
    virtual void OnCloseDocument();
    // Tells the user why a file could not be read or written.
    virtual void ReportSaveLoadException(LPCTSTR lpszPathName, CException* e, BOOL bSaving, UINT nIDPDefault);
    // The file to read (nOpenFlags without modeCreate) or to write (with it: a temporary file in
    // the same folder that takes the name on a good ReleaseFile). NULL with pError set on failure.
    virtual CFile* GetFile(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError);
    // Closes the file (bAbort: dropping a temporary file) and deletes it. A close that fails throws.
    virtual void ReleaseFile(CFile* pFile, BOOL bAbort);

    // ---- Closing and saving
    // Whether pFrame may close: asks to save when it is the document's last frame.
    virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
    // "Save changes to <title>?" with Yes/No/Cancel when modified. FALSE when cancelled or the
    // save failed.
    virtual BOOL SaveModified();
    virtual void PreCloseFrame(CFrameWnd* pFrame);
    // Saves to lpszPathName, or asks for a name (Save As) when NULL. bReplace: the document takes
    // the new name. FALSE when cancelled or failed.
    virtual BOOL DoSave(LPCTSTR lpszPathName, BOOL bReplace = TRUE);
    // Save: to the document's file, or Save As when it has none (or it is read-only).
    virtual BOOL DoFileSave();

    // Standard commands.
    void OnFileClose();
    void OnFileSave();
    void OnFileSaveAs();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    BOOL m_bAutoDelete = TRUE;
    BOOL m_bEmbedded = FALSE;

protected:
    CString m_strTitle;
    CString m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    BOOL m_bModified = FALSE;

    DECLARE_MESSAGE_MAP()

private:
    friend class CDocTemplate;
    std::vector<CView*> m_viewList;
};
