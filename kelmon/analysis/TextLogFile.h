// Append-only text log files; the analysis log of the analog and histogram scans is one.
#pragma once

#include <afx.h>

#include <cstdint>
#include <memory>

// What a scan needs of a log file.
class CLogFileBase
{
public:
    virtual ~CLogFileBase() = default;
    virtual void Enable() = 0;
    virtual BOOL Write(LPCTSTR text) = 0;
    virtual void Disable() = 0;
    virtual BOOL Open(LPCTSTR path) = 0;
    virtual BOOL Close() = 0;
};

class CTextLogFile : public CLogFileBase
{
public:
    CTextLogFile();
    ~CTextLogFile() override;

    // Writing starts disabled.
    void Enable() override { m_enabled = 1; }
    void Disable() override { m_enabled = 0; }
    BOOL IsEnabled() const { return m_enabled != 0; }
    // Only while enabled and open: appends text as it stands (no line end added; "\n" is written
    // as CR LF, as text files are). FALSE when nothing was written or the write failed; a failed
    // write leaves the file as it was before it.
    BOOL Write(LPCTSTR text) override;
    // Closes the file if open, then opens path for appending (created when missing). FALSE when
    // the file cannot be opened.
    BOOL Open(LPCTSTR path) override;
    // Closes the file if open; always TRUE.
    BOOL Close() override;
    BOOL IsOpen() const { return m_file != nullptr; }

private:
    int32_t m_enabled = 0;
    std::unique_ptr<CStdioFile> m_file;
};
