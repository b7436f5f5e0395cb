// The frame's client window: an empty child that only validates what it is asked to paint; the
// two panes sit beside it. Commands are offered to it before the frame.
#pragma once

#include <afxwin.h>

class CClientWnd : public CWnd
{
public:
    BOOL Create(CWnd* pParent, UINT nID);

protected:
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};
