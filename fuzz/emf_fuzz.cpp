// Fuzz target: an enhanced metafile, as a file or the clipboard hands it over, played into a pixel
// DC and into both recorders. Whatever passes the structure check plays within its records and
// costs no more than the pixels it can reach.
#include "MetafilePlay.h"

#include "win32/gdi.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(size), data);
    if (!emf)
        return 0;
    fuzz::PlayEverywhere([emf](HDC dc, const RECT& area) { PlayEnhMetaFile(dc, emf, &area); });
    DeleteEnhMetaFile(emf);
    return 0;
}
