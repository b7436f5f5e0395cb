// The shell. Files dropped on windows: DragAcceptFiles marks a window (WS_EX_ACCEPTFILES), a drop
// posts it WM_DROPFILES with an HDROP that the receiver reads with DragQueryFile/DragQueryPoint and
// frees with DragFinish. Documents and addresses open with the desktop's handler (xdg-open); see
// also shellapi.h and htmlhelp.h.
#pragma once

#include "win32/types.h"

#include <functional>
#include <string>
#include <vector>

// Lets the window (and the windows inside it that do not take drops themselves) receive dropped
// files, or stops it.
void DragAcceptFiles(HWND hWnd, BOOL fAccept);

// iFile 0xFFFFFFFF: the number of files. lpszFile NULL: the length of file iFile's name without the
// terminating NUL. Otherwise copies at most cch-1 characters and a NUL and returns the characters
// copied. 0 for a bad handle or index.
UINT DragQueryFile(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);
#define DragQueryFileA DragQueryFile

// Where the files were dropped, in the receiving window's client coordinates. TRUE when the point
// lies in the client area, FALSE outside it or for a bad handle.
BOOL DragQueryPoint(HDROP hDrop, LPPOINT lppt);

// Frees the handle; the handle is invalid afterwards.
void DragFinish(HDROP hDrop);

namespace kel
{

// Opens a web address or file (cp1252) with the desktop's handler. TRUE when the handler was
// started; FALSE for NULL or "".
BOOL OpenUrl(const char* url);
// Replaces what OpenUrl does (tests record the address instead of starting a handler); an empty
// function restores the desktop's handler. Returns the previous opener.
using UrlOpener = std::function<BOOL(const std::string& url)>;
UrlOpener SetUrlOpener(UrlOpener opener);

} // namespace kel

namespace kel::ui
{

// For backends: files (cp1252 paths) dropped at clientPt in hwnd's client coordinates. The nearest
// window from hwnd up its parents that accepts files gets WM_DROPFILES (posted), the point in its
// own client coordinates. False when no window there accepts files or there are no files.
bool DropFiles(HWND hwnd, POINT clientPt, const std::vector<std::string>& files);

// The window that would receive files dropped on hwnd, NULL when none accepts them.
HWND DropTarget(HWND hwnd);

} // namespace kel::ui
