// Fuzz target: a Windows metafile, plain or with a placeable header, as a file or the clipboard hands
// it over, played into a pixel DC and into both recorders. Whatever passes the structure check plays
// within its records and costs no more than the pixels it can reach.
#include "MetafilePlay.h"

#include "win32/gdi.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kel::PlaceableWmf box{};
    if (kel::ReadPlaceableWmfHeader(data, size, box))
    {
        data += 22;
        size -= 22;
    }
    HMETAFILE hmf = SetMetaFileBitsEx(static_cast<UINT>(size), data);
    if (!hmf)
        return 0;
    fuzz::PlayEverywhere([hmf](HDC dc, const RECT&) { PlayMetaFile(dc, hmf); });
    DeleteMetaFile(hmf);
    return 0;
}
