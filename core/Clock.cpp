#include "Clock.h"

#include <chrono>
#include <ctime>

namespace {
std::function<DayTime()> &Override()
{
    static std::function<DayTime()> clock;
    return clock;
}
}  // namespace

DayTime NowDayTime()
{
    if (const auto &clock = Override())
        return clock();
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&secs, &local);
    const auto sinceSecond = now - system_clock::from_time_t(secs);
    const double fraction = duration<double>(sinceSecond).count();
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
    return seconds / SecondsPerDay;
}

void SetClockForTesting(std::function<DayTime()> clock)
{
    Override() = std::move(clock);
}
