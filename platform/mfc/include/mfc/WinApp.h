// CWinApp: the one application object. It owns the document templates and the recent-file list,
// keeps the profile under "Software\<company>\<application>" in the settings store, runs the
// user-interface thread's message loop, and handles the standard File commands. The profile part
// builds without the window system (WinAppCore.cpp); the rest stands on the window classes.
#pragma once

#include "htmlhelp.h"
#include "mfc/String.h"
#include "mfc/Templates.h"
#include "mfc/WinThread.h"

#include <memory>
#include <string>
#include <vector>

class CCmdUI;
class CDocTemplate;
class CDocument;

// What the command line asks for; ParseCommandLine fills it, ProcessShellCommand acts on it.
class CCommandLineInfo : public CObject
{
public:
    CCommandLineInfo() = default;
    ~CCommandLineInfo() override = default;

    // One argument. bFlag: it began with '-' (or '/' and names no file), the prefix is removed.
    // bLast: the final argument.
    virtual void ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL bLast);

    enum
    {
        FileNew,
        FileOpen,
        FilePrint,
        FilePrintTo,
        FileDDE,
        AppRegister,
        AppUnregister,
        FileNothing = -1
    } m_nShellCommand = FileNew;

    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    CString m_strFileName; // the document to open or print
    CString m_strPrinterName;
    CString m_strDriverName;
    CString m_strPortName;

protected:
    void ParseParamFlag(const char* pszParam);
    void ParseParamNotFlag(const char* pszParam);
    void ParseLast(BOOL bLast);
};

// The most recently used files, shown in the File menu as "&1 name" .. and kept in the profile
// under section lpszSection as entries made from lpszEntryFormat ("File%d", numbered from 1).
class CRecentFileList
{
public:
    // nStart: the first command id's offset from ID_FILE_MRU_FILE1; nSize entries at most (1..16).
    // Names longer than nMaxDispLen characters are shown shortened to ".../name".
    CRecentFileList(UINT nStart, LPCTSTR lpszSection, LPCTSTR lpszEntryFormat, int nSize,
                    int nMaxDispLen = 30);
    virtual ~CRecentFileList() = default;

    int GetSize() const { return m_nSize; }
    // The entry at nIndex (0 is the newest); "" past the end.
    CString& operator[](int nIndex);
    // Puts a path first (moving it up when listed, compared case-sensitively as paths are here).
    virtual void Add(LPCTSTR lpszPathName);
    virtual void Remove(int nIndex);
    // Fills the menu at pCmdUI's item with the entries; with none, the item shows disabled with
    // its original text.
    virtual void UpdateMenu(CCmdUI* pCmdUI);
    // The text shown for entry nIndex (without the "&n " prefix); FALSE when the entry is empty.
    virtual BOOL GetDisplayName(CString& strName, int nIndex, LPCTSTR lpszCurDir, int nCurDir,
                                BOOL bAtLeastName = TRUE) const;
    // Read from and write to the application's profile. Empty entries are removed from it.
    virtual void ReadList();
    virtual void WriteList();

    int m_nSize;
    int m_nMaxDisplayLength;
    UINT m_nStart;
    CString m_strSectionName;
    CString m_strEntryFormat;
    CString m_strOriginal; // the menu item's text before the list replaced it

private:
    std::vector<CString> m_arrNames;
    CString m_empty;
};

class CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)
public:
    // Becomes the application object that AfxGetApp returns. lpszAppName NULL gives "".
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // ---- Profile
    // Keeps the profile in the settings store under "Software\<lpszRegistryKey>\<app name>".
    void SetRegistryKey(LPCTSTR lpszRegistryKey);
    void SetRegistryKey(UINT nIDRegistryKey);

    // Profile values of entry in section. Without a registry key the reads give the default and
    // writes fail (FALSE).
    UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
    CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
    // lpszValue NULL removes the entry; lpszEntry NULL removes the section.
    BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);
    // *ppData receives a new[] block the caller deletes with delete[]; NULL and 0 bytes when missing.
    BOOL GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE* ppData, UINT* pBytes);
    BOOL WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE pData, UINT nBytes);

    // ---- Start and run
    BOOL InitInstance() override;
    // Writes the recent-file list; returns the exit code of the message loop.
    int ExitInstance() override;
    BOOL OnIdle(LONG lCount) override;
    // The arguments of the program (argv[0] is the program); ParseCommandLine reads them.
    void SetCommandLine(int argc, char** argv);
    // Hands every argument after the program's name to rCmdInfo.ParseParam.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    // Does what the command line asked: a new document, or opening (printing) m_strFileName.
    // FALSE when that failed and the program should end.
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);

    // ---- Documents
    // The application takes ownership of the template.
    void AddDocTemplate(CDocTemplate* pTemplate);
    POSITION GetFirstDocTemplatePosition() const;
    CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
    // Opens a file with the template that knows its extension (or the first one); a document
    // already open for the path is activated instead. NULL when it failed (the user was told).
    virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
    virtual void AddToRecentFileList(LPCTSTR lpszPathName);
    // Creates the recent-file list with nMaxMRU entries (0: none) and reads it from the profile.
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    void SaveStdProfileSettings();
    // Asks every modified document whether to save it; FALSE when the user cancelled.
    virtual BOOL SaveAllModified();
    void CloseAllDocuments(BOOL bEndSession);
    int GetOpenDocumentCount();
    // The file dialog of Open and Save As, with the templates' filters. nIDSTitle 0 gives the
    // default title. TRUE with fileName set on OK.
    BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                          CDocTemplate* pTemplate);
    virtual int DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt);

    // ---- Help
    // Opens the help file m_pszHelpFilePath (the program's path with ".hlp") through the layer's
    // WinHelp, owned by the main window; dwData is the context (HELP_CONTEXT) or command data.
    virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);
    // The same through HtmlHelp (HH_HELP_CONTEXT: dwData is a context number).
    virtual void HtmlHelp(DWORD_PTR dwData, UINT nCmd = HH_HELP_CONTEXT);

    // ---- Resources
    HICON LoadIcon(UINT nIDResource) const;
    HICON LoadIcon(LPCTSTR lpszResourceName) const;
    HICON LoadStandardIcon(LPCTSTR lpszIconName) const;
    HCURSOR LoadCursor(UINT nIDResource) const;
    HCURSOR LoadStandardCursor(LPCTSTR lpszCursorName) const;

    // ---- Standard commands (named in the application's message map)
    // New: a document of the only template (the first when there are several).
    void OnFileNew();
    // Open: the file dialog, then OpenDocumentFile.
    void OnFileOpen();
    void OnFilePrintSetup();
    // Closes the main window (which asks about modified documents).
    void OnAppExit();
    BOOL OnOpenRecentFile(UINT nID);
    void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);

    LPCTSTR m_pszAppName;
    LPCTSTR m_pszRegistryKey; // NULL until SetRegistryKey
    LPCTSTR m_pszProfileName;
    LPCTSTR m_pszExeName;
    LPCTSTR m_pszHelpFilePath = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPTSTR m_lpCmdLine;
    int m_nCmdShow = SW_SHOWNORMAL;
    CRecentFileList* m_pRecentFileList = nullptr;
    // The printer chosen in Print Setup, kept for the program's printing (NULL until chosen).
    HGLOBAL m_hDevMode = nullptr;
    HGLOBAL m_hDevNames = nullptr;

protected:
    DECLARE_MESSAGE_MAP()

private:
    // "Software\<company>\<profile name>", or "" without a registry key.
    std::string ProfileKey() const;

    std::string m_appName;
    std::string m_registryKey;
    std::string m_profileName;
    std::string m_exeName;
    std::string m_helpPath;
    std::string m_cmdLine;
    std::vector<std::string> m_args;
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    std::unique_ptr<CRecentFileList> m_recentFiles;
};

// The application object, or NULL when none exists.
CWinApp* AfxGetApp();

// Runs the application object: InitInstance, then Run, or ExitInstance at once when InitInstance
// failed. The window manager must be running. Returns the exit code.
int AfxWinMain(int argc, char** argv);

// Replaces "%1" (and "%2") in string nIDS with the given texts.
void AfxFormatString1(CString& rString, UINT nIDS, LPCTSTR lpsz1);
void AfxFormatString2(CString& rString, UINT nIDS, LPCTSTR lpsz1, LPCTSTR lpsz2);
// The same for a format text instead of a string id.
void AfxFormatStrings(CString& rString, LPCTSTR lpszFormat, LPCTSTR const* rglpsz, int nString);
// Part iSubString of lpszFullString, parts separated by chSep. FALSE when there is no such part.
BOOL AfxExtractSubString(CString& rString, LPCTSTR lpszFullString, int iSubString, TCHAR chSep = '\n');

namespace kel::mfc
{
// Makes pApp the object AfxGetApp returns (NULL: none, only when it was pApp). For CWinApp itself.
void RegisterApp(CWinApp* pApp, bool bRegister);
} // namespace kel::mfc
