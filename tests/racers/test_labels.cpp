#include "sezZavodniku.h"

#include <gtest/gtest.h>

namespace {

struct LabelCase {
    const char *what;
    std::optional<QString> name;
    std::optional<QString> category;
    QString label, racerName, racerCategory;
};

RacerRow Row(int number, std::optional<QString> name, std::optional<QString> category)
{
    return RacerRow{number, std::move(name), std::move(category)};
}

}  // namespace

TEST(RacerLabels, TextsForEveryShapeOfRow)
{
    const std::vector<LabelCase> cases = {
        {"name and category", u"Novák, Jan"_qs, u"MX1"_qs, u"Novák, Jan (MX1)"_qs, u"Novák, Jan"_qs, u"MX1"_qs},
        {"quotes with both", u"Dvořák \"Dědek\""_qs, u"OPEN"_qs, u"Dvořák 'Dědek' (OPEN)"_qs,
         u"Dvořák 'Dědek'"_qs, u"OPEN"_qs},
        {"quotes, no category", u"Dvořák \"Dědek\""_qs, std::nullopt, u"Dvořák \"Dědek\" <nezadáná kategorie>"_qs,
         u"Dvořák 'Dědek'"_qs, u" <nezadáná kategorie>"_qs},
        {"category only", std::nullopt, u"MX\"2"_qs, u"<nezadáno jméno> (MX\"2)"_qs, u"<nezadáno jméno> "_qs,
         u"MX'2"_qs},
        {"neither", std::nullopt, std::nullopt, u"<nezadáno jméno, kategorie>"_qs, u"<nezadáno jméno> "_qs,
         u" <nezadáná kategorie>"_qs},
        {"cleared texts count as missing", u""_qs, u""_qs, u"<nezadáno jméno, kategorie>"_qs,
         u"<nezadáno jméno> "_qs, u" <nezadáná kategorie>"_qs},
        {"blanks kept", u" Jan "_qs, u" MX1"_qs, u" Jan  ( MX1)"_qs, u" Jan "_qs, u" MX1"_qs},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RacerTable table;
        table.appendRow(Row(5, c.name, c.category));
        EXPECT_EQ(table.RacerLabel(5), c.label);
        EXPECT_EQ(table.RacerName(5), c.racerName);
        EXPECT_EQ(table.RacerCategory(5), c.racerCategory);
    }
}

TEST(RacerLabels, RaceStartAndUnknownNumbersNeedNoRow)
{
    RacerTable table;
    table.appendRow(Row(10000, u"Někdo"_qs, u"MX1"_qs));
    table.appendRow(Row(1, u"Jan"_qs, u"MX1"_qs));
    table.setCurrentRow(1);

    EXPECT_EQ(table.RacerLabel(10000), u"START ZÁVODU"_qs);
    EXPECT_EQ(table.RacerName(10000), u"START ZÁVODU"_qs);
    EXPECT_EQ(table.RacerCategory(10000), QString());
    EXPECT_EQ(table.RacerLabel(77), u"<neznámý>"_qs);
    EXPECT_EQ(table.RacerName(77), u"<neznámý>"_qs);
    EXPECT_EQ(table.RacerCategory(77), u"N/A"_qs);
    EXPECT_EQ(table.currentRow(), 1) << "a failed lookup leaves the cursor where it was";
}

TEST(RacerLabels, FirstRowOfADuplicateNumberWinsAndBecomesCurrent)
{
    RacerTable table;
    table.appendRow(Row(3, u"Druhý"_qs, u"B"_qs));
    table.appendRow(Row(7, u"První"_qs, u"A"_qs));
    table.appendRow(Row(7, u"Třetí"_qs, u"C"_qs));
    table.setCurrentRow(0);

    EXPECT_EQ(table.RacerLabel(7), u"První (A)"_qs);
    EXPECT_EQ(table.currentRow(), 1);

    table.deleteRow(1);
    EXPECT_EQ(table.RacerLabel(7), u"Třetí (C)"_qs) << "the lookup follows a change of the table";
    table.changeRow(0, Row(7, u"Nový"_qs, u"D"_qs));
    EXPECT_EQ(table.RacerLabel(7), u"Nový (D)"_qs);
}

TEST(RacerTable, WalkingTheRowsLeavesTheLastOneCurrent)
{
    RacerTable table;
    table.appendRow(Row(1, u"A"_qs, u"X"_qs));
    table.appendRow(Row(2, u"B"_qs, u"Y"_qs));
    table.RacerLabel(1);
    ASSERT_EQ(table.currentRow(), 0);
    EXPECT_EQ(table.Rows().size(), 2u);
    EXPECT_EQ(table.currentRow(), 1);
}
