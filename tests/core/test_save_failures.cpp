// Saves that fail: the operator learns the system's reason, the previous
// files stay whole and no copy is left beside them.
#include "StoreSetup.h"
#include "StoreFiles.h"
#include "Records.h"
#include "AtomicFile.h"
#include "DataFileReader.h"
#include "DiskFaults.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "RecordStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FailureCase {
    const char *name;
    int error;  // the errno whose text the operator sees
    std::unique_ptr<Fault> (*make)(const QString &scratch);
};

class SaveFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SaveFailureTest, SaysWhyAndKeepsThePreviousFiles)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    std::unique_ptr<Fault> fault = GetParam().make(scratch.path());
    if (!fault->impossible.isEmpty())
        GTEST_SKIP() << fault->impossible.toStdString();

    ScriptedDialogs dialogs;
    RecordStore data(&dialogs);
    const QString target = fault->folder + QStringLiteral("/zavod.csvz");
    data.ReplaceRecords({Record(12, "10:00:00,000")});
    ASSERT_TRUE(data.SaveAs(target));
    const QByteArray oldData = ReadAll(target);
    const QByteArray oldResults = ReadAll(ResultsFileName(target));

    for (int i = 0; i < 3000; ++i)
        AppendRecord(data, Record(13, "11:00:00,000"));
    fault->arm();
    const bool saved = data.Save();
    fault->disarm();

    EXPECT_FALSE(saved);
    EXPECT_TRUE(data.LastSaveFailed());
    EXPECT_EQ(dialogs.messages(), QStringList{Prefix + QString::fromLocal8Bit(std::strerror(GetParam().error))});
    EXPECT_EQ(ReadAll(target), oldData);
    EXPECT_EQ(ReadAll(ResultsFileName(target)), oldResults);
    EXPECT_EQ(QDir(fault->folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"zavod.csvz", "zavod.results"}));
    EXPECT_EQ(data.MaxLap, 3000);  // laps are numbered all the same

    // Once there is room again, the next save goes through.
    data.ReplaceRecords({data.records()[0], data.records()[1]});
    EXPECT_TRUE(data.Save());
    EXPECT_FALSE(data.LastSaveFailed());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveFailureTest,
    ::testing::Values(
        FailureCase{"FileSizeLimit", EFBIG,
                    [](const QString &s) -> std::unique_ptr<Fault> { return std::make_unique<FileSizeLimit>(s); }},
        FailureCase{"ReadOnlyFolder", EACCES,
                    [](const QString &s) -> std::unique_ptr<Fault> { return std::make_unique<ReadOnlyFolder>(s); }},
        FailureCase{"FullDisk", ENOSPC,
                    [](const QString &s) -> std::unique_ptr<Fault> { return std::make_unique<FullDisk>(s); }}),
    [](const ::testing::TestParamInfo<FailureCase> &c) { return std::string(c.param.name); });

// A save killed before its rename leaves its copy under a name that says
// whose it is; the next successful save of that file clears such copies and
// nothing else.
TEST(TempCopies, StaleOnesOfTheSavedFileGoAtTheNextSave)
{
    QTemporaryDir dir;
    const QStringList stale{"zavod.csvz.tikomat-Ab12Cd", "zavod.results.tikomat-000000"};
    const QStringList kept{"jiny.csvz.tikomat-Ab12Cd", "zavod.csvz.tikomat-Ab12", "zavod.csvz.tikomat-Ab12Cd.txt",
                           "zavod.csvz.tikomat-Ab-2Cd", "zavod.csvz.1a2B3c"};
    for (const QString &name : stale + kept) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old copy");
    }
    ScriptedDialogs dialogs;
    RecordStore data(&dialogs);
    data.ReplaceRecords({Record(12, "10:00:00,000")});
    ASSERT_TRUE(data.SaveAs(dir.filePath("zavod.csvz")));
    QStringList expected = kept + QStringList{"zavod.csvz", "zavod.results"};
    expected.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

}  // namespace

// A full disk during a race: one message, however many changes come while it
// lasts; the store goes on trying by itself, and the next episode is told
// again.  A save the operator asks for tells its failure every time.
TEST(SaveFailureEpisodes, AFullDiskGivesOneMessagePerEpisode)
{
    QTemporaryDir scratch;
    FullDisk disk(scratch.path());
    if (!disk.impossible.isEmpty())
        GTEST_SKIP() << disk.impossible.toStdString();
    ScriptedDialogs dialogs;
    RecordStore data(&dialogs);
    data.setRetryInterval(20);
    QSignalSpy problem(&data, &RecordStore::saveProblemChanged);
    ASSERT_TRUE(data.SaveAs(disk.folder + QStringLiteral("/zavod.csvz")));

    disk.arm();
    for (int i = 0; i < 30; ++i) {
        AppendRecord(data, Record(12, "10:00:00,000"));
        EXPECT_FALSE(data.Save());
    }
    EXPECT_EQ(dialogs.messages(), QStringList{Prefix + QString::fromLocal8Bit(std::strerror(ENOSPC))});
    ASSERT_EQ(problem.size(), 1);
    EXPECT_EQ(problem[0][0].toString(), QString::fromLocal8Bit(std::strerror(ENOSPC)));
    EXPECT_TRUE(data.SaveAs(data.FileName) == false);
    EXPECT_EQ(dialogs.messages().size(), 2);  // asked for: told

    disk.disarm();
    // No change comes: the retry alone saves the 30 records.
    ASSERT_TRUE(problem.wait(2000));
    EXPECT_EQ(problem.last()[0].toString(), QString());
    EXPECT_FALSE(data.LastSaveFailed());
    EXPECT_EQ(ReadDataFile(data.FileName).records.size(), 30u);

    disk.arm();
    AppendRecord(data, Record(13, "10:00:01,000"));
    EXPECT_FALSE(data.Save());
    disk.disarm();
    EXPECT_EQ(dialogs.messages().size(), 3);
}
