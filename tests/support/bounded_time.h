#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {

// Runs `work` in a child process and gives it `limit` to end; true when it
// ended by itself and returned true. A child still running then is killed, so
// a call that would block for ever fails the test instead of hanging it.
inline bool finishesWithin(std::chrono::milliseconds limit, const std::function<bool()>& work)
{
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        bool ok = false;
        try {
            ok = work();
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    pollfd ended{pidfd, POLLIN, 0};
    const bool inTime = pidfd >= 0 && ::poll(&ended, 1, static_cast<int>(limit.count())) == 1;
    if (pidfd >= 0)
        ::close(pidfd);
    if (!inTime)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return inTime && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace qn3::testing
