// Menus and accelerator tables as data; popup menus run by the driver.
#include "user_internal.h"

#include "win32/resources.h"

#include <algorithm>
#include <cstring>

namespace kel::ui
{
namespace
{
struct MenuItem
{
    UINT id = 0;
    UINT flags = 0; // MF_* type and state bits
    std::string text;
    HMENU sub = nullptr;
    ULONG_PTR data = 0;
};

struct Menu
{
    std::vector<MenuItem> items;
    bool popup = false;
    UINT defaultItem = static_cast<UINT>(-1);
};

struct MenuTables
{
    std::unordered_map<HMENU, std::unique_ptr<Menu>> menus;
    std::unordered_map<HACCEL, std::vector<ACCEL>> accels;
    uintptr_t next = 0x40000;
};

MenuTables& M()
{
    static auto* m = new MenuTables;
    return *m;
}

Menu* FindMenuLocked(HMENU h)
{
    auto it = M().menus.find(h);
    return it == M().menus.end() ? nullptr : it->second.get();
}

HMENU NewMenuLocked(bool popup)
{
    HMENU h = reinterpret_cast<HMENU>(M().next);
    M().next += 4;
    auto m = std::make_unique<Menu>();
    m->popup = popup;
    M().menus[h] = std::move(m);
    return h;
}

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT;

// Finds an item by command id (searching submenus) or position. Returns its menu and index.
bool Locate(HMENU h, UINT item, UINT flags, Menu** menu, size_t* index)
{
    Menu* m = FindMenuLocked(h);
    if (!m)
        return false;
    if (flags & MF_BYPOSITION)
    {
        if (item >= m->items.size())
            return false;
        *menu = m;
        *index = item;
        return true;
    }
    for (size_t i = 0; i < m->items.size(); ++i)
    {
        if (!m->items[i].sub && !(m->items[i].flags & MF_SEPARATOR) && m->items[i].id == item)
        {
            *menu = m;
            *index = i;
            return true;
        }
        if (m->items[i].sub && Locate(m->items[i].sub, item, flags, menu, index))
            return true;
    }
    // A submenu can be found by its handle as id too.
    for (size_t i = 0; i < m->items.size(); ++i)
        if (m->items[i].sub && reinterpret_cast<UINT_PTR>(m->items[i].sub) == item)
        {
            *menu = m;
            *index = i;
            return true;
        }
    return false;
}

MenuItem MakeItem(UINT flags, UINT_PTR idOrSub, LPCSTR text)
{
    MenuItem it;
    it.flags = flags & ~(MF_BYPOSITION | MF_POPUP | MF_BITMAP | MF_OWNERDRAW);
    it.flags |= flags & (MF_POPUP | MF_OWNERDRAW);
    if (flags & MF_POPUP)
        it.sub = reinterpret_cast<HMENU>(idOrSub);
    else
        it.id = static_cast<UINT>(idOrSub);
    if (flags & MF_OWNERDRAW)
        it.data = reinterpret_cast<ULONG_PTR>(text);
    else if (text && !(flags & (MF_SEPARATOR | MF_BITMAP)))
        it.text = text;
    return it;
}

HMENU Build(const kel::rc::MenuItem* items, size_t count, bool popup)
{
    HMENU h;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        h = NewMenuLocked(popup);
    }
    for (size_t i = 0; i < count; ++i)
    {
        const auto& src = items[i];
        if (src.flags & MF_POPUP)
        {
            HMENU sub = Build(src.children, src.childCount, true);
            AppendMenu(h, (src.flags & ~MF_END) | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), src.text);
        }
        else
            AppendMenu(h, src.flags & ~MF_END, src.id, src.text);
    }
    return h;
}
} // namespace

bool IsMenuHandle(HMENU menu)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    return FindMenuLocked(menu) != nullptr;
}

void DestroyMenuTree(HMENU menu)
{
    std::vector<HMENU> subs;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Menu* m = FindMenuLocked(menu);
        if (!m)
            return;
        for (auto& it : m->items)
            if (it.sub)
                subs.push_back(it.sub);
        M().menus.erase(menu);
    }
    for (HMENU s : subs)
        DestroyMenuTree(s);
}

HMENU DuplicateSystemMenu()
{
    HMENU m = CreatePopupMenu();
    AppendMenu(m, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenu(m, MF_STRING, SC_MOVE, "&Move");
    AppendMenu(m, MF_STRING, SC_SIZE, "&Size");
    AppendMenu(m, MF_STRING, SC_MINIMIZE, "Mi&nimize");
    AppendMenu(m, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
    AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    AppendMenu(m, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    return m;
}

} // namespace kel::ui

using namespace kel;
using namespace kel::ui;

HMENU CreateMenu()
{
    std::lock_guard<std::mutex> lk(KernelLock());
    return NewMenuLocked(false);
}

HMENU CreatePopupMenu()
{
    std::lock_guard<std::mutex> lk(KernelLock());
    return NewMenuLocked(true);
}

HMENU LoadMenuIndirect(const MENUTEMPLATE* tmpl)
{
    if (!tmpl)
        return nullptr;
    return Build(tmpl->items, tmpl->itemCount, false);
}

HMENU LoadMenu(HINSTANCE instance, LPCSTR name)
{
    const kel::rc::Menu* m = kel::rc::FindMenu(instance, name);
    if (!m)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return LoadMenuIndirect(m);
}

BOOL DestroyMenu(HMENU menu)
{
    if (!IsMenuHandle(menu))
    {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    DestroyMenuTree(menu);
    return TRUE;
}

BOOL IsMenu(HMENU menu)
{
    return IsMenuHandle(menu);
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSub, LPCSTR text)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m = FindMenuLocked(menu);
    if (!m)
    {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    Menu* target = m;
    size_t index = m->items.size();
    if (position != static_cast<UINT>(-1))
    {
        if (!Locate(menu, position, flags, &target, &index))
            target = m, index = m->items.size();
    }
    target->items.insert(target->items.begin() + static_cast<long>(index), MakeItem(flags, idOrSub, text));
    return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrSub, LPCSTR text)
{
    return InsertMenu(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, idOrSub, text);
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSub, LPCSTR text)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, position, flags, &m, &i))
    {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    m->items[i] = MakeItem(flags, idOrSub, text);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, position, flags, &m, &i))
    {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    m->items.erase(m->items.begin() + static_cast<long>(i));
    return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags)
{
    HMENU sub = nullptr;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Menu* m;
        size_t i;
        if (!Locate(menu, position, flags, &m, &i))
        {
            SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
            return FALSE;
        }
        sub = m->items[i].sub;
        m->items.erase(m->items.begin() + static_cast<long>(i));
    }
    if (sub)
        DestroyMenuTree(sub);
    return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, item, check, &m, &i))
        return static_cast<DWORD>(-1);
    DWORD old = m->items[i].flags & MF_CHECKED;
    m->items[i].flags = (m->items[i].flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, item, enable, &m, &i))
        return -1;
    UINT old = m->items[i].flags & (MF_GRAYED | MF_DISABLED);
    m->items[i].flags =
        (m->items[i].flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(old);
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    bool found = false;
    for (UINT id = first; id <= last; ++id)
    {
        Menu* m;
        size_t i;
        if (!Locate(menu, id, flags, &m, &i))
            continue;
        m->items[i].flags =
            (m->items[i].flags & ~MF_CHECKED) | (id == check ? MF_CHECKED | MFT_RADIOCHECK : 0);
        found = found || id == check;
        if (id == last)
            break;
    }
    return found;
}

int GetMenuItemCount(HMENU menu)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m = FindMenuLocked(menu);
    if (!m)
    {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return static_cast<int>(m->items.size());
}

UINT GetMenuItemID(HMENU menu, int pos)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m = FindMenuLocked(menu);
    if (!m || pos < 0 || static_cast<size_t>(pos) >= m->items.size() ||
        m->items[static_cast<size_t>(pos)].sub)
        return static_cast<UINT>(-1);
    return m->items[static_cast<size_t>(pos)].id;
}

HMENU GetSubMenu(HMENU menu, int pos)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m = FindMenuLocked(menu);
    if (!m || pos < 0 || static_cast<size_t>(pos) >= m->items.size())
        return nullptr;
    return m->items[static_cast<size_t>(pos)].sub;
}

int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int max, UINT flags)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, item, flags, &m, &i))
        return 0;
    const std::string& t = m->items[i].text;
    if (!buffer || max <= 0)
        return static_cast<int>(t.size());
    size_t n = std::min(t.size(), static_cast<size_t>(max - 1));
    std::memcpy(buffer, t.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, item, flags, &m, &i))
        return static_cast<UINT>(-1);
    const MenuItem& it = m->items[i];
    UINT state = it.flags & (kStateBits | MF_SEPARATOR | MF_OWNERDRAW | MF_MENUBREAK | MF_MENUBARBREAK);
    if (it.sub)
    {
        Menu* sub = FindMenuLocked(it.sub);
        state |= MF_POPUP | (static_cast<UINT>(sub ? sub->items.size() : 0) << 8);
    }
    return state;
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPos, LPMENUITEMINFO mii)
{
    if (!mii)
        return FALSE;
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, item, byPos ? MF_BYPOSITION : MF_BYCOMMAND, &m, &i))
    {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    const MenuItem& it = m->items[i];
    if (mii->fMask & (MIIM_TYPE | MIIM_FTYPE))
        mii->fType = it.flags & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_RADIOCHECK | MFT_MENUBREAK |
                                 MFT_MENUBARBREAK | MFT_RIGHTJUSTIFY);
    if (mii->fMask & MIIM_STATE)
        mii->fState = it.flags & kStateBits;
    if (mii->fMask & MIIM_ID)
        mii->wID = it.id;
    if (mii->fMask & MIIM_SUBMENU)
        mii->hSubMenu = it.sub;
    if (mii->fMask & MIIM_DATA)
        mii->dwItemData = it.data;
    if (mii->fMask & (MIIM_STRING | MIIM_TYPE))
    {
        if (mii->dwTypeData && mii->cch > 0)
        {
            size_t n = std::min(it.text.size(), static_cast<size_t>(mii->cch - 1));
            std::memcpy(mii->dwTypeData, it.text.data(), n);
            mii->dwTypeData[n] = 0;
        }
        mii->cch = static_cast<UINT>(it.text.size());
    }
    return TRUE;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPos, LPCMENUITEMINFO mii)
{
    if (!mii)
        return FALSE;
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m;
    size_t i;
    if (!Locate(menu, item, byPos ? MF_BYPOSITION : MF_BYCOMMAND, &m, &i))
    {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    MenuItem& it = m->items[i];
    if (mii->fMask & (MIIM_TYPE | MIIM_FTYPE))
        it.flags = (it.flags & (kStateBits | MF_POPUP)) | mii->fType;
    if (mii->fMask & MIIM_STATE)
        it.flags = (it.flags & ~kStateBits) | (mii->fState & kStateBits);
    if (mii->fMask & MIIM_ID)
        it.id = mii->wID;
    if (mii->fMask & MIIM_SUBMENU)
    {
        it.sub = mii->hSubMenu;
        it.flags = it.sub ? (it.flags | MF_POPUP) : (it.flags & ~MF_POPUP);
    }
    if (mii->fMask & MIIM_DATA)
        it.data = mii->dwItemData;
    if ((mii->fMask & (MIIM_STRING | MIIM_TYPE)) && mii->dwTypeData)
        it.text = mii->dwTypeData;
    return TRUE;
}

BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPos, LPCMENUITEMINFO mii)
{
    if (!mii)
        return FALSE;
    UINT flags = (byPos ? MF_BYPOSITION : MF_BYCOMMAND);
    const bool isSub = (mii->fMask & MIIM_SUBMENU) && mii->hSubMenu;
    UINT type = (mii->fMask & (MIIM_TYPE | MIIM_FTYPE)) ? mii->fType : 0;
    LPCSTR text =
        (mii->fMask & (MIIM_STRING | MIIM_TYPE)) && !(type & MFT_SEPARATOR) ? mii->dwTypeData : nullptr;
    UINT_PTR id = isSub ? reinterpret_cast<UINT_PTR>(mii->hSubMenu) : ((mii->fMask & MIIM_ID) ? mii->wID : 0);
    return InsertMenu(menu, item,
                      flags | type | (isSub ? MF_POPUP : 0) | ((mii->fMask & MIIM_STATE) ? mii->fState : 0),
                      id, text);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPos)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Menu* m = FindMenuLocked(menu);
    if (!m)
        return FALSE;
    for (size_t i = 0; i < m->items.size(); ++i)
    {
        bool is = byPos ? i == item : m->items[i].id == item;
        m->items[i].flags = is ? (m->items[i].flags | MF_DEFAULT) : (m->items[i].flags & ~MF_DEFAULT);
    }
    return TRUE;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND hwnd, LPTPMPARAMS)
{
    if (!IsMenuHandle(menu))
    {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (hwnd)
    {
        SendMessage(hwnd, WM_ENTERMENULOOP, TRUE, 0);
        SendMessage(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    }
    UINT chosen = GetDriver().TrackPopupMenu(menu, flags, POINT{x, y}, hwnd);
    if (hwnd)
        SendMessage(hwnd, WM_EXITMENULOOP, TRUE, 0);
    if (flags & TPM_RETURNCMD)
        return static_cast<BOOL>(chosen);
    if (chosen && hwnd && !(flags & TPM_NONOTIFY))
        PostMessage(hwnd, (chosen & 0xF000) == 0xF000 ? WM_SYSCOMMAND : WM_COMMAND, chosen, 0);
    return chosen != 0;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND hwnd, const RECT*)
{
    return TrackPopupMenuEx(menu, flags, x, y, hwnd, nullptr);
}

BOOL EndMenu()
{
    return TRUE;
}

BOOL SetMenu(HWND hwnd, HMENU menu)
{
    NativeSurface surface = nullptr;
    DWORD style = 0, exStyle = 0;
    bool had = false;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w || (w->style & WS_CHILD))
            return FALSE;
        style = w->style;
        exStyle = w->exStyle;
        had = w->menu != nullptr;
    }
    // The bar takes its height from the client area; the window rectangle stays.
    const LONG barHeight = GetDriver().FrameInsets(style, exStyle, true).top -
                           GetDriver().FrameInsets(style, exStyle, false).top;
    const bool has = menu != nullptr;
    RECT client{};
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w)
            return FALSE;
        w->menu = menu;
        if (had != has)
            w->insets.top += has ? barHeight : -barHeight;
        client = ClientRectLocked(*w);
        surface = w->surface;
    }
    if (surface)
        GetDriver().SetMenuBar(surface, menu);
    if (had != has && barHeight != 0)
    {
        const WPARAM sizeType = IsIconic(hwnd)   ? SIZE_MINIMIZED
                                : IsZoomed(hwnd) ? SIZE_MAXIMIZED
                                                 : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, sizeType, MAKELPARAM(client.right, client.bottom));
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    return TRUE;
}

HMENU GetMenu(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    return w && !(w->style & WS_CHILD) ? w->menu : nullptr;
}

BOOL DrawMenuBar(HWND hwnd)
{
    NativeSurface surface = GetSurface(hwnd);
    if (surface)
        GetDriver().SetMenuBar(surface, GetMenu(hwnd));
    return IsWindow(hwnd);
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert)
{
    HMENU old = nullptr;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w)
            return nullptr;
        if (!revert && w->sysMenu)
            return w->sysMenu;
        old = w->sysMenu;
        w->sysMenu = nullptr;
    }
    if (old)
        DestroyMenuTree(old);
    if (revert)
        return nullptr;
    HMENU m = DuplicateSystemMenu();
    std::lock_guard<std::mutex> lk(KernelLock());
    if (Window* w = FindWindowLocked(hwnd))
        w->sysMenu = m;
    return m;
}

DWORD GetMenuCheckMarkDimensions()
{
    return MAKELONG(GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK));
}

// ---- Accelerators -----------------------------------------------------------------------------------------

HACCEL CreateAcceleratorTable(LPACCEL entries, int count)
{
    if (!entries || count <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> lk(KernelLock());
    HACCEL h = reinterpret_cast<HACCEL>(M().next);
    M().next += 4;
    M().accels[h].assign(entries, entries + count);
    return h;
}

HACCEL LoadAccelerators(HINSTANCE instance, LPCSTR name)
{
    const kel::rc::AccelTable* t = kel::rc::FindAccelerators(instance, name);
    if (!t || !t->count)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::vector<ACCEL> v;
    for (size_t i = 0; i < t->count; ++i)
        v.push_back(ACCEL{t->entries[i].fVirt, t->entries[i].key, t->entries[i].cmd});
    return CreateAcceleratorTable(v.data(), static_cast<int>(v.size()));
}

BOOL DestroyAcceleratorTable(HACCEL h)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    return M().accels.erase(h) ? TRUE : FALSE;
}

int CopyAcceleratorTable(HACCEL h, LPACCEL out, int count)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    auto it = M().accels.find(h);
    if (it == M().accels.end())
        return 0;
    if (!out)
        return static_cast<int>(it->second.size());
    int n = std::min(count, static_cast<int>(it->second.size()));
    std::copy_n(it->second.begin(), n, out);
    return n;
}

int TranslateAccelerator(HWND hwnd, HACCEL h, LPMSG msg)
{
    if (!msg || !hwnd)
        return 0;
    const UINT m = msg->message;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN && m != WM_CHAR && m != WM_SYSCHAR)
        return 0;
    std::vector<ACCEL> table;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        auto it = M().accels.find(h);
        if (it == M().accels.end())
        {
            SetLastError(ERROR_INVALID_ACCEL_HANDLE);
            return 0;
        }
        table = it->second;
    }
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = m == WM_SYSKEYDOWN || m == WM_SYSCHAR || GetKeyState(VK_MENU) < 0;
    const bool keyDown = m == WM_KEYDOWN || m == WM_SYSKEYDOWN;
    for (const ACCEL& a : table)
    {
        if (a.fVirt & FVIRTKEY)
        {
            if (!keyDown || msg->wParam != a.key)
                continue;
            if (((a.fVirt & FSHIFT) != 0) != shift || ((a.fVirt & FCONTROL) != 0) != ctrl ||
                ((a.fVirt & FALT) != 0) != alt)
                continue;
        }
        else
        {
            if (keyDown || msg->wParam != a.key)
                continue;
            if (((a.fVirt & FALT) != 0) != (m == WM_SYSCHAR))
                continue;
        }
        const bool sys = (a.cmd & 0xF000) == 0xF000;
        SendMessage(hwnd, sys ? WM_SYSCOMMAND : WM_COMMAND, sys ? a.cmd : MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}
