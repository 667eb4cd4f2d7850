#pragma once
// What one operator action did on the timing page, as a value the desk can
// apply, take back and apply again: rows that left or came into the two
// impulse lists, and a change of the record store.  A Vlož, for example, is
// the impulse row it used going and the record it made coming.
#include "ImpulseRow.h"
#include "JournalEntry.h"
#include "RecordChange.h"
#include "SheetChange.h"

#include <QString>
#include <vector>

// "čísla 42 (10:03:00,500)": how the history names a record.
QString NumberAndTime(int number, DayTime time);

struct RowEdit {
    JournalList list = JournalList::Start;
    bool removed = false;  // else the row comes into its list, at its place by id
    ImpulseRow row;
    // A row made from a module stamp: the journal names the stamp, so that a
    // crash does not list it twice.
    bool fromModule = false;
    DayTime stamp = 0;
};

struct DeskStep {
    QString text;  // what the undo history calls it, e.g. "přiřazení čísla 42 (10:03:00,500)"
    std::vector<RowEdit> rows;
    RecordChange records;
    SheetChange sheet;  // finish rules and statuses, applied after the records

    bool empty() const { return rows.empty() && records.empty() && sheet.empty(); }
    // The step that takes this one back.
    DeskStep inverse() const;
};
