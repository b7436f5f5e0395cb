// Dropped files: one handle table of drops, freed by DragFinish.
#include "win32/shell.h"

#include "user_internal.h"

#include <cstring>
#include <map>
#include <mutex>

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
