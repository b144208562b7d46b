// Keeps every run's processor time per iteration, so that a benchmark can print ratios of its runs
// once all have run: both sides of a ratio met the same machine in the same process, and processor
// time keeps them steady on a shared one.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_seconds[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
    }

    // Prints "label: numerator / denominator" when both runs ran.
    void ratio(const std::string& label, const std::string& numerator, const std::string& denominator) const
    {
        auto top = m_seconds.find(numerator), bottom = m_seconds.find(denominator);
        if (top != m_seconds.end() && bottom != m_seconds.end() && bottom->second > 0)
            std::printf("%s: %.2f\n", label.c_str(), top->second / bottom->second);
    }

private:
    std::map<std::string, double> m_seconds;
};

// A benchmark's main: runs what the command line selects, then prints its ratios.
inline int runBenchmarksWithRatios(int argc, char** argv, void (*printRatios)(const RatioReporter&))
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
