#include <QtCore/qnamespace.h>

#include "KeyMap.h"
#include "win32/styles.h"

namespace kel::qt
{

UINT VirtualKeyFromQt(int key, bool keypad)
{
    if (keypad)
    {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return VK_NUMPAD0 + (key - Qt::Key_0);
        switch (key)
        {
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        default:
            break; // Enter, arrows and the like: same code as the main keys
        }
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<UINT>(key); // upper-case ASCII, as Windows
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    switch (key)
    {
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return VK_MENU;
    case Qt::Key_Meta:
        return VK_LWIN;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Help:
        return VK_HELP;
    // Punctuation by its key on a US keyboard; Qt reports the shifted symbol as its own key.
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return VK_OEM_1;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return VK_OEM_COMMA;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return VK_OEM_MINUS;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return VK_OEM_7;
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    default:
        return 0;
    }
}

UINT ScanCodeOfVirtualKey(UINT vk, bool keypad, bool* extended)
{
    *extended = false;
    static constexpr char row1[] = "1234567890";
    static constexpr char row2[] = "QWERTYUIOP";
    static constexpr char row3[] = "ASDFGHJKL";
    static constexpr char row4[] = "ZXCVBNM";
    for (UINT i = 0; row1[i]; ++i)
        if (vk == static_cast<UINT>(row1[i]))
            return 0x02 + i;
    for (UINT i = 0; row2[i]; ++i)
        if (vk == static_cast<UINT>(row2[i]))
            return 0x10 + i;
    for (UINT i = 0; row3[i]; ++i)
        if (vk == static_cast<UINT>(row3[i]))
            return 0x1E + i;
    for (UINT i = 0; row4[i]; ++i)
        if (vk == static_cast<UINT>(row4[i]))
            return 0x2C + i;
    if (vk >= VK_F1 && vk <= VK_F1 + 9)
        return 0x3B + (vk - VK_F1);
    // The cursor block shares scan codes with the numeric pad; the block's keys are extended.
    auto block = [&](UINT code)
    {
        *extended = !keypad;
        return code;
    };
    switch (vk)
    {
    case VK_ESCAPE:
        return 0x01;
    case VK_OEM_MINUS:
        return 0x0C;
    case VK_OEM_PLUS:
        return 0x0D;
    case VK_BACK:
        return 0x0E;
    case VK_TAB:
        return 0x0F;
    case VK_OEM_4:
        return 0x1A;
    case VK_OEM_6:
        return 0x1B;
    case VK_RETURN:
        *extended = keypad;
        return 0x1C;
    case VK_CONTROL:
        return 0x1D;
    case VK_OEM_1:
        return 0x27;
    case VK_OEM_7:
        return 0x28;
    case VK_OEM_3:
        return 0x29;
    case VK_SHIFT:
        return 0x2A;
    case VK_OEM_5:
        return 0x2B;
    case VK_OEM_COMMA:
        return 0x33;
    case VK_OEM_PERIOD:
        return 0x34;
    case VK_OEM_2:
        return 0x35;
    case VK_DIVIDE:
        *extended = true;
        return 0x35;
    case VK_MULTIPLY:
        return 0x37;
    case VK_MENU:
        return 0x38;
    case VK_SPACE:
        return 0x39;
    case VK_CAPITAL:
        return 0x3A;
    case VK_NUMLOCK:
        return 0x45;
    case VK_SCROLL:
        return 0x46;
    case VK_HOME:
        return block(0x47);
    case VK_UP:
        return block(0x48);
    case VK_PRIOR:
        return block(0x49);
    case VK_SUBTRACT:
        return 0x4A;
    case VK_LEFT:
        return block(0x4B);
    case VK_RIGHT:
        return block(0x4D);
    case VK_ADD:
        return 0x4E;
    case VK_END:
        return block(0x4F);
    case VK_DOWN:
        return block(0x50);
    case VK_NEXT:
        return block(0x51);
    case VK_INSERT:
        return block(0x52);
    case VK_DELETE:
        return block(0x53);
    case VK_NUMPAD7:
        return 0x47;
    case VK_NUMPAD8:
        return 0x48;
    case VK_NUMPAD9:
        return 0x49;
    case VK_NUMPAD4:
        return 0x4B;
    case VK_NUMPAD5:
        return 0x4C;
    case VK_NUMPAD6:
        return 0x4D;
    case VK_NUMPAD1:
        return 0x4F;
    case VK_NUMPAD2:
        return 0x50;
    case VK_NUMPAD3:
        return 0x51;
    case VK_NUMPAD0:
        return 0x52;
    case VK_DECIMAL:
        return 0x53;
    case VK_F11:
        return 0x57;
    case VK_F12:
        return 0x58;
    case VK_LWIN:
        *extended = true;
        return 0x5B;
    case VK_APPS:
        *extended = true;
        return 0x5D;
    default:
        return 0;
    }
}

LPARAM KeyMessageLParam(UINT vk, bool keypad, int repeat, bool altDown, bool wasDown, bool up)
{
    bool extended = false;
    const UINT scan = ScanCodeOfVirtualKey(vk, keypad, &extended);
    DWORD lp = static_cast<DWORD>(repeat < 1 ? 1 : (repeat > 0xFFFF ? 0xFFFF : repeat));
    lp |= (scan & 0xFF) << 16;
    if (extended)
        lp |= 1u << 24;
    if (altDown)
        lp |= 1u << 29;
    if (wasDown || up)
        lp |= 1u << 30;
    if (up)
        lp |= 1u << 31;
    return static_cast<LPARAM>(lp);
}

} // namespace kel::qt
