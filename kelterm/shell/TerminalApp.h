// kelterm's application object.
#pragma once

#include <afxwin.h>

class CTerminalApp : public CWinApp
{
public:
    CTerminalApp();

    BOOL InitInstance() override;
    void OnAppAbout();

    DECLARE_MESSAGE_MAP()
};
