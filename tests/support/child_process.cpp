#include "support/child_process.h"

#include <grp.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {

std::string inChild(bool unprivileged, const std::function<std::string()>& body)
{
    constexpr size_t kSize = 65536;
    void* shared = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        return "no shared memory";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool dropped = !unprivileged || ::geteuid() != 0 ||
                             (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
        (dropped ? body() : std::string(kCannotDropRights)).copy(static_cast<char*>(shared), kSize - 1);
        ::_exit(0);
    }
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    const std::string answer = pid > 0 ? std::string(static_cast<const char*>(shared)) : "cannot fork";
    ::munmap(shared, kSize);
    return answer;
}

} // namespace qn3::testing
