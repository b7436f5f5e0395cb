// The graph selector button ("CusButton"): a small owner-painted push button, one per graph of a
// page, that shows a face bitmap, a frame and a short label and tells its parent of clicks.
#include "PlotkitInternal.h"
#include "res/resource.h"

#include <cstring>

namespace plotkit
{
namespace
{

// Window words of a selector button.
enum
{
    kWordState = 0,     // state bits below
    kWordPressed = 8,   // face bitmap shown while pressed
    kWordReleased = 16, // face bitmap shown otherwise
    kSelectorExtra = 24,
};

enum
{
    kDisabled = 1,
    kFocused = 2,
    kSelected = 4,
    kDefault = 32,
};

LONG_PTR State(HWND window)
{
    return GetWindowLongPtr(window, kWordState);
}

// Sets or clears state bits; a change repaints the button (no erase).
void SetState(HWND window, LONG_PTR bits, bool on)
{
    const LONG_PTR old = State(window);
    const LONG_PTR now = on ? (old | bits) : (old & ~bits);
    if (now == old)
        return;
    SetWindowLongPtr(window, kWordState, now);
    InvalidateRect(window, nullptr, FALSE);
}

void Notify(HWND window, int code)
{
    const int id = static_cast<int>(GetWindowLongPtr(window, GWLP_ID));
    SendMessage(GetParent(window), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(window));
}

void Paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    const int w = client.right;
    const int h = client.bottom;
    const LONG_PTR state = State(window);
    const bool selected = (state & kSelected) != 0;
    auto* face = reinterpret_cast<HBITMAP>(GetWindowLongPtr(window, selected ? kWordPressed : kWordReleased));

    // One-pixel black frame.
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    PatBlt(dc, 0, 0, w, 1, PATCOPY);
    PatBlt(dc, 0, h - 1, w, 1, PATCOPY);
    PatBlt(dc, 0, 0, 1, h, PATCOPY);
    PatBlt(dc, w - 1, 0, 1, h, PATCOPY);
    SelectObject(dc, oldBrush);

    const RECT inside{1, 1, w - 1, h - 1};
    if (state & kDisabled)
    {
        // Disabled: a flat light grey face without the bitmap, the label greyed.
        HBRUSH grey = CreateSolidBrush(RGB(192, 192, 192));
        FillRect(dc, &inside, grey);
        DeleteObject(grey);
    }
    else if (face)
    {
        BITMAP info{};
        GetObject(face, sizeof info, &info);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, face);
        StretchBlt(dc, 1, 1, w - 2, h - 2, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }

    char text[8] = {};
    GetWindowText(window, text, sizeof text);
    text[2] = '\0'; // the first two characters
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetTextColor(dc, (state & kDisabled) ? RGB(128, 128, 128) : selected ? RGB(255, 0, 255) : RGB(0, 0, 0));
    TextOut(dc, w / 2, h / 2 - 5 * h / 12, text, static_cast<int>(strlen(text)));
    EndPaint(window, &ps);
}

} // namespace

void RegisterSelectorClass()
{
    WNDCLASS wc{};
    wc.lpfnWndProc = CusButtonWinFn;
    wc.cbWndExtra = kSelectorExtra;
    wc.hInstance = Module();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.style = CS_GLOBALCLASS; // created by the host's page, in its own module
    wc.lpszClassName = "CusButton";
    RegisterClass(&wc); // fails harmlessly when a previous load registered it
}

} // namespace plotkit

using namespace plotkit;

LRESULT WINAPI CusButtonWinFn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
    {
        SetWindowLongPtr(window, kWordReleased,
                         reinterpret_cast<LONG_PTR>(LoadBitmap(Module(), MAKEINTRESOURCE(IDB_SELECTOR_UP))));
        SetWindowLongPtr(
            window, kWordPressed,
            reinterpret_cast<LONG_PTR>(LoadBitmap(Module(), MAKEINTRESOURCE(IDB_SELECTOR_DOWN))));
        const auto style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
        LONG_PTR state = 0;
        if ((style & 0x1f) == BS_DEFPUSHBUTTON)
            state |= kDefault;
        if (style & WS_DISABLED)
            state |= kDisabled;
        SetWindowLongPtr(window, kWordState, state);
        return 0;
    }
    case WM_SETFOCUS:
        SetState(window, kFocused, true);
        return 0;
    case WM_KILLFOCUS:
        SetState(window, kFocused, false);
        return 0;
    case WM_ENABLE:
        SetState(window, kDisabled, wParam == 0);
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_NCDESTROY:
    {
        auto* released = reinterpret_cast<HBITMAP>(GetWindowLongPtr(window, kWordReleased));
        auto* pressed = reinterpret_cast<HBITMAP>(GetWindowLongPtr(window, kWordPressed));
        const LRESULT result = DefWindowProc(window, message, wParam, lParam);
        if (released)
            DeleteObject(released);
        if (pressed)
            DeleteObject(pressed);
        return result;
    }
    case WM_GETDLGCODE:
        return DLGC_BUTTON | ((State(window) & kDefault) ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_GETCHECK:
        return (State(window) & kSelected) ? 1 : 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE)
            SetState(window, kSelected, true);
        return 0;
    case WM_KEYUP:
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    {
        RECT client{};
        GetClientRect(window, &client);
        // The one-pixel frame does not press the button.
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        if (x < client.left + 1 || x >= client.right - 1 || y < client.top + 1 || y >= client.bottom - 1)
            return 0;
        if (!(State(window) & kSelected))
        {
            if (GetFocus() != window)
                SetFocus(window);
            SetState(window, kSelected, true);
        }
        Notify(window, BN_CLICKED);
        if (message == WM_LBUTTONDBLCLK)
            Notify(window, BN_DOUBLECLICKED);
        return 0;
    }
    case WM_USER + 3:
        SetState(window, kSelected, wParam != 0);
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}
