// The frame of one instrument window inside the main frame: it holds the document's view and
// keeps its caption active while the focus is in one of the program's own dialogs; the window
// activation manager greys it when another instrument window's group becomes active.
#pragma once

#include <afxwin.h>

class CKelCMDIChildWnd : public CMDIChildWnd
{
    DECLARE_DYNCREATE(CKelCMDIChildWnd)
public:
    CKelCMDIChildWnd();

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
