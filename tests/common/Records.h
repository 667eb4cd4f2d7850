#pragma once
// How a test makes a record: a start number at a time of day, the time given
// as the lists write it ("10:05:00,000") or in milliseconds, and a lap and a
// penalty only where the test needs them:
//     Record(8, "10:06:00,000", {.lap = 1, .penalty = 2})
#include "DayTime.h"
#include "TimeRecord.h"

#include <QString>
#include <memory>

struct RecordDetails {
    int lap = 0;
    int penalty = 0;  // whole seconds
};

inline TimeRecordPtr Record(int number, DayTime time, RecordDetails details = {})
{
    auto record = std::make_shared<TimeRecord>();
    record->Number = number;
    record->Time = time;
    record->Lap = details.lap;
    record->Penalty = details.penalty;
    return record;
}

inline TimeRecordPtr Record(int number, const QString &time, RecordDetails details = {})
{
    return Record(number, TextToDayTime(time), details);
}
