#include "analysis/TextLogFile.h"

CTextLogFile::CTextLogFile() = default;

CTextLogFile::~CTextLogFile()
{
    Close();
}

BOOL CTextLogFile::Open(LPCTSTR path)
{
    Close();
    auto file = std::make_unique<CStdioFile>();
    if (!file->Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite |
                              CFile::shareDenyWrite | CFile::typeText))
        return FALSE;
    m_file = std::move(file);
    return TRUE;
}

BOOL CTextLogFile::Write(LPCTSTR text)
{
    if (!m_enabled || !m_file)
        return FALSE;
    ULONGLONG length = 0;
    try
    {
        length = m_file->SeekToEnd();
        m_file->WriteString(text);
        m_file->Flush();
    }
    catch (CFileException* e)
    {
        e->Delete();
        // Text written in part (a full disk) is taken back: the log keeps whole lines only.
        try
        {
            m_file->SetLength(length);
        }
        catch (CFileException* again)
        {
            again->Delete();
        }
        return FALSE;
    }
    return TRUE;
}

BOOL CTextLogFile::Close()
{
    if (m_file)
    {
        m_file->Abort();
        m_file.reset();
    }
    return TRUE;
}
