// The race sheet beside the data file: each change a step of the history,
// written at once, brought back after a crash, and a damaged file kept.
#include "Clock.h"
#include "JournalRace.h"
#include "RaceSheetFile.h"
#include "TempDataFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

SheetChange Status(const RaceSheet &now, int number, RacerStatus status, const QString &reason = {})
{
    SheetChange change;
    change.edits = {SheetEdit::Status(number, now.status(number), {status, reason})};
    return change;
}

SheetChange Rule(const RaceSheet &now, const QString &category, FinishRule rule)
{
    SheetChange change;
    change.edits = {SheetEdit::Rule(category, now.ownRule(category), rule)};
    return change;
}

class RaceSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetTempFoldersForTesting({dir.path()});
        named = dir.filePath("zavod.csvz");
        sheetFile = named + ".zavod.json";
        dialogs.savePath = named;
    }
    void TearDown() override { SetTempFoldersForTesting({}); }

    QTemporaryDir dir;
    QString named, sheetFile;
    AnsweringDialogs dialogs;
};

TEST_F(RaceSheetTest, EachChangeIsOneStepAndTheFileFollowsUndoAndRedo)
{
    JournalRace race(dialogs);
    race.desk.saveAs();
    ASSERT_EQ(race.sheet.fileName(), sheetFile);
    EXPECT_FALSE(QFile::exists(sheetFile));  // nothing to hold yet
    ASSERT_TRUE(race.desk.ChangeSheet(Status(race.sheet.sheet(), 12, RacerStatus::DSQ, QStringLiteral("zkrácení"))));
    ASSERT_TRUE(race.desk.ChangeSheet(Rule(race.sheet.sheet(), QStringLiteral("Ženy"), FinishRule::Laps(5))));
    // A change applied straight to the sheet joins the history too.
    ASSERT_TRUE(race.sheet.apply(Status(race.sheet.sheet(), 3, RacerStatus::DNF)));
    EXPECT_EQ(race.desk.history().count(), 3);
    EXPECT_EQ(race.desk.history().text(0), QStringLiteral("stav čísla 12: DSQ"));
    EXPECT_EQ(ParseRaceSheet(Bytes(sheetFile)), race.sheet.sheet());

    race.desk.Undo();
    race.desk.Undo();
    EXPECT_TRUE(race.sheet.sheet().ownRule(QStringLiteral("ženy")).none());
    EXPECT_EQ(race.sheet.sheet().status(12).reason, QStringLiteral("zkrácení"));
    EXPECT_EQ(ParseRaceSheet(Bytes(sheetFile)), race.sheet.sheet());
    race.desk.Redo();
    EXPECT_EQ(race.sheet.sheet().ownRule(QStringLiteral("Ženy")), FinishRule::Laps(5));
    EXPECT_EQ(ParseRaceSheet(Bytes(sheetFile)), race.sheet.sheet());

    // "Cílová vlajka" for every category: the common rule and Ženy's, one step.
    SetClockForTesting([] { return 14 * MsPerHour; });
    ASSERT_TRUE(race.desk.WaveFinishFlag({}));
    SetClockForTesting(nullptr);
    EXPECT_EQ(race.sheet.sheet().ruleFor(QStringLiteral("MX1")), FinishRule::At(14 * MsPerHour));
    EXPECT_EQ(race.sheet.sheet().ruleFor(QStringLiteral("Ženy")), FinishRule::At(14 * MsPerHour));
    race.desk.Undo();
    EXPECT_EQ(race.sheet.sheet().ruleFor(QStringLiteral("Ženy")), FinishRule::Laps(5));
    EXPECT_TRUE(race.sheet.sheet().ruleFor(QStringLiteral("MX1")).none());

    // "Uložit jako..." takes the sheet along; "Nový" starts without one.
    const QString other = dir.filePath("kopie.csvz");
    dialogs.savePath = other;
    race.desk.saveAs();
    EXPECT_EQ(ParseRaceSheet(Bytes(other + ".zavod.json")), race.sheet.sheet());
    race.desk.newFile();
    EXPECT_TRUE(race.sheet.sheet().empty());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(' ').toStdString();
}

TEST_F(RaceSheetTest, ACrashRightAfterAStatusChangeRestoresIt)
{
    QByteArray before;
    {
        JournalRace race(dialogs);
        race.Insert(11);  // names the file
        ASSERT_TRUE(race.desk.ChangeSheet(Status(race.sheet.sheet(), 7, RacerStatus::DNS)));
        before = Bytes(sheetFile);
        ASSERT_TRUE(race.desk.ChangeSheet(Status(race.sheet.sheet(), 12, RacerStatus::DNF, QStringLiteral("pád"))));
        // The crash struck after the journal line, before the file was replaced.
        Write(sheetFile, before);
        race.keeper.disconnect();
    }
    const JournalFindings found = InspectJournal(named + ".journal");
    EXPECT_EQ(found.sheetChanges, 1);
    AnsweringDialogs answers;
    JournalRace fresh(answers);
    fresh.RecoverAtStart();
    EXPECT_EQ(answers.questions, 1);
    EXPECT_EQ(fresh.sheet.sheet().status(12), (StatusEntry{RacerStatus::DNF, QStringLiteral("pád")}));
    EXPECT_EQ(fresh.sheet.sheet().status(7).status, RacerStatus::DNS);
    EXPECT_EQ(ParseRaceSheet(Bytes(sheetFile)), fresh.sheet.sheet());
}

TEST_F(RaceSheetTest, ADamagedSheetIsToldAndKeptUntilTheOperatorReplacesIt)
{
    {
        JournalRace race(dialogs);
        race.Insert(11);
    }
    const QByteArray damaged = "{\"version\": 1, \"statuses\": [{\"number\": 3, \"status\": \"OUT\"}]}";
    Write(sheetFile, damaged);
    AnsweringDialogs answers;
    answers.savePath = named;
    JournalRace race(answers);
    race.desk.openFile();
    ASSERT_EQ(race.data.FileName, named);
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].contains(sheetFile)) << answers.messages[0].toStdString();
    EXPECT_TRUE(answers.messages[0].contains(QStringLiteral("neznámý stav „OUT“")))
        << answers.messages[0].toStdString();
    EXPECT_TRUE(race.sheet.unreadable());
    EXPECT_TRUE(race.sheet.sheet().empty());

    answers.yes = false;
    const int asked = answers.questions, steps = race.desk.history().count();
    EXPECT_FALSE(race.desk.ChangeSheet(Status(race.sheet.sheet(), 5, RacerStatus::DNF)));
    EXPECT_EQ(answers.questions, asked + 1);
    EXPECT_EQ(Bytes(sheetFile), damaged);
    EXPECT_EQ(race.desk.history().count(), steps);
    answers.yes = true;
    EXPECT_TRUE(race.desk.ChangeSheet(Status(race.sheet.sheet(), 5, RacerStatus::DNF)));
    EXPECT_EQ(ParseRaceSheet(Bytes(sheetFile)).status(5).status, RacerStatus::DNF);
    EXPECT_FALSE(race.sheet.unreadable());
}

TEST_F(RaceSheetTest, ARaceOpenedOutsideTheDeskHasItsSheetRead)
{
    // An unnamed race a crash left is opened by the store alone.
    {
        JournalRace race(dialogs);
        race.Insert(11);
    }
    Write(sheetFile, RaceSheetJson([] {
              RaceSheet sheet;
              sheet.setStatus(11, {RacerStatus::DNS, QString()});
              return sheet;
          }()));
    AnsweringDialogs answers;
    JournalRace race(answers);
    ASSERT_TRUE(race.data.Load(named));
    RecoveryTarget target = race.Target();
    RecoverOpened(target);
    EXPECT_EQ(race.sheet.fileName(), sheetFile);
    EXPECT_EQ(race.sheet.sheet().status(11).status, RacerStatus::DNS);
}

}  // namespace
