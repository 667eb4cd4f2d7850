#pragma once
// Journal entries as the tests write them: one builder per kind of entry,
// with only the fields that kind carries.
#include "JournalEntry.h"

#include <optional>

inline JournalEntry Of(JournalKind kind, JournalList list = JournalList::Start, DayTime time = 0, quint64 id = 0)
{
    JournalEntry e;
    e.kind = kind;
    e.list = list;
    e.time = time;
    e.rowId = id;
    return e;
}

// A row added to a list; `stamp` is given for an impulse the module stamped.
inline JournalEntry Row(JournalList list, quint64 id, const QString &caption, const QString &subItem,
                        std::optional<DayTime> stamp = {})
{
    JournalEntry e = Of(JournalKind::Row, list, stamp.value_or(0), id);
    e.caption = caption;
    e.subItem = subItem;
    e.fromModule = stamp.has_value();
    return e;
}

inline JournalEntry Removed(JournalList list, quint64 id)
{
    return Of(JournalKind::RowRemoved, list, 0, id);
}

inline JournalEntry Change(JournalKind kind, JournalRecord record, JournalRecord before = {})
{
    JournalEntry e = Of(kind);
    e.record = record;
    e.before = before;
    return e;
}

inline JournalEntry Saved(quint64 upTo)
{
    JournalEntry e = Of(JournalKind::Saved);
    e.upTo = upTo;
    return e;
}
