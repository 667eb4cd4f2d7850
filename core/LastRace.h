#pragma once
// The race that was open when the program was last closed, remembered from
// run to run (QSettings "Tikomat"/"Tikomat", key "lastRace/dataFile") so that
// the next start reopens it: the end of a day and the start of the next one
// behave as a crash and its recovery do.
//
// What the start does with it: when crash recovery took no race, the
// remembered data file is opened (with its racer file, as "&Otevřít" does).
// An unnamed race comes back only while its temporary file is there (an empty
// one is removed at the close, and there is nothing to bring back); a named
// one that is gone is reported and a new unnamed race begins.
#include <QString>

namespace LastRace {

// The data file to reopen, or empty.
QString Remembered();
// The close: `dataFile` is the race to reopen at the next start.
void Remember(const QString &dataFile);

enum class Action { None, Open, Missing };
// What the start does with `remembered` while the store works in `current`
// (its fresh temporary file) and holds `records` records: a race that crash
// recovery brought back stays.
Action AtStart(const QString &remembered, const QString &current, int records);

// "Otevřen poslední závod zavod.csvz – 83 záznamů" for the status bar.
QString OpenedText(const QString &dataFile, int records);
// The message for a remembered race whose data file is gone.
QString MissingText(const QString &dataFile);

}  // namespace LastRace
