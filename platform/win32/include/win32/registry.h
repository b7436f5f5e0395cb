// The registry API and the application profile.
// Keys and values live in one text file in the .reg export format, $XDG_CONFIG_HOME/kel/registry.reg
// (XDG_CONFIG_HOME defaults to ~/.config). Every change re-reads the file under a lock and replaces it
// atomically, so several threads and processes may write at once and a crash leaves the old file.
// Key and value names are compared case-insensitively and keep the spelling they were created with.
#pragma once

#include "win32/types.h"

#include <string>
#include <vector>

typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;
typedef LONG LSTATUS;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)
#define HKEY_USERS ((HKEY)(ULONG_PTR)0x80000003u)

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
// Numeric, so this header does not depend on where the generic access rights are defined.
#define KEY_READ 0x00020019u
#define KEY_WRITE 0x00020006u
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0x000F003Fu

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_DWORD_LITTLE_ENDIAN 4u
#define REG_DWORD_BIG_ENDIAN 5u
#define REG_LINK 6u
#define REG_MULTI_SZ 7u
#define REG_QWORD 11u

#define REG_OPTION_RESERVED 0x0000u
#define REG_OPTION_NON_VOLATILE 0x0000u
#define REG_OPTION_VOLATILE 0x0001u

#define REG_CREATED_NEW_KEY 0x0001u
#define REG_OPENED_EXISTING_KEY 0x0002u

// All functions return ERROR_SUCCESS or an error code: ERROR_INVALID_HANDLE for a handle that is not
// open, ERROR_FILE_NOT_FOUND for a missing key or value, ERROR_KEY_DELETED when the handle's key was
// deleted, ERROR_ACCESS_DENIED for an operation the handle's access does not allow,
// ERROR_BAD_PATHNAME for a malformed key path, ERROR_INVALID_PARAMETER for bad arguments,
// ERROR_CANTWRITE/ERROR_CANTREAD when the settings file cannot be written or read.

// Opens subKey below hKey, creating it and any missing keys on the way; *phkResult gets a new handle
// with samDesired access, *lpdwDisposition (optional) REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
// Creating needs KEY_CREATE_SUB_KEY on hKey. lpClass, dwOptions and the security attributes are ignored.
LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                    REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                    LPDWORD lpdwDisposition);

// RegCreateKeyEx with full access.
LONG RegCreateKey(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);

// Opens an existing key (subKey NULL or "": a new handle to hKey's key) with samDesired access.
LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);

// RegOpenKeyEx with full access.
LONG RegOpenKey(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);

// Closes a handle. Closing a predefined root key succeeds and does nothing.
LONG RegCloseKey(HKEY hKey);

// Reads a value (lpValueName NULL or "": the key's default value); needs KEY_QUERY_VALUE.
// *lpType (optional) gets its type. With lpData NULL, *lpcbData gets the size in bytes; when
// *lpcbData is smaller than the size, returns ERROR_MORE_DATA with the size in *lpcbData. String
// sizes count the terminating NUL; a string stored without one gets it when the buffer has room.
LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                     LPDWORD lpcbData);

// Writes a value; needs KEY_SET_VALUE. REG_DWORD takes exactly 4 bytes, REG_QWORD 8, else
// ERROR_INVALID_PARAMETER. A string given without its terminating NUL is stored with one.
// Names and key paths may not hold line breaks (the file could not represent them).
LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                   DWORD cbData);

// Removes a value; needs KEY_SET_VALUE.
LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName);

// Removes the key subKey below hKey with its values. A key with subkeys, or a root key, is refused
// with ERROR_ACCESS_DENIED.
LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey);

// The name of subkey number dwIndex (in alphabetical order, case-insensitive); needs
// KEY_ENUMERATE_SUB_KEYS. *lpcchName: buffer size in, name length without NUL out; a short buffer
// gives ERROR_MORE_DATA; past the last subkey ERROR_NO_MORE_ITEMS. The class is always empty.
LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                  LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);

// Value number dwIndex (in the order the values were created); needs KEY_QUERY_VALUE. Name as in
// RegEnumKeyEx, type and data as in RegQueryValueEx.
LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                  LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

// Counts and maximum lengths (names in characters without NUL, data in bytes) of a key's subkeys
// and values; needs KEY_QUERY_VALUE. Every out-pointer is optional.
LONG RegQueryInfoKey(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                     LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                     LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                     PFILETIME lpftLastWriteTime);

// Every change is on disk when its call returns; this only checks the handle.
LONG RegFlushKey(HKEY hKey);

#define RegCreateKeyExA RegCreateKeyEx
#define RegCreateKeyA RegCreateKey
#define RegOpenKeyExA RegOpenKeyEx
#define RegOpenKeyA RegOpenKey
#define RegQueryValueExA RegQueryValueEx
#define RegSetValueExA RegSetValueEx
#define RegDeleteValueA RegDeleteValue
#define RegDeleteKeyA RegDeleteKey
#define RegEnumKeyExA RegEnumKeyEx
#define RegEnumValueA RegEnumValue
#define RegQueryInfoKeyA RegQueryInfoKey

namespace kel
{

// The application profile: values of entry in "<appKey>\<section>" below HKEY_CURRENT_USER, where
// appKey is "Software\<company>\<application>". Integers are REG_DWORD, strings REG_SZ, binary
// entries REG_BINARY; a value of another type reads as missing.

// The entry's value, or def when it is missing or not REG_DWORD.
UINT ProfileGetInt(const char* appKey, const char* section, const char* entry, int def);

// Stores the entry as REG_DWORD, creating the keys. FALSE when it cannot be written.
BOOL ProfileWriteInt(const char* appKey, const char* section, const char* entry, int value);

// The entry's text, or def ("" for NULL) when it is missing or not REG_SZ.
std::string ProfileGetString(const char* appKey, const char* section, const char* entry, const char* def);

// Stores the entry as REG_SZ. value NULL removes the entry; entry NULL removes the whole section.
// FALSE when it cannot be written (removing what does not exist also gives FALSE).
BOOL ProfileWriteString(const char* appKey, const char* section, const char* entry, const char* value);

// Reads a REG_BINARY entry into data. FALSE (data emptied) when it is missing or of another type.
BOOL ProfileGetBinary(const char* appKey, const char* section, const char* entry, std::vector<BYTE>& data);

// Stores bytes bytes as a REG_BINARY entry. FALSE when it cannot be written.
BOOL ProfileWriteBinary(const char* appKey, const char* section, const char* entry, const BYTE* data,
                        UINT bytes);

// The settings file the store uses now (follows XDG_CONFIG_HOME at every call).
std::string RegistryStorePath();

// Test support: closes every open key handle and forgets the cached file, as a new process would.
void ResetRegistryStoreForTests();

// Test support: called after the new file is written and synced, before it replaces the old one,
// to simulate a crash there. NULL removes the hook.
void SetRegistryCommitHookForTests(void (*hook)());

} // namespace kel
