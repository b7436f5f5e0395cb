// Private window messages between kelmon's windows, scans and dialogs.
#pragma once

#include <windows.h>

// Sent by a document's start task: start the view's repeat timer (wParam: period in ms).
#define WM_KEL_STARTREPEATTIMER (WM_APP + 10)
// Sent when a repeated scan ends or stops: kill the view's repeat timer.
#define WM_KEL_STOPREPEATTIMER (WM_APP + 11)
// Sent by a scan at the start of each sweep.
#define WM_KEL_NEWSWEEP (WM_APP + 12)
// Sent by a scan for each point: wParam the point record, lParam the display.
#define WM_KEL_SCANDATA (WM_APP + 13)
// Sent by a scan for points that came together: wParam a ScanPointBatch, lParam the display. The
// view hands each record to the display in order, as if each had come in a WM_KEL_SCANDATA.
#define WM_KEL_SCANBATCH (WM_APP + 22)
// Sent to the analysis dialog with the result rows in wParam.
#define WM_KEL_ANALYSISRESULT (WM_APP + 14)
// Posted to the main window by the parameter and schedule dialogs.
#define WM_KEL_PARAMDLGCLOSED (WM_APP + 15)
#define WM_KEL_PARAMSCHANGED (WM_APP + 16)
#define WM_KEL_SCHEDDLGCLOSED (WM_APP + 17)
#define WM_KEL_SCHEDULECHANGED (WM_APP + 18)
// Sent to a view by the window-activation manager: wParam non-zero activates the group.
#define WM_KEL_GROUPACTIVATE (WM_APP + 19)
// Posted right after WM_KEL_PARAMSCHANGED: the current scan's schedule dialog reloads its values.
#define WM_KEL_REFRESHSCHEDULE (WM_APP + 20)
#define WM_KEL_PARAMSAPPLIED WM_KEL_REFRESHSCHEDULE
// Posted to a scan's view when the table channels changed: refresh the read-outs.
#define WM_KEL_CHANNELSCHANGED (WM_APP + 21)
// Sent to the scan bar when the current display starts showing its history: the history scroll
// bar goes back to the latest data.
#define WM_KEL_SETUPHISTORYSCROLL (WM_APP + 23)

// The records of a WM_KEL_SCANBATCH: count records of recordSize bytes each, back to back.
struct ScanPointBatch
{
    const void* records;
    int count;
    int recordSize;
};
