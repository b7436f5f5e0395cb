#include "testkit/RecordingWaveSink.h"

#include "win32/clock.h"

namespace kel::testkit
{

class RecordingWaveSink::Sink : public kel::WaveSink
{
public:
    Sink(std::shared_ptr<Store> store, int device) : m_store(std::move(store)), m_device(device) {}
    void Play(const BYTE* data, size_t bytes) override
    {
        std::lock_guard<std::mutex> guard(m_store->lock);
        m_store->buffers.push_back(
            Buffer{std::vector<BYTE>(data, data + bytes), kel::ClockNowMs(), m_device});
    }
    void Reset() override
    {
        std::lock_guard<std::mutex> guard(m_store->lock);
        ++m_store->resets;
    }

private:
    std::shared_ptr<Store> m_store;
    int m_device;
};

RecordingWaveSink::RecordingWaveSink()
{
    m_previous = kel::SetWaveSinkFactory(
        [store = m_store](const WAVEFORMATEX& format) -> std::unique_ptr<kel::WaveSink>
        {
            std::lock_guard<std::mutex> guard(store->lock);
            store->format = format;
            return std::make_unique<Sink>(store, store->devices++);
        });
}

RecordingWaveSink::~RecordingWaveSink()
{
    kel::SetWaveSinkFactory(std::move(m_previous));
}

std::vector<RecordingWaveSink::Buffer> RecordingWaveSink::Buffers() const
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    return m_store->buffers;
}

size_t RecordingWaveSink::BufferCount() const
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    return m_store->buffers.size();
}

std::vector<BYTE> RecordingWaveSink::Samples() const
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    std::vector<BYTE> all;
    for (const Buffer& b : m_store->buffers)
        all.insert(all.end(), b.samples.begin(), b.samples.end());
    return all;
}

WAVEFORMATEX RecordingWaveSink::LastFormat() const
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    return m_store->format;
}

int RecordingWaveSink::DevicesOpened() const
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    return m_store->devices;
}

int RecordingWaveSink::Resets() const
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    return m_store->resets;
}

void RecordingWaveSink::Clear()
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    m_store->buffers.clear();
    m_store->resets = 0;
}

} // namespace kel::testkit
