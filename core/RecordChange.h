#pragma once
// A change of the record store as a value: records added, edited (what they
// held before and what they hold after) and deleted, taken together as one
// step.  RecordStore::apply is the only code that carries one out; whoever
// changes records (the timing desk, the manual entry, crash recovery, undo and
// redo) builds one of these and hands it over.
//
// Records are named by identity (the shared object), not by value: two
// records of equal values are different records.  `before` lets the store
// refuse a change made for a record that has changed since.
#include "JournalEntry.h"
#include "TimeRecord.h"

#include <vector>

// A record's values as the journal and the data file know them.
using RecordValues = JournalRecord;

RecordValues ValuesOf(const TimeRecord &record);

struct RecordEdit {
    enum class Kind : char { Added, Edited, Deleted };
    Kind kind = Kind::Added;
    // Added: a record no store holds (a new one, or one an earlier change
    // deleted); it takes `after`.  Edited, Deleted: a record of the store.
    TimeRecordPtr record;
    RecordValues before;  // Edited, Deleted: what the record holds now
    RecordValues after;   // Added, Edited: what it will hold

    // A new record holding `values`.
    static RecordEdit Added(const RecordValues &values);
    static RecordEdit Added(const TimeRecordPtr &record, const RecordValues &values);
    static RecordEdit Edited(const TimeRecordPtr &record, const RecordValues &after);
    static RecordEdit Deleted(const TimeRecordPtr &record);
};

struct RecordChange {
    std::vector<RecordEdit> edits;  // applied in this order
    // Journal lines of the caller's own that belong to this change (the
    // impulse row a new record was made of): written after the record lines,
    // in the same flush.
    std::vector<JournalEntry> alongside;
    // The start number whose row the record list selects once the change is
    // shown, or -1.
    int selectNumber = -1;

    bool empty() const { return edits.empty(); }
    // The change that takes this one back: edits reversed and each undone.
    // Carries no journal lines of its own and selects nothing.
    RecordChange inverse() const;
    // The journal lines of the edits (an edit that changes nothing has none).
    std::vector<JournalEntry> journalLines() const;
};
