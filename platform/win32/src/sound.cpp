#include "win32/sound.h"

#include <mutex>

namespace
{
std::mutex g_lock;
kel::SoundHandler g_handler;
} // namespace

namespace kel
{
SoundHandler SetSoundHandler(SoundHandler handler)
{
    std::lock_guard<std::mutex> lock(g_lock);
    SoundHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
} // namespace kel

BOOL PlaySound(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound)
{
    kel::SoundRequest request;
    if (pszSound && IS_INTRESOURCE(pszSound))
        request.name = "#" + std::to_string(reinterpret_cast<ULONG_PTR>(pszSound));
    else if (pszSound)
        request.name = pszSound;
    request.module = (fdwSound & SND_RESOURCE) == SND_RESOURCE ? hmod : nullptr;
    request.flags = fdwSound;
    kel::SoundHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        handler = g_handler;
    }
    // Silent until the audio backend installs a handler.
    return handler ? handler(request) : TRUE;
}

BOOL sndPlaySound(LPCSTR lpszSound, UINT fuSound)
{
    return PlaySound(lpszSound, nullptr, fuSound & 0xFFFF);
}
