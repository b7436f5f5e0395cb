// The CDC family and the GDI object classes over the drawing layer.
#include <gtest/gtest.h>

#include "afxwin.h"

namespace
{

TEST(CdcTest, MemoryDcDrawsThroughTheWrappersAndSelectObjectReturnsTheOldObjects)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(dc.m_hAttribDC, dc.m_hDC);
    EXPECT_EQ(CDC::FromHandle(dc.m_hDC), &dc) << "an attached DC is its own permanent object";
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(20, 20, 1, 32, nullptr));
    CBitmap* oldBitmap = dc.SelectObject(&bitmap);
    ASSERT_NE(oldBitmap, nullptr);
    BITMAP info{};
    EXPECT_EQ(oldBitmap->GetBitmap(&info), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(info.bmBitsPixel, 1) << "the memory DC's first bitmap";

    dc.FillSolidRect(0, 0, 20, 20, RGB(255, 255, 255));
    dc.SetBkColor(RGB(1, 2, 3));
    dc.FillSolidRect(CRect(2, 2, 6, 6), RGB(0, 128, 0));
    EXPECT_EQ(dc.GetBkColor(), RGB(1, 2, 3)) << "FillSolidRect leaves the background colour";
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(0, 128, 0));
    EXPECT_EQ(dc.GetPixel(6, 6), RGB(255, 255, 255));

    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* oldPen = dc.SelectObject(&red);
    ASSERT_NE(oldPen, nullptr);
    EXPECT_EQ(oldPen->m_hObject, GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.MoveTo(0, 10), CPoint(0, 0));
    dc.LineTo(10, 10);
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(10, 10));
    EXPECT_EQ(dc.GetPixel(9, 10), RGB(255, 0, 0));
    EXPECT_EQ(dc.SelectObject(oldPen), &red);

    dc.Draw3dRect(CRect(10, 0, 15, 5), RGB(0, 0, 255), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(10, 0), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(14, 4), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(14, 0), RGB(0, 0, 0)) << "the bottom-right colour owns the top-right corner";

    dc.SelectObject(oldBitmap);
    // The object deletes its DC with itself; the pen and bitmap go with theirs.
}

TEST(CdcTest, MappingWrappersConvertPointsRectsAndSizes)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    dc.SetMapMode(MM_LOMETRIC);
    CSize size(254, 254);
    dc.LPtoDP(&size);
    EXPECT_EQ(size, CSize(96, 96)) << "sizes keep their sign even though y points up";
    CRect r(0, 0, 254, -254);
    dc.LPtoDP(&r);
    EXPECT_EQ(r, CRect(0, 0, 96, 96));
    dc.DPtoLP(&size);
    EXPECT_EQ(size, CSize(254, 254));
    dc.SetMapMode(MM_ANISOTROPIC);
    EXPECT_EQ(dc.SetWindowExt(100, 100), CSize(254, 254)) << "the scaling modes keep the extents they had";
    dc.SetViewportExt(50, 50);
    dc.SetViewportOrg(10, 10);
    CPoint p(100, 100);
    dc.LPtoDP(&p);
    EXPECT_EQ(p, CPoint(60, 60));
}

TEST(CdcTest, FromHandleMakesTemporariesUntilDeleteTempMap)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    CDC* temp = CDC::FromHandle(hdc);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(CDC::FromHandle(hdc), temp);
    EXPECT_EQ(CDC::FromHandle(nullptr), nullptr);
    HGDIOBJ pen = GetStockObject(WHITE_PEN);
    CPen* tempPen = CPen::FromHandle(static_cast<HPEN>(pen));
    EXPECT_EQ(tempPen->m_hObject, pen);
    CGdiObject::DeleteTempMap();
    // The handles outlive their temporary objects.
    EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(GetObjectType(hdc), static_cast<DWORD>(OBJ_MEMDC));
    DeleteDC(hdc);
}

TEST(CdcTest, FontsMapPointSizesAndReportTheirLogFont)
{
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(100, "Arial"));
    LOGFONT lf{};
    ASSERT_EQ(font.GetLogFont(&lf), static_cast<int>(sizeof(LOGFONT)));
    EXPECT_EQ(lf.lfHeight, -13) << "10 points at 96 dpi";
    EXPECT_STREQ(lf.lfFaceName, "Arial");

    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CFont* old = dc.SelectObject(&font);
    CString face;
    dc.GetTextFace(face);
    EXPECT_EQ(face, CString("Liberation Sans"));
    TEXTMETRIC tm{};
    ASSERT_TRUE(dc.GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GT(dc.GetTextExtent(CString("WWW")).cx, dc.GetTextExtent("iii", 3).cx);
    dc.SelectObject(old);
    // Deleting the selected font defers; deselected it is gone with its object.
    HGDIOBJ h = font.m_hObject;
    EXPECT_TRUE(font.DeleteObject());
    EXPECT_EQ(GetObjectType(h), 0u);
}

TEST(CdcTest, RegionClassCombinesAndHitTests)
{
    CRgn a, b, both;
    ASSERT_TRUE(a.CreateRectRgn(0, 0, 10, 10));
    ASSERT_TRUE(b.CreateEllipticRgn(5, 5, 25, 25));
    ASSERT_TRUE(both.CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(both.CombineRgn(&a, &b, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(both.PtInRegion(2, 2));
    EXPECT_TRUE(both.PtInRegion(CPoint(15, 15)));
    EXPECT_FALSE(both.PtInRegion(24, 5));
    CRect box;
    both.GetRgnBox(&box);
    EXPECT_EQ(box, CRect(0, 0, 24, 24)) << "elliptic regions stop a pixel short of their box";
    EXPECT_FALSE(both.EqualRgn(&a));
    both.CopyRgn(&a);
    EXPECT_TRUE(both.EqualRgn(&a));
}

} // namespace
