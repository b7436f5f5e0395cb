// Global and local memory blocks. Handles are validated through a table: freeing twice or an
// unknown handle fails cleanly. A fixed block's handle is its address, as on Windows.
#pragma once

#include "win32/types.h"

#include <cstring>

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_INVALID_HANDLE 0x8000
#define GMEM_LOCKCOUNT 0x00FF
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LMEM_MODIFY 0x0080
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// Allocates dwBytes (0 allowed). Fixed blocks: the handle is the address. Moveable blocks: lock
// to get the address. NULL with ERROR_NOT_ENOUGH_MEMORY on failure.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// Address of the block; moveable blocks count locks. NULL (ERROR_INVALID_HANDLE) for a bad handle.
LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while the block stays locked; FALSE with NO_ERROR when the count reaches 0, FALSE with
// ERROR_NOT_LOCKED when it was not locked.
BOOL GlobalUnlock(HGLOBAL hMem);
// Size asked for at allocation or re-allocation, 0 for a bad handle.
SIZE_T GlobalSize(HGLOBAL hMem);
// Resizes (contents kept, new bytes zeroed with GMEM_ZEROINIT). A moveable block keeps its handle;
// a fixed block may move and its new address is returned. NULL on failure (old block intact).
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
// NULL on success, the handle itself when it is unknown or already freed.
HGLOBAL GlobalFree(HGLOBAL hMem);
// The handle of a block from its address, NULL if none.
HGLOBAL GlobalHandle(LPCVOID pMem);
// GMEM_DISCARDABLE-style flags with the lock count in the low byte; GMEM_INVALID_HANDLE if bad.
UINT GlobalFlags(HGLOBAL hMem);

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
LPVOID LocalLock(HLOCAL hMem);
BOOL LocalUnlock(HLOCAL hMem);
SIZE_T LocalSize(HLOCAL hMem);
HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);
HLOCAL LocalFree(HLOCAL hMem);

#define ERROR_NOT_LOCKED 158L

#define CopyMemory(d, s, n) memcpy((d), (s), (n))
#define MoveMemory(d, s, n) memmove((d), (s), (n))
#define FillMemory(d, n, v) memset((d), (v), (n))
#define ZeroMemory(d, n) memset((d), 0, (n))
#define RtlZeroMemory ZeroMemory
#define RtlCopyMemory CopyMemory
#define RtlMoveMemory MoveMemory
