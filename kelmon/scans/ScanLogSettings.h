// The logging options of one scan kind: whether and how its data are logged to files. Each scan
// kind and the document keep one; the logging dialogs edit it.
#pragma once

#include <afx.h>

#include <cstdint>

class CScanLogSettings
{
public:
    // How log names are made.
    enum : int32_t
    {
        kNameDocumentTitle = 0, // document title + time stamp
        kNameUserDefined = 1    // the user's file name + time stamp
    };
    // What is saved of a run.
    enum : int32_t
    {
        kSaveEveryScan = 0,
        kSaveEveryN = 1
    };

    virtual ~CScanLogSettings() = default;

    // The interval a scan logs at: every N, or 1 when every scan is saved.
    int32_t GetLogEvery() const { return m_saveMode == kSaveEveryScan ? 1 : m_everyN; }

    CString m_folder;   // folder of the log files
    CString m_fileName; // the user's file name
    int32_t m_saveMode = kSaveEveryScan;
    int32_t m_nameRule = kNameDocumentTitle;
    int32_t m_fileType = 0; // real-time logs: 0 text (.txt), 1 the document format
    int32_t m_enabled = 1;
    int32_t m_maxSaved = 50; // most scans saved
    int32_t m_everyN = 2;    // N of "save every N scans"
};
