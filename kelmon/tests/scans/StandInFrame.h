// A stand-in for the main frame while the real one is not there: a top-level window named as the
// dialogs' main window that records the notices posted to it and, as the frame does, hands an
// applied parameter or schedule change to the current scan when that scan is not running.
#pragma once

#include "KelMessages.h"
#include "dialogs/CollapsibleDlg.h"
#include "scans/Scan.h"

#include <windows.h>

#include <vector>

namespace scantest
{

class CStandInFrame
{
public:
    CStandInFrame()
    {
        WNDCLASS wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "KelStandInFrame";
        RegisterClass(&wc);
        s_current = this;
        m_hWnd = CreateWindowEx(0, "KelStandInFrame", "Main", WS_OVERLAPPEDWINDOW, 100, 80, 640, 480, nullptr,
                                nullptr, nullptr, nullptr);
        kel::basedlg::SetMainWindow(m_hWnd);
    }
    ~CStandInFrame()
    {
        kel::basedlg::SetMainWindow(nullptr);
        DestroyWindow(m_hWnd);
        s_current = nullptr;
    }
    CStandInFrame(const CStandInFrame&) = delete;
    CStandInFrame& operator=(const CStandInFrame&) = delete;

    HWND m_hWnd = nullptr;
    CScan* m_pScan = nullptr;    // the active document's current scan; not owned
    std::vector<UINT> m_notices; // WM_KEL_* notices, in the order they came
    int m_nParameterApplies = 0; // ApplyParameters calls made
    int m_nScheduleApplies = 0;  // ApplySchedule calls made

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        CStandInFrame* self = s_current;
        if (self && msg >= WM_KEL_PARAMDLGCLOSED && msg <= WM_KEL_CHANNELSCHANGED)
        {
            self->m_notices.push_back(msg);
            CScan* scan = self->m_pScan;
            if (msg == WM_KEL_PARAMSCHANGED && scan && !scan->IsRunning())
            {
                scan->ApplyParameters();
                ++self->m_nParameterApplies;
                return 1;
            }
            if (msg == WM_KEL_SCHEDULECHANGED && scan && !scan->IsRunning())
            {
                scan->ApplySchedule();
                ++self->m_nScheduleApplies;
                return 1;
            }
            return 0;
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    static inline CStandInFrame* s_current = nullptr;
};

} // namespace scantest
