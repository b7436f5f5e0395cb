// Modules and their resources. A module is a compiled resource table (see win32/rcdata.h) registered
// under its name, optionally backed by a shared library. HINSTANCE/HMODULE values name modules;
// NULL stands for the program's own (main) module wherever Windows allows it.
#pragma once

#include "win32/types.h"
#include "win32/rcdata.h"

#include <string>
#include <string_view>

typedef INT_PTR(WINAPI* FARPROC)();

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008

// The module registered under `lpModuleName` ("dlgpack", "dlgpack.dll", "libdlgpack.so" are the
// same name), or the main module for NULL. No reference is taken. NULL with ERROR_MOD_NOT_FOUND
// when no such module is loaded.
HMODULE GetModuleHandle(LPCSTR lpModuleName);
HMODULE GetModuleHandleA(LPCSTR lpModuleName);

// Loads a module and takes a reference. A module already registered (linked into the program) is
// found by name; otherwise "lib<name>.so" next to the executable is loaded. NULL with
// ERROR_MOD_NOT_FOUND when neither exists. The flags of LoadLibraryEx are accepted and ignored.
HMODULE LoadLibrary(LPCSTR lpLibFileName);
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
HMODULE LoadLibraryEx(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);

// Drops a reference; the last one unloads a library loaded from disk. FALSE with
// ERROR_INVALID_HANDLE for a handle that is not a module.
BOOL FreeLibrary(HMODULE hLibModule);

// Address of an exported function by name, or by ordinal (MAKEINTRESOURCE(ordinal)) for a library
// that keeps an export table (win32/exports.h). NULL with ERROR_PROC_NOT_FOUND when the module has
// no such export (or, for an ordinal, no export table).
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);

// Copies string `uID` of the module (NULL: main module) into `lpBuffer`, truncated to
// cchBufferMax-1 bytes and NUL-terminated. Returns the bytes copied; 0 with
// ERROR_RESOURCE_NAME_NOT_FOUND (and an empty buffer) when the string does not exist.
int LoadString(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// Finds a resource by name (MAKEINTRESOURCE id, "#123", or a name, case-insensitive) and type.
// RT_DIALOG, RT_MENU, RT_ACCELERATOR and RT_TOOLBAR resources lock to the kel::rc tables
// (Dialog, Menu, AccelTable, Toolbar); file resources lock to the file's bytes. NULL with
// ERROR_RESOURCE_NAME_NOT_FOUND when missing.
HRSRC FindResource(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
// The data of a found resource (read-only, valid while the module is loaded); NULL for a bad handle.
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID LockResource(HGLOBAL hResData);
// Size in bytes of a found resource; 0 for a bad handle.
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
// Resources need no freeing; always FALSE as on Windows.
BOOL FreeResource(HGLOBAL hResData);

namespace kel::rc
{

// Lookups for the window layer. `name` is a MAKEINTRESOURCE id, "#123" or a name; hInstance NULL is
// the main module. nullptr when missing.
const Dialog* FindDialog(HINSTANCE hInstance, LPCSTR name);
const Menu* FindMenu(HINSTANCE hInstance, LPCSTR name);
const AccelTable* FindAccelerators(HINSTANCE hInstance, LPCSTR name);
const Toolbar* FindToolbar(HINSTANCE hInstance, LPCSTR name);
// RT_ICON/RT_GROUP_ICON and RT_CURSOR/RT_GROUP_CURSOR find the same entries.
const Binary* FindBinary(HINSTANCE hInstance, LPCSTR name, LPCSTR type);

// The whole text of string `id` (no length limit); false when missing.
bool FindString(HINSTANCE hInstance, UINT id, std::string_view* text);

// True when `hInstance` is a module handle (loaded or not).
bool IsModuleHandle(HINSTANCE hInstance);
// Registered name of a module ("" for an unknown handle or an unnamed main module).
std::string GetModuleName(HINSTANCE hInstance);

} // namespace kel::rc
