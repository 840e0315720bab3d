#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

// The console report, followed by one line for benchmarks that count one
// item per iteration, giving a measured rate against its
// baseline from the same run: "<name>: N items/s, baseline M items/s, ratio R".
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // One item per iteration: the rate is the inverse of the time of one.
        for (const Run& run : runs) {
            const double perIteration = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Iteration && perIteration > 0)
                rates_[run.benchmark_name()] = benchmark::GetTimeUnitMultiplier(run.time_unit) / perIteration;
        }
    }

    // Prints `measured` against `baseline`; the ratio is baseline rate over
    // measured rate, so 1.5 means the measured code is 1.5 times slower.
    void printRatio(const std::string& measured, const std::string& baseline) const
    {
        const auto m = rates_.find(measured);
        const auto b = rates_.find(baseline);
        if (m == rates_.end() || b == rates_.end() || m->second <= 0)
            return;
        std::printf("%s: %.0f items/s, %s: %.0f items/s, ratio %.2f\n", measured.c_str(), m->second,
                    baseline.c_str(), b->second, b->second / m->second);
    }

private:
    std::map<std::string, double> rates_;
};
