// Files and folders over POSIX calls.
#include "kinternal.h"
#include "win32/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kel
{

bool TranslatePath(const char* path, std::string& out)
{
    if (!path)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*path)
        return Fail(ERROR_PATH_NOT_FOUND);
    const size_t length = strlen(path);
    if (length >= MAX_PATH)
        return Fail(ERROR_FILENAME_EXCED_RANGE);
    out.assign(path, length);
    std::replace(out.begin(), out.end(), '\\', '/');
    return true;
}

namespace
{
std::string Parent(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : p.substr(0, slash);
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

DWORD ErrorForPath(int err, const std::string& path)
{
    if (err == ENOENT && !IsDirectory(Parent(path)))
        return ERROR_PATH_NOT_FOUND;
    return ErrorFromErrno(err);
}

namespace
{
BOOL FailPath(int err, const std::string& path)
{
    return Fail(ErrorForPath(err, path));
}

FILETIME ToFileTime(const timespec& ts)
{
    const uint64_t v = static_cast<uint64_t>(static_cast<int64_t>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100 +
                                             116444736000000000LL);
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

timespec ToTimespec(const FILETIME& ft)
{
    const int64_t v =
        static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) -
        116444736000000000LL;
    timespec ts;
    ts.tv_sec = static_cast<time_t>(v / 10000000);
    ts.tv_nsec = static_cast<long>(v % 10000000) * 100;
    if (ts.tv_nsec < 0)
    {
        ts.tv_nsec += 1000000000;
        --ts.tv_sec;
    }
    return ts;
}

bool ReadOnly(const struct stat& st)
{
    return (st.st_mode & S_IWUSR) == 0;
}

DWORD Attributes(const struct stat& st)
{
    DWORD a = 0;
    if (S_ISDIR(st.st_mode))
        a |= FILE_ATTRIBUTE_DIRECTORY;
    if (ReadOnly(st))
        a |= FILE_ATTRIBUTE_READONLY;
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

void Completed(LPOVERLAPPED ov, DWORD error, DWORD bytes)
{
    ov->InternalHigh = bytes;
    std::atomic_ref(ov->Internal).store(error, std::memory_order_release);
    if (ov->hEvent)
        SetEvent(ov->hEvent);
}

class FileObject : public KernelObject
{
public:
    FileObject(int fd, std::string deleteOnClose) : m_fd(fd), m_deleteOnClose(std::move(deleteOnClose)) {}
    ~FileObject() override
    {
        close(m_fd);
        if (!m_deleteOnClose.empty())
            unlink(m_deleteOnClose.c_str());
    }
    int Fd() const { return m_fd; }

    BOOL Read(void* buffer, DWORD toRead, DWORD* read, _OVERLAPPED* ov) override
    {
        return Transfer(static_cast<char*>(buffer), toRead, read, ov, false);
    }
    BOOL Write(const void* buffer, DWORD toWrite, DWORD* written, _OVERLAPPED* ov) override
    {
        return Transfer(static_cast<char*>(const_cast<void*>(buffer)), toWrite, written, ov, true);
    }

private:
    // Files move all bytes (short only at the end of a read); EINTR is retried.
    BOOL Transfer(char* buffer, DWORD count, DWORD* done, LPOVERLAPPED ov, bool write)
    {
        off_t offset =
            ov ? static_cast<off_t>((static_cast<uint64_t>(ov->OffsetHigh) << 32) | ov->Offset) : 0;
        DWORD total = 0;
        int err = 0;
        while (total < count)
        {
            const size_t n = count - total;
            ssize_t r;
            if (ov)
                r = write ? pwrite(m_fd, buffer + total, n, offset + total)
                          : pread(m_fd, buffer + total, n, offset + total);
            else
                r = write ? ::write(m_fd, buffer + total, n) : ::read(m_fd, buffer + total, n);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
            {
                err = errno;
                break;
            }
            if (r == 0)
            {
                if (write)
                    err = ENOSPC;
                break;
            }
            total += static_cast<DWORD>(r);
        }
        if (done)
            *done = total;
        const DWORD error = err ? ErrorFromErrno(err) : ERROR_SUCCESS;
        if (ov)
            Completed(ov,
                      error == ERROR_SUCCESS && !write && total == 0 && count > 0 ? ERROR_HANDLE_EOF : error,
                      total);
        if (err)
            return Fail(error);
        if (ov && !write && total == 0 && count > 0)
            return Fail(ERROR_HANDLE_EOF); // overlapped reads report the end as an error
        return TRUE;
    }

    int m_fd;
    std::string m_deleteOnClose;
};

std::shared_ptr<FileObject> File(HANDLE h)
{
    return LookupHandleAs<FileObject>(h);
}

// Case-insensitive match of '*' and '?' against a whole name.
bool Matches(const char* pattern, const char* name)
{
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name)
    {
        if (*pattern == '*')
        {
            starPattern = ++pattern;
            starName = name;
        }
        else if (*pattern == '?' ||
                 tolower(static_cast<unsigned char>(*pattern)) == tolower(static_cast<unsigned char>(*name)))
        {
            ++pattern;
            ++name;
        }
        else if (starPattern)
        {
            pattern = starPattern;
            name = ++starName;
        }
        else
            return false;
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

// Windows name matching: "*.*" is every name, and "name.*" also matches "name" without extension.
bool NameMatches(const std::string& pattern, const std::string& name)
{
    if (pattern == "*.*" || Matches(pattern.c_str(), name.c_str()))
        return true;
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return Matches(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
    return false;
}

class FindObject : public KernelObject
{
public:
    std::vector<WIN32_FIND_DATA> entries;
    size_t next = 0;
};

} // namespace

BOOL KernelObject::GetOverlappedResult(_OVERLAPPED* ov, DWORD* transferred, BOOL wait)
{
    if (!ov)
        return Fail(ERROR_INVALID_PARAMETER);
    // The operation may be completing on another thread: the status is read with acquire, so
    // once it shows the end, the count and the caller's buffer written before it are visible.
    std::atomic_ref status(ov->Internal);
    ULONG_PTR result = status.load(std::memory_order_acquire);
    if (result == STATUS_PENDING)
    {
        if (!wait)
            return Fail(ERROR_IO_INCOMPLETE);
        if (!ov->hEvent || WaitForSingleObject(ov->hEvent, INFINITE) == WAIT_FAILED)
            return Fail(ERROR_INVALID_PARAMETER);
        result = status.load(std::memory_order_acquire);
    }
    if (transferred)
        *transferred = static_cast<DWORD>(ov->InternalHigh);
    if (result != ERROR_SUCCESS)
        return Fail(static_cast<DWORD>(result));
    return TRUE;
}

HANDLE OpenDevice(const std::string& name, DWORD access, DWORD share, DWORD creation, DWORD flags);

// "COM1" to "COM9" (any case, a ':' after them allowed) name the ports without the "\\.\" prefix,
// as the DOS device names do; higher numbers need the prefix.
bool IsDosComName(const char* name)
{
    return name && std::strlen(name) >= 4 && std::strlen(name) <= 5 && strncasecmp(name, "COM", 3) == 0 &&
           name[3] >= '1' && name[3] <= '9' && (name[4] == '\0' || (name[4] == ':'));
}

} // namespace kel

using kel::Fail;

HANDLE CreateFile(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                  DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE)
{
    if (lpFileName && (strncmp(lpFileName, "\\\\.\\", 4) == 0 || strncmp(lpFileName, "//./", 4) == 0))
        return kel::OpenDevice(lpFileName + 4, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                               dwFlagsAndAttributes);
    if (kel::IsDosComName(lpFileName))
        return kel::OpenDevice(std::string(lpFileName, 4), dwDesiredAccess, dwShareMode,
                               dwCreationDisposition, dwFlagsAndAttributes);
    std::string path;
    if (!kel::TranslatePath(lpFileName, path))
        return INVALID_HANDLE_VALUE;

    int flags = O_CLOEXEC;
    const bool read = dwDesiredAccess & (GENERIC_READ | GENERIC_ALL);
    const bool write = dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    flags |= read && write ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
    const mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

    int fd = -1;
    bool existed = false;
    switch (dwCreationDisposition)
    {
    case CREATE_NEW:
        fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
        break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
        if (fd < 0 && errno == EEXIST)
        {
            existed = true;
            fd = open(path.c_str(), flags | (dwCreationDisposition == CREATE_ALWAYS ? O_TRUNC : 0));
        }
        break;
    case OPEN_EXISTING:
        fd = open(path.c_str(), flags);
        break;
    case TRUNCATE_EXISTING:
        if (!write)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        fd = open(path.c_str(), flags | O_TRUNC);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (fd < 0)
    {
        kel::FailPath(errno, path);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
    {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<kel::FileObject>(
        fd, (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) ? path : std::string());
    HANDLE h = kel::AddHandle(std::move(file));
    SetLastError(existed && dwCreationDisposition != OPEN_EXISTING ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    auto object = kel::LookupHandle(hFile);
    if (!object)
        return FALSE;
    if (!lpBuffer && nNumberOfBytesToRead)
        return Fail(ERROR_INVALID_PARAMETER);
    return object->Read(lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    auto object = kel::LookupHandle(hFile);
    if (!object)
        return FALSE;
    if (!lpBuffer && nNumberOfBytesToWrite)
        return Fail(ERROR_INVALID_PARAMETER);
    return object->Write(lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped);
}

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred,
                         BOOL bWait)
{
    auto object = kel::LookupHandle(hFile);
    if (!object)
        return FALSE;
    return object->GetOverlappedResult(lpOverlapped, lpNumberOfBytesTransferred, bWait);
}

BOOL CancelIo(HANDLE hFile)
{
    auto object = kel::LookupHandle(hFile);
    return object ? object->CancelIo() : FALSE;
}

BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                      DWORD dwMoveMethod)
{
    auto file = kel::File(hFile);
    if (!file)
        return FALSE;
    int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT)
        base = lseek(file->Fd(), 0, SEEK_CUR);
    else if (dwMoveMethod == FILE_END)
    {
        struct stat st;
        base = fstat(file->Fd(), &st) == 0 ? st.st_size : -1;
    }
    else if (dwMoveMethod != FILE_BEGIN)
        return Fail(ERROR_INVALID_PARAMETER);
    if (base < 0)
        return kel::FailErrno(errno);
    const int64_t target = base + liDistanceToMove.QuadPart;
    if (target < 0)
        return Fail(ERROR_NEGATIVE_SEEK);
    if (lseek(file->Fd(), target, SEEK_SET) < 0)
        return kel::FailErrno(errno);
    if (lpNewFilePointer)
        lpNewFilePointer->QuadPart = target;
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    LARGE_INTEGER distance, position;
    if (lpDistanceToMoveHigh)
    {
        distance.LowPart = static_cast<DWORD>(lDistanceToMove);
        distance.HighPart = *lpDistanceToMoveHigh;
    }
    else
        distance.QuadPart = lDistanceToMove;
    if (!SetFilePointerEx(hFile, distance, &position, dwMoveMethod))
        return INVALID_SET_FILE_POINTER;
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = position.HighPart;
    else if (position.HighPart != 0)
    {
        // The caller cannot receive a position past 4 GB without the high part.
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    SetLastError(NO_ERROR);
    return position.LowPart;
}

BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize)
{
    auto file = kel::File(hFile);
    if (!file)
        return FALSE;
    struct stat st;
    if (fstat(file->Fd(), &st) != 0)
        return kel::FailErrno(errno);
    lpFileSize->QuadPart = st.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(hFile, &size))
        return INVALID_FILE_SIZE;
    if (lpFileSizeHigh)
        *lpFileSizeHigh = static_cast<DWORD>(size.HighPart);
    SetLastError(NO_ERROR);
    return size.LowPart;
}

BOOL SetEndOfFile(HANDLE hFile)
{
    auto file = kel::File(hFile);
    if (!file)
        return FALSE;
    const off_t position = lseek(file->Fd(), 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->Fd(), position) != 0)
        return kel::FailErrno(errno);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile)
{
    auto file = kel::File(hFile);
    if (!file)
        return FALSE;
    if (fsync(file->Fd()) != 0 && errno != EINVAL)
        return kel::FailErrno(errno);
    return TRUE;
}

BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                 LPFILETIME lpLastWriteTime)
{
    auto file = kel::File(hFile);
    if (!file)
        return FALSE;
    struct stat st;
    if (fstat(file->Fd(), &st) != 0)
        return kel::FailErrno(errno);
    if (lpCreationTime)
        *lpCreationTime = kel::ToFileTime(st.st_ctim);
    if (lpLastAccessTime)
        *lpLastAccessTime = kel::ToFileTime(st.st_atim);
    if (lpLastWriteTime)
        *lpLastWriteTime = kel::ToFileTime(st.st_mtim);
    return TRUE;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME*, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime)
{
    auto file = kel::File(hFile);
    if (!file)
        return FALSE;
    timespec times[2];
    times[0] = lpLastAccessTime ? kel::ToTimespec(*lpLastAccessTime) : timespec{0, UTIME_OMIT};
    times[1] = lpLastWriteTime ? kel::ToTimespec(*lpLastWriteTime) : timespec{0, UTIME_OMIT};
    if (futimens(file->Fd(), times) != 0)
        return kel::FailErrno(errno);
    return TRUE;
}

DWORD GetFileType(HANDLE hFile)
{
    auto object = kel::LookupHandle(hFile);
    if (!object)
        return FILE_TYPE_UNKNOWN;
    SetLastError(NO_ERROR);
    return std::dynamic_pointer_cast<kel::FileObject>(object) ? FILE_TYPE_DISK : FILE_TYPE_CHAR;
}

BOOL DeleteFile(LPCSTR lpFileName)
{
    std::string path;
    if (!kel::TranslatePath(lpFileName, path))
        return FALSE;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return kel::FailPath(errno, path);
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && kel::ReadOnly(st)))
        return Fail(ERROR_ACCESS_DENIED);
    if (unlink(path.c_str()) != 0)
        return kel::FailPath(errno, path);
    return TRUE;
}

BOOL CopyFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    std::string from, to;
    if (!kel::TranslatePath(lpExistingFileName, from) || !kel::TranslatePath(lpNewFileName, to))
        return FALSE;
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return kel::FailPath(errno, from);
    struct Closer
    {
        int fd;
        ~Closer()
        {
            if (fd >= 0)
                close(fd);
        }
    } inCloser{in};
    struct stat source, target;
    if (fstat(in, &source) != 0)
        return kel::FailErrno(errno);
    if (S_ISDIR(source.st_mode))
        return Fail(ERROR_ACCESS_DENIED);
    if (stat(to.c_str(), &target) == 0)
    {
        if (bFailIfExists)
            return Fail(ERROR_FILE_EXISTS);
        if (target.st_dev == source.st_dev && target.st_ino == source.st_ino)
            return Fail(ERROR_SHARING_VIOLATION); // copying a file onto itself would empty it
        if (S_ISDIR(target.st_mode) || (S_ISREG(target.st_mode) && kel::ReadOnly(target)))
            return Fail(ERROR_ACCESS_DENIED);
    }
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (bFailIfExists ? O_EXCL : 0),
                         (source.st_mode & 0777) | S_IWUSR);
    if (out < 0)
        return kel::FailPath(errno, to);
    Closer outCloser{out};
    char buffer[65536];
    for (;;)
    {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return kel::FailErrno(errno);
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;)
        {
            const ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return kel::FailErrno(errno);
            done += w;
        }
    }
    const timespec times[2] = {source.st_atim, source.st_mtim};
    futimens(out, times);
    fchmod(out, source.st_mode & 0777);
    return TRUE;
}

BOOL MoveFileEx(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    std::string from, to;
    if (!kel::TranslatePath(lpExistingFileName, from) || !kel::TranslatePath(lpNewFileName, to))
        return FALSE;
    const bool replace = dwFlags & MOVEFILE_REPLACE_EXISTING;
    struct stat target;
    int rc = replace ? rename(from.c_str(), to.c_str())
                     : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && !replace && (errno == EINVAL || errno == ENOSYS))
    {
        // A file system without the no-replace flag.
        if (lstat(to.c_str(), &target) == 0)
            return Fail(ERROR_ALREADY_EXISTS);
        rc = rename(from.c_str(), to.c_str());
    }
    if (rc == 0)
    {
        if (dwFlags & MOVEFILE_WRITE_THROUGH)
            sync();
        return TRUE;
    }
    const int err = errno;
    if (err == EEXIST)
        return Fail(ERROR_ALREADY_EXISTS);
    if (err == EXDEV && (dwFlags & MOVEFILE_COPY_ALLOWED) && !kel::IsDirectory(from))
        return CopyFile(lpExistingFileName, lpNewFileName, !replace) && DeleteFile(lpExistingFileName);
    if (err == ENOENT && access(from.c_str(), F_OK) != 0)
        return kel::FailPath(err, from);
    return kel::FailPath(err, to);
}

BOOL MoveFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    return MoveFileEx(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

DWORD GetFileAttributes(LPCSTR lpFileName)
{
    std::string path;
    if (!kel::TranslatePath(lpFileName, path))
        return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
    {
        kel::FailPath(errno, path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return kel::Attributes(st);
}

BOOL SetFileAttributes(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    std::string path;
    if (!kel::TranslatePath(lpFileName, path))
        return FALSE;
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return kel::FailPath(errno, path);
    if (S_ISDIR(st.st_mode))
        return TRUE; // Windows ignores read-only on folders too
    const mode_t mode =
        (dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? (st.st_mode & ~0222) : (st.st_mode | S_IWUSR);
    if (chmod(path.c_str(), mode & 07777) != 0)
        return kel::FailPath(errno, path);
    return TRUE;
}

BOOL CreateDirectory(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    std::string path;
    if (!kel::TranslatePath(lpPathName, path))
        return FALSE;
    if (mkdir(path.c_str(), 0777) != 0)
    {
        if (errno == EEXIST)
            return Fail(ERROR_ALREADY_EXISTS);
        if (errno == ENOENT)
            return Fail(ERROR_PATH_NOT_FOUND);
        return kel::FailPath(errno, path);
    }
    return TRUE;
}

BOOL RemoveDirectory(LPCSTR lpPathName)
{
    std::string path;
    if (!kel::TranslatePath(lpPathName, path))
        return FALSE;
    if (rmdir(path.c_str()) != 0)
    {
        if (errno == ENOTDIR)
            return Fail(ERROR_DIRECTORY);
        return kel::FailPath(errno, path);
    }
    return TRUE;
}

namespace
{
// Windows' rule for "copy a text into the caller's buffer": the length without terminator when it
// fits, else the size needed including the terminator.
DWORD CopyOut(const std::string& text, DWORD size, LPSTR buffer)
{
    const DWORD length = static_cast<DWORD>(text.size());
    if (!buffer || length + 1 > size)
        return length + 1;
    memcpy(buffer, text.c_str(), length + 1);
    return length;
}
} // namespace

DWORD GetCurrentDirectory(DWORD nBufferLength, LPSTR lpBuffer)
{
    char* cwd = getcwd(nullptr, 0);
    if (!cwd)
    {
        kel::FailErrno(errno);
        return 0;
    }
    const std::string text(cwd);
    free(cwd);
    return CopyOut(text, nBufferLength, lpBuffer);
}

BOOL SetCurrentDirectory(LPCSTR lpPathName)
{
    std::string path;
    if (!kel::TranslatePath(lpPathName, path))
        return FALSE;
    if (chdir(path.c_str()) != 0)
        return errno == ENOENT ? Fail(ERROR_PATH_NOT_FOUND) : kel::FailPath(errno, path);
    return TRUE;
}

DWORD GetModuleFileName(HMODULE, LPSTR lpFilename, DWORD nSize)
{
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n < 0)
    {
        kel::FailErrno(errno);
        return 0;
    }
    if (!lpFilename || nSize == 0)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const DWORD length = static_cast<DWORD>(n);
    if (length + 1 > nSize)
    {
        memcpy(lpFilename, exe, nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    memcpy(lpFilename, exe, length);
    lpFilename[length] = '\0';
    SetLastError(NO_ERROR);
    return length;
}

DWORD GetTempPath(DWORD nBufferLength, LPSTR lpBuffer)
{
    const char* tmp = getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    return CopyOut(dir, nBufferLength, lpBuffer);
}

UINT GetTempFileName(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName)
{
    std::string dir;
    if (!kel::TranslatePath(lpPathName, dir) || !lpTempFileName)
        return 0;
    if (dir.back() != '/')
        dir += '/';
    const std::string prefix = std::string(lpPrefixString ? lpPrefixString : "").substr(0, 3);
    auto nameFor = [&](UINT number)
    {
        char hex[8];
        snprintf(hex, sizeof hex, "%X", number & 0xFFFF);
        return dir + prefix + hex + ".tmp";
    };
    if (nameFor(0xFFFF).size() >= MAX_PATH)
    {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    if (uUnique != 0)
    {
        const std::string name = nameFor(uUnique);
        memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        return uUnique;
    }
    const UINT start = (GetTickCount() ^ static_cast<UINT>(getpid())) & 0xFFFF;
    for (UINT i = 0; i < 0xFFFF; ++i)
    {
        const UINT number = ((start + i) % 0xFFFF) + 1;
        const std::string name = nameFor(number);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
        {
            close(fd);
            memcpy(lpTempFileName, name.c_str(), name.size() + 1);
            return number;
        }
        if (errno != EEXIST)
        {
            kel::FailPath(errno, name);
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

HANDLE FindFirstFile(LPCSTR lpFileName, LPWIN32_FIND_DATA lpFindFileData)
{
    std::string path;
    if (!kel::TranslatePath(lpFileName, path) || !lpFindFileData)
    {
        if (lpFileName && !lpFindFileData)
            SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    if (pattern.empty())
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* d = opendir(dir.c_str());
    if (!d)
    {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : kel::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto find = std::make_shared<kel::FindObject>();
    while (dirent* e = readdir(d))
    {
        if (!kel::NameMatches(pattern, e->d_name))
            continue;
        struct stat st;
        const std::string full = (dir == "/" ? "" : dir) + "/" + e->d_name;
        if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0)
            continue;
        if (strlen(e->d_name) >= MAX_PATH)
            continue; // cannot be reported in cFileName
        WIN32_FIND_DATA data{};
        data.dwFileAttributes = kel::Attributes(st);
        data.ftCreationTime = kel::ToFileTime(st.st_ctim);
        data.ftLastAccessTime = kel::ToFileTime(st.st_atim);
        data.ftLastWriteTime = kel::ToFileTime(st.st_mtim);
        const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
        strcpy(data.cFileName, e->d_name);
        find->entries.push_back(data);
    }
    closedir(d);
    if (find->entries.empty())
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(find->entries.begin(), find->entries.end(),
              [](const WIN32_FIND_DATA& a, const WIN32_FIND_DATA& b)
              {
                  const int c = strcasecmp(a.cFileName, b.cFileName);
                  return c != 0 ? c < 0 : strcmp(a.cFileName, b.cFileName) < 0;
              });
    *lpFindFileData = find->entries[0];
    find->next = 1;
    SetLastError(NO_ERROR);
    return kel::AddHandle(std::move(find));
}

BOOL FindNextFile(HANDLE hFindFile, LPWIN32_FIND_DATA lpFindFileData)
{
    auto find = kel::LookupHandleAs<kel::FindObject>(hFindFile);
    if (!find)
        return FALSE;
    if (!lpFindFileData)
        return Fail(ERROR_INVALID_PARAMETER);
    if (find->next >= find->entries.size())
        return Fail(ERROR_NO_MORE_FILES);
    *lpFindFileData = find->entries[find->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile)
{
    if (!kel::LookupHandleAs<kel::FindObject>(hFindFile))
        return FALSE;
    return CloseHandle(hFindFile);
}
