// Fuzz target: a port definition text as BuildCommDCB reads it ("96,n,8,1,x", "baud=9600 xon=on").
// A text that is refused must leave the DCB exactly as it was; one that is taken must give values
// SetCommState can check (data bits 5..8, a known parity and stop-bit code, a baud rate above 0)
// wherever it changed them.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    DCB before{};
    std::memset(&before, 0x5A, sizeof before);
    DCB dcb = before;
    if (!BuildCommDCB(text.c_str(), &dcb))
    {
        if (std::memcmp(&dcb, &before, sizeof dcb) != 0)
            std::abort();
        return 0;
    }
    // An empty field keeps what the DCB held, so only the values the text changed are checked.
    if (dcb.BaudRate == 0 || (dcb.Parity != before.Parity && dcb.Parity > SPACEPARITY) ||
        (dcb.StopBits != before.StopBits && dcb.StopBits > TWOSTOPBITS) ||
        (dcb.ByteSize != before.ByteSize && (dcb.ByteSize < 5 || dcb.ByteSize > 8)))
        std::abort();
    return 0;
}
