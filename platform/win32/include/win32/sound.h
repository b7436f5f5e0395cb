// Short sounds: PlaySound and sndPlaySound. Until the audio backend exists the calls go to an
// installable handler (tests record them); without one they are silent and report success.
#pragma once

#include "win32/types.h"

#include <functional>
#include <string>

// PlaySound flags
#define SND_SYNC 0x0000
#define SND_ASYNC 0x0001
#define SND_NODEFAULT 0x0002
#define SND_MEMORY 0x0004
#define SND_LOOP 0x0008
#define SND_NOSTOP 0x0010
#define SND_PURGE 0x0040
#define SND_APPLICATION 0x0080
#define SND_NOWAIT 0x00002000L
#define SND_ALIAS 0x00010000L
#define SND_FILENAME 0x00020000L
#define SND_RESOURCE 0x00040004L

namespace kel
{
// One request as the handler gets it: the file, alias or resource name ("#id" for a numeric
// resource, empty for a stop request), the module of a resource and the SND_ flags.
struct SoundRequest
{
    std::string name;
    HMODULE module = nullptr;
    DWORD flags = 0;
};
using SoundHandler = std::function<BOOL(const SoundRequest& request)>;
// Installs the handler (empty: silent) and returns the one it replaced. Thread-safe.
SoundHandler SetSoundHandler(SoundHandler handler);
} // namespace kel

// Plays a wave file, alias or resource (SND_RESOURCE with hmod). pszSound NULL stops the sound.
// The handler's result, TRUE without a handler.
BOOL PlaySound(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound);
// PlaySound of a file or alias with the SND_ flags of the low word.
BOOL sndPlaySound(LPCSTR lpszSound, UINT fuSound);
#define PlaySoundA PlaySound
#define sndPlaySoundA sndPlaySound
