// The Windows data model the system's files and wire formats rely on.
#include "win32/types.h"

static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(DWORD) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(INT) == 4 && sizeof(UINT) == 4);
static_assert(sizeof(BOOL) == 4 && sizeof(COLORREF) == 4 && sizeof(FLOAT) == 4);
static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*));
static_assert(sizeof(LRESULT) == sizeof(void*) && sizeof(HANDLE) == sizeof(void*));
static_assert(sizeof(RECT) == 16 && sizeof(POINT) == 8 && sizeof(SYSTEMTIME) == 16);
