// Windows metafile handles and files: recording DCs, the handle table, reading and writing files,
// and the placeable header.
#include "gdi_wmf.h"

#include "win32/files.h"
#include "win32/kernel.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace kel::gdi::wmf
{

namespace
{

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

// Metafile handles and their bytes.
std::map<uintptr_t, std::vector<uint8_t>>& Metafiles()
{
    static std::map<uintptr_t, std::vector<uint8_t>> table;
    return table;
}

HMETAFILE AddMetafile(std::vector<uint8_t> bytes)
{
    static std::atomic<uintptr_t> next{0x30000001};
    const uintptr_t h = next.fetch_add(4);
    std::lock_guard lock(Lock());
    Metafiles()[h] = std::move(bytes);
    return reinterpret_cast<HMETAFILE>(h);
}

bool BytesOf(HMETAFILE hmf, std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(Lock());
    auto it = Metafiles().find(reinterpret_cast<uintptr_t>(hmf));
    if (it == Metafiles().end())
        return false;
    bytes = it->second;
    return true;
}

bool PathFits(LPCSTR path)
{
    return path && std::strlen(path) < MAX_PATH;
}

// Writes the metafile as a disk metafile (mtType 2); false when the file cannot be written.
bool WriteFileBytes(const std::string& path, std::vector<uint8_t> bytes)
{
    size_t start = 0;
    if (!Validate(bytes.data(), bytes.size(), &start))
        return false;
    bytes[start] = 2;
    bytes[start + 1] = 0;
    HANDLE file =
        CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    if (!ok)
        DeleteFile(path.c_str()); // never leave half a picture behind
    return ok;
}

} // namespace

} // namespace kel::gdi::wmf

using namespace kel::gdi;

HDC CreateMetaFile(LPCSTR pszFile)
{
    if (pszFile && !wmf::PathFits(pszFile))
        return nullptr;
    // Measures like the screen, as a metafile DC does.
    return CreateRecordingDc(wmf::MakeRecorder(pszFile ? pszFile : ""));
}

HMETAFILE CloseMetaFile(HDC hdc)
{
    std::vector<uint8_t> bytes;
    std::string path;
    {
        std::lock_guard lock(TableLock());
        DeviceContext* dc = LookupDc(hdc);
        if (dc && dc->recorder && dc->recorder->Kind() == OBJ_METADC)
            path = wmf::FileOf(*dc->recorder);
        if (!CloseRecordingDc(hdc, OBJ_METADC, bytes))
            return nullptr;
    }
    if (!path.empty())
    {
        if (!wmf::WriteFileBytes(path, bytes))
            return nullptr;
        bytes[0] = 2; // a disk metafile now
    }
    return wmf::AddMetafile(std::move(bytes));
}

HMETAFILE GetMetaFile(LPCSTR lpName)
{
    std::vector<uint8_t> bytes;
    size_t start = 0;
    if (!wmf::PathFits(lpName) || !ReadWholeFile(lpName, bytes) ||
        !wmf::Validate(bytes.data(), bytes.size(), &start))
        return nullptr;
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(start));
    return wmf::AddMetafile(std::move(bytes));
}

HMETAFILE CopyMetaFile(HMETAFILE hmf, LPCSTR lpFileName)
{
    std::vector<uint8_t> bytes;
    if (!wmf::BytesOf(hmf, bytes))
        return nullptr;
    if (lpFileName)
    {
        if (!wmf::PathFits(lpFileName) || !wmf::WriteFileBytes(lpFileName, bytes))
            return nullptr;
        bytes[0] = 2;
    }
    return wmf::AddMetafile(std::move(bytes));
}

BOOL DeleteMetaFile(HMETAFILE hmf)
{
    std::lock_guard lock(wmf::Lock());
    return wmf::Metafiles().erase(reinterpret_cast<uintptr_t>(hmf)) ? TRUE : FALSE;
}

UINT GetMetaFileBitsEx(HMETAFILE hMF, UINT cbBuffer, LPVOID lpData)
{
    std::lock_guard lock(wmf::Lock());
    auto it = wmf::Metafiles().find(reinterpret_cast<uintptr_t>(hMF));
    if (it == wmf::Metafiles().end())
        return 0;
    const std::vector<uint8_t>& bytes = it->second;
    if (!lpData)
        return static_cast<UINT>(bytes.size());
    if (cbBuffer < bytes.size())
        return 0;
    std::memcpy(lpData, bytes.data(), bytes.size());
    return static_cast<UINT>(bytes.size());
}

HMETAFILE SetMetaFileBitsEx(UINT cbBuffer, const BYTE* lpData)
{
    size_t start = 0;
    if (!lpData || !wmf::Validate(lpData, cbBuffer, &start))
        return nullptr;
    return wmf::AddMetafile(std::vector<uint8_t>(lpData + start, lpData + cbBuffer));
}

BOOL PlayMetaFile(HDC hdc, HMETAFILE hmf)
{
    std::vector<uint8_t> bytes;
    if (!wmf::BytesOf(hmf, bytes))
        return FALSE;
    return wmf::Play(hdc, bytes.data(), bytes.size());
}

namespace kel
{

WORD PlaceableWmfChecksum(const BYTE* header)
{
    WORD sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= static_cast<WORD>(header[2 * i] | header[2 * i + 1] << 8);
    return sum;
}

void MakePlaceableWmfHeader(const PlaceableWmf& box, BYTE header[22])
{
    size_t at = 0;
    auto put = [&](uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            header[at++] = static_cast<BYTE>(v >> (8 * i));
    };
    put(kPlaceableWmfKey, 4);
    put(0, 2); // hmf: always 0 in a file
    for (SHORT v : {box.left, box.top, box.right, box.bottom})
        put(static_cast<uint16_t>(v), 2);
    put(box.inch, 2);
    put(0, 4); // reserved
    put(PlaceableWmfChecksum(header), 2);
}

bool ReadPlaceableWmfHeader(const void* data, size_t size, PlaceableWmf& box)
{
    const auto* b = static_cast<const BYTE*>(data);
    if (!b || size < 22)
        return false;
    auto u16 = [b](size_t at) { return static_cast<WORD>(b[at] | b[at + 1] << 8); };
    const DWORD key = static_cast<DWORD>(u16(0)) | static_cast<DWORD>(u16(2)) << 16;
    if (key != kPlaceableWmfKey || PlaceableWmfChecksum(b) != u16(20))
        return false;
    box = PlaceableWmf{static_cast<SHORT>(u16(6)), static_cast<SHORT>(u16(8)), static_cast<SHORT>(u16(10)),
                       static_cast<SHORT>(u16(12)), u16(14)};
    return true;
}

} // namespace kel
