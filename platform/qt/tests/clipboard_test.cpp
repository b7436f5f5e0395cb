// The clipboard: opening rules, ownership of handed-over handles, formats, text and bitmap round
// trips through the in-process clipboard, and the desktop clipboard's conversions (offscreen Qt).
#include "Clipboard.h"

#include "testkit/Clipboard.h"
#include "testkit/UiTest.h"
#include "win32/clipboard.h"
#include "win32/gdi.h"
#include "win32/memory.h"

#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace
{

HGLOBAL TextBlock(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    return block;
}

std::string TextOf(HANDLE block)
{
    const char* p = static_cast<const char*>(GlobalLock(block));
    std::string text = p ? std::string(p, strnlen(p, GlobalSize(block))) : std::string();
    GlobalUnlock(block);
    return text;
}

bool Freed(HGLOBAL block)
{
    return GlobalFlags(block) == GMEM_INVALID_HANDLE;
}

// A 3x2 bitmap with a distinct colour in each pixel.
constexpr COLORREF kPixels[2][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                    {RGB(10, 20, 30), RGB(255, 255, 255), RGB(0, 0, 0)}};

HBITMAP MakeBitmap()
{
    HDC screen = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(3, 2, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(screen, bitmap);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            SetPixel(screen, x, y, kPixels[y][x]);
    SelectObject(screen, old);
    DeleteDC(screen);
    return bitmap;
}

void ExpectPixels(HBITMAP bitmap)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    ASSERT_NE(old, nullptr);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(GetPixel(dc, x, y), kPixels[y][x]) << x << "," << y;
    SelectObject(dc, old);
    DeleteDC(dc);
}

class ClipboardTest : public kel::testkit::UiTest
{
protected:
    void TearDown() override
    {
        while (CloseClipboard())
        {
        }
        UiTest::TearDown();
    }
    HWND window_ = reinterpret_cast<HWND>(0x1234); // the owner is only recorded
};

class InProcess : public ClipboardTest
{
protected:
    kel::testkit::Clipboard clipboard_;
};

TEST_F(InProcess, TextRoundTripsAsCp1252)
{
    const std::string text = "Gr\xFC\xDF"
                             "e 5 \x80\r\nline 2"; // Grüße 5 €
    ASSERT_TRUE(OpenClipboard(window_));
    ASSERT_TRUE(EmptyClipboard());
    HGLOBAL block = TextBlock(text);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
    EXPECT_EQ(GetClipboardData(CF_TEXT), block) << "the owner reads back its own handle";
    EXPECT_EQ(clipboard_.Changes(), 0) << "published at close";
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(clipboard_.Text(), text) << "kept without the NUL";

    // Text another program put there arrives NUL-terminated in a block the clipboard owns.
    clipboard_.PutText("\xE4 1.5e-7\t2");
    ASSERT_TRUE(OpenClipboard(window_));
    HANDLE got = GetClipboardData(CF_TEXT);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(TextOf(got), "\xE4 1.5e-7\t2");
    EXPECT_EQ(GetClipboardData(CF_TEXT), got) << "asked twice, one handle";
    EXPECT_TRUE(Freed(block)) << "our data went when another program replaced it";
    EXPECT_EQ(GetClipboardOwner(), nullptr);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_TRUE(Freed(got)) << "handles read from others live until the clipboard closes";
}

TEST_F(InProcess, BitmapRoundTripsThroughADib)
{
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    HBITMAP bitmap = MakeBitmap();
    ASSERT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB)) << "each bitmap form makes the other available";
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    EXPECT_EQ(header->biWidth, 3);
    EXPECT_EQ(std::abs(header->biHeight), 2);
    GlobalUnlock(dib);
    CloseClipboard();
    const auto stored = clipboard_.Data(CF_DIB);
    ASSERT_TRUE(stored.has_value());
    EXPECT_FALSE(clipboard_.Data(CF_BITMAP).has_value()) << "bitmaps travel as DIBs";

    // The same DIB coming from another program becomes a bitmap with the same pixels.
    clipboard_.Put({kel::ClipboardItem{CF_DIB, *stored}});
    ASSERT_TRUE(OpenClipboard(window_));
    EXPECT_EQ(GetObjectType(bitmap), 0u) << "freed once replaced";
    HANDLE back = GetClipboardData(CF_BITMAP);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(GetObjectType(back), DWORD(OBJ_BITMAP));
    ExpectPixels(static_cast<HBITMAP>(back));
    CloseClipboard();
    EXPECT_EQ(GetObjectType(back), 0u);
}

TEST_F(InProcess, FormatsAreListedInOrderAndRegisteredByName)
{
    const UINT custom = RegisterClipboardFormat("Kel Data Set");
    EXPECT_GE(custom, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("kel data set"), custom) << "names compare without case";
    EXPECT_NE(RegisterClipboardFormat("Other"), custom);
    EXPECT_EQ(RegisterClipboardFormat(""), 0u);
    char name[8] = {};
    EXPECT_EQ(GetClipboardFormatName(custom, name, sizeof name), 7) << "cut to the buffer";
    EXPECT_STREQ(name, "Kel Dat");
    EXPECT_EQ(GetClipboardFormatName(CF_TEXT, name, sizeof name), 0);

    EXPECT_EQ(EnumClipboardFormats(0), 0u) << "needs the clipboard open";
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    EXPECT_EQ(CountClipboardFormats(), 0);
    SetClipboardData(CF_TEXT, TextBlock("x"));
    SetClipboardData(custom, TextBlock("raw"));
    EXPECT_EQ(EnumClipboardFormats(0), UINT(CF_TEXT));
    EXPECT_EQ(EnumClipboardFormats(CF_TEXT), custom);
    EXPECT_EQ(EnumClipboardFormats(custom), 0u);
    CloseClipboard();
    EXPECT_EQ(CountClipboardFormats(), 2);
    EXPECT_TRUE(IsClipboardFormatAvailable(custom));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(clipboard_.Data(custom), std::vector<uint8_t>({'r', 'a', 'w', 0}));
}

TEST_F(InProcess, DataHandedOverIsFreedByTheClipboard)
{
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    HGLOBAL first = TextBlock("first"), second = TextBlock("second");
    SetClipboardData(CF_TEXT, first);
    SetClipboardData(CF_TEXT, second);
    EXPECT_TRUE(Freed(first)) << "replaced by data of the same format";
    CloseClipboard();
    EXPECT_FALSE(Freed(second)) << "kept while it is on the clipboard";
    EXPECT_EQ(GetClipboardOwner(), window_);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GetClipboardData(CF_TEXT), second);
    EmptyClipboard();
    EXPECT_TRUE(Freed(second));
    EXPECT_EQ(GetClipboardOwner(), nullptr) << "emptied by a clipboard opened without a window";
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    CloseClipboard();
    EXPECT_EQ(clipboard_.Formats().size(), 0u) << "the emptied contents were published";
}

TEST_F(InProcess, CallsOutsideTheRulesFail)
{
    HGLOBAL block = TextBlock("x");
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_FALSE(CloseClipboard());

    ASSERT_TRUE(OpenClipboard(window_));
    EXPECT_EQ(GetOpenClipboardWindow(), window_);
    BOOL openedElsewhere = TRUE;
    std::thread([&] { openedElsewhere = OpenClipboard(nullptr); }).join();
    EXPECT_FALSE(openedElsewhere) << "one thread at a time";
    EmptyClipboard();
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr) << "delayed rendering is not offered";
    EXPECT_EQ(SetClipboardData(CF_BITMAP, block), nullptr) << "not a bitmap";
    EXPECT_EQ(SetClipboardData(CF_ENHMETAFILE, block), nullptr) << "not a metafile";
    EXPECT_FALSE(Freed(block)) << "a refused handle stays the caller's";
    CloseClipboard();
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    GlobalFree(block);
}

// The desktop clipboard (Qt's, offscreen here) behind the default backend.
class Desktop : public ClipboardTest
{
};

TEST_F(Desktop, TextTravelsAsUtf8WithUnixLineEnds)
{
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, TextBlock("\xFC \x80\r\n2"));
    CloseClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "\xC3\xBC \xE2\x82\xAC\n2");
    EXPECT_EQ(GetClipboardOwner(), window_);

    QGuiApplication::clipboard()->setText(QString::fromUtf8("\xE2\x82\xAC 3\nnext"));
    EXPECT_EQ(GetClipboardOwner(), nullptr) << "another program took the clipboard";
    ASSERT_TRUE(OpenClipboard(window_));
    EXPECT_EQ(TextOf(GetClipboardData(CF_TEXT)), "\x80 3\r\nnext");
    CloseClipboard();
}

TEST_F(Desktop, BitmapBecomesAnImage)
{
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, MakeBitmap());
    CloseClipboard();
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(2, 0) & 0xFFFFFF, 0x0000FFu);

    QImage other(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            other.setPixel(
                x, y, qRgb(GetRValue(kPixels[y][x]), GetGValue(kPixels[y][x]), GetBValue(kPixels[y][x])));
    QGuiApplication::clipboard()->setImage(other);
    ASSERT_TRUE(OpenClipboard(window_));
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    ExpectPixels(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)));
    CloseClipboard();
}

TEST_F(Desktop, MetafilePictureGoesOutAsItsBytesPlusAPicture)
{
    // Stand-in for the metafile side: a handle is a heap copy of the bytes.
    using Bytes = std::vector<uint8_t>;
    kel::qt::ClipboardFormatHandler handler;
    handler.toBytes = [](HANDLE h, Bytes& out)
    {
        out = *static_cast<Bytes*>(h);
        return true;
    };
    handler.fromBytes = [](const Bytes& in) -> HANDLE { return new Bytes(in); };
    handler.free = [](HANDLE h) { delete static_cast<Bytes*>(h); };
    kel::qt::SetClipboardFormatHandler(CF_ENHMETAFILE, handler);
    kel::qt::SetClipboardEmfRenderer(
        [](const Bytes&)
        {
            QImage picture(4, 4, QImage::Format_RGB32);
            picture.fill(Qt::red);
            return picture;
        });

    const Bytes emf = {1, 0, 0, 0, 'E', 'M', 'F'};
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    ASSERT_NE(SetClipboardData(CF_ENHMETAFILE, new Bytes(emf)), nullptr);
    CloseClipboard();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    const QByteArray data = mime->data(QString::fromLatin1(kel::qt::kEmfMimeType));
    EXPECT_EQ(Bytes(data.begin(), data.end()), emf);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(4, 4))
        << "the rendering for other programs";

    // Read back as another program would hand it over.
    auto* copy = new QMimeData;
    copy->setData(QString::fromLatin1(kel::qt::kEmfMimeType), data);
    QGuiApplication::clipboard()->setMimeData(copy);
    ASSERT_TRUE(OpenClipboard(window_));
    HANDLE back = GetClipboardData(CF_ENHMETAFILE);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*static_cast<Bytes*>(back), emf);
    CloseClipboard();

    kel::qt::SetClipboardFormatHandler(CF_ENHMETAFILE, {});
    kel::qt::SetClipboardEmfRenderer(nullptr);
}

TEST_F(Desktop, WindowsMetafilePictureTravelsUnderItsOwnType)
{
    HDC recording = CreateMetaFile(nullptr);
    SetWindowExtEx(recording, 100, 100, nullptr);
    PatBlt(recording, 0, 0, 100, 100, BLACKNESS);
    HMETAFILE wmf = CloseMetaFile(recording);
    ASSERT_NE(wmf, nullptr);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(METAFILEPICT));
    *static_cast<METAFILEPICT*>(GlobalLock(block)) = METAFILEPICT{MM_ANISOTROPIC, 2540, 1270, wmf};
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    ASSERT_EQ(SetClipboardData(CF_METAFILEPICT, block), block);
    CloseClipboard();

    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    const QByteArray data = mime->data(QString::fromLatin1(kel::qt::kWmfPictureMimeType));
    ASSERT_GT(data.size(), 12);
    const QImage picture = QGuiApplication::clipboard()->image();
    EXPECT_EQ(picture.size(), QSize(96, 48)) << "2.54 x 1.27 cm at 96 dpi";
    EXPECT_EQ(picture.pixel(48, 24) & 0xFFFFFF, 0u) << "played, not blank";

    // Another program's copy of it reads back as a picture with a metafile.
    auto* copy = new QMimeData;
    copy->setData(QString::fromLatin1(kel::qt::kWmfPictureMimeType), data);
    QGuiApplication::clipboard()->setMimeData(copy);
    ASSERT_TRUE(OpenClipboard(window_));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_METAFILEPICT));
    HANDLE back = GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(back, nullptr);
    const METAFILEPICT fields = *static_cast<const METAFILEPICT*>(GlobalLock(back));
    GlobalUnlock(back);
    EXPECT_EQ(fields.xExt, 2540);
    EXPECT_GT(GetMetaFileBitsEx(fields.hMF, 0, nullptr), 0u);
    CloseClipboard();
}

} // namespace
