// System error texts, FormatMessage and the environment.
#include "kinternal.h"
#include "win32/memory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{
// English texts of the error codes the layer reports.
const char* SystemText(DWORD code)
{
    static const std::map<DWORD, const char*> texts = {
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_INVALID_FUNCTION, "Incorrect function."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
        {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
        {ERROR_INVALID_DATA, "The data is invalid."},
        {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
        {ERROR_INVALID_DRIVE, "The system cannot find the drive specified."},
        {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
        {ERROR_NO_MORE_FILES, "There are no more files."},
        {ERROR_WRITE_PROTECT, "The media is write protected."},
        {ERROR_BAD_UNIT, "The system cannot find the device specified."},
        {ERROR_NOT_READY, "The device is not ready."},
        {ERROR_BAD_COMMAND, "The device does not recognize the command."},
        {ERROR_CRC, "Data error (cyclic redundancy check)."},
        {ERROR_SEEK, "The drive cannot locate a specific area or track on the disk."},
        {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
        {ERROR_READ_FAULT, "The system cannot read from the specified device."},
        {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
        {ERROR_SHARING_VIOLATION,
         "The process cannot access the file because it is being used by another process."},
        {ERROR_LOCK_VIOLATION,
         "The process cannot access the file because another process has locked a portion of the file."},
        {ERROR_HANDLE_EOF, "Reached the end of the file."},
        {ERROR_HANDLE_DISK_FULL, "The disk is full."},
        {ERROR_NOT_SUPPORTED, "The request is not supported."},
        {ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available."},
        {ERROR_FILE_EXISTS, "The file exists."},
        {ERROR_CANNOT_MAKE, "The directory or file cannot be created."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_BROKEN_PIPE, "The pipe has been ended."},
        {ERROR_OPEN_FAILED, "The system cannot open the device or file specified."},
        {ERROR_BUFFER_OVERFLOW, "The file name is too long."},
        {ERROR_DISK_FULL, "There is not enough space on the disk."},
        {ERROR_SEM_TIMEOUT, "The semaphore timeout period has expired."},
        {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
        {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
        {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
        {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
        {ERROR_NEGATIVE_SEEK,
         "An attempt was made to move the file pointer before the beginning of the file."},
        {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
        {ERROR_BAD_PATHNAME, "The specified path is invalid."},
        {ERROR_BUSY, "The requested resource is in use."},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
        {ERROR_ENVVAR_NOT_FOUND, "The system could not find the environment option that was entered."},
        {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
        {ERROR_MORE_DATA, "More data is available."},
        {WAIT_TIMEOUT, "The wait operation timed out."},
        {ERROR_NO_MORE_ITEMS, "No more data is available."},
        {ERROR_DIRECTORY, "The directory name is invalid."},
        {ERROR_NOT_OWNER, "Attempt to release mutex not owned by caller."},
        {ERROR_TOO_MANY_POSTS, "Too many posts were made to a semaphore."},
        {ERROR_OPERATION_ABORTED,
         "The I/O operation has been aborted because of either a thread exit or an application request."},
        {ERROR_IO_INCOMPLETE, "Overlapped I/O event is not in a signaled state."},
        {ERROR_IO_PENDING, "Overlapped I/O operation is in progress."},
        {ERROR_NOACCESS, "Invalid access to memory location."},
        {ERROR_INVALID_FLAGS, "Invalid flags."},
        {ERROR_FILE_INVALID,
         "The volume for a file has been externally altered so that the opened file is no longer valid."},
        {ERROR_BADDB, "The configuration registry database is corrupt."},
        {ERROR_BADKEY, "The configuration registry key is invalid."},
        {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
        {ERROR_CANTREAD, "The configuration registry key could not be read."},
        {ERROR_CANTWRITE, "The configuration registry key could not be written."},
        {ERROR_REGISTRY_CORRUPT,
         "The registry is corrupted. The structure of one of the files containing registry data is "
         "corrupted, "
         "or the system's memory image of the file is corrupted, or the file could not be recovered because "
         "the alternate copy or log was absent or corrupted."},
        {ERROR_KEY_DELETED,
         "Illegal operation attempted on a registry key that has been marked for deletion."},
        {ERROR_COUNTER_TIMEOUT, "A serial I/O operation completed because the timeout period expired. (The "
                                "IOCTL_SERIAL_XOFF_COUNTER did not reach zero.)"},
        {ERROR_DEVICE_NOT_CONNECTED, "The device is not connected."},
        {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
        {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
        {ERROR_RESOURCE_DATA_NOT_FOUND, "The specified image file did not contain a resource section."},
        {ERROR_RESOURCE_TYPE_NOT_FOUND, "The specified resource type cannot be found in the image file."},
        {ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file."},
        {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
    };
    auto it = texts.find(code);
    return it == texts.end() ? nullptr : it->second;
}

// The printf conversion of an insert's "!fmt!" part: whether it takes a string, and whether a
// 64-bit value (ll and I64 modifiers, pointers). Windows' "l" is 32 bits, like its long.
struct InsertType
{
    bool string = true;
    bool wide = false;
};

InsertType TypeOf(const std::string& fmt)
{
    InsertType t;
    const char conversion = fmt.empty() ? 's' : fmt.back();
    t.string = conversion == 's';
    t.wide = fmt.find("ll") != std::string::npos || fmt.find("I64") != std::string::npos || conversion == 'p';
    return t;
}

// printf of one insert; "I64" (a Windows size prefix) becomes "ll".
std::string FormatInsert(std::string fmt, const DWORD_PTR value, const InsertType& type)
{
    if (fmt.empty())
        fmt = "s";
    for (size_t p; (p = fmt.find("I64")) != std::string::npos;)
        fmt.replace(p, 3, "ll");
    fmt.insert(0, "%");
    if (type.string)
    {
        const char* s = reinterpret_cast<const char*>(value);
        return s ? std::string(s) : std::string("(null)");
    }
    char buffer[128];
    if (fmt.back() == 'p')
        snprintf(buffer, sizeof buffer, fmt.c_str(), reinterpret_cast<void*>(value));
    else if (type.wide)
        snprintf(buffer, sizeof buffer, fmt.c_str(), static_cast<unsigned long long>(value));
    else
    {
        // A 32-bit value: a Windows "l" would make the C library read a 64-bit long here.
        fmt.erase(std::remove(fmt.begin(), fmt.end(), 'l'), fmt.end());
        snprintf(buffer, sizeof buffer, fmt.c_str(), static_cast<unsigned int>(value));
    }
    return buffer;
}

// Parses "%<n>[!fmt!]" at text[i] (text[i] == '%', a digit follows). Returns the index after it.
size_t ParseInsert(const char* text, size_t i, int& number, std::string& fmt)
{
    ++i;
    number = text[i++] - '0';
    if (text[i] >= '0' && text[i] <= '9')
        number = number * 10 + (text[i++] - '0');
    fmt.clear();
    if (text[i] == '!')
    {
        const char* end = strchr(text + i + 1, '!');
        if (end)
        {
            fmt.assign(text + i + 1, end);
            i = static_cast<size_t>(end - text) + 1;
        }
    }
    return i;
}

bool Expand(const char* text, DWORD flags, va_list* args, std::string& out)
{
    const bool ignoreInserts = flags & FORMAT_MESSAGE_IGNORE_INSERTS;
    const bool array = flags & FORMAT_MESSAGE_ARGUMENT_ARRAY;
    const bool joinLines = (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == FORMAT_MESSAGE_MAX_WIDTH_MASK;

    // A va_list is read in order, so learn every insert's type before reading any of them.
    std::vector<DWORD_PTR> values;
    if (!ignoreInserts)
    {
        std::map<int, InsertType> types;
        int highest = 0;
        for (size_t i = 0; text[i];)
        {
            if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9')
            {
                int n;
                std::string fmt;
                i = ParseInsert(text, i, n, fmt);
                types[n] = TypeOf(fmt);
                highest = std::max(highest, n);
            }
            else
                i += (text[i] == '%' && text[i + 1]) ? 2 : 1;
        }
        if (highest > 0 && !args)
            return false;
        for (int n = 1; n <= highest; ++n)
        {
            if (array)
                values.push_back(reinterpret_cast<DWORD_PTR*>(args)[n - 1]);
            else if (types.count(n) && !types[n].string && !types[n].wide)
                values.push_back(static_cast<DWORD_PTR>(va_arg(*args, unsigned int)));
            else
                values.push_back(reinterpret_cast<DWORD_PTR>(va_arg(*args, void*)));
        }
    }

    for (size_t i = 0; text[i];)
    {
        const char c = text[i];
        if (joinLines && (c == '\r' || c == '\n'))
        {
            // Soft line breaks of the text go; %n ones stay.
            if (c == '\n' && text[i + 1])
                out += ' ';
            ++i;
            continue;
        }
        if (c != '%')
        {
            out += c;
            ++i;
            continue;
        }
        const char next = text[i + 1];
        if (next >= '1' && next <= '9')
        {
            const size_t start = i;
            int n;
            std::string fmt;
            i = ParseInsert(text, i, n, fmt);
            if (ignoreInserts)
                out.append(text + start, text + i);
            else
                out += FormatInsert(fmt, values[n - 1], TypeOf(fmt));
            continue;
        }
        i += 2;
        switch (next)
        {
        case '0':
            return true;
        case 'n':
            out += "\r\n";
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'b':
            out += ' ';
            break;
        case '\0':
            out += '%';
            return true;
        default:
            out += next; // %% %. %! and the like
            break;
        }
    }
    return true;
}
} // namespace

DWORD FormatMessage(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                    va_list* Arguments)
{
    std::string source;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING)
    {
        if (!lpSource)
            return kel::Fail(ERROR_INVALID_PARAMETER);
        source = static_cast<const char*>(lpSource);
    }
    else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM)
    {
        const char* text = SystemText(dwMessageId);
        if (!text)
            return kel::Fail(ERROR_MR_MID_NOT_FOUND);
        source = std::string(text) + "\r\n";
    }
    else
        return kel::Fail(ERROR_INVALID_PARAMETER);

    std::string out;
    if (!Expand(source.c_str(), dwFlags, Arguments, out))
        return kel::Fail(ERROR_INVALID_PARAMETER);

    const DWORD length = static_cast<DWORD>(out.size());
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER)
    {
        if (!lpBuffer)
            return kel::Fail(ERROR_INVALID_PARAMETER);
        const SIZE_T size = std::max<SIZE_T>(length + 1, nSize);
        char* text = static_cast<char*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size));
        if (!text)
            return kel::Fail(ERROR_NOT_ENOUGH_MEMORY);
        memcpy(text, out.c_str(), length + 1);
        *reinterpret_cast<char**>(lpBuffer) = text;
        return length;
    }
    if (!lpBuffer || length + 1 > nSize)
        return kel::Fail(ERROR_INSUFFICIENT_BUFFER);
    memcpy(lpBuffer, out.c_str(), length + 1);
    return length;
}

DWORD GetEnvironmentVariable(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize)
{
    const char* value = lpName ? getenv(lpName) : nullptr;
    if (!value)
        return kel::Fail(ERROR_ENVVAR_NOT_FOUND);
    const DWORD length = static_cast<DWORD>(strlen(value));
    if (!lpBuffer || length + 1 > nSize)
        return length + 1;
    memcpy(lpBuffer, value, length + 1);
    return length;
}

BOOL SetEnvironmentVariable(LPCSTR lpName, LPCSTR lpValue)
{
    if (!lpName || !*lpName || strchr(lpName, '='))
        return kel::Fail(ERROR_INVALID_PARAMETER);
    const int rc = lpValue ? setenv(lpName, lpValue, 1) : unsetenv(lpName);
    return rc == 0 ? TRUE : kel::FailErrno(errno);
}
