// Pictures in controls: image lists keep and draw real pixels (masks honoured), icons decode from
// their .ico bytes, and image buttons and icon statics show their pictures.
#include "control_fixture.h"

#include "QtDriver.h"

#include "mfc/ImageList.h"
#include "testkit/Image.h"
#include "win32/imagelist.h"
#include "win32/rcdata.h"

#include <cstring>

namespace kel::qt::controls::test
{
namespace
{

void Put16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    Put16(v, static_cast<uint16_t>(x));
    Put16(v, static_cast<uint16_t>(x >> 16));
}

// A one-entry .ico (type 1) or .cur (type 2) file, size x size, in `colour`, at `bpp` (24 or 32).
// The top-left quarter is see-through: alpha 0 at 32 bits, the AND mask at 24 bits.
std::vector<uint8_t> IconFile(int size, int bpp, COLORREF colour, uint16_t type = 1, int hotX = 0,
                              int hotY = 0)
{
    const int xorStride = (size * bpp + 31) / 32 * 4, andStride = (size + 31) / 32 * 4;
    std::vector<uint8_t> dib;
    Put32(dib, 40);
    Put32(dib, static_cast<uint32_t>(size));
    Put32(dib, static_cast<uint32_t>(size * 2));
    Put16(dib, 1);
    Put16(dib, static_cast<uint16_t>(bpp));
    for (int i = 0; i < 6; ++i)
        Put32(dib, 0);
    for (int row = 0; row < size; ++row) // bottom-up
    {
        const int y = size - 1 - row;
        std::vector<uint8_t> line(static_cast<size_t>(xorStride), 0);
        for (int x = 0; x < size; ++x)
        {
            uint8_t* p = line.data() + x * (bpp / 8);
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
            if (bpp == 32)
                p[3] = (x < size / 2 && y < size / 2) ? 0 : 255;
        }
        dib.insert(dib.end(), line.begin(), line.end());
    }
    for (int row = 0; row < size; ++row)
    {
        const int y = size - 1 - row;
        std::vector<uint8_t> line(static_cast<size_t>(andStride), 0);
        for (int x = 0; x < size / 2 && bpp != 32; ++x)
            if (y < size / 2)
                line[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        dib.insert(dib.end(), line.begin(), line.end());
    }
    std::vector<uint8_t> file;
    Put16(file, 0);
    Put16(file, type);
    Put16(file, 1);
    file.push_back(static_cast<uint8_t>(size));
    file.push_back(static_cast<uint8_t>(size));
    file.push_back(0);
    file.push_back(0);
    Put16(file, static_cast<uint16_t>(type == 2 ? hotX : 1));
    Put16(file, static_cast<uint16_t>(type == 2 ? hotY : bpp));
    Put32(file, static_cast<uint32_t>(dib.size()));
    Put32(file, 22);
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

// An icon handle as the resource loader gives it: the entry holding the file's bytes.
struct IconResource
{
    explicit IconResource(std::vector<uint8_t> b) : bytes(std::move(b))
    {
        entry = kel::rc::Binary{{nullptr, 14}, {nullptr, 1}, bytes.data(), bytes.size()};
    }
    HICON Handle() { return reinterpret_cast<HICON>(&entry); }
    std::vector<uint8_t> bytes;
    kel::rc::Binary entry{};
};

// A memory DC with a bitmap of the size, filled with `fill`.
struct MemoryDc
{
    MemoryDc(int cx, int cy, COLORREF fill)
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, cx, cy);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        RECT r{0, 0, cx, cy};
        HBRUSH b = CreateSolidBrush(fill);
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    ~MemoryDc()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT r{left, top, right, bottom};
    HBRUSH b = CreateSolidBrush(colour);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

constexpr COLORREF kRed = RGB(200, 0, 0), kBlue = RGB(0, 0, 200), kMagenta = RGB(255, 0, 255),
                   kWhite = RGB(255, 255, 255), kGreen = RGB(0, 160, 0);

TEST(ImageListPixelsTest, MaskedStripSplitsAndDrawsTransparently)
{
    // A 32x16 strip: image 0 red with a magenta 4x4 hole at (4,4), image 1 blue.
    MemoryDc strip(32, 16, kRed);
    Fill(strip.dc, 4, 4, 8, 8, kMagenta);
    Fill(strip.dc, 16, 0, 32, 16, kBlue);
    SelectObject(strip.dc, strip.old); // a bitmap goes into the list unselected, as callers do
    strip.old = SelectObject(strip.dc, GetStockObject(BLACK_BRUSH));

    HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 2);
    ASSERT_NE(il, nullptr);
    EXPECT_EQ(ImageList_AddMasked(il, strip.bitmap, kMagenta), 0);
    EXPECT_EQ(ImageList_GetImageCount(il), 2);

    MemoryDc target(40, 20, kWhite);
    EXPECT_TRUE(ImageList_Draw(il, 0, target.dc, 2, 2, ILD_TRANSPARENT));
    EXPECT_TRUE(ImageList_Draw(il, 1, target.dc, 20, 2, ILD_NORMAL));
    EXPECT_EQ(GetPixel(target.dc, 2, 2), kRed);
    EXPECT_EQ(GetPixel(target.dc, 17, 17), kRed);
    EXPECT_EQ(GetPixel(target.dc, 7, 7), kWhite); // the masked hole shows what was under it
    EXPECT_EQ(GetPixel(target.dc, 1, 1), kWhite);
    EXPECT_EQ(GetPixel(target.dc, 20, 2), kBlue);
    EXPECT_EQ(GetPixel(target.dc, 35, 17), kBlue);
    EXPECT_EQ(GetPixel(target.dc, 36, 18), kWhite);

    // A separate mask bitmap: white marks see-through pixels.
    MemoryDc mask(16, 16, RGB(0, 0, 0));
    Fill(mask.dc, 0, 0, 8, 16, kWhite);
    SelectObject(mask.dc, mask.old);
    mask.old = SelectObject(mask.dc, GetStockObject(BLACK_BRUSH));
    MemoryDc green(16, 16, kGreen);
    SelectObject(green.dc, green.old);
    green.old = SelectObject(green.dc, GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(ImageList_Add(il, green.bitmap, mask.bitmap), 2);
    MemoryDc t2(16, 16, kWhite);
    EXPECT_TRUE(ImageList_Draw(il, 2, t2.dc, 0, 0, ILD_TRANSPARENT));
    EXPECT_EQ(GetPixel(t2.dc, 3, 8), kWhite);
    EXPECT_EQ(GetPixel(t2.dc, 12, 8), kGreen);
    ImageList_Destroy(il);
}

TEST(ImageListPixelsTest, IconsDecodeWithAlphaOrAndMask)
{
    for (int bpp : {32, 24})
    {
        SCOPED_TRACE(bpp);
        IconResource icon(IconFile(16, bpp, kRed));
        HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
        EXPECT_EQ(ImageList_ReplaceIcon(il, -1, icon.Handle()), 0);
        MemoryDc target(16, 16, kWhite);
        EXPECT_TRUE(ImageList_Draw(il, 0, target.dc, 0, 0, ILD_TRANSPARENT));
        EXPECT_EQ(GetPixel(target.dc, 2, 2), kWhite); // see-through quarter
        EXPECT_EQ(GetPixel(target.dc, 12, 2), kRed);
        EXPECT_EQ(GetPixel(target.dc, 2, 12), kRed);
        // DrawIcon reads the same bytes.
        MemoryDc big(40, 40, kWhite);
        EXPECT_TRUE(DrawIconEx(big.dc, 0, 0, icon.Handle(), 16, 16, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(GetPixel(big.dc, 12, 12), kRed);
        ImageList_Destroy(il);
    }
    // Truncated bytes and standard (placeholder) icons decode to nothing rather than crashing.
    std::vector<uint8_t> cut = IconFile(16, 32, kRed);
    cut.resize(60);
    IconResource broken(cut);
    MemoryDc target(40, 40, kWhite);
    EXPECT_FALSE(DrawIcon(target.dc, 0, 0, broken.Handle()));
    EXPECT_FALSE(DrawIcon(target.dc, 0, 0, LoadIcon(nullptr, IDI_APPLICATION)));
    EXPECT_EQ(GetPixel(target.dc, 5, 5), kWhite);
}

using ControlImageTest = ControlTest;

TEST_F(ControlImageTest, ImageButtonAndIconStaticShowTheirPictures)
{
    MemoryDc picture(20, 20, kBlue);
    SelectObject(picture.dc, picture.old);
    picture.old = SelectObject(picture.dc, GetStockObject(BLACK_BRUSH));
    HWND button = Make("BUTTON", "", BS_PUSHBUTTON | BS_BITMAP, 10, 10, 60, 40, 1);
    EXPECT_EQ(SendMessage(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.bitmap)), 0);
    EXPECT_EQ(SendMessage(button, BM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(picture.bitmap));

    IconResource icon(IconFile(32, 32, kGreen));
    HWND still = Make("STATIC", "", SS_ICON, 100, 10, 40, 40, 2);
    SendMessage(still, STM_SETICON, reinterpret_cast<WPARAM>(icon.Handle()), 0);
    IconResource icon24(IconFile(32, 24, kRed));
    HWND bitmapButton = Make("BUTTON", "", BS_PUSHBUTTON | BS_ICON, 160, 10, 60, 50, 3);
    SendMessage(bitmapButton, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon24.Handle()));
    Pump(20);

    const kel::testkit::Image shot = kel::testkit::CaptureWindow(parent);
    ASSERT_FALSE(shot.Empty());
    EXPECT_GT(shot.CountColor(kBlue, 10, 10, 70, 50), 20 * 20 / 2);
    // 3/4 of the icon is opaque green; the see-through quarter shows the dialog.
    EXPECT_GT(shot.CountColor(kGreen, 100, 10, 140, 50), 32 * 32 * 3 / 4 - 40);
    EXPECT_LT(shot.CountColor(kGreen, 100, 10, 140, 50), 32 * 32 * 3 / 4 + 1);
    EXPECT_GT(shot.CountColor(kRed, 160, 10, 220, 60), 32 * 32 / 2);
}

} // namespace
} // namespace kel::qt::controls::test

namespace kel::qt::controls::test
{
namespace
{

TEST_F(ControlImageTest, CursorFromResourceShowsItsPictureAndHotSpot)
{
    auto& driver = static_cast<kel::qt::QtDriver&>(kel::ui::GetDriver());
    IconResource cursor(IconFile(32, 32, kBlue, 2, 5, 9));
    SetCursor(cursor.Handle());
    EXPECT_EQ(driver.CurrentCursorShape(), Qt::BitmapCursor);
    EXPECT_EQ(driver.CurrentCursor().hotSpot(), QPoint(5, 9));
    const QImage picture = driver.CurrentCursor().pixmap().toImage();
    ASSERT_EQ(picture.size(), QSize(32, 32));
    EXPECT_EQ(picture.pixelColor(20, 20), QColor(0, 0, 200));
    EXPECT_EQ(picture.pixelColor(2, 2).alpha(), 0);
    // A standard cursor goes back to its shape.
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EXPECT_EQ(driver.CurrentCursorShape(), Qt::ArrowCursor);
}

} // namespace
} // namespace kel::qt::controls::test

namespace kel::qt::controls::test
{
namespace
{

// The row of a report list view with a small image list, through the C API's list and through
// CImageList's (the class library's lists must be the ones the list view reads). Rows grow to the
// images' height.
TEST_F(ControlImageTest, ListViewRowsShowTheirImages)
{
    IconResource icon(IconFile(16, 32, kRed));
    IconResource big(IconFile(32, 32, kRed));
    CImageList wrapped;
    ASSERT_TRUE(wrapped.Create(32, 32, ILC_COLOR16 | ILC_MASK, 2, 0));
    ASSERT_EQ(wrapped.Add(big.Handle()), 0);
    HIMAGELIST plain = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    ASSERT_EQ(ImageList_ReplaceIcon(plain, -1, icon.Handle()), 0);
    for (HIMAGELIST il : {plain, wrapped.GetSafeHandle()})
    {
        SCOPED_TRACE(il == plain ? "ImageList_Create" : "CImageList");
        int cx = 0, cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(il, &cx, &cy));
        HWND lv = Make(WC_LISTVIEW, "", LVS_REPORT | WS_BORDER, 10, 10, 200, 100, 5);
        SendMessage(lv, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(il));
        LVCOLUMN col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 150;
        col.pszText = const_cast<char*>("Gas");
        SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col));
        LVITEM item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.pszText = const_cast<char*>("N2");
        item.iImage = 0;
        SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
        Pump(20);
        const kel::testkit::Image shot = kel::testkit::CaptureWindow(parent);
        ASSERT_FALSE(shot.Empty());
        // The opaque three quarters of the image, within the list's area, on a row that holds it.
        EXPECT_EQ(shot.CountColor(kRed, 10, 10, 210, 110), cx * cy * 3 / 4);
        RECT row{LVIR_BOUNDS, 0, 0, 0};
        ASSERT_TRUE(SendMessage(lv, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
        EXPECT_GE(row.bottom - row.top, cy);
        DestroyWindow(lv);
    }
    ImageList_Destroy(plain);
}

} // namespace
} // namespace kel::qt::controls::test
