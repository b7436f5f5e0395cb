// Wave files: the RIFF reader, and the player of PlaySound's one sound slot. The player has a
// thread per sound that writes the file's samples to a wave-out device, again for a looping sound,
// and waits for the device's reports or a stop on events.
#include "win32/wavefile.h"

#include "win32/files.h"
#include "win32/kernel.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace kel
{
namespace
{

uint32_t Le32(const BYTE* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const BYTE* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

bool Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return false;
}

// One sound being played: its device, its samples, its thread.
class Player
{
public:
    Player(WaveFile wave, bool loop) : m_wave(std::move(wave)), m_loop(loop) {}
    ~Player()
    {
        Stop();
        if (m_stop)
            CloseHandle(m_stop);
        if (m_report)
            CloseHandle(m_report);
    }

    bool Start()
    {
        m_stop = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        m_report = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        if (!m_stop || !m_report ||
            waveOutOpen(&m_device, WAVE_MAPPER, &m_wave.format, reinterpret_cast<DWORD_PTR>(m_report), 0,
                        CALLBACK_EVENT) != MMSYSERR_NOERROR)
            return false;
        m_header.lpData = reinterpret_cast<LPSTR>(m_wave.samples.data());
        m_header.dwBufferLength = static_cast<DWORD>(m_wave.samples.size());
        m_header.dwLoops = 1;
        waveOutPrepareHeader(m_device, &m_header, sizeof m_header);
        m_thread = std::thread([this] { Run(); });
        return true;
    }
    // Waits until the sound has played (a looping one: until stopped).
    void Wait()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    void Stop()
    {
        if (m_stop)
            SetEvent(m_stop);
        Wait();
    }

private:
    void Run()
    {
        do
        {
            if (waveOutWrite(m_device, &m_header, sizeof m_header) != MMSYSERR_NOERROR)
                break;
            // Reports come for the open, each buffer and the close; the header says which.
            HANDLE waits[2] = {m_stop, m_report};
            for (;;)
            {
                if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
                {
                    waveOutReset(m_device);
                    m_loop = false;
                    break;
                }
                if (waveOutPrepareHeader(m_device, &m_header, sizeof m_header) == MMSYSERR_NOERROR)
                    break; // no longer queued: played
            }
        } while (m_loop);
        waveOutUnprepareHeader(m_device, &m_header, sizeof m_header);
        waveOutClose(m_device);
    }

    WaveFile m_wave;
    bool m_loop;
    HWAVEOUT m_device = nullptr;
    WAVEHDR m_header{};
    HANDLE m_stop = nullptr;
    HANDLE m_report = nullptr;
    std::thread m_thread;
};

std::mutex g_slotLock;
std::unique_ptr<Player> g_playing;

} // namespace

bool ParseWave(const BYTE* data, size_t size, WaveFile& wave, std::string* error)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return Fail(error, "not a RIFF WAVE file");
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= size)
    {
        const BYTE* chunk = data + at;
        const uint32_t length = Le32(chunk + 4);
        if (length > size - at - 8)
            return Fail(error, "a chunk runs past the end of the file");
        if (std::memcmp(chunk, "fmt ", 4) == 0)
        {
            if (length < 16)
                return Fail(error, "the format chunk is too short");
            WAVEFORMATEX& f = wave.format;
            f = WAVEFORMATEX{};
            f.wFormatTag = Le16(chunk + 8);
            f.nChannels = Le16(chunk + 10);
            f.nSamplesPerSec = Le32(chunk + 12);
            f.nAvgBytesPerSec = Le32(chunk + 16);
            f.nBlockAlign = Le16(chunk + 20);
            f.wBitsPerSample = Le16(chunk + 22);
            if (waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY) != MMSYSERR_NOERROR)
                return Fail(error, "the samples are not PCM that can be played");
            haveFormat = true;
        }
        else if (std::memcmp(chunk, "data", 4) == 0)
        {
            if (!haveFormat)
                return Fail(error, "the data come before their format");
            const uint32_t whole = length - length % wave.format.nBlockAlign;
            wave.samples.assign(chunk + 8, chunk + 8 + whole);
            return true;
        }
        // Chunks are padded to an even length.
        at += 8 + size_t(length) + (length & 1);
    }
    return Fail(error, haveFormat ? "no data chunk" : "no format chunk");
}

bool ReadWaveFile(const std::string& path, WaveFile& wave, std::string* error)
{
    HANDLE file = CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(error, "the file cannot be opened");
    const DWORD size = GetFileSize(file, nullptr);
    std::vector<BYTE> bytes;
    DWORD read = 0;
    const bool ok = size != INVALID_FILE_SIZE && size <= (64u << 20) &&
                    (bytes.resize(size), ReadFile(file, bytes.data(), size, &read, nullptr)) && read == size;
    CloseHandle(file);
    if (!ok)
        return Fail(error, "the file cannot be read whole");
    return ParseWave(bytes.data(), bytes.size(), wave, error);
}

BOOL PlayWaveSound(const SoundRequest& request)
{
    std::unique_lock<std::mutex> guard(g_slotLock);
    if (g_playing)
    {
        g_playing->Stop();
        g_playing.reset();
    }
    if (request.name.empty())
        return TRUE;
    WaveFile wave;
    if (request.module || (request.flags & SND_ALIAS) || request.name[0] == '#' ||
        !ReadWaveFile(request.name, wave))
        return FALSE;
    auto player = std::make_unique<Player>(std::move(wave), (request.flags & SND_LOOP) != 0);
    if (!player->Start())
        return FALSE;
    if (!(request.flags & SND_ASYNC))
    {
        player->Wait();
        return TRUE;
    }
    g_playing = std::move(player);
    return TRUE;
}

void StopWaveSound()
{
    std::lock_guard<std::mutex> guard(g_slotLock);
    g_playing.reset();
}

} // namespace kel
