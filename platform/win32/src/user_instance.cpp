// Windows of other instances over per-user local sockets. One request per connection; every field
// is little-endian with a fixed width:
//   request: u32 magic, u32 op, then
//     Find:     u32 class length, class, u32 title length (0xFFFFFFFF: any title), title
//     CopyData: u64 window, u64 dwData, u32 size, bytes
//     Raise:    u64 window
//   reply:    Find: u64 window (0: none), u32 title length, title; others: i64 result
// The listening thread only reads and writes sockets; windows are touched on the user-interface
// thread.
#include "win32/instance.h"

#include "user_internal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kel::ui
{

namespace
{

constexpr uint32_t kMagic = 0x574c454b; // "KELW"
constexpr uint32_t kAnyTitle = 0xffffffffu;
constexpr uint32_t kMaxField = 64u << 20; // refuses absurd sizes from a damaged peer
constexpr int kIoTimeoutMs = 5000;
constexpr int kCopyDataTimeoutMs = 60000; // the receiver may show a prompt while handling it
constexpr char kStandInClass[] = "KelForeignWindow";

enum Op : uint32_t
{
    OpFind = 1,
    OpCopyData = 2,
    OpRaise = 3
};

// ---- Byte buffers ----------------------------------------------------------------------------------------

void Put32(std::string& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<char>(v >> (8 * i)));
}

void Put64(std::string& b, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        b.push_back(static_cast<char>(v >> (8 * i)));
}

void PutText(std::string& b, const std::string& s)
{
    Put32(b, static_cast<uint32_t>(s.size()));
    b += s;
}

// Reads exactly n bytes within timeoutMs.
bool ReadAll(int fd, void* data, size_t n, int timeoutMs)
{
    auto* p = static_cast<char*>(data);
    while (n > 0)
    {
        pollfd pfd{fd, POLLIN, 0};
        const int r = poll(&pfd, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        const ssize_t got = recv(fd, p, n, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const std::string& b)
{
    size_t done = 0;
    while (done < b.size())
    {
        const ssize_t put = send(fd, b.data() + done, b.size() - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool Read32(int fd, uint32_t& v, int timeoutMs)
{
    uint8_t b[4];
    if (!ReadAll(fd, b, 4, timeoutMs))
        return false;
    v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool Read64(int fd, uint64_t& v, int timeoutMs)
{
    uint32_t lo = 0, hi = 0;
    if (!Read32(fd, lo, timeoutMs) || !Read32(fd, hi, timeoutMs))
        return false;
    v = uint64_t(hi) << 32 | lo;
    return true;
}

bool ReadBytes(int fd, uint32_t n, std::string& s, int timeoutMs)
{
    if (n > kMaxField)
        return false;
    s.assign(n, '\0');
    return n == 0 || ReadAll(fd, s.data(), n, timeoutMs);
}

bool ReadText(int fd, std::string& s, int timeoutMs)
{
    uint32_t n = 0;
    return Read32(fd, n, timeoutMs) && ReadBytes(fd, n, s, timeoutMs);
}

// ---- Socket names ----------------------------------------------------------------------------------------

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string SocketFolder()
{
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return runtime;
    // No runtime folder: a private one of our own, refused when someone else owns it.
    std::string dir = "/tmp/kel-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    struct stat st
    {
    };
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return {};
    return dir;
}

// ---- Server ----------------------------------------------------------------------------------------------

struct Served
{
    std::string key; // upper-case class name
    std::string path;
    int fd = -1;
};

class Server;
Server& TheServer();

class Server
{
public:
    bool Serve(const std::string& className)
    {
        const std::string key = Upper(className);
        std::lock_guard<std::mutex> lk(mutex_);
        for (const Served& s : served_)
            if (s.key == key)
                return true;
        if (refused_.count(key))
            return false;
        const std::string path = WindowClassSocketPath(className);
        const int fd = path.empty() ? -1 : Listen(path);
        if (fd < 0)
        {
            refused_.insert(key);
            return false;
        }
        served_.push_back(Served{key, path, fd});
        if (!cleanupInstalled_)
        {
            cleanupInstalled_ = true;
            std::atexit([] { TheServer().StopAll(); });
        }
        StartLocked();
        return true;
    }

    void StopAll()
    {
        std::lock_guard<std::mutex> lk(mutex_);
        for (Served& s : served_)
        {
            close(s.fd);
            unlink(s.path.c_str());
        }
        served_.clear();
        refused_.clear();
        if (wake_[1] >= 0)
        {
            const char c = 0;
            (void)!write(wake_[1], &c, 1);
        }
    }

private:
    static int Listen(const std::string& path)
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        auto* sa = reinterpret_cast<sockaddr*>(&addr);
        if (bind(fd, sa, sizeof addr) != 0)
        {
            if (errno != EADDRINUSE)
            {
                close(fd);
                return -1;
            }
            // Left behind by a process that ended without cleaning up, or owned by a live one.
            const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const bool live = probe >= 0 && connect(probe, sa, sizeof addr) == 0;
            if (probe >= 0)
                close(probe);
            if (live || unlink(path.c_str()) != 0 || bind(fd, sa, sizeof addr) != 0)
            {
                close(fd);
                return -1;
            }
        }
        chmod(path.c_str(), 0600);
        if (listen(fd, 8) != 0)
        {
            close(fd);
            unlink(path.c_str());
            return -1;
        }
        return fd;
    }

    void StartLocked()
    {
        if (wake_[0] >= 0)
        {
            const char c = 0;
            (void)!write(wake_[1], &c, 1);
            return;
        }
        if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        // Detached: at exit it may be waiting for a user-interface thread that is gone.
        std::thread([this] { Loop(); }).detach();
    }

    void Loop()
    {
        for (;;)
        {
            std::vector<pollfd> fds{pollfd{wake_[0], POLLIN, 0}};
            std::vector<std::string> keys{""};
            {
                std::lock_guard<std::mutex> lk(mutex_);
                for (const Served& s : served_)
                {
                    fds.push_back(pollfd{s.fd, POLLIN, 0});
                    keys.push_back(s.key);
                }
            }
            if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
                return;
            if (fds[0].revents)
            {
                char drain[64];
                while (read(wake_[0], drain, sizeof drain) > 0)
                {
                }
                continue; // the set of sockets changed
            }
            for (size_t i = 1; i < fds.size(); ++i)
                if (fds[i].revents & POLLIN)
                {
                    const int client = accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
                    if (client >= 0)
                    {
                        Handle(client, keys[i]);
                        close(client);
                    }
                }
        }
    }

    static bool OurWindow(HWND hwnd, const std::string& key)
    {
        char name[256] = {};
        return IsWindow(hwnd) && !(GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD) &&
               GetClassName(hwnd, name, sizeof name) > 0 && Upper(name) == key;
    }

    static void Handle(int fd, const std::string& key)
    {
        uint32_t magic = 0, op = 0;
        if (!Read32(fd, magic, kIoTimeoutMs) || magic != kMagic || !Read32(fd, op, kIoTimeoutMs))
            return;
        std::string reply;
        if (op == OpFind)
        {
            std::string cls, title;
            uint32_t titleLen = 0;
            if (!ReadText(fd, cls, kIoTimeoutMs) || !Read32(fd, titleLen, kIoTimeoutMs) ||
                (titleLen != kAnyTitle && !ReadBytes(fd, titleLen, title, kIoTimeoutMs)))
                return;
            HWND found = nullptr;
            std::string text;
            if (Upper(cls) == key)
                RunOnUiThread(
                    [&]() -> LRESULT
                    {
                        // Our own windows only: FindWindow would ask the other instances in turn.
                        struct Search
                        {
                            const std::string& key;
                            const std::string* title;
                            HWND found;
                        } search{key, titleLen == kAnyTitle ? nullptr : &title, nullptr};
                        EnumWindows(
                            [](HWND w, LPARAM lp) -> BOOL
                            {
                                auto& s = *reinterpret_cast<Search*>(lp);
                                char text[1024] = {};
                                if (!OurWindow(w, s.key))
                                    return TRUE;
                                GetWindowText(w, text, sizeof text);
                                if (s.title && *s.title != text)
                                    return TRUE;
                                s.found = w;
                                return FALSE;
                            },
                            reinterpret_cast<LPARAM>(&search));
                        HWND h = search.found;
                        found = h;
                        if (found)
                        {
                            char buf[1024] = {};
                            GetWindowText(found, buf, sizeof buf);
                            text = buf;
                        }
                        return 0;
                    });
            Put64(reply, reinterpret_cast<uintptr_t>(found));
            PutText(reply, text);
        }
        else if (op == OpCopyData)
        {
            uint64_t target = 0, data = 0;
            uint32_t size = 0;
            std::string bytes;
            if (!Read64(fd, target, kIoTimeoutMs) || !Read64(fd, data, kIoTimeoutMs) ||
                !Read32(fd, size, kIoTimeoutMs) || !ReadBytes(fd, size, bytes, kIoTimeoutMs))
                return;
            const LRESULT result = RunOnUiThread(
                [&]() -> LRESULT
                {
                    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(target));
                    if (!OurWindow(hwnd, key))
                        return 0;
                    COPYDATASTRUCT cds{static_cast<ULONG_PTR>(data), size, size ? bytes.data() : nullptr};
                    return SendMessage(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
                });
            Put64(reply, static_cast<uint64_t>(result));
        }
        else if (op == OpRaise)
        {
            uint64_t target = 0;
            if (!Read64(fd, target, kIoTimeoutMs))
                return;
            const LRESULT result = RunOnUiThread(
                [&]() -> LRESULT
                {
                    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(target));
                    if (!OurWindow(hwnd, key))
                        return 0;
                    if (IsIconic(hwnd))
                        ShowWindow(hwnd, SW_RESTORE);
                    else if (!IsWindowVisible(hwnd))
                        ShowWindow(hwnd, SW_SHOW);
                    return SetForegroundWindow(hwnd);
                });
            Put64(reply, static_cast<uint64_t>(result));
        }
        else
            return;
        WriteAll(fd, reply);
    }

    std::mutex mutex_;
    std::vector<Served> served_;
    std::set<std::string> refused_;
    int wake_[2] = {-1, -1};
    bool cleanupInstalled_ = false;
};

Server& TheServer()
{
    static auto* server = new Server; // its thread may outlive static destruction
    return *server;
}

// ---- Client ----------------------------------------------------------------------------------------------

// Sends one request to the socket of a class; the reply is read by `read`. False on any failure.
template <class ReadReply>
bool Ask(const std::string& className, const std::string& request, int timeoutMs, ReadReply read)
{
    const std::string path = WindowClassSocketPath(className);
    if (path.empty())
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                    WriteAll(fd, request) && read(fd, timeoutMs);
    close(fd);
    return ok;
}

std::string Header(Op op)
{
    std::string b;
    Put32(b, kMagic);
    Put32(b, op);
    return b;
}

struct StandIn
{
    std::string className;
    uint64_t remote = 0;
};

std::mutex& StandInLock()
{
    static std::mutex m;
    return m;
}

std::map<HWND, StandIn>& StandIns()
{
    static auto* m = new std::map<HWND, StandIn>; // outlives windows destroyed at exit
    return *m;
}

void RaiseRemote(const StandIn& s)
{
    std::string req = Header(OpRaise);
    Put64(req, s.remote);
    Ask(s.className, req, kIoTimeoutMs,
        [](int fd, int timeoutMs)
        {
            uint64_t r = 0;
            return Read64(fd, r, timeoutMs);
        });
}

LRESULT CALLBACK StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    StandIn s;
    {
        std::lock_guard<std::mutex> lk(StandInLock());
        auto it = StandIns().find(hwnd);
        if (it != StandIns().end())
            s = it->second;
        if (msg == WM_NCDESTROY && it != StandIns().end())
            StandIns().erase(it);
    }
    switch (msg)
    {
    case WM_COPYDATA:
    {
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!cds || s.className.empty() || (cds->cbData && !cds->lpData))
            return 0;
        std::string req = Header(OpCopyData);
        Put64(req, s.remote);
        Put64(req, static_cast<uint64_t>(cds->dwData));
        Put32(req, cds->cbData);
        req.append(static_cast<const char*>(cds->lpData), cds->cbData);
        uint64_t result = 0;
        Ask(s.className, req, kCopyDataTimeoutMs,
            [&](int fd, int timeoutMs) { return Read64(fd, result, timeoutMs); });
        return static_cast<LRESULT>(result);
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !s.className.empty())
            RaiseRemote(s);
        return 0;
    case WM_SHOWWINDOW:
        if (wParam && !s.className.empty())
            RaiseRemote(s);
        return 0;
    case WM_WINDOWPOSCHANGED:
        // Stays hidden, so the next ShowWindow asks again.
        SetWindowLong(hwnd, GWL_STYLE, GetWindowLong(hwnd, GWL_STYLE) & ~static_cast<LONG>(WS_VISIBLE));
        return 0;
    default:
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

HWND StandInFor(const std::string& className, uint64_t remote, const std::string& title)
{
    {
        std::lock_guard<std::mutex> lk(StandInLock());
        for (auto& [h, s] : StandIns())
            if (s.remote == remote && Upper(s.className) == Upper(className) && IsWindow(h))
                return h;
    }
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StandInProc;
    wc.lpszClassName = kStandInClass;
    RegisterSystemClass(wc); // fails harmlessly once registered
    HWND hwnd = CreateWindowEx(0, kStandInClass, title.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr);
    if (!hwnd)
        return nullptr;
    std::lock_guard<std::mutex> lk(StandInLock());
    StandIns()[hwnd] = StandIn{className, remote};
    return hwnd;
}

HWND FindForeign(LPCSTR className, LPCSTR title)
{
    // Only a class given by name can be looked up elsewhere.
    if (!className || IS_INTRESOURCE(className))
        return nullptr;
    std::string req = Header(OpFind);
    PutText(req, className);
    if (title)
        PutText(req, title);
    else
        Put32(req, kAnyTitle);
    uint64_t remote = 0;
    std::string text;
    if (!Ask(className, req, kIoTimeoutMs,
             [&](int fd, int timeoutMs)
             { return Read64(fd, remote, timeoutMs) && ReadText(fd, text, timeoutMs); }) ||
        remote == 0)
        return nullptr;
    return StandInFor(className, remote, text);
}

} // namespace

std::string WindowClassSocketPath(const std::string& className)
{
    const std::string dir = SocketFolder();
    if (dir.empty() || className.empty())
        return {};
    std::string name = "kel-window-";
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : Upper(className))
    {
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.')
            name.push_back(static_cast<char>(c));
        else
        {
            name.push_back('%');
            name.push_back(hex[c >> 4]);
            name.push_back(hex[c & 15]);
        }
    }
    std::string path = dir + "/" + name;
    if (path.size() >= sizeof(sockaddr_un::sun_path))
    {
        // Too long for a socket address: a hash of the class name stands in for it.
        uint64_t h = 14695981039346656037ull;
        for (unsigned char c : Upper(className))
            h = (h ^ c) * 1099511628211ull;
        std::string digest;
        for (int i = 15; i >= 0; --i)
            digest.push_back(hex[(h >> (4 * i)) & 15]);
        path = dir + "/kel-window-#" + digest;
        if (path.size() >= sizeof(sockaddr_un::sun_path))
            return {};
    }
    return path;
}

void InstallForeignWindowFinder()
{
    SetForeignWindowFinder(FindForeign);
}

bool ServeWindowClass(const std::string& className)
{
    return TheServer().Serve(className);
}

void StopServingWindowClasses()
{
    TheServer().StopAll();
}

} // namespace kel::ui
