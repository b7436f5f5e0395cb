// A stand-in for the main frame in dialog tests: a top-level window that is the dialogs' main
// window, records the notices posted to it and hands each to the test's handler, as the frame
// passes an apply on to the active document's scan.
#pragma once

#include "dialogs/CollapsibleDlg.h"

#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace kel::testkit
{
class StandInFrame
{
public:
    StandInFrame()
    {
        WNDCLASS wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "KelStandInFrame";
        RegisterClass(&wc);
        s_current = this;
        m_hWnd = CreateWindowEx(0, "KelStandInFrame", "Main", WS_OVERLAPPEDWINDOW, 100, 80, 640, 480, nullptr,
                                nullptr, nullptr, nullptr);
        EXPECT_NE(m_hWnd, nullptr);
        kel::basedlg::SetMainWindow(m_hWnd);
    }
    ~StandInFrame()
    {
        kel::basedlg::SetMainWindow(nullptr);
        DestroyWindow(m_hWnd);
        s_current = nullptr;
    }
    StandInFrame(const StandInFrame&) = delete;
    StandInFrame& operator=(const StandInFrame&) = delete;

    // Pumps until `count` notices arrived in all; true when they did.
    bool WaitForNotices(size_t count)
    {
        return UiTest::PumpUntil([&] { return notices.size() >= count; });
    }

    HWND m_hWnd = nullptr;
    std::vector<UINT> notices;          // WM_APP messages, in the order they came
    std::function<void(UINT)> onNotice; // the frame's handling of each

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg >= WM_APP && msg < WM_APP + 0x40 && s_current)
        {
            s_current->notices.push_back(msg);
            if (s_current->onNotice)
                s_current->onNotice(msg);
            return 0;
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    static inline StandInFrame* s_current = nullptr;
};
} // namespace kel::testkit
