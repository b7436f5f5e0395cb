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
