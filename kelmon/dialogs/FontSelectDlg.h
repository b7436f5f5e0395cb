// "Font": a plain font dialog template kept with the program's resources; nothing opens it.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CFontSelectDlg : public CDialog
{
    DECLARE_DYNAMIC(CFontSelectDlg)
public:
    enum
    {
        IDD = IDD_FONT_SELECT
    };

    explicit CFontSelectDlg(CWnd* pParent = nullptr);
};
