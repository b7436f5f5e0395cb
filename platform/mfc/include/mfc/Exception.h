// The exception family, thrown by pointer: `throw new CFileException(...)`, caught as
// `catch (CException* e)` and released with e->Delete().
#pragma once

#include "mfc/Object.h"
#include "mfc/String.h"
#include "win32/styles.h"

class CException : public CObject
{
    DECLARE_DYNAMIC(CException)
public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}

    // Frees the exception unless it is a preallocated one (m_bAutoDelete FALSE).
    void Delete();

    // Copies a readable message (at most nMaxError-1 chars plus NUL) into lpszError; sets
    // *pnHelpContext to 0. Returns FALSE, with an empty text, when there is no message.
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = NULL) const;

    // Shows the message in the framework's message box (AfxMessageBox) of style nType; when the
    // exception has no message, string nMessageID is shown instead (or a generic text when that
    // is 0 or missing). Returns the message box's result.
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0);

protected:
    // The message text, or "" when there is none; GetErrorMessage copies it out.
    virtual CString MessageText() const { return CString(); }

    BOOL m_bAutoDelete;
};

// Base of the exceptions whose message is fixed.
class CSimpleException : public CException
{
    DECLARE_DYNAMIC(CSimpleException)
public:
    explicit CSimpleException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
};

class CMemoryException : public CSimpleException
{
    DECLARE_DYNAMIC(CMemoryException)
public:
    explicit CMemoryException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}

protected:
    CString MessageText() const override;
};

class CNotSupportedException : public CSimpleException
{
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    explicit CNotSupportedException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}

protected:
    CString MessageText() const override;
};

class CInvalidArgException : public CSimpleException
{
    DECLARE_DYNAMIC(CInvalidArgException)
public:
    explicit CInvalidArgException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}

protected:
    CString MessageText() const override;
};

class CResourceException : public CSimpleException
{
    DECLARE_DYNAMIC(CResourceException)
public:
    explicit CResourceException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}

protected:
    CString MessageText() const override;
};

// Thrown after the user was already told (or cancelled); it carries no message.
class CUserException : public CSimpleException
{
    DECLARE_DYNAMIC(CUserException)
public:
    explicit CUserException(BOOL bAutoDelete = TRUE) : CSimpleException(bAutoDelete) {}
};

class CFileException : public CException
{
    DECLARE_DYNAMIC(CFileException)
public:
    enum
    {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszFileName = NULL);

    // Back to "no error", keeping the object (Open fills a caller's exception this way).
    void Reset()
    {
        m_cause = none;
        m_lOsError = -1;
        m_strFileName.Empty();
    }

    // The cause for a Win32 error code (ERROR_*); genericException for codes without one.
    static int OsErrorToException(LONG lOsError);
    // The cause for a C runtime errno value; genericException for values without one.
    static int ErrnoToException(int nErrno);
    // Throw a CFileException for the error; always throws (a zero code gives genericException).
    [[noreturn]] static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = NULL);
    [[noreturn]] static void ThrowErrno(int nErrno, LPCTSTR lpszFileName = NULL);

    int m_cause;
    LONG m_lOsError; // -1 when no system error code applies
    CString m_strFileName;

protected:
    CString MessageText() const override;
};

class CArchiveException : public CException
{
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum
    {
        none = 0,
        genericException = 1,
        readOnly = 2,  // a store into an archive opened for loading
        endOfFile = 3, // a read past the end of the data
        writeOnly = 4, // a load from an archive opened for storing
        badIndex = 5,  // a reference to an object or class that was never read
        badClass = 6,  // an unknown class, or not the class asked for
        badSchema = 7  // a stored schema this class cannot read
    };

    explicit CArchiveException(int cause = none, LPCTSTR lpszArchiveName = NULL);

    int m_cause;
    CString m_strFileName;

protected:
    CString MessageText() const override;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, LPCTSTR lpszFileName = NULL);
[[noreturn]] void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName = NULL);
// Throws the one preallocated CMemoryException (Delete leaves it alone), so reporting an
// out-of-memory condition needs no memory.
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowUserException();
[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowResourceException();

// ---- TRY/CATCH macros over C++ exceptions ----
// As with the classic macros, an exception caught by CATCH is deleted at the end of its block
// unless the block rethrows it with THROW_LAST() or THROW(e).

namespace kel::mfc
{
// Deletes the caught exception when the CATCH block ends, unless it is being rethrown.
class ExceptionLink
{
public:
    explicit ExceptionLink(CException* pException);
    ~ExceptionLink();
    ExceptionLink(const ExceptionLink&) = delete;
    ExceptionLink& operator=(const ExceptionLink&) = delete;
    void Release() { m_pException = nullptr; }

private:
    CException* m_pException;
};

// Records the exception being thrown, so a CATCH block rethrowing its own exception keeps it.
void NoteThrow(CException* pException);

template <class T> [[noreturn]] void Throw(T* pException)
{
    NoteThrow(pException);
    throw pException;
}
} // namespace kel::mfc

#define TRY try
#define CATCH(class_name, e)                                                                                 \
    catch (class_name * e)                                                                                   \
    {                                                                                                        \
        ::kel::mfc::ExceptionLink afxExceptionLink_(e);
#define AND_CATCH(class_name, e)                                                                             \
    }                                                                                                        \
    catch (class_name * e)                                                                                   \
    {                                                                                                        \
        ::kel::mfc::ExceptionLink afxExceptionLink_(e);
#define END_CATCH }
#define CATCH_ALL(e) CATCH(CException, e)
#define AND_CATCH_ALL(e) AND_CATCH(CException, e)
#define END_CATCH_ALL }
#define THROW(e) ::kel::mfc::Throw(e)
#define THROW_LAST()                                                                                         \
    do                                                                                                       \
    {                                                                                                        \
        afxExceptionLink_.Release();                                                                         \
        throw;                                                                                               \
    } while (0)
#define DELETE_EXCEPTION(e)                                                                                  \
    do                                                                                                       \
    {                                                                                                        \
        if (e)                                                                                               \
            (e)->Delete();                                                                                   \
    } while (0)
