// kelmon's application object: one instance per user (a second start hands its document to the
// running one), the settings and the head-lock password, the document template, the main frame,
// the background services, and the shut-down of the singletons in a fixed order.
#pragma once

#include <afxwin.h>

#include <cstdint>

class CView;

// The block a second start sends to the running instance with WM_COPYDATA.
struct SecondInstanceData
{
    static constexpr int kPathChars = 260;
    static constexpr const char* kTag = "SecondInstance";

    char path[kPathChars]; // zero-filled; no terminator when the path takes all 260 characters
    char tag[15];          // "SecondInstance" and its terminator
    char reserved[35];     // zero
};
static_assert(sizeof(SecondInstanceData) == 310, "the block's size is fixed between two processes");

// The block for a document path: at most its first 260 characters.
SecondInstanceData MakeSecondInstanceData(const char* path);
// The path of a block received by WM_COPYDATA; FALSE when the block is too short or not tagged.
BOOL ReadSecondInstanceData(const COPYDATASTRUCT* copyData, CString& path);

// Set once this start has registered the main window class (it is the only instance).
extern int g_frameClassRegistered;

// 1 when no other instance runs; otherwise brings that one to the front, hands it this command
// line's document (when there is one) and returns 0.
int ActivateRunningInstance();
// The running-instance check, then the main window class; FALSE when this start must end.
BOOL RegisterFrameClass();
// The port monitor, dlgpack and the idle watcher, once the main window is shown.
void StartBackgroundServices();
// The head-lock password in and out of its scrambled settings form.
void StoreHeadLockPassword();
void LoadHeadLockPassword();
// The active view of the main frame's active document window (any view class), or null.
CView* GetActiveMDIView();

// The help file: next to the program, not in the current folder.
CString HelpFilePath();
// The help context a topic is asked for under: several dialogs and commands share one topic.
DWORD_PTR FoldHelpContext(DWORD_PTR context);

class CKelApp : public CWinApp
{
public:
    CKelApp();

    BOOL InitInstance() override;
    int ExitInstance() override;
    // Every help request of the program comes here: the context folded to its topic.
    void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT) override;

    void OnAppAbout();
    // The start-up picture, shown modally until it closes itself.
    virtual void ShowSplash();
    // Start-time measurements (KEL_ANNOUNCE_FIRST_PAINT set) wait for `line` on standard output,
    // written when a window of the start has painted for the first time.
    static void AnnounceFirstPaint(const char* line);

private:
    CString m_strHelpFile;

    DECLARE_MESSAGE_MAP()
};
