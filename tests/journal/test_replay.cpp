// What a journal brings back: the rows still listed, and the record changes
// the data file lacks, without making a saved change twice.
#include "JournalEntries.h"
#include "JournalReplay.h"

#include <gtest/gtest.h>

namespace {

JournalEntry Stamp(JournalList list, DayTime t, JournalKind kind = JournalKind::Stamp)
{
    return Of(kind, list, t);
}

QStringList Shown(const std::vector<RecoveredRow> &rows)
{
    QStringList out;
    for (const RecoveredRow &r : rows)
        out << QStringLiteral("%1 %2 %3").arg(QChar(char(r.list)), r.caption, r.subItem);
    return out;
}

const auto S = JournalList::Start;
const auto F = JournalList::Finish;

TEST(JournalReplay, RowsStillListedComeBackInTheirOrder)
{
    const JournalReplay r = Replay({
        Stamp(F, 1000),
        Row(F, 1, "IMPULS FB2", "00:00:01,000", 1000),   // answers the stamp
        Stamp(S, 2000),
        Stamp(S, 2100, JournalKind::Filtered),             // a filtered stamp never listed
        Stamp(S, 2100),
        Row(S, 2, "IMPULS FB1", "00:00:02,000", 2000),
        Row(F, 3, "Před.IMPULS", "17"),
        Row(F, 4, "IMPULS FB2", "00:00:05,000"),           // simulated
        Removed(F, 4),
        Removed(S, 1),                                     // another list's id: not this row
        Stamp(F, 9000),                                    // read, never reached the desk
        Stamp(S, 2100, JournalKind::Filtered),
    });
    EXPECT_EQ(Shown(r.rows), QStringList({"F IMPULS FB2 00:00:01,000", "S IMPULS FB1 00:00:02,000",
                                          "F Před.IMPULS 17", "F  00:00:09,000"}));
    EXPECT_TRUE(r.unsavedChanges.empty());
}

TEST(JournalReplay, OnlyChangesAfterTheLastSaveAreUnsaved)
{
    JournalEntry a = Change(JournalKind::RecordAdded, {5, 1000, 0});
    JournalEntry b = Change(JournalKind::RecordAdded, {6, 2000, 0});
    JournalEntry c = Change(JournalKind::RecordDeleted, {5, 1000, 0});
    a.seq = 1, b.seq = 2, c.seq = 4;
    EXPECT_EQ(Replay({a, Saved(1), b, c}).unsavedChanges, std::vector<JournalEntry>({b, c}));
    EXPECT_TRUE(Replay({a, b, Saved(2)}).unsavedChanges.empty());
    // A write handed over after b finished after c was made: c is not in it.
    EXPECT_EQ(Replay({a, b, c, Saved(2)}).unsavedChanges, std::vector<JournalEntry>({c}));
}

TRadekPtr Rec(int number, DayTime time, int penalty = 0)
{
    auto r = std::make_shared<TRadek>();
    r->Number = number;
    r->Time = time;
    r->Penalty = penalty;
    return r;
}

QStringList Listed(const std::vector<TRadekPtr> &records)
{
    QStringList out;
    for (const TRadekPtr &r : records)
        out << QStringLiteral("%1@%2+%3").arg(r->Number).arg(r->Time).arg(r->Penalty);
    out.sort();
    return out;
}

TEST(JournalReplay, RecordChangesAreMadeOnceOnTheDataFile)
{
    struct Case {
        const char *what;
        std::vector<TRadekPtr> file;
        std::vector<JournalEntry> changes;
        QStringList expected;
        int changed;
    };
    const std::vector<Case> cases = {
        {"added, not in the file", {Rec(1, 100)}, {Change(JournalKind::RecordAdded, {2, 200, 0})},
         {"1@100+0", "2@200+0"}, 1},
        {"added and saved before the journal said so", {Rec(1, 100), Rec(2, 200)},
         {Change(JournalKind::RecordAdded, {2, 200, 0})}, {"1@100+0", "2@200+0"}, 0},
        {"the same record twice, one saved", {Rec(2, 200)},
         {Change(JournalKind::RecordAdded, {2, 200, 0}), Change(JournalKind::RecordAdded, {2, 200, 0})},
         {"2@200+0", "2@200+0"}, 1},
        {"edited", {Rec(1, 100)}, {Change(JournalKind::RecordEdited, {1, 100, 30}, {1, 100, 0})},
         {"1@100+30"}, 1},
        {"edited and saved", {Rec(1, 100, 30)}, {Change(JournalKind::RecordEdited, {1, 100, 30}, {1, 100, 0})},
         {"1@100+30"}, 0},
        {"edited, the original gone from the file", {},
         {Change(JournalKind::RecordEdited, {3, 100, 0}, {1, 100, 0})}, {"3@100+0"}, 1},
        {"deleted", {Rec(1, 100), Rec(2, 200)}, {Change(JournalKind::RecordDeleted, {1, 100, 0})},
         {"2@200+0"}, 1},
        {"deleted and saved", {Rec(2, 200)}, {Change(JournalKind::RecordDeleted, {1, 100, 0})},
         {"2@200+0"}, 0},
        {"added, edited, deleted unsaved", {},
         {Change(JournalKind::RecordAdded, {4, 400, 0}), Change(JournalKind::RecordEdited, {4, 401, 0}, {4, 400, 0}),
          Change(JournalKind::RecordDeleted, {4, 401, 0})},
         {}, 3},
    };
    for (const Case &c : cases) {
        std::vector<TRadekPtr> records = c.file;
        EXPECT_EQ(ApplyRecordChanges(c.changes, records), c.changed) << c.what;
        EXPECT_EQ(Listed(records), c.expected) << c.what;
    }
}

}  // namespace
