#include "view/KelView.h"

#include "doc/KelDoc.h"

IMPLEMENT_DYNCREATE(CKelView, CView)

CKelView::CKelView() = default;

CKelView::~CKelView() = default;

CKelDoc* CKelView::GetDocument() const
{
    return static_cast<CKelDoc*>(CView::GetDocument());
}

void CKelView::OnDraw(CDC* /*pDC*/)
{
    // The display pages are child windows that paint themselves.
}

// ---- What the main frame and the window-activation manager call: nothing to do until the view
// hosts a scan's dialogs.
void CKelView::ShowParameterDialog(BOOL /*show*/) {}

void CKelView::ShowScheduleDialog(BOOL /*show*/) {}

void CKelView::OnParamsChanged() {}

void CKelView::OnScheduleChanged() {}

void CKelView::OnParamsApplied() {}

void CKelView::NcActivateDialogs(BOOL /*active*/) {}
