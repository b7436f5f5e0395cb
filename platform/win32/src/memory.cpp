// Global/local memory blocks behind a handle table.
#include "win32/memory.h"
#include "kinternal.h"

#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace
{
struct Block
{
    void* data = nullptr;
    SIZE_T size = 0;
    bool moveable = false;
    UINT locks = 0;
    UINT flags = 0;
};

struct Blocks
{
    std::mutex lock;
    std::unordered_map<uintptr_t, Block> byHandle;
    std::unordered_map<uintptr_t, uintptr_t> handleOfData; // moveable blocks: address -> handle
    uintptr_t nextMoveable = 0x10004;
};

Blocks& Table()
{
    static Blocks* blocks = new Blocks;
    return *blocks;
}

uintptr_t Key(HGLOBAL h)
{
    return reinterpret_cast<uintptr_t>(h);
}

// malloc(0) may return NULL; a block always has an address.
void* Allocate(SIZE_T bytes, bool zero)
{
    return zero ? calloc(bytes ? bytes : 1, 1) : malloc(bytes ? bytes : 1);
}
} // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    void* data = Allocate(dwBytes, uFlags & GMEM_ZEROINIT);
    if (!data)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Blocks& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    Block b{data, dwBytes, (uFlags & GMEM_MOVEABLE) != 0, 0, uFlags & GMEM_DISCARDABLE};
    uintptr_t handle = reinterpret_cast<uintptr_t>(data);
    if (b.moveable)
    {
        handle = t.nextMoveable;
        t.nextMoveable += 8;
        t.handleOfData[reinterpret_cast<uintptr_t>(data)] = handle;
    }
    t.byHandle[handle] = b;
    return reinterpret_cast<HGLOBAL>(handle);
}

LPVOID GlobalLock(HGLOBAL hMem)
{
    Blocks& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    auto it = t.byHandle.find(Key(hMem));
    if (it == t.byHandle.end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (it->second.moveable && it->second.locks < GMEM_LOCKCOUNT)
        ++it->second.locks;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
    Blocks& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    auto it = t.byHandle.find(Key(hMem));
    if (it == t.byHandle.end())
        return kel::Fail(ERROR_INVALID_HANDLE);
    Block& b = it->second;
    if (!b.moveable || b.locks == 0)
        return kel::Fail(b.moveable ? ERROR_NOT_LOCKED : NO_ERROR);
    if (--b.locks == 0)
        return kel::Fail(NO_ERROR);
    return TRUE;
}

SIZE_T GlobalSize(HGLOBAL hMem)
{
    Blocks& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    auto it = t.byHandle.find(Key(hMem));
    if (it == t.byHandle.end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return it->second.size;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    Blocks& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    auto it = t.byHandle.find(Key(hMem));
    if (it == t.byHandle.end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Block b = it->second;
    if (uFlags & GMEM_MODIFY)
    {
        it->second.flags = uFlags & GMEM_DISCARDABLE;
        return hMem;
    }
    void* data = realloc(b.data, dwBytes ? dwBytes : 1);
    if (!data)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > b.size)
        memset(static_cast<char*>(data) + b.size, 0, dwBytes - b.size);
    if (b.moveable)
    {
        t.handleOfData.erase(reinterpret_cast<uintptr_t>(b.data));
        t.handleOfData[reinterpret_cast<uintptr_t>(data)] = Key(hMem);
        it->second.data = data;
        it->second.size = dwBytes;
        return hMem;
    }
    t.byHandle.erase(it);
    b.data = data;
    b.size = dwBytes;
    t.byHandle[reinterpret_cast<uintptr_t>(data)] = b;
    return static_cast<HGLOBAL>(data);
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
    if (!hMem)
        return nullptr;
    void* data;
    {
        Blocks& t = Table();
        std::lock_guard<std::mutex> lk(t.lock);
        auto it = t.byHandle.find(Key(hMem));
        if (it == t.byHandle.end())
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return hMem;
        }
        data = it->second.data;
        if (it->second.moveable)
            t.handleOfData.erase(reinterpret_cast<uintptr_t>(data));
        t.byHandle.erase(it);
    }
    free(data);
    return nullptr;
}

HGLOBAL GlobalHandle(LPCVOID pMem)
{
    Blocks& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    const uintptr_t address = reinterpret_cast<uintptr_t>(pMem);
    auto moveable = t.handleOfData.find(address);
    if (moveable != t.handleOfData.end())
        return reinterpret_cast<HGLOBAL>(moveable->second);
    auto fixed = t.byHandle.find(address);
    if (fixed != t.byHandle.end() && !fixed->second.moveable)
        return reinterpret_cast<HGLOBAL>(address);
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

UINT GlobalFlags(HGLOBAL hMem)
{
    Blocks& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    auto it = t.byHandle.find(Key(hMem));
    if (it == t.byHandle.end())
        return GMEM_INVALID_HANDLE;
    return it->second.flags | it->second.locks;
}

// Local blocks are the same blocks (one heap on Win32).
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    return GlobalAlloc(uFlags, uBytes);
}

LPVOID LocalLock(HLOCAL hMem)
{
    return GlobalLock(hMem);
}

BOOL LocalUnlock(HLOCAL hMem)
{
    return GlobalUnlock(hMem);
}

SIZE_T LocalSize(HLOCAL hMem)
{
    return GlobalSize(hMem);
}

HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags)
{
    return GlobalReAlloc(hMem, uBytes, uFlags);
}

HLOCAL LocalFree(HLOCAL hMem)
{
    return GlobalFree(hMem);
}
