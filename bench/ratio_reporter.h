#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

// The console report, keeping each benchmark's time per iteration so that a
// measured piece of code can be printed against its baseline from the same
// run. Benchmarks are known by their name without options ("BM_X" for
// "BM_X/min_time:0.500"). A benchmark run several times (repetitions) keeps
// its best time, on both sides alike: on a busy machine the best run is the
// one least disturbed by others.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations <= 0)
                continue;
            const std::string name = run.benchmark_name();
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            const auto [kept, added] = seconds_.emplace(name.substr(0, name.find('/')), seconds);
            if (!added && seconds < kept->second)
                kept->second = seconds;
        }
    }

    // Seconds per iteration of every benchmark that ran, by name.
    const std::map<std::string, double>& seconds() const { return seconds_; }

    // "<measured>: N/s, <baseline>: M/s, ratio R", R being the measured time
    // over the baseline's (1.5: the measured code takes 1.5 times as long).
    void printRatio(const std::string& measured, const std::string& baseline) const
    {
        const auto m = seconds_.find(measured);
        const auto b = seconds_.find(baseline);
        if (m == seconds_.end() || b == seconds_.end() || m->second <= 0 || b->second <= 0)
            return;
        std::printf("%s: %.0f/s, %s: %.0f/s, ratio %.2f\n", measured.c_str(), 1 / m->second, baseline.c_str(),
                    1 / b->second, m->second / b->second);
    }

private:
    std::map<std::string, double> seconds_;
};
