#pragma once
// What a journal says the program held when it stopped: the rows of both
// impulse lists and the record changes the data file may not hold yet.
// Pure functions over entries; the recovery question and the files are
// JournalRecovery's.
#include "JournalEntry.h"
#include "tfile.h"

#include <vector>

struct RecoveredRow {
    JournalList list = JournalList::Start;
    // Empty for a stamp read from the module that never reached its list:
    // the desk gives it the caption of its photocell.
    QString caption;
    QString subItem;
};

struct JournalReplay {
    std::vector<RecoveredRow> rows;              // in the order they were listed
    std::vector<JournalEntry> unsavedChanges;    // record changes after the last save
};

JournalReplay Replay(const std::vector<JournalEntry> &entries);

// Brings `records` (as read from the data file) up to the journal's changes.
// A change the file already holds (saved just before the crash, before the
// journal could say so) is recognised and not made twice.  Returns how many
// changes altered the records.
int ApplyRecordChanges(const std::vector<JournalEntry> &changes, std::vector<TRadekPtr> &records);
