#include "JournalReplay.h"

#include <algorithm>
#include <unordered_set>

namespace {

struct ReplayRow {
    RecoveredRow row;
    quint64 id = 0;           // 0: a stamp still waiting for the desk
    DayTime stampTime = 0;
};

bool Equal(const TRadek &r, const JournalRecord &j)
{
    return r.Number == j.number && r.Time == j.time && r.Penalty == j.penalty;
}

}  // namespace

JournalReplay Replay(const std::vector<JournalEntry> &entries)
{
    std::vector<ReplayRow> rows;
    JournalReplay out;
    // The desk answers a stamp either with a row or with the filter's verdict;
    // the oldest waiting stamp of that photocell and time is the one meant.
    auto takeStamp = [&rows](JournalList list, DayTime time) {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const ReplayRow &r) {
            return r.id == 0 && r.row.list == list && r.stampTime == time;
        });
        if (it != rows.end())
            rows.erase(it);
    };
    for (const JournalEntry &e : entries) {
        switch (e.kind) {
        case JournalKind::Stamp:
            rows.push_back({{e.list, QString(), DayTimeToText(e.time)}, 0, e.time});
            break;
        case JournalKind::Filtered:
            takeStamp(e.list, e.time);
            break;
        case JournalKind::Row:
            if (e.fromModule)
                takeStamp(e.list, e.time);
            rows.push_back({{e.list, e.caption, e.subItem}, e.rowId, 0});
            break;
        case JournalKind::RowRemoved: {
            const auto it = std::find_if(rows.begin(), rows.end(), [&](const ReplayRow &r) {
                return r.id == e.rowId && r.row.list == e.list;
            });
            if (it != rows.end())
                rows.erase(it);
            break;
        }
        case JournalKind::RecordAdded:
        case JournalKind::RecordEdited:
        case JournalKind::RecordDeleted:
            out.unsavedChanges.push_back(e);
            break;
        case JournalKind::Saved:
            // Changes made while that write was under way are not in it.
            std::erase_if(out.unsavedChanges, [&e](const JournalEntry &c) { return c.seq <= e.upTo; });
            break;
        }
    }
    for (ReplayRow &r : rows)
        out.rows.push_back(std::move(r.row));
    return out;
}

int ApplyRecordChanges(const std::vector<JournalEntry> &changes, std::vector<TRadekPtr> &records)
{
    // Records of the file that an added record was found to be already.
    std::unordered_set<const TRadek *> matched;
    auto find = [&records](const JournalRecord &j, const std::unordered_set<const TRadek *> *skip) {
        return std::find_if(records.begin(), records.end(), [&](const TRadekPtr &r) {
            return Equal(*r, j) && !(skip && skip->count(r.get()));
        });
    };
    auto add = [&records](const JournalRecord &j) {
        auto r = std::make_shared<TRadek>();
        r->Number = j.number;
        r->Time = j.time;
        r->Penalty = j.penalty;
        records.push_back(r);
        return r.get();
    };
    int changed = 0;
    for (const JournalEntry &e : changes) {
        if (e.kind == JournalKind::RecordAdded) {
            const auto it = find(e.record, &matched);
            if (it != records.end()) {
                matched.insert(it->get());
            } else {
                matched.insert(add(e.record));
                ++changed;
            }
        } else if (e.kind == JournalKind::RecordEdited) {
            if (e.before == e.record)
                continue;
            const auto it = find(e.before, nullptr);
            if (it != records.end()) {
                (*it)->Number = e.record.number;
                (*it)->Time = e.record.time;
                (*it)->Penalty = e.record.penalty;
                ++changed;
            } else if (find(e.record, nullptr) == records.end()) {
                add(e.record);  // the record edited is gone: its new state is kept
                ++changed;
            }
        } else if (e.kind == JournalKind::RecordDeleted) {
            const auto it = find(e.record, nullptr);
            if (it != records.end()) {
                matched.erase(it->get());
                records.erase(it);
                ++changed;
            }
        }
    }
    return changed;
}
