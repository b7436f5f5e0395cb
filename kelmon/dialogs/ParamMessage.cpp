#include "dialogs/ParamMessage.h"

#include <algorithm>
#include <vector>

CParamMessageHub* CParamMessageHub::s_instance = nullptr;

CScanMessage::CScanMessage(const int32_t words[4])
{
    std::copy(words, words + 4, m_words);
}

CParamMessageHub* CParamMessageHub::Instance()
{
    if (!s_instance)
        s_instance = new CParamMessageHub;
    return s_instance;
}

CParamMessageHub* CParamMessageHub::Peek()
{
    return s_instance;
}

void CParamMessageHub::Destroy()
{
    delete s_instance;
    s_instance = nullptr;
}

BOOL CParamMessageHub::Register(CParamMessage* pMessage, CParamMessageSink* pSink)
{
    if (!pMessage || !pSink || IsRegistered(pMessage, pSink))
        return FALSE;
    m_pairs.emplace(pMessage, pSink);
    return TRUE;
}

BOOL CParamMessageHub::Unregister(CParamMessage* pMessage, CParamMessageSink* pSink)
{
    auto [first, last] = m_pairs.equal_range(pMessage);
    for (auto it = first; it != last; ++it)
        if (it->second == pSink)
        {
            m_pairs.erase(it);
            return TRUE;
        }
    return FALSE;
}

void CParamMessageHub::RemoveAll(CParamMessage* pMessage, CParamMessageSink* pSink)
{
    std::erase_if(m_pairs, [&](const auto& pair)
                  { return (pMessage && pair.first == pMessage) || (pSink && pair.second == pSink); });
}

void CParamMessageHub::Notify(CParamMessage* pMessage)
{
    // A handler may change the registrations: walk a copy and skip sinks removed meanwhile.
    std::vector<CParamMessageSink*> sinks;
    auto [first, last] = m_pairs.equal_range(pMessage);
    for (auto it = first; it != last; ++it)
        sinks.push_back(it->second);
    for (CParamMessageSink* sink : sinks)
        if (IsRegistered(pMessage, sink))
            sink->OnParamMessage(pMessage);
}

BOOL CParamMessageHub::IsRegistered(const CParamMessage* pMessage, const CParamMessageSink* pSink) const
{
    auto [first, last] = m_pairs.equal_range(pMessage);
    return std::any_of(first, last, [&](const auto& pair) { return pair.second == pSink; }) ? TRUE : FALSE;
}

int CParamMessageHub::GetSinkCount(const CParamMessage* pMessage) const
{
    return static_cast<int>(m_pairs.count(pMessage));
}
