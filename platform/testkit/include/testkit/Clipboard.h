// An in-process clipboard for tests: installs itself as the clipboard's backend for its lifetime,
// so tests never touch the desktop's clipboard, and lets a test play "another program" that puts
// data on the clipboard or reads what the program put there.
//
//     kel::testkit::Clipboard clipboard;
//     clipboard.PutText("5.0\t1e-7");          // as if pasted from elsewhere
//     ... the code under test pastes ...
//     EXPECT_EQ(clipboard.Text(), "...");     // what the code copied
#pragma once

#include "win32/clipboard.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kel::testkit
{

class Clipboard : public IClipboardBackend
{
public:
    // Installs itself; the destructor puts the previous backend back.
    Clipboard();
    ~Clipboard() override;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    // Replaces the contents as another program would (the process no longer owns them).
    void Put(const std::vector<ClipboardItem>& items);
    // CF_TEXT with cp1252 text.
    void PutText(const std::string& text);
    // The bytes of a format, nothing when absent.
    std::optional<std::vector<uint8_t>> Data(UINT format) const;
    // The CF_TEXT text, empty when absent.
    std::string Text() const;
    // How many times the contents were replaced (by the process or by Put).
    int Changes() const;

    void Publish(const std::vector<ClipboardItem>& items) override;
    std::vector<UINT> Formats() override;
    bool Read(UINT format, std::vector<uint8_t>& bytes) override;
    bool HoldsOurs() override;

private:
    mutable std::mutex m_mutex;
    std::vector<ClipboardItem> m_items;
    bool m_ours = false;
    int m_changes = 0;
    IClipboardBackend* m_previous = nullptr;
};

} // namespace kel::testkit
