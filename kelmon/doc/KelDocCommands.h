// Command numbers of the document's menu entries and of the view's private messages.
#pragma once

#include <windows.h>

namespace kelcmd
{
constexpr UINT kModeAnalog = 32771;
constexpr UINT kScanStart = 32772;
constexpr UINT kScanStopNow = 32789;
constexpr UINT kLeakScanParams = 32806;
constexpr UINT kScanStopAtEnd = 32790;
constexpr UINT kFilamentOn = 32798;
constexpr UINT kConnectorListSetup = 32799;
constexpr UINT kAcquisitionFrequency = 32853;
// The view's own Connect command; it posts kConnectorListSetup to itself.
constexpr UINT kViewConnect = 32890;
} // namespace kelcmd

// Messages the view takes besides the WM_KEL_* ones: build the display after the first update,
// restart averaging, leak-test parameters, analysis updated, analysis closed, and (posted by the
// view itself) the refused repeat timer's message; the start task's request to clear the current
// display (sent from a port worker, so the display is touched on the user-interface thread).
#define WM_KEL_VIEW_INITIALDISPLAY (WM_USER + 100)
#define WM_KEL_VIEW_RESETAVERAGING (WM_USER + 201)
#define WM_KEL_VIEW_LEAKPARAMS (WM_USER + 202)
#define WM_KEL_VIEW_ANALYSISUPDATED (WM_USER + 203)
#define WM_KEL_VIEW_ANALYSISCLOSED (WM_USER + 204)
#define WM_KEL_VIEW_TIMERREFUSED (WM_USER + 205)
#define WM_KEL_VIEW_CLEARDISPLAY (WM_USER + 206)
