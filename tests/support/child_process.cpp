#include "support/child_process.h"

#include <grp.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {

void Turns::pass() { (void)!::write(end_, "t", 1); }

bool Turns::wait()
{
    char turn = 0;
    return ::read(end_, &turn, 1) == 1;
}

bool Turns::came()
{
    pollfd turn{end_, POLLIN, 0};
    return ::poll(&turn, 1, 0) == 1 && wait();
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
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        Turns turns(ends[1]);
        const bool dropped = !unprivileged || ::geteuid() != 0 ||
                             (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
        (dropped ? body(turns) : std::string(kCannotDropRights)).copy(static_cast<char*>(shared), kSize - 1);
        ::_exit(0);
    }
    ::close(ends[1]);
    if (pid > 0 && meanwhile) {
        Turns turns(ends[0]);
        meanwhile(turns);
    }
    ::close(ends[0]); // a child still waiting for its turn goes on
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    const std::string answer = pid > 0 ? std::string(static_cast<const char*>(shared)) : "cannot fork";
    ::munmap(shared, kSize);
    return answer;
}

std::string inChild(bool unprivileged, const std::function<std::string()>& body)
{
    return inChild(unprivileged, [&body](Turns&) { return body(); });
}

} // namespace qn3::testing
