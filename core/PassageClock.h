#pragma once
// How a passage is measured: from the latest race start above it, walking the
// records in time order, both times read as the whole milliseconds their
// texts show.  The store measures every record's NetTime with it when it
// orders the records; the refresh of the lists measures its rows with it.
#include "DayTime.h"
#include "TimeRecord.h"

#include <cstdint>

// The time a text made by DayTimeToText(t) stands for when read back with
// TextToDayTime: t itself below 100 hours, where the text has two hour digits.
DayTime ShownTime(DayTime t);

class PassageClock {
public:
    struct Reading {
        enum class Kind : int8_t {
            NoStart,      // no race start above it (or one at 00:00:00,000): not measured
            BeforeStart,  // it lies before the race start above it
            Measured,     // `elapsed` since the race start
        };
        Kind kind = Kind::NoStart;
        DayTime elapsed = 0;
    };

    // A race start record at `time`: the passages after it are measured from it.
    void startRace(DayTime time) { m_start = ShownTime(time); }
    // What a passage at `time` measures from the race start above it.
    Reading measure(DayTime time) const;
    // The next record in time order: a race start sets the clock, a passage
    // is measured.  Returns the record's NetTime: the time measured for a
    // measured passage, else 0.
    DayTime pass(const TimeRecord &record);
    // The time of the race start passages are measured from, as its text
    // shows it; 0 for none.
    DayTime start() const { return m_start; }

private:
    DayTime m_start = 0;
};
