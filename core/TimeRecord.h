#pragma once
// One time record: a start number's passage at a time of day.
#include "DayTime.h"

#include <QString>
#include <cstdint>
#include <memory>

// Start number that marks a race start record, and how the lists name it.
constexpr int32_t RaceStartNumber = 10000;
inline const QString RaceStartText = QStringLiteral("START ZÁVODU");

struct TimeRecord {
    int32_t Number = 0;
    int32_t Lap = 0;
    DayTime Time = 0;
    int32_t Penalty = 0;  // whole seconds
    DayTime NetTime = 0;  // from the race start above; measured by the store's save

    // The time the results list ranks by.
    DayTime PenalizedTime() const { return Penalty * MsPerSecond + NetTime; }
};

// Records are shared: a list row, the manual entry dialog or an undo step may
// still hold a record after it left the store, and it must stay a valid
// object until then.  Only the store changes a record, so everyone else holds
// it read-only.
using TimeRecordPtr = std::shared_ptr<const TimeRecord>;
