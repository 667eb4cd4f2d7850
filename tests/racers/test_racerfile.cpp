// The racer file and the page's file commands: a saved file loads back as it
// was, a damaged or foreign one is refused with the table left whole.
#include "RacerCommands.h"
#include "RacerFile.h"
#include "RacerTable.h"
#include "ScriptedDialogs.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

std::vector<RacerRow> AwkwardRows()
{
    return {
        {12, u"Novák Jan"_qs, u"MX1"_qs},
        {13, u"Šťastná \"Eva\" & <spol.>"_qs, u"Ženy 'B'"_qs},
        {std::nullopt, u"  dvě mezery vpředu"_qs, std::nullopt},
        {-7, std::nullopt, u"  "_qs},
        {2147483647, u""_qs, u"中文 \U0001F600"_qs},
        {12, u"Druhá dvanáctka"_qs, u"OPEN"_qs},
        {0, u"]]> &amp; &#10;"_qs, u"a=\"b\""_qs},
    };
}

void ExpectSameRows(const std::vector<RacerRow> &got, const std::vector<RacerRow> &expected)
{
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].number, expected[i].number);
        EXPECT_EQ(got[i].name, expected[i].name);
        EXPECT_EQ(got[i].category, expected[i].category);
    }
}

class RacerFileTest : public ::testing::Test {
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }
    void write(const QString &file, const QByteArray &contents)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    RacerTable table;
    RacerCommands commands{table, dialogs};
};

}  // namespace

TEST_F(RacerFileTest, SavedFileLoadsBackUnchanged)
{
    table.setRows(AwkwardRows());
    dialogs.answerSave(path("závodníci.racerlist"));
    commands.saveRacerFile(false);
    ASSERT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join('\n').toStdString();

    RacerTable other;
    ScriptedDialogs otherDialogs;
    RacerCommands load(other, otherDialogs);
    other.setRows({{99, u"Zahozený"_qs, std::nullopt}});
    otherDialogs.answerOpen(path("závodníci.racerlist"));
    load.openRacerFile();
    EXPECT_TRUE(otherDialogs.messages().isEmpty()) << otherDialogs.messages().join('\n').toStdString();
    ExpectSameRows(other.rows(), AwkwardRows());

    // And the bytes are the same when written again.
    QFile saved(path("závodníci.racerlist"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(RacerFileText(other.rows()), saved.readAll());
}

TEST_F(RacerFileTest, FileStatesItsFieldsInUtf8)
{
    const QByteArray text = RacerFileText({{1, u"Žluťoučký"_qs, std::nullopt}});
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << text.constData();
    EXPECT_TRUE(text.contains("<field name=\"Start.číslo\" type=\"int32\"/>"));
    EXPECT_TRUE(text.contains("<field name=\"Příjmení, jméno\" type=\"string\" size=\"80\"/>"));
    EXPECT_TRUE(text.contains("<field name=\"Kategorie\" type=\"string\" size=\"20\"/>"));
    EXPECT_TRUE(text.contains("<row cislo=\"1\" jmeno=\"Žluťoučký\"/>")) << "a missing value is left out";
}

TEST_F(RacerFileTest, DamagedOrForeignFileLeavesTheTableWhole)
{
    const QByteArray good = RacerFileText(AwkwardRows());
    QByteArray otherSize = good;
    otherSize.replace("size=\"80\"", "size=\"60\"");
    QByteArray badNumber = good;
    badNumber.replace("cislo=\"13\"", "cislo=\"13a\"");
    QByteArray longName = good;
    longName.replace("Novák Jan", QString(81, u'x').toUtf8());
    const struct {
        const char *what;
        QByteArray contents;
        const char *messagePart;
    } cases[] = {
        {"cut short", good.left(good.size() / 2), "řádek"},
        {"empty", QByteArray(), "prázdný"},
        {"not XML at all", "Start.číslo;Jméno\n1;Jan\n", "řádek 1"},
        {"another program's XML", "<?xml version=\"1.0\"?><XML><kola/></XML>", "není seznam závodníků"},
        {"a field of another size", otherSize, "neodpovídá"},
        {"a number with letters", badNumber, "„13a“"},
        {"a name too long", longName, "delší než 80"},
    };
    const std::vector<RacerRow> before = {{1, u"Zůstanu"_qs, u"MX1"_qs}, {2, std::nullopt, std::nullopt}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        write(path("vadný.racerlist"), c.contents);
        table.setRows(before);
        dialogs.asked.clear();
        dialogs.answerOpen(path("vadný.racerlist"));
        commands.openRacerFile();
        ASSERT_EQ(dialogs.messages().size(), 1);
        const QString message = dialogs.messages()[0];
        EXPECT_TRUE(message.startsWith(u"Chyba: "_qs)) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.messagePart))) << message.toStdString();
        ExpectSameRows(table.rows(), before);
    }

    dialogs.asked.clear();
    dialogs.answerOpen(path("není.racerlist"));
    commands.openRacerFile();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(u"Chyba: "_qs));
    ExpectSameRows(table.rows(), before);
}

TEST_F(RacerFileTest, DialogsAndTheFileUlozitWritesTo)
{
    write(path("nahrát.racerlist"), RacerFileText({{5, u"Nahraný"_qs, std::nullopt}}));
    table.setRows({{1, u"Bez otázky zahozen"_qs, std::nullopt}});
    dialogs.answerOpen(path("nahrát.racerlist"));
    commands.openRacerFile();
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::OpenFile), 1);
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 0) << "loading discards rows without asking";
    const FileRequest &open = dialogs.asked[0].request;
    EXPECT_EQ(open.title, u"Otevřít datový soubor..."_qs);
    EXPECT_EQ(open.filter, u"Soubory dat (*.racerlist)|*.racerlist|Všechny soubory (*.*)|*.*"_qs);
    EXPECT_EQ(open.defaultSuffix, u"racerlist"_qs);
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.rows()[0].name, u"Nahraný"_qs);

    // "Uložit" asks the first time, even after a load; a cancel writes nothing.
    dialogs.asked.clear();
    dialogs.answerSave(std::nullopt);
    commands.saveRacerFile(false);
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);
    const FileRequest &save = dialogs.asked[0].request;
    EXPECT_EQ(save.title, u"Soubor závodníků"_qs) << "not the data file's title";
    EXPECT_EQ(save.filter, open.filter);
    EXPECT_EQ(save.defaultSuffix, u"racerlist"_qs);
    EXPECT_TRUE(commands.saveFileName().isEmpty());

    dialogs.answerSave(path("první.racerlist"));
    commands.saveRacerFile(false);
    EXPECT_TRUE(QFileInfo::exists(path("první.racerlist")));
    // From now on "Uložit" overwrites without asking; "Uložit jako..." asks.
    table.appendRow({6, u"Další"_qs, std::nullopt});
    commands.saveRacerFile(false);
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 2);
    EXPECT_EQ(LoadRacerFile(path("první.racerlist")).size(), 2u);
    dialogs.answerSave(path("druhý.racerlist"));
    commands.saveRacerFile(true);
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 3);
    EXPECT_EQ(commands.saveFileName(), path("druhý.racerlist"));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(RacerFileTest, FailedSaveSaysSoAndCarriesOn)
{
    table.setRows({{1, u"Jan"_qs, std::nullopt}});
    // A folder where the file should go: no one can write it there.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"složka.racerlist"_qs));
    dialogs.answerSave(path("složka.racerlist"));
    commands.saveRacerFile(true);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(u"Chyba: "_qs)) << dialogs.messages()[0].toStdString();
    EXPECT_TRUE(QFileInfo(path("složka.racerlist")).isDir());
    EXPECT_EQ(table.size(), 1);
}
