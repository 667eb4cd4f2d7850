#include "Clock.h"

#include <ctime>

namespace {
std::function<DayTime()> &Override()
{
    static std::function<DayTime()> clock;
    return clock;
}
}  // namespace

DayTime LocalDayTime(std::chrono::system_clock::time_point reading)
{
    using namespace std::chrono;
    // Whole seconds go through the local calendar; the rest is cut to milliseconds.
    const auto second = floor<seconds>(reading);
    const std::time_t secs = system_clock::to_time_t(second);
    std::tm local{};
    localtime_r(&secs, &local);
    const DayTime sinceSecond = floor<milliseconds>(reading - second).count();
    return local.tm_hour * MsPerHour + local.tm_min * MsPerMinute + local.tm_sec * MsPerSecond + sinceSecond;
}

DayTime NowDayTime()
{
    if (const auto &clock = Override())
        return clock();
    return LocalDayTime(std::chrono::system_clock::now());
}

void SetClockForTesting(std::function<DayTime()> clock)
{
    Override() = std::move(clock);
}
