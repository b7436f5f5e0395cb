// Tests: wave-out devices opened while this lives record what they play instead of sounding: every
// buffer's samples, in the order written, with the layer time at which each was written. Devices
// keep their real timing (buffers are done at the real rate of the layer clock). A device that
// outlives the recorder goes on recording into a store no one reads.
#pragma once

#include <windows.h>

#include "win32/wavedevice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kel::testkit
{

class RecordingWaveSink
{
public:
    struct Buffer
    {
        std::vector<BYTE> samples;
        uint64_t writtenMs = 0; // layer time of waveOutWrite
        int device = 0;         // devices numbered from 0 in the order they were opened
    };

    RecordingWaveSink();
    ~RecordingWaveSink();
    RecordingWaveSink(const RecordingWaveSink&) = delete;
    RecordingWaveSink& operator=(const RecordingWaveSink&) = delete;

    // Copies of what was recorded so far (any thread).
    std::vector<Buffer> Buffers() const;
    size_t BufferCount() const;
    // Every sample of every buffer, in order.
    std::vector<BYTE> Samples() const;
    // The format of the last device opened.
    WAVEFORMATEX LastFormat() const;
    int DevicesOpened() const;
    // waveOutReset calls seen.
    int Resets() const;
    void Clear();

private:
    class Sink;
    struct Store
    {
        std::mutex lock;
        std::vector<Buffer> buffers;
        WAVEFORMATEX format{};
        int devices = 0;
        int resets = 0;
    };
    std::shared_ptr<Store> m_store = std::make_shared<Store>();
    kel::WaveSinkFactory m_previous;
};

} // namespace kel::testkit
