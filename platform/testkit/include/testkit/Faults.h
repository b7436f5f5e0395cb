// Faults a test can bring about for real: writes that fail as on a full disk, and a process killed
// in the middle of its work.
#pragma once

#include <cstdint>
#include <functional>

namespace kel::testkit
{

// Limits the size of every file this process writes to `bytes` for the scope (the file-size
// resource limit, with its signal ignored): a write past the limit fails as on a full disk. The
// previous limit and signal handling come back on destruction.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t m_soft = 0;
    uint64_t m_hard = 0;
    void* m_oldHandler = nullptr;
};

// Runs `body` again and again in a child process (a fork of this one) and kills the child without
// warning (SIGKILL) after `micros` microseconds. True when the child was killed while it ran; false
// when it ended on its own first (body threw, or the fork failed).
bool KillWhileRunning(const std::function<void()>& body, int micros);

} // namespace kel::testkit
