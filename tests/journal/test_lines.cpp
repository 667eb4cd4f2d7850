// Journal lines: every kind reads back as written; a damaged line is refused.
#include "JournalEntries.h"
#include "JournalFile.h"

#include <gtest/gtest.h>

namespace {

std::vector<JournalEntry> EveryKind()
{
    std::vector<JournalEntry> entries = {
        Of(JournalKind::Stamp, JournalList::Finish, 86'399'999),
        Of(JournalKind::Filtered, JournalList::Start, 0),
        Row(JournalList::Start, 1, QStringLiteral("IMPULS FB1"), QStringLiteral("10:00:00,001"), 36'000'001),
        Row(JournalList::Finish, 18'000'000'000'000'000'000ull, QStringLiteral("Před.IMPULS"), QStringLiteral("42")),
        // Whatever a caption holds, it stays one line with its fields.
        Row(JournalList::Finish, 7, QStringLiteral("a\tb\\t\nc\r\\"), QString()),
        Of(JournalKind::RowRemoved, JournalList::Finish, 0, 99),
        Change(JournalKind::RecordAdded, {10000, 0, 0}),
        Change(JournalKind::RecordDeleted, {0, 123, -86400}),
        Change(JournalKind::RecordEdited, {12, 360'000'000, 86400}, {21, 359'999'999, 0}),
        Of(JournalKind::Saved),
    };
    // The race sheet's lines carry their items as texts, tabs and all.
    JournalEntry rule = Of(JournalKind::RuleChanged);
    rule.category = QStringLiteral("Ženy\tB");
    rule.itemAfter = QStringLiteral("laps 5");
    JournalEntry status = Of(JournalKind::StatusChanged);
    status.number = 9999;
    status.itemBefore = QStringLiteral("DNF");
    status.itemAfter = QStringLiteral("DSQ zkrácení\ntrati");
    entries.insert(entries.end() - 1, {rule, status});
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].seq = i * 1000;
    entries.back().upTo = 18'000'000'000'000'000'000ull;
    return entries;
}

TEST(JournalLine, EveryKindReadsBackAsWritten)
{
    for (const JournalEntry &e : EveryKind()) {
        const QByteArray line = EncodeJournalLine(e);
        EXPECT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1) << line.constData();
        const std::optional<JournalEntry> back = DecodeJournalLine(line);
        ASSERT_TRUE(back) << line.constData();
        EXPECT_EQ(*back, e) << line.constData();
    }
}

TEST(JournalLine, DamagedLinesAreRefused)
{
    const QByteArray good = EncodeJournalLine(
        Row(JournalList::Start, 3, QStringLiteral("IMPULS FB1"), QStringLiteral("10:00:00,001"), 36'000'001));
    // Every byte changed, and every cut short of the end.
    for (qsizetype i = 0; i + 1 < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(flipped[i] ^ 0x04);
        EXPECT_FALSE(DecodeJournalLine(flipped)) << "byte " << i;
        EXPECT_FALSE(DecodeJournalLine(good.left(i))) << "cut at " << i;
    }
    EXPECT_FALSE(DecodeJournalLine(QByteArray("Q\t") + good.right(9)));
}

TEST(JournalLine, TornLastLineIsSkippedAndTheRestRead)
{
    const std::vector<JournalEntry> all = EveryKind();
    QByteArray bytes;
    for (const JournalEntry &e : all)
        bytes += EncodeJournalLine(e);
    // A line damaged in the middle, and the last one torn by a crash.
    const QByteArray damaged = EncodeJournalLine(Of(JournalKind::Stamp, JournalList::Start, 5)).replace('5', '6');
    const QByteArray torn = EncodeJournalLine(Of(JournalKind::Stamp, JournalList::Start, 12345)).left(9);
    int skipped = 0;
    const std::vector<JournalEntry> read = ReadJournal(damaged + bytes + torn, &skipped);
    EXPECT_EQ(read, all);
    EXPECT_EQ(skipped, 2);
}

// A line whose checksum holds but whose record no data file could keep is
// skipped and counted like a damaged one, whichever record of an edit it is.
TEST(JournalLine, RecordsOutOfRangeAreSkippedAndCounted)
{
    const JournalRecord good{12, 36'000'000, 0};
    const struct {
        const char *what;
        JournalRecord record;
    } outOfRange[] = {
        {"number -1", {-1, 36'000'000, 0}},
        {"number 10001", {10001, 36'000'000, 0}},
        {"penalty a second over a day", {12, 36'000'000, 86401}},
        {"penalty a second under minus a day", {12, 36'000'000, -86401}},
    };
    for (const auto &c : outOfRange) {
        SCOPED_TRACE(c.what);
        const std::vector<JournalEntry> bad = {
            Change(JournalKind::RecordAdded, c.record), Change(JournalKind::RecordDeleted, c.record),
            Change(JournalKind::RecordEdited, c.record, good), Change(JournalKind::RecordEdited, good, c.record)};
        QByteArray bytes = EncodeJournalLine(Change(JournalKind::RecordAdded, good));
        for (const JournalEntry &e : bad)
            bytes += EncodeJournalLine(e);
        bytes += EncodeJournalLine(Saved(1));
        int skipped = 0;
        const std::vector<JournalEntry> read = ReadJournal(bytes, &skipped);
        EXPECT_EQ(skipped, 4);
        ASSERT_EQ(read.size(), 2u);
        EXPECT_EQ(read[0].record, good);
        EXPECT_EQ(read[1].kind, JournalKind::Saved);
    }
}

}  // namespace
