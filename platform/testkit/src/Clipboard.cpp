#include "testkit/Clipboard.h"

namespace kel::testkit
{

Clipboard::Clipboard()
{
    m_previous = SetClipboardBackend(this);
}

Clipboard::~Clipboard()
{
    SetClipboardBackend(m_previous);
}

void Clipboard::Put(const std::vector<ClipboardItem>& items)
{
    std::lock_guard lock(m_mutex);
    m_items = items;
    m_ours = false;
    ++m_changes;
}

void Clipboard::PutText(const std::string& text)
{
    Put({ClipboardItem{CF_TEXT, std::vector<uint8_t>(text.begin(), text.end())}});
}

std::optional<std::vector<uint8_t>> Clipboard::Data(UINT format) const
{
    std::lock_guard lock(m_mutex);
    for (const ClipboardItem& item : m_items)
        if (item.format == format)
            return item.bytes;
    return std::nullopt;
}

std::string Clipboard::Text() const
{
    auto bytes = Data(CF_TEXT);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

int Clipboard::Changes() const
{
    std::lock_guard lock(m_mutex);
    return m_changes;
}

void Clipboard::Publish(const std::vector<ClipboardItem>& items)
{
    std::lock_guard lock(m_mutex);
    m_items = items;
    m_ours = true;
    ++m_changes;
}

std::vector<UINT> Clipboard::Formats()
{
    std::lock_guard lock(m_mutex);
    std::vector<UINT> formats;
    for (const ClipboardItem& item : m_items)
        formats.push_back(item.format);
    return formats;
}

bool Clipboard::Read(UINT format, std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(m_mutex);
    for (const ClipboardItem& item : m_items)
        if (item.format == format)
        {
            bytes = item.bytes;
            return true;
        }
    return false;
}

bool Clipboard::HoldsOurs()
{
    std::lock_guard lock(m_mutex);
    return m_ours;
}

} // namespace kel::testkit
