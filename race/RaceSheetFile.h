#pragma once
// The race sheet's file: "<data file>.zavod.json" beside the data file
// ("zavod.csvz" -> "zavod.csvz.zavod.json"), UTF-8 JSON that organisers and
// scripts may write too:
//
//     {
//       "version": 1,
//       "finish": [
//         {"category": "", "laps": 5},
//         {"category": "Ženy", "minutes": 30},
//         {"category": "MX1", "at": "14:42:00,000"}
//       ],
//       "statuses": [
//         {"number": 7, "status": "DSQ", "reason": "zkrácení trati"},
//         {"number": 12, "status": "DNF"}
//       ]
//     }
//
// "version" must be 1; "finish" and "statuses" may be left out.  Each rule
// has a "category" ("" for every category without a rule of its own) and
// exactly one of "laps" (1 to 1000), "minutes" (1 to 1440) or "at" (a time of
// day, hh:mm:ss,zzz); each status a "number" (0 to 9999), a "status" (DNF,
// DSQ or DNS) and may have a "reason" (at most 200 characters).  A category
// or a number given twice, a key the format does not have, or any value out
// of its range makes the whole file unreadable: nothing of it is taken.
//
// Read by the race sheet's store and by tikomat-results; written only by the
// store.  Pure but for ReadRaceSheetFile, which only reads.
#include "RaceSheet.h"

#include <QByteArray>
#include <QString>

// The sheet file beside a data file.
QString RaceSheetPath(const QString &dataFile);

// The sheet the bytes hold.  Throws TikomatError with the reason in Czech
// ("pravidlo č. 2: „laps“ musí být celé číslo od 1 do 1000").
RaceSheet ParseRaceSheet(const QByteArray &json);

// The sheet as its file holds it: the shape above, two blanks of indent, one
// line per rule and per status, the rules in the sheet's order, the statuses
// by number; a status without a reason has no "reason".
QByteArray RaceSheetJson(const RaceSheet &sheet);

// A sheet file larger than this is not read: no sheet of a race comes near.
constexpr qint64 RaceSheetSizeLimit = 16 * 1024 * 1024;

struct RaceSheetRead {
    enum class Outcome {
        Missing,     // no file: an empty sheet
        Read,        // `sheet` holds it
        Unreadable,  // `error` says why (in Czech); `bytes` hold what was read
    };
    Outcome outcome = Outcome::Missing;
    RaceSheet sheet;
    QString error;
    QByteArray bytes;
};

// Reads the sheet file at path.
RaceSheetRead ReadRaceSheetFile(const QString &path);
