// Recovery after a run that ended without a clean close: the question, what
// "Ano" brings back and saves, what "Ne" keeps aside, and where the journal
// lives as the data file changes name.
#include "JournalRace.h"
#include "TempDataFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Rows(const ImpulseListModel &list)
{
    QStringList out;
    for (const auto &row : list.rows())
        out << row.caption + u' ' + row.subItem;
    return out;
}

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class JournalRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetTempFoldersForTesting({dir.path()});
        named = dir.filePath("race.csvz");
        dialogs.savePath = named;
    }
    void TearDown() override { SetTempFoldersForTesting({}); }

    // A race that stops without a clean close: a start impulse listed, a
    // preselection waiting, a finish stamp read but never listed, two
    // records saved and one change the data file never got.
    void CrashedRace()
    {
        JournalRace race(dialogs);
        race.ModuleStamp(JournalList::Finish, 36'000'000);
        race.Insert(11);  // names the file, saves
        race.ModuleStamp(JournalList::Start, 36'001'500);
        race.Insert(12);  // no finish impulse: a preselection
        race.manual.OpenNew();
        race.manual.setTyped("10:00:03,000", "13", "0");
        race.manual.Button1Click();
        race.keeper.StampRead(JournalList::Finish, 36'004'500);
        JournalEntry unsaved;
        unsaved.kind = JournalKind::RecordEdited;
        unsaved.before = {13, 36'003'000, 0};
        unsaved.record = {13, 36'003'000, 20};
        race.keeper.Write(unsaved);
        ASSERT_EQ(race.keeper.path(), named + ".journal");
    }

    QTemporaryDir dir;
    QString named;
    AnsweringDialogs dialogs;
};

TEST_F(JournalRecoveryTest, YesBringsBackRowsAndRecordsAndSavesThem)
{
    CrashedRace();
    AnsweringDialogs answers;
    JournalRace fresh(answers);
    fresh.RecoverAtStart();
    EXPECT_EQ(answers.questions, 1);
    EXPECT_EQ(Rows(fresh.desk.startList()), QStringList({"IMPULS FB1 10:00:01,500"}));
    EXPECT_EQ(Rows(fresh.desk.finishList()), QStringList({"Před.IMPULS 12", "IMPULS FB2 10:00:04,500"}));
    ASSERT_EQ(fresh.data.FileName, named);
    EXPECT_FALSE(fresh.data.Unnamed);

    TData disk(nullptr);
    ASSERT_TRUE(disk.Load(named));
    ASSERT_EQ(disk.Records.size(), 2u);
    EXPECT_EQ(disk.Records[0]->Number, 11);
    EXPECT_EQ(disk.Records[1]->Number, 13);
    EXPECT_EQ(disk.Records[1]->Penalty, 20);
    // The journal now says what is listed and nothing the file lacks; the
    // old one is gone, its content being safe.
    const JournalFindings now = InspectJournal(named + ".journal");
    EXPECT_EQ(now.replay.rows.size(), 3u);
    EXPECT_EQ(now.recordChanges, 0);
    EXPECT_EQ(QDir(dir.path()).entryList({"*.journal.*"}), QStringList());

    // A clean close with rows still listed keeps them for the next start.
    fresh.data.WaitForWrites();
    fresh.keeper.Close();
    AnsweringDialogs next;
    JournalRace again(next);
    again.RecoverAtStart();
    EXPECT_EQ(next.questions, 1);
    EXPECT_EQ(again.desk.finishList().size(), 2);
}

TEST_F(JournalRecoveryTest, NoKeepsTheJournalAsideUntouched)
{
    CrashedRace();
    const QByteArray journal = Bytes(named + ".journal");
    AnsweringDialogs answers;
    answers.yes = false;
    {
        JournalRace fresh(answers);
        fresh.RecoverAtStart();
        EXPECT_EQ(answers.questions, 1);
        EXPECT_TRUE(fresh.desk.startList().empty());
        EXPECT_TRUE(fresh.desk.finishList().empty());
        EXPECT_TRUE(fresh.data.Records.empty());
        EXPECT_TRUE(fresh.data.Unnamed);
        fresh.keeper.Close();
    }
    const QStringList aside = QDir(dir.path()).entryList({"race.csvz.journal.*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(Bytes(dir.filePath(aside.first())), journal);
    EXPECT_FALSE(QFile::exists(named + ".journal"));
    // Asked once: the next start finds nothing to offer.
    JournalRace later(answers);
    later.RecoverAtStart();
    EXPECT_EQ(answers.questions, 1);
}

TEST_F(JournalRecoveryTest, CleanCloseWithEverythingSavedLeavesNoJournal)
{
    {
        JournalRace race(dialogs);
        race.ModuleStamp(JournalList::Finish, 36'000'000);
        race.Insert(11);
        race.data.WaitForWrites();  // as the window does before it closes
        race.keeper.Close();
    }
    EXPECT_EQ(QDir(dir.path()).entryList({"*.journal*"}), QStringList());
    JournalRace next(dialogs);
    next.RecoverAtStart();
    EXPECT_EQ(dialogs.questions, 0);
}

TEST_F(JournalRecoveryTest, JournalFollowsTheDataFileAndIsOfferedWhenItIsOpened)
{
    CrashedRace();
    // Another run, on another file, opens the crashed race's file.
    AnsweringDialogs answers;
    answers.savePath = named;
    JournalRace other(answers);
    const QString temporaryJournal = other.keeper.path();
    EXPECT_TRUE(QFile::exists(temporaryJournal));
    other.desk.Button28Click();
    EXPECT_EQ(answers.questions, 1);
    EXPECT_EQ(other.desk.finishList().size(), 2);
    ASSERT_EQ(other.data.Records.size(), 2u);
    EXPECT_EQ(other.data.Records[1]->Penalty, 20);
    EXPECT_EQ(other.keeper.path(), named + ".journal");
    EXPECT_FALSE(QFile::exists(temporaryJournal));
}

TEST_F(JournalRecoveryTest, DeletedImpulsesAndRecordsStayDeleted)
{
    {
        JournalRace race(dialogs);
        race.ModuleStamp(JournalList::Finish, 36'000'000);
        race.ModuleStamp(JournalList::Finish, 36'001'000);
        race.ModuleStamp(JournalList::Start, 36'002'000);
        race.Insert(11);
        race.desk.finishList().setSelectedRow(0);
        race.desk.btnSmazClick();
        race.desk.Button21Click(race.data.Records.front());
        race.ModuleStamp(JournalList::Finish, 36'003'000);
    }
    AnsweringDialogs answers;
    JournalRace fresh(answers);
    fresh.RecoverAtStart();
    EXPECT_EQ(Rows(fresh.desk.startList()), QStringList({"IMPULS FB1 10:00:02,000"}));
    EXPECT_EQ(Rows(fresh.desk.finishList()), QStringList({"IMPULS FB2 10:00:03,000"}));
    EXPECT_TRUE(fresh.data.Records.empty());
}

}  // namespace
