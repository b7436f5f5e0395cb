// Holder of the resource library dlgpack, which holds the head dialogs' templates, icons and
// strings. A head dialog runs between SwitchToDll and RestoreHandle, so the framework's resource
// lookups find dlgpack's resources first (and the program's own after them).
#pragma once

#include "win32/types.h"

class CResourceDll
{
public:
    // The process-wide holder; the first call creates it and loads "dlgpack.dll". A failed load
    // leaves a holder without a library, and the program's own resources stay in force.
    static CResourceDll* Instance();

    // Frees the library and deletes the holder (application exit). A second call does nothing.
    static void Unload();

    // Remembers the framework's current resource handle as the previous one, then loads the
    // named library (a library loaded before is freed first). True when a module was loaded.
    bool Load(LPCTSTR lpszFileName);

    // Makes the library the framework's current resource handle (nothing when none is loaded).
    void SwitchToDll();

    // Puts the previous resource handle back when the library is the current one; a handle that
    // somebody else set meanwhile is left alone.
    void RestoreHandle();

    // Sets the framework's current resource handle.
    void SetResourceHandle(HINSTANCE hInstance);

    // Frees the library; returns FreeLibrary's result (0 when none was loaded). Module and
    // previous handle become null. If the library is still the current resource handle, the
    // previous handle is put back first so no lookup goes to a freed module.
    BOOL Free();

    // The loaded library (NULL when none) and the handle remembered at loading.
    HINSTANCE GetModule() const { return m_hModule; }
    HINSTANCE GetPreviousHandle() const { return m_hPrevious; }

    CResourceDll(const CResourceDll&) = delete;
    CResourceDll& operator=(const CResourceDll&) = delete;

private:
    CResourceDll() = default;
    ~CResourceDll();

    HINSTANCE m_hModule = nullptr;
    HINSTANCE m_hPrevious = nullptr;
};
