// Opening documents and addresses with the desktop's handler (the "open" verb only), and files
// dropped on windows.
#pragma once

#include "win32/shell.h"
#include "win32/types.h"

#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400

typedef struct _SHELLEXECUTEINFOA
{
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCSTR lpVerb;
    LPCSTR lpFile;
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp; // set to a value above 32 on success, SE_ERR_NOASSOC when nothing opened it
    void* lpIDList;
    LPCSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess; // never a process here: NULL
} SHELLEXECUTEINFO, *LPSHELLEXECUTEINFO;

#define SE_ERR_NOASSOC 31

// Opens lpFile with the desktop's handler (kel::OpenUrl). The verb must be NULL or "open"; other
// verbs, a missing file name or a wrong cbSize give FALSE.
BOOL ShellExecuteEx(LPSHELLEXECUTEINFO pExecInfo);
#define ShellExecuteExA ShellExecuteEx

// ShellExecuteEx with the fields given. Returns a value above 32 on success, SE_ERR_NOASSOC when
// nothing opened the file or the verb is not "open".
HINSTANCE ShellExecute(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                       INT nShowCmd);
#define ShellExecuteA ShellExecute
