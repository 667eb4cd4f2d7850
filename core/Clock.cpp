#include "Clock.h"

#include <ctime>

namespace {
// The replaced clock, in microseconds of the day.
std::function<int64_t()> &Override()
{
    static std::function<int64_t()> clock;
    return clock;
}

int64_t LocalDayMicroseconds(std::chrono::system_clock::time_point reading)
{
    using namespace std::chrono;
    // Whole seconds go through the local calendar; the rest is kept as it is.
    const auto second = floor<seconds>(reading);
    const std::time_t secs = system_clock::to_time_t(second);
    std::tm local{};
    localtime_r(&secs, &local);
    const int64_t sinceSecond = floor<microseconds>(reading - second).count();
    return (local.tm_hour * MsPerHour + local.tm_min * MsPerMinute + local.tm_sec * MsPerSecond) * 1000 + sinceSecond;
}
}  // namespace

DayTime LocalDayTime(std::chrono::system_clock::time_point reading)
{
    const int64_t us = LocalDayMicroseconds(reading);
    return us / 1000;  // never negative: cutting is flooring
}

DayTime NowDayTime()
{
    if (const auto &clock = Override()) {
        const int64_t us = clock();
        return us / 1000 - (us % 1000 < 0 ? 1 : 0);
    }
    return LocalDayTime(std::chrono::system_clock::now());
}

int64_t NowDayMicroseconds()
{
    if (const auto &clock = Override())
        return clock();
    return LocalDayMicroseconds(std::chrono::system_clock::now());
}

void SetClockForTesting(std::function<DayTime()> clock)
{
    if (clock)
        Override() = [clock = std::move(clock)] { return clock() * 1000; };
    else
        Override() = nullptr;
}

void SetMicrosecondClockForTesting(std::function<int64_t()> clock)
{
    Override() = std::move(clock);
}
