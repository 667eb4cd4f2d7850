// A journal the disk refuses: nothing reported as written is ever lost or
// swallowed by a torn line, what waits in memory follows as soon as the disk
// allows, and the keeper says so once per episode.
#include "AtomicFile.h"
#include "DiskFaults.h"
#include "JournalEntries.h"
#include "JournalFile.h"
#include "JournalKeeper.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Entries whose record number tells them apart.
JournalEntry Numbered(int n)
{
    return Change(JournalKind::RecordAdded, {n, 36'000'000 + n, 0});
}

// Every entry read back, by its number; `skipped` counts lines that did not decode.
std::vector<int> NumbersIn(const QString &path, int *skipped)
{
    std::vector<int> numbers;
    for (const JournalEntry &e : ReadJournal(Bytes(path), skipped))
        numbers.push_back(e.record.number);
    return numbers;
}

std::vector<int> OneTo(int n)
{
    std::vector<int> v;
    for (int i = 1; i <= n; ++i)
        v.push_back(i);
    return v;
}

TEST(JournalFailures, AWriteCutShortNeverSwallowsTheNextEntry)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("race.csvz.journal");
    IgnoreFileSizeSignal();
    JournalFile file(path);
    ASSERT_TRUE(file.Append({Numbered(1), Numbered(2)}));
    // The limit falls in the middle of the next batch's second line.
    const qint64 size = QFileInfo(path).size();
    FileSizeLimit limit(dir.path(), rlim_t(size + EncodeJournalLine(Numbered(3)).size() + 10));
    limit.arm();
    const bool written = file.Append({Numbered(3), Numbered(4), Numbered(5)});
    limit.disarm();
    EXPECT_FALSE(written);
    EXPECT_TRUE(file.failing());
    EXPECT_FALSE(file.error().isEmpty());
    // The whole line that fitted is there once, the torn one is cut back.
    ASSERT_TRUE(file.Append(Numbered(6)));
    EXPECT_FALSE(file.failing());
    int skipped = -1;
    EXPECT_EQ(NumbersIn(path, &skipped), OneTo(6));
    EXPECT_EQ(skipped, 0);
    EXPECT_TRUE(Bytes(path).endsWith('\n'));
}

TEST(JournalFailures, AJournalLeftTornStartsItsNextEntryOnALineOfItsOwn)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("race.csvz.journal");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(EncodeJournalLine(Numbered(1)) + EncodeJournalLine(Numbered(2)).left(9));
    }
    JournalFile file(path);
    ASSERT_TRUE(file.Append(Numbered(3)));
    int skipped = 0;
    EXPECT_EQ(NumbersIn(path, &skipped), std::vector<int>({1, 3}));
    EXPECT_EQ(skipped, 1);  // the torn line, and only it
}

TEST(JournalFailures, OnAFullDiskEntriesWaitAndFollowWhenThereIsRoomAgain)
{
    QTemporaryDir scratch;
    FullDisk disk(scratch.path());
    if (!disk.impossible.isEmpty())
        GTEST_SKIP() << disk.impossible.toStdString();
    const QString path = disk.folder + QStringLiteral("/race.csvz.journal");
    JournalFile file(path);
    int n = 0;
    ASSERT_TRUE(file.Append({Numbered(++n), Numbered(++n)}));
    disk.arm();
    int refused = 0;
    // The page the journal ends in may still take a few lines.
    for (int batch = 0; batch < 300; ++batch) {
        std::vector<JournalEntry> entries;
        for (int i = 0; i < 1 + batch % 3; ++i)
            entries.push_back(Numbered(++n));
        refused += file.Append(entries) ? 0 : 1;
    }
    EXPECT_GT(refused, 0);
    EXPECT_TRUE(file.failing());
    EXPECT_EQ(file.error(), QString::fromLocal8Bit(std::strerror(ENOSPC)));
    disk.disarm();
    ASSERT_TRUE(file.Retry());
    ASSERT_TRUE(file.Append(Numbered(++n)));
    int skipped = -1;
    EXPECT_EQ(NumbersIn(path, &skipped), OneTo(n));
    EXPECT_EQ(skipped, 0);
}

class KeeperFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        IgnoreFileSizeSignal();
        dataFile = dir.filePath("race.csvz");
        keeper.Begin(dataFile);
        keeper.setRetryInterval(20);
    }
    QTemporaryDir dir;
    QString dataFile;
    JournalKeeper keeper;
};

TEST_F(KeeperFailureTest, SaysOncePerEpisodeAndCatchesUpByItself)
{
    QSignalSpy said(&keeper, &JournalKeeper::writingChanged);
    const QString journal = keeper.path();
    FileSizeLimit limit(dir.path(), rlim_t(QFileInfo(journal).size() + 30));
    limit.arm();
    int n = 0;
    for (int i = 0; i < 5; ++i)
        keeper.Write(Numbered(++n));
    // The module's thread: its failure reaches the main thread by itself.
    std::thread link([this] { keeper.StampRead(JournalList::Finish, 36'123'000); });
    link.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(said.size(), 1);
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    EXPECT_EQ(said[0][0].toString(), reason);
    EXPECT_EQ(keeper.writeProblem(), reason);

    limit.disarm();
    // Nothing new is written: the retry alone brings the journal up to date.
    ASSERT_TRUE(said.wait(2000));
    EXPECT_EQ(said.size(), 2);
    EXPECT_EQ(said[1][0].toString(), QString());
    const std::vector<JournalEntry> entries = ReadJournal(Bytes(journal));
    std::vector<int> numbers;
    bool stamp = false;
    for (const JournalEntry &e : entries) {
        if (e.kind == JournalKind::RecordAdded)
            numbers.push_back(e.record.number);
        stamp = stamp || (e.kind == JournalKind::Stamp && e.time == 36'123'000);
    }
    EXPECT_EQ(numbers, OneTo(n));
    EXPECT_TRUE(stamp);

    // A second episode is told again.
    limit.arm();
    keeper.Write(Numbered(++n));
    limit.disarm();
    EXPECT_EQ(said.size(), 3);
}

TEST_F(KeeperFailureTest, AJournalThatCannotBeStartedIsToldAndStartedLater)
{
    QSignalSpy said(&keeper, &JournalKeeper::writingChanged);
    const QString folder = dir.filePath("later");
    keeper.Begin(folder + QStringLiteral("/race.csvz"));  // the folder is not there yet
    ASSERT_EQ(said.size(), 1);
    EXPECT_FALSE(said[0][0].toString().isEmpty());
    EXPECT_EQ(keeper.dataFile(), dataFile);  // the previous journal goes on
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(said.wait(2000));
    EXPECT_EQ(said[1][0].toString(), QString());
    EXPECT_EQ(keeper.path(), folder + QStringLiteral("/race.csvz.journal"));
}

}  // namespace
