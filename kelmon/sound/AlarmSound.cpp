#include "sound/AlarmSound.h"

#include "win32/sound.h"

#include <algorithm>

CAlarmSound& CAlarmSound::Instance()
{
    static CAlarmSound instance;
    return instance;
}

void CAlarmSound::Start(const void* owner, const CString& file)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_requests.begin(), m_requests.end(),
                           [owner](const Request& r) { return r.owner == owner; });
    const std::string name(static_cast<LPCSTR>(file));
    if (it != m_requests.end())
    {
        if (it->file == name)
            return;
        m_requests.erase(it);
    }
    m_requests.push_back(Request{owner, name});
    Apply();
}

void CAlarmSound::Stop(const void* owner)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_requests.begin(), m_requests.end(),
                           [owner](const Request& r) { return r.owner == owner; });
    if (it == m_requests.end())
        return;
    m_requests.erase(it);
    Apply();
}

bool CAlarmSound::IsSounding(const void* owner) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_requests.begin(), m_requests.end(),
                       [owner](const Request& r) { return r.owner == owner; });
}

void CAlarmSound::StopAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
    Apply();
}

void CAlarmSound::Apply()
{
    if (m_requests.empty())
    {
        if (m_sounding)
            sndPlaySound(nullptr, 0);
        m_sounding = false;
        m_playing.clear();
        return;
    }
    const std::string& wanted = m_requests.back().file;
    if (m_sounding && wanted == m_playing)
        return;
    sndPlaySound(wanted.c_str(), SND_ASYNC | SND_LOOP);
    m_sounding = true;
    m_playing = wanted;
}
