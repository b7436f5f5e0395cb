#include "scans/ScanLogSaver.h"

#include "foundation/Paths.h"
#include "res/resource.h"
#include "scans/Scan.h"

#include <afxwin.h>

std::string MakeFileNameFromTime(const std::string& text)
{
    std::string name;
    name.reserve(text.size());
    for (char c : text)
    {
        switch (c)
        {
        case ' ':
            name += '_';
            break;
        case ':':
            name += '-';
            break;
        case ',':
        case '\n':
        case '\t':
            break;
        default:
            name += c;
        }
    }
    return name;
}

BOOL CScanLogSaver::Walk(const char* extension, BOOL (CScan::*writer)(LPCTSTR))
{
    if (!m_pScan)
        return 0;
    CFile file;
    CFileException error;
    if (!file.Open(m_sourcePath.c_str(), CFile::modeRead | CFile::shareDenyNone, &error))
    {
        CString cause, text;
        cause.Format("Error:%d", error.m_cause);
        AfxFormatString2(text, IDS_FILE_OPEN_FAILED, m_sourcePath.c_str(), cause);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        return 0;
    }
    m_pScan->RewindViewPosition();
    if (m_pScan->ReadLogFile(file))
    {
        // Record 0 first, then Next until the log wraps back to it.
        int wrapped = 0;
        BOOL read = m_pScan->ReadLogScan(LOG_RECORD_FIRST, file, 0, wrapped);
        while (read)
        {
            const std::string name =
                MakeFileNameFromTime(std::string(m_pScan->m_strLogSweepTime)) + extension;
            const CString path = MakeUniquePath(JoinPath(m_targetFolder, name).c_str());
            if (!(m_pScan->*writer)(path))
                break;
            read = m_pScan->ReadLogScan(LOG_RECORD_NEXT, file, 0, wrapped) && !wrapped;
        }
    }
    m_pScan->RestoreViewPosition();
    return 1;
}
