#pragma once
// "Now" for the whole program, replaceable by tests so that none of them sleeps.
#include "DayTime.h"

#include <chrono>
#include <functional>

// Current local time of day, cut to whole milliseconds.
DayTime NowDayTime();

// The local time of day of a clock reading, cut (never rounded) to whole
// milliseconds, so that a stamp never shows a millisecond that has not begun.
DayTime LocalDayTime(std::chrono::system_clock::time_point reading);

// Replaces the clock; an empty function restores the system clock.
void SetClockForTesting(std::function<DayTime()> clock);
