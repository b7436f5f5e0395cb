// Qt keys to Windows virtual keys and key-message lParam fields.
#pragma once

#include "win32/types.h"

namespace kel::qt
{

// The virtual-key code of a Qt key (Qt::Key value); keypad tells a numeric-pad key. 0 when the key has
// none.
UINT VirtualKeyFromQt(int qtKey, bool keypad);

// Set-1 scan code of a virtual key (the byte in bits 16..23 of a key message's lParam), and whether
// it is an extended key (bit 24). 0 when unknown.
UINT ScanCodeOfVirtualKey(UINT vk, bool keypad, bool* extended);

// lParam of WM_KEYDOWN/UP and WM_SYSKEYDOWN/UP.
LPARAM KeyMessageLParam(UINT vk, bool keypad, int repeat, bool altDown, bool wasDown, bool up);

} // namespace kel::qt
