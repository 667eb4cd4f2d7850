#include "RecordChange.h"

#include <algorithm>

RecordValues ValuesOf(const TimeRecord &record)
{
    return {record.Number, record.Time, record.Penalty};
}

RecordEdit RecordEdit::Added(const RecordValues &values)
{
    auto record = std::make_shared<TimeRecord>();
    record->Number = values.number;
    record->Time = values.time;
    record->Penalty = values.penalty;
    return Added(record, values);
}

RecordEdit RecordEdit::Added(const TimeRecordPtr &record, const RecordValues &values)
{
    RecordEdit e;
    e.kind = Kind::Added;
    e.record = record;
    e.after = values;
    return e;
}

RecordEdit RecordEdit::Edited(const TimeRecordPtr &record, const RecordValues &after)
{
    RecordEdit e;
    e.kind = Kind::Edited;
    e.record = record;
    e.before = ValuesOf(*record);
    e.after = after;
    return e;
}

RecordEdit RecordEdit::Deleted(const TimeRecordPtr &record)
{
    RecordEdit e;
    e.kind = Kind::Deleted;
    e.record = record;
    e.before = ValuesOf(*record);
    return e;
}

RecordChange RecordChange::inverse() const
{
    RecordChange back;
    back.edits.reserve(edits.size());
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        RecordEdit e = *it;
        switch (it->kind) {
        case RecordEdit::Kind::Added:
            e.kind = RecordEdit::Kind::Deleted;
            e.before = it->after;
            e.after = {};
            break;
        case RecordEdit::Kind::Deleted:
            e.kind = RecordEdit::Kind::Added;
            e.after = it->before;
            e.before = {};
            break;
        case RecordEdit::Kind::Edited: std::swap(e.before, e.after); break;
        }
        back.edits.push_back(e);
    }
    return back;
}

std::vector<JournalEntry> RecordChange::journalLines() const
{
    std::vector<JournalEntry> lines;
    lines.reserve(edits.size());
    for (const RecordEdit &edit : edits) {
        JournalEntry e;
        switch (edit.kind) {
        case RecordEdit::Kind::Added:
            e.kind = JournalKind::RecordAdded;
            e.record = edit.after;
            break;
        case RecordEdit::Kind::Edited:
            if (edit.before == edit.after)
                continue;
            e.kind = JournalKind::RecordEdited;
            e.before = edit.before;
            e.record = edit.after;
            break;
        case RecordEdit::Kind::Deleted:
            e.kind = JournalKind::RecordDeleted;
            e.record = edit.before;
            break;
        }
        lines.push_back(e);
    }
    return lines;
}
