// Wave files for PlaySound: reading a RIFF WAVE file of PCM samples, and playing it through a
// wave-out device (the sound card through the backend's sink, or a recording sink in tests). The
// window system installs PlayWaveSound as PlaySound's handler. Not for the system's own code.
#pragma once

#include "win32/sound.h"
#include "win32/waveout.h"

#include <string>
#include <vector>

namespace kel
{

struct WaveFile
{
    WAVEFORMATEX format{};
    std::vector<BYTE> samples; // whole sample frames
};

// Reads a RIFF WAVE image: a "fmt " chunk of playable PCM (8 or 16 bits, 1 or 2 channels) and a
// "data" chunk, other chunks skipped. False, with the reason in error, for anything else - a chunk
// running past the end included; nothing is guessed.
bool ParseWave(const BYTE* data, size_t size, WaveFile& wave, std::string* error = nullptr);
// ParseWave of a file (at most 64 MiB).
bool ReadWaveFile(const std::string& path, WaveFile& wave, std::string* error = nullptr);

// PlaySound's request as Windows plays it from a file: the sound replaces the one playing, loops
// with SND_LOOP, returns at once with SND_ASYNC and after playing without; an empty name stops.
// FALSE for a file that cannot be read or played, a resource or an alias.
BOOL PlayWaveSound(const SoundRequest& request);
// Stops the sound playing (the program's end).
void StopWaveSound();

} // namespace kel
