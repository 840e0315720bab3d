#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {

// A "<field>: N kB" figure of /proc/self/status ("VmData", "VmRSS"), in kB;
// -1 when it cannot be read.
inline long long processStatusKb(const char* field)
{
    long long kb = -1;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        const std::string format = std::string(field) + ": %lld kB";
        char line[256];
        while (kb < 0 && std::fgets(line, sizeof line, status))
            std::sscanf(line, format.c_str(), &kb);
        std::fclose(status);
    }
    return kb;
}

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
        const long long dataKb = processStatusKb("VmData");
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
