#pragma once
// Time as the whole program keeps it: a whole number of milliseconds.  A time
// of day counts from midnight; a difference of two times (a measured time, the
// running time before a start) may be negative or reach past 24 hours.  Clock
// readings and module stamps are cut to whole milliseconds where they are
// taken, so every comparison here and downstream is exact integer arithmetic.
// Its only text form is hh:mm:ss,zzz; a file or a sheet that wants a fraction
// of a day converts at its own boundary.
#include <QString>
#include <cstdint>

using DayTime = int64_t;

constexpr DayTime MsPerSecond = 1000;
constexpr DayTime MsPerMinute = 60 * MsPerSecond;
constexpr DayTime MsPerHour = 60 * MsPerMinute;
constexpr DayTime MsPerDay = 24 * MsPerHour;

// Writes d as hh:mm:ss,zzz.  Hours are not wrapped at 24 and get a third
// digit from 100 hours on.  A negative d first gains one second (not one day),
// then every field is the truncated quotient with its own sign: -500 ms gives
// 00:00:00,500, -2 s gives 00:00:-01,000.
QString DayTimeToText(DayTime d);

// Reads hh:mm:ss,zzz by fixed character positions; an unreadable field counts
// as 0 and no field is limited to its range.  Never fails.  Texts written by
// DayTimeToText for 0 <= d < 100 hours read back as d exactly.
DayTime TextToDayTime(const QString &text);
DayTime TextToDayTime(QStringView text);

// Reads a signed decimal integer the way the time fields and the data file
// fields are read: leading blanks skipped, anything else gives `fallback`.
int ReadIntField(QStringView text, int fallback);
