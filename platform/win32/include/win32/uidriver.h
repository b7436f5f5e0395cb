// The window manager's side of the seam to a window-system backend, and the hooks the drawing side
// and tests use. The window manager (win32/user.h) owns windows, classes, queues, timers, focus and
// the update regions; a Driver gives windows a face on screen and feeds input back. The null driver
// needs no window system: message-only and hidden windows, queues, timers and paint bookkeeping all
// work with it. Not for the system's own code: only backends, the drawing side and tests use this.
#pragma once

#include "win32/user.h"
#include "win32/prompt.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kel::ui
{

// The backend's object behind a window (a widget), opaque to the window manager.
using NativeSurface = void*;

// What the backend needs to make a window's surface.
struct SurfaceInfo
{
    HWND hwnd = nullptr;
    HWND owner = nullptr;           // top-levels: the owner window, if any
    NativeSurface parent = nullptr; // children: the parent's surface
    std::string className;          // as registered ("BUTTON", "SysListView32", an application class)
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{}; // window rectangle: parent client coordinates for children, screen for top-levels
};

// Per-window drawing state (the backing image and what the drawing side keeps with it). The drawing
// side derives from it and attaches it with SetWindowSurfaceData; the window owns it and deletes
// it after its WM_NCDESTROY.
class WindowSurfaceData
{
public:
    virtual ~WindowSurfaceData() = default;
};

// What the window manager asks of a backend. Every call but Wake comes from the user-interface
// thread. Defaults do nothing, so a backend overrides what it supports.
class Driver
{
public:
    virtual ~Driver() = default;

    // Called once by Initialize on the user-interface thread, before anything else. A backend
    // registers its system window classes here (RegisterSystemClass). False fails Initialize.
    virtual bool Init() { return true; }

    // ---- Event loop
    // Whether the backend has events of its own to run. Without, the user-interface thread waits
    // as any other thread (kernel waits) and ProcessEvents is never called.
    virtual bool HasEventLoop() const { return false; }
    // Runs the backend's events until Wake is called, the queue of the user-interface thread has
    // work, or timeoutMs (layer clock; INFINITE) passes. Input turns into PostInput/Notify* calls.
    virtual void ProcessEvents(DWORD timeoutMs) { (void)timeoutMs; }
    // Any thread: makes a running or the next ProcessEvents return soon.
    virtual void Wake() {}

    // ---- Surfaces (visible windows). Message-only windows and windows of other threads get none.
    // Returns the new surface, or nullptr when the window needs none (it then stays invisible).
    virtual NativeSurface CreateSurface(const SurfaceInfo& info)
    {
        (void)info;
        return nullptr;
    }
    // The window is gone after this call; the backend drops the surface.
    virtual void DestroySurface(HWND hwnd, NativeSurface surface) { (void)hwnd, (void)surface; }
    // Window rectangle, in the parent's client coordinates (screen for top-levels).
    virtual void SetSurfaceGeometry(NativeSurface surface, const RECT& rect) { (void)surface, (void)rect; }
    // showCmd is SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE...
    virtual void ShowSurface(NativeSurface surface, int showCmd) { (void)surface, (void)showCmd; }
    virtual void EnableSurface(NativeSurface surface, bool enable) { (void)surface, (void)enable; }
    virtual void SetSurfaceText(NativeSurface surface, const std::string& text) { (void)surface, (void)text; }
    virtual void SetSurfaceStyle(NativeSurface surface, DWORD style, DWORD exStyle)
    {
        (void)surface, (void)style, (void)exStyle;
    }
    virtual void SetSurfaceParent(NativeSurface surface, NativeSurface parent)
    {
        (void)surface, (void)parent;
    }
    // Places the surface right below `after` among its siblings; after nullptr: on top; bottom: at
    // the bottom.
    virtual void SetSurfaceZOrder(NativeSurface surface, NativeSurface after, bool bottom)
    {
        (void)surface, (void)after, (void)bottom;
    }
    virtual void ActivateSurface(NativeSurface surface) { (void)surface; }
    // Keyboard focus to the surface (nullptr: away from every surface of the program).
    virtual void FocusSurface(NativeSurface surface) { (void)surface; }
    // Mouse capture to the surface (nullptr: released).
    virtual void CaptureMouse(NativeSurface surface) { (void)surface; }
    virtual void SetCursorShape(HCURSOR cursor) { (void)cursor; }
    // The update region of the window became non-empty (a hint; WM_PAINT still comes from the queue).
    virtual void RequestRepaint(NativeSurface surface, const RECT& clientRect)
    {
        (void)surface, (void)clientRect;
    }
    // The window finished drawing this part (client coordinates) of its backing image: show it.
    virtual void FlushBackingImage(HWND hwnd, NativeSurface surface, const RECT& clientRect)
    {
        (void)hwnd, (void)surface, (void)clientRect;
    }
    // Frame sizes around the client area for a style: left, top, right, bottom (caption and menu
    // bar included in top). The null driver has no frames.
    virtual RECT FrameInsets(DWORD style, DWORD exStyle, bool hasMenu)
    {
        (void)style, (void)exStyle, (void)hasMenu;
        return RECT{0, 0, 0, 0};
    }
    // The client area of a window lies at these insets inside its window rectangle (what
    // WM_NCCALCSIZE made of it); the backend draws a child's frame and the scroll bars around it.
    virtual void SetSurfaceInsets(NativeSurface surface, const RECT& insets) { (void)surface, (void)insets; }
    // The window's own scroll bar `bar` (SB_HORZ or SB_VERT), beside its client area: range, page
    // and position, and whether it shows. The backend reports its use as WM_HSCROLL/WM_VSCROLL.
    virtual void SetSurfaceScrollBar(NativeSurface surface, int bar, const SCROLLINFO& info, bool shown)
    {
        (void)surface, (void)bar, (void)info, (void)shown;
    }
    // WM_SETICON reached DefWindowProc: the window's big or small icon (NULL: none) for its title.
    virtual void SetSurfaceIcon(NativeSurface surface, HICON icon, bool big)
    {
        (void)surface, (void)icon, (void)big;
    }
    // WM_NCACTIVATE reached DefWindowProc: a frame the backend draws shows itself active or not.
    virtual void SetFrameActive(NativeSurface surface, bool active) { (void)surface, (void)active; }
    // The MDI frame `frame` shows the controls of its maximized document window `child` (minimize,
    // restore, close) at the end of its menu bar; NULL takes them away.
    virtual void SetMaximizedChild(NativeSurface frame, HWND child) { (void)frame, (void)child; }
    virtual void SetMenuBar(NativeSurface surface, HMENU menu) { (void)surface, (void)menu; }
    // Caret of the focus window, client coordinates; hidden when !visible.
    virtual void SetCaret(NativeSurface surface, const RECT& rect, bool visible)
    {
        (void)surface, (void)rect, (void)visible;
    }

    // ---- Screen and pointer
    // Overrides a system metric; false keeps the window manager's table value.
    virtual bool SystemMetric(int index, int* value)
    {
        (void)index, (void)value;
        return false;
    }
    virtual bool GetCursorPos(POINT* pt)
    {
        (void)pt;
        return false;
    }
    virtual bool SetCursorPos(int x, int y)
    {
        (void)x, (void)y;
        return false;
    }
    // A standard cursor (IDC_*) or icon (IDI_*) handle; nullptr lets the window manager make a
    // placeholder handle.
    virtual HCURSOR StandardCursor(LPCSTR id)
    {
        (void)id;
        return nullptr;
    }

    // ---- Menus
    // Runs a popup menu (items read with GetMenuItemInfo) at screen point pt, owned by owner, and
    // returns the chosen command id, 0 when dismissed. Nested loops inside keep the queue served
    // (call ServeMessagesWhileModal while waiting).
    virtual UINT TrackPopupMenu(HMENU menu, UINT flags, POINT pt, HWND owner)
    {
        (void)menu, (void)flags, (void)pt, (void)owner;
        return 0;
    }
    // Keyboard access to the surface's menu bar: opens the entry whose mnemonic is `mnemonic`
    // (cp1252, any case; an entry without a submenu runs its command), or the first entry for 0.
    // False when the surface has no bar or no entry has that mnemonic.
    virtual bool OpenMenuBarEntry(NativeSurface surface, char mnemonic)
    {
        (void)surface, (void)mnemonic;
        return false;
    }
};

// A driver without a window system. popupChoice is what TrackPopupMenu "chooses" (tests set it).
class NullDriver : public Driver
{
public:
    UINT TrackPopupMenu(HMENU menu, UINT flags, POINT pt, HWND owner) override;
    UINT popupChoice = 0;
    HMENU lastPopup = nullptr; // the menu of the last TrackPopupMenu
};

// ---- Set-up ------------------------------------------------------------------------------------------

// Makes the calling thread the user-interface thread with `driver` (nullptr: a NullDriver owned by
// the window manager). The driver must outlive Shutdown. Installs the wait service that lets this
// thread's waits show prompts of other threads. False when a user-interface thread already exists
// or the driver's Init fails.
bool Initialize(Driver* driver = nullptr);
// Destroys the user-interface thread's windows and forgets the driver (tests call it in teardown).
void Shutdown();
// The installed driver (a NullDriver when Initialize has not run).
Driver& GetDriver();
// Id of the user-interface thread, 0 when none.
DWORD UiThreadId();
bool IsUiThread();

// Registers a class every module sees (the backend's controls: "BUTTON", "EDIT", ...). An
// application class of the same name in a module still wins there. 0 on failure.
ATOM RegisterSystemClass(const WNDCLASSEX& wc);

// ---- Window data for the backend and the drawing side ------------------------------------------------

NativeSurface GetSurface(HWND hwnd);
HWND WindowFromSurface(NativeSurface surface);
// Attaches drawing state to a window (replacing and deleting earlier state). False for a bad window.
bool SetWindowSurfaceData(HWND hwnd, std::unique_ptr<WindowSurfaceData> data);
WindowSurfaceData* GetWindowSurfaceData(HWND hwnd);

// ---- The drawing side's seam -----------------------------------------------------------------------------

enum class DcKind
{
    Client, // GetDC
    Window, // GetWindowDC
    Paint   // BeginPaint: clipped to `clip` (client coordinates)
};

// Installed by the drawing side. Any pointer may be null: GetDC/BeginPaint then return NULL and
// erasing does nothing.
struct DcFactory
{
    HDC (*getDC)(HWND hwnd, DcKind kind, const RECT* clip) = nullptr;
    int (*releaseDC)(HWND hwnd, HDC hdc) = nullptr;
    // Fills a rectangle with a brush (or a COLOR_*+1 value), for WM_ERASEBKGND.
    int (*fillRect)(HDC hdc, const RECT* rect, HBRUSH brush) = nullptr;
    // The window of a DC made by getDC (WindowFromDC), nullptr when not one.
    HWND (*windowFromDC)(HDC hdc) = nullptr;
    // The stock brush of a system colour (default WM_CTLCOLOR* answers); without it the
    // COLOR_*+1 value stands for the brush.
    HBRUSH (*sysColorBrush)(int index) = nullptr;
};
void SetDcFactory(const DcFactory& factory);

// ---- Input and window events from the backend (user-interface thread) -------------------------------------

// Queues an input message (mouse, key) for the window's thread; keeps the key state,
// GetMessagePos/GetLastInputInfo and mouse capture rules up to date. msg.time 0 is stamped now.
// For a key-down, `character` is the cp1252 character TranslateMessage makes of it (-1: derived
// from the virtual key with a US layout; 0: none). WM_MOUSELEAVE for a top-level window says the
// pointer left it for no window of ours: a window inside it that tracks the pointer hears of it.
void PostInput(const MSG& msg, int character = -1);
// The user moved or resized a surface: rect is the new window rectangle as in SurfaceInfo.
// Sends WM_WINDOWPOSCHANGING/CHANGED, WM_MOVE, WM_SIZE.
void NotifySurfaceMoved(HWND hwnd, const RECT& rect, UINT sizeType);
// Activation of a top-level changed in the window system (WM_NCACTIVATE, WM_ACTIVATE, focus).
void NotifySurfaceActivated(HWND hwnd, bool active);
// Keyboard focus moved to the window (the backend's own focus changes).
void NotifySurfaceFocus(HWND hwnd);
// The close box was pressed: WM_SYSCOMMAND SC_CLOSE is sent.
void NotifySurfaceClose(HWND hwnd);
// Part of the surface needs showing again and the backing image cannot serve it: invalidates.
void NotifySurfaceExposed(HWND hwnd, const RECT& clientRect);

// Runs `job` on the user-interface thread (at once when called there or when there is none) and
// returns its result; the caller blocks but keeps serving messages sent to its own thread.
LRESULT RunOnUiThread(std::function<LRESULT()> job);

// Runs the user-interface thread's pending sent messages, cross-thread prompts, posted messages and
// timers once, without waiting (for the backend's own nested loops: menus, native dialogs).
void ServeMessagesWhileModal();

// ---- Tests ------------------------------------------------------------------------------------------------

// Sets one system metric (tests pin the screen size this way); the value wins over the driver's.
void SetSystemMetricForTests(int index, int value);
// Drops the values set for tests.
void ResetSystemMetricsForTests();

// Hook for windows of other instances of the program (single instance): consulted by FindWindow
// when no window of this process matches. Returns a window handle or NULL.
void SetForeignWindowFinder(std::function<HWND(LPCSTR className, LPCSTR windowName)> finder);

} // namespace kel::ui
