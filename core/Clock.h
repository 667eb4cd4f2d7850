#pragma once
// "Now" for the whole program, replaceable by tests so that none of them sleeps.
#include "DayTime.h"

#include <chrono>
#include <cstdint>
#include <functional>

// Current local time of day, cut to whole milliseconds.
DayTime NowDayTime();

// Current local time of day in microseconds.  The module link reckons its
// stamps from it before cutting them to whole milliseconds.
int64_t NowDayMicroseconds();

// The local time of day of a clock reading, cut (never rounded) to whole
// milliseconds, so that a stamp never shows a millisecond that has not begun.
DayTime LocalDayTime(std::chrono::system_clock::time_point reading);

// Replaces the clock; an empty function restores the system clock.  The
// first gives whole milliseconds, the second microseconds; either one drives
// both readings above.
void SetClockForTesting(std::function<DayTime()> clock);
void SetMicrosecondClockForTesting(std::function<int64_t()> clock);
