#include "app/KelApp.h"
#include "app/AboutDlg.h"
#include "app/SplashDlg.h"

#include "ResourceDll.h"
#include "analysis/Analyse.h"
#include "analysis/AnalysisDlg.h"
#include "analysis/Library.h"
#include "app/IdleWatcher.h"
#include "app/KelCMDIChildWnd.h"
#include "app/MainFrm.h"
#include "app/WindowActivationManager.h"
#include "dialogs/HeadDialogs.h"
#include "dialogs/HeadLockDlg.h"
#include "dialogs/HeadPortLock.h"
#include "displays/Display.h"
#include "doc/KelDoc.h"
#include "foundation/AppUiState.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "res/resource.h"
#include "settings/AppSettings.h"
#include "view/KelView.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
// The scrambling mask of the stored head-lock password (only its first characters are used).
constexpr char kLockMask[] = "Qm7#vTz2Lp9@Xc4!Rb8%Nh1&Kd6*Gw3+Js5=Fy0?Ua_Ve^Io-Eq}Ot{Zr]Ps[HxY";
static_assert(sizeof kLockMask == 65, "the mask holds 64 characters");

constexpr size_t kMaxStoredLockChars = 50;

// One stored character at position p read back.
char UnscrambleLockChar(char stored, size_t p)
{
    const int c = static_cast<signed char>(stored);
    int plain = c - static_cast<int>(p) - 66;
    if (static_cast<signed char>(plain) < 32)
        plain = c - static_cast<int>(p) + 28;
    return static_cast<char>(plain);
}

// One character at position p scrambled. The plain rule stores '~' like a space, and some
// characters above 127 so that they read back as others; such a character takes a byte that
// reads back as itself where there is one.
char ScrambleLockChar(char plain, size_t p)
{
    int c = static_cast<signed char>(plain) + static_cast<int>(p) + 66;
    if (c > 126)
        c -= 94;
    if (UnscrambleLockChar(static_cast<char>(c), p) == plain)
        return static_cast<char>(c);
    for (int b = 0; b < 256; ++b)
        if (UnscrambleLockChar(static_cast<char>(b), p) == plain)
            return static_cast<char>(b);
    return static_cast<char>(c);
}

// What the program's library needs of the active document.
class CActiveDocLibraryHost : public CLibraryHost
{
public:
    BOOL IsLibraryMode() override
    {
        const CKelDoc* doc = GetActiveKelDoc();
        return doc && (doc->m_nMode == 7 || doc->m_nSecondMode == 7);
    }
    void EnterLibraryMode() override
    {
        // The Mode menu's Library command, through the active document's handler.
        if (CWnd* main = AfxGetMainWnd())
            main->SendMessage(WM_COMMAND, ID_MODE_LIBRARY);
    }
    BOOL IsLibraryDisplayCurrent() override
    {
        const CKelDoc* doc = GetActiveKelDoc();
        CDisplay* display = doc ? doc->GetCurrentDisplay() : nullptr;
        if (!display)
            return FALSE;
        if (display->GetKind() == 8)
            return TRUE;
        return display->GetKind() == 7 && (display->GetPaneCode(0) == 7 || display->GetPaneCode(1) == 7);
    }
};

CActiveDocLibraryHost g_libraryHost;

HWND ActiveViewWindow()
{
    CView* view = GetActiveMDIView();
    return view ? view->GetSafeHwnd() : NULL;
}
} // namespace

int g_frameClassRegistered = 0;

// ---- Second start ------------------------------------------------------------------------------

SecondInstanceData MakeSecondInstanceData(const char* path)
{
    SecondInstanceData data;
    std::memset(&data, 0, sizeof data);
    if (path)
        std::strncpy(data.path, path, SecondInstanceData::kPathChars);
    std::memcpy(data.tag, SecondInstanceData::kTag, sizeof data.tag);
    return data;
}

BOOL ReadSecondInstanceData(const COPYDATASTRUCT* copyData, CString& path)
{
    // A block too short for its tag is not read past its end.
    if (!copyData || !copyData->lpData || copyData->cbData < offsetof(SecondInstanceData, reserved))
        return FALSE;
    const char* bytes = static_cast<const char*>(copyData->lpData);
    if (std::memcmp(bytes + offsetof(SecondInstanceData, tag), SecondInstanceData::kTag, 15) != 0)
        return FALSE;
    path = CString(bytes, static_cast<int>(strnlen(bytes, SecondInstanceData::kPathChars)));
    return TRUE;
}

int ActivateRunningInstance()
{
    CWnd* running = CWnd::FindWindow(kMainFrameClass, nullptr);
    if (!running)
        return 1;
    HWND frame = running->GetSafeHwnd();
    HWND popup = ::GetLastActivePopup(frame);
    ::BringWindowToTop(frame);
    if (::IsIconic(frame))
        ::ShowWindow(frame, SW_RESTORE);
    if (popup && popup != frame)
        ::BringWindowToTop(popup);

    CCommandLineInfo info;
    AfxGetApp()->ParseCommandLine(info);
    if (info.m_strFileName.IsEmpty())
        return 0;
    SecondInstanceData data = MakeSecondInstanceData(info.m_strFileName);

    // A window of ours to name as the sender (never shown; it deletes itself with its window).
    auto* sender = new CFrameWnd;
    if (!sender->Create(nullptr, "temp", WS_POPUP | WS_BORDER | WS_SYSMENU, CRect(0, 0, 2, 2)))
        sender = nullptr; // a frame whose window failed is gone already
    COPYDATASTRUCT copyData{};
    copyData.dwData = 0;
    copyData.cbData = sizeof data;
    copyData.lpData = &data;
    if (frame)
        ::SendMessage(frame, WM_COPYDATA, reinterpret_cast<WPARAM>(sender ? sender->GetSafeHwnd() : NULL),
                      reinterpret_cast<LPARAM>(&copyData));
    else
        ::MessageBox(NULL, "Can't send WM_COPYDATA", "MyApp", MB_OK);
    if (sender)
        sender->DestroyWindow();
    return 0;
}

BOOL RegisterFrameClass()
{
    if (!ActivateRunningInstance())
        return FALSE;
    WNDCLASS wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = ::LoadIcon(wc.hInstance, MAKEINTRESOURCE(IDR_MAINFRAME));
    wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kMainFrameClass;
    if (!AfxRegisterClass(&wc))
        return FALSE;
    g_frameClassRegistered = 1;
    return TRUE;
}

// ---- Background services -------------------------------------------------------------------

void StartBackgroundServices()
{
    CResourceDll::Instance();
    CPortMonitor::Instance().Start();
    // The head dialogs take a port's lock once the monitor has made the locks.
    CHeadPortLock::SetFinder(CHeadPortLock::FindInProgramPortList);
    const CAppSettings* settings = CAppSettings::GetInstance();
    CIdleWatcher* watcher = CIdleWatcher::GetInstance();
    watcher->m_nCemDelay = MaintenanceDelayMinutes(settings->m_cemMaintenance);
    watcher->m_nFilamentDelay = MaintenanceDelayMinutes(settings->m_filamentMaintenance);
    watcher->Arm();
}

// ---- Head-lock password ----------------------------------------------------------------------

void StoreHeadLockPassword()
{
    CAppSettings* settings = CAppSettings::GetInstance();
    if (!CHeadLockDlg::IsLocked())
    {
        settings->m_headProtection.clear();
        return;
    }
    const CString password = CHeadLockDlg::GetPassword();
    // Longer passwords than the mask cannot be stored; the lock dialog allows far fewer.
    const size_t n = std::min<size_t>(static_cast<size_t>(password.GetLength()), sizeof kLockMask - 1);
    std::string text(2 * n, '\0');
    for (size_t i = 0; i < n; ++i)
    {
        text[2 * i] = kLockMask[i];
        text[2 * i + 1] = password[static_cast<int>(i)];
    }
    for (size_t p = 0; p < text.size(); ++p)
        text[p] = ScrambleLockChar(text[p], p);
    settings->m_headProtection = text;
}

// The document's lock command keeps the lock state in the settings as the application does.
[[maybe_unused]] static const bool s_headLockStoreInstalled =
    (CKelDoc::s_pfnStoreHeadLock = &StoreHeadLockPassword, true);

void LoadHeadLockPassword()
{
    const std::string stored = CAppSettings::GetInstance()->m_headProtection;
    if (stored.empty() || stored.size() > kMaxStoredLockChars)
    {
        CHeadLockDlg::SetLockState(0, CString());
        return;
    }
    std::string text = stored;
    for (size_t p = 0; p < text.size(); ++p)
        text[p] = UnscrambleLockChar(text[p], p);
    const size_t half = text.size() / 2;
    // A stored value without one whole mask-and-password pair holds no password: it would read as
    // a lock with an empty password that storing again writes as no lock at all.
    if (half == 0)
    {
        CHeadLockDlg::SetLockState(0, CString());
        CString message;
        message.LoadString(IDS_HEAD_LOCK_CORRUPTED);
        AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::string mask, password;
    for (size_t i = 0; i < half; ++i)
    {
        mask += text[2 * i];
        password += text[2 * i + 1];
    }
    // A password holds no NUL: one read back as such could never be typed nor stored again.
    if (mask == std::string(kLockMask, half) && password.find('\0') == std::string::npos)
    {
        CHeadLockDlg::SetLockState(1, CString(password.c_str()));
        return;
    }
    CString message;
    message.LoadString(IDS_HEAD_LOCK_CORRUPTED);
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
}

CView* GetActiveMDIView()
{
    CWnd* main = AfxGetMainWnd();
    if (!main || !main->IsKindOf(RUNTIME_CLASS(CMDIFrameWnd)))
        return nullptr;
    CMDIChildWnd* child = static_cast<CMDIFrameWnd*>(main)->MDIGetActive();
    return child ? child->GetActiveView() : nullptr;
}

CString HelpFilePath()
{
    char program[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileName(nullptr, program, sizeof program);
    std::string folder(program, n < sizeof program ? n : 0);
    const auto slash = folder.find_last_of("/\\");
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
    return CString((folder + "/kelHlp3_0.chm").c_str());
}

DWORD_PTR FoldHelpContext(DWORD_PTR context)
{
    if (context >= 0x1E110 && context <= 0x1E11F)
        return 0x1E110;
    if (context == 0x40004 || context == 0x1EF00 || (context >= 0x4000A && context <= 0x40012))
        return 0x40004;
    switch (context)
    {
    case 0x40008:
    case 0x1EF02:
        return 0x40008;
    case 0x40009:
    case 0x1EF03:
        return 0x40009;
    case 0x20077:
        return 0x18020;
    case 0x20078:
    case 0x20079:
        return 0x1803E;
    case 0x20081:
        return 0x1805F;
    case 0x20096:
        return 0x18053;
    case 0x200A1:
        return 0x18063;
    case 0x200A2:
        return 0x18064;
    case 0x200A3:
        return 0x18068;
    case 0x200B3:
        return 0x18069;
    case 0x20608:
        return 0x1806A;
    case 0x200B2:
        return 0x1806B;
    default:
        return context;
    }
}

// ---- CKelApp ---------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CKelApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
ON_COMMAND(ID_FILE_PRINT_SETUP, CWinApp::OnFilePrintSetup)
// File > Exit closes the main window, which asks about modified documents.
ON_COMMAND(ID_APP_EXIT, CWinApp::OnAppExit)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

CKelApp::CKelApp() : CWinApp("KEL") {}

BOOL CKelApp::InitInstance()
{
    if (!RegisterFrameClass())
        return FALSE;
    SetRegistryKey(CAppSettings::kRootPath);
    m_strHelpFile = HelpFilePath();
    m_pszHelpFilePath = m_strHelpFile;
    ShowSplash();

    CAppUiState* ui = CAppUiState::GetInstance();
    ui->m_hCursor = LoadCursor(IDC_KEL_CURSOR);
    ui->m_hChartCursor = ::LoadCursor(AfxGetResourceHandle(), "CHARTCUR");

    LoadStdProfileSettings(6);
    CAppSettings* settings = CAppSettings::GetInstance();
    settings->Load();
    if (settings->m_filamentMaintenance < 0 || settings->m_filamentMaintenance > 7)
        settings->m_filamentMaintenance = 0;
    if (settings->m_cemMaintenance < 0 || settings->m_cemMaintenance > 7)
        settings->m_cemMaintenance = 0;
    LoadHeadLockPassword();

    // What the head layer, the analysis and the gas library wait for from the program.
    CHeadDialogs::Install();
    SetAnalysisViewFactory(CAnalysisDlg::New);
    SetAnalysisViewLookup(ActiveViewWindow);
    CLibrary::SetHost(&g_libraryHost);

    AddDocTemplate(new CMultiDocTemplate(IDR_KELTYPE, RUNTIME_CLASS(CKelDoc), RUNTIME_CLASS(CKelCMDIChildWnd),
                                         RUNTIME_CLASS(CKelView)));

    // A frame whose creation failed has deleted itself with its window.
    auto* frame = new CMainFrame;
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE))
        return FALSE;
    m_nCmdShow = SW_SHOWMAXIMIZED;
    m_pMainWnd = frame;
    frame->DragAcceptFiles(TRUE);

    CCommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info))
        return FALSE;
    frame->ShowWindow(m_nCmdShow);
    frame->UpdateWindow();
    // The frame has just painted for the first time.
    AnnounceFirstPaint("kelmon: first paint");

    StartBackgroundServices();
    return TRUE;
}

void CKelApp::WinHelp(DWORD_PTR dwData, UINT nCmd)
{
    CWinApp::WinHelp(FoldHelpContext(dwData), nCmd);
}

void CKelApp::OnAppAbout()
{
    CAboutDlg about;
    about.DoModal();
}

void CKelApp::AnnounceFirstPaint(const char* line)
{
    char announce[8];
    if (::GetEnvironmentVariable("KEL_ANNOUNCE_FIRST_PAINT", announce, sizeof announce) > 0)
    {
        std::fputs(line, stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

void CKelApp::ShowSplash()
{
    CSplashDlg splash;
    splash.DoModal();
}

int CKelApp::ExitInstance()
{
    if (g_frameClassRegistered)
        ::UnregisterClass(kMainFrameClass, AfxGetInstanceHandle());
    // Nothing the program installed may outlive what it reaches.
    CLibrary::SetHost(nullptr);
    SetAnalysisViewLookup(nullptr);
    CHeadPortLock::SetFinder(nullptr);
    CResourceDll::Unload();
    // The idle tracker's thread uses the port list and its locks: it ends before either goes.
    CIdleWatcher::DestroyInstance();
    CPortMonitor::Destroy();
    CWindowActivationManager::Destroy();
    CPortList::Destroy();
    CAppUiState::DestroyInstance();
    if (g_frameClassRegistered)
        CAppSettings::GetInstance()->Save();
    CAppSettings::DestroyInstance();
    g_frameClassRegistered = 0;
    return CWinApp::ExitInstance();
}
