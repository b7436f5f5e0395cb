// The registry API over the settings file.
//
// Reads use a parsed copy of the file, kept while the file's identity (device, inode, size, times)
// stays the same. Every change takes an exclusive flock() on "<file>.lock", re-reads the file, applies
// the change, writes "<file>.tmp", syncs it and renames it over the file, so concurrent writers never
// lose each other's values and a crash leaves either the old or the new file. One mutex serialises
// the threads of this process.
#include "win32/registry.h"

#include "registry_store.h"
#include "win32/codepage.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

using kel::reg::Key;
using kel::reg::Tree;
using kel::reg::Value;

struct FileId
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    static FileId Of(const struct stat& st)
    {
        return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const FileId& o) const
    {
        return exists == o.exists &&
               (!exists || (dev == o.dev && ino == o.ino && size == o.size &&
                            mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
                            ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec));
    }
};

struct OpenKey
{
    std::string path;
    REGSAM access = 0;
};

struct State
{
    std::mutex mutex;
    bool cacheValid = false;
    std::string cachePath;
    FileId cacheId;
    Tree cache;
    std::unordered_map<uintptr_t, OpenKey> handles;
    uintptr_t nextHandle = 0x10000;
    void (*commitHook)() = nullptr;
};

// Never destroyed: settings may still be written while other statics are torn down at exit.
State& S()
{
    static State* state = new State;
    return *state;
}

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string ConfigHome()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config";
    struct passwd pw;
    struct passwd* found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found != nullptr)
        return std::string(found->pw_dir) + "/.config";
    return "/tmp/.config";
}

std::string DirOf(const std::string& path)
{
    return path.substr(0, path.rfind('/'));
}

void Complain(const std::string& what, const std::string& path, int err)
{
    std::fprintf(stderr, "kel: %s \"%s\": %s\n", what.c_str(), path.c_str(), std::strerror(err));
}

int MakeDirs(const std::string& dir)
{
    for (size_t pos = 1;; ++pos)
    {
        pos = dir.find('/', pos);
        const std::string prefix = dir.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (pos == std::string::npos)
            return 0;
    }
}

// The whole file; a missing file reads as empty with id.exists false. Returns 0 or an errno.
int ReadWhole(const std::string& path, std::string& text, FileId& id)
{
    text.clear();
    id = FileId();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? 0 : errno;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return errno;
    id = FileId::Of(st);
    char buf[65536];
    while (true)
    {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        text.append(buf, static_cast<size_t>(n));
    }
}

// Moves an unreadable file out of the way so that writing the readable part never destroys it.
bool SetAside(const std::string& path, const std::vector<kel::reg::ParseError>& errors)
{
    std::string aside = path + ".bad";
    struct stat st;
    for (int n = 1; ::stat(aside.c_str(), &st) == 0; ++n)
        aside = path + ".bad." + std::to_string(n);
    const bool moved = ::rename(path.c_str(), aside.c_str()) == 0;
    std::string more;
    if (errors.size() > 1)
        more = " (and " + std::to_string(errors.size() - 1) + " more lines)";
    if (moved)
        std::fprintf(stderr,
                     "kel: the settings file \"%s\" cannot be read at line %d: %s%s. It was kept as \"%s\"; "
                     "the readable settings are used.\n",
                     path.c_str(), errors.front().line, errors.front().reason.c_str(), more.c_str(),
                     aside.c_str());
    else
        std::fprintf(stderr,
                     "kel: the settings file \"%s\" cannot be read at line %d: %s%s, and it cannot be moved "
                     "aside (%s); settings are not saved.\n",
                     path.c_str(), errors.front().line, errors.front().reason.c_str(), more.c_str(),
                     std::strerror(errno));
    return moved;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size())
    {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Replaces the file with the tree's text; the caller holds the lock.
LONG WriteLocked(const std::string& path, const Tree& tree)
{
    const std::string tmp = path + ".tmp";
    mode_t mode = 0600;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.get() < 0)
    {
        Complain("cannot write the settings file", tmp, errno);
        return ERROR_CANTWRITE;
    }
    if (::fchmod(fd.get(), mode) != 0 || !WriteAll(fd.get(), kel::reg::FormatRegText(tree)) ||
        ::fsync(fd.get()) != 0 || ::close(fd.release()) != 0)
    {
        Complain("cannot write the settings file", tmp, errno);
        ::unlink(tmp.c_str());
        return ERROR_CANTWRITE;
    }
    if (S().commitHook != nullptr)
        S().commitHook();
    if (::rename(tmp.c_str(), path.c_str()) != 0)
    {
        Complain("cannot replace the settings file", path, errno);
        ::unlink(tmp.c_str());
        return ERROR_CANTWRITE;
    }
    // The folder is not synced: a power cut may lose the last change, never the file's consistency.
    return ERROR_SUCCESS;
}

void SetCache(const std::string& path, const FileId& id, Tree tree)
{
    State& s = S();
    s.cacheValid = true;
    s.cachePath = path;
    s.cacheId = id;
    s.cache = std::move(tree);
}

// Applies change(tree, changed) to the file's current content under the file lock and writes the
// result when it changed. A file that cannot be parsed is set aside and its readable part written
// back. The caller holds the process mutex.
template <class Change> LONG Modify(Change change)
{
    const std::string path = kel::RegistryStorePath();
    if (const int err = MakeDirs(DirOf(path)))
    {
        Complain("cannot create the settings folder", DirOf(path), err);
        return ERROR_CANTWRITE;
    }
    Fd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0)
    {
        Complain("cannot open the settings lock", path + ".lock", errno);
        return ERROR_CANTWRITE;
    }
    while (::flock(lock.get(), LOCK_EX) != 0)
    {
        if (errno != EINTR)
        {
            Complain("cannot lock the settings file", path + ".lock", errno);
            return ERROR_CANTWRITE;
        }
    }

    std::string text;
    FileId id;
    if (const int err = ReadWhole(path, text, id))
    {
        Complain("cannot read the settings file", path, err);
        return ERROR_CANTREAD;
    }
    std::vector<kel::reg::ParseError> errors;
    Tree tree = kel::reg::ParseRegText(kel::reg::DecodeFileText(text), errors);
    if (!errors.empty() && !SetAside(path, errors))
        return ERROR_CANTWRITE;

    bool changed = false;
    const LONG result = change(tree, changed);
    if (changed || !errors.empty())
    {
        if (const LONG w = WriteLocked(path, tree))
        {
            S().cacheValid = false;
            return w;
        }
        struct stat st;
        id = ::stat(path.c_str(), &st) == 0 ? FileId::Of(st) : FileId();
    }
    SetCache(path, id, std::move(tree));
    return result;
}

// The file's current content. The caller holds the process mutex.
const Tree& Current()
{
    State& s = S();
    const std::string path = kel::RegistryStorePath();
    struct stat st;
    const FileId id = ::stat(path.c_str(), &st) == 0 ? FileId::Of(st) : FileId();
    if (s.cacheValid && s.cachePath == path && s.cacheId == id)
        return s.cache;

    std::string text;
    FileId readId;
    if (const int err = ReadWhole(path, text, readId))
    {
        Complain("cannot read the settings file", path, err);
        SetCache(path, id, Tree());
        return s.cache;
    }
    std::vector<kel::reg::ParseError> errors;
    Tree tree = kel::reg::ParseRegText(kel::reg::DecodeFileText(text), errors);
    if (errors.empty() || Modify([](Tree&, bool&) { return ERROR_SUCCESS; }) != ERROR_SUCCESS)
        SetCache(path, readId, std::move(tree));
    return s.cache;
}

bool Resolve(HKEY key, OpenKey& out)
{
    if (const char* root = kel::reg::RootName(key))
    {
        out = {root, KEY_ALL_ACCESS};
        return true;
    }
    const auto it = S().handles.find(reinterpret_cast<uintptr_t>(key));
    if (it == S().handles.end())
        return false;
    out = it->second;
    return true;
}

HKEY NewHandle(const std::string& path, REGSAM access)
{
    State& s = S();
    const uintptr_t id = s.nextHandle;
    s.nextHandle += 16;
    s.handles[id] = {path, access};
    return reinterpret_cast<HKEY>(id);
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

LONG JoinPath(const std::string& base, LPCSTR subKey, std::string& out)
{
    if (subKey == nullptr || subKey[0] == '\0')
    {
        out = base;
        return ERROR_SUCCESS;
    }
    std::string_view sub(subKey);
    if (sub.front() == '\\')
        return ERROR_BAD_PATHNAME;
    if (sub.back() == '\\')
        sub.remove_suffix(1);
    if (sub.empty() || sub.back() == '\\' || sub.find("\\\\") != std::string_view::npos)
        return ERROR_BAD_PATHNAME;
    if (HasLineBreak(sub))
        return ERROR_INVALID_PARAMETER;
    out = base + '\\' + std::string(sub);
    return ERROR_SUCCESS;
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The Windows size rules for handing a value's data to a caller.
LONG CopyData(const Value& v, LPDWORD type, LPBYTE data, LPDWORD cbData)
{
    if (type != nullptr)
        *type = v.type;
    if (cbData == nullptr)
        return ERROR_SUCCESS;
    const DWORD size = static_cast<DWORD>(v.data.size());
    if (data == nullptr)
    {
        *cbData = size;
        return ERROR_SUCCESS;
    }
    if (*cbData < size)
    {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    if (size > 0)
        std::memcpy(data, v.data.data(), size);
    if (IsStringType(v.type) && (size == 0 || v.data.back() != 0) && *cbData > size)
        data[size] = 0;
    *cbData = size;
    return ERROR_SUCCESS;
}

// Copies a name with its NUL into a buffer of *cch characters.
LONG CopyName(const std::string& name, LPSTR out, LPDWORD cch)
{
    if (*cch <= name.size())
        return ERROR_MORE_DATA;
    std::memcpy(out, name.c_str(), name.size() + 1);
    *cch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

std::string LastComponent(const std::string& path)
{
    return path.substr(path.rfind('\\') + 1);
}

} // namespace

LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                    const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition)
{
    std::lock_guard guard(S().mutex);
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    OpenKey base;
    if (!Resolve(hKey, base))
        return ERROR_INVALID_HANDLE;
    std::string path;
    if (const LONG r = JoinPath(base.path, lpSubKey, path))
        return r;
    const Tree& tree = Current();
    if (tree.Find(base.path) == nullptr)
        return ERROR_KEY_DELETED;
    bool created = false;
    if (tree.Find(path) == nullptr)
    {
        if ((base.access & KEY_CREATE_SUB_KEY) == 0)
            return ERROR_ACCESS_DENIED;
        const LONG r = Modify(
            [&](Tree& t, bool& changed)
            {
                if (t.Find(base.path) == nullptr)
                    return ERROR_KEY_DELETED;
                created = changed = t.Ensure(path);
                return ERROR_SUCCESS;
            });
        if (r != ERROR_SUCCESS)
            return r;
    }
    *phkResult = NewHandle(path, samDesired);
    if (lpdwDisposition != nullptr)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCreateKey(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return RegCreateKeyEx(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          phkResult, nullptr);
}

LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    std::lock_guard guard(S().mutex);
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    OpenKey base;
    if (!Resolve(hKey, base))
        return ERROR_INVALID_HANDLE;
    std::string path;
    if (const LONG r = JoinPath(base.path, lpSubKey, path))
        return r;
    const Tree& tree = Current();
    if (tree.Find(base.path) == nullptr)
        return ERROR_KEY_DELETED;
    if (tree.Find(path) == nullptr)
        return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(path, samDesired);
    return ERROR_SUCCESS;
}

LONG RegOpenKey(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return RegOpenKeyEx(hKey, lpSubKey, 0, KEY_ALL_ACCESS, phkResult);
}

LONG RegCloseKey(HKEY hKey)
{
    std::lock_guard guard(S().mutex);
    if (kel::reg::RootName(hKey) != nullptr)
        return ERROR_SUCCESS;
    return S().handles.erase(reinterpret_cast<uintptr_t>(hKey)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    std::lock_guard guard(S().mutex);
    OpenKey open;
    if (!Resolve(hKey, open))
        return ERROR_INVALID_HANDLE;
    if ((open.access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    if (lpData != nullptr && lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    const Key* key = Current().Find(open.path);
    if (key == nullptr)
        return ERROR_KEY_DELETED;
    const Value* value = key->FindValue(lpValueName != nullptr ? lpValueName : "");
    if (value == nullptr)
        return ERROR_FILE_NOT_FOUND;
    return CopyData(*value, lpType, lpData, lpcbData);
}

LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    std::lock_guard guard(S().mutex);
    OpenKey open;
    if (!Resolve(hKey, open))
        return ERROR_INVALID_HANDLE;
    if ((open.access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    const std::string name = lpValueName != nullptr ? lpValueName : "";
    if ((lpData == nullptr && cbData != 0) || HasLineBreak(name) ||
        ((dwType == REG_DWORD || dwType == REG_DWORD_BIG_ENDIAN) && cbData != 4) ||
        (dwType == REG_QWORD && cbData != 8))
        return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> data(lpData, lpData + cbData);
    // Strings are kept terminated, so their size reads back the same from the file.
    if (IsStringType(dwType) && (data.empty() || data.back() != 0))
        data.push_back(0);

    // Saving settings rewrites every value; leave the file alone when nothing changes.
    const Key* seen = Current().Find(open.path);
    if (seen == nullptr)
        return ERROR_KEY_DELETED;
    if (const Value* v = seen->FindValue(name); v != nullptr && v->type == dwType && v->data == data)
        return ERROR_SUCCESS;

    return Modify(
        [&](Tree& t, bool& changed)
        {
            Key* key = t.Find(open.path);
            if (key == nullptr)
                return ERROR_KEY_DELETED;
            Value* v = key->FindValue(name);
            changed = v == nullptr || v->type != dwType || v->data != data;
            if (v == nullptr)
                v = &key->values.emplace_back(Value{name, dwType, {}});
            v->type = dwType;
            v->data = data;
            return ERROR_SUCCESS;
        });
}

LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName)
{
    std::lock_guard guard(S().mutex);
    OpenKey open;
    if (!Resolve(hKey, open))
        return ERROR_INVALID_HANDLE;
    if ((open.access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    const std::string folded = kel::reg::Fold(lpValueName != nullptr ? lpValueName : "");
    return Modify(
        [&](Tree& t, bool& changed)
        {
            Key* key = t.Find(open.path);
            if (key == nullptr)
                return ERROR_KEY_DELETED;
            for (auto it = key->values.begin(); it != key->values.end(); ++it)
            {
                if (kel::reg::Fold(it->name) == folded)
                {
                    key->values.erase(it);
                    changed = true;
                    return ERROR_SUCCESS;
                }
            }
            return ERROR_FILE_NOT_FOUND;
        });
}

LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey)
{
    std::lock_guard guard(S().mutex);
    OpenKey base;
    if (!Resolve(hKey, base))
        return ERROR_INVALID_HANDLE;
    if (lpSubKey == nullptr || lpSubKey[0] == '\0')
        return ERROR_INVALID_PARAMETER;
    std::string path;
    if (const LONG r = JoinPath(base.path, lpSubKey, path))
        return r;
    return Modify(
        [&](Tree& t, bool& changed)
        {
            if (t.Find(base.path) == nullptr)
                return ERROR_KEY_DELETED;
            if (t.Find(path) == nullptr)
                return ERROR_FILE_NOT_FOUND;
            if (!t.Children(path).empty())
                return ERROR_ACCESS_DENIED;
            t.Erase(path);
            changed = true;
            return ERROR_SUCCESS;
        });
}

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                  LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    std::lock_guard guard(S().mutex);
    OpenKey open;
    if (!Resolve(hKey, open))
        return ERROR_INVALID_HANDLE;
    if ((open.access & KEY_ENUMERATE_SUB_KEYS) == 0)
        return ERROR_ACCESS_DENIED;
    if (lpName == nullptr || lpcchName == nullptr)
        return ERROR_INVALID_PARAMETER;
    const Tree& tree = Current();
    if (tree.Find(open.path) == nullptr)
        return ERROR_KEY_DELETED;
    const std::vector<const Key*> children = tree.Children(open.path);
    if (dwIndex >= children.size())
        return ERROR_NO_MORE_ITEMS;
    if (const LONG r = CopyName(LastComponent(children[dwIndex]->path), lpName, lpcchName))
        return r;
    if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0)
        lpClass[0] = '\0';
    if (lpcchClass != nullptr)
        *lpcchClass = 0;
    if (lpftLastWriteTime != nullptr)
        *lpftLastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                  LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    std::lock_guard guard(S().mutex);
    OpenKey open;
    if (!Resolve(hKey, open))
        return ERROR_INVALID_HANDLE;
    if ((open.access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    if (lpValueName == nullptr || lpcchValueName == nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    const Key* key = Current().Find(open.path);
    if (key == nullptr)
        return ERROR_KEY_DELETED;
    if (dwIndex >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value& value = key->values[dwIndex];
    if (const LONG r = CopyName(value.name, lpValueName, lpcchValueName))
        return r;
    return CopyData(value, lpType, lpData, lpcbData);
}

LONG RegQueryInfoKey(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                     LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                     LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                     PFILETIME lpftLastWriteTime)
{
    std::lock_guard guard(S().mutex);
    OpenKey open;
    if (!Resolve(hKey, open))
        return ERROR_INVALID_HANDLE;
    if ((open.access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    const Tree& tree = Current();
    const Key* key = tree.Find(open.path);
    if (key == nullptr)
        return ERROR_KEY_DELETED;
    const std::vector<const Key*> children = tree.Children(open.path);
    DWORD maxSubKey = 0;
    for (const Key* child : children)
        maxSubKey = std::max<DWORD>(maxSubKey, static_cast<DWORD>(LastComponent(child->path).size()));
    DWORD maxName = 0;
    DWORD maxData = 0;
    for (const Value& v : key->values)
    {
        maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
        maxData = std::max<DWORD>(maxData, static_cast<DWORD>(v.data.size()));
    }
    const auto put = [](LPDWORD out, DWORD value)
    {
        if (out != nullptr)
            *out = value;
    };
    if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0)
        lpClass[0] = '\0';
    put(lpcchClass, 0);
    put(lpcSubKeys, static_cast<DWORD>(children.size()));
    put(lpcbMaxSubKeyLen, maxSubKey);
    put(lpcbMaxClassLen, 0);
    put(lpcValues, static_cast<DWORD>(key->values.size()));
    put(lpcbMaxValueNameLen, maxName);
    put(lpcbMaxValueLen, maxData);
    put(lpcbSecurityDescriptor, 0);
    if (lpftLastWriteTime != nullptr)
        *lpftLastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY hKey)
{
    std::lock_guard guard(S().mutex);
    OpenKey open;
    return Resolve(hKey, open) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

namespace kel
{

namespace
{

// An open key handle that closes itself.
class KeyHandle
{
public:
    KeyHandle() = default;
    ~KeyHandle()
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    PHKEY out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::string SectionPath(const char* appKey, const char* section)
{
    return std::string(appKey) + '\\' + section;
}

bool OpenSection(const char* appKey, const char* section, KeyHandle& key)
{
    return appKey != nullptr && section != nullptr &&
           RegOpenKeyEx(HKEY_CURRENT_USER, SectionPath(appKey, section).c_str(), 0, KEY_READ, key.out()) ==
               ERROR_SUCCESS;
}

BOOL WriteEntry(const char* appKey, const char* section, const char* entry, DWORD type, const BYTE* data,
                DWORD size)
{
    KeyHandle key;
    if (appKey == nullptr || section == nullptr || entry == nullptr ||
        RegCreateKeyEx(HKEY_CURRENT_USER, SectionPath(appKey, section).c_str(), 0, nullptr,
                       REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, key.out(),
                       nullptr) != ERROR_SUCCESS)
        return FALSE;
    return RegSetValueEx(key.get(), entry, 0, type, data, size) == ERROR_SUCCESS;
}

} // namespace

UINT ProfileGetInt(const char* appKey, const char* section, const char* entry, int def)
{
    KeyHandle key;
    if (entry == nullptr || !OpenSection(appKey, section, key))
        return static_cast<UINT>(def);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return static_cast<UINT>(def);
    return value;
}

BOOL ProfileWriteInt(const char* appKey, const char* section, const char* entry, int value)
{
    const DWORD v = static_cast<DWORD>(value);
    return WriteEntry(appKey, section, entry, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

std::string ProfileGetString(const char* appKey, const char* section, const char* entry, const char* def)
{
    const std::string fallback = def != nullptr ? def : "";
    KeyHandle key;
    if (entry == nullptr || !OpenSection(appKey, section, key))
        return fallback;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return fallback;
    std::string text(size + 1, '\0');
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    text.resize(std::strlen(text.c_str()));
    return text;
}

BOOL ProfileWriteString(const char* appKey, const char* section, const char* entry, const char* value)
{
    if (appKey == nullptr || section == nullptr)
        return FALSE;
    if (entry == nullptr)
    {
        KeyHandle app;
        return RegOpenKeyEx(HKEY_CURRENT_USER, appKey, 0, KEY_WRITE, app.out()) == ERROR_SUCCESS &&
               RegDeleteKey(app.get(), section) == ERROR_SUCCESS;
    }
    if (value == nullptr)
    {
        KeyHandle key;
        return RegOpenKeyEx(HKEY_CURRENT_USER, SectionPath(appKey, section).c_str(), 0, KEY_WRITE,
                            key.out()) == ERROR_SUCCESS &&
               RegDeleteValue(key.get(), entry) == ERROR_SUCCESS;
    }
    return WriteEntry(appKey, section, entry, REG_SZ, reinterpret_cast<const BYTE*>(value),
                      static_cast<DWORD>(std::strlen(value) + 1));
}

BOOL ProfileGetBinary(const char* appKey, const char* section, const char* entry, std::vector<BYTE>& data)
{
    data.clear();
    KeyHandle key;
    if (entry == nullptr || !OpenSection(appKey, section, key))
        return FALSE;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return FALSE;
    data.resize(size);
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
    {
        data.clear();
        return FALSE;
    }
    data.resize(size);
    return TRUE;
}

BOOL ProfileWriteBinary(const char* appKey, const char* section, const char* entry, const BYTE* data,
                        UINT bytes)
{
    return WriteEntry(appKey, section, entry, REG_BINARY, data, bytes);
}

std::string RegistryStorePath()
{
    return ConfigHome() + "/kel/registry.reg";
}

void ResetRegistryStoreForTests()
{
    std::lock_guard guard(S().mutex);
    S().handles.clear();
    S().cacheValid = false;
    S().cache = reg::Tree();
}

void SetRegistryCommitHookForTests(void (*hook)())
{
    std::lock_guard guard(S().mutex);
    S().commitHook = hook;
}

} // namespace kel
