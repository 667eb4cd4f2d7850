#pragma once
// "Now" for the whole program, replaceable by tests so that none of them sleeps.
#include "DayTime.h"

#include <functional>

// Current local time of day at full precision.
DayTime NowDayTime();

// Replaces the clock; an empty function restores the system clock.
void SetClockForTesting(std::function<DayTime()> clock);
