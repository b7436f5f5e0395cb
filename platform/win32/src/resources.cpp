// Module registry and resource lookup.
#include "win32/resources.h"
#include "win32/exports.h"
#include "win32/kernel.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

namespace
{

using kel::rc::Module;
using kel::rc::ResName;

struct Entry
{
    std::string name; // normalised: lower case, no directory, prefix or extension
    const Module* table = nullptr;
    void* dl = nullptr;
    int refs = 0;
    bool main = false;
};

// What an HRSRC points at.
struct Record
{
    const Entry* module;
    const void* data; // nullptr once the module is gone
    size_t size;
};

struct Registry
{
    std::mutex mutex;
    std::vector<std::unique_ptr<Entry>> entries; // never shrinks: handles stay valid
    std::deque<Record> records;                  // never shrinks: HRSRC values stay valid
    std::map<const void*, Record*> recordByData;
};

// Never destroyed: static destructors of modules may still unregister during exit.
Registry& Reg()
{
    static Registry* registry = new Registry;
    return *registry;
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && EqualNoCase(s.substr(s.size() - suffix.size()), suffix);
}

// "C:\\x\\dlgpack.dll", "dlgpack", "libdlgpack.so" -> "dlgpack".
std::string NormalizeName(std::string_view file)
{
    size_t slash = file.find_last_of("/\\");
    if (slash != std::string_view::npos)
        file.remove_prefix(slash + 1);
    if (EndsWithNoCase(file, ".so"))
    {
        file.remove_suffix(3);
        if (file.size() > 3 && file.substr(0, 3) == "lib")
            file.remove_prefix(3);
    }
    else if (EndsWithNoCase(file, ".dll") || EndsWithNoCase(file, ".exe"))
        file.remove_suffix(4);
    std::string out(file);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

std::string CIdentifier(std::string prefix, const std::string& name)
{
    for (char c : name)
        prefix += ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) ? c : '_';
    return prefix;
}

// The symbol a generated resource file exports for its module: kel_rc_module_<name>.
std::string ModuleSymbol(const std::string& name)
{
    return CIdentifier("kel_rc_module_", name);
}

// The symbol a library's generated export table is reached by: kel_exports_<name>.
std::string ExportTableSymbol(const std::string& name)
{
    return CIdentifier("kel_exports_", name);
}

std::string ExecutableDir()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, size_t(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Caller holds the lock.
Entry* MainEntry(Registry& reg)
{
    for (auto& e : reg.entries)
        if (e->main)
            return e.get();
    reg.entries.push_back(std::make_unique<Entry>());
    reg.entries.back()->main = true;
    return reg.entries.back().get();
}

Entry* FindByName(Registry& reg, const std::string& name)
{
    for (auto& e : reg.entries)
        if (!name.empty() && e->name == name)
            return e.get();
    return nullptr;
}

// Caller holds the lock. NULL is the main module; unknown handles give nullptr.
Entry* Resolve(Registry& reg, HINSTANCE h)
{
    if (h == nullptr)
        return MainEntry(reg);
    for (auto& e : reg.entries)
        if (reinterpret_cast<HINSTANCE>(e.get()) == h)
            return e.get();
    return nullptr;
}

HMODULE ToHandle(Entry* e)
{
    return reinterpret_cast<HMODULE>(e);
}

const Module* TableOf(HINSTANCE h)
{
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    Entry* e = Resolve(reg, h);
    return e ? e->table : nullptr;
}

void DropRecords(Registry& reg, const Entry* e)
{
    for (auto it = reg.recordByData.begin(); it != reg.recordByData.end();)
    {
        if (it->second->module == e)
        {
            it->second->data = nullptr;
            it->second->size = 0;
            it = reg.recordByData.erase(it);
        }
        else
            ++it;
    }
}

bool IsIntResource(LPCSTR name)
{
    return IS_INTRESOURCE(name);
}

// A query matches MAKEINTRESOURCE ids, "#123" and names (case-insensitive, as Windows upper-cases them).
bool Matches(const ResName& rn, LPCSTR query)
{
    if (query == nullptr)
        return false;
    if (IsIntResource(query))
        return rn.IsId() && rn.id == uint32_t(reinterpret_cast<uintptr_t>(query));
    if (query[0] == '#' && query[1] != '\0')
    {
        uint32_t id = 0;
        for (const char* p = query + 1; *p; ++p)
        {
            if (*p < '0' || *p > '9')
                return false;
            id = id * 10 + uint32_t(*p - '0');
        }
        return rn.IsId() && rn.id == id;
    }
    return !rn.IsId() && EqualNoCase(rn.name, query);
}

template <class T> const T* FindIn(const T* items, size_t count, LPCSTR name)
{
    for (size_t i = 0; i < count; ++i)
        if (Matches(items[i].name, name))
            return &items[i];
    return nullptr;
}

// Group and single icon/cursor types are one entry here: the file holds both.
uint32_t CanonicalType(uint32_t type)
{
    if (type == 3)
        return 14; // RT_ICON -> RT_GROUP_ICON
    if (type == 1)
        return 12; // RT_CURSOR -> RT_GROUP_CURSOR
    return type;
}

bool TypeMatches(const ResName& type, LPCSTR query)
{
    if (query != nullptr && IsIntResource(query) && type.IsId())
        return CanonicalType(type.id) == CanonicalType(uint32_t(reinterpret_cast<uintptr_t>(query)));
    return Matches(type, query);
}

} // namespace

namespace kel::rc
{

bool RegisterModule(const Module* module)
{
    if (module == nullptr || module->name == nullptr)
        return false;
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    std::string name = NormalizeName(module->name);
    Entry* e = module->isMain ? MainEntry(reg) : FindByName(reg, name);
    if (e != nullptr)
    {
        if (e->table == module)
            return true;
        if (e->table != nullptr)
            return false;
        e->table = module;
        e->name = name;
        return true;
    }
    reg.entries.push_back(std::make_unique<Entry>());
    reg.entries.back()->name = name;
    reg.entries.back()->table = module;
    return true;
}

void UnregisterModule(const Module* module)
{
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    for (auto& e : reg.entries)
        if (e->table == module)
        {
            e->table = nullptr;
            DropRecords(reg, e.get());
        }
}

const Dialog* FindDialog(HINSTANCE hInstance, LPCSTR name)
{
    const Module* m = TableOf(hInstance);
    return m ? FindIn(m->dialogs, m->dialogCount, name) : nullptr;
}

const Menu* FindMenu(HINSTANCE hInstance, LPCSTR name)
{
    const Module* m = TableOf(hInstance);
    return m ? FindIn(m->menus, m->menuCount, name) : nullptr;
}

const AccelTable* FindAccelerators(HINSTANCE hInstance, LPCSTR name)
{
    const Module* m = TableOf(hInstance);
    return m ? FindIn(m->accelerators, m->acceleratorCount, name) : nullptr;
}

const Toolbar* FindToolbar(HINSTANCE hInstance, LPCSTR name)
{
    const Module* m = TableOf(hInstance);
    return m ? FindIn(m->toolbars, m->toolbarCount, name) : nullptr;
}

const Binary* FindBinary(HINSTANCE hInstance, LPCSTR name, LPCSTR type)
{
    const Module* m = TableOf(hInstance);
    if (m == nullptr)
        return nullptr;
    for (size_t i = 0; i < m->binaryCount; ++i)
        if (TypeMatches(m->binaries[i].type, type) && Matches(m->binaries[i].name, name))
            return &m->binaries[i];
    return nullptr;
}

bool FindString(HINSTANCE hInstance, UINT id, std::string_view* text)
{
    const Module* m = TableOf(hInstance);
    if (m == nullptr)
        return false;
    const StringEntry* end = m->strings + m->stringCount;
    const StringEntry* it =
        std::lower_bound(m->strings, end, id, [](const StringEntry& s, UINT v) { return s.id < v; });
    // Windows string tables cannot hold an empty string: it reads as missing.
    if (it == end || it->id != id || it->length == 0)
        return false;
    if (text != nullptr)
        *text = std::string_view(it->text, it->length);
    return true;
}

bool IsModuleHandle(HINSTANCE hInstance)
{
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    return hInstance != nullptr && Resolve(reg, hInstance) != nullptr;
}

std::string GetModuleName(HINSTANCE hInstance)
{
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    Entry* e = Resolve(reg, hInstance);
    return e ? e->name : std::string();
}

} // namespace kel::rc

HMODULE GetModuleHandle(LPCSTR lpModuleName)
{
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    if (lpModuleName == nullptr)
        return ToHandle(MainEntry(reg));
    Entry* e = FindByName(reg, NormalizeName(lpModuleName));
    if (e == nullptr || (e->table == nullptr && e->dl == nullptr && !e->main))
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return ToHandle(e);
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    return GetModuleHandle(lpModuleName);
}

HMODULE LoadLibrary(LPCSTR lpLibFileName)
{
    if (lpLibFileName == nullptr || *lpLibFileName == '\0')
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string name = NormalizeName(lpLibFileName);
    Registry& reg = Reg();
    {
        std::lock_guard lock(reg.mutex);
        Entry* e = FindByName(reg, name);
        if (e != nullptr && (e->table != nullptr || e->dl != nullptr || e->main))
        {
            ++e->refs;
            return ToHandle(e);
        }
    }

    // Not linked in: load the shared library. Its static registrar may register the module while
    // dlopen runs, so no lock is held here.
    const std::string path = ExecutableDir() + "/lib" + name + ".so";
    if (access(path.c_str(), F_OK) != 0)
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (dl == nullptr)
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    using ModuleFn = const Module* (*)();
    auto fn = reinterpret_cast<ModuleFn>(dlsym(dl, ModuleSymbol(name).c_str()));

    std::lock_guard lock(reg.mutex);
    Entry* e = FindByName(reg, name);
    if (e == nullptr)
    {
        reg.entries.push_back(std::make_unique<Entry>());
        e = reg.entries.back().get();
        e->name = name;
    }
    // The library's registrar reaches our registry only when it shares this layer with us.
    if (e->table == nullptr && fn != nullptr)
        e->table = fn();
    if (e->dl != nullptr)
        dlclose(dl); // another thread loaded it meanwhile; dlopen counted twice
    else
        e->dl = dl;
    ++e->refs;
    return ToHandle(e);
}

HMODULE LoadLibraryA(LPCSTR lpLibFileName)
{
    return LoadLibrary(lpLibFileName);
}

HMODULE LoadLibraryEx(LPCSTR lpLibFileName, HANDLE, DWORD)
{
    return LoadLibrary(lpLibFileName);
}

HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    return LoadLibraryEx(lpLibFileName, hFile, dwFlags);
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    Registry& reg = Reg();
    void* toClose = nullptr;
    {
        std::lock_guard lock(reg.mutex);
        Entry* e = hLibModule ? Resolve(reg, hLibModule) : nullptr;
        if (e == nullptr)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (e->refs > 0)
            --e->refs;
        if (e->refs == 0 && e->dl != nullptr)
        {
            e->table = nullptr;
            DropRecords(reg, e);
            toClose = e->dl;
            e->dl = nullptr;
        }
    }
    if (toClose != nullptr)
        dlclose(toClose); // its static destructors may unregister: no lock held
    return TRUE;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (lpProcName == nullptr)
    {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* handle = nullptr;
    std::string module;
    {
        Registry& reg = Reg();
        std::lock_guard lock(reg.mutex);
        Entry* e = hModule ? Resolve(reg, hModule) : nullptr;
        if (e == nullptr)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        handle = e->dl ? e->dl : RTLD_DEFAULT;
        module = e->name;
    }
    std::string name;
    if (IS_INTRESOURCE(lpProcName))
    {
        // By ordinal: through the library's export table.
        const WORD ordinal = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpProcName));
        using TableFn = const kel::ExportTable* (*)();
        auto fn = reinterpret_cast<TableFn>(dlsym(handle, ExportTableSymbol(module).c_str()));
        const kel::ExportTable* table = fn ? fn() : nullptr;
        for (size_t i = 0; table != nullptr && ordinal != 0 && i < table->count; ++i)
            if (table->entries[i].ordinal == ordinal)
                name = table->entries[i].name;
        if (name.empty())
        {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        lpProcName = name.c_str();
    }
    void* sym = dlsym(handle, lpProcName);
    if (sym == nullptr)
    {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(sym);
}

int LoadString(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    if (lpBuffer == nullptr || cchBufferMax <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string_view text;
    if (!kel::rc::FindString(hInstance, uID, &text))
    {
        lpBuffer[0] = '\0';
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    size_t n = std::min(text.size(), size_t(cchBufferMax - 1));
    std::memcpy(lpBuffer, text.data(), n);
    lpBuffer[n] = '\0';
    return int(n);
}

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    return LoadString(hInstance, uID, lpBuffer, cchBufferMax);
}

HRSRC FindResource(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    Registry& reg = Reg();
    const Entry* owner = nullptr;
    const Module* m = nullptr;
    {
        std::lock_guard lock(reg.mutex);
        Entry* e = Resolve(reg, hModule);
        if (e == nullptr)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        owner = e;
        m = e->table;
    }
    const void* data = nullptr;
    size_t size = 0;
    if (m != nullptr)
    {
        uintptr_t type = IS_INTRESOURCE(lpType) ? reinterpret_cast<uintptr_t>(lpType) : 0;
        switch (type)
        {
        case 5: // RT_DIALOG
            data = FindIn(m->dialogs, m->dialogCount, lpName), size = sizeof(kel::rc::Dialog);
            break;
        case 4: // RT_MENU
            data = FindIn(m->menus, m->menuCount, lpName), size = sizeof(kel::rc::Menu);
            break;
        case 9: // RT_ACCELERATOR
            data = FindIn(m->accelerators, m->acceleratorCount, lpName), size = sizeof(kel::rc::AccelTable);
            break;
        case 241: // RT_TOOLBAR
            data = FindIn(m->toolbars, m->toolbarCount, lpName), size = sizeof(kel::rc::Toolbar);
            break;
        default:
            if (const kel::rc::Binary* b = kel::rc::FindBinary(hModule, lpName, lpType))
                data = b->bytes, size = b->size;
            break;
        }
    }
    if (data == nullptr)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard lock(reg.mutex);
    auto it = reg.recordByData.find(data);
    if (it == reg.recordByData.end())
    {
        reg.records.push_back(Record{owner, data, size});
        it = reg.recordByData.emplace(data, &reg.records.back()).first;
    }
    return reinterpret_cast<HRSRC>(it->second);
}

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    return FindResource(hModule, lpName, lpType);
}

namespace
{
const Record* ResolveRecord(HRSRC h)
{
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    for (const Record& r : reg.records)
        if (reinterpret_cast<HRSRC>(const_cast<Record*>(&r)) == h)
            return r.data ? &r : nullptr;
    return nullptr;
}
} // namespace

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo)
{
    const Record* r = ResolveRecord(hResInfo);
    if (r == nullptr)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return const_cast<void*>(r->data);
}

LPVOID LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD SizeofResource(HMODULE, HRSRC hResInfo)
{
    const Record* r = ResolveRecord(hResInfo);
    if (r == nullptr)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return DWORD(r->size);
}

BOOL FreeResource(HGLOBAL)
{
    return FALSE;
}
