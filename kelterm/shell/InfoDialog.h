// The Info box: the serial line settings of the terminal.
#pragma once

#include <afxwin.h>

#include "res/resource.h"

class CInfoDialog : public CDialog
{
public:
    enum
    {
        IDD = IDD_INFO
    };
    explicit CInfoDialog(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}
};

// The About box.
class CAboutDlg : public CDialog
{
public:
    enum
    {
        IDD = IDD_ABOUTBOX
    };
    explicit CAboutDlg(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}
};
