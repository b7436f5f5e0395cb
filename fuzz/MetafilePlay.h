// What the metafile fuzz targets share: a picture is played into a pixel DC (through the test kit's
// recording device, so every drawing call reaches a device) and recorded by both recorders while it
// plays. Each recording must be one its own player takes back.
#pragma once

#include "testkit/Canvas.h"
#include "testkit/RecordingDevice.h"
#include "win32/gdi.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace fuzz
{

// play(dc, area) draws the picture onto area of dc.
template <class Play> void PlayEverywhere(Play play)
{
    static kel::testkit::RecordingDevices devices;
    devices.Clear();
    const RECT area{0, 0, 48, 32};
    {
        kel::testkit::Canvas canvas(48, 32);
        play(canvas.Dc(), area);
    }

    if (HDC wmf = CreateMetaFile(nullptr))
    {
        play(wmf, area);
        HMETAFILE recorded = CloseMetaFile(wmf);
        if (!recorded)
            std::abort();
        std::vector<uint8_t> bytes(GetMetaFileBitsEx(recorded, 0, nullptr));
        GetMetaFileBitsEx(recorded, static_cast<UINT>(bytes.size()), bytes.data());
        DeleteMetaFile(recorded);
        HMETAFILE again = SetMetaFileBitsEx(static_cast<UINT>(bytes.size()), bytes.data());
        if (!again)
            std::abort(); // the recorder wrote a metafile its player refuses
        DeleteMetaFile(again);
    }

    kel::testkit::Canvas reference(1, 1);
    if (HDC emf = CreateEnhMetaFile(reference.Dc(), nullptr, nullptr, nullptr))
    {
        play(emf, area);
        HENHMETAFILE recorded = CloseEnhMetaFile(emf);
        if (!recorded)
            std::abort();
        std::vector<uint8_t> bytes(GetEnhMetaFileBits(recorded, 0, nullptr));
        GetEnhMetaFileBits(recorded, static_cast<UINT>(bytes.size()), bytes.data());
        DeleteEnhMetaFile(recorded);
        HENHMETAFILE again = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
        if (!again)
            std::abort();
        DeleteEnhMetaFile(again);
    }
}

} // namespace fuzz
