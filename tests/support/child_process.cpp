#include "support/child_process.h"

#include <cerrno>
#include <csignal>

#include <grp.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {
namespace {

constexpr int kLimitMs = static_cast<int>(std::chrono::milliseconds(kChildLimit).count());

// poll() of one descriptor for `events`, going on after an interruption.
int pollOne(int fd, short events, int timeoutMs)
{
    pollfd entry{fd, events, 0};
    int ready = 0;
    while ((ready = ::poll(&entry, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return ready;
}

// Waits for the child within the limit, killing it after; its exit status.
int reap(pid_t pid)
{
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0 || pollOne(pidfd, POLLIN, kLimitMs) != 1)
        ::kill(pid, SIGKILL);
    if (pidfd >= 0)
        ::close(pidfd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

void Turns::pass() { (void)!::write(end_, "t", 1); }

bool Turns::wait()
{
    char turn = 0;
    return pollOne(end_, POLLIN, kLimitMs) == 1 && ::read(end_, &turn, 1) == 1;
}

Turns::Turn Turns::check()
{
    if (pollOne(end_, POLLIN, 0) != 1)
        return Turn::NotYet;
    // Readable: either the turn is there, or the other side has closed its end.
    char turn = 0;
    return ::read(end_, &turn, 1) == 1 ? Turn::Came : Turn::Gone;
}

std::string inChild(bool unprivileged, const std::function<std::string(Turns&)>& body,
                    const std::function<void(Turns&)>& meanwhile)
{
    constexpr size_t kSize = 65536;
    void* shared = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        return "no shared memory";
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
        ::munmap(shared, kSize);
        return "no socket pair";
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        Turns turns(ends[1]);
        const bool dropped = !unprivileged || ::geteuid() != 0 ||
                             (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
        // Never outlives the test: a test killed while its child waits takes
        // the child with it. Set once the rights are dropped, which clear it.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(1);
        (dropped ? body(turns) : std::string(kCannotDropRights)).copy(static_cast<char*>(shared), kSize - 1);
        ::_exit(0);
    }
    ::close(ends[1]);
    if (pid > 0 && meanwhile) {
        Turns turns(ends[0]);
        meanwhile(turns);
    }
    ::close(ends[0]); // a child still waiting for its turn goes on
    std::string answer = "cannot fork";
    if (pid > 0) {
        const int status = reap(pid);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            answer = static_cast<const char*>(shared);
        else if (WIFSIGNALED(status))
            answer = "the child was ended by signal " + std::to_string(WTERMSIG(status));
        else
            answer = "the child ended with status " + std::to_string(WEXITSTATUS(status));
    }
    ::munmap(shared, kSize);
    return answer;
}

std::string inChild(bool unprivileged, const std::function<std::string()>& body)
{
    return inChild(unprivileged, [&body](Turns&) { return body(); });
}

} // namespace qn3::testing
