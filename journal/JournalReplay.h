#pragma once
// What a journal says the program held when it stopped: the rows of both
// impulse lists and the records, and what a data file left by the crash
// lacks of them.  Pure functions over entries; the recovery question and the
// files are JournalRecovery's.
#include "JournalEntry.h"
#include "RecordChange.h"

#include <vector>

struct RecoveredRow {
    JournalList list = JournalList::Start;
    // Empty for a stamp read from the module that never reached its list:
    // the desk makes it an impulse of its photocell.
    QString caption;
    QString subItem;
    DayTime stamp = 0;  // that stamp's time, when the caption is empty
};

struct JournalReplay {
    std::vector<RecoveredRow> rows;  // in the order they were listed
    // The journal began with what its data file held (a journal of this
    // program's, whole from its first line): `held` is that, and with
    // `changes` the journal describes every record of the race.
    bool knowsHeld = false;
    std::vector<JournalRecord> held;
    std::vector<JournalEntry> changes;  // every record change, in order
    std::vector<JournalEntry> sheet;    // every change of the race sheet, in order
};

JournalReplay Replay(const std::vector<JournalEntry> &entries);

// The record changes that bring `file` (the records a data file holds) to
// the records the journal describes, whichever of the journal's states the
// file was written in: a file saved just before the crash, before the
// journal could say so, gets nothing twice, and an edit the file already
// holds is not made again.
//
// When the journal knows what the file held at its start, the records at
// its end are known exactly; the file is matched against every state the
// journal passed through, and the changes are the difference between that
// state and the end.  Otherwise (a journal of an older version, or a file the
// journal never passed through) each record's net change is reconciled with
// the file: its last state present means nothing to do, an earlier state
// present is replaced, none present means the last state is added.  Never a
// record of the file is dropped that the journal does not say was deleted.
std::vector<JournalEntry> Reconcile(const JournalReplay &replay, const std::vector<JournalRecord> &file);

// The records' values as the journal names them.
std::vector<JournalRecord> JournalRecords(const std::vector<TimeRecordPtr> &records);

// The changes Reconcile gave, as a change of the store holding `records`:
// each names the first record that holds its value once the changes before
// it are made.  Changes that find no record are left out.
RecordChange RecordChangeOf(const std::vector<JournalEntry> &changes, const std::vector<TimeRecordPtr> &records);

// Applies the changes Reconcile gave to `records`, as a store would (an
// edited record is replaced by an edited copy).  Returns how many applied.
int ApplyRecordChanges(const std::vector<JournalEntry> &changes, std::vector<TimeRecordPtr> &records);
