// The shell: dropped files in one handle table of drops, freed by DragFinish; documents and
// addresses opened with the desktop's handler.
#include "win32/shell.h"

#include <shellapi.h>

#include "user_internal.h"

#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace
{

struct Drop
{
    std::vector<std::string> files;
    POINT pt{};
    bool inClient = true;
};

struct DropTable
{
    std::mutex mutex;
    std::map<uintptr_t, Drop> drops;
    uintptr_t next = 0x70000;
};

DropTable& Drops()
{
    static auto* table = new DropTable; // handles may be freed during exit
    return *table;
}

template <class F> auto WithDrop(HDROP h, F f) -> decltype(f(std::declval<Drop&>()))
{
    DropTable& t = Drops();
    std::lock_guard<std::mutex> lk(t.mutex);
    auto it = t.drops.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.drops.end())
        return {};
    return f(it->second);
}

} // namespace

void DragAcceptFiles(HWND hWnd, BOOL fAccept)
{
    if (!IsWindow(hWnd))
        return;
    const LONG ex = GetWindowLong(hWnd, GWL_EXSTYLE);
    SetWindowLong(hWnd, GWL_EXSTYLE,
                  fAccept ? ex | WS_EX_ACCEPTFILES : ex & ~static_cast<LONG>(WS_EX_ACCEPTFILES));
}

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch)
{
    return WithDrop(hDrop,
                    [&](Drop& d) -> UINT
                    {
                        if (iFile == 0xFFFFFFFFu)
                            return static_cast<UINT>(d.files.size());
                        if (iFile >= d.files.size())
                            return 0;
                        const std::string& name = d.files[iFile];
                        if (!lpszFile)
                            return static_cast<UINT>(name.size());
                        if (cch == 0)
                            return 0;
                        const size_t n = std::min<size_t>(name.size(), cch - 1);
                        std::memcpy(lpszFile, name.data(), n);
                        lpszFile[n] = '\0';
                        return static_cast<UINT>(n);
                    });
}

BOOL DragQueryPoint(HDROP hDrop, LPPOINT lppt)
{
    return WithDrop(hDrop,
                    [&](Drop& d) -> BOOL
                    {
                        if (lppt)
                            *lppt = d.pt;
                        return d.inClient;
                    });
}

void DragFinish(HDROP hDrop)
{
    DropTable& t = Drops();
    std::lock_guard<std::mutex> lk(t.mutex);
    t.drops.erase(reinterpret_cast<uintptr_t>(hDrop));
}

namespace kel::ui
{

HWND DropTarget(HWND hwnd)
{
    for (HWND h = hwnd; h && IsWindow(h);
         h = (GetWindowLong(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr)
        if (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)
            return h;
    return nullptr;
}

bool DropFiles(HWND hwnd, POINT clientPt, const std::vector<std::string>& files)
{
    HWND target = DropTarget(hwnd);
    if (!target || files.empty())
        return false;
    POINT pt = clientPt;
    ClientToScreen(hwnd, &pt);
    ScreenToClient(target, &pt);
    RECT client{};
    GetClientRect(target, &client);
    const bool inClient =
        pt.x >= client.left && pt.x < client.right && pt.y >= client.top && pt.y < client.bottom;
    Drop drop{files, pt, inClient};
    uintptr_t handle = 0;
    {
        DropTable& t = Drops();
        std::lock_guard<std::mutex> lk(t.mutex);
        handle = t.next++;
        t.drops.emplace(handle, std::move(drop));
    }
    if (!PostMessage(target, WM_DROPFILES, static_cast<WPARAM>(handle), 0))
    {
        DragFinish(reinterpret_cast<HDROP>(handle));
        return false;
    }
    return true;
}

} // namespace kel::ui

// ---- Opening documents and addresses ----------------------------------------------------------------

namespace kel
{

namespace
{
std::mutex g_openerLock;
UrlOpener g_opener;
} // namespace

BOOL OpenUrl(const char* url)
{
    if (!url || !*url)
        return FALSE;
    UrlOpener opener;
    {
        std::lock_guard<std::mutex> lock(g_openerLock);
        opener = g_opener;
    }
    if (opener)
        return opener(url);
    // The desktop's handler for addresses and files; reaped in the background so no zombie stays.
    char program[] = "xdg-open";
    std::string address(url);
    char* args[] = {program, address.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, args, environ) != 0)
        return FALSE;
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return TRUE;
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    std::lock_guard<std::mutex> lock(g_openerLock);
    UrlOpener previous = std::move(g_opener);
    g_opener = std::move(opener);
    return previous;
}

} // namespace kel

BOOL ShellExecuteEx(LPSHELLEXECUTEINFO pExecInfo)
{
    if (!pExecInfo || pExecInfo->cbSize != sizeof(SHELLEXECUTEINFO) || !pExecInfo->lpFile ||
        !*pExecInfo->lpFile || (pExecInfo->lpVerb && std::strcmp(pExecInfo->lpVerb, "open") != 0))
        return FALSE;
    pExecInfo->hProcess = nullptr;
    const BOOL opened = kel::OpenUrl(pExecInfo->lpFile);
    pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(opened ? 42 : SE_ERR_NOASSOC));
    return opened;
}

HINSTANCE ShellExecute(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                       INT nShowCmd)
{
    SHELLEXECUTEINFO sei{};
    sei.cbSize = sizeof sei;
    sei.hwnd = hwnd;
    sei.lpVerb = lpOperation;
    sei.lpFile = lpFile;
    sei.lpParameters = lpParameters;
    sei.lpDirectory = lpDirectory;
    sei.nShow = nShowCmd;
    ShellExecuteEx(&sei);
    return sei.hInstApp ? sei.hInstApp : reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(SE_ERR_NOASSOC));
}
