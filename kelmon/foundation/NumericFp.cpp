#include "foundation/Numeric.h"

#include <windows.h>

void EnableFpExceptions()
{
    const unsigned int cw = _controlfp(0, 0);
    _controlfp(cw & ~0x8000Cu, 0x8001Fu);
}

void ResetFpControl()
{
    _clearfp();
    _controlfp(0x9001Fu, 0xFFFFFu);
}
