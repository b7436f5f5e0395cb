// CFile (binary files over the Win32 file calls), CStdioFile (text lines with CR LF line ends, as
// the files were on Windows) and CMemFile (a growing file in memory).
#pragma once

#include "mfc/Exception.h"
#include "mfc/Object.h"
#include "mfc/String.h"
#include "mfc/Time.h"

#include <vector>

struct CFileStatus
{
    CTime m_ctime;        // last status change (Linux keeps no creation time)
    CTime m_mtime;        // last write
    CTime m_atime;        // last access
    ULONGLONG m_size = 0; // bytes
    BYTE m_attribute = 0; // CFile::Attribute bits
    char m_szFullName[MAX_PATH] = {};
};

class CFile : public CObject
{
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };
    enum Attribute
    {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20
    };
    enum SeekPosition
    {
        begin = 0,
        current = 1,
        end = 2
    };

    static const HANDLE hFileNull;

    CFile();
    // Wraps an open handle; the handle is not closed when the CFile goes away.
    explicit CFile(HANDLE hFile);
    // Opens the file; throws CFileException on failure.
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    // Closes the file if this object opened it, ignoring errors.
    ~CFile() override;

    // Opens lpszFileName with OpenFlags. Returns FALSE on failure and, when pError is given, fills
    // it with the cause, system error and file name. A path of MAX_PATH chars or more is refused
    // with badPath.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = NULL);

    // Reads up to nCount bytes; returns the number read (fewer at end of file, 0 at the end).
    // Throws CFileException on an error.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // Writes nCount bytes; throws CFileException on an error (diskFull when not all were written).
    virtual void Write(const void* lpBuf, UINT nCount);

    // Moves the position by lOff bytes from begin, current or end; returns the new position.
    // A position before the start throws CFileException::badSeek.
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    // Length in bytes; throws CFileException on an error.
    virtual ULONGLONG GetLength() const;
    // Cuts or extends the file to dwNewLen bytes; throws CFileException on an error.
    virtual void SetLength(ULONGLONG dwNewLen);

    // Writes buffered data to the device; throws CFileException on an error.
    virtual void Flush();
    // Closes the file; throws CFileException on an error. Closing a closed file does nothing.
    virtual void Close();
    // Closes the file, ignoring every error.
    virtual void Abort();

    // The file's name with extension ("scan.log"), its title without extension ("scan") and the
    // full path it was opened by.
    virtual CString GetFileName() const;
    virtual CString GetFileTitle() const;
    virtual CString GetFilePath() const { return m_strFileName; }
    virtual void SetFilePath(LPCTSTR lpszNewName) { m_strFileName = lpszNewName; }

    // Status of the open file; FALSE when it cannot be read.
    BOOL GetStatus(CFileStatus& rStatus) const;
    // Status of the named file; FALSE when it does not exist or cannot be read.
    static BOOL GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus);
    // Deletes / renames a file; throw CFileException on failure.
    static void Remove(LPCTSTR lpszFileName);
    static void Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName);

    HANDLE m_hFile;

protected:
    BOOL m_bCloseOnDelete;
    CString m_strFileName;
};

// Text files: in text mode (the default) "\n" is written as "\r\n", and reading turns "\r\n"
// back into "\n" (a lone "\n" is read as it is). typeBinary passes bytes unchanged.
class CStdioFile : public CFile
{
    DECLARE_DYNAMIC(CStdioFile)
public:
    CStdioFile() = default;
    // Opens the file; throws CFileException on failure.
    CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags);

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = NULL) override;

    // Reads one line into rString without its line end. Returns FALSE at the end of the file
    // (nothing left to read); a last line without a line end still returns TRUE.
    BOOL ReadString(CString& rString);
    // Reads at most nMax-1 chars up to and including the next "\n" (like fgets) and adds a NUL.
    // Returns lpsz, or NULL when nothing was left to read.
    LPTSTR ReadString(LPTSTR lpsz, UINT nMax);
    // Writes the text (up to its NUL); in text mode each "\n" becomes "\r\n".
    void WriteString(LPCTSTR lpsz);

    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override;
    ULONGLONG GetLength() const override;
    void SetLength(ULONGLONG dwNewLen) override;
    void Flush() override;
    void Close() override;
    void Abort() override;

private:
    // Next byte after text translation, or -1 at the end of the file.
    int GetChar();
    // Next raw byte, or -1 at the end of the file.
    int GetRawByte();
    int PeekRawByte();
    // Gives back what was read ahead, so the file position is the logical one again.
    void DropReadAhead();

    bool m_bText = true;
    std::vector<char> m_readBuf; // bytes read ahead from the file
    size_t m_readPos = 0;
};

// A file in memory that grows in steps of nGrowBytes. Reading past the end returns fewer bytes.
class CMemFile : public CFile
{
    DECLARE_DYNAMIC(CMemFile)
public:
    // An empty memory file that grows in steps of nGrowBytes (0 is taken as 1024).
    explicit CMemFile(UINT nGrowBytes = 1024);
    // Works on the caller's buffer; see Attach.
    CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    ~CMemFile() override;

    // Uses lpBuffer as the file. With nGrowBytes 0 the file has nBufferSize bytes and cannot grow
    // (writing past the buffer throws CMemoryException); the buffer stays the caller's.
    // With nGrowBytes > 0 the file starts empty and the buffer, which must come from malloc,
    // becomes the file's own (it may be reallocated and is freed with the file).
    void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    // Hands the buffer to the caller (free() it when it came from the file's own allocations) and
    // leaves the file empty. Returns NULL for an empty file that never allocated.
    BYTE* Detach();

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = NULL) override;
    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    ULONGLONG GetLength() const override { return m_nFileSize; }
    void SetLength(ULONGLONG dwNewLen) override;
    void Flush() override {}
    void Close() override;
    void Abort() override { Close(); }

private:
    // Makes the buffer hold at least nNewSize bytes; new bytes are zero.
    void GrowFile(SIZE_T nNewSize);
    void FreeBuffer();

    UINT m_nGrowBytes;
    SIZE_T m_nPosition = 0;
    SIZE_T m_nBufferSize = 0;
    SIZE_T m_nFileSize = 0;
    BYTE* m_lpBuffer = nullptr;
    bool m_bAutoDelete = true; // buffer comes from malloc and belongs to the file
};
