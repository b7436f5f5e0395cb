// A CHead on the virtual null modem with the head emulator on the far end, every prompt scripted,
// the head dialogs replaced by a recorder and the programs' box-showing ask policy installed.
#pragma once

#include "HeadEmulator.h"
#include "comm/Comm.h"
#include "head/Head.h"
#include "head/HeadBoxPolicy.h"
#include "testkit/FakeClock.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/VirtualSerial.h"
#include "testsupport/HeadAccess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace headtest
{

// Records the dialogs the head runs and answers them as told.
class RecordingDialogs : public IHeadDialogs
{
public:
    struct WaitBox
    {
        int limit;
        int mode;
        UINT textId;
        std::string text;
    };

    // Like the real box: closes as soon as the head has answered, or is cancelled after
    // waitBoxPolls polls.
    int RunWaitBox(CHead& head, int limit, int mode, UINT textId, const CString& text) override
    {
        waitBoxes.push_back({limit, mode, textId, std::string(text)});
        for (int i = 0; i < waitBoxPolls; ++i)
        {
            int pending = 0;
            if (!head.PollStatus(pending))
                return IDCANCEL;
            if (pending)
                return 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return IDCANCEL;
    }
    int RunFilamentWarning(int& checkBox) override
    {
        ++filamentWarnings;
        checkBox = filamentWarningCheck;
        return filamentWarningResult;
    }
    int RunIonizerDialog(CHead&, HeadIonizerSettings& s) override { return ionizer ? ionizer(s) : IDCANCEL; }
    int RunDuxIonizerDialog(CHead&, HeadDuxIonizerSettings& s) override
    {
        return duxIonizer ? duxIonizer(s) : IDCANCEL;
    }
    void ShowRfProgress(const CString& massText) override { rfProgress.emplace_back(massText); }
    void CloseRfProgress() override { rfProgress.emplace_back("closed"); }
    int RunRfCheckBox(const CString& massText, int& noticeFlag) override
    {
        rfTexts.emplace_back(massText);
        noticeFlag = rfCheck;
        return IDOK;
    }
    int RunInfoDialog(const HeadInfoTexts& texts) override
    {
        info = texts;
        ++infoDialogs;
        return IDOK;
    }
    int RunCemDialog(CHead&) override { return IDOK; }

    std::function<int(HeadIonizerSettings&)> ionizer;
    std::function<int(HeadDuxIonizerSettings&)> duxIonizer;
    std::vector<WaitBox> waitBoxes;
    int waitBoxPolls = 1000;
    int filamentWarnings = 0;
    int filamentWarningResult = IDOK;
    int filamentWarningCheck = 0;
    std::vector<std::string> rfTexts;
    std::vector<std::string> rfProgress; // the progress box's texts, "closed" when it went down
    int rfCheck = 0;
    HeadInfoTexts info;
    int infoDialogs = 0;
};

class HeadTest : public ::testing::Test
{
protected:
    static constexpr int kCom = 47;
    static constexpr int kPort = kCom - 1;

    HeadTest() : emu(modem)
    {
        modem.RegisterAs(kCom);
        CHead::SetDialogs(&dialogs);
        CHeadBoxPolicy::Install();
    }
    ~HeadTest() override
    {
        CHead::SetDialogs(nullptr);
        CHead::SetAskPolicy(nullptr);
    }

    void ConnectHead() { ASSERT_TRUE(head.Connect(kPort)) << "no head on COM" << kCom; }

    // Reads whatever the head answered to the commands sent so far, so the next exchange starts on
    // a clean line: the emulator answers in order, so the marker's reply comes after all of it.
    void Sync()
    {
        emu.SetSetting("ZS", "4711");
        CComm* comm = head.GetComm();
        ASSERT_NE(comm, nullptr);
        // Through the head, which first reads the statuses it is owed.
        ASSERT_TRUE(head.SendRaw("ZS?"));
        for (int i = 0; i < 10000; ++i)
        {
            char line[101] = {};
            const int n = comm->ReadLine(line, 3000);
            if (n <= 0)
                FAIL() << "no marker reply";
            if (std::string(line, size_t(n)).find("4711\r") != std::string::npos)
                return;
        }
        FAIL() << "marker never came";
    }

    // Clears the emulator's log once the last command has fully arrived: the head reads a reply
    // at its CR, while the LF of the command may still be on the way.
    void ClearLog()
    {
        Eventually(
            [&]
            {
                const std::string r = emu.Received();
                return r.empty() || r.ends_with("\r\n");
            });
        emu.ClearLog();
    }

    // The bytes the head received, once at least as many as expected have come.
    std::string Received(const std::string& expected)
    {
        Eventually([&] { return emu.Received().size() >= expected.size(); });
        return emu.Received();
    }

    // Polls (real time, bounded) until pred holds.
    template <class Pred> static bool Eventually(Pred pred)
    {
        for (int i = 0; i < 400; ++i)
        {
            if (pred())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return pred();
    }

    kel::testkit::ScriptedPrompts prompts;
    RecordingDialogs dialogs;
    kel::testkit::VirtualNullModem modem;
    kel::testkit::HeadEmulator emu;
    kel::testkit::OpenHead head;
};

using Commands = std::vector<std::string>;

} // namespace headtest
