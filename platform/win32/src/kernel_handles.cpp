// The kernel handle table, the KernelObject base and the per-thread last error.
#include "kinternal.h"

#include <cerrno>
#include <unordered_map>

namespace kel
{
namespace
{
struct HandleTable
{
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = 0x104;
};

// Never destroyed: threads may still close handles while the process exits.
HandleTable& Table()
{
    static HandleTable* table = new HandleTable;
    return *table;
}

std::mutex& DeviceLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

DeviceOpener& Opener()
{
    static DeviceOpener* opener = new DeviceOpener;
    return *opener;
}
} // namespace

KernelObject::~KernelObject() = default;

BOOL KernelObject::Read(void*, DWORD, DWORD*, _OVERLAPPED*)
{
    return Fail(ERROR_INVALID_HANDLE);
}

BOOL KernelObject::Write(const void*, DWORD, DWORD*, _OVERLAPPED*)
{
    return Fail(ERROR_INVALID_HANDLE);
}

bool KernelObject::IsSignaled(DWORD) const
{
    return false;
}

DWORD KernelObject::Acquire(DWORD)
{
    return WAIT_OBJECT_0;
}

void KernelObject::NotifyWaiters()
{
    for (Waiter* w : m_waiters)
        w->cv.notify_all();
}

std::mutex& KernelLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

HANDLE AddHandle(std::shared_ptr<KernelObject> object)
{
    HandleTable& t = Table();
    std::lock_guard<std::mutex> lk(t.lock);
    const uintptr_t value = t.next;
    t.next += 4;
    t.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE h)
{
    HandleTable& t = Table();
    {
        std::lock_guard<std::mutex> lk(t.lock);
        auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
        if (it != t.objects.end())
            return it->second;
    }
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

DeviceOpener SetDeviceOpener(DeviceOpener opener)
{
    std::lock_guard<std::mutex> lk(DeviceLock());
    std::swap(Opener(), opener);
    return opener;
}

// Used by CreateFile for "\\.\" names.
HANDLE OpenDevice(const std::string& name, DWORD access, DWORD share, DWORD creation, DWORD flags)
{
    DeviceOpener opener;
    {
        std::lock_guard<std::mutex> lk(DeviceLock());
        opener = Opener();
    }
    if (!opener)
    {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return opener(name, access, share, creation, flags);
}

DWORD ErrorFromErrno(int err)
{
    switch (err)
    {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: // past the file-size limit: no more room for this file
        return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
        return ERROR_BUSY;
    case EAGAIN:
        return ERROR_LOCK_VIOLATION;
    case EIO:
        return ERROR_GEN_FAILURE;
    case ENODEV:
    case ENXIO:
        return ERROR_DEV_NOT_EXIST;
    case ETIMEDOUT:
        return ERROR_SEM_TIMEOUT;
    case EPIPE:
        return ERROR_BROKEN_PIPE;
    case ENOTSUP:
        return ERROR_NOT_SUPPORTED;
    case ECANCELED:
        return ERROR_OPERATION_ABORTED;
    case ELOOP:
        return ERROR_CANT_RESOLVE_FILENAME;
    default:
        return ERROR_GEN_FAILURE;
    }
}

BOOL FailErrno(int err)
{
    return Fail(ErrorFromErrno(err));
}

} // namespace kel

namespace
{
thread_local DWORD t_lastError = 0;
}

DWORD GetLastError()
{
    return t_lastError;
}

void SetLastError(DWORD dwErrCode)
{
    t_lastError = dwErrCode;
}

BOOL CloseHandle(HANDLE hObject)
{
    std::shared_ptr<kel::KernelObject> object;
    {
        auto& t = kel::Table();
        std::lock_guard<std::mutex> lk(t.lock);
        auto it = t.objects.find(reinterpret_cast<uintptr_t>(hObject));
        if (it == t.objects.end())
            return kel::Fail(ERROR_INVALID_HANDLE);
        object = std::move(it->second);
        t.objects.erase(it);
    }
    // Closing may block (a device flushing); never under the table lock, and the object's
    // destructor runs here if this was its last user.
    return object->OnCloseHandle();
}

HANDLE GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
}

BOOL DuplicateHandle(HANDLE hSourceProcess, HANDLE hSource, HANDLE hTargetProcess, LPHANDLE lpTarget, DWORD,
                     BOOL, DWORD dwOptions)
{
    if (hSourceProcess != GetCurrentProcess() || hTargetProcess != GetCurrentProcess() || !lpTarget)
        return kel::Fail(ERROR_INVALID_PARAMETER);
    auto object = kel::LookupHandle(hSource);
    if (!object)
        return FALSE;
    *lpTarget = kel::AddHandle(std::move(object));
    if (dwOptions & DUPLICATE_CLOSE_SOURCE)
        CloseHandle(hSource);
    return TRUE;
}
