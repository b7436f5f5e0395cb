// CMemFile: a file kept in a malloc'ed buffer (malloc so Detach can hand it to C-style owners).
#include "mfc/File.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes != 0 ? nGrowBytes : 1024) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) : m_nGrowBytes(nGrowBytes)
{
    Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile()
{
    FreeBuffer();
}

void CMemFile::FreeBuffer()
{
    if (m_bAutoDelete)
        std::free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes)
{
    FreeBuffer();
    m_lpBuffer = lpBuffer;
    m_nBufferSize = lpBuffer != nullptr ? nBufferSize : 0;
    m_nGrowBytes = nGrowBytes;
    m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
    m_bAutoDelete = nGrowBytes != 0;
}

BYTE* CMemFile::Detach()
{
    BYTE* lpBuffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = true;
    if (m_nGrowBytes == 0)
        m_nGrowBytes = 1024;
    return lpBuffer;
}

void CMemFile::GrowFile(SIZE_T nNewSize)
{
    if (nNewSize <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0 || !m_bAutoDelete)
        AfxThrowMemoryException(); // the caller's fixed buffer cannot grow
    // Whole steps of nGrowBytes, counted rather than added one by one: a far seek or a huge
    // SetLength must fail at once, not loop for ages or wrap around.
    const SIZE_T nSteps = (nNewSize - m_nBufferSize - 1) / m_nGrowBytes + 1;
    if (nSteps > (std::numeric_limits<SIZE_T>::max() - m_nBufferSize) / m_nGrowBytes)
        AfxThrowMemoryException();
    const SIZE_T nNewBufSize = m_nBufferSize + nSteps * m_nGrowBytes;
    BYTE* lpNew = static_cast<BYTE*>(std::realloc(m_lpBuffer, nNewBufSize));
    if (lpNew == nullptr)
        AfxThrowMemoryException();
    std::memset(lpNew + m_nBufferSize, 0, nNewBufSize - m_nBufferSize);
    m_lpBuffer = lpNew;
    m_nBufferSize = nNewBufSize;
}

BOOL CMemFile::Open(LPCTSTR, UINT, CFileException*)
{
    AfxThrowNotSupportedException();
}

UINT CMemFile::Read(void* lpBuf, UINT nCount)
{
    if (m_nPosition >= m_nFileSize || nCount == 0)
        return 0;
    const SIZE_T n = std::min<SIZE_T>(nCount, m_nFileSize - m_nPosition);
    std::memcpy(lpBuf, m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    if (m_nPosition > std::numeric_limits<SIZE_T>::max() - nCount)
        AfxThrowMemoryException();
    const SIZE_T nEnd = m_nPosition + nCount;
    GrowFile(nEnd);
    // After a seek past the end, the gap reads as zeros (the buffer may hold bytes cut off earlier).
    if (m_nPosition > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    std::memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
    m_nPosition = nEnd;
    m_nFileSize = std::max(m_nFileSize, nEnd);
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom)
{
    LONGLONG base = 0;
    if (nFrom == current)
        base = static_cast<LONGLONG>(m_nPosition);
    else if (nFrom == end)
        base = static_cast<LONGLONG>(m_nFileSize);
    else if (nFrom != begin)
        AfxThrowInvalidArgException();
    LONGLONG pos = 0;
    if (__builtin_add_overflow(base, lOff, &pos) || pos < 0)
        AfxThrowFileException(CFileException::badSeek, -1, m_strFileName);
    m_nPosition = static_cast<SIZE_T>(pos);
    return m_nPosition;
}

void CMemFile::SetLength(ULONGLONG dwNewLen)
{
    if (dwNewLen > std::numeric_limits<SIZE_T>::max() / 2)
        AfxThrowMemoryException();
    const SIZE_T nNewLen = static_cast<SIZE_T>(dwNewLen);
    GrowFile(nNewLen);
    if (nNewLen > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, nNewLen - m_nFileSize);
    m_nFileSize = nNewLen;
    m_nPosition = std::min(m_nPosition, m_nFileSize);
}

void CMemFile::Close()
{
    FreeBuffer();
    m_bAutoDelete = true;
    if (m_nGrowBytes == 0)
        m_nGrowBytes = 1024;
}
