#include "JournalReplay.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

namespace {

struct ReplayRow {
    RecoveredRow row;
    quint64 id = 0;  // 0: a stamp still waiting for the desk
};

struct RecordHash {
    std::size_t operator()(const JournalRecord &r) const
    {
        // splitmix64 of the three values: also the summand of the set hash.
        uint64_t x = uint64_t(r.time) * 0x9E3779B97F4A7C15ull ^ (uint64_t(uint32_t(r.number)) << 32)
                     ^ uint64_t(uint32_t(r.penalty));
        x ^= x >> 30;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 27;
        x *= 0x94D049BB133111EBull;
        x ^= x >> 31;
        return std::size_t(x);
    }
};

// Records by value, with how many of each: the data file names a record by
// its values alone, so two records of equal values are interchangeable.
class RecordBag {
public:
    void add(const JournalRecord &r)
    {
        ++m_counts[r];
        m_hash += RecordHash()(r);
        ++m_size;
    }
    bool remove(const JournalRecord &r)
    {
        const auto it = m_counts.find(r);
        if (it == m_counts.end())
            return false;
        if (--it->second == 0)
            m_counts.erase(it);
        m_hash -= RecordHash()(r);
        --m_size;
        return true;
    }
    bool contains(const JournalRecord &r) const { return m_counts.count(r) > 0; }
    // The journal's way of changing a record, as the store changed it.
    void apply(const JournalEntry &e)
    {
        switch (e.kind) {
        case JournalKind::RecordAdded: add(e.record); break;
        case JournalKind::RecordEdited:
            remove(e.before);
            add(e.record);
            break;
        case JournalKind::RecordDeleted: remove(e.record); break;
        default: break;
        }
    }
    // Equal contents; the sum of hashes and the size decide at once in all
    // but the equal case.
    bool operator==(const RecordBag &other) const
    {
        return m_size == other.m_size && m_hash == other.m_hash && m_counts == other.m_counts;
    }
    const std::unordered_map<JournalRecord, int, RecordHash> &counts() const { return m_counts; }

private:
    std::unordered_map<JournalRecord, int, RecordHash> m_counts;
    uint64_t m_hash = 0;
    std::size_t m_size = 0;
};

bool Before(const JournalRecord &a, const JournalRecord &b)
{
    return std::tie(a.number, a.time, a.penalty) < std::tie(b.number, b.time, b.penalty);
}

JournalEntry Entry(JournalKind kind, const JournalRecord &record, const JournalRecord &before = {})
{
    JournalEntry e;
    e.kind = kind;
    e.record = record;
    e.before = before;
    return e;
}

// The changes from `from` to `to`: records of one start number that only
// one side has are paired as edits (a penalty or time corrected), the rest
// are deleted and added.
std::vector<JournalEntry> Difference(const RecordBag &from, const RecordBag &to)
{
    std::vector<JournalRecord> gone, come;
    auto excess = [](const RecordBag &a, const RecordBag &b, std::vector<JournalRecord> &out) {
        for (const auto &[record, count] : a.counts()) {
            const auto it = b.counts().find(record);
            for (int i = count - (it == b.counts().end() ? 0 : it->second); i > 0; --i)
                out.push_back(record);
        }
    };
    excess(from, to, gone);
    excess(to, from, come);
    std::sort(gone.begin(), gone.end(), Before);
    std::sort(come.begin(), come.end(), Before);
    std::unordered_map<int32_t, std::vector<std::size_t>> comeOf;  // by start number, in order
    for (std::size_t i = 0; i < come.size(); ++i)
        comeOf[come[i].number].push_back(i);
    std::vector<bool> paired(come.size(), false);
    std::vector<JournalEntry> out;
    for (const JournalRecord &g : gone) {
        std::vector<std::size_t> &candidates = comeOf[g.number];
        auto pick = std::find_if(candidates.begin(), candidates.end(),
                                 [&](std::size_t i) { return come[i].time == g.time; });
        if (pick == candidates.end())
            pick = candidates.begin();
        if (pick == candidates.end()) {
            out.push_back(Entry(JournalKind::RecordDeleted, g));
            continue;
        }
        paired[*pick] = true;
        out.push_back(Entry(JournalKind::RecordEdited, come[*pick], g));
        candidates.erase(pick);
    }
    for (std::size_t i = 0; i < come.size(); ++i) {
        if (!paired[i])
            out.push_back(Entry(JournalKind::RecordAdded, come[i]));
    }
    return out;
}

// The journal knows where the race began: find the state the file was
// written in and return the way from it to the end; nothing when the file
// matches no state of the journal.
std::optional<std::vector<JournalEntry>> ExactChanges(const JournalReplay &replay, const RecordBag &file)
{
    RecordBag state;
    for (const JournalRecord &r : replay.held)
        state.add(r);
    bool found = state == file;
    for (const JournalEntry &e : replay.changes) {
        state.apply(e);
        found = found || state == file;
    }
    // A data file that is gone altogether loses nothing the journal knows.
    if (!found && file != RecordBag())
        return std::nullopt;
    return Difference(file, state);
}

// Each record the journal changed, from its first state to its last; an
// absent state (before it was added, after it was deleted) is nullopt.
std::vector<std::vector<std::optional<JournalRecord>>> RecordHistories(const std::vector<JournalEntry> &changes)
{
    std::vector<std::vector<std::optional<JournalRecord>>> histories;
    // The histories whose last state is a value: any of them may be the one
    // a later change of that value meant.
    std::map<std::tuple<int32_t, DayTime, int32_t>, std::vector<std::size_t>> current;
    auto key = [](const JournalRecord &r) { return std::make_tuple(r.number, r.time, r.penalty); };
    auto take = [&](const JournalRecord &r) -> std::optional<std::size_t> {
        const auto it = current.find(key(r));
        if (it == current.end() || it->second.empty())
            return std::nullopt;
        const std::size_t i = it->second.back();
        it->second.pop_back();
        return i;
    };
    auto begin = [&](std::optional<JournalRecord> first) {
        histories.push_back({first});
        return histories.size() - 1;
    };
    for (const JournalEntry &e : changes) {
        std::size_t i = 0;
        switch (e.kind) {
        case JournalKind::RecordAdded:
            i = begin(std::nullopt);
            histories[i].push_back(e.record);
            current[key(e.record)].push_back(i);
            break;
        case JournalKind::RecordEdited:
            i = take(e.before).value_or(histories.size());
            if (i == histories.size())
                i = begin(e.before);  // a record the file held before the journal began
            histories[i].push_back(e.record);
            current[key(e.record)].push_back(i);
            break;
        case JournalKind::RecordDeleted:
            i = take(e.record).value_or(histories.size());
            if (i == histories.size())
                i = begin(e.record);
            histories[i].push_back(std::nullopt);
            break;
        default: break;
        }
    }
    return histories;
}

std::vector<JournalEntry> NetChanges(const std::vector<JournalEntry> &changes, RecordBag file)
{
    const auto histories = RecordHistories(changes);
    std::vector<bool> settled(histories.size(), false);
    // The last states the file holds first, so that an earlier state of one
    // record is never taken for the last state of another.
    for (std::size_t i = 0; i < histories.size(); ++i) {
        const std::optional<JournalRecord> &last = histories[i].back();
        if (last && file.remove(*last))
            settled[i] = true;
    }
    std::vector<JournalEntry> out;
    for (std::size_t i = 0; i < histories.size(); ++i) {
        if (settled[i])
            continue;
        const auto &states = histories[i];
        const std::optional<JournalRecord> &last = states.back();
        // The latest earlier state the file holds is replaced by the last.
        bool replaced = false;
        for (auto s = states.rbegin() + 1; s != states.rend() && !replaced; ++s) {
            if (*s && file.remove(**s)) {
                out.push_back(last ? Entry(JournalKind::RecordEdited, *last, **s)
                                   : Entry(JournalKind::RecordDeleted, **s));
                replaced = true;
            }
        }
        if (!replaced && last)
            out.push_back(Entry(JournalKind::RecordAdded, *last));
    }
    return out;
}

}  // namespace

JournalReplay Replay(const std::vector<JournalEntry> &entries)
{
    std::vector<ReplayRow> rows;
    JournalReplay out;
    quint64 heldExpected = 0;
    bool begun = false;
    // The desk answers a stamp either with a row or with the filter's verdict;
    // the oldest waiting stamp of that photocell and time is the one meant.
    auto takeStamp = [&rows](JournalList list, DayTime time) {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const ReplayRow &r) {
            return r.id == 0 && r.row.list == list && r.row.stamp == time;
        });
        if (it != rows.end())
            rows.erase(it);
    };
    for (const JournalEntry &e : entries) {
        switch (e.kind) {
        case JournalKind::Stamp: rows.push_back({{e.list, QString(), DayTimeToText(e.time), e.time}, 0}); break;
        case JournalKind::Filtered: takeStamp(e.list, e.time); break;
        case JournalKind::Row: {
            if (e.fromModule)
                takeStamp(e.list, e.time);
            // Rows are appended, so a list is in the order of its ids; a row
            // put back by an undo goes back to its place among them.
            const auto at = std::find_if(rows.begin(), rows.end(),
                                         [&](const ReplayRow &r) { return r.row.list == e.list && r.id > e.rowId; });
            rows.insert(at, {{e.list, e.caption, e.subItem}, e.rowId});
            break;
        }
        case JournalKind::RowRemoved: {
            const auto it = std::find_if(rows.begin(), rows.end(),
                                         [&](const ReplayRow &r) { return r.id == e.rowId && r.row.list == e.list; });
            if (it != rows.end())
                rows.erase(it);
            break;
        }
        case JournalKind::RecordAdded:
        case JournalKind::RecordEdited:
        case JournalKind::RecordDeleted: out.changes.push_back(e); break;
        case JournalKind::Begin:
            // Only the first line of a journal begins it; one further on
            // would leave what came before unaccounted for.
            begun = out.changes.empty() && out.held.empty() && !begun;
            heldExpected = e.upTo;
            break;
        case JournalKind::Held:
            if (begun && out.changes.empty())
                out.held.push_back(e.record);
            else
                begun = false;
            break;
        case JournalKind::Saved: break;
        case JournalKind::RuleChanged:
        case JournalKind::StatusChanged: out.sheet.push_back(e); break;
        }
    }
    out.knowsHeld = begun && out.held.size() == heldExpected;
    for (ReplayRow &r : rows)
        out.rows.push_back(std::move(r.row));
    return out;
}

std::vector<JournalEntry> Reconcile(const JournalReplay &replay, const std::vector<JournalRecord> &file)
{
    RecordBag bag;
    for (const JournalRecord &r : file)
        bag.add(r);
    if (replay.knowsHeld) {
        if (std::optional<std::vector<JournalEntry>> exact = ExactChanges(replay, bag))
            return std::move(*exact);
    }
    return NetChanges(replay.changes, std::move(bag));
}

std::vector<JournalRecord> JournalRecords(const std::vector<TimeRecordPtr> &records)
{
    std::vector<JournalRecord> out;
    out.reserve(records.size());
    for (const TimeRecordPtr &r : records)
        out.push_back({r->Number, r->Time, r->Penalty});
    return out;
}

int ApplyRecordChanges(const std::vector<JournalEntry> &changes, std::vector<TimeRecordPtr> &records)
{
    const RecordChange change = RecordChangeOf(changes, records);
    for (const RecordEdit &edit : change.edits) {
        switch (edit.kind) {
        case RecordEdit::Kind::Added: records.push_back(edit.record); break;
        case RecordEdit::Kind::Edited: {
            auto edited = std::make_shared<TimeRecord>(*edit.record);
            edited->Number = edit.after.number;
            edited->Time = edit.after.time;
            edited->Penalty = edit.after.penalty;
            *std::find(records.begin(), records.end(), edit.record) = edited;
            break;
        }
        case RecordEdit::Kind::Deleted: records.erase(std::find(records.begin(), records.end(), edit.record)); break;
        }
    }
    return int(change.edits.size());
}

RecordChange RecordChangeOf(const std::vector<JournalEntry> &changes, const std::vector<TimeRecordPtr> &records)
{
    // The records as the earlier changes leave them: each change names its
    // record by value, and the first record holding that value is the one.
    std::vector<std::pair<TimeRecordPtr, JournalRecord>> now;
    now.reserve(records.size());
    for (const TimeRecordPtr &r : records)
        now.emplace_back(r, JournalRecord{r->Number, r->Time, r->Penalty});
    auto find = [&now](const JournalRecord &j) {
        return std::find_if(now.begin(), now.end(), [&](const auto &r) { return r.second == j; });
    };
    RecordChange change;
    for (const JournalEntry &e : changes) {
        if (e.kind == JournalKind::RecordAdded) {
            RecordEdit edit = RecordEdit::Added(e.record);
            now.emplace_back(edit.record, e.record);
            change.edits.push_back(edit);
        } else if (e.kind == JournalKind::RecordEdited || e.kind == JournalKind::RecordDeleted) {
            const auto it = find(e.kind == JournalKind::RecordEdited ? e.before : e.record);
            if (it == now.end())
                continue;
            RecordEdit edit;
            edit.record = it->first;
            edit.before = it->second;
            if (e.kind == JournalKind::RecordDeleted) {
                edit.kind = RecordEdit::Kind::Deleted;
                now.erase(it);
            } else {
                edit.kind = RecordEdit::Kind::Edited;
                edit.after = e.record;
                it->second = e.record;
            }
            change.edits.push_back(edit);
        }
    }
    return change;
}
