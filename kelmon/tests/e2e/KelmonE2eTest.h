// The fixture of kelmon's end-to-end tests: the real application started offscreen with its menus,
// a private settings store and runtime folder, and the steps every job shares (bind the simulated
// head, switch the filament on, wait for a scan to stop, save/close/open through the file menu).
#pragma once

#include "app/KelApp.h"
#include "app/MainFrm.h"
#include "doc/KelDoc.h"
#include "head/Head.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "res/resource.h"
#include "scans/Scan.h"

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/instance.h"

#include <afxwin.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace kel::e2e
{

inline std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class KelmonE2eTest : public kel::testkit::UiTest
{
protected:
    using UiTest = kel::testkit::UiTest;

    void SetUp() override
    {
        UiTest::SetUp();
        runtime.emplace("XDG_RUNTIME_DIR", runtimeDir.path().string());
        kel::ui::StopServingWindowClasses();
        prompts.emplace();
        prompts->Expect(IDD_SPLASH).Reply(1).AnyTimes(); // the start-up picture closes itself
        CPortList::Destroy();
    }
    void TearDown() override
    {
        if (started)
        {
            started = false;
            if (CWnd* main = app.m_pMainWnd; main && ::IsWindow(main->GetSafeHwnd()))
                main->SendMessage(WM_CLOSE);
            UiTest::Pump(20);
            app.ExitInstance();
        }
        prompts.reset();
        kel::ui::StopServingWindowClasses();
        runtime.reset();
        UiTest::TearDown();
    }

    void Start()
    {
        static char name[] = "kelmon";
        static char* argv[] = {name};
        app.SetCommandLine(1, argv);
        started = true;
        ASSERT_TRUE(app.InitInstance());
        UiTest::Pump(50);
    }
    CMainFrame* Frame() { return dynamic_cast<CMainFrame*>(app.m_pMainWnd); }
    // A menu click: the command posted to the main frame, then the messages it causes served.
    void Click(UINT id, int ms = 50)
    {
        Frame()->PostMessage(WM_COMMAND, id, 0);
        UiTest::Pump(ms);
    }
    // Head > Connector List, Connect on the first entry (the simulated head), OK.
    void ConnectSoft0(CKelDoc* doc)
    {
        prompts->Expect(IDD_CONNECTOR_LIST)
            .Drive(
                [](kel::testkit::DialogDriver& d)
                {
                    d.Click(IDC_CONNECTOR_CONNECT);
                    d.Click(IDOK);
                });
        Click(ID_HEAD_CONNECTOR_LIST, 200);
        ASSERT_NE(doc->m_pHead, nullptr);
        ASSERT_TRUE(doc->m_pHead->IsOnline());
    }
    // Filament On unless it is on already; its progress boxes are answered.
    void FilamentOn(CKelDoc* doc)
    {
        prompts->Expect("").Reply(IDOK).AnyTimes();
        int on = -1;
        if (!doc->m_pHead->IsFilamentOn(on) || on != 1)
            Click(ID_HEAD_FILAMENT, 200);
        ASSERT_TRUE(doc->m_pHead->IsFilamentOn(on));
        ASSERT_EQ(on, 1);
    }
    // The scan has stopped and the head's queue is drained.
    bool Stopped(CKelDoc* doc)
    {
        return UiTest::PumpUntil(
            [&]
            {
                return doc->GetCurrentScan() != nullptr && !doc->GetCurrentScan()->IsRunning() &&
                       !doc->m_bStepInProgress && CPortMonitor::Instance().IsIdle() &&
                       CPortMonitor::Instance().GetQueueLength() == 0;
            },
            20000);
    }
    // File > Save (As) through the file dialog to path.
    void SaveAs(CKelDoc* doc, const std::filesystem::path& path)
    {
        prompts.emplace();
        prompts->Expect("", kel::PromptKind::FileSave).ReplyPath(path.string());
        prompts->Expect("").Reply(IDOK).AnyTimes();
        Click(ID_FILE_SAVE, 100);
        ASSERT_TRUE(std::filesystem::exists(path));
        EXPECT_FALSE(doc->IsModified());
    }
    // File > Close, then File > Open of path; the opened document, or null.
    CKelDoc* CloseAndOpen(const std::filesystem::path& path)
    {
        Click(ID_FILE_CLOSE, 100);
        EXPECT_EQ(GetActiveKelDoc(), nullptr);
        prompts.emplace();
        prompts->Expect("", kel::PromptKind::FileOpen).ReplyPath(path.string());
        prompts->Expect("").Reply(IDOK).AnyTimes();
        Click(ID_FILE_OPEN, 200);
        return GetActiveKelDoc();
    }
    // The main window's picture, kept as name when KEL_KEEP_SCREENSHOTS names a folder.
    void Screenshot(const std::string& name)
    {
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(Frame()->GetSafeHwnd()),
                                  std::string(keep) + "/" + name);
    }

    kel::testkit::ScopedSettings settings;
    kel::testkit::TempDir runtimeDir{"kelmon-e2e-rt-"};
    kel::testkit::TempDir files{"kelmon-e2e-"};
    std::optional<kel::testkit::ScopedEnv> runtime;
    std::optional<kel::testkit::ScriptedPrompts> prompts;
    CKelApp app;
    bool started = false;
};

} // namespace kel::e2e
