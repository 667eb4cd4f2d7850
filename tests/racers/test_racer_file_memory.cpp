// The racer file that comes back with its race: remembered per data file in
// the settings (a scratch folder in the tests), loaded when the data file is
// opened, carried over to a new name, and a missing or damaged racer file
// reported without stopping the race; changed racers saved by themselves.
#include "RacerFile.h"
#include "RacerFileMemory.h"
#include "RacerTable.h"
#include "SaveAlarm.h"
#include "ScriptedDialogs.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

class RacerFileMemoryTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList names() const
    {
        QStringList out;
        for (const RacerRow &r : table.rows())
            out << r.name.value_or(QString());
        return out;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    RacerTable table;
    const std::vector<RacerRow> racers = {{12, u"Pospíšilová Zuzana"_qs, u"Ž40"_qs}, {13, u"Novák Jan"_qs, u"MX1"_qs}};
};

}  // namespace

TEST_F(RacerFileMemoryTest, RacerFileComesBackWithItsDataFileInTheNextRun)
{
    const QString race = path(u"závod.csvz"_qs), racerFile = path(u"jezdci.racerlist"_qs);
    {
        RacerFileMemory run(table, dialogs, race);
        SaveRacerFile(racerFile, racers);
        run.RacerFileUsed(racerFile);
    }
    table.setRows({});

    // Another run, started on a temporary race, then the race opened.
    RacerFileMemory next(table, dialogs, path(u"~1A2B.tmp"_qs));
    EXPECT_EQ(next.DataFileOpened(path(u"jiný.csvz"_qs)), QString()) << "nothing remembered with another race";
    EXPECT_TRUE(table.rows().empty());
    // Opened through a path of another spelling: the key is the absolute path.
    const QString sameRace = dir.path() + u"/./podsložka/../závod.csvz"_qs;
    EXPECT_EQ(next.DataFileOpened(sameRace), u"Ze souboru jezdci.racerlist načteno závodníků: 2."_qs);
    EXPECT_EQ(names(), (QStringList{u"Pospíšilová Zuzana"_qs, u"Novák Jan"_qs}));
    EXPECT_EQ(next.racerFile(), racerFile);
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(RacerFileMemoryTest, ANewNameKeepsTheRacerFileAndANewRaceStartsWithout)
{
    const QString temp = path(u"~00FF.tmp"_qs), racerFile = path(u"jezdci.racerlist"_qs);
    SaveRacerFile(racerFile, racers);
    RacerFileMemory memory(table, dialogs, temp);
    memory.RacerFileUsed(racerFile);
    EXPECT_EQ(RacerFileMemory::Remembered(temp), racerFile);

    memory.DataFileNamed(path(u"finále.csvz"_qs));  // "Uložit jako..."
    EXPECT_EQ(RacerFileMemory::Remembered(path(u"finále.csvz"_qs)), racerFile);

    memory.NewDataFile(path(u"~0100.tmp"_qs));  // "&Nový"
    memory.DataFileNamed(path(u"druhá jízda.csvz"_qs));
    EXPECT_EQ(RacerFileMemory::Remembered(path(u"druhá jízda.csvz"_qs)), QString())
        << "the racers of the last race are not this race's file until it is used with it";
}

TEST_F(RacerFileMemoryTest, MissingOrDamagedRacerFileIsReportedAndTheTableStays)
{
    struct Case {
        const char *what;
        QByteArray contents;  // empty: the file is gone
        QString message;      // the start of the message shown
        QString reason;       // a part of it that names why
    };
    const QString missing = QDir::toNativeSeparators(path(u"jezdci.racerlist"_qs));
    const std::vector<Case> cases = {
        {"missing",
         {},
         u"Soubor závodníků "_qs + missing
             + u", naposledy otevřený nebo uložený se závodem závod.csvz, nebyl nalezen."_qs,
         u"Závod závod.csvz je otevřen; seznam závodníků zůstal beze změny."_qs},
        {"damaged", "<racerlist version=\"1\"><fields>",
         u"Soubor závodníků "_qs + missing + u" k závodu závod.csvz nelze načíst:\n"_qs,
         u"Závod závod.csvz je otevřen; seznam závodníků zůstal beze změny."_qs},
    };
    const QString race = path(u"závod.csvz"_qs);
    RacerFileMemory::Remember(race, path(u"jezdci.racerlist"_qs));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path(u"jezdci.racerlist"_qs));
        if (!c.contents.isEmpty())
            write(u"jezdci.racerlist"_qs, c.contents);
        ScriptedDialogs shown;
        table.setRows({{1, u"Dosavadní"_qs, {}}});
        RacerFileMemory memory(table, shown, path(u"~1.tmp"_qs));
        EXPECT_EQ(memory.DataFileOpened(race), QString());
        EXPECT_EQ(names(), QStringList{u"Dosavadní"_qs});
        EXPECT_EQ(memory.racerFile(), QString());
        ASSERT_EQ(shown.messages().size(), 1);
        EXPECT_TRUE(shown.messages()[0].startsWith(c.message)) << shown.messages()[0].toStdString();
        EXPECT_TRUE(shown.messages()[0].endsWith(c.reason)) << shown.messages()[0].toStdString();
        EXPECT_EQ(shown.asked[0].icon, MsgIcon::Warning);
        EXPECT_EQ(RacerFileMemory::Remembered(race), path(u"jezdci.racerlist"_qs))
            << "kept: the file may come back (a memory stick plugged in again)";
    }
}

TEST_F(RacerFileMemoryTest, RacersKeptInNoFileAreReplacedOnlyAfterAQuestion)
{
    const QString race = path(u"závod.csvz"_qs), racerFile = path(u"jezdci.racerlist"_qs);
    SaveRacerFile(racerFile, racers);
    RacerFileMemory::Remember(race, racerFile);
    RacerFileMemory memory(table, dialogs, path(u"~2.tmp"_qs));
    table.appendRow({99, u"Napsaný ručně"_qs, {}});

    dialogs.answerQuestion(false);
    EXPECT_EQ(memory.DataFileOpened(race), QString());
    EXPECT_EQ(names(), QStringList{u"Napsaný ručně"_qs});
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
    EXPECT_TRUE(dialogs.asked[0].text.endsWith(u"Nahradit jej souborem jezdci.racerlist?"_qs))
        << dialogs.asked[0].text.toStdString();

    dialogs.answerQuestion(true);
    EXPECT_FALSE(memory.DataFileOpened(race).isEmpty());
    EXPECT_EQ(names().size(), 2);

    // Loaded from its file, the table is replaced without a question.
    EXPECT_FALSE(memory.DataFileOpened(race).isEmpty());
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 2);
}

// A change is on disk within a second, with nobody asking: in the race's own
// racer file, else beside a named data file, which the race then remembers.
TEST_F(RacerFileMemoryTest, ChangedRacersAreSavedBesideTheRaceOrIntoItsRacerFile)
{
    const QString race = path(u"závod.csvz"_qs), beside = path(u"závod.csvz.racerlist"_qs);
    RacerFileMemory memory(table, dialogs, race);
    QSignalSpy saved(&memory, &RacerFileMemory::racersSaved);
    table.setRows(racers);  // an import
    ASSERT_TRUE(saved.wait(2000));
    EXPECT_EQ(saved.takeFirst().at(0).toString(), beside);
    EXPECT_EQ(LoadRacerFile(beside).size(), racers.size());
    EXPECT_EQ(RacerFileMemory::Remembered(race), beside);
    EXPECT_EQ(memory.UnsavedRacers(), 0);

    // A file the operator chose takes the next change.
    const QString chosen = path(u"jezdci.racerlist"_qs);
    SaveRacerFile(chosen, racers);
    memory.RacerFileUsed(chosen);
    table.appendRow({14, u"Žofie Fialová"_qs, {}});
    ASSERT_TRUE(saved.wait(2000));
    EXPECT_EQ(saved.takeFirst().at(0).toString(), chosen);
    EXPECT_EQ(LoadRacerFile(chosen).size(), 3u);
    EXPECT_EQ(LoadRacerFile(beside).size(), 2u);

    // The next run brings them back with the race.
    RacerTable again;
    RacerFileMemory next(again, dialogs, path(u"~3.tmp"_qs));
    next.DataFileOpened(race);
    EXPECT_EQ(again.size(), 3);
}

// A save that fails is told once and tried again until it succeeds.
TEST_F(RacerFileMemoryTest, AFailedSaveIsToldOnceAndTriedAgain)
{
    const QString race = path(u"chybí/závod.csvz"_qs);
    SaveAlarm alarm(&dialogs);
    RacerFileMemory memory(table, dialogs, race);
    memory.SetSaveAlarm(&alarm);
    table.setRows(racers);
    memory.SaveNow();
    table.appendRow({14, u"Další"_qs, {}});
    memory.SaveNow();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith(u"Nemohu uložit soubor závodníků: "_qs))
        << dialogs.messages()[0].toStdString();
    EXPECT_FALSE(alarm.problem(SavedFile::RacerFile).isEmpty());

    ASSERT_TRUE(QDir(dir.path()).mkdir(u"chybí"_qs));
    memory.SaveNow();  // the retry
    EXPECT_EQ(LoadRacerFile(RacerFileMemory::AutomaticRacerFile(race)).size(), 3u);
    EXPECT_TRUE(alarm.problem(SavedFile::RacerFile).isEmpty());
    EXPECT_EQ(dialogs.messages().size(), 1);
}

// An unnamed race keeps its racers beside its temporary file against a crash,
// yet counts them as not saved until a racer file of the operator's or a name
// for the race holds them.
TEST_F(RacerFileMemoryTest, AnUnnamedRaceCountsItsRacersUnsavedUntilNamed)
{
    const QString temp = path(u"~ABC.tmp"_qs);
    RacerFileMemory memory(table, dialogs, temp);
    table.setRows(racers);
    memory.SaveNow();
    EXPECT_TRUE(QFileInfo::exists(temp + u".racerlist"_qs));
    EXPECT_EQ(memory.UnsavedRacers(), 2);

    memory.DataFileNamed(path(u"finále.csvz"_qs));  // "Uložit jako..."
    EXPECT_EQ(memory.UnsavedRacers(), 0);
    EXPECT_EQ(memory.racerFile(), path(u"finále.csvz.racerlist"_qs));
    EXPECT_EQ(LoadRacerFile(memory.racerFile()).size(), 2u);
    EXPECT_EQ(RacerFileMemory::Remembered(path(u"finále.csvz"_qs)), memory.racerFile());

    memory.NewDataFile(path(u"~ABD.tmp"_qs));  // "&Nový": the racers stay in the table
    table.appendRow({14, u"Další"_qs, {}});
    EXPECT_EQ(memory.UnsavedRacers(), 3);
    const QString chosen = path(u"jezdci.racerlist"_qs);
    SaveRacerFile(chosen, table.rows());
    memory.RacerFileUsed(chosen);
    EXPECT_EQ(memory.UnsavedRacers(), 0);
}
