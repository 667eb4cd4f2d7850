#pragma once
// Timing helpers of the benchmarks that time a step themselves (manual time):
// wall-clock seconds, this thread's processor time and the median of samples.
// Processor time is what the figures rest on where the machine is shared and
// the step waits for nothing but the processor.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double Seconds(BenchClock::time_point from, BenchClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

inline double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

inline double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}
