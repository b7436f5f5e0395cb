// Enhanced metafiles as bytes: the checks that make every later read safe, the handle table, files
// and the calls that hand the bytes around.
#include "gdi_emf.h"

#include "gdi_internal.h"

#include "win32/files.h"
#include "win32/kernel.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace kel::gdi::emf
{

static_assert(sizeof(ENHMETAHEADER) == kHeaderFull, "ENHMETAHEADER mirrors the record byte for byte");

namespace
{

struct Table
{
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<const std::vector<uint8_t>>> items;
    uintptr_t next = 0x454D0001; // distinct from other handle kinds, to catch mix-ups
};

Table& Handles()
{
    static Table table;
    return table;
}

} // namespace

std::string Check(const uint8_t* data, size_t size, size_t* used)
{
    if (!data || size < kHeaderBase)
        return "shorter than a metafile header";
    if (U32(data) != EMR_HEADER)
        return "does not start with a header record";
    const uint32_t headerSize = U32(data + 4);
    if (headerSize < kHeaderBase || headerSize % 4 || headerSize > size)
        return "header record of a bad size";
    if (U32(data + 40) != ENHMETA_SIGNATURE)
        return "no enhanced metafile signature";
    const uint32_t total = U32(data + 48);
    if (total > size)
        return "truncated: the header announces more bytes than there are";
    if (total < headerSize + 20)
        return "metafile length too small";
    if (U16(data + 56) == 0)
        return "no object table";
    const uint32_t nDescription = U32(data + 60);
    if (nDescription && uint64_t(U32(data + 64)) + 2 * uint64_t(nDescription) > headerSize)
        return "description outside the header";
    if (I32(data + 72) <= 0 || I32(data + 76) <= 0 || I32(data + 80) <= 0 || I32(data + 84) <= 0)
        return "no reference device size";
    size_t at = headerSize;
    while (at < total)
    {
        if (total - at < 8)
            return "truncated record";
        const uint32_t type = U32(data + at);
        const uint32_t recordSize = U32(data + at + 4);
        if (recordSize < 8 || recordSize % 4 || recordSize > total - at)
            return "record " + std::to_string(type) + " at byte " + std::to_string(at) + " has a bad size";
        if (type == EMR_EOF)
        {
            if (used)
                *used = total;
            return std::string();
        }
        at += recordSize;
    }
    return "no end-of-file record";
}

ENHMETAHEADER HeaderOf(const uint8_t* data)
{
    ENHMETAHEADER h{};
    const size_t n = std::min<size_t>(U32(data + 4), sizeof h);
    uint8_t copy[kHeaderFull] = {};
    std::memcpy(copy, data, n);
    auto rect = [&](size_t at) {
        return RECTL{I32(copy + at), I32(copy + at + 4), I32(copy + at + 8), I32(copy + at + 12)};
    };
    h.iType = U32(copy);
    h.nSize = U32(copy + 4);
    h.rclBounds = rect(8);
    h.rclFrame = rect(24);
    h.dSignature = U32(copy + 40);
    h.nVersion = U32(copy + 44);
    h.nBytes = U32(copy + 48);
    h.nRecords = U32(copy + 52);
    h.nHandles = U16(copy + 56);
    h.sReserved = U16(copy + 58);
    h.nDescription = U32(copy + 60);
    h.offDescription = U32(copy + 64);
    h.nPalEntries = U32(copy + 68);
    h.szlDevice = SIZEL{I32(copy + 72), I32(copy + 76)};
    h.szlMillimeters = SIZEL{I32(copy + 80), I32(copy + 84)};
    h.cbPixelFormat = U32(copy + 88);
    h.offPixelFormat = U32(copy + 92);
    h.bOpenGL = U32(copy + 96);
    h.szlMicrometers = SIZEL{I32(copy + 100), I32(copy + 104)};
    return h;
}

HENHMETAFILE Register(std::vector<uint8_t> bytes)
{
    size_t used = 0;
    if (!Check(bytes.data(), bytes.size(), &used).empty())
    {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    bytes.resize(used);
    Table& t = Handles();
    std::lock_guard lock(t.mutex);
    const uintptr_t id = t.next++;
    t.items.emplace(id, std::make_shared<const std::vector<uint8_t>>(std::move(bytes)));
    return reinterpret_cast<HENHMETAFILE>(id);
}

std::shared_ptr<const std::vector<uint8_t>> BytesOf(HENHMETAFILE handle)
{
    Table& t = Handles();
    std::lock_guard lock(t.mutex);
    auto it = t.items.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.items.end() ? nullptr : it->second;
}

} // namespace kel::gdi::emf

namespace kel::gdi
{

bool ReadWholeFile(LPCSTR path, std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && uint64_t(size.QuadPart) <= kMaxFileBytes;
    if (ok)
    {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
              read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(LPCSTR path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFile(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const bool closed = CloseHandle(file);
    return ok && closed;
}

std::shared_ptr<const std::vector<uint8_t>> EnhMetaFileBytes(HENHMETAFILE handle)
{
    return emf::BytesOf(handle);
}

HENHMETAFILE EnhMetaFileFromBytes(std::vector<uint8_t> bytes)
{
    return emf::Register(std::move(bytes));
}

Pixmap RenderEnhMetaFile(const std::vector<uint8_t>& bytes)
{
    HENHMETAFILE handle = emf::Register(bytes);
    if (!handle)
        return Pixmap();
    const ENHMETAHEADER h = emf::HeaderOf(emf::BytesOf(handle)->data());
    // The frame at 96 dpi; the bounds when the frame is empty.
    auto pixels = [](double hundredthsMm, double boundsPixels)
    {
        const double v = hundredthsMm > 0 ? hundredthsMm * 96.0 / 2540.0 : boundsPixels;
        return static_cast<int>(std::lround(std::clamp(v, 1.0, 4096.0)));
    };
    const int width =
        pixels(double(h.rclFrame.right) - h.rclFrame.left, double(h.rclBounds.right) - h.rclBounds.left + 1);
    const int height =
        pixels(double(h.rclFrame.bottom) - h.rclFrame.top, double(h.rclBounds.bottom) - h.rclBounds.top + 1);
    Pixmap image;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(width, height, 1, 32, nullptr);
    if (dc && bitmap)
    {
        HGDIOBJ old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, width, height, WHITENESS);
        const RECT area{0, 0, width, height};
        PlayEnhMetaFile(dc, handle, &area);
        SelectObject(dc, old);
        image = PixmapOfBitmap(bitmap);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (dc)
        DeleteDC(dc);
    DeleteEnhMetaFile(handle);
    return image;
}

} // namespace kel::gdi

using namespace kel::gdi;
using namespace kel::gdi::emf;

HENHMETAFILE GetEnhMetaFile(LPCSTR lpName)
{
    std::vector<uint8_t> bytes;
    if (!lpName || !ReadWholeFile(lpName, bytes))
        return nullptr;
    return Register(std::move(bytes));
}

HENHMETAFILE SetEnhMetaFileBits(UINT nSize, const BYTE* pb)
{
    if (!pb)
        return nullptr;
    return Register(std::vector<uint8_t>(pb, pb + nSize));
}

UINT GetEnhMetaFileBits(HENHMETAFILE hEMF, UINT nSize, LPBYTE lpData)
{
    const auto bytes = BytesOf(hEMF);
    if (!bytes)
        return 0;
    if (!lpData)
        return static_cast<UINT>(bytes->size());
    if (nSize < bytes->size())
        return 0;
    std::memcpy(lpData, bytes->data(), bytes->size());
    return static_cast<UINT>(bytes->size());
}

HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE hEnh, LPCSTR lpFileName)
{
    const auto bytes = BytesOf(hEnh);
    if (!bytes)
        return nullptr;
    if (lpFileName && !WriteWholeFile(lpFileName, *bytes))
        return nullptr;
    return Register(*bytes);
}

BOOL DeleteEnhMetaFile(HENHMETAFILE hmf)
{
    auto& t = kel::gdi::emf::Handles();
    std::lock_guard lock(t.mutex);
    return t.items.erase(reinterpret_cast<uintptr_t>(hmf)) ? TRUE : FALSE;
}

UINT GetEnhMetaFileHeader(HENHMETAFILE hemf, UINT nSize, LPENHMETAHEADER lpEnhMetaHeader)
{
    const auto bytes = BytesOf(hemf);
    if (!bytes)
        return 0;
    if (!lpEnhMetaHeader)
        return sizeof(ENHMETAHEADER);
    const ENHMETAHEADER h = HeaderOf(bytes->data());
    const UINT n = std::min<UINT>(nSize, sizeof h);
    std::memcpy(lpEnhMetaHeader, &h, n);
    return n;
}
