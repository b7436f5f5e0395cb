// Sound through Qt Multimedia: the wave-out devices' sink (a push-mode QAudioSink), which PlaySound's
// wave files play through as well. Qt's audio objects want a thread with an event loop; they live
// on an audio thread of the backend, and every call reaches them as a queued call there, so the
// wave-out players on their own threads may all play.
#include "win32/wavedevice.h"
#include "win32/wavefile.h"

#include <QtCore/QByteArray>
#include <QtCore/QThread>
#include <QtMultimedia/QAudioDevice>
#include <QtMultimedia/QAudioFormat>
#include <QtMultimedia/QAudioSink>
#include <QtMultimedia/QMediaDevices>

#include <memory>
#include <mutex>

namespace kel::qt
{
namespace
{

// The audio thread and an object that lives on it, to queue calls to.
struct AudioThread
{
    QThread thread;
    QObject* context = nullptr;
};

std::mutex g_lock;
AudioThread* g_audio = nullptr;

QObject* Context()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_audio)
    {
        g_audio = new AudioThread;
        g_audio->thread.setObjectName(QStringLiteral("kel audio"));
        g_audio->thread.start();
        g_audio->context = new QObject;
        g_audio->context->moveToThread(&g_audio->thread);
    }
    return g_audio->context;
}

template <class F> void RunThere(F&& job)
{
    QMetaObject::invokeMethod(Context(), std::forward<F>(job), Qt::BlockingQueuedConnection);
}

template <class F> void QueueThere(F&& job)
{
    QMetaObject::invokeMethod(Context(), std::forward<F>(job), Qt::QueuedConnection);
}

class QtWaveSink : public kel::WaveSink
{
public:
    // A sink on the default output, or nullptr when there is none or it cannot play the format
    // (the device then plays silently, at the same rate).
    static std::unique_ptr<kel::WaveSink> Create(const WAVEFORMATEX& f)
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return nullptr;
        QAudioFormat format;
        format.setSampleRate(static_cast<int>(f.nSamplesPerSec));
        format.setChannelCount(f.nChannels);
        format.setSampleFormat(f.wBitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return nullptr;
        auto sink = std::make_unique<QtWaveSink>();
        QtWaveSink* raw = sink.get();
        // Half a second of room: the device hands buffers on as they are written, ahead of time.
        const qsizetype room = static_cast<qsizetype>(f.nAvgBytesPerSec / 2);
        RunThere(
            [raw, device, format, room]
            {
                raw->m_sink = new QAudioSink(device, format);
                raw->m_sink->setBufferSize(room);
                raw->m_io = raw->m_sink->start();
            });
        if (!raw->m_io)
            return nullptr;
        return sink;
    }

    ~QtWaveSink() override
    {
        QAudioSink* sink = m_sink;
        if (sink)
            RunThere(
                [sink]
                {
                    sink->stop();
                    delete sink;
                });
    }

    void Play(const BYTE* data, size_t bytes) override
    {
        QByteArray samples(reinterpret_cast<const char*>(data), static_cast<qsizetype>(bytes));
        QueueThere(
            [this, samples]
            {
                if (m_io)
                    m_io->write(samples);
            });
    }

    void Reset() override
    {
        QueueThere(
            [this]
            {
                m_sink->reset();
                m_io = m_sink->start();
            });
    }

private:
    // Touched on the audio thread only (after Create).
    QAudioSink* m_sink = nullptr;
    QIODevice* m_io = nullptr;
};

} // namespace

void InstallAudio()
{
    kel::SetWaveSinkFactory(QtWaveSink::Create);
    kel::SetSoundHandler(kel::PlayWaveSound);
}

void RemoveAudio()
{
    kel::SetSoundHandler({});
    kel::StopWaveSound();
    kel::SetWaveSinkFactory({});
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_audio)
        return;
    QMetaObject::invokeMethod(
        g_audio->context, [] { delete g_audio->context; }, Qt::BlockingQueuedConnection);
    g_audio->thread.quit();
    g_audio->thread.wait();
    delete g_audio;
    g_audio = nullptr;
}

} // namespace kel::qt
