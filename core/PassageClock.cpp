#include "PassageClock.h"

DayTime ShownTime(DayTime t)
{
    // Below 100 hours the text carries the hours in two digits and reads back
    // as the same value, so no text needs to be made.
    if (t >= 0 && t < 100 * MsPerHour)
        return t;
    return TextToDayTime(DayTimeToText(t));
}

PassageClock::Reading PassageClock::measure(DayTime time) const
{
    const DayTime elapsed = ShownTime(time) - m_start;
    if (elapsed < 0)
        return {Reading::Kind::BeforeStart, 0};
    if (m_start > 0)
        return {Reading::Kind::Measured, elapsed};
    return {};
}

DayTime PassageClock::pass(const TimeRecord &record)
{
    if (record.Number == RaceStartNumber) {
        startRace(record.Time);
        return 0;
    }
    const Reading reading = measure(record.Time);
    return reading.kind == Reading::Kind::Measured ? reading.elapsed : 0;
}
