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
};
