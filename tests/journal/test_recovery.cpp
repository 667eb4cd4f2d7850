// Recovery after a run that ended without a clean close: the question, what
// "Ano" brings back and saves, what "Ne" keeps aside, and where the journal
// lives as the data file changes name.
#include "DataFileReader.h"
#include "JournalEntries.h"
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
        out << row.caption() + u' ' + row.valueText();
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
        race.manual.confirm();
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

    RecordStore disk(nullptr);
    ASSERT_TRUE(disk.Load(named));
    ASSERT_EQ(disk.records().size(), 2u);
    EXPECT_EQ(disk.records()[0]->Number, 11);
    EXPECT_EQ(disk.records()[1]->Number, 13);
    EXPECT_EQ(disk.records()[1]->Penalty, 20);
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
        EXPECT_TRUE(fresh.data.records().empty());
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
    other.desk.openFile();
    EXPECT_EQ(answers.questions, 1);
    EXPECT_EQ(other.desk.finishList().size(), 2);
    ASSERT_EQ(other.data.records().size(), 2u);
    EXPECT_EQ(other.data.records()[1]->Penalty, 20);
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
        race.desk.deleteSelectedImpulse();
        race.desk.deleteRecord(race.data.records().front());
        race.ModuleStamp(JournalList::Finish, 36'003'000);
    }
    AnsweringDialogs answers;
    JournalRace fresh(answers);
    fresh.RecoverAtStart();
    EXPECT_EQ(Rows(fresh.desk.startList()), QStringList({"IMPULS FB1 10:00:02,000"}));
    EXPECT_EQ(Rows(fresh.desk.finishList()), QStringList({"IMPULS FB2 10:00:03,000"}));
    EXPECT_TRUE(fresh.data.records().empty());
}

}  // namespace

namespace {

// The data file already holds an edit that the journal has no "saved" mark
// for: racer 8 must keep one passage, with its penalty.
TEST_F(JournalRecoveryTest, AnEditTheDataFileAlreadyHoldsIsNotMadeAgain)
{
    {
        QFile data(named);
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
        data.write("\"8\",\"\",\"10:00:09,000\",\"1\",\"00:00:00,000\",\"10\"\r\n");
    }
    JournalEntry added = Change(JournalKind::RecordAdded, {8, 36'009'000, 0});
    JournalEntry edited = Change(JournalKind::RecordEdited, {8, 36'009'000, 10}, {8, 36'009'000, 0});
    // A finish impulse still listed, so that there is something to offer.
    JournalEntry row = Row(JournalList::Finish, 1, QStringLiteral("IMPULS FB2"), QStringLiteral("10:00:10,000"));
    for (const bool begun : {false, true}) {
        SCOPED_TRACE(begun ? "a journal that begins with what its file held" : "a journal of an older version");
        QFile journal(named + ".journal");
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
        quint64 seq = 0;
        std::vector<JournalEntry> lines = {added, edited, row};
        if (begun) {
            JournalEntry begin = Of(JournalKind::Begin);
            lines.insert(lines.begin(), begin);
        }
        for (JournalEntry e : lines) {
            e.seq = ++seq;
            journal.write(EncodeJournalLine(e));
        }
        journal.close();

        AnsweringDialogs answers;
        JournalRace fresh(answers);
        fresh.RecoverAtStart();
        EXPECT_EQ(answers.questions, 1);
        ASSERT_EQ(fresh.data.records().size(), 1u);
        EXPECT_EQ(fresh.data.records()[0]->Number, 8);
        EXPECT_EQ(fresh.data.records()[0]->Penalty, 10);
        EXPECT_EQ(fresh.desk.finishList().size(), 1);
        fresh.data.WaitForWrites();
        EXPECT_EQ(ReadDataFile(named).records.size(), 1u);
        fresh.desk.deleteAllImpulses();
        fresh.data.WaitForWrites();
        fresh.keeper.Close();
    }
}

}  // namespace

namespace {

// Writes the saves handed to it until the "crash": those after it never
// reach the disk.
class CrashingQueue : public SaveQueue {
public:
    bool crashed = false;
    void Submit(std::function<QString()> write, std::function<void(const QString &)> done) override
    {
        if (!crashed)
            done(write());
    }
    void WaitIdle() override {}
};

// A crash right after undo steps, before their save was written: the data
// file holds the state before the undo, the journal the state after it, and
// recovery brings back the latter: the record edit taken back, the record
// taken back gone, its impulse listed again.
TEST_F(JournalRecoveryTest, CrashRightAfterAnUndoRestoresTheUndoneState)
{
    CrashingQueue queue;
    {
        JournalRace race(dialogs, &queue);
        race.ModuleStamp(JournalList::Finish, 36'000'000);
        race.Insert(11);  // names the file, saves
        race.ModuleStamp(JournalList::Finish, 36'002'000);
        race.Insert(12);
        race.manual.OpenRecord(race.data.records().front());
        race.manual.setTyped("10:00:00,000", "11", "30");
        race.manual.confirm();
        queue.crashed = true;
        race.desk.Undo();  // the penalty
        race.desk.Undo();  // number 12
        EXPECT_EQ(Rows(race.desk.finishList()), QStringList({"IMPULS FB2 10:00:02,000"}));
        EXPECT_TRUE(dialogs.messages.isEmpty());
    }
    RecordStore before(nullptr);
    ASSERT_TRUE(before.Load(named));
    ASSERT_EQ(before.records().size(), 2u);  // the file still holds what was undone

    AnsweringDialogs answers;
    JournalRace fresh(answers);
    fresh.RecoverAtStart();
    EXPECT_EQ(answers.questions, 1);
    EXPECT_EQ(Rows(fresh.desk.finishList()), QStringList({"IMPULS FB2 10:00:02,000"}));
    ASSERT_EQ(fresh.data.records().size(), 1u);
    EXPECT_EQ(fresh.data.records()[0]->Number, 11);
    EXPECT_EQ(fresh.data.records()[0]->Penalty, 0);
    // Recovery's "Ano" is a step of its own: taken back, the rows and the
    // records it restored go again.
    ASSERT_EQ(fresh.desk.history().count(), 1);
    EXPECT_EQ(fresh.desk.history().undoText(), QStringLiteral("obnovení z deníku"));
}

}  // namespace
