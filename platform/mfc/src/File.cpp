// CFile over the layer's Win32 file calls.
#include "mfc/File.h"

#include <windows.h>

#include <cstring>
#include <filesystem>

IMPLEMENT_DYNAMIC(CFile, CObject)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace
{
bool IsDevicePath(const char* psz)
{
    return std::strncmp(psz, "\\\\.\\", 4) == 0;
}

// The absolute form of a file name, '/' separated (the file calls take '\\'
// too), for GetFilePath and messages. Device names stay as they are.
CString FullPath(LPCTSTR lpszFileName)
{
    if (IsDevicePath(lpszFileName))
        return lpszFileName;
    std::string path(lpszFileName);
    for (char& ch : path)
    {
        if (ch == '\\')
            ch = '/';
    }
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec)
        return path.c_str();
    return full.lexically_normal().string().c_str();
}

// Index of the name part: after the last '/' or '\\'.
int NameStart(const CString& strPath)
{
    const int nSlash = strPath.ReverseFind('/');
    const int nBackslash = strPath.ReverseFind('\\');
    return (nSlash > nBackslash ? nSlash : nBackslash) + 1;
}
} // namespace

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : m_hFile(hFileNull), m_bCloseOnDelete(FALSE)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != hFileNull && m_bCloseOnDelete)
        CFile::Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (pError != NULL)
        pError->Reset();
    if (m_hFile != hFileNull)
        CFile::Abort(); // reopening an open CFile: let go of the old file first

    auto fail = [&](LONG lOsError)
    {
        if (pError != NULL)
        {
            pError->m_lOsError = lOsError;
            pError->m_cause = CFileException::OsErrorToException(lOsError);
            if (pError->m_cause == CFileException::none)
                pError->m_cause = CFileException::genericException;
            pError->m_strFileName = lpszFileName != NULL ? lpszFileName : "";
        }
        return FALSE;
    };
    if (lpszFileName == NULL || *lpszFileName == '\0')
        return fail(ERROR_PATH_NOT_FOUND);
    if (std::strlen(lpszFileName) >= MAX_PATH)
        return fail(ERROR_FILENAME_EXCED_RANGE);

    DWORD dwAccess = 0;
    switch (nOpenFlags & 3)
    {
    case modeRead:
        dwAccess = GENERIC_READ;
        break;
    case modeWrite:
        dwAccess = GENERIC_WRITE;
        break;
    case modeReadWrite:
        dwAccess = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }

    DWORD dwShare = 0;
    switch (nOpenFlags & 0x70)
    {
    case shareDenyWrite:
        dwShare = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        dwShare = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default: // shareCompat, shareExclusive
        break;
    }

    DWORD dwCreate = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        dwCreate = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    SECURITY_ATTRIBUTES sa = {sizeof(SECURITY_ATTRIBUTES), NULL, (nOpenFlags & modeNoInherit) ? FALSE : TRUE};
    const HANDLE hFile =
        ::CreateFile(lpszFileName, dwAccess, dwShare, &sa, dwCreate, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return fail(static_cast<LONG>(::GetLastError()));

    m_hFile = hFile;
    m_bCloseOnDelete = TRUE;
    m_strFileName = FullPath(lpszFileName);
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return 0;
    DWORD dwRead = 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &dwRead, NULL))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
    return dwRead;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    DWORD dwWritten = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &dwWritten, NULL))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
    if (dwWritten != nCount)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    DWORD dwMethod = FILE_BEGIN;
    if (nFrom == current)
        dwMethod = FILE_CURRENT;
    else if (nFrom == end)
        dwMethod = FILE_END;
    else if (nFrom != begin)
        AfxThrowInvalidArgException();
    if (nFrom == begin && lOff < 0)
        AfxThrowFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK, m_strFileName);

    LARGE_INTEGER distance;
    distance.QuadPart = lOff;
    LARGE_INTEGER newPos;
    newPos.QuadPart = 0;
    if (!::SetFilePointerEx(m_hFile, distance, &newPos, dwMethod))
    {
        const LONG lOsError = static_cast<LONG>(::GetLastError());
        // A move before the start is always a bad seek, whatever the call reported.
        if (lOsError == ERROR_INVALID_PARAMETER)
            AfxThrowFileException(CFileException::badSeek, lOsError, m_strFileName);
        CFileException::ThrowOsError(lOsError, m_strFileName);
    }
    return static_cast<ULONGLONG>(newPos.QuadPart);
}

ULONGLONG CFile::GetPosition() const
{
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    LARGE_INTEGER pos;
    pos.QuadPart = 0;
    if (!::SetFilePointerEx(m_hFile, distance, &pos, FILE_CURRENT))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
    return static_cast<ULONGLONG>(pos.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    size.QuadPart = 0;
    if (!::GetFileSizeEx(m_hFile, &size))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG dwNewLen)
{
    if (dwNewLen > static_cast<ULONGLONG>(INT64_MAX))
        AfxThrowFileException(CFileException::badSeek, -1, m_strFileName);
    CFile::Seek(static_cast<LONGLONG>(dwNewLen), begin);
    if (!::SetEndOfFile(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
}

void CFile::Flush()
{
    if (m_hFile == hFileNull)
        return;
    if (!::FlushFileBuffers(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
}

void CFile::Close()
{
    BOOL bError = FALSE;
    LONG lOsError = 0;
    if (m_hFile != hFileNull)
    {
        bError = !::CloseHandle(m_hFile);
        if (bError)
            lOsError = static_cast<LONG>(::GetLastError());
    }
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    const CString strName = m_strFileName;
    m_strFileName.Empty();
    if (bError)
        CFileException::ThrowOsError(lOsError, strName);
}

void CFile::Abort()
{
    if (m_hFile != hFileNull)
        ::CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

CString CFile::GetFileName() const
{
    const CString strPath = GetFilePath();
    return strPath.Mid(NameStart(strPath));
}

CString CFile::GetFileTitle() const
{
    const CString strName = GetFileName();
    const int nDot = strName.ReverseFind('.');
    return nDot > 0 ? strName.Left(nDot) : strName;
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const
{
    if (m_strFileName.IsEmpty())
        return FALSE;
    return GetStatus(m_strFileName, rStatus);
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus)
{
    rStatus = CFileStatus();
    if (lpszFileName == NULL || *lpszFileName == '\0' || std::strpbrk(lpszFileName, "*?") != NULL)
        return FALSE;
    const CString strFull = FullPath(lpszFileName);
    if (strFull.GetLength() >= MAX_PATH)
        return FALSE;

    WIN32_FIND_DATA fd;
    const HANDLE hFind = ::FindFirstFile(lpszFileName, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    ::FindClose(hFind);

    std::memcpy(rStatus.m_szFullName, strFull.GetString(), static_cast<size_t>(strFull.GetLength()) + 1);
    rStatus.m_ctime = CTime(fd.ftCreationTime);
    rStatus.m_mtime = CTime(fd.ftLastWriteTime);
    rStatus.m_atime = CTime(fd.ftLastAccessTime);
    rStatus.m_size = (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    // The attribute byte keeps the classic bits only; FILE_ATTRIBUTE_NORMAL
    // (0x80) means none.
    rStatus.m_attribute = static_cast<BYTE>(fd.dwFileAttributes & 0x3F);
    return TRUE;
}

void CFile::Remove(LPCTSTR lpszFileName)
{
    if (!::DeleteFile(lpszFileName))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), lpszFileName);
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName)
{
    if (!::MoveFile(lpszOldName, lpszNewName))
        CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), lpszOldName);
}
