#include "testkit/SoundRecorder.h"

#include <cstdio>

namespace kel::testkit
{

SoundRecorder::SoundRecorder()
{
    m_previous = kel::SetSoundHandler(
        [store = m_store](const kel::SoundRequest& r)
        {
            std::string call = "stop";
            if (!r.name.empty())
            {
                call = "play " + r.name;
                if ((r.flags & (SND_ASYNC | SND_LOOP)) != (SND_ASYNC | SND_LOOP))
                {
                    char flags[32];
                    std::snprintf(flags, sizeof flags, " (flags 0x%x)", static_cast<unsigned>(r.flags));
                    call += flags;
                }
            }
            std::lock_guard<std::mutex> guard(store->lock);
            store->calls.push_back(call);
            return TRUE;
        });
}

SoundRecorder::~SoundRecorder()
{
    kel::SetSoundHandler(std::move(m_previous));
}

std::vector<std::string> SoundRecorder::Calls() const
{
    std::lock_guard<std::mutex> guard(m_store->lock);
    return m_store->calls;
}

} // namespace kel::testkit
