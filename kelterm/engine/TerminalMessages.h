// Messages between kelterm's serial engine and its windows.
#pragma once

#include <windows.h>

// The reader thread hands a received block to the terminal window with SendMessage and waits
// until it is appended: wParam the byte count, lParam the bytes (const char*).
#define WM_KEL_RECEIVEDTEXT (WM_USER + 20)
// Posted to a transfer's window when a buffer of it has been written (wParam 0, lParam 0).
#define WM_KEL_TRANSFERSTATUS (WM_USER + 5)
