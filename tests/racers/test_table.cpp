// The racer table as the grid sees it: typed values, refusals, row order and
// the current row, with Qt's model checker watching every change.
#include "RacerTable.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace {

RacerRow Row(std::optional<int> number, std::optional<QString> name, std::optional<QString> category = {})
{
    return RacerRow{number, std::move(name), std::move(category)};
}

QStringList Names(const RacerTable &table)
{
    QStringList names;
    for (const RacerRow &row : table.rows())
        names << row.name.value_or(u"-"_qs);
    return names;
}

class TableTest : public ::testing::Test {
protected:
    RacerTable table;
    QAbstractItemModelTester tester{&table, QAbstractItemModelTester::FailureReportingMode::Fatal};
    QSignalSpy refusals{&table, &RacerTable::refused};
};

struct EditCase {
    const char *what;
    int column;
    QString typed;
    bool accepted;
    RacerRow after;           // the row from Row(5, "Jan", "MX1")
    const char *messagePart;  // in the refusal
};

}  // namespace

TEST_F(TableTest, TypedValuesAreTakenOrRefusedWithAMessage)
{
    const QString name80(80, u'á'), category20(20, u'K');
    const std::vector<EditCase> cases = {
        {"a number", RacerTable::Number, u"12"_qs, true, Row(12, u"Jan"_qs, u"MX1"_qs), nullptr},
        {"blanks around a number", RacerTable::Number, u" 12 "_qs, true, Row(12, u"Jan"_qs, u"MX1"_qs), nullptr},
        {"a cleared number", RacerTable::Number, u""_qs, true, Row(std::nullopt, u"Jan"_qs, u"MX1"_qs), nullptr},
        {"letters", RacerTable::Number, u"12a"_qs, false, Row(5, u"Jan"_qs, u"MX1"_qs), "„12a“"},
        {"a fraction", RacerTable::Number, u"1,5"_qs, false, Row(5, u"Jan"_qs, u"MX1"_qs), "celé číslo"},
        {"beyond 32 bits", RacerTable::Number, u"2147483648"_qs, false, Row(5, u"Jan"_qs, u"MX1"_qs), "2147483647"},
        {"the largest", RacerTable::Number, u"2147483647"_qs, true, Row(2147483647, u"Jan"_qs, u"MX1"_qs), nullptr},
        {"80 characters of name", RacerTable::Name, name80, true, Row(5, name80, u"MX1"_qs), nullptr},
        {"81 characters of name", RacerTable::Name, name80 + u'x', false, Row(5, u"Jan"_qs, u"MX1"_qs),
         "nejvýše 80 znaků"},
        {"20 characters of category", RacerTable::Category, category20, true, Row(5, u"Jan"_qs, category20), nullptr},
        {"21 characters of category", RacerTable::Category, category20 + u'x', false, Row(5, u"Jan"_qs, u"MX1"_qs),
         "nejvýše 20 znaků"},
        {"a cleared name has no value", RacerTable::Name, u""_qs, true, Row(5, std::nullopt, u"MX1"_qs), nullptr},
        {"blanks are kept", RacerTable::Category, u" MX2 "_qs, true, Row(5, u"Jan"_qs, u" MX2 "_qs), nullptr},
        {"a pasted line break becomes a blank", RacerTable::Name, u"Jan\nNovák\t"_qs, true,
         Row(5, u"Jan Novák "_qs, u"MX1"_qs), nullptr},
    };
    for (const EditCase &c : cases) {
        SCOPED_TRACE(c.what);
        table.setRows({Row(5, u"Jan"_qs, u"MX1"_qs)});
        refusals.clear();
        EXPECT_EQ(table.setData(table.index(0, c.column), c.typed), c.accepted);
        const RacerRow &row = table.rows()[0];
        EXPECT_EQ(row.number, c.after.number);
        EXPECT_EQ(row.name, c.after.name);
        EXPECT_EQ(row.category, c.after.category);
        ASSERT_EQ(refusals.size(), c.accepted ? 0 : 1);
        if (!c.accepted) {
            EXPECT_TRUE(refusals[0][0].toString().contains(QString::fromUtf8(c.messagePart)))
                << refusals[0][0].toString().toStdString();
        }
    }
}

TEST_F(TableTest, ClickedColumnKeepsRowsInOrderAndLaterRowsTakeTheirPlace)
{
    table.setRows({Row(30, u"Cyril"_qs, u"B"_qs), Row(10, u"Adam"_qs), Row(20, u"Bára"_qs, u"A"_qs),
                   Row(std::nullopt, u"Bez čísla"_qs), Row(10, u"Druhý desítka"_qs)});
    EXPECT_EQ(Names(table), (QStringList{"Cyril", "Adam", "Bára", "Bez čísla", "Druhý desítka"}))
        << "entry order until a title is clicked";

    table.setSortColumn(RacerTable::Number);
    EXPECT_EQ(Names(table), (QStringList{"Bez čísla", "Adam", "Druhý desítka", "Bára", "Cyril"}))
        << "missing first; equal numbers keep entry order";

    table.appendRow(Row(15, u"Nový"_qs));
    EXPECT_EQ(Names(table), (QStringList{"Bez čísla", "Adam", "Druhý desítka", "Nový", "Bára", "Cyril"}));
    EXPECT_EQ(table.currentRow(), 3) << "the added row is current where it landed";

    table.setCurrentRow(1);  // on "Adam"
    ASSERT_TRUE(table.setData(table.index(1, RacerTable::Number), u"40"_qs));
    EXPECT_EQ(Names(table), (QStringList{"Bez čísla", "Druhý desítka", "Nový", "Bára", "Cyril", "Adam"}));
    EXPECT_EQ(table.currentRow(), 5) << "the cursor stays on the edited racer";
    ASSERT_TRUE(table.setData(table.index(5, RacerTable::Number), u"5"_qs));
    EXPECT_EQ(Names(table), (QStringList{"Bez čísla", "Adam", "Druhý desítka", "Nový", "Bára", "Cyril"}));

    table.setSortColumn(RacerTable::Category);
    EXPECT_EQ(Names(table), (QStringList{"Adam", "Bez čísla", "Druhý desítka", "Nový", "Bára", "Cyril"}))
        << "without a category first, in entry order";
    const int inserted = table.insertEmptyRow();
    EXPECT_EQ(inserted, 4) << "an empty row goes after the others without a category";
    table.setData(table.index(inserted, RacerTable::Category), u"AA"_qs);
    EXPECT_EQ(Names(table), (QStringList{"Adam", "Bez čísla", "Druhý desítka", "Nový", "Bára", "-", "Cyril"}));
    table.setSortColumn(RacerTable::Category);  // the same title again changes nothing
    EXPECT_EQ(table.sortColumn(), int(RacerTable::Category));
}

TEST_F(TableTest, RowOperationsCheckTheirIndex)
{
    table.setRows({Row(1, u"A"_qs), Row(2, u"B"_qs)});
    for (int bad : {-1, 2, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(table.changeRow(bad, Row(9, u"X"_qs)));
        EXPECT_FALSE(table.deleteRow(bad));
        EXPECT_FALSE(table.setData(table.index(bad, 0), u"9"_qs));
        table.setCurrentRow(bad);
        EXPECT_EQ(table.currentRow(), 0);
    }
    EXPECT_EQ(Names(table), (QStringList{"A", "B"}));

    table.setCurrentRow(1);
    EXPECT_TRUE(table.deleteRow(1));
    EXPECT_EQ(table.currentRow(), 0) << "the cursor stays within the table";
    EXPECT_TRUE(table.deleteRow(0));
    EXPECT_EQ(table.currentRow(), -1);
    EXPECT_EQ(table.RacerLabel(1), u"<neznámý>"_qs);
}

TEST_F(TableTest, TheGridSeesFieldsAndValues)
{
    table.setRows({Row(7, std::nullopt, u"MX1"_qs)});
    EXPECT_EQ(table.headerData(0, Qt::Horizontal).toString(), u"Start.číslo"_qs);
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), u"Příjmení, jméno"_qs);
    EXPECT_EQ(table.headerData(2, Qt::Horizontal).toString(), u"Kategorie"_qs);
    EXPECT_EQ(table.data(table.index(0, 0)).toString(), u"7"_qs);
    EXPECT_FALSE(table.data(table.index(0, 1)).isValid()) << "a missing value shows as an empty cell";
    EXPECT_TRUE(table.flags(table.index(0, 2)) & Qt::ItemIsEditable);
}
