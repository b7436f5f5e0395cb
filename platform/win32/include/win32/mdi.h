// Multiple-document windows: the "MDICLIENT" window class, which keeps the document windows of a
// frame (its children), which one is active, their arrangement and the frame's window list, and
// the default procedures of the frame and of the document windows.
#pragma once

#include "win32/user.h"

// lpCreateParams of an MDICLIENT: the popup that gets the window list, and the command id of its
// first entry (entries use idFirstChild, idFirstChild + 1, ...).
typedef struct tagCLIENTCREATESTRUCT
{
    HANDLE hWindowMenu;
    UINT idFirstChild;
} CLIENTCREATESTRUCT, *LPCLIENTCREATESTRUCT;

// lParam of WM_MDICREATE.
typedef struct tagMDICREATESTRUCTA
{
    LPCSTR szClass;
    LPCSTR szTitle;
    HANDLE hOwner; // the instance
    int x;
    int y;
    int cx;
    int cy;
    DWORD style;
    LPARAM lParam; // for the child's WM_CREATE (CREATESTRUCT::lpCreateParams points at this record)
} MDICREATESTRUCT, *LPMDICREATESTRUCT;
#define MDICREATESTRUCTA MDICREATESTRUCT

// WM_MDITILE and WM_MDICASCADE flags.
#define MDITILE_VERTICAL 0x0000
#define MDITILE_HORIZONTAL 0x0001
#define MDITILE_SKIPDISABLED 0x0002
#define MDITILE_ZORDER 0x0004
#define MDIS_ALLCHILDSTYLES 0x0001

// The class name of the MDI client window.
#define MDICLIENT_CLASS "MDICLIENT"

// The window list shows this many entries at most.
#define MDI_MAXLISTED 9

// Default procedure of a frame with an MDI client: window-list commands activate their child,
// WM_SIZE fills the client area with the MDI client, the focus goes to the active child.
LRESULT DefFrameProc(HWND hWnd, HWND hWndMDIClient, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Default procedure of a document window: WM_CLOSE destroys it through the client, activation
// and text changes keep the client's list right, maximize/restore go through the client.
LRESULT DefMDIChildProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Ctrl+F4 closes and Ctrl+F6/Ctrl+Tab (with Shift: backwards) cycles the document windows. TRUE
// when the key message was one of those and has been handled.
BOOL TranslateMDISysAccel(HWND hWndClient, LPMSG lpMsg);
// Creates a document window in hWndParent (an MDI client); NULL on failure.
HWND CreateMDIWindow(LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                     int nHeight, HWND hWndParent, HINSTANCE hInstance, LPARAM lParam);
#define DefFrameProcA DefFrameProc
#define DefMDIChildProcA DefMDIChildProc
#define CreateMDIWindowA CreateMDIWindow

namespace kel::ui
{
// Registers the MDICLIENT class (the window manager does it when it starts). False on failure.
bool RegisterMdiClientClass();
} // namespace kel::ui
