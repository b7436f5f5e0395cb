// Fuzz target: a wave file as PlaySound reads it (RIFF chunks, the PCM format, the data). Damaged
// input must be refused with a reason, never read past its end.
#include "win32/wavefile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kel::WaveFile wave;
    std::string error;
    if (kel::ParseWave(data, size, wave, &error) && wave.format.nBlockAlign)
    {
        // What is kept is whole sample frames of a playable format.
        if (wave.samples.size() % wave.format.nBlockAlign != 0 || !error.empty())
            __builtin_trap();
    }
    return 0;
}
