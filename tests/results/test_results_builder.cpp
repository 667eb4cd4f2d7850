// The refresh as a computation: measuring, ranking, one row per racer, the
// selection, and that it only reads the store.
#include "StoreSetup.h"
#include "Records.h"
#include "PassageClock.h"
#include "RacerDirectory.h"
#include "ResultsBuilder.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>
#include <map>
#include <string>
#include <tuple>

namespace {

class FakeRacers : public RacerDirectory {
public:
    std::map<int, QString> labels{{7, "Novák Jan (M)"}, {8, "Dvořák \"Eda\" (M)"}, {9, "Malá Eva (Z)"}};
    std::map<int, int> asked;

    QString RacerLabel(int number) override
    {
        ++asked[number];
        auto it = labels.find(number);
        return it == labels.end() ? QStringLiteral("<neznámý>") : it->second;
    }
    QString RacerName(int) override { return {}; }
    QString RacerCategory(int) override { return {}; }
    std::vector<RacerRow> Rows() override { return {}; }
};

struct Rec {
    int number;
    int lap;
    const char *time;
    int penalty = 0;
};

constexpr int Start = RaceStartNumber;

// One store for the whole binary: each store makes a temporary file.
RecordStore &Store()
{
    static RecordStore data;
    return data;
}

void Fill(RecordStore &data, const std::vector<Rec> &records, int maxLap)
{
    ClearRecords(data);
    for (const Rec &r : records)
        AppendRecord(data, Record(r.number, r.time, {.lap = r.lap, .penalty = r.penalty}));
    data.MaxLap = maxLap;
}

// A row's record as the refresh measured it, for the comparisons: its
// NetTime is the time the row shows.
TimeRecord AsMeasured(const RecordRow &row)
{
    TimeRecord record = *row.record;
    record.NetTime = row.measured;
    return record;
}

std::vector<std::string> RecordTexts(const RefreshResult &r)
{
    std::vector<std::string> out;
    for (const RecordRow &row : r.records)
        out.push_back(
            (QStringList{row.caption, row.timeText(), row.lapText(), row.penaltyText()}.join(" | ")).toStdString());
    return out;
}

std::vector<std::string> ResultTexts(const RefreshResult &r)
{
    std::vector<std::string> out;
    for (const ResultRow &row : r.table->rows)
        out.push_back(QStringList{row.caption, row.penalizedText(), row.lapText(), row.penaltyText(), row.startText(),
                                  row.noteText()}
                          .join(" | ")
                          .toStdString());
    return out;
}

// ---------------------------------------------------------------------------
// Small races, whole lists compared

struct RaceCase {
    const char *name;
    std::vector<Rec> store;  // in store order
    int maxLap;
    RefreshOptions options;
    std::vector<std::string> recordList;  // caption | Čas čistý | Kolo | Trest
    std::vector<std::string> results;     // caption | Čas vč. trestu | Kolo | Trest | Start | Poznámka
    const char *lastStart;
};

const std::vector<RaceCase> &RaceCases()
{
    static const std::vector<RaceCase> cases = {
        {"NoStart",
         {{7, 1, "10:05:00,000"}, {8, 1, "10:06:00,000"}},
         1,
         {},
         {"7 (Novák Jan (M)) | 10:05:00,000 | 1 | 0", "8 (Dvořák \"Eda\" (M)) | 10:06:00,000 | 1 | 0"},
         {},
         "00:00:00,000"},
        {"PassagesAroundTheStart",
         {{7, 1, "09:59:00,000"}, {Start, 1, "10:00:00,000"}, {7, 2, "10:05:00,250"}},
         2,
         {},
         {"7 (Novák Jan (M)) | 09:59:00,000 | 1 | 0", "START ZÁVODU | 10:00:00,000 | --- | ",
          "7 (Novák Jan (M)) | >00:05:00,250 | 2 | 0"},
         {"7 (Novák Jan (M)) | 00:05:00,250 | 2 | 0 | 10:00:00,000 | "},
         "10:00:00,000"},
        {"TwoStartsMeasureFromTheLater",
         {{Start, 1, "10:00:00,000"}, {8, 1, "10:20:00,000"}, {Start, 2, "10:30:00,000"}, {9, 1, "10:41:00,000"}},
         2,
         {},
         {"START ZÁVODU | 10:00:00,000 | --- | ", "8 (Dvořák \"Eda\" (M)) | >00:20:00,000 | 1 | 0",
          "START ZÁVODU | 10:30:00,000 | --- | ", "9 (Malá Eva (Z)) | >00:11:00,000 | 1 | 0"},
         {"9 (Malá Eva (Z)) | 00:11:00,000 | 1 | 0 | 10:30:00,000 | ",
          "8 (Dvořák \"Eda\" (M)) | 00:20:00,000 | 1 | 0 | 10:00:00,000 | "},
         "10:30:00,000"},
        {"StartAtMidnightIsNoStart",
         {{Start, 1, "00:00:00,000"}, {7, 1, "00:05:00,000"}},
         1,
         {},
         {"START ZÁVODU | 00:00:00,000 | --- | ", "7 (Novák Jan (M)) | 00:05:00,000 | 1 | 0"},
         {},
         "00:00:00,000"},
        {"LapsMode0OneRowPerRacer",
         {{Start, 1, "10:00:00,000"}, {7, 1, "10:05:00,000"}, {7, 2, "10:10:00,000"}, {7, 3, "10:15:00,000"}},
         3,
         {0, false},
         {"START ZÁVODU | 10:00:00,000 | --- | ", "7 (Novák Jan (M)) | >00:05:00,000 | 1 | 0",
          "7 (Novák Jan (M)) | >00:10:00,000 | 2 | 0", "7 (Novák Jan (M)) | >00:15:00,000 | 3 | 0"},
         {"7 (Novák Jan (M)) | 00:15:00,000 | 3 | 0 | 10:00:00,000 | 00:10:00,000   00:05:00,000   "},
         "10:00:00,000"},
        {"LapsMode1EveryPassage",
         {{Start, 1, "10:00:00,000"},
          {7, 1, "10:05:00,000"},
          {8, 1, "10:07:00,000"},
          {7, 2, "10:10:00,000"},
          {7, 3, "10:15:00,000"}},
         3,
         {1, false},
         {"START ZÁVODU | 10:00:00,000 | --- | ", "7 (Novák Jan (M)) | >00:05:00,000 | 1 | 0",
          "8 (Dvořák \"Eda\" (M)) | >00:07:00,000 | 1 | 0", "7 (Novák Jan (M)) | >00:10:00,000 | 2 | 0",
          "7 (Novák Jan (M)) | >00:15:00,000 | 3 | 0"},
         {"7 (Novák Jan (M)) | 00:05:00,000 | 1 | 0 | 10:00:00,000 | ",
          "8 (Dvořák \"Eda\" (M)) | 00:07:00,000 | 1 | 0 | 10:00:00,000 | ",
          "7 (Novák Jan (M)) | 00:10:00,000 | 2 | 0 | 10:00:00,000 | ",
          "7 (Novák Jan (M)) | 00:15:00,000 | 3 | 0 | 10:00:00,000 | "},
         "10:00:00,000"},
        {"LapsMode0MostLapsFirstThenTime",
         {{Start, 1, "10:00:00,000"},
          {9, 1, "10:04:00,000"},
          {7, 1, "10:05:00,000"},
          {8, 1, "10:06:00,000"},
          {9, 2, "10:09:00,000"},
          {7, 2, "10:10:00,000"},
          {8, 2, "10:12:00,000"},
          {9, 3, "10:14:30,000"},
          {7, 3, "10:15:00,000"},
          {5, 1, "10:16:00,000"}},
         3,
         {0, false},
         {},
         {"9 (Malá Eva (Z)) | 00:14:30,000 | 3 | 0 | 10:00:00,000 | 00:09:00,000   00:04:00,000   ",
          "7 (Novák Jan (M)) | 00:15:00,000 | 3 | 0 | 10:00:00,000 | 00:10:00,000   00:05:00,000   ",
          "8 (Dvořák \"Eda\" (M)) | 00:12:00,000 | 2 | 0 | 10:00:00,000 | 00:06:00,000   ",
          "5 (<neznámý>) | 00:16:00,000 | 1 | 0 | 10:00:00,000 | "},
         "10:00:00,000"},
        {"PenaltyInLapsMode0ShowsTheBestPassage",
         {{Start, 1, "10:00:00,000"}, {7, 1, "10:05:00,000", 3}, {7, 2, "10:10:00,000", 10}},
         2,
         {0, false},
         {"START ZÁVODU | 10:00:00,000 | --- | ", "7 (Novák Jan (M)) | >00:05:00,000 | 1 | 3",
          "7 (Novák Jan (M)) | >00:10:00,000 | 2 | 10"},
         {"7 (Novák Jan (M)) | 00:10:10,000 | 2 | 10 | 10:00:00,000 | 00:05:03,000   "},
         "10:00:00,000"},
        {"PenaltyDecidesTheRanking",
         {{Start, 1, "10:00:00,000"}, {8, 1, "10:09:55,000", 10}, {9, 1, "10:10:00,000"}},
         1,
         {1, false},
         {},
         {"9 (Malá Eva (Z)) | 00:10:00,000 | 1 | 0 | 10:00:00,000 | ",
          "8 (Dvořák \"Eda\" (M)) | 00:10:05,000 | 1 | 10 | 10:00:00,000 | "},
         "10:00:00,000"},
        // Less than 0.432 s before the start compares equal to it, so store
        // order keeps the passage below the start: it cannot be measured.
        {"PassageJustBeforeItsStart",
         {{Start, 1, "10:00:00,000"}, {7, 1, "09:59:59,700"}, {8, 1, "10:01:00,000"}},
         1,
         {},
         {"START ZÁVODU | 10:00:00,000 | --- | ", "7 (Novák Jan (M)) | ??? | 1 | 0",
          "8 (Dvořák \"Eda\" (M)) | >00:01:00,000 | 1 | 0"},
         {"8 (Dvořák \"Eda\" (M)) | 00:01:00,000 | 1 | 0 | 10:00:00,000 | "},
         "10:00:00,000"},
        {"RealCasKeepsTimesOfDay",
         {{Start, 1, "10:00:00,000"}, {7, 1, "09:59:59,700"}, {8, 1, "10:01:00,000"}},
         1,
         {0, true},
         {"START ZÁVODU | 10:00:00,000 | --- | ", "7 (Novák Jan (M)) | 09:59:59,700 | 1 | 0",
          "8 (Dvořák \"Eda\" (M)) | 10:01:00,000 | 1 | 0"},
         {"8 (Dvořák \"Eda\" (M)) | 00:01:00,000 | 1 | 0 | 10:00:00,000 | "},
         "10:00:00,000"},
    };
    return cases;
}

class RaceTest : public ::testing::TestWithParam<RaceCase> {};

TEST_P(RaceTest, ListsAsExpected)
{
    const RaceCase &c = GetParam();
    RecordStore &data = Store();
    Fill(data, c.store, c.maxLap);
    FakeRacers racers;
    const RefreshResult r = ResultsBuilder().Build(data, &racers, c.options, -1);

    if (!c.recordList.empty())
        EXPECT_EQ(RecordTexts(r), c.recordList);
    else
        EXPECT_EQ(r.records.size(), c.store.size());
    EXPECT_EQ(ResultTexts(r), c.results);
    EXPECT_EQ(DayTimeToText(r.lastStartTime).toStdString(), c.lastStart);
    const QString leader = r.table->rows.empty() ? QString() : r.table->rows.front().caption;
    EXPECT_EQ(r.leader, leader);
    EXPECT_EQ(r.selectRow, -1);
    EXPECT_FALSE(racers.asked.count(RaceStartNumber)) << "a race start needs no racer lookup";
}

INSTANTIATE_TEST_SUITE_P(Races, RaceTest, ::testing::ValuesIn(RaceCases()),
                         [](const auto &p) { return std::string(p.param.name); });

// The results list does not depend on cbRealCas, in either laps mode.
TEST(ResultsBuilder, RealCasChangesOnlyTheRecordList)
{
    const std::vector<Rec> store = {{Start, 1, "10:00:00,000"}, {7, 1, "09:59:59,800"},     {7, 2, "10:04:00,000"},
                                    {8, 1, "10:03:00,000", 5},  {Start, 2, "10:30:00,000"}, {8, 2, "10:40:00,000"}};
    for (int mode : {0, 1}) {
        FakeRacers racers;
        Fill(Store(), store, 2);
        const RefreshResult plain = ResultsBuilder().Build(Store(), &racers, {mode, false}, -1);
        Fill(Store(), store, 2);
        const RefreshResult real = ResultsBuilder().Build(Store(), &racers, {mode, true}, -1);
        EXPECT_EQ(ResultTexts(plain), ResultTexts(real)) << "mode " << mode;
        EXPECT_EQ(plain.leader, real.leader);
        EXPECT_EQ(plain.lastStartTime, real.lastStartTime);
        EXPECT_NE(RecordTexts(plain), RecordTexts(real));
    }
}

// ---------------------------------------------------------------------------
// The time type: reading, differences and both comparisons, in one table

struct TimePairCase {
    const char *a, *b;       // time texts as the files and lists hold them
    const char *difference;  // DayTimeToText(a - b)
    int coarse;              // the lists' comparison, in units of 864 ms
    int exact;               // CompareRecordTimes
};

void PrintTo(const TimePairCase &c, std::ostream *os)
{
    *os << c.a << " - " << c.b;
}

class TimePairTest : public ::testing::TestWithParam<TimePairCase> {};

TEST_P(TimePairTest, DifferenceAndComparisons)
{
    const TimePairCase &c = GetParam();
    TimeRecord a, b;
    a.Time = TextToDayTime(QString::fromLatin1(c.a));
    b.Time = TextToDayTime(QString::fromLatin1(c.b));
    EXPECT_EQ(DayTimeToText(a.Time - b.Time).toStdString(), c.difference);
    EXPECT_EQ(RoundedDayDifference(a.Time, b.Time), c.coarse);
    EXPECT_EQ(RoundedDayDifference(b.Time, a.Time), -c.coarse);  // halves to even is symmetric
    EXPECT_EQ(recordListOrder(a, b), c.coarse);
    EXPECT_EQ(CompareRecordTimes(a, b), c.exact);
    // Penalties are whole seconds on the same scale.
    a.NetTime = a.Time;
    b.NetTime = b.Time;
    b.Penalty = 1;
    EXPECT_EQ(resultsOrder(a, b, 1), RoundedDayDifference(a.Time, b.Time + 1000));
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimePairTest,
    ::testing::Values(TimePairCase{"10:00:00,000", "10:00:00,000", "00:00:00,000", 0, 0},
                      TimePairCase{"10:00:00,001", "10:00:00,000", "00:00:00,001", 0, 1},
                      // Half a unit is the border: 0.432 s is equal, 0.433 s is not.
                      TimePairCase{"10:00:00,432", "10:00:00,000", "00:00:00,432", 0, 1},
                      TimePairCase{"10:00:00,433", "10:00:00,000", "00:00:00,433", 1, 1},
                      TimePairCase{"10:00:00,864", "10:00:00,000", "00:00:00,864", 1, 1},
                      // Halves go to the even neighbour: 1.5 units to 2, 2.5 units to 2, 3.5 to 4.
                      TimePairCase{"10:00:01,296", "10:00:00,000", "00:00:01,296", 2, 1},
                      TimePairCase{"10:00:02,160", "10:00:00,000", "00:00:02,160", 2, 1},
                      TimePairCase{"10:00:03,024", "10:00:00,000", "00:00:03,024", 4, 1},
                      // Negative differences: the text gains one second, the comparisons turn round.
                      TimePairCase{"10:00:00,000", "10:00:00,433", "00:00:00,567", -1, -1},
                      TimePairCase{"10:00:00,000", "10:00:01,296", "00:00:00,-296", -2, -1},
                      TimePairCase{"00:00:00,100", "23:59:59,900", "-23:-59:-58,-800", -100000, -1},
                      // Midnight at the end of the day and beyond it.
                      TimePairCase{"24:00:00,000", "00:00:00,000", "24:00:00,000", 100000, 1},
                      TimePairCase{"24:00:00,000", "23:59:59,568", "00:00:00,432", 0, 1},
                      TimePairCase{"30:00:00,000", "10:00:00,000", "20:00:00,000", 83333, 1},
                      TimePairCase{"99:59:59,999", "00:00:00,000", "99:59:59,999", 416667, 1}),
    [](const auto &tested) { return "case" + std::to_string(tested.index); });

TEST(Comparisons, ResultsCompareLapsFirstOnlyInMode0)
{
    TimeRecord a, b;
    a.Lap = 3;
    a.NetTime = TextToDayTime("00:20:00,000");
    b.Lap = 2;
    b.NetTime = TextToDayTime("00:10:00,000");
    EXPECT_EQ(resultsOrder(a, b, 0), -1);  // Lap(b) - Lap(a)
    EXPECT_GT(resultsOrder(a, b, 1), 0);
    b.Lap = 3;
    b.NetTime = TextToDayTime("00:20:00,000");
    b.Penalty = 1;  // the penalty counts in the value compared
    EXPECT_LT(resultsOrder(a, b, 0), 0);
    a.NetTime = TextToDayTime("00:20:00,600");  // 0.4 s short of b: equal
    EXPECT_EQ(resultsOrder(a, b, 0), 0);
}

// Values 0.3 s apart are equal and keep record-list order even against their
// own order; 0.5 s apart they are ranked by value.
TEST(ResultsBuilder, TiesKeepRecordListOrder)
{
    struct TieCase {
        const char *second;  // racer 9's passage; racer 8 passes at 10:05:00,000 with 1 s penalty
        const char *expectedLeader;
    } cases[] = {
        {"10:05:00,700", "8 (Dvořák \"Eda\" (M))"},  // values 00:05:01,000 and 00:05:00,700
        {"10:05:00,500", "9 (Malá Eva (Z))"},        // values 00:05:01,000 and 00:05:00,500
        {"10:05:00,568", "8 (Dvořák \"Eda\" (M))"},  // 0.432 s apart: equal
        {"10:05:00,567", "9 (Malá Eva (Z))"},        // 0.433 s apart
    };
    for (int mode : {0, 1}) {
        for (const TieCase &c : cases) {
            Fill(Store(), {{Start, 1, "10:00:00,000"}, {8, 1, "10:05:00,000", 1}, {9, 1, c.second}}, 1);
            FakeRacers racers;
            const RefreshResult r = ResultsBuilder().Build(Store(), &racers, {mode, false}, -1);
            ASSERT_EQ(r.table->rows.size(), 2u);
            EXPECT_EQ(r.leader, QString(c.expectedLeader)) << c.second << " mode " << mode;
        }
    }
}

// A chain of near-ties must not carry a value past one that is clearly
// better: racer 4 is 0.7 s faster than racer 1 and may not rank behind it.
TEST(ResultsBuilder, NearTiesNeverOverrideAClearDifference)
{
    Fill(Store(),
         {{Start, 1, "10:00:00,000"},
          {1, 1, "10:00:12,000", 9},
          {2, 1, "10:00:12,600", 8},
          {3, 1, "10:00:13,200", 8},
          {4, 1, "10:00:13,300", 7},
          {5, 1, "10:00:13,800", 8}},
         1);
    for (int mode : {0, 1}) {
        const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {mode, false}, -1);
        std::vector<int32_t> order;
        for (const ResultRow &row : r.table->rows)
            order.push_back(row.number);
        // 20,6 and 20,3 s tie, so do 21,0 and 21,2 s; each tie keeps list order.
        EXPECT_EQ(order, (std::vector<int32_t>{2, 4, 1, 3, 5})) << "mode " << mode;
    }
}

// Over random bunches of close values neither list puts a row before one
// that its own comparison clearly places earlier.
TEST(ResultsBuilder, NoRowPrecedesOneItsComparisonClearlyPutsFirst)
{
    QRandomGenerator random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<Rec> store{{Start, 1, "10:00:00,000"}};
        std::vector<QByteArray> times;
        for (int i = 0; i < 12; ++i) {
            const int ms = 600000 + int(random.bounded(4000));
            times.push_back(DayTimeToText(ms).toLatin1());
        }
        for (int i = 0; i < 12; ++i)
            store.push_back(
                {100 + i, 1 + int(random.bounded(2)), times[size_t(i)].constData(), int(random.bounded(3))});
        std::swap(store[3], store[9]);  // not in time order: the record list sorts too
        Fill(Store(), store, 2);
        for (int mode : {0, 1}) {
            const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {mode, false}, -1);
            std::map<const TimeRecord *, TimeRecord> measured;
            for (const RecordRow &row : r.records)
                measured[row.record.get()] = AsMeasured(row);
            for (size_t i = 0; i < r.table->rows.size(); ++i)
                for (size_t j = i + 1; j < r.table->rows.size(); ++j)
                    ASSERT_LE(
                        resultsOrder(measured[r.resultRecords[i].get()], measured[r.resultRecords[j].get()], mode), 0)
                        << "round " << round << " mode " << mode;
            for (size_t i = 0; i < r.records.size(); ++i)
                for (size_t j = i + 1; j < r.records.size(); ++j)
                    ASSERT_LE(recordListOrder(*r.records[i].record, *r.records[j].record), 0) << "round " << round;
        }
    }
}

// The record list keeps store order for times up to 0.432 s apart.
TEST(ResultsBuilder, RecordListTiesKeepStoreOrder)
{
    struct TieCase {
        const char *later;  // racer 9, stored before racer 8 at 10:05:00,000
        std::vector<int> order;
    } cases[] = {
        {"10:05:00,300", {9, 8}},
        {"10:05:00,432", {9, 8}},
        {"10:05:00,433", {8, 9}},
        {"10:05:00,500", {8, 9}},
    };
    for (const TieCase &c : cases) {
        Fill(Store(), {{9, 1, c.later}, {8, 1, "10:05:00,000"}}, 1);
        const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {}, -1);
        std::vector<int> order;
        for (const RecordRow &row : r.records)
            order.push_back(row.number);
        EXPECT_EQ(order, c.order) << c.later;
    }
}

// ---------------------------------------------------------------------------
// Selection, icons, records

TEST(ResultsBuilder, SelectsTheLastMatchingRecordInStoreOrder)
{
    // Store order is not time order: racer 5's last record in store order is
    // the earlier one, which ends up in row 1 once sorted.
    const std::vector<Rec> store = {
        {Start, 1, "10:00:00,000"}, {5, 2, "10:10:00,000"}, {6, 1, "10:07:00,000"}, {5, 1, "10:05:00,000"}};
    struct SelectCase {
        int number;
        int row;
    } cases[] = {{5, 1}, {6, 2}, {Start, 0}, {4, -1}, {-1, -1}};
    for (const SelectCase &c : cases) {
        Fill(Store(), store, 2);
        const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {}, c.number);
        EXPECT_EQ(r.selectRow, c.row) << c.number;
        if (c.row >= 0) {
            EXPECT_EQ(r.records[size_t(c.row)].number, c.number);
        }
    }
    Fill(Store(), store, 2);
    const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {}, 5);
    EXPECT_EQ(r.records[1].record, Store().records()[3]);
    EXPECT_EQ(DayTimeToText(r.records[1].time), "10:05:00,000");
}

TEST(ResultsBuilder, IconsMarkStartsAndTheHighestLap)
{
    Fill(Store(), {{Start, 1, "10:00:00,000"}, {7, 1, "10:05:00,000"}, {7, 2, "10:10:00,000"}, {8, 1, "10:11:00,000"}},
         2);
    const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {}, -1);
    std::vector<int> icons;
    for (const RecordRow &row : r.records)
        icons.push_back(row.icon);
    EXPECT_EQ(icons, (std::vector<int>{GoldStar, BlueFlag, RedFlag, BlueFlag}));
}

TEST(ResultsBuilder, CaptionsComeFromTheRacerDirectory)
{
    Fill(Store(), {{Start, 1, "10:00:00,000"}, {8, 1, "10:05:00,000"}, {12, 1, "10:06:00,000"}, {8, 2, "10:09:00,000"}},
         2);
    FakeRacers racers;
    RefreshResult r = ResultsBuilder().Build(Store(), &racers, {}, -1);
    EXPECT_EQ(r.records[1].caption, "8 (Dvořák \"Eda\" (M))");
    EXPECT_EQ(r.records[2].caption, "12 (<neznámý>)");
    // Without a racer table the label is empty.
    Fill(Store(), {{Start, 1, "10:00:00,000"}, {8, 1, "10:05:00,000"}}, 1);
    r = ResultsBuilder().Build(Store(), nullptr, {}, -1);
    EXPECT_EQ(r.records[1].caption, "8 ()");
    EXPECT_EQ(r.leader, "8 ()");
}

TEST(ResultsBuilder, EmptyStore)
{
    Fill(Store(), {}, 0);
    const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {}, 3);
    EXPECT_TRUE(r.records.empty());
    EXPECT_TRUE(r.table->rows.empty());
    EXPECT_EQ(r.selectRow, -1);
    EXPECT_TRUE(r.leader.isEmpty());
    EXPECT_EQ(r.lastStartTime, 0);
}

// The refresh only reads the store: its order and every value stay as they
// were, the measured times included (the store's save measures them).
TEST(ResultsBuilder, LeavesTheStoreAsItIs)
{
    Fill(Store(),
         {{9, 1, "10:07:00,000"},
          {Start, 1, "10:00:00,000"},
          {8, 1, "10:05:00,000"},
          {7, 1, "10:05:00,000"},
          {6, 1, "10:04:59,900"},
          {5, 1, "10:05:00,000"},
          {4, 1, "09:00:00,000"}},
         1);
    auto values = [] {
        std::vector<std::tuple<const TimeRecord *, int, int, DayTime, int, DayTime>> out;
        for (const TimeRecordPtr &r : Store().records())
            out.emplace_back(r.get(), r->Number, r->Lap, r->Time, r->Penalty, r->NetTime);
        return out;
    };
    const auto before = values();
    for (int mode : {0, 1}) {
        const RefreshResult r = ResultsBuilder().Build(Store(), nullptr, {mode, false}, 8);
        ASSERT_EQ(r.table->rows.size(), 5u);
        EXPECT_EQ(values(), before);
    }
}

// The one-row-per-racer pass against the literal rule: walk the ranked rows
// and fold every later row with the same caption into the first one's note.
TEST(ResultsBuilder, OneRowPerRacerMatchesTheCaptionWalk)
{
    QRandomGenerator random(77);
    for (int race = 0; race < 40; ++race) {
        std::vector<TimeRecordPtr> records;
        const int64_t startMs = 36'000'000 + random.bounded(1000);
        for (int s = 0; s < 2; ++s)
            records.push_back(Record(RaceStartNumber, startMs + s * 600'000));
        std::map<int, int> laps;
        for (int i = 0; i < 60; ++i) {
            const int number = 1 + int(random.bounded(6));
            const int penalty = random.bounded(4) == 0 ? int(random.bounded(3)) : 0;
            // Coarse steps make many values less than half a unit apart.
            const DayTime time = startMs - 2000 + int64_t(random.bounded(1'500)) * 811;
            records.push_back(Record(number, time, {.lap = ++laps[number], .penalty = penalty}));
        }
        Store().ReplaceRecords(records);
        Store().MaxLap = 0;
        FakeRacers racers;
        const RefreshResult got = ResultsBuilder().Build(Store(), &racers, {0, false}, -1);

        // The measured passages in record-list order, ranked the literal way.
        std::vector<const RecordRow *> rows;
        for (const RecordRow &row : got.records)
            if (row.shown == RecordRow::Shown::Measured)
                rows.push_back(&row);
        std::stable_sort(rows.begin(), rows.end(), [](const RecordRow *a, const RecordRow *b) {
            return resultsOrder(AsMeasured(*a), AsMeasured(*b), 0) < 0;
        });
        std::vector<std::string> expected;
        std::vector<QString> captions, notes;
        for (const RecordRow *row : rows) {
            captions.push_back(row->caption);
            notes.push_back(QString());
        }
        std::vector<QString> times;
        for (const RecordRow *row : rows)
            times.push_back(DayTimeToText(AsMeasured(*row).PenalizedTime()));
        for (size_t i = 0; i < captions.size(); ++i) {
            for (size_t r = i + 1; r < captions.size();) {
                if (captions[r] == captions[i]) {
                    notes[i] += times[r] + "   ";
                    captions.erase(captions.begin() + long(r));
                    times.erase(times.begin() + long(r));
                    notes.erase(notes.begin() + long(r));
                } else {
                    ++r;
                }
            }
            expected.push_back((captions[i] + " | " + times[i] + " | " + notes[i]).toStdString());
        }
        std::vector<std::string> actual;
        for (const ResultRow &row : got.table->rows)
            actual.push_back((row.caption + " | " + row.penalizedText() + " | " + row.noteText()).toStdString());
        ASSERT_EQ(actual, expected) << "race " << race;
    }
}

// The walk reads times as their texts show them; the shortcut must agree
// with writing the text and reading it back, also where the text does not
// read back (negative values, 100 hours and more).
TEST(ShownTime, AgreesWithTheTextRoundTrip)
{
    QRandomGenerator random(1234);
    std::vector<DayTime> values = {0,
                                   1,
                                   -1,
                                   -999,
                                   -1000,
                                   -1001,
                                   MsPerDay - 1,
                                   MsPerDay,
                                   100 * MsPerHour - 1,
                                   100 * MsPerHour,
                                   123 * MsPerHour + 4567};
    for (int i = 0; i < 20000; ++i)
        values.push_back(int64_t(random.bounded(int(5 * MsPerDay))) - MsPerDay);
    for (DayTime t : values)
        ASSERT_EQ(ShownTime(t), TextToDayTime(DayTimeToText(t))) << DayTimeToText(t).toStdString() << " " << t;
}

}  // namespace
