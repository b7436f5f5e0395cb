// The clipboard: Windows' open/empty/set/get rules and handle ownership over a backend that keeps
// the shared contents as bytes; the Qt backend puts them on the desktop's clipboard.
#include <QtCore/QBuffer>
#include <QtCore/QMimeData>
#include <QtCore/QPointer>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>

#include "Clipboard.h"
#include "QtGdi.h"

#include "win32/codepage.h"
#include "win32/kernel.h"
#include "win32/memory.h"
#include "win32/uidriver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <strings.h>

namespace kel::qt
{

namespace
{

constexpr UINT kFirstRegistered = 0xC000;
constexpr UINT kLastRegistered = 0xFFFF;
constexpr size_t kBmpFileHeader = 14;

// ---- Handles <-> bytes

// A little-endian 32-bit field of the clipboard's bytes.
int32_t I32(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

std::mutex& HandlerMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<UINT, ClipboardFormatHandler>& Handlers()
{
    static std::map<UINT, ClipboardFormatHandler> handlers;
    return handlers;
}

// Formats whose data are handles of their own kind rather than global blocks.
bool NeedsHandler(UINT format)
{
    return format == CF_METAFILEPICT || format == CF_ENHMETAFILE || format == CF_PALETTE;
}

bool IsText(UINT format)
{
    return format == CF_TEXT || format == CF_OEMTEXT;
}

// What the shared clipboard keeps a format under: bitmaps travel as DIBs.
UINT StoredFormat(UINT format)
{
    return format == CF_BITMAP ? CF_DIB : format;
}

bool GlobalBytes(HGLOBAL block, std::vector<uint8_t>& bytes)
{
    const SIZE_T size = GlobalSize(block);
    const auto* p = static_cast<const uint8_t*>(GlobalLock(block));
    if (!p)
        return false;
    bytes.assign(p, p + size);
    GlobalUnlock(block);
    return true;
}

HGLOBAL GlobalOf(const uint8_t* data, size_t size, size_t extraZeros = 0)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + extraZeros);
    if (auto* p = static_cast<uint8_t*>(GlobalLock(block)))
    {
        if (size)
            std::memcpy(p, data, size);
        GlobalUnlock(block);
    }
    return block;
}

// Enhanced metafiles: the handle's bytes as they are.
ClipboardFormatHandler EmfHandler()
{
    ClipboardFormatHandler h;
    h.toBytes = [](HANDLE handle, std::vector<uint8_t>& bytes)
    {
        const auto emf = kel::gdi::EnhMetaFileBytes(static_cast<HENHMETAFILE>(handle));
        if (emf)
            bytes = *emf;
        return emf != nullptr;
    };
    h.fromBytes = [](const std::vector<uint8_t>& bytes) -> HANDLE
    { return kel::gdi::EnhMetaFileFromBytes(bytes); };
    h.free = [](HANDLE handle) { DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle)); };
    h.valid = [](HANDLE handle)
    { return kel::gdi::EnhMetaFileBytes(static_cast<HENHMETAFILE>(handle)) != nullptr; };
    return h;
}

// Windows metafile pictures: the METAFILEPICT fields, then the metafile's bytes.
constexpr size_t kPictureFields = 12;

bool ReadPicture(HGLOBAL block, METAFILEPICT& picture)
{
    if (GlobalFlags(block) == GMEM_INVALID_HANDLE || GlobalSize(block) < sizeof(METAFILEPICT))
        return false;
    const void* p = GlobalLock(block);
    if (!p)
        return false;
    std::memcpy(&picture, p, sizeof picture);
    GlobalUnlock(block);
    return GetMetaFileBitsEx(picture.hMF, 0, nullptr) > 0;
}

ClipboardFormatHandler WmfPictureHandler()
{
    ClipboardFormatHandler h;
    h.toBytes = [](HANDLE handle, std::vector<uint8_t>& bytes)
    {
        METAFILEPICT picture{};
        if (!ReadPicture(handle, picture))
            return false;
        bytes.assign(kPictureFields, 0);
        for (int i = 0; i < 4; ++i)
        {
            bytes[i] = static_cast<uint8_t>(static_cast<uint32_t>(picture.mm) >> (8 * i));
            bytes[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(picture.xExt) >> (8 * i));
            bytes[8 + i] = static_cast<uint8_t>(static_cast<uint32_t>(picture.yExt) >> (8 * i));
        }
        const UINT size = GetMetaFileBitsEx(picture.hMF, 0, nullptr);
        bytes.resize(kPictureFields + size);
        return GetMetaFileBitsEx(picture.hMF, size, bytes.data() + kPictureFields) == size;
    };
    h.fromBytes = [](const std::vector<uint8_t>& bytes) -> HANDLE
    {
        if (bytes.size() <= kPictureFields)
            return nullptr;
        HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(bytes.size() - kPictureFields),
                                               bytes.data() + kPictureFields);
        if (!metafile)
            return nullptr;
        const METAFILEPICT picture{I32(bytes.data()), I32(bytes.data() + 4), I32(bytes.data() + 8), metafile};
        HGLOBAL block = GlobalOf(reinterpret_cast<const uint8_t*>(&picture), sizeof picture);
        if (!block)
            DeleteMetaFile(metafile);
        return block;
    };
    h.free = [](HANDLE handle)
    {
        METAFILEPICT picture{};
        if (ReadPicture(handle, picture))
            DeleteMetaFile(picture.hMF);
        GlobalFree(handle);
    };
    h.valid = [](HANDLE handle)
    {
        METAFILEPICT picture{};
        return ReadPicture(handle, picture);
    };
    return h;
}

bool HandlerFor(UINT format, ClipboardFormatHandler& out)
{
    {
        std::lock_guard lock(HandlerMutex());
        auto it = Handlers().find(format);
        if (it != Handlers().end())
        {
            out = it->second;
            return true;
        }
    }
    if (format == CF_ENHMETAFILE)
    {
        out = EmfHandler();
        return true;
    }
    if (format == CF_METAFILEPICT)
    {
        out = WmfPictureHandler();
        return true;
    }
    return false;
}

// The bytes a handle of `format` stands for; false for a handle that is not one.
bool ToBytes(UINT format, HANDLE handle, std::vector<uint8_t>& bytes)
{
    ClipboardFormatHandler handler;
    if (HandlerFor(format, handler))
        return handler.toBytes && handler.toBytes(handle, bytes);
    if (format == CF_BITMAP)
    {
        const QImage image = ImageOfBitmap(static_cast<HBITMAP>(handle));
        bytes = DibFromImage(image);
        return !image.isNull();
    }
    if (!GlobalBytes(handle, bytes))
        return false;
    if (IsText(format))
        bytes.erase(std::find(bytes.begin(), bytes.end(), uint8_t(0)), bytes.end());
    return true;
}

// A new handle of `format` holding `bytes`; NULL when they do not make one.
HANDLE FromBytes(UINT format, const std::vector<uint8_t>& bytes)
{
    ClipboardFormatHandler handler;
    if (HandlerFor(format, handler))
        return handler.fromBytes ? handler.fromBytes(bytes) : nullptr;
    if (NeedsHandler(format))
        return nullptr;
    if (format == CF_BITMAP)
    {
        const QImage image = ImageFromDib(bytes);
        return image.isNull() ? nullptr : BitmapFromImage(image);
    }
    return GlobalOf(bytes.data(), bytes.size(), IsText(format) ? 1 : 0);
}

void FreeHandle(UINT format, HANDLE handle)
{
    ClipboardFormatHandler handler;
    if (HandlerFor(format, handler))
    {
        if (handler.free)
            handler.free(handle);
    }
    else if (format == CF_BITMAP)
        DeleteObject(handle);
    else
        GlobalFree(handle);
}

bool ValidHandle(UINT format, HANDLE handle)
{
    if (format == CF_BITMAP)
        return GetObjectType(handle) == OBJ_BITMAP;
    if (NeedsHandler(format))
    {
        ClipboardFormatHandler handler;
        return HandlerFor(format, handler) && (!handler.valid || handler.valid(handle));
    }
    return GlobalFlags(handle) != GMEM_INVALID_HANDLE;
}

// ---- Backends

// The contents kept in this process (no window system, or before it starts).
class MemoryBackend : public IClipboardBackend
{
public:
    void Publish(const std::vector<ClipboardItem>& items) override
    {
        std::lock_guard lock(mutex_);
        items_ = items;
    }
    std::vector<UINT> Formats() override
    {
        std::lock_guard lock(mutex_);
        std::vector<UINT> formats;
        for (const ClipboardItem& item : items_)
            formats.push_back(item.format);
        return formats;
    }
    bool Read(UINT format, std::vector<uint8_t>& bytes) override
    {
        std::lock_guard lock(mutex_);
        for (const ClipboardItem& item : items_)
            if (item.format == format)
            {
                bytes = item.bytes;
                return true;
            }
        return false;
    }
    bool HoldsOurs() override { return true; }

private:
    std::mutex mutex_;
    std::vector<ClipboardItem> items_;
};

std::mutex& RendererMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<QImage(const std::vector<uint8_t>&)>& EmfRenderer()
{
    static std::function<QImage(const std::vector<uint8_t>&)> renderer;
    return renderer;
}

QByteArray ByteArrayOf(const std::vector<uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// The registered format of the picture that goes along with a metafile.
UINT PictureFormat()
{
    static const UINT format = RegisterClipboardFormat(kPictureFormatName);
    return format;
}

// A Windows metafile picture played into a white image. Its size comes from the extents: a
// suggested size in 0.01 mm for the scaling modes, the mode's own units otherwise; 96 dpi.
QImage RenderWmfPicture(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() <= kPictureFields)
        return QImage();
    const int mm = I32(bytes.data());
    const double xExt = std::fabs(double(I32(bytes.data() + 4)));
    const double yExt = std::fabs(double(I32(bytes.data() + 8)));
    double perPixel = 1; // extent units per pixel
    switch (mm)
    {
    case MM_LOMETRIC:
        perPixel = 254.0 / 96;
        break;
    case MM_HIMETRIC:
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        perPixel = 2540.0 / 96;
        break;
    case MM_LOENGLISH:
        perPixel = 100.0 / 96;
        break;
    case MM_HIENGLISH:
        perPixel = 1000.0 / 96;
        break;
    case MM_TWIPS:
        perPixel = 1440.0 / 96;
        break;
    default:
        break;
    }
    auto pixels = [&](double ext, int fallback)
    { return ext > 0 ? static_cast<int>(std::lround(std::clamp(ext / perPixel, 1.0, 4096.0))) : fallback; };
    const int width = pixels(xExt, 640), height = pixels(yExt, 480);
    HMETAFILE metafile =
        SetMetaFileBitsEx(static_cast<UINT>(bytes.size() - kPictureFields), bytes.data() + kPictureFields);
    if (!metafile)
        return QImage();
    QImage image;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(width, height, 1, 32, nullptr);
    if (dc && bitmap)
    {
        HGDIOBJ old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, width, height, WHITENESS);
        // The scaling modes stretch the metafile's window onto the picture; the others draw in
        // their own units.
        SetMapMode(dc, mm >= MM_TEXT && mm <= MM_ANISOTROPIC ? mm : MM_ANISOTROPIC);
        if (mm == MM_ISOTROPIC || mm == MM_ANISOTROPIC)
        {
            SetWindowExtEx(dc, width, height, nullptr);
            SetViewportExtEx(dc, width, height, nullptr);
        }
        PlayMetaFile(dc, metafile);
        SetMapMode(dc, MM_TEXT);
        SelectObject(dc, old);
        image = ImageOfBitmap(bitmap);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (dc)
        DeleteDC(dc);
    DeleteMetaFile(metafile);
    return image;
}

// The picture of a metafile item for programs that read only images; null when there is none.
QImage PictureOf(const ClipboardItem& item)
{
    if (item.format == CF_METAFILEPICT)
        return RenderWmfPicture(item.bytes);
    if (item.format == CF_ENHMETAFILE)
    {
        std::function<QImage(const std::vector<uint8_t>&)> renderer;
        {
            std::lock_guard lock(RendererMutex());
            renderer = EmfRenderer();
        }
        return renderer ? renderer(item.bytes) : ImageOf(kel::gdi::RenderEnhMetaFile(item.bytes));
    }
    return QImage();
}

// Adds the PNG picture of the first metafile, unless the program put a bitmap there itself.
void AddPicture(std::vector<ClipboardItem>& items)
{
    if (std::any_of(items.begin(), items.end(), [](const ClipboardItem& i) { return i.format == CF_DIB; }))
        return;
    for (const ClipboardItem& item : items)
    {
        const QImage picture = PictureOf(item);
        if (picture.isNull())
            continue;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (picture.save(&buffer, "PNG"))
            items.push_back(ClipboardItem{PictureFormat(), std::vector<uint8_t>(png.begin(), png.end())});
        return;
    }
}

// The MIME type of a format other than text and bitmaps.
QString MimeOf(UINT format)
{
    if (format == CF_ENHMETAFILE)
        return QString::fromLatin1(kEmfMimeType);
    if (format == CF_METAFILEPICT)
        return QString::fromLatin1(kWmfPictureMimeType);
    if (format >= kFirstRegistered)
    {
        char name[256] = {};
        if (GetClipboardFormatName(format, name, sizeof name) > 0)
            return QStringLiteral("application/x-kel-clipboard-") +
                   QString::fromStdString(kel::Cp1252ToUtf8(name));
    }
    return QStringLiteral("application/x-kel-clipboard-cf%1").arg(format);
}

// The desktop's clipboard. Qt's clipboard lives on the user-interface thread: calls from other
// threads run there.
class QtBackend : public IClipboardBackend
{
public:
    void Publish(const std::vector<ClipboardItem>& items) override
    {
        const UINT picture = PictureFormat();
        OnUi(
            [&]
            {
                auto* mime = new QMimeData;
                for (const ClipboardItem& item : items)
                {
                    if (IsText(item.format))
                    {
                        std::string text(item.bytes.begin(), item.bytes.end());
                        mime->setText(QString::fromStdString(kel::Cp1252ToUtf8(UnixLines(text))));
                    }
                    else if (item.format == CF_DIB)
                        mime->setImageData(ImageFromDib(item.bytes));
                    else if (item.format == picture)
                        mime->setImageData(
                            QImage::fromData(item.bytes.data(), static_cast<int>(item.bytes.size()), "PNG"));
                    else
                        mime->setData(MimeOf(item.format), ByteArrayOf(item.bytes));
                }
                QClipboard* clipboard = QGuiApplication::clipboard();
                clipboard->setMimeData(mime);
                ours_ = mime;
            });
    }
    std::vector<UINT> Formats() override
    {
        std::vector<UINT> formats;
        OnUi(
            [&]
            {
                const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
                if (!mime)
                    return;
                if (mime->hasText())
                    formats.push_back(CF_TEXT);
                if (mime->hasImage())
                    formats.push_back(CF_DIB);
                for (const QString& type : mime->formats())
                    if (UINT format = FormatOfMime(type))
                        formats.push_back(format);
            });
        return formats;
    }
    bool Read(UINT format, std::vector<uint8_t>& bytes) override
    {
        bool found = false;
        OnUi(
            [&]
            {
                const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
                if (!mime)
                    return;
                QByteArray data;
                if (IsText(format) && mime->hasText())
                {
                    const std::string text = DosLines(kel::Utf8ToCp1252(mime->text().toStdString()));
                    bytes.assign(text.begin(), text.end());
                    found = true;
                    return;
                }
                if (format == CF_DIB && mime->hasImage())
                {
                    bytes = DibFromImage(qvariant_cast<QImage>(mime->imageData()));
                    found = !bytes.empty();
                    return;
                }
                const QString type = MimeOf(format);
                if (mime->hasFormat(type))
                {
                    data = mime->data(type);
                    bytes.assign(data.begin(), data.end());
                    found = true;
                }
            });
        return found;
    }
    bool HoldsOurs() override
    {
        bool ours = false;
        OnUi([&] { ours = ours_ && QGuiApplication::clipboard()->mimeData() == ours_.data(); });
        return ours;
    }

private:
    static void OnUi(const std::function<void()>& job)
    {
        if (kel::ui::UiThreadId() == 0 || kel::ui::IsUiThread())
            job();
        else
            kel::ui::RunOnUiThread(
                [&]() -> LRESULT
                {
                    job();
                    return 0;
                });
    }
    // Windows text ends lines with CR LF, Linux text with LF.
    static std::string UnixLines(const std::string& text)
    {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                out += text[i];
        return out;
    }
    static std::string DosLines(const std::string& text)
    {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
                out += '\r';
            out += text[i];
        }
        return out;
    }
    static UINT FormatOfMime(const QString& type)
    {
        if (type == QLatin1String(kEmfMimeType))
            return CF_ENHMETAFILE;
        if (type == QLatin1String(kWmfPictureMimeType))
            return CF_METAFILEPICT;
        static const QString prefix = QStringLiteral("application/x-kel-clipboard-");
        if (!type.startsWith(prefix))
            return 0;
        const QString name = type.mid(prefix.size());
        if (name.startsWith(QLatin1String("cf")))
        {
            bool ok = false;
            const UINT format = name.mid(2).toUInt(&ok);
            return ok ? format : 0;
        }
        return RegisterClipboardFormat(kel::Utf8ToCp1252(name.toStdString()).c_str());
    }

    QPointer<QMimeData> ours_;
};

// ---- The clipboard's state

struct Held
{
    UINT format;
    HANDLE handle;
};

struct State
{
    std::mutex mutex;
    bool open = false;
    DWORD openThread = 0;
    HWND openWindow = nullptr;
    HWND owner = nullptr;
    bool dirty = false;        // emptied or set since opening: published at close
    bool ownsContents = false; // `owned` is what the clipboard holds
    std::vector<Held> owned;   // data the program handed over
    std::vector<Held> fetched; // handles made for GetClipboardData; freed at close
    std::vector<std::string> names;
    IClipboardBackend* installed = nullptr;
};

State& St()
{
    static State state;
    return state;
}

IClipboardBackend& Backend()
{
    State& s = St();
    if (s.installed)
        return *s.installed;
    if (QGuiApplication::instance())
    {
        static QtBackend desktop;
        return desktop;
    }
    static MemoryBackend memory;
    return memory;
}

void FreeAll(std::vector<Held>& held)
{
    for (const Held& h : held)
        FreeHandle(h.format, h.handle);
    held.clear();
}

bool OpenedHere(const State& s)
{
    return s.open && s.openThread == GetCurrentThreadId();
}

// Drops our data once another program has replaced it.
void ForgetIfReplaced(State& s, std::unique_lock<std::mutex>& lock)
{
    if (!s.ownsContents || s.dirty)
        return;
    IClipboardBackend& backend = Backend();
    lock.unlock();
    const bool ours = backend.HoldsOurs();
    lock.lock();
    if (!ours && s.ownsContents && !s.dirty)
    {
        FreeAll(s.owned);
        s.ownsContents = false;
        s.owner = nullptr;
    }
}

// Formats offered now: ours or the backend's, each bitmap form making the other available.
std::vector<UINT> CurrentFormats()
{
    State& s = St();
    std::unique_lock lock(s.mutex);
    ForgetIfReplaced(s, lock);
    std::vector<UINT> formats;
    if (s.ownsContents)
        for (const Held& h : s.owned)
            formats.push_back(h.format);
    else
    {
        IClipboardBackend& backend = Backend();
        lock.unlock();
        formats = backend.Formats();
    }
    auto has = [&](UINT f) { return std::find(formats.begin(), formats.end(), f) != formats.end(); };
    if (has(CF_DIB) && !has(CF_BITMAP))
        formats.push_back(CF_BITMAP);
    else if (has(CF_BITMAP) && !has(CF_DIB))
        formats.push_back(CF_DIB);
    return formats;
}

} // namespace

void SetClipboardFormatHandler(UINT format, ClipboardFormatHandler handler)
{
    std::lock_guard lock(HandlerMutex());
    if (handler.toBytes || handler.fromBytes || handler.free)
        Handlers()[format] = std::move(handler);
    else
        Handlers().erase(format);
}

void SetClipboardEmfRenderer(std::function<QImage(const std::vector<uint8_t>&)> renderer)
{
    std::lock_guard lock(RendererMutex());
    EmfRenderer() = std::move(renderer);
}

std::vector<uint8_t> DibFromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    std::vector<uint8_t> bmp = kel::gdi::BmpFromPixmap(PixmapOf(image.convertToFormat(QImage::Format_RGB32)));
    if (bmp.size() <= kBmpFileHeader)
        return {};
    return std::vector<uint8_t>(bmp.begin() + kBmpFileHeader, bmp.end());
}

QImage ImageFromDib(const std::vector<uint8_t>& dib)
{
    if (dib.size() < sizeof(BITMAPINFOHEADER))
        return QImage();
    return ImageOf(kel::gdi::PixmapFromBmp(dib.data(), dib.size()));
}

} // namespace kel::qt

using namespace kel::qt;
using kel::ClipboardItem;
using kel::IClipboardBackend;

namespace kel
{

IClipboardBackend* SetClipboardBackend(IClipboardBackend* backend)
{
    State& s = St();
    std::lock_guard lock(s.mutex);
    FreeAll(s.owned);
    FreeAll(s.fetched);
    s.ownsContents = false;
    s.dirty = false;
    s.owner = nullptr;
    IClipboardBackend* previous = s.installed;
    s.installed = backend;
    return previous;
}

} // namespace kel

BOOL OpenClipboard(HWND hWndNewOwner)
{
    State& s = St();
    std::unique_lock lock(s.mutex);
    if (s.open && !OpenedHere(s))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    s.open = true;
    s.openThread = GetCurrentThreadId();
    s.openWindow = hWndNewOwner;
    ForgetIfReplaced(s, lock);
    return TRUE;
}

BOOL CloseClipboard()
{
    State& s = St();
    std::unique_lock lock(s.mutex);
    if (!OpenedHere(s))
        return FALSE;
    std::vector<ClipboardItem> items;
    const bool publish = s.dirty;
    if (publish)
    {
        const bool hasDib =
            std::any_of(s.owned.begin(), s.owned.end(), [](const Held& h) { return h.format == CF_DIB; });
        for (const Held& h : s.owned)
        {
            if (h.format == CF_BITMAP && hasDib)
                continue; // the program's own DIB wins over one made from its bitmap
            ClipboardItem item;
            item.format = StoredFormat(h.format);
            if (ToBytes(h.format, h.handle, item.bytes))
                items.push_back(std::move(item));
        }
    }
    IClipboardBackend& backend = Backend();
    FreeAll(s.fetched);
    s.dirty = false;
    s.open = false;
    s.openThread = 0;
    s.openWindow = nullptr;
    lock.unlock();
    if (publish)
    {
        AddPicture(items);
        backend.Publish(items);
    }
    return TRUE;
}

BOOL EmptyClipboard()
{
    State& s = St();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    FreeAll(s.owned);
    FreeAll(s.fetched);
    s.owner = s.openWindow;
    s.ownsContents = true;
    s.dirty = true;
    return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem)
{
    State& s = St();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s) || !hMem || uFormat == 0 || !ValidHandle(uFormat, hMem))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!s.ownsContents)
    {
        // Setting without emptying first: the program's data replace what another program put there.
        FreeAll(s.fetched);
        s.ownsContents = true;
        s.owner = s.openWindow;
    }
    s.dirty = true;
    for (Held& h : s.owned)
        if (h.format == uFormat)
        {
            if (h.handle != hMem)
                FreeHandle(h.format, h.handle);
            h.handle = hMem;
            return hMem;
        }
    s.owned.push_back(Held{uFormat, hMem});
    return hMem;
}

HANDLE GetClipboardData(UINT uFormat)
{
    State& s = St();
    std::unique_lock lock(s.mutex);
    if (!OpenedHere(s))
        return nullptr;
    for (const Held& h : s.fetched)
        if (h.format == uFormat)
            return h.handle;
    std::vector<uint8_t> bytes;
    bool found = false;
    if (s.ownsContents)
    {
        const Held* source = nullptr;
        for (const Held& h : s.owned)
        {
            if (h.format == uFormat)
                return h.handle;
            if (StoredFormat(h.format) == StoredFormat(uFormat))
                source = &h; // the other form of a bitmap
        }
        found = source && ToBytes(source->format, source->handle, bytes);
    }
    else
    {
        IClipboardBackend& backend = Backend();
        lock.unlock();
        found = backend.Read(StoredFormat(uFormat), bytes);
        lock.lock();
        if (!OpenedHere(s))
            return nullptr;
    }
    if (!found)
        return nullptr;
    HANDLE handle = FromBytes(uFormat, bytes);
    if (handle)
        s.fetched.push_back(Held{uFormat, handle});
    return handle;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    const std::vector<UINT> formats = CurrentFormats();
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

UINT EnumClipboardFormats(UINT format)
{
    {
        State& s = St();
        std::lock_guard lock(s.mutex);
        if (!OpenedHere(s))
        {
            SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
            return 0;
        }
    }
    SetLastError(0);
    const std::vector<UINT> formats = CurrentFormats();
    if (format == 0)
        return formats.empty() ? 0 : formats.front();
    auto it = std::find(formats.begin(), formats.end(), format);
    return it == formats.end() || it + 1 == formats.end() ? 0 : *(it + 1);
}

int CountClipboardFormats()
{
    return static_cast<int>(CurrentFormats().size());
}

UINT RegisterClipboardFormat(LPCSTR lpszFormat)
{
    if (!lpszFormat || !*lpszFormat)
        return 0;
    State& s = St();
    std::lock_guard lock(s.mutex);
    for (size_t i = 0; i < s.names.size(); ++i)
        if (strcasecmp(s.names[i].c_str(), lpszFormat) == 0)
            return kFirstRegistered + static_cast<UINT>(i);
    if (kFirstRegistered + s.names.size() > kLastRegistered)
        return 0;
    s.names.emplace_back(lpszFormat);
    return kFirstRegistered + static_cast<UINT>(s.names.size() - 1);
}

int GetClipboardFormatName(UINT format, LPSTR lpszFormatName, int cchMaxCount)
{
    State& s = St();
    std::lock_guard lock(s.mutex);
    if (format < kFirstRegistered || format - kFirstRegistered >= s.names.size() || !lpszFormatName ||
        cchMaxCount <= 0)
        return 0;
    const std::string& name = s.names[format - kFirstRegistered];
    const size_t n = std::min(name.size(), static_cast<size_t>(cchMaxCount - 1));
    std::memcpy(lpszFormatName, name.data(), n);
    lpszFormatName[n] = '\0';
    return static_cast<int>(n);
}

HWND GetClipboardOwner()
{
    State& s = St();
    std::unique_lock lock(s.mutex);
    ForgetIfReplaced(s, lock);
    return s.ownsContents ? s.owner : nullptr;
}

HWND GetOpenClipboardWindow()
{
    State& s = St();
    std::lock_guard lock(s.mutex);
    return s.open ? s.openWindow : nullptr;
}
