// Wave-out devices: a queue of buffers per open device, played in order at the format's byte rate
// on the layer clock by a player thread of the device, which marks each buffer done at the time its
// last sample has played and posts MM_WOM_DONE. The samples go to the device's sink when written.
#include "win32/clock.h"
#include "win32/kernel.h"
#include "win32/user.h"
#include "win32/wavedevice.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

struct Device
{
    HWAVEOUT handle = nullptr;
    WAVEFORMATEX format{};
    HWND window = nullptr;  // CALLBACK_WINDOW
    HANDLE event = nullptr; // CALLBACK_EVENT
    std::unique_ptr<kel::WaveSink> sink;

    std::mutex lock;
    struct Queued
    {
        LPWAVEHDR header;
        int64_t endNs; // layer time at which its last sample has played
    };
    std::deque<Queued> queue;
    int64_t lastEndNs = 0;
    bool closing = false;
    HANDLE wake = nullptr; // auto-reset: the queue changed
    std::thread player;

    ~Device()
    {
        if (wake)
            CloseHandle(wake);
    }

    void Post(UINT message, LPWAVEHDR header) const
    {
        if (window)
            PostMessage(window, message, reinterpret_cast<WPARAM>(handle), reinterpret_cast<LPARAM>(header));
        if (event)
            SetEvent(event);
    }

    // Play time of bytes at the format's rate.
    int64_t DurationNs(DWORD bytes) const
    {
        return static_cast<int64_t>(bytes) * 1000000000LL / static_cast<int64_t>(format.nAvgBytesPerSec);
    }

    void Run()
    {
        for (;;)
        {
            std::unique_lock<std::mutex> guard(lock);
            if (closing)
                return;
            if (queue.empty())
            {
                guard.unlock();
                WaitForSingleObject(wake, INFINITE);
                continue;
            }
            const Queued front = queue.front();
            const int64_t now = kel::ClockNowNs();
            if (now < front.endNs)
            {
                guard.unlock();
                WaitForSingleObject(wake, static_cast<DWORD>((front.endNs - now + 999999) / 1000000));
                continue;
            }
            queue.pop_front();
            front.header->dwFlags = (front.header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
            guard.unlock();
            Post(MM_WOM_DONE, front.header);
        }
    }
};

struct Devices
{
    std::mutex lock;
    std::map<HWAVEOUT, std::shared_ptr<Device>> open;
    uintptr_t next = 0x5A0;
    kel::WaveSinkFactory factory;
};

// Never destroyed: a device's player may still run while the process exits.
Devices& Table()
{
    static Devices* devices = new Devices;
    return *devices;
}

std::shared_ptr<Device> Find(HWAVEOUT hwo)
{
    Devices& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.open.find(hwo);
    return it == table.open.end() ? nullptr : it->second;
}

bool IsPlayablePcm(const WAVEFORMATEX* f)
{
    return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
           (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) && f->nSamplesPerSec >= 1000 &&
           f->nSamplesPerSec <= 192000 && f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8 &&
           f->nAvgBytesPerSec == f->nSamplesPerSec * f->nBlockAlign;
}

bool IsHeader(LPWAVEHDR pwh, UINT cbwh)
{
    return pwh && cbwh == sizeof(WAVEHDR);
}

} // namespace

namespace kel
{
WaveSinkFactory SetWaveSinkFactory(WaveSinkFactory factory)
{
    Devices& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    WaveSinkFactory previous = std::move(table.factory);
    table.factory = std::move(factory);
    return previous;
}
} // namespace kel

UINT waveOutGetNumDevs()
{
    return 1;
}

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback, DWORD_PTR,
                     DWORD fdwOpen)
{
    if (uDeviceID != WAVE_MAPPER && uDeviceID != 0)
        return MMSYSERR_BADDEVICEID;
    if (fdwOpen & ~(CALLBACK_TYPEMASK | WAVE_FORMAT_QUERY))
        return MMSYSERR_INVALFLAG;
    const DWORD callback = fdwOpen & CALLBACK_TYPEMASK;
    if (callback != CALLBACK_NULL && callback != CALLBACK_WINDOW && callback != CALLBACK_EVENT)
        return MMSYSERR_INVALFLAG;
    if (!IsPlayablePcm(pwfx))
        return WAVERR_BADFORMAT;
    if (fdwOpen & WAVE_FORMAT_QUERY)
        return MMSYSERR_NOERROR;
    HWND window = callback == CALLBACK_WINDOW ? reinterpret_cast<HWND>(dwCallback) : nullptr;
    HANDLE event = callback == CALLBACK_EVENT ? reinterpret_cast<HANDLE>(dwCallback) : nullptr;
    if (!phwo || (callback == CALLBACK_WINDOW && !IsWindow(window)) || (callback == CALLBACK_EVENT && !event))
        return MMSYSERR_INVALPARAM;

    auto device = std::make_shared<Device>();
    device->format = *pwfx;
    device->window = window;
    device->event = event;
    device->wake = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    if (!device->wake)
        return MMSYSERR_NOMEM;
    Devices& table = Table();
    {
        std::lock_guard<std::mutex> guard(table.lock);
        if (table.factory)
            device->sink = table.factory(*pwfx);
        device->handle = reinterpret_cast<HWAVEOUT>(table.next);
        table.next += 4;
        table.open[device->handle] = device;
    }
    device->player = std::thread([raw = device.get()] { raw->Run(); });
    *phwo = device->handle;
    device->Post(MM_WOM_OPEN, nullptr);
    return MMSYSERR_NOERROR;
}

namespace
{
// Marks a header prepared or not; a queued header keeps its mark.
MMRESULT MarkPrepared(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh, bool prepared)
{
    std::shared_ptr<Device> device = Find(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!IsHeader(pwh, cbwh) || (prepared && !pwh->lpData))
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    if (pwh->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    pwh->dwFlags = prepared ? pwh->dwFlags | WHDR_PREPARED : pwh->dwFlags & ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}
} // namespace

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    return MarkPrepared(hwo, pwh, cbwh, true);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    return MarkPrepared(hwo, pwh, cbwh, false);
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    std::shared_ptr<Device> device = Find(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!IsHeader(pwh, cbwh))
        return MMSYSERR_INVALPARAM;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        if (!(pwh->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (pwh->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        // Whole sample frames only.
        const DWORD bytes = pwh->dwBufferLength - pwh->dwBufferLength % device->format.nBlockAlign;
        pwh->dwFlags = (pwh->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
        // A buffer queued behind others starts when they end; one queued to an idle device, now.
        const int64_t start = std::max(kel::ClockNowNs(), device->lastEndNs);
        device->lastEndNs = start + device->DurationNs(bytes);
        device->queue.push_back({pwh, device->lastEndNs});
        if (device->sink && bytes)
            device->sink->Play(reinterpret_cast<const BYTE*>(pwh->lpData), bytes);
    }
    SetEvent(device->wake);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT hwo)
{
    std::shared_ptr<Device> device = Find(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    std::vector<LPWAVEHDR> returned;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        for (const Device::Queued& q : device->queue)
        {
            q.header->dwFlags = (q.header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
            returned.push_back(q.header);
        }
        device->queue.clear();
        device->lastEndNs = 0;
        if (device->sink)
            device->sink->Reset();
    }
    SetEvent(device->wake);
    for (LPWAVEHDR header : returned)
        device->Post(MM_WOM_DONE, header);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT hwo)
{
    std::shared_ptr<Device> device = Find(hwo);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        if (device->closing)
            return MMSYSERR_INVALHANDLE; // another thread is closing it
        if (!device->queue.empty())
            return WAVERR_STILLPLAYING;
        device->closing = true;
    }
    {
        Devices& table = Table();
        std::lock_guard<std::mutex> guard(table.lock);
        table.open.erase(hwo);
    }
    SetEvent(device->wake);
    if (device->player.joinable())
        device->player.join();
    device->sink.reset();
    device->Post(MM_WOM_CLOSE, nullptr);
    return MMSYSERR_NOERROR;
}
