#pragma once
// What the results page publishes: the spectator window's caption, the last
// race start and the ranking, copied from the results list after a refresh.
//
// The desk's thread takes the copy (Take) and hands it to the server's thread,
// which alone formats it (ResultsJson); the copy holds no record of the store,
// so the server never reads the store or the list models.  The JSON shape is
// described in the README ("Výsledky na webu").
#include "DayTime.h"
#include "ResultsBuilder.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class ResultsListModel;

struct ResultsSnapshot {
    QString caption;          // the spectator window's caption, else "Tikomat"
    bool showRunningTime = true;
    DayTime lastStartTime = 0;  // time of day of the last race start, 0 for none
    uint64_t version = 0;     // grows with every snapshot the desk takes
    std::vector<ResultRow> rows;  // ranked, winner first; no record pointers

    // A copy of the results list as the last refresh left it.
    static std::shared_ptr<const ResultsSnapshot> Take(const ResultsListModel &results, const QString &caption,
                                                       bool showRunningTime, DayTime lastStartTime,
                                                       uint64_t version);
};

// The snapshot as /results.json serves it; serverTime is the PC's time of day
// when it is sent (the page sets its clock by it).
QByteArray ResultsJson(const ResultsSnapshot &snapshot, DayTime serverTime);
// The snapshot as a "results" event of /events carries it: the same keys but
// lastStart, and each row as [racer, laps, time, penalty, note] in rank order.
QByteArray ResultsStreamJson(const ResultsSnapshot &snapshot, DayTime serverTime);
