// What a journal brings back: the rows still listed, and the record changes
// the data file lacks, without making a saved change twice.
#include "JournalEntries.h"
#include "Records.h"
#include "JournalReplay.h"

#include <QStringList>
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
        Row(F, 1, "IMPULS FB2", "00:00:01,000", 1000),  // answers the stamp
        Stamp(S, 2000),
        Stamp(S, 2100, JournalKind::Filtered),  // a filtered stamp never listed
        Stamp(S, 2100),
        Row(S, 2, "IMPULS FB1", "00:00:02,000", 2000),
        Row(F, 3, "Před.IMPULS", "17"),
        Row(F, 4, "IMPULS FB2", "00:00:05,000"),  // simulated
        Removed(F, 4),
        Removed(S, 1),   // another list's id: not this row
        Stamp(F, 9000),  // read, never reached the desk
        Stamp(S, 2100, JournalKind::Filtered),
    });
    EXPECT_EQ(Shown(r.rows), QStringList({"F IMPULS FB2 00:00:01,000", "S IMPULS FB1 00:00:02,000", "F Před.IMPULS 17",
                                          "F  00:00:09,000"}));
    EXPECT_EQ(r.rows.back().stamp, 9000);  // the stamp itself, not only its text
    EXPECT_TRUE(r.changes.empty());
}

QStringList Listed(const std::vector<TimeRecordPtr> &records)
{
    QStringList out;
    for (const TimeRecordPtr &r : records)
        out << QStringLiteral("%1@%2+%3").arg(r->Number).arg(r->Time).arg(r->Penalty);
    out.sort();
    return out;
}

// A journal of an older version (no Begin): each record's net change is
// reconciled with whatever state of it the file holds.
TEST(JournalReplay, RecordChangesAreMadeOnceOnTheDataFile)
{
    const auto A = JournalKind::RecordAdded, E = JournalKind::RecordEdited, D = JournalKind::RecordDeleted;
    struct Case {
        const char *what;
        std::vector<TimeRecordPtr> file;
        std::vector<JournalEntry> changes;
        QStringList expected;
        int changed;
    };
    const std::vector<Case> cases = {
        {"added, not in the file", {Record(1, 100)}, {Change(A, {2, 200, 0})}, {"1@100+0", "2@200+0"}, 1},
        {"added and saved before the journal said so",
         {Record(1, 100), Record(2, 200)},
         {Change(A, {2, 200, 0})},
         {"1@100+0", "2@200+0"},
         0},
        {"the same record twice, one saved",
         {Record(2, 200)},
         {Change(A, {2, 200, 0}), Change(A, {2, 200, 0})},
         {"2@200+0", "2@200+0"},
         1},
        {"edited", {Record(1, 100)}, {Change(E, {1, 100, 30}, {1, 100, 0})}, {"1@100+30"}, 1},
        {"edited and saved",
         {Record(1, 100, {.penalty = 30})},
         {Change(E, {1, 100, 30}, {1, 100, 0})},
         {"1@100+30"},
         0},
        {"edited, the original gone from the file", {}, {Change(E, {3, 100, 0}, {1, 100, 0})}, {"3@100+0"}, 1},
        {"deleted", {Record(1, 100), Record(2, 200)}, {Change(D, {1, 100, 0})}, {"2@200+0"}, 1},
        {"deleted and saved", {Record(2, 200)}, {Change(D, {1, 100, 0})}, {"2@200+0"}, 0},
        {"added, edited, deleted, none of it saved",
         {},
         {Change(A, {4, 400, 0}), Change(E, {4, 401, 0}, {4, 400, 0}), Change(D, {4, 401, 0})},
         {},
         0},
        // Racer 8 got a second passage here: the file held the edit, the
        // journal no word of its save.
        {"added then edited, the edit saved",
         {Record(8, 36'009'000, {.penalty = 10})},
         {Change(A, {8, 36'009'000, 0}), Change(E, {8, 36'009'000, 10}, {8, 36'009'000, 0})},
         {"8@36009000+10"},
         0},
        {"edited twice, the first edit saved",
         {Record(5, 500, {.penalty = 10})},
         {Change(A, {5, 500, 0}), Change(E, {5, 500, 10}, {5, 500, 0}), Change(E, {5, 500, 20}, {5, 500, 10})},
         {"5@500+20"},
         1},
        {"added then deleted, the add saved",
         {Record(6, 600)},
         {Change(A, {6, 600, 0}), Change(D, {6, 600, 0})},
         {},
         1},
        {"two records of equal values, one edited and saved",
         {Record(7, 700), Record(7, 700, {.penalty = 5})},
         {Change(A, {7, 700, 0}), Change(A, {7, 700, 0}), Change(E, {7, 700, 5}, {7, 700, 0})},
         {"7@700+0", "7@700+5"},
         0},
    };
    for (const Case &c : cases) {
        std::vector<TimeRecordPtr> records = c.file;
        const std::vector<JournalEntry> changes = Reconcile(Replay(c.changes), JournalRecords(records));
        EXPECT_EQ(int(changes.size()), c.changed) << c.what;
        EXPECT_EQ(ApplyRecordChanges(changes, records), c.changed) << c.what;
        EXPECT_EQ(Listed(records), c.expected) << c.what;
    }
}

// A journal that begins with what its file held knows every state of the
// race: whichever of them the file was left in, the end comes back exactly.
TEST(JournalReplay, AJournalThatKnowsItsStartBringsBackItsEndFromAnyStateOfTheFile)
{
    const auto A = JournalKind::RecordAdded, E = JournalKind::RecordEdited, D = JournalKind::RecordDeleted;
    JournalEntry begin = Of(JournalKind::Begin);
    begin.upTo = 2;
    JournalEntry held1 = Change(JournalKind::Held, {1, 100, 0}), held2 = Change(JournalKind::Held, {2, 200, 0});
    // Values repeat on purpose: a state of one record equals a state of another.
    const std::vector<JournalEntry> journal = {
        begin,
        held1,
        held2,
        Change(A, {2, 200, 0}),  // a second record equal to the held one
        Change(E, {2, 200, 10}, {2, 200, 0}),
        Change(D, {1, 100, 0}),
        Change(A, {1, 100, 0}),
        Change(E, {2, 250, 10}, {2, 200, 10}),
    };
    const QStringList end = {"1@100+0", "2@200+0", "2@250+10"};
    std::vector<TimeRecordPtr> state = {Record(1, 100), Record(2, 200)};
    for (std::size_t k = 3; k <= journal.size(); ++k) {
        if (k > 3)
            ApplyRecordChanges({journal[k - 1]}, state);
        const JournalReplay replay = Replay(journal);
        ASSERT_TRUE(replay.knowsHeld);
        std::vector<TimeRecordPtr> file;
        for (const TimeRecordPtr &r : state)
            file.push_back(Record(r->Number, r->Time, {.penalty = r->Penalty}));
        ApplyRecordChanges(Reconcile(replay, JournalRecords(file)), file);
        EXPECT_EQ(Listed(file), end) << "file left after " << k << " lines";
    }
    // Its start cut short, the journal no longer claims to know it.
    EXPECT_FALSE(Replay({begin, held1, Change(A, {3, 300, 0})}).knowsHeld);
}

}  // namespace
