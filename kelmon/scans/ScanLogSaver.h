// Saving a binary scan log (.ana, .hst) as one file per sweep: the savers walk the log through the
// owning scan's log-reading operations and let the scan write each sweep, as text (the scan's
// ASCII export) or in the document format. Made by CScanLogSaverFactory.
#pragma once

#include <windows.h>

#include <string>

class CScan;

// The file-name form of a time text: a blank becomes '_', a colon '-', commas, line feeds and tabs
// are dropped ("Jan 05, 2024  01:02:03 PM" gives "Jan_05_2024__01-02-03_PM").
std::string MakeFileNameFromTime(const std::string& text);

class CScanLogSaver
{
public:
    virtual ~CScanLogSaver() = default;
    // Walks the source log from its first record to its last and writes one file per record into
    // the target folder, named by the record's time (a name written before in the same walk, or
    // present already, gets "_2", "_3", ... so nothing is replaced). 1 when the log was walked to
    // its end or a sweep could not be read or written (files written stay); 0 without a scan or
    // when the log cannot be opened (shown with its cause).
    virtual BOOL Save() { return 0; }
    virtual void SetScan(CScan* scan) { m_pScan = scan; }
    virtual void SetSourcePath(const std::string& path) { m_sourcePath = path; }
    virtual void SetTargetFolder(const std::string& folder) { m_targetFolder = folder; }

protected:
    // The walk of Save, with the extension of the files and the scan's writer of one sweep.
    BOOL Walk(const char* extension, BOOL (CScan::*writer)(LPCTSTR));

    std::string m_sourcePath;
    std::string m_targetFolder;
    CScan* m_pScan = nullptr; // not owned
};
