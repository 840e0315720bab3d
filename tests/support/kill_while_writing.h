#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qn3::testing {

// Crash rounds for an atomic writer: each round forks a child that calls
// `write(n)` for n = 0, 1, 2, ... until it is killed with SIGKILL after a
// random delay (up to `maxDelay`), then `check()` looks at what the child
// left on disk. The seed is reported with any failure.
inline void killWhileWriting(int rounds, std::chrono::microseconds maxDelay,
                             const std::function<void(unsigned)>& write, const std::function<void()>& check)
{
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> delay(0, maxDelay.count());
    for (int round = 0; round < rounds; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            for (unsigned n = 0;; ++n)
                write(n);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own in round " << round;
        SCOPED_TRACE(::testing::Message() << "round " << round);
        check();
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace qn3::testing
