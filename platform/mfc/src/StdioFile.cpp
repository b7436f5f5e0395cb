// CStdioFile: line-oriented text files. Files keep their Windows form ("\r\n"
// line ends), so they stay exchangeable; text mode translates at this boundary
// only.
#include "mfc/File.h"

#include <algorithm>
#include <cstring>
#include <string>

IMPLEMENT_DYNAMIC(CStdioFile, CFile)

namespace
{
constexpr size_t nReadAhead = 4096;
}

CStdioFile::CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    m_readBuf.clear();
    m_readPos = 0;
    m_bText = !(nOpenFlags & typeBinary);
    return CFile::Open(lpszFileName, nOpenFlags & ~static_cast<UINT>(typeText | typeBinary), pError);
}

int CStdioFile::PeekRawByte()
{
    if (m_readPos == m_readBuf.size())
    {
        m_readBuf.resize(nReadAhead);
        m_readPos = 0;
        UINT n = 0;
        try
        {
            n = CFile::Read(m_readBuf.data(), static_cast<UINT>(m_readBuf.size()));
        }
        catch (...)
        {
            m_readBuf.clear();
            throw;
        }
        m_readBuf.resize(n);
        if (n == 0)
            return -1;
    }
    return static_cast<unsigned char>(m_readBuf[m_readPos]);
}

int CStdioFile::GetRawByte()
{
    const int ch = PeekRawByte();
    if (ch >= 0)
        ++m_readPos;
    return ch;
}

int CStdioFile::GetChar()
{
    const int ch = GetRawByte();
    if (m_bText && ch == '\r' && PeekRawByte() == '\n')
    {
        ++m_readPos;
        return '\n';
    }
    return ch;
}

void CStdioFile::DropReadAhead()
{
    const size_t nUnread = m_readBuf.size() - m_readPos;
    m_readBuf.clear();
    m_readPos = 0;
    if (nUnread > 0)
        CFile::Seek(-static_cast<LONGLONG>(nUnread), current);
}

BOOL CStdioFile::ReadString(CString& rString)
{
    std::string line;
    bool bAny = false;
    for (int ch = GetChar(); ch >= 0; ch = GetChar())
    {
        bAny = true;
        if (ch == '\n')
            break;
        line += static_cast<char>(ch);
    }
    rString = CString(line.data(), static_cast<int>(line.size()));
    return bAny ? TRUE : FALSE;
}

LPTSTR CStdioFile::ReadString(LPTSTR lpsz, UINT nMax)
{
    if (lpsz == NULL || nMax == 0)
        AfxThrowInvalidArgException();
    UINT n = 0;
    while (n + 1 < nMax)
    {
        const int ch = GetChar();
        if (ch < 0)
            break;
        lpsz[n++] = static_cast<char>(ch);
        if (ch == '\n')
            break;
    }
    lpsz[n] = '\0';
    return n > 0 ? lpsz : NULL;
}

void CStdioFile::WriteString(LPCTSTR lpsz)
{
    if (lpsz == NULL)
        AfxThrowInvalidArgException();
    Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
}

UINT CStdioFile::Read(void* lpBuf, UINT nCount)
{
    char* pOut = static_cast<char*>(lpBuf);
    if (!m_bText)
    {
        // Hand out what was read ahead, then read the rest directly.
        const size_t nAhead = std::min<size_t>(nCount, m_readBuf.size() - m_readPos);
        std::memcpy(pOut, m_readBuf.data() + m_readPos, nAhead);
        m_readPos += nAhead;
        UINT n = static_cast<UINT>(nAhead);
        if (n < nCount)
            n += CFile::Read(pOut + n, nCount - n);
        return n;
    }
    UINT n = 0;
    while (n < nCount)
    {
        const int ch = GetChar();
        if (ch < 0)
            break;
        pOut[n++] = static_cast<char>(ch);
    }
    return n;
}

void CStdioFile::Write(const void* lpBuf, UINT nCount)
{
    DropReadAhead();
    if (!m_bText)
    {
        CFile::Write(lpBuf, nCount);
        return;
    }
    const char* pIn = static_cast<const char*>(lpBuf);
    std::string out;
    out.reserve(nCount + nCount / 16);
    for (UINT i = 0; i < nCount; ++i)
    {
        if (pIn[i] == '\n')
            out += '\r';
        out += pIn[i];
    }
    CFile::Write(out.data(), static_cast<UINT>(out.size()));
}

ULONGLONG CStdioFile::Seek(LONGLONG lOff, UINT nFrom)
{
    DropReadAhead();
    return CFile::Seek(lOff, nFrom);
}

ULONGLONG CStdioFile::GetPosition() const
{
    return CFile::GetPosition() - (m_readBuf.size() - m_readPos);
}

ULONGLONG CStdioFile::GetLength() const
{
    return CFile::GetLength();
}

void CStdioFile::SetLength(ULONGLONG dwNewLen)
{
    DropReadAhead();
    CFile::SetLength(dwNewLen);
}

void CStdioFile::Flush()
{
    DropReadAhead();
    CFile::Flush();
}

void CStdioFile::Close()
{
    m_readBuf.clear();
    m_readPos = 0;
    CFile::Close();
}

void CStdioFile::Abort()
{
    m_readBuf.clear();
    m_readPos = 0;
    CFile::Abort();
}
