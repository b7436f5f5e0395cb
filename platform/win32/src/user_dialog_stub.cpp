// Placeholders of the dialog manager until it exists: every call fails as for a missing template.
#include "user_internal.h"

namespace
{
INT_PTR NoDialog()
{
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
}
} // namespace

INT_PTR DialogBoxParam(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM)
{
    return NoDialog();
}
INT_PTR DialogBox(HINSTANCE, LPCSTR, HWND, DLGPROC)
{
    return NoDialog();
}
INT_PTR DialogBoxIndirectParam(HINSTANCE, LPCDLGTEMPLATE, HWND, DLGPROC, LPARAM)
{
    return NoDialog();
}
INT_PTR DialogBoxIndirect(HINSTANCE, LPCDLGTEMPLATE, HWND, DLGPROC)
{
    return NoDialog();
}
HWND CreateDialogParam(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM)
{
    NoDialog();
    return nullptr;
}
HWND CreateDialog(HINSTANCE, LPCSTR, HWND, DLGPROC)
{
    NoDialog();
    return nullptr;
}
HWND CreateDialogIndirectParam(HINSTANCE, LPCDLGTEMPLATE, HWND, DLGPROC, LPARAM)
{
    NoDialog();
    return nullptr;
}
HWND CreateDialogIndirect(HINSTANCE, LPCDLGTEMPLATE, HWND, DLGPROC)
{
    NoDialog();
    return nullptr;
}
BOOL EndDialog(HWND, INT_PTR)
{
    return FALSE;
}
BOOL IsDialogMessage(HWND, LPMSG)
{
    return FALSE;
}
LRESULT DefDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(hDlg, msg, wParam, lParam);
}
HWND GetDlgItem(HWND hDlg, int id)
{
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgCtrlID(c) == id)
            return c;
    return nullptr;
}
BOOL SetDlgItemText(HWND hDlg, int id, LPCSTR text)
{
    return SetWindowText(GetDlgItem(hDlg, id), text);
}
UINT GetDlgItemText(HWND hDlg, int id, LPSTR text, int max)
{
    return static_cast<UINT>(GetWindowText(GetDlgItem(hDlg, id), text, max));
}
BOOL SetDlgItemInt(HWND, int, UINT, BOOL)
{
    return FALSE;
}
UINT GetDlgItemInt(HWND, int, BOOL* ok, BOOL)
{
    if (ok)
        *ok = FALSE;
    return 0;
}
BOOL CheckDlgButton(HWND hDlg, int id, UINT check)
{
    return SendDlgItemMessage(hDlg, id, BM_SETCHECK, check, 0) == 0;
}
UINT IsDlgButtonChecked(HWND hDlg, int id)
{
    return static_cast<UINT>(SendDlgItemMessage(hDlg, id, BM_GETCHECK, 0, 0));
}
BOOL CheckRadioButton(HWND, int, int, int)
{
    return FALSE;
}
LRESULT SendDlgItemMessage(HWND hDlg, int id, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND c = GetDlgItem(hDlg, id);
    return c ? SendMessage(c, msg, wParam, lParam) : 0;
}
BOOL MapDialogRect(HWND, LPRECT)
{
    return FALSE;
}
LONG GetDialogBaseUnits()
{
    return MAKELONG(8, 16);
}
HWND GetNextDlgTabItem(HWND, HWND, BOOL)
{
    return nullptr;
}
HWND GetNextDlgGroupItem(HWND, HWND, BOOL)
{
    return nullptr;
}
