// Fuzz target: the picture files graphs read, bitmap files (BITMAP objects) and metafile files
// (METAFILE objects, WGGetMetafile), through the charting library's own readers. A bitmap they
// accept is drawn (into a pixel DC and both recorders) with exactly the bits they kept; a metafile
// they accept holds no more than the file and what its header says.
#include "MetafilePlay.h"
#include "PictureFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    plotkit::BitmapImage image;
    if (plotkit::ParseBitmapFile(data, size, image) == 0)
    {
        const BITMAPINFOHEADER& h = image.Info()->bmiHeader;
        const uint64_t stride = (static_cast<uint64_t>(h.biBitCount) * h.biWidth + 31) / 32 * 4;
        const uint64_t rows = static_cast<uint64_t>(image.height < 0 ? -static_cast<int64_t>(image.height)
                                                                     : image.height);
        if (image.bits.size() != stride * rows || image.info.size() != 40 + 4ull * h.biClrUsed)
            std::abort();
        // Big pictures cost only their reading here; the drawing core is fuzzed on its own.
        if (stride * rows <= (1u << 20))
            fuzz::PlayEverywhere([&](HDC dc, const RECT& area) {
                StretchDIBits(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, 0,
                              image.width, static_cast<int>(rows), image.bits.data(), image.Info(),
                              DIB_RGB_COLORS, SRCCOPY);
            });
    }

    plotkit::MetafileFile file;
    if (plotkit::ParseMetafileFile(data, size, file) == 0)
    {
        if (file.bits.size() > size || file.bits.size() < 18)
            std::abort();
        if (file.kind != plotkit::MetafileKind::Enhanced)
        {
            uint32_t words = 0;
            std::memcpy(&words, file.bits.data() + 6, 4);
            if (static_cast<uint64_t>(words) * 2 != file.bits.size())
                std::abort();
        }
    }
    return 0;
}
