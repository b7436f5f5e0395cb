#include "testkit/Faults.h"

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace kel::testkit
{

FileSizeLimit::FileSizeLimit(uint64_t bytes)
{
    struct rlimit old
    {
    };
    ::getrlimit(RLIMIT_FSIZE, &old);
    m_soft = old.rlim_cur;
    m_hard = old.rlim_max;
    m_oldHandler = reinterpret_cast<void*>(std::signal(SIGXFSZ, SIG_IGN));
    struct rlimit limit = old;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit limit
    {
    };
    limit.rlim_cur = static_cast<rlim_t>(m_soft);
    limit.rlim_max = static_cast<rlim_t>(m_hard);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, reinterpret_cast<void (*)(int)>(m_oldHandler));
}

bool KillWhileRunning(const std::function<void()>& body, int micros)
{
    // The time runs from the child's start, not from the fork: on a loaded machine the child may
    // not be scheduled for a while, and a kill before it ran would test nothing.
    int started[2];
    if (::pipe(started) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0)
    {
        ::close(started[0]);
        ::close(started[1]);
        return false;
    }
    if (child == 0)
    {
        ::close(started[0]);
        const char go = 1;
        (void)!::write(started[1], &go, 1);
        ::close(started[1]);
        // The child never returns into the test: it works until it is killed.
        try
        {
            for (;;)
                body();
        }
        catch (...)
        {
        }
        ::_exit(3);
    }
    ::close(started[1]);
    char go = 0;
    while (::read(started[0], &go, 1) < 0 && errno == EINTR)
    {
    }
    ::close(started[0]);
    struct timespec wait
    {
        micros / 1000000, static_cast<long>(micros % 1000000) * 1000
    };
    while (::nanosleep(&wait, &wait) != 0)
    {
    }
    ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
    {
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace kel::testkit
