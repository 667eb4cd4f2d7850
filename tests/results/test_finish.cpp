// The race sheet in the refresh: finish rules end each category's race, and
// statuses order the racers who retired, were disqualified or never started.
#include "RacerDirectory.h"
#include "RaceSheet.h"
#include "Records.h"
#include "ResultsBuilder.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>
#include <string>

namespace {

constexpr int Start = RaceStartNumber;

class Racers : public RacerDirectory {
public:
    std::map<int, QString> category;  // every racer of the table, with its category

    QString RacerLabel(int number) override { return category.count(number) ? category[number] : QString(); }
    QString RacerName(int) override { return {}; }
    QString RacerCategory(int number) override { return RacerLabel(number); }
    std::vector<RacerRow> Rows() override
    {
        std::vector<RacerRow> rows;
        for (const auto &[number, text] : category)
            rows.push_back({number, QStringLiteral("Závodník %1").arg(number), text});
        return rows;
    }
    std::optional<RacerRow> FindRacer(int number) const override
    {
        const auto it = category.find(number);
        if (it == category.end())
            return std::nullopt;
        return RacerRow{number, QStringLiteral("Závodník %1").arg(number), it->second};
    }
};

struct Pass {
    int number;
    const char *time;  // "hh:mm:ss" or with ",zzz"
    int penalty = 0;
};

// The store's records: laps numbered per racer in time order, as a save
// numbers them.
std::vector<TimeRecordPtr> Race(const std::vector<Pass> &passes, int32_t &maxLap)
{
    std::vector<TimeRecordPtr> records;
    std::map<int, int> laps;
    maxLap = 0;
    for (const Pass &p : passes) {
        QString time = QString::fromLatin1(p.time);
        if (!time.contains(u','))
            time += QStringLiteral(",000");
        const int lap = p.number == Start ? 0 : ++laps[p.number];
        maxLap = std::max(maxLap, lap);
        records.push_back(Record(p.number, time, {.lap = lap, .penalty = p.penalty}));
    }
    return records;
}

// "rank|number|laps|status" per row, "·" marking the record list's passages
// after a finish by number and time.
struct Outcome {
    std::vector<std::string> rows;
    std::vector<std::string> ignored;
};

Outcome Refresh(const std::vector<Pass> &passes, Racers &racers, const RaceSheet &sheet, int lapsMode = 0,
                std::shared_ptr<const ResultsTable> *table = nullptr)
{
    int32_t maxLap = 0;
    const std::vector<TimeRecordPtr> records = Race(passes, maxLap);
    RefreshOptions options;
    options.lapsMode = lapsMode;
    options.sheet = std::make_shared<const RaceSheet>(sheet);
    ResultsBuilder builder;
    RefreshResult result;
    builder.Build(records, maxLap, &racers, options, -1, result);
    Outcome out;
    for (const ResultRow &row : result.table->rows)
        out.rows.push_back(QStringLiteral("%1|%2|%3|%4")
                               .arg(row.rankText(row.rank))
                               .arg(row.number)
                               .arg(row.lap)
                               .arg(row.statusWord())
                               .toStdString());
    for (const RecordRow &row : result.records)
        if (row.afterFinish)
            out.ignored.push_back(QStringLiteral("%1 %2").arg(row.number).arg(DayTimeToText(row.time)).toStdString());
    if (table)
        *table = result.table;
    return out;
}

RaceSheet Rules(std::vector<std::pair<QString, FinishRule>> rules)
{
    RaceSheet sheet;
    for (const auto &[category, rule] : rules)
        sheet.setRule(category, rule);
    return sheet;
}

DayTime At(const char *text)
{
    return TextToDayTime(QString::fromLatin1(text));
}

struct FinishCase {
    const char *name;
    std::map<int, QString> categories;
    std::vector<Pass> passes;
    RaceSheet sheet;
    int lapsMode;
    std::vector<std::string> rows;
    std::vector<std::string> ignored;
};

TEST(FinishRule, RacesEndAsTheRulesSay)
{
    // 7 completes 2 laps first; 9's third lap comes after its finish and
    // would otherwise put it ahead of 8.
    const std::vector<Pass> lapsRace = {{Start, "10:00:00"}, {7, "10:05:00"}, {8, "10:06:00"}, {9, "10:07:00"},
                                        {7, "10:10:00"},     {8, "10:11:00"}, {9, "10:12:00"}, {9, "10:17:00", 60}};
    const FinishCase cases[] = {
        {"Laps",
         {},
         lapsRace,
         Rules({{"", FinishRule::Laps(2)}}),
         0,
         {"1|7|2|finished", "2|8|2|finished", "3|9|2|finished"},
         {"9 10:17:00,000"}},
        {"NoRuleCountsEveryPassage",
         {},
         lapsRace,
         RaceSheet(),
         0,
         {"1|9|3|racing", "2|7|2|racing", "3|8|2|racing"},
         {}},
        {"LapsModeOneIgnoresRules",
         {},
         {{Start, "10:00:00"}, {7, "10:05:00"}, {7, "10:06:00"}},
         Rules({{"", FinishRule::Laps(1)}}),
         1,
         {"1|7|1|racing", "2|7|2|racing"},
         {}},
        // 8 is lapped: its passage after the ten minutes, before the leader's,
        // does not end the race; its next one finishes it.
        {"MinutesLappedRacerDoesNotEnd",
         {},
         {{Start, "10:00:00"},
          {7, "10:04:00"},
          {8, "10:06:00"},
          {7, "10:08:00"},
          {8, "10:11:00"},
          {7, "10:12:00"},
          {8, "10:16:00"},
          {7, "10:16:30"}},
         Rules({{"", FinishRule::Minutes(10)}}),
         0,
         {"1|7|3|finished", "2|8|3|finished"},
         {"7 10:16:30,000"}},
        // The leader's passage exactly at the five minutes ends it, and 8's
        // at the same instant is 8's finish.
        {"PassageExactlyAtTheMoment",
         {},
         {{Start, "10:00:00"},
          {7, "10:04:00"},
          {8, "10:04:30"},
          {7, "10:05:00"},
          {8, "10:05:00"},
          {7, "10:09:00"},
          {8, "10:15:00"}},
         Rules({{"", FinishRule::Minutes(5)}}),
         0,
         {"1|7|2|finished", "2|8|2|finished"},
         {"7 10:09:00,000", "8 10:15:00,000"}},
        // Minutes count from the start each passage is measured from.
        {"TwoRaceStarts",
         {},
         {{Start, "10:00:00"}, {7, "10:08:00"}, {Start, "10:30:00"}, {7, "10:35:00"}, {7, "10:41:00"}, {7, "10:45:00"}},
         Rules({{"", FinishRule::Minutes(10)}}),
         0,
         {"1|7|3|finished"},
         {"7 10:45:00,000"}},
        // Each category by its own rule; the rest by the common one.  In MX1
        // 8 crosses first after 10:10 but is behind 7: 7's next passage ends
        // MX1, and 8 is still on the course.
        {"RulePerCategory",
         {{7, "MX1"}, {8, "MX1"}, {9, "Ženy"}, {10, "Junioři"}},
         {{Start, "10:00:00"},
          {7, "10:05:00"},
          {9, "10:06:00"},
          {10, "10:07:00"},
          {8, "10:08:00"},
          {7, "10:09:00"},
          {9, "10:10:00"},
          {10, "10:11:00"},
          {8, "10:12:00"},
          {7, "10:13:00"},
          {9, "10:14:00"},
          {10, "10:15:00"}},
         Rules({{"", FinishRule::Laps(1)}, {"mx1", FinishRule::At(At("10:10:00,000"))}, {"ŽENY", FinishRule::Laps(2)}}),
         0,
         {"1|7|3|finished", "2|9|2|finished", "3|8|2|racing", "4|10|1|finished"},
         {"10 10:11:00,000", "9 10:14:00,000", "10 10:15:00,000"}},
    };
    for (const FinishCase &c : cases) {
        SCOPED_TRACE(c.name);
        Racers racers;
        racers.category = c.categories;
        const Outcome out = Refresh(c.passes, racers, c.sheet, c.lapsMode);
        EXPECT_EQ(out.rows, c.rows);
        EXPECT_EQ(out.ignored, c.ignored);
    }
}

TEST(FinishRule, CategoriesTellTheirMomentAndLapsToGo)
{
    Racers racers;
    racers.category = {{7, "A"}, {8, "B"}};
    std::shared_ptr<const ResultsTable> table;
    Refresh({{Start, "10:00:00"}, {7, "10:05:00"}, {8, "10:06:00"}, {7, "10:10:00"}}, racers,
            Rules({{"A", FinishRule::Laps(2)}, {"B", FinishRule::Laps(3)}}), 0, &table);
    ASSERT_EQ(table->categories.size(), 2u);
    EXPECT_EQ(table->categories[0].moment, At("10:10:00,000"));
    EXPECT_EQ(table->categories[0].finishText(), QStringLiteral("Cíl"));
    EXPECT_EQ(table->categories[1].lapsToGo, 2);
    EXPECT_EQ(table->categories[1].finishText(), QStringLiteral("Zbývají 2 kola"));
}

TEST(RacerStatus, RankingOrderOverallAndInCategories)
{
    Racers racers;
    // 11 and 12 never passed: 11 is listed as DNS once its category ended,
    // 12's category has no rule and never ends.
    racers.category = {{1, "A"}, {2, "A"}, {3, "A"}, {4, "B"}, {5, "B"}, {6, "A"}, {11, "A"}, {12, "B"}};
    RaceSheet sheet = Rules({{"A", FinishRule::Laps(2)}});
    sheet.setStatus(2, {RacerStatus::DNF, QString()});
    sheet.setStatus(3, {RacerStatus::DNF, QString()});
    sheet.setStatus(4, {RacerStatus::DSQ, QStringLiteral("zkrácení trati")});
    sheet.setStatus(5, {RacerStatus::DNS, QString()});  // though it passed: kept, with a warning
    sheet.setStatus(9, {RacerStatus::DSQ, QString()});  // no passage, not in the table
    std::shared_ptr<const ResultsTable> table;
    const Outcome out = Refresh({{Start, "10:00:00"},
                                 {3, "10:04:00"},
                                 {2, "10:05:00"},
                                 {1, "10:06:00"},
                                 {5, "10:06:30"},
                                 {6, "10:07:00"},
                                 {4, "10:08:00"},
                                 {3, "10:09:00"},
                                 {1, "10:10:00"},
                                 {6, "10:12:00"}},
                                racers, sheet, 0, &table);
    EXPECT_EQ(out.rows, (std::vector<std::string>{"1|1|2|finished", "2|6|2|finished", "DNF|3|2|DNF", "DNF|2|1|DNF",
                                                  "DSQ|4|1|DSQ", "DSQ|9|0|DSQ", "DNS|5|1|DNS", "DNS|11|0|DNS"}));
    ASSERT_EQ(table->categories.size(), 3u);  // A, B, none (9)
    QStringList inA;
    for (int32_t r : table->categories[0].rows)
        inA << table->rows[size_t(r)].rankText(table->rows[size_t(r)].categoryRank) + u':'
                   + QString::number(table->rows[size_t(r)].number);
    EXPECT_EQ(inA, (QStringList{"1:1", "2:6", "DNF:3", "DNF:2", "DNS:11"}));
    const ResultRow &dns = table->rows[6];
    EXPECT_TRUE(dns.statusWarning);
    EXPECT_FALSE(dns.timed());
    EXPECT_EQ(table->rows[4].statusReason, QStringLiteral("zkrácení trati"));
    EXPECT_EQ(table->leader(), table->rows[0].caption);

    // In laps mode 1 every row of a racer with a status goes last, unranked.
    const Outcome mode1 = Refresh({{Start, "10:00:00"}, {2, "10:05:00"}, {1, "10:06:00"}, {2, "10:07:00"}}, racers,
                                  sheet, 1);
    EXPECT_EQ(mode1.rows, (std::vector<std::string>{"1|1|1|racing", "DNF|2|1|DNF", "DNF|2|2|DNF", "DNF|3|0|DNF",
                                                    "DSQ|4|0|DSQ", "DSQ|9|0|DSQ", "DNS|5|0|DNS"}));
}

}  // namespace
