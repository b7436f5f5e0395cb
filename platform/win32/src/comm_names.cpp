// COM names: which Linux device stands behind COMn, the list QueryDosDevice gives, and the
// per-thread text of the last failed open.
#include "comm_internal.h"
#include "win32/kernel.h"
#include "win32/registry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <tuple>

#include <strings.h>

namespace fs = std::filesystem;

namespace kel
{
namespace
{

struct VirtualPort
{
    std::string name;
    VirtualComOpener opener;
};

std::mutex& NamesLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::map<int, VirtualPort>& VirtualPorts()
{
    static auto* ports = new std::map<int, VirtualPort>;
    return *ports;
}

// KEL_SERIAL_CLASS_DIR, when set, stands in for /sys/class/tty (a whole program under test sees no
// real ports with an empty folder there).
std::string DefaultClassDir()
{
    const char* dir = std::getenv("KEL_SERIAL_CLASS_DIR");
    return dir && *dir ? dir : "/sys/class/tty";
}

std::string& ClassDir()
{
    static auto* dir = new std::string(DefaultClassDir());
    return *dir;
}

thread_local std::string t_errorDetail;

// Numbered suffix of a device name ("ttyUSB12" -> 12), -1 when it has none.
long DeviceIndex(const std::string& name, size_t prefixLength)
{
    if (name.size() <= prefixLength)
        return -1;
    long value = 0;
    for (size_t i = prefixLength; i < name.size(); ++i)
    {
        if (name[i] < '0' || name[i] > '9' || value > 100000)
            return -1;
        value = value * 10 + (name[i] - '0');
    }
    return value;
}

// A ttyS entry is only a real port when the serial core knows its UART type; the 8250 driver
// registers a few placeholder ports with type 0 whatever hardware there is.
bool UartExists(const fs::path& entry)
{
    std::ifstream in(entry / "type");
    int type = -1;
    if (!(in >> type))
        return true; // no type attribute: trust the device link
    return type != 0;
}

// Explicit assignments: the environment first, then the settings store.
std::map<int, std::string> AssignedPorts()
{
    std::map<int, std::string> assigned;
    if (const char* text = std::getenv("KEL_COM_MAP"))
    {
        std::vector<std::string> bad;
        assigned = ParseComMap(text, &bad);
        static std::set<std::string>* reported = new std::set<std::string>;
        std::lock_guard lock(NamesLock());
        for (const std::string& entry : bad)
            if (reported->insert(entry).second)
                std::fprintf(stderr, "KEL_COM_MAP: ignoring \"%s\" (expected COMn=/dev/path)\n",
                             entry.c_str());
    }
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\kel\\Serial", 0, KEY_READ, &key) == ERROR_SUCCESS)
    {
        for (DWORD index = 0;; ++index)
        {
            char name[64];
            char value[1024];
            DWORD nameLength = sizeof name, size = sizeof value, type = 0;
            LONG result = RegEnumValue(key, index, name, &nameLength, nullptr, &type,
                                       reinterpret_cast<BYTE*>(value), &size);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS || type != REG_SZ || size == 0)
                continue;
            value[std::min<DWORD>(size, sizeof value - 1)] = '\0';
            int n = ParseComName(name);
            if (n > 0 && value[0] != '\0' && !assigned.count(n))
                assigned[n] = value;
        }
        RegCloseKey(key);
    }
    return assigned;
}

} // namespace

int ParseComName(const std::string& name)
{
    if (name.size() < 4 || name.size() > 8 || strncasecmp(name.c_str(), "COM", 3) != 0 || name[3] == '0')
        return 0;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i)
    {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::map<int, std::string> ParseComMap(const std::string& text, std::vector<std::string>* bad)
{
    std::map<int, std::string> result;
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find_first_of(";,", start);
        if (end == std::string::npos)
            end = text.size();
        std::string entry = text.substr(start, end - start);
        start = end + 1;
        auto trim = [](std::string s)
        {
            size_t first = s.find_first_not_of(" \t");
            size_t last = s.find_last_not_of(" \t");
            return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
        };
        entry = trim(entry);
        if (entry.empty())
            continue;
        size_t equals = entry.find('=');
        int n = equals == std::string::npos ? 0 : ParseComName(trim(entry.substr(0, equals)));
        std::string path = equals == std::string::npos ? std::string() : trim(entry.substr(equals + 1));
        if (n <= 0 || path.empty())
        {
            if (bad)
                bad->push_back(entry);
            continue;
        }
        result[n] = path;
    }
    return result;
}

std::vector<std::string> ScanSerialDevices(const std::string& classDir)
{
    struct Found
    {
        int group;
        long index;
        std::string name;
    };
    static const char* const prefixes[] = {"ttyS", "ttyUSB", "ttyACM"};
    std::vector<Found> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(classDir, ec))
    {
        std::string name = entry.path().filename().string();
        for (int group = 0; group < 3; ++group)
        {
            size_t length = std::strlen(prefixes[group]);
            long index = name.compare(0, length, prefixes[group]) == 0 ? DeviceIndex(name, length) : -1;
            if (index < 0)
                continue;
            std::error_code linkError;
            if (!fs::exists(entry.path() / "device", linkError))
                break; // virtual consoles and the like have no device behind them
            if (group == 0 && !UartExists(entry.path()))
                break;
            found.push_back({group, index, name});
            break;
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b)
              { return std::tie(a.group, a.index) < std::tie(b.group, b.index); });
    std::vector<std::string> paths;
    for (const Found& f : found)
        paths.push_back("/dev/" + f.name);
    return paths;
}

std::map<int, std::string> ComPortMap()
{
    std::map<int, std::string> ports = AssignedPorts();
    std::string classDir;
    {
        std::lock_guard lock(NamesLock());
        classDir = ClassDir();
        for (const auto& [n, port] : VirtualPorts())
            ports[n] = port.name;
    }
    // Found devices take the free numbers from COM1 up; a device already assigned explicitly
    // keeps only its assigned number.
    std::set<std::string> taken;
    for (const auto& [n, path] : ports)
        taken.insert(path);
    int next = 1;
    for (const std::string& path : ScanSerialDevices(classDir))
    {
        if (taken.count(path))
            continue;
        while (ports.count(next))
            ++next;
        ports[next] = path;
    }
    return ports;
}

void SetSerialClassDir(const std::string& dir)
{
    std::lock_guard lock(NamesLock());
    ClassDir() = dir.empty() ? DefaultClassDir() : dir;
}

void RegisterVirtualComPort(int n, const std::string& name, VirtualComOpener opener)
{
    std::lock_guard lock(NamesLock());
    VirtualPorts()[n] = {name, std::move(opener)};
}

void UnregisterVirtualComPort(int n)
{
    std::lock_guard lock(NamesLock());
    VirtualPorts().erase(n);
}

VirtualComOpener FindVirtualComPort(int n)
{
    std::lock_guard lock(NamesLock());
    auto it = VirtualPorts().find(n);
    return it == VirtualPorts().end() ? VirtualComOpener() : it->second.opener;
}

void SetCommErrorDetail(std::string text)
{
    t_errorDetail = std::move(text);
}

std::string LastCommErrorDetail()
{
    return t_errorDetail;
}

std::string ComDevicePath(int n)
{
    if (n <= 0)
        return {};
    auto ports = ComPortMap();
    auto it = ports.find(n);
    return it == ports.end() ? std::string() : it->second;
}

} // namespace kel

DWORD QueryDosDeviceA(LPCSTR lpDeviceName, LPSTR lpTargetPath, DWORD ucchMax)
{
    std::string text;
    if (lpDeviceName == nullptr)
    {
        for (const auto& [n, path] : kel::ComPortMap())
        {
            text += "COM" + std::to_string(n);
            text += '\0';
        }
    }
    else
    {
        int n = kel::ParseComName(lpDeviceName);
        std::string path = kel::ComDevicePath(n);
        if (path.empty())
        {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        text = path + '\0';
    }
    text += '\0';
    if (lpTargetPath == nullptr || text.size() > ucchMax)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpTargetPath, text.data(), text.size());
    return static_cast<DWORD>(text.size());
}
