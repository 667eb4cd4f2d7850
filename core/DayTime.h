#pragma once
// Time of day as the whole program keeps it: a double counting days, whose
// fraction is the time of day (one second is 1/86400).  Its only text form is
// hh:mm:ss,zzz.
#include <QString>
#include <cstdint>

using DayTime = double;

constexpr double SecondsPerDay = 86400.0;
constexpr double MillisecondsPerDay = 86400000.0;

// Writes d as hh:mm:ss,zzz.  Hours are not wrapped at 24; every field is
// truncated, never rounded, yet a whole millisecond stays whole.
QString DayTimeToText(DayTime d);

// The whole milliseconds that DayTimeToText writes for d, as a count; for
// 0 <= d < 4 days, TextToDayTime(DayTimeToText(d)) == WholeMilliseconds(d) / ms per day.
int64_t WholeMilliseconds(DayTime d);

// Reads hh:mm:ss,zzz by fixed character positions; an unreadable field counts
// as 0.  Never fails.
DayTime TextToDayTime(const QString &text);
DayTime TextToDayTime(QStringView text);

// Reads a signed decimal integer the way the time fields and the data file
// fields are read: leading blanks skipped, anything else gives `fallback`.
int ReadIntField(QStringView text, int fallback);
