#pragma once
// The recovery question: a journal left by a run that did not end cleanly
// (found at start), or one beside a data file just opened, that holds rows or
// record changes the data file does not, is offered to the operator.  "Ano"
// puts the rows back into their lists and the records into the store, saves,
// and the journal follows the store; "Ne" renames the journal aside with a
// date and never deletes it.  A journal that holds nothing the data file
// lacks is removed without a question.
//
// The main window calls RecoverAtStart once after its logic exists and
// RecoverOpened after each successful "&Otevřít".
#include "JournalReplay.h"

#include <QString>

class Dialogs;
class JournalKeeper;
class RaceSheetStore;
class RecordStore;

// Who puts what the operator chose to restore back into the program: the
// timing desk, as one step it can take back.
class RecoverySink {
public:
    virtual ~RecoverySink() = default;
    // Applies `records` through the store and appends `rows` to their lists.
    virtual void Restore(const RecordChange &records, const std::vector<RecoveredRow> &rows) = 0;
};

struct RecoveryTarget {
    RecordStore &data;
    Dialogs &dialogs;
    JournalKeeper &keeper;
    // Null: the records are restored straight into the store, the rows not.
    RecoverySink *sink = nullptr;
    // The race sheet: opened beside the data file recovery loads, and brought
    // to what the journal says.  Null: the sheet is left alone.
    RaceSheetStore *sheet = nullptr;
};

// What a journal holds beyond its data file.
struct JournalFindings {
    JournalReplay replay;
    int recordChanges = 0;  // changes the data file lacks
    int sheetChanges = 0;   // items of the race sheet its file lacks
    bool readable = false;
    bool empty() const { return replay.rows.empty() && recordChanges == 0 && sheetChanges == 0; }
};
JournalFindings InspectJournal(const QString &journalPath);

// Journals left in `folder` (listed in its index, or lying there).  At most
// one is offered per start: the newest with something to restore.
void RecoverAtStart(RecoveryTarget &target, const QString &folder);
// The journal beside the data file the store has just opened (and the race
// sheet beside it, unless the sheet is read already).
void RecoverOpened(RecoveryTarget &target);

// The data file a journal belongs to.
QString DataFileOfJournal(const QString &journalPath);
