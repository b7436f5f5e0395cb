// The head line over a real pseudo-terminal: the Linux tty path end to end. The test plays the
// head on the master side and checks the line settings the way the kernel holds them.
#include "comm/Comm.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScriptedPrompts.h"

#include <gtest/gtest.h>

// termios2 comes from the kernel headers; <termios.h> would clash with them.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace
{

// A pseudo-terminal pair: the master stays here, the slave is the port's device.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        char name[128];
        if (ptsname_r(m_master, name, sizeof name) == 0)
            m_slave = name;
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            close(m_master);
    }
    bool Ok() const { return m_master >= 0 && !m_slave.empty(); }
    const std::string& SlavePath() const { return m_slave; }
    int Master() const { return m_master; }

    // Reads from the master until want bytes came or timeoutMs passed.
    std::string Read(size_t want, int timeoutMs)
    {
        std::string got;
        while (got.size() < want)
        {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0)
                break;
            char buf[64];
            ssize_t n = read(m_master, buf, std::min(sizeof buf, want - got.size()));
            if (n <= 0)
                break;
            got.append(buf, size_t(n));
        }
        return got;
    }

private:
    int m_master = -1;
    std::string m_slave;
};

TEST(PseudoTerminalLineTest, OpenSetsTheHeadLineAndBytesCrossBothWays)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok()) << "no pseudo-terminal: " << errno;
    const int comNumber = 217;
    kel::testkit::ScopedEnv mapping("KEL_COM_MAP", "COM" + std::to_string(comNumber) + "=" + pty.SlavePath());

    kel::testkit::ScriptedPrompts prompts; // any box fails the test
    CComm comm;
    ASSERT_EQ(comm.Open(comNumber - 1), 0);

    // The master sees the slave's settings.
    termios2 t{};
    ASSERT_EQ(ioctl(pty.Master(), TCGETS2, &t), 0);
    EXPECT_EQ(t.c_ospeed, 28800u);
    EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(BOTHER));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(comm.GetBaudRate(), 28800);
    // A pseudo-terminal has no modem lines; they read as on, so the line does not look dead.
    EXPECT_EQ(comm.IsDsrHigh(), 1);
    EXPECT_EQ(comm.IsCtsOn(), 1);

    ASSERT_EQ(comm.Send("cmd"), 1);
    EXPECT_EQ(pty.Read(5, 2000), "cmd\r\n");

    const char reply[] = "OK\r";
    ASSERT_EQ(write(pty.Master(), reply, 3), 3);
    char line[101];
    EXPECT_EQ(comm.ReadLine(line, 2000), 3);
    EXPECT_STREQ(line, "OK\r");
}

TEST(PseudoTerminalLineTest, ASilentHeadIsWaitedForWithoutUsingTheProcessor)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok()) << "no pseudo-terminal: " << errno;
    const int comNumber = 218;
    kel::testkit::ScopedEnv mapping("KEL_COM_MAP", "COM" + std::to_string(comNumber) + "=" + pty.SlavePath());
    kel::testkit::ScriptedPrompts prompts;
    CComm comm;
    ASSERT_EQ(comm.Open(comNumber - 1), 0);

    char line[101];
    const std::clock_t cpuBefore = std::clock();
    const DWORD start = GetTickCount();
    EXPECT_EQ(comm.ReadLine(line, 1000), 0);
    EXPECT_GE(GetTickCount() - start, 1000u);
    EXPECT_LT(double(std::clock() - cpuBefore) / CLOCKS_PER_SEC, 0.1);
}

} // namespace
