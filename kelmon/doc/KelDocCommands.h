// The view's private messages (the menu commands are named in res/resource.h).
#pragma once

#include <windows.h>

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
