// What sits below a wave-out device: a sink that plays the samples. The device (waveout.cpp) owns
// the queue, the timing and the callbacks; a sink only takes samples in order. The backend installs
// a factory that plays through the sound card; tests install one that records. Not for the system's
// own code.
#pragma once

#include "win32/waveout.h"

#include <cstddef>
#include <functional>
#include <memory>

namespace kel
{

class WaveSink
{
public:
    virtual ~WaveSink() = default;
    // Takes one buffer's samples, to be played after those taken before. Called in queue order
    // (under the device's lock, so keep it short: hand the bytes on, never wait for playing).
    virtual void Play(const BYTE* data, size_t bytes) = 0;
    // Drops what was taken but not yet played (waveOutReset).
    virtual void Reset() = 0;
};

// Makes the sink of a device being opened with format; nullptr: the device plays silently.
using WaveSinkFactory = std::function<std::unique_ptr<WaveSink>(const WAVEFORMATEX& format)>;
// Installs the factory for devices opened from now on (empty: silent) and returns the previous one.
// Thread-safe.
WaveSinkFactory SetWaveSinkFactory(WaveSinkFactory factory);

} // namespace kel
