// Rank within the category, as the refresh computes it from the store and the
// racer table: the same order as the overall ranking (laps, time with
// penalty, ties in list order), counted within each category.
#include "RacerDirectory.h"
#include "Records.h"
#include "ResultsBuilder.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>
#include <string>

namespace {

constexpr int Start = RaceStartNumber;

// A racer table that knows some numbers; a number it lacks is a racer the
// table does not hold.
class Racers : public RacerDirectory {
public:
    explicit Racers(std::map<int, std::optional<QString>> categories) : m_categories(std::move(categories)) {}

    QString RacerLabel(int number) override
    {
        auto it = m_categories.find(number);
        return it == m_categories.end() ? QStringLiteral("<neznámý>") : QStringLiteral("R%1").arg(number);
    }
    QString RacerName(int) override { return {}; }
    QString RacerCategory(int) override { return {}; }
    std::vector<RacerRow> Rows() override { return {}; }
    std::optional<RacerRow> FindRacer(int number) const override
    {
        auto it = m_categories.find(number);
        if (it == m_categories.end())
            return std::nullopt;
        return RacerRow{number, QStringLiteral("R%1").arg(number), it->second};
    }

private:
    std::map<int, std::optional<QString>> m_categories;
};

struct Rec {
    int number;
    int lap;
    const char *time;
    int penalty = 0;
};

RecordStore &Store()
{
    static RecordStore data;  // one per binary: each store makes a temporary file
    return data;
}

// Every row as "<number> <category> <rank>/<rank in category>".
QStringList Ranking(const ResultsTable &table)
{
    QStringList out;
    for (const ResultRow &row : table.rows)
        out << QStringLiteral("%1 %2 %3/%4")
                   .arg(row.number)
                   .arg(table.categories[size_t(row.category)].name)
                   .arg(row.rank)
                   .arg(row.categoryRank);
    return out;
}

struct Case {
    const char *name;
    int lapsMode;
    std::vector<Rec> store;
    std::map<int, std::optional<QString>> categories;
    QStringList ranking;        // overall order
    QStringList categoryNames;  // the document's categories, in order
};

const std::vector<Case> &Cases()
{
    static const std::vector<Case> cases{
        {"MostLapsFirstWithinEachCategory",
         0,
         {{Start, 1, "10:00:00,000"},
          {1, 1, "10:05:00,000"},
          {2, 1, "10:05:10,000"},
          {3, 1, "10:05:20,000"},
          {4, 1, "10:05:30,000"},
          {3, 2, "10:10:00,000"},
          {4, 2, "10:10:30,000"}},
         {{1, "MX1"}, {2, "MX2"}, {3, "MX2"}, {4, "MX1"}},
         {"3 MX2 1/1", "4 MX1 2/1", "1 MX1 3/2", "2 MX2 4/2"},
         {"MX1", "MX2"}},
        {"PenaltyCountsWithinTheCategory",
         0,
         {{Start, 1, "10:00:00,000"}, {1, 1, "10:05:00,000", 30}, {2, 1, "10:05:10,000"}, {3, 1, "10:05:20,000"}},
         {{1, "OPEN"}, {2, "OPEN"}, {3, "MX1"}},
         {"2 OPEN 1/1", "3 MX1 2/1", "1 OPEN 3/2"},
         {"MX1", "OPEN"}},
        {"TiesKeepListOrderAndConsecutiveRanks",
         0,
         {{Start, 1, "10:00:00,000"}, {1, 1, "10:05:00,000"}, {2, 1, "10:05:00,000"}, {3, 1, "10:05:00,000"}},
         {{1, "MX1"}, {2, "MX2"}, {3, "MX1"}},
         {"1 MX1 1/1", "2 MX2 2/1", "3 MX1 3/2"},
         {"MX1", "MX2"}},
        {"LapsIgnoredRanksEveryPassage",
         1,
         {{Start, 1, "10:00:00,000"}, {1, 1, "10:05:00,000"}, {2, 1, "10:05:10,000"}, {1, 2, "10:10:00,000"}},
         {{1, "MX1"}, {2, "MX2"}},
         {"1 MX1 1/1", "2 MX2 2/1", "1 MX1 3/2"},
         {"MX1", "MX2"}},
        {"WithoutCategoryOrNotInTheTableIsOneGroupListedLast",
         0,
         {{Start, 1, "10:00:00,000"},
          {1, 1, "10:05:00,000"},
          {2, 1, "10:05:10,000"},
          {3, 1, "10:05:20,000"},
          {4, 1, "10:05:30,000"},
          {5, 1, "10:05:40,000"}},
         {{1, std::nullopt}, {2, "VETERÁN"}, {3, "  "}, {4, ""}},  // 5 is not in the table
         {"1 <nezadáná kategorie> 1/1", "2 VETERÁN 2/1", "3 <nezadáná kategorie> 3/2", "4 <nezadáná kategorie> 4/3",
          "5 <nezadáná kategorie> 5/4"},
         {"VETERÁN", "<nezadáná kategorie>"}},
        {"CategoriesDifferingInCaseOrBlanksAreOne",
         0,
         {{Start, 1, "10:00:00,000"},
          {1, 1, "10:05:00,000"},
          {2, 1, "10:05:10,000"},
          {3, 1, "10:05:20,000"},
          {4, 1, "10:05:30,000"}},
         // The best placed racer's spelling names the category.
         {{1, "Veterán"}, {2, "VETERÁN "}, {3, "veterán"}, {4, "ženy"}},
         {"1 Veterán 1/1", "2 Veterán 2/2", "3 Veterán 3/3", "4 ženy 4/1"},
         {"Veterán", "ženy"}},
        {"ACategoryOfOneRacer",
         0,
         {{Start, 1, "10:00:00,000"}, {1, 1, "10:05:00,000"}, {2, 1, "10:05:10,000"}, {2, 2, "10:09:00,000"}},
         {{1, "MX1"}, {2, "JUNIOR"}},
         {"2 JUNIOR 1/1", "1 MX1 2/1"},
         {"JUNIOR", "MX1"}},
        {"CategoriesInCzechOrderNumbersByValue",
         0,
         {{Start, 1, "10:00:00,000"},
          {1, 1, "10:05:00,000"},
          {2, 1, "10:05:10,000"},
          {3, 1, "10:05:20,000"},
          {4, 1, "10:05:30,000"}},
         {{1, "MX10"}, {2, "Čtyřkolky"}, {3, "MX2"}, {4, "Cross"}},
         {"1 MX10 1/1", "2 Čtyřkolky 2/1", "3 MX2 3/1", "4 Cross 4/1"},
         {"Cross", "Čtyřkolky", "MX2", "MX10"}},
        {"NoRaceStartNothingRanked", 0, {{1, 1, "10:05:00,000"}}, {{1, "MX1"}}, {}, {}},
    };
    return cases;
}

class CategoryRankingTest : public ::testing::TestWithParam<Case> {};

TEST_P(CategoryRankingTest, RanksWithinEachCategory)
{
    const Case &c = GetParam();
    std::vector<TimeRecordPtr> records;
    int maxLap = 0;
    for (const Rec &r : c.store) {
        records.push_back(Record(r.number, r.time, {.lap = r.lap, .penalty = r.penalty}));
        maxLap = std::max(maxLap, r.lap);
    }
    Store().ReplaceRecords(std::move(records));
    Store().MaxLap = maxLap;
    Racers racers(c.categories);
    const RefreshResult result = ResultsBuilder().Build(Store(), &racers, {c.lapsMode, false}, -1);
    const ResultsTable &table = *result.table;

    EXPECT_EQ(Ranking(table), c.ranking);
    QStringList names;
    for (const ResultsCategory &category : table.categories)
        names << category.name;
    EXPECT_EQ(names, c.categoryNames);

    // Each category's section lists exactly its rows, ranked 1, 2, ... in
    // overall order, and every row is in one section.
    size_t listed = 0;
    for (const ResultsSection &section : CategorySections(table)) {
        int previous = 0;
        for (int k = 0; k < section.size(); ++k) {
            EXPECT_EQ(section.rank(k), k + 1) << section.name().toStdString();
            EXPECT_EQ(table.categories[size_t(section.row(k).category)].name, section.name());
            EXPECT_GT(section.row(k).rank, previous);
            previous = section.row(k).rank;
        }
        listed += size_t(section.size());
    }
    EXPECT_EQ(listed, table.rows.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, CategoryRankingTest, ::testing::ValuesIn(Cases()),
                         [](const auto &p) { return std::string(p.param.name); });

// The caption and the categories asked for come with the document as it is
// made: a category none of whose racers is ranked is there, empty, after the
// others; one that is ranked, in whatever letter case, is not there twice.
TEST(ResultsBuilder, DocumentHoldsTheCaptionAndTheCategoriesAskedFor)
{
    std::vector<TimeRecordPtr> records;
    for (const Rec &r : std::vector<Rec>{{Start, 1, "10:00:00,000"}, {1, 1, "10:05:00,000"}, {2, 1, "10:06:00,000"}}) {
        auto record = std::make_shared<TimeRecord>();
        record->Number = r.number;
        record->Lap = r.lap;
        record->Time = TextToDayTime(QString::fromLatin1(r.time));
        records.push_back(record);
    }
    Racers racers({{1, QStringLiteral("Ženy")}, {2, QStringLiteral("MX1")}, {3, QStringLiteral("MX2")}});
    RefreshOptions options;
    options.caption = QStringLiteral("Velká cena");
    options.categories = {QStringLiteral(" mx2 "), QStringLiteral("ŽENY"), NoCategoryName, QStringLiteral("  ")};
    RefreshResult result;
    ResultsBuilder().Build(records, 1, &racers, options, -1, result);
    const ResultsTable &table = *result.table;

    EXPECT_EQ(table.caption, "Velká cena");
    QStringList names;
    for (const ResultsCategory &category : table.categories)
        names << category.name + (category.assigned ? "" : " (none)") + QStringLiteral(" %1").arg(category.rows.size());
    EXPECT_EQ(names, (QStringList{"MX1 1", "Ženy 1", "mx2 0", NoCategoryName + " (none) 0"}));
    EXPECT_EQ(table.findCategory(QStringLiteral("MX2")), 2);
    EXPECT_EQ(Ranking(table), (QStringList{"1 Ženy 1/1", "2 MX1 2/1"}));

    // Without options: the default caption and the ranked categories only.
    ResultsBuilder().Build(records, 1, &racers, RefreshOptions{}, -1, result);
    EXPECT_EQ(result.table->caption, DefaultResultsCaption);
    EXPECT_EQ(result.table->categories.size(), 2u);
}

TEST(ResultsTable, FindsACategoryByNameWhateverItsCase)
{
    ResultsTable table;
    table.rows.resize(3);
    table.setCategories(std::vector<QString>{QStringLiteral("Ženy"), QString(), QStringLiteral("MX1")});
    EXPECT_EQ(table.findCategory(QStringLiteral("ženy")), table.findCategory(QStringLiteral(" ŽENY ")));
    EXPECT_GE(table.findCategory(QStringLiteral("ženy")), 0);
    EXPECT_EQ(table.findCategory(QStringLiteral("<NEZADÁNÁ kategorie>")), int(table.categories.size()) - 1);
    EXPECT_EQ(table.findCategory(QStringLiteral("MX2")), -1);
    EXPECT_EQ(table.findCategory(QString()), -1);
}

}  // namespace
