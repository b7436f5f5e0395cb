// The exception classes: causes, message texts and the throw helpers.
#include "mfc/Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CResourceException, CSimpleException)
IMPLEMENT_DYNAMIC(CUserException, CSimpleException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)

namespace
{
// Win32 codes that types.h does not name.
constexpr LONG kErrorCurrentDirectory = 16;
constexpr LONG kErrorNotDosDisk = 26;
constexpr LONG kErrorSectorNotFound = 27;

// `the file "name"`, or `the file` when the name is unknown.
CString Subject(LPCTSTR lpszNoun, const CString& strName)
{
    CString s(lpszNoun);
    if (!strName.IsEmpty())
    {
        s += " \"";
        s += strName;
        s += "\"";
    }
    return s;
}

CString Sentence(LPCTSTR lpszBefore, const CString& strSubject, LPCTSTR lpszAfter)
{
    CString s(lpszBefore);
    s += strSubject;
    s += lpszAfter;
    return s;
}

thread_local CException* tPendingThrow = nullptr;
} // namespace

// ---- CException ----

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const
{
    if (pnHelpContext != NULL)
        *pnHelpContext = 0;
    const CString text = MessageText();
    if (lpszError != NULL && nMaxError > 0)
    {
        const size_t n = std::min<size_t>(static_cast<size_t>(text.GetLength()), nMaxError - 1);
        std::memcpy(lpszError, text.GetString(), n);
        lpszError[n] = '\0';
    }
    return text.IsEmpty() ? FALSE : TRUE;
}

CString CMemoryException::MessageText() const
{
    return "Out of memory.";
}

CString CNotSupportedException::MessageText() const
{
    return "The operation is not supported.";
}

CString CInvalidArgException::MessageText() const
{
    return "A function was called with an invalid argument.";
}

CString CResourceException::MessageText() const
{
    return "A required resource could not be found or loaded.";
}

// ---- CFileException ----

CFileException::CFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName)
{
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError)
    {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_DEV_NOT_EXIST:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_NOACCESS:
    case ERROR_NOT_OWNER:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_INVALID:
        return invalidFile;
    case kErrorCurrentDirectory:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
    case ERROR_NO_MORE_FILES:
        return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
        return badSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_BAD_UNIT:
    case kErrorNotDosDisk:
    case kErrorSectorNotFound:
    case ERROR_DEVICE_NOT_CONNECTED:
        return hardIO;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

int CFileException::ErrnoToException(int nErrno)
{
    switch (nErrno)
    {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case ENXIO:
    case ENODEV:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case ESPIPE:
        return badSeek;
    case EIO:
        return hardIO;
    case EBUSY:
    case ETXTBSY:
        return sharingViolation;
    case EDEADLK:
    case ENOLCK:
        return lockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return diskFull;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName)
{
    const int cause = lOsError == 0 ? genericException : OsErrorToException(lOsError);
    throw new CFileException(cause, lOsError, lpszFileName);
}

void CFileException::ThrowErrno(int nErrno, LPCTSTR lpszFileName)
{
    const int cause = nErrno == 0 ? genericException : ErrnoToException(nErrno);
    throw new CFileException(cause, -1, lpszFileName);
}

CString CFileException::MessageText() const
{
    const CString file = Subject("the file", m_strFileName);
    switch (m_cause)
    {
    case none:
        return "No error occurred.";
    case fileNotFound:
        return Sentence("Cannot find ", file, ".");
    case badPath:
        return Sentence("The path of ", file, " is not valid, or a folder on it does not exist.");
    case tooManyOpenFiles:
        return Sentence("Cannot open ", file, ": too many files are open.");
    case accessDenied:
        return Sentence("Access to ", file, " was denied.");
    case invalidFile:
        return Sentence("The handle of ", file, " is not valid.");
    case removeCurrentDir:
        return "Cannot remove the current folder.";
    case directoryFull:
        return Sentence("Cannot create ", file, ": the folder is full.");
    case badSeek:
        return Sentence("Cannot move to that position in ", file, ".");
    case hardIO:
        return Sentence("A device error occurred while accessing ", file, ".");
    case sharingViolation:
        return Sentence("Cannot access ", file, ": it is in use by another program.");
    case lockViolation:
        return Sentence("Cannot access ", file, ": a part of it is locked.");
    case diskFull:
        return Sentence("The disk is full; ", file, " could not be written completely.");
    case endOfFile:
        return Sentence("Tried to read past the end of ", file, ".");
    default:
        return Sentence("An unexpected error occurred while accessing ", file, ".");
    }
}

// ---- CArchiveException ----

CArchiveException::CArchiveException(int cause, LPCTSTR lpszArchiveName)
    : m_cause(cause), m_strFileName(lpszArchiveName)
{
}

CString CArchiveException::MessageText() const
{
    const CString file = Subject("the file", m_strFileName);
    switch (m_cause)
    {
    case none:
        return "No error occurred.";
    case readOnly:
        return Sentence("Cannot write to ", file, ": it is open for reading only.");
    case endOfFile:
        return Sentence("Unexpected end of ", file, "; it is damaged or incomplete.");
    case writeOnly:
        return Sentence("Cannot read from ", file, ": it is open for writing only.");
    case badIndex:
        return Sentence("Unexpected reference in ", file, "; it is damaged or not in this program's format.");
    case badClass:
        return Sentence("Unexpected object type in ", file,
                        "; it is damaged or not in this program's format.");
    case badSchema:
        return Sentence("Cannot read ", file, ": it was written by a different version of the program.");
    default:
        return Sentence("Unexpected data in ", file, "; it is damaged or not in this program's format.");
    }
}

// ---- Throw helpers ----

void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}

void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName)
{
    throw new CArchiveException(cause, lpszArchiveName);
}

void AfxThrowMemoryException()
{
    static CMemoryException preallocated(FALSE);
    throw &preallocated;
}

void AfxThrowNotSupportedException()
{
    throw new CNotSupportedException;
}

void AfxThrowUserException()
{
    throw new CUserException;
}

void AfxThrowInvalidArgException()
{
    throw new CInvalidArgException;
}

void AfxThrowResourceException()
{
    throw new CResourceException;
}

// ---- TRY/CATCH support ----

namespace kel::mfc
{
ExceptionLink::ExceptionLink(CException* pException) : m_pException(pException)
{
    if (tPendingThrow == pException)
        tPendingThrow = nullptr;
}

ExceptionLink::~ExceptionLink()
{
    if (m_pException != nullptr && m_pException != tPendingThrow)
        m_pException->Delete();
}

void NoteThrow(CException* pException)
{
    tPendingThrow = pException;
}
} // namespace kel::mfc
