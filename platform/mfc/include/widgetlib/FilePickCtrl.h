// A file and folder picker: a start path, a title, OK or Cancel, and the chosen path of at most
// MAX_PATH - 1 characters. Shown through the prompt service (a folder or file-open dialog), so
// tests answer it with ScriptedPrompts.
#pragma once

#include <windows.h>

#include <string>

class CFilePickCtrl
{
public:
    CFilePickCtrl() = default;

    // TRUE: only folders can be picked (the default is files).
    void SetDirOnly(BOOL bDirOnly) { m_bDirOnly = bDirOnly; }
    // Where the picker starts (a folder, or a file for a file picker). NULL clears it.
    void SetStartPath(LPCTSTR lpszPath) { m_startPath = lpszPath ? lpszPath : ""; }
    // The window the picker is modal to (NULL: the active window).
    void SetOwner(HWND hOwner) { m_hOwner = hOwner; }

    // Shows the picker with lpszTitle. Returns 1 (IDOK) when a path was chosen, else 0. A chosen
    // path of MAX_PATH characters or more is refused with a message and counts as a cancel.
    int DoModal(LPCTSTR lpszTitle);

    // Copies the chosen path into lpszBuffer, which holds nBufferSize characters (MAX_PATH by
    // default) including the terminating NUL. FALSE, with an empty buffer, when nothing was chosen
    // or the path does not fit.
    BOOL GetSelectedItem(LPTSTR lpszBuffer, int nBufferSize = MAX_PATH) const;

private:
    BOOL m_bDirOnly = FALSE;
    std::string m_startPath;
    HWND m_hOwner = nullptr;
    std::string m_selected;
};
