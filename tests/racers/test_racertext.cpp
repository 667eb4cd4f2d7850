// A racer's texts stay one line read left to right, whichever way they come
// in: the racer file, a CSV import or a value typed into the grid.
#include "RacerFile.h"
#include "RacerImport.h"
#include "RacerTable.h"
#include "RacerText.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct TextCase {
    const char *what;
    QString in;
    QString out;
};

}  // namespace

TEST(RacerText, LineBreakingAndReorderingCharactersBecomeBlanks)
{
    const std::vector<TextCase> cases = {
        {"plain Czech text", u"Šťastná Eva"_qs, u"Šťastná Eva"_qs},
        {"tab, line feed, carriage return", u"A\tB\nC\rD"_qs, u"A B C D"_qs},
        {"NUL and escape", QStringLiteral("A") + QChar(0) + u"B\x1B[31mC"_qs, u"A B [31mC"_qs},
        {"DEL", u"A\x7F"_qs, u"A "_qs},
        {"C1 controls: next line, CSI, the last one", u"A\u0085B\u009BC\u009F"_qs, u"A B C "_qs},
        {"line and paragraph separators", u"A\u2028B\u2029C"_qs, u"A B C"_qs},
        {"right-to-left override and its end", u"Novák \u202Enaj\u202C"_qs, u"Novák  naj "_qs},
        {"every embedding and override", u"\u202A\u202B\u202C\u202D\u202E"_qs, u"     "_qs},
        {"isolates", u"\u2066A\u2067B\u2068C\u2069"_qs, u" A B C "_qs},
        // Marks only set the direction of neutral characters next to them.
        {"left-to-right and right-to-left marks stay", u"A\u200EB\u200FC"_qs, u"A\u200EB\u200FC"_qs},
        {"no-break space, letters beyond the BMP", u"A\u00A0B 😀"_qs, u"A\u00A0B 😀"_qs},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OneLineText(c.in), c.out);
    }
}

// The same hostile name through every door the table has.
TEST(RacerText, EveryWayIntoTheTableCleansTheSameWay)
{
    const QString hostile = u"Jan\u202E\u0085Novák"_qs;
    const QString cleaned = u"Jan  Novák"_qs;

    QTemporaryDir dir;
    const QString path = dir.filePath(u"r.racerlist"_qs);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // Both characters are allowed in XML, so the file carries them as they are.
        file.write(RacerFileText({{1, hostile, hostile}}));
    }
    RacerTable fromFile;
    fromFile.setRows(LoadRacerFile(path));
    ASSERT_EQ(fromFile.size(), 1);
    EXPECT_EQ(fromFile.rows()[0].name, cleaned);
    EXPECT_EQ(fromFile.rows()[0].category, cleaned);

    // The import also folds blanks together, as it does with any value.
    const RacerImport imported = ImportRacersCsv((u"Bib;Name;Category\n1;"_qs + hostile + u';' + hostile).toUtf8());
    ASSERT_TRUE(imported.problems.isEmpty()) << imported.problems.join(u'\n').toStdString();
    ASSERT_EQ(imported.rows.size(), 1u);
    EXPECT_EQ(imported.rows[0].name, u"Jan Novák"_qs);
    EXPECT_EQ(imported.rows[0].category, u"Jan Novák"_qs);

    RacerTable typed;
    typed.setRows({{1, std::nullopt, std::nullopt}});
    EXPECT_TRUE(typed.setData(typed.index(0, RacerTable::Name), hostile));
    EXPECT_TRUE(typed.setData(typed.index(0, RacerTable::Category), hostile));
    EXPECT_EQ(typed.rows()[0].name, cleaned);
    EXPECT_EQ(typed.rows()[0].category, cleaned);
}
