// The framework's module state: which module resources come from (the resource handle) and which
// module is the program (the instance handle), plus the framework's message boxes.
#pragma once

#include "win32/types.h"
#include "win32/styles.h"

// Module that resource lookups use first; the main module until set.
HINSTANCE AfxGetResourceHandle();
// Makes `hInstResource` the module resource lookups use first (NULL: back to the main module).
void AfxSetResourceHandle(HINSTANCE hInstResource);
// The program's own module; the main module until set.
HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE hInstance);
// The module that holds resource `lpszName` of type `lpszType`: the resource handle if it has it,
// else the instance handle if that has it, else the resource handle.
HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);

// Message box captioned with the application title (string AFX_IDS_APP_TITLE, else the module
// name). Without an icon in nType, OK/OK-Cancel boxes get the exclamation icon and Yes/No boxes
// the question icon. Returns the chosen button's IDxxx.
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same with the text loaded from string nIDPrompt (help id: nIDPrompt unless given).
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
