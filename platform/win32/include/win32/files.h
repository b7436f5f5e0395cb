// Files and folders.
//
// Paths: callers may use '\\' as separator; the layer turns every '\\' into '/' before the system
// sees the path (Linux names cannot then contain a backslash through this API). A path of MAX_PATH
// characters or more is refused with ERROR_FILENAME_EXCED_RANGE, never cut. Names are passed
// byte for byte. System errors map to Win32 codes (kel::ErrorFromErrno). Files are opened
// close-on-exec.
#pragma once

#include "win32/types.h"

typedef struct _OVERLAPPED
{
    ULONG_PTR Internal;     // STATUS_PENDING while running, then the Win32 error code of the result
    ULONG_PTR InternalHigh; // bytes transferred
    union
    {
        struct
        {
            DWORD Offset;
            DWORD OffsetHigh;
        };
        PVOID Pointer;
    };
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_OVERLAPPED 0x40000000u
#define FILE_FLAG_NO_BUFFERING 0x20000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000u
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000u

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002

// Opens or creates a file. "\\.\NAME" goes to the registered device opener (serial ports);
// "COM1" to "COM9" without the prefix go there too, as on Windows;
// without one ERROR_FILE_NOT_FOUND. A directory cannot be opened (ERROR_ACCESS_DENIED). With
// CREATE_ALWAYS / OPEN_ALWAYS on an existing file the last error is ERROR_ALREADY_EXISTS, else 0.
// Returns INVALID_HANDLE_VALUE with the last error set on failure.
HANDLE CreateFile(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                  LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                  DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
#define CreateFileA CreateFile

// Reads up to nNumberOfBytesToRead; on a file fewer only at its end (0 at the end: TRUE, 0 bytes).
// With an OVERLAPPED the file offset comes from it, the result is stored in it and its event set.
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped);
// Writes all bytes (ERROR_DISK_FULL when the disk fills).
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped);
// Result of an overlapped operation; FALSE with ERROR_IO_INCOMPLETE while pending and !bWait.
BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred,
                         BOOL bWait);
// Cancels the calling thread's pending I/O on the handle.
BOOL CancelIo(HANDLE hFile);

// Moves the file pointer; returns the low 32 bits of the new position (high part through
// lpDistanceToMoveHigh). INVALID_SET_FILE_POINTER with the last error set on failure
// (ERROR_NEGATIVE_SEEK before the start); check GetLastError when the low part may be all ones.
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);
BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                      DWORD dwMoveMethod);
// File size (low part; high part through lpFileSizeHigh); INVALID_FILE_SIZE on failure.
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize);
// Cuts or extends the file at the file pointer.
BOOL SetEndOfFile(HANDLE hFile);
BOOL FlushFileBuffers(HANDLE hFile);
// Times of an open file (creation time is the last status change: Linux keeps no creation time).
BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                 LPFILETIME lpLastWriteTime);
BOOL SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime);
// FILE_TYPE_DISK for files, FILE_TYPE_CHAR for devices.
DWORD GetFileType(HANDLE hFile);

// Deletes a file; a read-only file or a directory gives ERROR_ACCESS_DENIED, as on Windows.
BOOL DeleteFile(LPCSTR lpFileName);
// Renames; fails with ERROR_ALREADY_EXISTS when the target exists.
BOOL MoveFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
// MOVEFILE_REPLACE_EXISTING replaces a target file; MOVEFILE_COPY_ALLOWED copies across file systems.
BOOL MoveFileEx(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);
// Copies contents, read-only attribute and last-write time. With bFailIfExists an existing
// target gives ERROR_FILE_EXISTS.
BOOL CopyFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
#define DeleteFileA DeleteFile
#define MoveFileA MoveFile
#define MoveFileExA MoveFileEx
#define CopyFileA CopyFile

// FILE_ATTRIBUTE_DIRECTORY / READONLY, FILE_ATTRIBUTE_NORMAL for a plain file;
// INVALID_FILE_ATTRIBUTES with the last error set when it does not exist.
DWORD GetFileAttributes(LPCSTR lpFileName);
// Only FILE_ATTRIBUTE_READONLY has an effect (removes / restores write permission).
BOOL SetFileAttributes(LPCSTR lpFileName, DWORD dwFileAttributes);
#define GetFileAttributesA GetFileAttributes
#define SetFileAttributesA SetFileAttributes

// ERROR_ALREADY_EXISTS when it exists, ERROR_PATH_NOT_FOUND when the parent is missing.
BOOL CreateDirectory(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
// ERROR_DIR_NOT_EMPTY when not empty, ERROR_DIRECTORY when not a directory.
BOOL RemoveDirectory(LPCSTR lpPathName);
#define CreateDirectoryA CreateDirectory
#define RemoveDirectoryA RemoveDirectory

// Returns the length without terminator, or the size needed (with terminator) when nBufferLength
// is too small; 0 on failure.
DWORD GetCurrentDirectory(DWORD nBufferLength, LPSTR lpBuffer);
BOOL SetCurrentDirectory(LPCSTR lpPathName);
#define GetCurrentDirectoryA GetCurrentDirectory
#define SetCurrentDirectoryA SetCurrentDirectory

// Absolute path of the running executable (for NULL or any module handle). Returns the length
// copied; when nSize is too small the text is cut to nSize-1 characters, nSize is returned and the
// last error is ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileName(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
#define GetModuleFileNameA GetModuleFileName

// The folder for temporary files ($TMPDIR or /tmp), ending in '/'. Length as GetCurrentDirectory.
DWORD GetTempPath(DWORD nBufferLength, LPSTR lpBuffer);
// Makes "<path>/<up to 3 chars of prefix><hex>.tmp" in lpTempFileName (MAX_PATH chars). With
// uUnique 0 the name is unique and the file is created empty; returns the number used, 0 on failure.
UINT GetTempFileName(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName);
#define GetTempPathA GetTempPath
#define GetTempFileNameA GetTempFileName

typedef struct _WIN32_FIND_DATA
{
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATA, *PWIN32_FIND_DATA, *LPWIN32_FIND_DATA;
typedef WIN32_FIND_DATA WIN32_FIND_DATAA;

// Lists the entries of a folder whose name matches the last part of lpFileName ('*' and '?',
// case-insensitive; "*.*" matches every name), "." and ".." included, in name order.
// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when
// the folder does not exist.
HANDLE FindFirstFile(LPCSTR lpFileName, LPWIN32_FIND_DATA lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFile(HANDLE hFindFile, LPWIN32_FIND_DATA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
#define FindFirstFileA FindFirstFile
#define FindNextFileA FindNextFile
