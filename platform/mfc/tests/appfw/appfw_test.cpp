// The application framework on a small MDI application: command routing, update handlers, the
// document life cycle with its prompts, the recent-file list, safe saving, the message loop and
// the command line.
#include "TestApp.h"

#include "testkit/Image.h"
#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/kernel.h"
#include "win32/uidriver.h"
#include "win32qt/QtBackend.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

using appfw::CTestApp;
using appfw::CTestDoc;
using appfw::CTestView;
using appfw::Log;
using kel::testkit::ScriptedPrompts;
namespace fs = std::filesystem;

namespace
{

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class AppFwTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        fs::create_directories(m_dir / "docs");
        m_settings.emplace();
        Log().clear();
        CTestDoc::s_failSave = false;
        CTestDoc::s_closed = 0;
    }

    void TearDown() override
    {
        StopApp();
        m_settings.reset();
        UiTest::TearDown();
    }

    void StartApp()
    {
        m_app = std::make_unique<CTestApp>("Kel Test");
        ASSERT_TRUE(m_app->InitInstance());
    }

    // Destroys the main window (documents go with their frames) and the application object.
    void StopApp()
    {
        if (!m_app)
            return;
        if (CWnd* pMain = m_app->m_pMainWnd)
            pMain->DestroyWindow();
        m_app->ExitInstance();
        m_app.reset();
        CWnd::DeleteTempMap();
        CMenu::DeleteTempMap();
    }

    appfw::CMainFrame* Main() const { return m_app->MainFrame(); }
    void Command(UINT nID) { Main()->SendMessage(WM_COMMAND, nID); }

    CTestDoc* ActiveDoc() const
    {
        CMDIChildWnd* pChild = Main()->MDIGetActive();
        return pChild ? static_cast<CTestDoc*>(pChild->GetActiveDocument()) : nullptr;
    }

    // A new document, made as the File menu does.
    CTestDoc* NewDoc()
    {
        Command(ID_FILE_NEW);
        return ActiveDoc();
    }

    std::string DocPath(const char* name) const { return (m_dir / "docs" / name).string(); }

    // A file of the test document's format holding `text`.
    void WriteDocFile(const std::string& path, const char* text)
    {
        ScriptedPrompts prompts;
        prompts.Expect("Save As", kel::PromptKind::FileSave).ReplyPath(path);
        CTestDoc* pDoc = NewDoc();
        ASSERT_NE(pDoc, nullptr);
        pDoc->m_text = text;
        pDoc->SetModifiedFlag();
        Command(ID_FILE_SAVE);
        Command(ID_FILE_CLOSE);
    }

    std::string WindowText(HWND hWnd) const
    {
        char text[256] = {};
        ::GetWindowText(hWnd, text, sizeof text);
        return text;
    }

    HMENU MenuBar() const { return ::GetMenu(Main()->m_hWnd); }

    // Runs the update handlers of popup `index` of the menu bar, as opening it does.
    HMENU OpenPopup(int index)
    {
        HMENU hPopup = ::GetSubMenu(MenuBar(), index);
        Main()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), MAKELONG(index, FALSE));
        return hPopup;
    }

    kel::testkit::TempDir m_dir{"kel-appfw-"};
    std::optional<kel::testkit::ScopedSettings> m_settings;
    std::unique_ptr<CTestApp> m_app;
};

// ---- Routing ------------------------------------------------------------------------------------------

TEST_F(AppFwTest, CommandsRouteFromTheViewToTheApplication)
{
    StartApp();
    ASSERT_NE(NewDoc(), nullptr);

    // Handlers that decline pass it on: the order of the chain.
    Command(ID_TEST_PASS);
    EXPECT_EQ(Log(), (std::vector<std::string>{"view", "doc", "child", "main", "app"}));

    // The first level with a handler takes the command, even when later levels have one too.
    const struct
    {
        UINT id;
        const char* handler;
    } cases[] = {
        {ID_TEST_VIEW, "view"}, {ID_TEST_DOC, "doc"}, {ID_TEST_CHILD, "child"},
        {ID_TEST_MAIN, "main"}, {ID_TEST_APP, "app"},
    };
    for (const auto& c : cases)
    {
        Log().clear();
        Command(c.id);
        EXPECT_EQ(Log(), std::vector<std::string>{c.handler}) << c.id;
    }
}

TEST_F(AppFwTest, WithoutADocumentCommandsReachTheFrameAndTheApplication)
{
    StartApp();
    Command(ID_TEST_PASS);
    EXPECT_EQ(Log(), (std::vector<std::string>{"main", "app"}));
    Log().clear();
    Command(ID_TEST_VIEW);
    EXPECT_EQ(Log(), std::vector<std::string>{"app"});
}

TEST_F(AppFwTest, UpdateHandlersSetTheMenuItemsWhenThePopupOpens)
{
    StartApp();
    ASSERT_NE(NewDoc(), nullptr);
    HMENU hTest = OpenPopup(1);
    const struct
    {
        UINT id;
        bool enabled;
        bool checked;
    } cases[] = {
        {ID_TEST_CHECK, true, true},    // the view's handler checks it
        {ID_TEST_GRAYED, false, false}, // the document's handler disables it
        {ID_TEST_ORPHAN, false, false}, // nobody handles it
        {ID_TEST_APP, true, false},     // a handler, no update handler
    };
    for (const auto& c : cases)
    {
        const UINT state = ::GetMenuState(hTest, c.id, MF_BYCOMMAND);
        EXPECT_EQ((state & MF_GRAYED) == 0, c.enabled) << c.id;
        EXPECT_EQ((state & MF_CHECKED) != 0, c.checked) << c.id;
    }

    // A command its update handler disables does not run, whatever sends it.
    Command(ID_TEST_GRAYED);
    EXPECT_TRUE(Log().empty());

    // The Window commands need a document window.
    HMENU hWindow = OpenPopup(2);
    EXPECT_EQ(::GetMenuState(hWindow, ID_WINDOW_CASCADE, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(AppFwTest, AnItemGrayedForLackOfAHandlerComesBackWhenOneIsReachable)
{
    StartApp();
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AppendMenu(MF_STRING, ID_TEST_DOC, "Doc");
    auto open = [&]
    {
        Main()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup.m_hMenu), 0);
        return (::GetMenuState(popup.m_hMenu, ID_TEST_DOC, MF_BYCOMMAND) & MF_GRAYED) == 0;
    };
    EXPECT_FALSE(open()) << "only a document handles it";
    ASSERT_NE(NewDoc(), nullptr);
    EXPECT_TRUE(open());
    Command(ID_FILE_CLOSE);
    EXPECT_FALSE(open());
}

TEST_F(AppFwTest, AcceleratorsOfTheActiveDocumentAndTheFrameTurnIntoCommands)
{
    StartApp();
    MSG ctrl{Main()->m_hWnd, WM_KEYDOWN, VK_CONTROL, 0, 0, {}};
    kel::ui::PostInput(ctrl);
    Pump();
    ASSERT_LT(::GetKeyState(VK_CONTROL), 0);
    auto press = [&](HWND hWnd, WPARAM key)
    {
        MSG msg{hWnd, WM_KEYDOWN, key, 0, 0, {}};
        return m_app->PreTranslateMessage(&msg) != FALSE;
    };
    // Ctrl+T belongs to the document type: nothing without a document.
    EXPECT_FALSE(press(Main()->m_hWnd, 'T'));
    ASSERT_NE(NewDoc(), nullptr);
    const int docs = m_app->GetOpenDocumentCount();
    // From the view, up through the frames: the document's table, then the frame's.
    POSITION pos = ActiveDoc()->GetFirstViewPosition();
    HWND hView = ActiveDoc()->GetNextView(pos)->m_hWnd;
    EXPECT_TRUE(press(hView, 'T'));
    EXPECT_EQ(Log(), std::vector<std::string>{"app"});
    EXPECT_TRUE(press(hView, 'N'));
    EXPECT_EQ(m_app->GetOpenDocumentCount(), docs + 1);
    MSG up{Main()->m_hWnd, WM_KEYUP, VK_CONTROL, 0, 0, {}};
    kel::ui::PostInput(up);
    Pump();
}

TEST_F(AppFwTest, ASingleDocumentProgramReusesItsDocumentAndFrame)
{
    CWinApp app("TermTest");
    app.AddDocTemplate(new CSingleDocTemplate(IDR_TERM, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CFrameWnd),
                                              RUNTIME_CLASS(CTestView)));
    app.OnFileNew();
    auto* pFrame = app.m_pMainWnd != nullptr ? app.m_pMainWnd->GetFrameWndPtr() : nullptr;
    ASSERT_NE(pFrame, nullptr);
    auto* pDoc = static_cast<CTestDoc*>(pFrame->GetActiveDocument());
    ASSERT_NE(pDoc, nullptr);
    EXPECT_EQ(pDoc->GetTitle(), "Term");
    EXPECT_EQ(WindowText(pFrame->m_hWnd), "Term - TermTest");

    const std::string path = DocPath("session.trm");
    pDoc->m_text = "saved";
    ASSERT_TRUE(pDoc->OnSaveDocument(path.c_str()));

    // New asks about the changes and starts over in the same document and frame.
    pDoc->m_text = "changed";
    pDoc->SetModifiedFlag();
    {
        ScriptedPrompts prompts;
        prompts.Expect("Save changes to Term?").Reply(IDNO);
        app.OnFileNew();
    }
    EXPECT_EQ(pFrame->GetActiveDocument(), pDoc);
    EXPECT_FALSE(pDoc->IsModified());

    EXPECT_EQ(app.OpenDocumentFile(path.c_str()), pDoc);
    EXPECT_EQ(pDoc->m_text, "saved");
    EXPECT_EQ(WindowText(pFrame->m_hWnd), "session.trm - TermTest");

    // A file that cannot be opened leaves the document as it was.
    {
        ScriptedPrompts prompts;
        prompts.Expect("gone.trm").Reply(IDOK);
        EXPECT_EQ(app.OpenDocumentFile(DocPath("gone.trm").c_str()), nullptr);
    }
    EXPECT_EQ(pFrame->GetActiveDocument(), pDoc);
    EXPECT_EQ(pDoc->m_text, "saved");
    EXPECT_EQ(CTestDoc::s_closed, 0);
    pFrame->DestroyWindow();
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

// ---- Menus, titles, window list ---------------------------------------------------------------------

TEST_F(AppFwTest, MenuTitleAndWindowListFollowTheActiveDocument)
{
    StartApp();
    HMENU hDefault = MenuBar();
    EXPECT_EQ(WindowText(Main()->m_hWnd), "AppTest");

    CTestDoc* pFirst = NewDoc();
    CTestDoc* pSecond = NewDoc();
    ASSERT_NE(pFirst, nullptr);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(pFirst->GetTitle(), "KEL1");
    EXPECT_EQ(pSecond->GetTitle(), "KEL2");
    EXPECT_EQ(MenuBar(), m_app->m_pTemplate->m_hMenuShared);
    EXPECT_EQ(WindowText(Main()->m_hWnd), "AppTest - [KEL2]");

    // The window list: both documents, the active one checked.
    HMENU hWindow = ::GetSubMenu(MenuBar(), 2);
    char text[64] = {};
    ASSERT_GT(::GetMenuString(hWindow, AFX_IDM_FIRST_MDICHILD, text, sizeof text, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, "&1 KEL1");
    ASSERT_GT(::GetMenuString(hWindow, AFX_IDM_FIRST_MDICHILD + 1, text, sizeof text, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, "&2 KEL2");
    EXPECT_NE(::GetMenuState(hWindow, AFX_IDM_FIRST_MDICHILD + 1, MF_BYCOMMAND) & MF_CHECKED, 0u);

    // Choosing an entry activates its window.
    Command(AFX_IDM_FIRST_MDICHILD);
    EXPECT_EQ(ActiveDoc(), pFirst);
    EXPECT_EQ(WindowText(Main()->m_hWnd), "AppTest - [KEL1]");
    EXPECT_NE(::GetMenuState(hWindow, AFX_IDM_FIRST_MDICHILD, MF_BYCOMMAND) & MF_CHECKED, 0u);

    // Closing both brings the frame's own menu and title back; the list is gone.
    Command(ID_FILE_CLOSE);
    EXPECT_EQ(ActiveDoc(), pSecond);
    EXPECT_EQ(::GetMenuState(hWindow, AFX_IDM_FIRST_MDICHILD + 1, MF_BYCOMMAND), static_cast<UINT>(-1));
    Command(ID_FILE_CLOSE);
    EXPECT_EQ(Main()->MDIGetActive(), nullptr);
    EXPECT_EQ(MenuBar(), hDefault);
    EXPECT_EQ(WindowText(Main()->m_hWnd), "AppTest");
    EXPECT_EQ(::GetMenuItemCount(hWindow), 4);
}

TEST_F(AppFwTest, TileAndCascadeArrangeTheDocumentWindows)
{
    StartApp();
    NewDoc();
    NewDoc();
    HWND hClient = Main()->m_hWndMDIClient;
    RECT area{};
    ::GetClientRect(hClient, &area);
    std::vector<HWND> children;
    for (HWND h = ::GetWindow(hClient, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        children.push_back(h);
    ASSERT_EQ(children.size(), 2u);

    Command(ID_WINDOW_TILE_HORZ);
    RECT a{}, b{};
    ::GetWindowRect(children[0], &a);
    ::GetWindowRect(children[1], &b);
    CRect overlap;
    EXPECT_FALSE(overlap.IntersectRect(&a, &b)) << "tiled windows overlap";
    EXPECT_EQ((a.bottom - a.top) + (b.bottom - b.top), area.bottom - area.top);
    EXPECT_EQ(a.right - a.left, area.right - area.left);

    Command(ID_WINDOW_CASCADE);
    ::GetWindowRect(children[0], &a);
    ::GetWindowRect(children[1], &b);
    EXPECT_NE(a.left, b.left);
    EXPECT_EQ(a.right - a.left, b.right - b.left);
    // The active window stays on top.
    EXPECT_EQ(::GetWindow(hClient, GW_CHILD), Main()->MDIGetActive()->m_hWnd);
}

// ---- Documents ------------------------------------------------------------------------------------------

TEST_F(AppFwTest, SaveAsThenOpenGivesTheSameDocumentBack)
{
    StartApp();
    const std::string path = DocPath("first.kel");
    WriteDocFile(path, "hello");
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 0);

    ScriptedPrompts prompts;
    prompts.Expect("Open", kel::PromptKind::FileOpen).ReplyPath(path);
    Command(ID_FILE_OPEN);
    CTestDoc* pDoc = ActiveDoc();
    ASSERT_NE(pDoc, nullptr);
    EXPECT_EQ(pDoc->m_text, "hello");
    EXPECT_EQ(pDoc->GetTitle(), "first.kel");
    EXPECT_EQ(pDoc->GetPathName(), path.c_str());
    EXPECT_FALSE(pDoc->IsModified());
    EXPECT_EQ(WindowText(Main()->m_hWnd), "AppTest - [first.kel]");

    // Opening it again activates the open document instead of a second copy.
    NewDoc();
    EXPECT_EQ(m_app->OpenDocumentFile(path.c_str()), pDoc);
    EXPECT_EQ(ActiveDoc(), pDoc);
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
}

TEST_F(AppFwTest, ClosingAModifiedDocumentAsks)
{
    const struct
    {
        int answer;
        bool closed;
        bool saved;
    } cases[] = {
        {IDCANCEL, false, false},
        {IDNO, true, false},
        {IDYES, true, true},
    };
    StartApp();
    for (const auto& c : cases)
    {
        const std::string path = DocPath(("answer" + std::to_string(c.answer) + ".kel").c_str());
        CTestDoc* pDoc = NewDoc();
        ASSERT_NE(pDoc, nullptr);
        pDoc->m_text = "changed";
        pDoc->SetModifiedFlag();
        const std::string title = pDoc->GetTitle().GetString();
        const int closedBefore = CTestDoc::s_closed;
        {
            ScriptedPrompts prompts;
            prompts.Expect("Save changes to " + title + "?", kel::PromptKind::MessageBox).Reply(c.answer);
            if (c.saved)
                prompts.Expect("Save As", kel::PromptKind::FileSave).ReplyPath(path);
            Command(ID_FILE_CLOSE);
        }
        EXPECT_EQ(CTestDoc::s_closed - closedBefore, c.closed ? 1 : 0) << c.answer;
        EXPECT_EQ(fs::exists(path), c.saved) << c.answer;
        if (!c.closed)
        {
            EXPECT_EQ(ActiveDoc(), pDoc);
            pDoc->SetModifiedFlag(FALSE);
            Command(ID_FILE_CLOSE);
        }
    }
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 0);
}

TEST_F(AppFwTest, ExitStopsWhenTheUserCancelsAndClosesEverythingOtherwise)
{
    StartApp();
    CTestDoc* pDoc = NewDoc();
    NewDoc();
    pDoc->SetModifiedFlag();
    HWND hMain = Main()->m_hWnd;
    {
        ScriptedPrompts prompts;
        prompts.Expect("Save changes to KEL1?").Reply(IDCANCEL);
        Command(ID_APP_EXIT);
    }
    ASSERT_TRUE(::IsWindow(hMain));
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
    {
        ScriptedPrompts prompts;
        prompts.Expect("Save changes to KEL1?").Reply(IDNO);
        Command(ID_APP_EXIT);
    }
    EXPECT_FALSE(::IsWindow(hMain));
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 0);
    EXPECT_EQ(CTestDoc::s_closed, 2);
    MSG msg;
    EXPECT_TRUE(::PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";
}

TEST_F(AppFwTest, AFailedOpenClosesItsDocumentAndFrame)
{
    StartApp();
    const std::string truncated = DocPath("truncated.kel");
    std::ofstream(truncated, std::ios::binary) << '\x05' << "ab"; // says 5 characters, has 2
    const std::string missing = DocPath("missing.kel");
    for (const std::string& path : {truncated, missing})
    {
        const int closedBefore = CTestDoc::s_closed;
        {
            ScriptedPrompts prompts;
            prompts.Expect(path, kel::PromptKind::MessageBox).Reply(IDOK);
            EXPECT_EQ(m_app->OpenDocumentFile(path.c_str()), nullptr) << path;
        }
        EXPECT_EQ(CTestDoc::s_closed - closedBefore, 1) << path;
        EXPECT_EQ(m_app->GetOpenDocumentCount(), 0) << path;
        EXPECT_EQ(Main()->MDIGetActive(), nullptr) << path;
        EXPECT_EQ(::GetWindow(Main()->m_hWndMDIClient, GW_CHILD), nullptr) << path;
    }
    // Nothing failed to open lands in the recent-file list.
    EXPECT_TRUE((*m_app->m_pRecentFileList)[0].IsEmpty());
}

TEST_F(AppFwTest, ASaveFailingHalfWayLeavesThePreviousFileIntact)
{
    StartApp();
    const std::string path = DocPath("keep.kel");
    WriteDocFile(path, "original");
    const std::string before = ReadAll(path);
    ASSERT_FALSE(before.empty());

    CTestDoc* pDoc = m_app->OpenDocumentFile(path.c_str()) ? ActiveDoc() : nullptr;
    ASSERT_NE(pDoc, nullptr);
    pDoc->m_text = "replacement";
    pDoc->SetModifiedFlag();
    CTestDoc::s_failSave = true;
    {
        ScriptedPrompts prompts;
        prompts.Expect("keep.kel", kel::PromptKind::MessageBox).Reply(IDOK);
        Command(ID_FILE_SAVE);
    }
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_TRUE(pDoc->IsModified()) << "the changes are still unsaved";
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(m_dir / "docs"))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);

    // The next save that works replaces the file.
    CTestDoc::s_failSave = false;
    Command(ID_FILE_SAVE);
    EXPECT_NE(ReadAll(path), before);
    EXPECT_FALSE(pDoc->IsModified());
}

// ---- Recent files ----------------------------------------------------------------------------------------

TEST_F(AppFwTest, RecentFilesPersistInTheSettingsStore)
{
    StartApp();
    const std::string a = DocPath("a.kel"), b = DocPath("b.kel");
    WriteDocFile(a, "a");
    WriteDocFile(b, "b");
    StopApp();

    // A new run reads the list back, newest first, and shows it in the File menu.
    StartApp();
    ASSERT_NE(m_app->m_pRecentFileList, nullptr);
    EXPECT_EQ((*m_app->m_pRecentFileList)[0], b.c_str());
    EXPECT_EQ((*m_app->m_pRecentFileList)[1], a.c_str());
    HMENU hFile = OpenPopup(0);
    UINT ids[2] = {::GetMenuItemID(hFile, 3), ::GetMenuItemID(hFile, 4)};
    EXPECT_EQ(ids[0], static_cast<UINT>(ID_FILE_MRU_FILE1));
    EXPECT_EQ(ids[1], static_cast<UINT>(ID_FILE_MRU_FILE2));
    EXPECT_EQ(::GetMenuState(hFile, ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED, 0u);
    char text[512] = {};
    ::GetMenuString(hFile, ID_FILE_MRU_FILE2, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(std::string(text).rfind("&2 ", 0), 0u);
    EXPECT_NE(std::string(text).find("a.kel"), std::string::npos);
    // Opening the menu again does not duplicate the entries.
    OpenPopup(0);
    EXPECT_EQ(::GetMenuItemCount(hFile), 7);

    // Choosing an entry opens its file; a file that went away leaves the list.
    Command(ID_FILE_MRU_FILE2);
    ASSERT_NE(ActiveDoc(), nullptr);
    EXPECT_EQ(ActiveDoc()->m_text, "a");
    EXPECT_EQ((*m_app->m_pRecentFileList)[0], a.c_str());
    fs::remove(b);
    {
        ScriptedPrompts prompts;
        prompts.Expect("b.kel", kel::PromptKind::MessageBox).Reply(IDOK);
        Command(ID_FILE_MRU_FILE2);
    }
    EXPECT_TRUE((*m_app->m_pRecentFileList)[1].IsEmpty());
    EXPECT_EQ(m_app->GetProfileString("Recent File List", "File2", "none"), "none");
}

TEST(RecentFileListTest, NewestFirstWithoutRepeatsUpToItsSize)
{
    CRecentFileList list(0, "Recent File List", "File%d", 3);
    const struct
    {
        const char* add;
        std::vector<std::string> expected;
    } steps[] = {
        {"/d/a", {"/d/a", "", ""}},         {"/d/b", {"/d/b", "/d/a", ""}},
        {"/d/a", {"/d/a", "/d/b", ""}}, // again: moves up, no second entry
        {"/d/c", {"/d/c", "/d/a", "/d/b"}}, {"/d/e", {"/d/e", "/d/c", "/d/a"}}, // the oldest drops off
        {"/d/A", {"/d/A", "/d/e", "/d/c"}}, // names differ by case on this system
    };
    for (const auto& s : steps)
    {
        list.Add(s.add);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(std::string(list[i].GetString()), s.expected[static_cast<size_t>(i)])
                << s.add << " #" << i;
    }
}

// ---- Start and message loop ------------------------------------------------------------------------------

class LoopApp : public CWinApp
{
public:
    BOOL InitInstance() override
    {
        // Something is made, then the start fails.
        auto* pFrame = new CFrameWnd;
        if (pFrame->Create(nullptr, "half started"))
            m_pMainWnd = pFrame;
        m_hFrame = pFrame->m_hWnd;
        return m_bStart;
    }
    int ExitInstance() override
    {
        ++m_exits;
        return CWinApp::ExitInstance() + 100;
    }
    BOOL OnIdle(LONG lCount) override
    {
        m_idle.push_back(lCount);
        return CWinApp::OnIdle(lCount);
    }
    BOOL m_bStart = FALSE;
    HWND m_hFrame = nullptr;
    int m_exits = 0;
    std::vector<LONG> m_idle;
};

TEST_F(AppFwTest, AFailedStartStillRunsExitInstance)
{
    LoopApp app;
    char arg0[] = "/usr/bin/apptest";
    char* argv[] = {arg0, nullptr};
    EXPECT_EQ(AfxWinMain(1, argv), 100);
    EXPECT_EQ(app.m_exits, 1);
    EXPECT_FALSE(::IsWindow(app.m_hFrame)) << "what the start made is gone";
    EXPECT_STREQ(app.m_pszExeName, "apptest");
}

TEST_F(AppFwTest, RunIdlesUntilOnIdleIsDoneAndEndsOnQuit)
{
    LoopApp app;
    static LoopApp* s_app = nullptr;
    s_app = &app;
    // Once idle work has finished, a timer ends the loop.
    ::SetTimer(nullptr, 0, 10,
               [](HWND, UINT, UINT_PTR id, DWORD)
               {
                   ::KillTimer(nullptr, id);
                   s_app->m_idle.push_back(-1);
                   ::PostQuitMessage(7);
               });
    EXPECT_EQ(app.Run(), 107);
    ASSERT_GE(app.m_idle.size(), 3u);
    // Idle work ran 0, 1 and stopped (OnIdle(1) said it was done) until the timer came.
    EXPECT_EQ(app.m_idle[0], 0);
    EXPECT_EQ(app.m_idle[1], 1);
    EXPECT_EQ(app.m_idle[2], -1);
    EXPECT_EQ(app.m_exits, 1);
    s_app = nullptr;
}

TEST_F(AppFwTest, TheCommandLineSaysWhatToDo)
{
    const std::string existing = DocPath("x.kel");
    std::ofstream(existing) << "x";
    const struct
    {
        std::vector<std::string> args;
        int command;
        const char* file;
        bool splash;
    } cases[] = {
        {{}, CCommandLineInfo::FileNew, "", true},
        {{existing}, CCommandLineInfo::FileOpen, existing.c_str(), true},
        {{"-p", "doc.kel"}, CCommandLineInfo::FilePrint, "doc.kel", true},
        {{"/nologo", "doc.kel"}, CCommandLineInfo::FileOpen, "doc.kel", false},
        {{"/dde"}, CCommandLineInfo::FileDDE, "", true},
        {{"/tmp"}, CCommandLineInfo::FileOpen, "/tmp", true}, // names a folder: not a flag
    };
    for (const auto& c : cases)
    {
        CWinApp app("AppTest");
        std::vector<std::string> args = {"apptest"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        app.SetCommandLine(static_cast<int>(argv.size()), argv.data());
        CCommandLineInfo info;
        app.ParseCommandLine(info);
        const std::string label = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(static_cast<int>(info.m_nShellCommand), c.command) << label;
        EXPECT_EQ(info.m_strFileName, c.file) << label;
        EXPECT_EQ(info.m_bShowSplash != FALSE, c.splash) << label;
    }
}

TEST_F(AppFwTest, ShellCommandsOpenTheNamedDocumentOrANewOne)
{
    StartApp();
    const std::string path = DocPath("shell.kel");
    WriteDocFile(path, "from the shell");

    CCommandLineInfo open;
    open.ParseParam(path.c_str(), FALSE, TRUE);
    ASSERT_TRUE(m_app->ProcessShellCommand(open));
    ASSERT_NE(ActiveDoc(), nullptr);
    EXPECT_EQ(ActiveDoc()->m_text, "from the shell");

    CCommandLineInfo fresh;
    ASSERT_TRUE(m_app->ProcessShellCommand(fresh));
    EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);

    CCommandLineInfo bad;
    bad.ParseParam(DocPath("nothere.kel").c_str(), FALSE, TRUE);
    ScriptedPrompts prompts;
    prompts.Expect("nothere.kel").Reply(IDOK);
    EXPECT_FALSE(m_app->ProcessShellCommand(bad));
}

// ---- Desktop habits ------------------------------------------------------------------------------------

TEST_F(AppFwTest, AFileDroppedOnTheMainWindowOpens)
{
    StartApp();
    const std::string path = DocPath("dropped.kel");
    WriteDocFile(path, "dropped in");
    ASSERT_EQ(m_app->GetOpenDocumentCount(), 0);
    EXPECT_TRUE(Main()->GetExStyle() & WS_EX_ACCEPTFILES);

    ASSERT_TRUE(kel::qt::SimulateFileDrop(Main()->m_hWnd, POINT{300, 200}, {path}));
    ASSERT_TRUE(PumpUntil([&] { return ActiveDoc() != nullptr; }));
    EXPECT_EQ(ActiveDoc()->m_text, "dropped in");
    EXPECT_EQ(ActiveDoc()->GetPathName(), path.c_str());
}

TEST_F(AppFwTest, HelpCommandsReachTheApplicationsWinHelpAndAMissingFileIsNamed)
{
    StartApp();
    const std::string help = (m_dir / "AppTest.hlp").string();
    m_app->m_pszHelpFilePath = help.c_str();
    ScriptedPrompts prompts;
    prompts.Expect("AppTest.hlp").Reply(IDOK);
    Command(ID_HELP_INDEX);
    EXPECT_EQ(Log(), (std::vector<std::string>{"help 0 3"})); // HELP_CONTENTS

    // F1 in a document window: the topic of the child frame's resource.
    NewDoc();
    Log().clear();
    CMDIChildWnd* pChild = Main()->MDIGetActive();
    ASSERT_NE(pChild, nullptr);
    pChild->m_nIDHelp = IDR_KELTYPE;
    prompts.Expect("AppTest.hlp").Reply(IDOK);
    Command(ID_HELP);
    EXPECT_EQ(Log(), (std::vector<std::string>{"help 20081 1"})); // HID_BASE_RESOURCE + 129, HELP_CONTEXT
}

TEST_F(AppFwTest, TheStatusBarShowsThePromptOfTheMenuItemUnderTheMouse)
{
    StartApp();
    CStatusBar& bar = Main()->m_wndStatusBar;
    HMENU file = ::GetSubMenu(MenuBar(), 0);
    Main()->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_FILE_OPEN, MF_HILITE), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ(bar.GetPaneText(0), "Opens an existing document");
    Main()->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(bar.GetPaneText(0), "Ready");
}

TEST_F(AppFwTest, AltAndAMenusLetterOpensItFromADocumentWindow)
{
    StartApp();
    ASSERT_NE(NewDoc(), nullptr);
    HMENU hTest = ::GetSubMenu(MenuBar(), 1);
    ASSERT_EQ(::GetMenuState(hTest, ID_TEST_ORPHAN, MF_BYCOMMAND) & MF_GRAYED, 0u);
    HWND focus = ::GetFocus();
    ASSERT_TRUE(focus != nullptr && ::IsChild(Main()->m_hWnd, focus));

    // Alt+T where the document's view has the focus: the frame's Test menu opens and its update
    // handlers gray the item nobody handles.
    const LPARAM alt = static_cast<LPARAM>(KF_ALTDOWN) << 16;
    kel::ui::PostInput(MSG{focus, WM_SYSKEYDOWN, 'T', 1 | alt, 0, {0, 0}}, 't');
    kel::ui::PostInput(MSG{focus, WM_SYSKEYUP, 'T', static_cast<LPARAM>(0xC0000001) | alt, 0, {0, 0}});
    ASSERT_TRUE(
        PumpUntil([&] { return (::GetMenuState(hTest, ID_TEST_ORPHAN, MF_BYCOMMAND) & MF_GRAYED) != 0; }));
}

// The whole application as a user sees it, kept as a PNG for people to look at:
// screenshots/appfw_mdi.png in the folder the test runs in.
TEST_F(AppFwTest, TheApplicationLooksLikeADesktopProgram)
{
    StartApp();
    CTestDoc* first = NewDoc();
    ASSERT_NE(first, nullptr);
    first->m_text = "First document";
    CTestDoc* second = NewDoc();
    ASSERT_NE(second, nullptr);
    second->m_text = "Second document";
    first->UpdateAllViews(nullptr);
    second->UpdateAllViews(nullptr);
    Command(ID_WINDOW_TILE_HORZ);
    m_app->OnIdle(0); // toolbar buttons and panes follow their update handlers
    Pump();

    const kel::testkit::Image shot = kel::testkit::CaptureWindow(Main()->m_hWnd);
    ASSERT_FALSE(shot.Empty());
    fs::create_directories("screenshots");
    EXPECT_TRUE(kel::testkit::SavePng(shot, "screenshots/appfw_mdi.png"));

    // Where the parts are, in the picture's coordinates (the client area starts below the menu bar).
    CRect window, client;
    Main()->GetWindowRect(&window);
    auto inShot = [&](CWnd& wnd)
    {
        CRect r;
        wnd.GetWindowRect(&r);
        r.OffsetRect(-window.left, -window.top);
        return r;
    };
    const CRect toolbar = inShot(Main()->m_wndToolBar);
    const CRect status = inShot(Main()->m_wndStatusBar);
    EXPECT_GT(toolbar.top, 10) << "the menu bar sits above the toolbar";
    EXPECT_EQ(status.bottom, shot.height);
    // The toolbar's images (the folder's yellow, the red disc) and the status bar's idle text.
    EXPECT_GT(shot.CountColor(RGB(255, 255, 0), toolbar.left, toolbar.top, toolbar.right, toolbar.bottom),
              20);
    EXPECT_GT(shot.CountColor(RGB(220, 0, 0), toolbar.left, toolbar.top, toolbar.right, toolbar.bottom), 20);
    EXPECT_EQ(m_app->MainFrame()->m_wndStatusBar.GetPaneText(0), "Ready");
    const DWORD face = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_LT(shot.CountColor(face, status.left, status.top, status.right, status.bottom),
              status.Width() * status.Height())
        << "the status bar shows text";
    // Two document windows, each with its view's white page and text.
    HWND hClient = Main()->m_hWndMDIClient;
    int views = 0;
    for (HWND h = ::GetWindow(hClient, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
    {
        CRect r;
        ::GetWindowRect(::GetDlgItem(h, AFX_IDW_PANE_FIRST), &r);
        r.OffsetRect(-window.left, -window.top);
        const int white = shot.CountColor(RGB(255, 255, 255), r.left, r.top, r.right, r.bottom);
        EXPECT_GT(white, r.Width() * r.Height() / 2);
        EXPECT_LT(white, r.Width() * r.Height()) << "the view shows its text";
        // Above the view, the document window's caption with the document's icon.
        CRect frame;
        ::GetWindowRect(h, &frame);
        frame.OffsetRect(-window.left, -window.top);
        EXPECT_GT(r.top - frame.top, 15);
        EXPECT_GT(shot.CountColor(RGB(40, 90, 200), frame.left, frame.top, frame.right, r.top), 4)
            << "the document's icon";
        ++views;
    }
    EXPECT_EQ(views, 2);
}

TEST_F(AppFwTest, AViewGivenAnEdgeWithAFrameChangeShrinksItsClientArea)
{
    StartApp();
    CTestDoc* pDoc = NewDoc();
    ASSERT_NE(pDoc, nullptr);
    POSITION pos = pDoc->GetFirstViewPosition();
    CView* pView = pDoc->GetNextView(pos);
    ASSERT_NE(pView, nullptr);
    CRect window, before, after;
    pView->GetWindowRect(&window);
    pView->GetClientRect(&before);
    ASSERT_TRUE(pView->ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED));
    pView->GetClientRect(&after);
    EXPECT_EQ(after.Width(), before.Width() - 4);
    EXPECT_EQ(after.Height(), before.Height() - 4);
    ASSERT_TRUE(pView->ModifyStyleEx(WS_EX_CLIENTEDGE, 0, SWP_FRAMECHANGED));
    pView->GetClientRect(&after);
    EXPECT_EQ(after, before);
    CRect still;
    pView->GetWindowRect(&still);
    EXPECT_EQ(still, window) << "a frame change keeps the window rectangle";
}

} // namespace
