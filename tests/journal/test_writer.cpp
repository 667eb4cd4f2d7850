// The background writer: saves handed over during a write are coalesced into
// one, a failed write is reported, the files are those the store writes at
// once, and the store waits for its last write before it goes.
#include "StoreSetup.h"
#include "Records.h"
#include "BackgroundWriter.h"
#include "ScriptedDialogs.h"
#include "TempDataFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(BackgroundWriter, SavesHandedOverDuringAWriteAreCoalesced)
{
    BackgroundWriter writer;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    QStringList ran, done;
    std::mutex ranMutex;
    auto job = [&](const QString &name, bool block) {
        return [&, name, block] {
            if (block) {
                started.set_value();
                released.wait();
            }
            std::lock_guard lock(ranMutex);
            ran << name;
            return QString();
        };
    };
    auto report = [&done](const QString &name) { return [&done, name](const QString &) { done << name; }; };
    writer.Submit(job("1", true), report("1"));
    started.get_future().wait();  // the first write is under way
    for (const char *name : {"2", "3", "4"})
        writer.Submit(job(name, false), report(name));
    release.set_value();
    // The outcomes come back through the event loop.
    for (int i = 0; i < 200 && done.size() < 2; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    writer.WaitIdle();
    EXPECT_EQ(ran, QStringList({"1", "4"}));
    EXPECT_EQ(done, QStringList({"1", "4"}));
    EXPECT_EQ(writer.writesRun(), 2);
}

class StoreWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetTempFoldersForTesting({dir.path()});
    }
    void TearDown() override { SetTempFoldersForTesting({}); }
    static void Fill(RecordStore &data, int count)
    {
        for (int i = 0; i < count; ++i) {
            AppendRecord(data, Record(i % 50 + 1, 36'000'000 + i * 1234, {.penalty = i % 7}));
        }
    }
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
};

TEST_F(StoreWriterTest, FilesAreThoseTheStoreWritesAtOnce)
{
    const QString atOnce = dir.filePath("now.csvz"), later = dir.filePath("later.csvz");
    {
        RecordStore data(&dialogs);
        Fill(data, 300);
        ASSERT_TRUE(data.SaveAs(atOnce));
    }
    BackgroundWriter writer;
    QStringList saved;
    {
        RecordStore data(&dialogs);
        data.SetSaveQueue(&writer);
        QObject::connect(&data, &RecordStore::saveWritten, [&saved](const QString &name, quint64) { saved << name; });
        Fill(data, 300);
        data.FileName = later;
        for (int i = 0; i < 5; ++i)
            data.Save();
        // Leaving waits for the last write.
    }
    EXPECT_EQ(Bytes(later), Bytes(atOnce));
    EXPECT_EQ(Bytes(ResultsFileName(later)), Bytes(ResultsFileName(atOnce)));
    EXPECT_FALSE(Bytes(later).isEmpty());
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_LE(saved.size(), 5);
    EXPECT_EQ(saved.last(), later);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(StoreWriterTest, AFailedWriteIsReportedAndTheNextSaveTriesAgain)
{
    BackgroundWriter writer;
    RecordStore data(&dialogs);
    data.SetSaveQueue(&writer);
    int saved = 0;
    QObject::connect(&data, &RecordStore::saveWritten, [&saved](const QString &, quint64) { ++saved; });
    Fill(data, 3);
    data.FileName = dir.filePath("missing/folder/race.csvz");
    EXPECT_TRUE(data.Save());  // handed over; the outcome comes later
    EXPECT_FALSE(data.WaitForWrites());
    EXPECT_TRUE(data.LastSaveFailed());
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages().first().startsWith(QStringLiteral("Nemohu zapsat soubor dat: ")));
    EXPECT_EQ(saved, 0);

    data.FileName = dir.filePath("race.csvz");
    data.Save();
    EXPECT_TRUE(data.WaitForWrites());
    EXPECT_FALSE(data.LastSaveFailed());
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(dialogs.messages().size(), 1);
}

}  // namespace
