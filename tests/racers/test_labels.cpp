// The texts that name a racer by start number, and what a lookup does to the
// table: the first row in the current order answers and becomes current.
#include "RacerTable.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

RacerRow Row(std::optional<int> number, std::optional<QString> name, std::optional<QString> category)
{
    return RacerRow{number, std::move(name), std::move(category)};
}

struct LabelCase {
    const char *what;
    std::vector<RacerRow> rows;
    int sortColumn;  // -1: entry order
    int number;
    QString label, racerName, racerCategory;
    int currentAfter;  // the table starts on row 0
};

}  // namespace

TEST(RacerLabels, EveryCaseOfTheLabelTable)
{
    const std::optional<QString> none;
    const std::vector<LabelCase> cases = {
        {"race start, even with a row 10000",
         {Row(10000, u"Někdo"_qs, u"MX1"_qs)},
         -1,
         10000,
         u"START ZÁVODU"_qs,
         u"START ZÁVODU"_qs,
         QString(),
         0},
        {"unknown number leaves the cursor",
         {Row(1, u"Jan"_qs, u"MX1"_qs), Row(2, u"Eva"_qs, none)},
         -1,
         77,
         u"<neznámý>"_qs,
         u"<neznámý>"_qs,
         u"N/A"_qs,
         0},
        {"name and category",
         {Row(3, none, none), Row(5, u"Novák, Jan"_qs, u"MX1"_qs)},
         -1,
         5,
         u"Novák, Jan (MX1)"_qs,
         u"Novák, Jan"_qs,
         u"MX1"_qs,
         1},
        {"quotes with both: replaced over the whole label",
         {Row(5, u"Dvořák \"Dědek\""_qs, u"O\"P"_qs)},
         -1,
         5,
         u"Dvořák 'Dědek' (O'P)"_qs,
         u"Dvořák 'Dědek'"_qs,
         u"O'P"_qs,
         0},
        {"name only: the label keeps its quotes, the name does not",
         {Row(5, u"Dvořák \"D\""_qs, none)},
         -1,
         5,
         u"Dvořák \"D\" <nezadáná kategorie>"_qs,
         u"Dvořák 'D'"_qs,
         u" <nezadáná kategorie>"_qs,
         0},
        {"category only",
         {Row(5, none, u"MX\"2"_qs)},
         -1,
         5,
         u"<nezadáno jméno> (MX\"2)"_qs,
         u"<nezadáno jméno> "_qs,
         u"MX'2"_qs,
         0},
        {"neither",
         {Row(5, none, none)},
         -1,
         5,
         u"<nezadáno jméno, kategorie>"_qs,
         u"<nezadáno jméno> "_qs,
         u" <nezadáná kategorie>"_qs,
         0},
        {"cleared texts count as missing",
         {Row(5, u""_qs, u""_qs)},
         -1,
         5,
         u"<nezadáno jméno, kategorie>"_qs,
         u"<nezadáno jméno> "_qs,
         u" <nezadáná kategorie>"_qs,
         0},
        {"blanks kept as stored",
         {Row(5, u" Jan "_qs, u" MX1"_qs)},
         -1,
         5,
         u" Jan  ( MX1)"_qs,
         u" Jan "_qs,
         u" MX1"_qs,
         0},
        {"duplicates: the first in entry order",
         {Row(1, u"A"_qs, none), Row(7, u"Zdeněk"_qs, u"X"_qs), Row(7, u"Adam"_qs, u"Y"_qs)},
         -1,
         7,
         u"Zdeněk (X)"_qs,
         u"Zdeněk"_qs,
         u"X"_qs,
         1},
        {"duplicates: the first by the clicked column",
         {Row(1, u"A"_qs, none), Row(7, u"Zdeněk"_qs, u"X"_qs), Row(7, u"Adam"_qs, u"Y"_qs)},
         RacerTable::Name,
         7,
         u"Adam (Y)"_qs,
         u"Adam"_qs,
         u"Y"_qs,
         1},
        {"a row without a number never answers",
         {Row(std::nullopt, u"Bez čísla"_qs, u"X"_qs)},
         -1,
         0,
         u"<neznámý>"_qs,
         u"<neznámý>"_qs,
         u"N/A"_qs,
         0},
        {"negative numbers are numbers",
         {Row(-3, u"Minus"_qs, u"X"_qs)},
         -1,
         -3,
         u"Minus (X)"_qs,
         u"Minus"_qs,
         u"X"_qs,
         0},
    };
    for (const LabelCase &c : cases) {
        SCOPED_TRACE(c.what);
        RacerTable table;
        table.setRows(c.rows);
        table.setSortColumn(c.sortColumn);
        table.setCurrentRow(0);
        EXPECT_EQ(table.RacerLabel(c.number), c.label);
        EXPECT_EQ(table.RacerName(c.number), c.racerName);
        EXPECT_EQ(table.RacerCategory(c.number), c.racerCategory);
        EXPECT_EQ(table.currentRow(), c.currentAfter);
    }
}

TEST(RacerLabels, LookupsFollowEveryChangeOfTheTable)
{
    RacerTable table;
    table.setRows({Row(3, u"Druhý"_qs, u"B"_qs), Row(7, u"První"_qs, u"A"_qs), Row(7, u"Třetí"_qs, u"C"_qs)});
    EXPECT_EQ(table.RacerLabel(7), u"První (A)"_qs);

    table.deleteRow(1);
    EXPECT_EQ(table.RacerLabel(7), u"Třetí (C)"_qs);
    table.changeRow(0, Row(7, u"Nový"_qs, u"D"_qs));
    EXPECT_EQ(table.RacerLabel(7), u"Nový (D)"_qs);
    EXPECT_EQ(table.RacerLabel(3), u"<neznámý>"_qs);
    table.appendRow(Row(3, u"Přidaný"_qs, u"E"_qs));
    EXPECT_EQ(table.RacerLabel(3), u"Přidaný (E)"_qs);
    table.setData(table.index(1, RacerTable::Number), u"8"_qs);
    EXPECT_EQ(table.RacerLabel(7), u"Nový (D)"_qs);
    EXPECT_EQ(table.RacerLabel(8), u"Třetí (C)"_qs);
    table.setRows({});
    EXPECT_EQ(table.RacerLabel(8), u"<neznámý>"_qs);
}

TEST(RacerLabels, AnOpenEditIsEndedBeforeEachLookup)
{
    RacerTable table;
    table.setRows({Row(1, u"Jan"_qs, u"MX1"_qs)});
    // The grid's open editor holds "Jana" for row 0 until the edit is ended.
    int closed = 0;
    table.setEditCloser([&] {
        if (closed++ == 0)
            table.setData(table.index(0, RacerTable::Name), u"Jana"_qs);
    });
    EXPECT_EQ(table.RacerLabel(1), u"Jana (MX1)"_qs);
    EXPECT_EQ(table.RacerLabel(10000), u"START ZÁVODU"_qs);
    EXPECT_EQ(closed, 1) << "the race start needs no lookup, so no edit is ended for it";
    table.RacerName(1);
    table.RacerCategory(1);
    EXPECT_EQ(closed, 3);

    // An inserted row nothing was typed into disappears; one typed into stays.
    const int empty = table.insertEmptyRow();
    EXPECT_EQ(table.size(), 2);
    EXPECT_EQ(table.currentRow(), empty);
    table.RacerLabel(1);
    EXPECT_EQ(table.size(), 1);
    const int typed = table.insertEmptyRow();
    table.setData(table.index(typed, RacerTable::Name), QString());  // no change: still untouched
    table.RacerLabel(1);
    EXPECT_EQ(table.size(), 1);
    const int kept = table.insertEmptyRow();
    table.setData(table.index(kept, RacerTable::Number), u"2"_qs);
    EXPECT_EQ(table.RacerLabel(2), u"<nezadáno jméno, kategorie>"_qs);
    EXPECT_EQ(table.size(), 2);
}

TEST(RacerLabels, QuietLookupsLeaveTheOpenEditAndTheCursorAlone)
{
    RacerTable table;
    table.setRows({Row(1, u"Jan"_qs, u"MX1"_qs), Row(2, u"Eva"_qs, {})});
    int closed = 0;
    table.setEditCloser([&] { ++closed; });
    const int inserted = table.insertEmptyRow();
    closed = 0;
    {
        RacerTable::QuietLookups quiet(table);
        EXPECT_EQ(table.RacerLabel(1), u"Jan (MX1)"_qs);
        EXPECT_EQ(table.RacerName(2), u"Eva"_qs);
        EXPECT_EQ(table.Rows().size(), 3u);
        EXPECT_EQ(closed, 0);
        EXPECT_EQ(table.currentRow(), inserted) << "the cursor stays on the new row";
        EXPECT_EQ(table.size(), 3) << "the new row nothing was typed into yet stays";
    }
    table.RacerLabel(1);
    EXPECT_EQ(closed, 1) << "once the guard is gone, lookups end the edit again";
    EXPECT_EQ(table.size(), 2);
    EXPECT_EQ(table.currentRow(), 0);
}

TEST(RacerLabels, WalkingTheRowsEndsTheEditAndLeavesTheLastRowCurrent)
{
    RacerTable table;
    table.setRows({Row(1, u"A"_qs, u"X"_qs), Row(2, u"B"_qs, u"Y"_qs)});
    table.insertEmptyRow();
    table.setCurrentRow(0);
    const std::vector<RacerRow> rows = table.Rows();
    EXPECT_EQ(rows.size(), 2u) << "the untouched inserted row is not written anywhere";
    EXPECT_EQ(table.currentRow(), 1);
}
