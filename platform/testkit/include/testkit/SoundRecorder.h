// Tests: PlaySound and sndPlaySound requests recorded instead of played, while this lives.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kel::testkit
{

class SoundRecorder
{
public:
    SoundRecorder();
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // The requests so far (any thread), as "stop" for a stop request, "play <name>" for a sound
    // played asynchronously and looping (an alarm), "play <name> (flags 0x..)" for any other.
    std::vector<std::string> Calls() const;

private:
    struct Store
    {
        std::mutex lock;
        std::vector<std::string> calls;
    };
    std::shared_ptr<Store> m_store = std::make_shared<Store>();
    kel::SoundHandler m_previous;
};

} // namespace kel::testkit
