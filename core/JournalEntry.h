#pragma once
// One line of the impulse journal: what happened, in the order it happened,
// so that a crash loses nothing that was read from the module, shown in an
// impulse list or put into the record store.
//
// A line is UTF-8 text, fields separated by tabs (kind, sequence number,
// the kind's own fields), the last field the CRC-32
// of everything before it in hex.  A line whose checksum does not match (a
// write torn by a crash, a damaged disk block) decodes to nothing and is
// skipped by the reader; every other line stands on its own.
// Encoding never fails; decoding never throws.
#include "DayTime.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

enum class JournalKind : char {
    Stamp = 'M',       // a stamp read from the module (before the desk saw it)
    Filtered = 'F',    // the debounce filter dropped that stamp
    Row = 'I',         // a row appended to an impulse list
    RowRemoved = 'X',  // a row left its list (assigned or deleted)
    RecordAdded = 'A',
    RecordEdited = 'E',
    RecordDeleted = 'D',
    Saved = 'S',  // the data file holds every record change up to `upTo`
    // The journal of a data file begins: the file holds `upTo` records, each
    // named by a Held entry that follows.  With it the journal describes the
    // whole race, not only its changes.
    Begin = 'B',
    Held = 'H',  // one record the data file held when the journal began
    // The race sheet's items (race/): a category's finish rule, a racer's
    // status, each from `itemBefore` to `itemAfter` in the sheet's journal
    // form, which race/ writes and reads ("" for none).  A journal of an
    // older version has none of them.
    RuleChanged = 'R',
    StatusChanged = 'U',
};

// Which impulse list (or photocell) a line is about.
enum class JournalList : char { Start = 'S', Finish = 'F' };

struct JournalRecord {
    int32_t number = 0;
    DayTime time = 0;
    int32_t penalty = 0;
    bool operator==(const JournalRecord &) const = default;
};

struct JournalEntry {
    JournalKind kind = JournalKind::Saved;
    JournalList list = JournalList::Start;  // Stamp, Filtered, Row, RowRemoved
    quint64 rowId = 0;                      // Row, RowRemoved
    QString caption;                        // Row
    QString subItem;                        // Row: time text or preselected number
    bool fromModule = false;                // Row: made from a module stamp at `time`
    DayTime time = 0;                       // Stamp, Filtered, Row from the module
    JournalRecord record;                   // RecordAdded, RecordDeleted, RecordEdited (after), Held
    JournalRecord before;                   // RecordEdited (before)
    quint64 seq = 0;                        // numbered by the journal file as it is written
    quint64 upTo = 0;                       // Saved: the last entry the data file holds; Begin: records held
    QString category;                       // RuleChanged: the category ("" for every other one)
    int32_t number = 0;                     // StatusChanged: the start number
    QString itemBefore;                     // RuleChanged, StatusChanged
    QString itemAfter;

    bool operator==(const JournalEntry &) const = default;
};

// The line for an entry, ending in '\n'.
QByteArray EncodeJournalLine(const JournalEntry &entry);
// The entry of one line (with or without its '\n'); nothing when the line is
// torn, damaged or of an unknown kind, or holds a record whose number or
// penalty a data file could not hold (DataFileReader's limits).
std::optional<JournalEntry> DecodeJournalLine(QByteArrayView line);
