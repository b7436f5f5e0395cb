// The view of one instrument window: it hosts the document's display pages, takes the scans'
// values on the user-interface thread and hands them to the display they name.
#pragma once

#include <afxwin.h>

class CKelDoc;

class CKelView : public CView
{
    DECLARE_DYNCREATE(CKelView)
public:
    CKelView();
    ~CKelView() override;

    CKelDoc* GetDocument() const;

    void OnDraw(CDC* pDC) override;

    // ---- What the main frame and the window-activation manager call
    // The current scan's modeless parameter and schedule dialogs: shown or hidden, applied.
    void ShowParameterDialog(BOOL show);
    void ShowScheduleDialog(BOOL show);
    void OnParamsChanged();
    void OnScheduleChanged();
    void OnParamsApplied();
    // The scan's modeless dialogs draw their captions active or inactive with the frame's group.
    void NcActivateDialogs(BOOL active);
};
