// What leaving the grid adds to the category list.
#include "Categories.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

struct MergeCase {
    const char *what;
    QStringList lines;
    std::vector<std::optional<QString>> categories;  // of the table's rows, in order
    QStringList added;
};

}  // namespace

TEST(Categories, NewCategoriesJoinTheListOnceAndUnchanged)
{
    const QStringList initial = InitialCategories();
    const std::vector<MergeCase> cases = {
        {"nothing new", initial, {u"MX1"_qs, std::nullopt, u"OPEN"_qs}, {}},
        {"letter case alone is no new category", initial, {u"mx1"_qs, u"veterán"_qs, u"Open"_qs}, {}},
        {"a new one, in row order, once",
         initial,
         {u"Ženy"_qs, u"Junior"_qs, u"ženy"_qs, u"JUNIOR"_qs},
         {u"Ženy"_qs, u"Junior"_qs}},
        {"blanks make it new and stay", initial, {u" MX1"_qs, u"MX2 "_qs}, {u" MX1"_qs, u"MX2 "_qs}},
        {"blanks only or empty never", initial, {u"   "_qs, u""_qs, u"\t"_qs}, {}},
        {"an empty list takes everything", {}, {u"B"_qs, u"A"_qs}, {u"B"_qs, u"A"_qs}},
        {"a blank line of the list matches nothing", {u""_qs}, {u"A"_qs}, {u"A"_qs}},
    };
    for (const MergeCase &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RacerRow> rows;
        for (const auto &category : c.categories)
            rows.push_back({1, u"X"_qs, category});
        EXPECT_EQ(NewCategories(c.lines, rows), c.added);
    }
}

TEST(Categories, LinesAndChoicesOfTheListText)
{
    EXPECT_EQ(InitialCategories(), (QStringList{"MX1", "MX2", "OPEN", u"VETERÁN"_qs}));
    EXPECT_EQ(CategoryLines(u"A\nB\n"_qs), (QStringList{"A", "B"})) << "a final line break starts no line";
    EXPECT_EQ(CategoryLines(u"A\n\n B \r\nC"_qs), (QStringList{"A", "", " B ", "C"}));
    EXPECT_EQ(CategoryLines(QString()), QStringList());
    EXPECT_EQ(CategoryChoices({"A", "", "  ", " B "}), (QStringList{"A", " B "}));
}
