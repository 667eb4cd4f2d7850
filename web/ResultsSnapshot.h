#pragma once
// What the results page publishes: the spectator window's caption, the last
// race start and the ranking (the results document of the last refresh).
//
// The desk's thread takes the snapshot (Take) and hands it to the server's
// thread, which alone formats it (ResultsJson).  The document is never
// changed once made and holds no record of the store, so the server shares
// it without a copy and never reads the store or the list models.  The JSON
// shape is described in the README ("Results on phones at the venue").
#include "DayTime.h"
#include "ResultsTable.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct ResultsSnapshot {
    QString caption;  // the spectator window's caption, else "Tikomat"
    bool showRunningTime = true;
    DayTime lastStartTime = 0;  // time of day of the last race start, 0 for none
    uint64_t version = 0;       // grows with every snapshot the desk takes
    std::shared_ptr<const ResultsTable> results = std::make_shared<const ResultsTable>();

    // The results as the last refresh left them.
    static std::shared_ptr<const ResultsSnapshot> Take(std::shared_ptr<const ResultsTable> results,
                                                       const QString &caption, bool showRunningTime,
                                                       DayTime lastStartTime, uint64_t version);
};

// The snapshot as /results.json serves it; serverTime is the PC's time of day
// when it is sent (the page sets its clock by it).
QByteArray ResultsJson(const ResultsSnapshot &snapshot, DayTime serverTime);
// The snapshot as a "results" event of /events carries it: the same keys but
// lastStart, and each row as [racer, laps, time, penalty, note, category] in
// rank order, category being an index into "categories".
QByteArray ResultsStreamJson(const ResultsSnapshot &snapshot, DayTime serverTime);
