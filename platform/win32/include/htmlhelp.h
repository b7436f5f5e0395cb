// Help files and the shell's "open": help opens with the desktop's handler for the file (there is
// no help viewer of our own). A help file that is a folder (an unpacked help file) opens the topic
// inside it. A missing help file gives a message box naming it.
#pragma once

#include "win32/types.h"

// HtmlHelp commands.
#define HH_DISPLAY_TOPIC 0x0000
#define HH_HELP_FINDER 0x0000
#define HH_DISPLAY_TOC 0x0001
#define HH_DISPLAY_INDEX 0x0002
#define HH_HELP_CONTEXT 0x000F
#define HH_CLOSE_ALL 0x0012

// WinHelp commands.
#define HELP_CONTEXT 0x0001
#define HELP_QUIT 0x0002
#define HELP_INDEX 0x0003
#define HELP_CONTENTS 0x0003
#define HELP_HELPONHELP 0x0004
#define HELP_CONTEXTPOPUP 0x0008
#define HELP_FINDER 0x000B
#define HELP_KEY 0x0101

// Opens pszFile ("file", "file::/topic.htm" or "file>window"; '\' counts as '/'). HH_DISPLAY_TOPIC:
// dwData is a topic path (LPCSTR) or 0; HH_HELP_CONTEXT: dwData is a context number, the file opens
// at its start. HH_CLOSE_ALL: nothing to close, returns NULL. Returns a window standing for the
// help (the caller, or the desktop window), NULL when the file is missing (after telling the user,
// owned by hwndCaller) or no handler opened it.
HWND HtmlHelp(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData);
#define HtmlHelpA HtmlHelp

// Opens lpszHelp as HtmlHelp does. HELP_QUIT closes nothing and returns TRUE; every other command
// opens the file (dwData, the context, is not mapped to a topic). FALSE when the file is missing
// (after telling the user) or no handler opened it.
BOOL WinHelp(HWND hWndMain, LPCSTR lpszHelp, UINT uCommand, ULONG_PTR dwData);
#define WinHelpA WinHelp
