// Failed saves nobody asked for: one box per episode, however many failures
// it holds and whenever they arrive; a save the operator asked for is
// answered every time.
#include "DataFileReader.h"
#include "Records.h"
#include "StoreFiles.h"
#include "StoreSetup.h"
#include "QtPrinters.h"
#include "RecordStore.h"
#include "SaveAlarm.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include <deque>

namespace {

const QString Eio = QStringLiteral("Input/output error");

// A writer whose next `failures` writes fail with EIO.  Like the background
// writer, a save handed over while another waits replaces it (its outcome
// never comes), and outcomes arrive when the test delivers them, in order.
class FailingWriter : public SaveQueue {
public:
    int failures = 0;
    bool replaces = false;

    void Submit(std::function<QString()> write, std::function<void(const QString &)> done) override
    {
        if (replaces && !m_jobs.empty())
            m_jobs.pop_back();
        m_jobs.push_back({std::move(write), std::move(done)});
    }
    void WaitIdle() override { DeliverAll(); }
    // Runs the oldest waiting write and delivers its outcome; false when none waits.
    bool DeliverOne()
    {
        if (m_jobs.empty())
            return false;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        QString error;
        if (failures > 0) {
            --failures;
            error = Eio;
        } else {
            error = job.write();
        }
        job.done(error);
        return true;
    }
    void DeliverAll()
    {
        while (DeliverOne()) {
        }
    }

private:
    struct Job {
        std::function<QString()> write;
        std::function<void(const QString &)> done;
    };
    std::deque<Job> m_jobs;
};

class SaveAlarmTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        data.SetFileName(dir.filePath(QStringLiteral("zavod.csvz")));
        data.SetSaveQueue(&writer);
        data.setRetryInterval(60'000);  // the test saves by itself
    }
    void TearDown() override { data.SetSaveQueue(nullptr); }
    // One change, saved as the store saves after each.
    void Change(bool asked = false)
    {
        AppendRecord(data, Record(++number, "10:00:00,000"));
        data.Save(asked);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FailingWriter writer;
    RecordStore data{&dialogs};
    int number = 0;
};

// The writer's thread goes on while the first box waits for its OK: the
// failures it delivers meanwhile belong to the same episode.
TEST_F(SaveAlarmTest, AnEpisodeOfFailuresGivesOneBoxEvenWhileTheBoxIsOpen)
{
    QSignalSpy problem(&data, &RecordStore::saveProblemChanged);
    for (int failures : {1, 8, 30}) {
        SCOPED_TRACE(failures);
        dialogs.asked.clear();
        writer.failures = failures;
        for (int i = 0; i < failures; ++i)
            Change();
        dialogs.whileOpen = [this](const ScriptedDialogs::Asked &) { writer.DeliverAll(); };
        writer.DeliverAll();
        dialogs.whileOpen = nullptr;
        EXPECT_EQ(dialogs.messages(), QStringList{Prefix + Eio});
        EXPECT_EQ(data.saveProblem(), Eio);
        EXPECT_TRUE(data.LastSaveFailed());

        // The first success ends the episode: the next failure is told again.
        Change();
        writer.DeliverAll();
        EXPECT_TRUE(data.saveProblem().isEmpty());
        EXPECT_EQ(ReadDataFile(data.FileName).records.size(), size_t(number));
    }
    writer.failures = 1;
    Change();
    writer.DeliverAll();
    EXPECT_EQ(dialogs.messages().size(), 2);
    // Each episode raised the problem once and cleared it once.
    EXPECT_EQ(problem.size(), 7);
}

// "&Uložit" during an episode gets its box; so does it when a change came
// before it was written and the writer took the newer save instead.
TEST_F(SaveAlarmTest, ASaveTheOperatorAskedForIsAnsweredEveryTime)
{
    writer.replaces = true;
    writer.failures = 100;
    Change();
    writer.DeliverAll();
    ASSERT_EQ(dialogs.messages().size(), 1);

    data.Save(true);
    writer.DeliverAll();
    EXPECT_EQ(dialogs.messages().size(), 2);

    data.Save(true);
    Change();  // replaces the asked save before it runs
    writer.DeliverAll();
    EXPECT_EQ(dialogs.messages().size(), 3);

    // Once answered, the unasked saves are quiet again.
    Change();
    writer.DeliverAll();
    EXPECT_EQ(dialogs.messages().size(), 3);
}

// One alarm for every file: what fails together is one episode, one box;
// each file keeps its own problem until it is saved again.  The racer file
// is saved only when asked: each failure is answered, and its problem
// keeps no episode open.
TEST(SaveAlarm, FilesThatFailTogetherShareOneBox)
{
    ScriptedDialogs dialogs;
    SaveAlarm alarm(&dialogs);
    QSignalSpy changed(&alarm, &SaveAlarm::problemChanged);
    for (int i = 0; i < 5; ++i) {
        alarm.Failed(SavedFile::DataFile, Eio);
        alarm.Report(SavedFile::Journal, Eio);
    }
    EXPECT_EQ(dialogs.messages(), QStringList{u"Nemohu zapsat soubor dat: Input/output error"_qs});
    EXPECT_EQ(changed.size(), 2);
    alarm.Succeeded(SavedFile::DataFile);
    alarm.Failed(SavedFile::DataFile, u"No space left on device"_qs);  // the journal's episode still lasts
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(alarm.problem(SavedFile::DataFile), u"No space left on device"_qs);
    alarm.Succeeded(SavedFile::DataFile);
    alarm.Report(SavedFile::Journal, QString());
    EXPECT_TRUE(alarm.problem(SavedFile::Journal).isEmpty());

    for (int i = 0; i < 3; ++i)
        alarm.Failed(SavedFile::RacerFile, u"Permission denied"_qs, true);
    EXPECT_EQ(dialogs.messages().size(), 4);
    EXPECT_EQ(dialogs.messages().back(), u"Chyba: Permission denied"_qs);
    alarm.Failed(SavedFile::Journal, Eio);
    EXPECT_EQ(dialogs.messages().size(), 5);
    EXPECT_EQ(dialogs.messages().back(), u"Nemohu zapsat deník impulsů: Input/output error"_qs);
    EXPECT_EQ(alarm.problem(SavedFile::RacerFile), u"Permission denied"_qs);
}

}  // namespace
