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

TEST(RacerText, LineBreakingCharactersBecomeBlanksInvisibleOnesGo)
{
    const std::vector<TextCase> cases = {
        {"plain Czech text", u"Šťastná Eva"_qs, u"Šťastná Eva"_qs},
        {"tab, line feed, carriage return", u"A\tB\nC\rD"_qs, u"A B C D"_qs},
        {"NUL and escape", QStringLiteral("A") + QChar(0) + u"B\x1B[31mC"_qs, u"A B [31mC"_qs},
        {"DEL", u"A\x7F"_qs, u"A "_qs},
        {"C1 controls: next line, CSI, the last one", u"A\u0085B\u009BC\u009F"_qs, u"A B C "_qs},
        {"line and paragraph separators", u"A\u2028B\u2029C"_qs, u"A B C"_qs},
        {"right-to-left override and its end", u"Novák \u202Enaj\u202C"_qs, u"Novák naj"_qs},
        {"every embedding and override", u"\u202A\u202B\u202C\u202D\u202E"_qs, QString()},
        {"isolates", u"\u2066A\u2067B\u2068C\u2069"_qs, u"ABC"_qs},
        {"left-to-right and right-to-left marks", u"A\u200EB\u200FC"_qs, u"ABC"_qs},
        {"zero-width space", u"No\u200Bvák"_qs, u"Novák"_qs},
        {"byte order mark inside a field", u"Nov\uFEFFák Jan\uFEFF"_qs, u"Novák Jan"_qs},
        {"Arabic letter mark", u"\u061CMX1"_qs, u"MX1"_qs},
        {"Arabic number sign", u"\u0604MX\u06001"_qs, u"MX1"_qs},
        {"soft hyphen, word joiner", u"Kou\u00ADbek\u2060"_qs, u"Koubek"_qs},
        {"a format character beyond the BMP (a tag)", u"Eva\U000E0001\U000E0063"_qs, u"Eva"_qs},
        {"a control next to a mark", u"A\u200E\nB"_qs, u"A B"_qs},
        {"no-break space, letters beyond the BMP", u"A\u00A0B 😀"_qs, u"A\u00A0B 😀"_qs},
        {"a lone surrogate stays for the files to handle", QStringLiteral("A") + QChar(0xD800) + u"B"_qs,
         QStringLiteral("A") + QChar(0xD800) + u"B"_qs},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OneLineText(c.in), c.out);
    }
}

// The same hostile name through every door the table has.
TEST(RacerText, EveryWayIntoTheTableCleansTheSameWay)
{
    const QString hostile = u"Jan\u202E\u0085No\u200Bvák\uFEFF"_qs;
    const QString cleaned = u"Jan Novák"_qs;

    QTemporaryDir dir;
    const QString path = dir.filePath(u"r.racerlist"_qs);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // Every one of them is allowed in XML, so the file carries them as they are.
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

// A field holds as many characters as are seen: the invisible ones do not
// count against its length, whichever way the text comes in.
TEST(RacerText, InvisibleCharactersDoNotCountAgainstTheLength)
{
    const QString category = u"ABCDEFGHIJKLMNOPQRS\u0158"_qs;  // 20, as many as a category holds
    ASSERT_EQ(category.size(), RacerTable::CategorySize);
    QString padded;
    for (QChar c : category)
        padded += c + u"\u200B"_qs;

    QTemporaryDir dir;
    const QString path = dir.filePath(u"r.racerlist"_qs);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RacerFileText({{1, std::nullopt, padded}}));
    }
    const std::vector<RacerRow> loaded = LoadRacerFile(path);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].category, category);

    const RacerImport imported = ImportRacersCsv((u"Bib;Category\n1;"_qs + padded).toUtf8());
    ASSERT_TRUE(imported.problems.isEmpty()) << imported.problems.join(u'\n').toStdString();
    ASSERT_EQ(imported.rows.size(), 1u);
    EXPECT_EQ(imported.rows[0].category, category);

    RacerTable typed;
    typed.setRows({{1, std::nullopt, std::nullopt}});
    EXPECT_TRUE(typed.setData(typed.index(0, RacerTable::Category), padded));
    EXPECT_EQ(typed.rows()[0].category, category);
}
