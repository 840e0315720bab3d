#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {

// Runs `work` in a child process whose data memory may grow by at most
// `bytes` beyond what it holds at the start; true when the work finished
// within that. Under AddressSanitizer no bound can be set (its shadow memory
// counts as data), so there the work only has to finish.
inline bool finishesWithinMemory([[maybe_unused]] long long bytes, const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__)
        long long dataKb = -1;
        if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            while (dataKb < 0 && std::fgets(line, sizeof line, status))
                std::sscanf(line, "VmData: %lld kB", &dataKb);
            std::fclose(status);
        }
        const rlimit limit{static_cast<rlim_t>(dataKb * 1024 + bytes), static_cast<rlim_t>(dataKb * 1024 + bytes)};
        if (dataKb < 0 || ::setrlimit(RLIMIT_DATA, &limit) != 0)
            ::_exit(2);
#endif
        try {
            work();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace qn3::testing
