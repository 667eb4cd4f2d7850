#include "StoreSetup.h"
#include "Records.h"
#include "QtPrinters.h"
#include "RecordStore.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

TEST(CompareRecordTimes, ExactToTheMillisecond)
{
    struct Case {
        const char *a, *b;
        int expected;
    };
    const Case cases[] = {
        {"10:00:00,000", "10:00:00,000", 0},  {"10:00:00,000", "10:00:00,001", -1}, {"10:00:00,001", "10:00:00,000", 1},
        {"09:59:59,999", "10:00:00,000", -1}, {"10:00:00,000", "10:05:00,000", -1}, {"24:00:00,000", "23:59:59,999", 1},
    };
    for (const Case &c : cases) {
        TimeRecord a, b;
        a.Time = TextToDayTime(QString::fromLatin1(c.a));
        b.Time = TextToDayTime(QString::fromLatin1(c.b));
        EXPECT_EQ(CompareRecordTimes(a, b), c.expected) << c.a << " vs " << c.b;
    }
}

TEST(SortByTime, OrdersByTimeAndCopesWithCloseTimes)
{
    RecordStore data;
    data.ReplaceRecords({Record(3, "10:10:00,000"), Record(1, "09:00:00,000"), Record(2, "10:00:00,000")});
    data.SortByTime();
    ASSERT_EQ(data.records().size(), 3u);
    EXPECT_EQ(data.records()[0]->Number, 1);
    EXPECT_EQ(data.records()[1]->Number, 2);
    EXPECT_EQ(data.records()[2]->Number, 3);

    // Many records on few distinct times: equal times keep the order they
    // were added in.
    QRandomGenerator random(7);
    ClearRecords(data);
    for (int i = 0; i < 5000; ++i) {
        AppendRecord(data, Record(i, 10 * MsPerHour + random.bounded(3)));
    }
    data.SortByTime();
    for (size_t i = 1; i < data.records().size(); ++i) {
        const int order = CompareRecordTimes(*data.records()[i - 1], *data.records()[i]);
        ASSERT_LE(order, 0) << i;
        if (order == 0) {
            ASSERT_LT(data.records()[i - 1]->Number, data.records()[i]->Number) << i;
        }
    }
}

// Points an environment variable elsewhere for one test.
class EnvOverride {
public:
    EnvOverride(const char *name, const QString &value)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~EnvOverride()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

QString DataFolder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

TEST(NewTempFileName, MakesANewEmptyFileInTheUsersDataFolder)
{
    const QString first = NewTempFileName();
    const QString second = NewTempFileName();
    const QRegularExpression shape("^" + QRegularExpression::escape(DataFolder()) + "/~[0-9A-F]+\\.tmp$");
    for (const QString &name : {first, second}) {
        EXPECT_TRUE(shape.match(name).hasMatch()) << name.toStdString();
        EXPECT_TRUE(QFileInfo(name).isFile()) << name.toStdString();
        EXPECT_EQ(QFileInfo(name).size(), 0);
    }
    EXPECT_NE(first, second);
    QFile::remove(first);
    QFile::remove(second);
}

// The data folder survives a reboot; the temporary folders are the fallback.
TEST(NewTempFileName, TakesTheFirstFolderThatCanBeHad)
{
    QTemporaryDir scratch;
    QFile blocker(scratch.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString usable = scratch.filePath("home/share");   // made when missing
    const QString blocked = scratch.filePath("file/below");  // below a regular file
    const QString tmp = scratch.filePath("tmp");
    struct Case {
        const char *what;
        QString dataHome, tmpDir;
        QString expectedFolder;
    };
    const Case cases[] = {
        {"data folder, made when missing", usable, tmp, usable + "/" + QCoreApplication::applicationName()},
        {"data folder blocked: TMPDIR", blocked, tmp, tmp},
        {"both blocked: the system's", blocked, blocked, "/tmp"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EnvOverride home("XDG_DATA_HOME", c.dataHome);
        EnvOverride tmpDir("TMPDIR", c.tmpDir);
        const QString name = NewTempFileName();
        EXPECT_EQ(QFileInfo(name).absolutePath(), c.expectedFolder);
        EXPECT_TRUE(QFileInfo(name).isFile());
        QFile::remove(name);
    }
}

TEST(NewTempFileName, FailsWithTheSystemsReasonWhenNoFolderCanBeHad)
{
    QTemporaryDir scratch;
    QFile blocker(scratch.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetTempFoldersForTesting({scratch.filePath("file/below")});
    try {
        NewTempFileName();
        ADD_FAILURE() << "no error";
    } catch (const TikomatError &e) {
        EXPECT_EQ(e.text, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    }
    SetTempFoldersForTesting({});
}

TEST(RecordStore, StartsEmptyWithATemporaryFile)
{
    RecordStore data;
    EXPECT_TRUE(data.records().empty());
    EXPECT_TRUE(data.Unnamed);
    EXPECT_EQ(data.MaxLap, 0);
    EXPECT_TRUE(QFileInfo(data.FileName).isFile());
    EXPECT_TRUE(QFileInfo(data.FileName).fileName().startsWith('~'));
    QFile::remove(data.FileName);
}

TEST(RecordStore, NewFileLeavesTheOldFileAlone)
{
    QTemporaryDir dir;
    RecordStore data;
    data.ReplaceRecords({Record(12, "10:00:00,000"), Record(13, "10:01:00,000")});
    ASSERT_TRUE(data.SaveAs(dir.filePath("zavod.csvz")));
    data.Unnamed = false;
    QFile saved(data.FileName);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray before = saved.readAll();
    saved.close();
    ASSERT_FALSE(before.isEmpty());

    data.NewFile();
    EXPECT_TRUE(data.records().empty());
    EXPECT_EQ(data.MaxLap, 0);
    EXPECT_TRUE(data.Unnamed);
    EXPECT_NE(data.FileName, saved.fileName());
    EXPECT_TRUE(QFileInfo(data.FileName).isFile());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("zavod.results")));
}

// A temporary data file that never received a record is litter and goes
// when the store does (or on "&Nový"); one that holds a race stays.
TEST(RecordStore, TemporaryFileStaysOnlyIfItHoldsARace)
{
    QTemporaryDir dir;
    struct Case {
        const char *what;
        void (*use)(RecordStore &data, const QString &folder);
        bool kept;
    };
    const Case cases[] = {
        {"never used", [](RecordStore &, const QString &) {}, false},
        {"saved while empty", [](RecordStore &data, const QString &) { ASSERT_TRUE(data.Save()); }, false},
        {"race saved into it",
         [](RecordStore &data, const QString &) {
             data.ReplaceRecords({Record(12, "10:00:00,000")});
             ASSERT_TRUE(data.Save());
         },
         true},
        {"race saved under a chosen name",
         [](RecordStore &data, const QString &folder) {
             data.ReplaceRecords({Record(12, "10:00:00,000")});
             ASSERT_TRUE(data.SaveAs(folder + "/zavod.csvz"));
         },
         false},
        {"race saved into it, then New",
         [](RecordStore &data, const QString &) {
             data.ReplaceRecords({Record(12, "10:00:00,000")});
             ASSERT_TRUE(data.Save());
             data.NewFile();
         },
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QString temp;
        {
            RecordStore data;
            temp = data.FileName;
            c.use(data, dir.path());
        }
        EXPECT_EQ(QFileInfo::exists(temp), c.kept);
        EXPECT_EQ(QFileInfo::exists(ResultsFileName(temp)), c.kept);
        QFile::remove(temp);
        QFile::remove(ResultsFileName(temp));
    }

    RecordStore data;
    const QString first = data.FileName;
    data.NewFile();
    EXPECT_FALSE(QFileInfo::exists(first));  // "&Nový" leaves no empty file behind
    EXPECT_TRUE(QFileInfo(data.FileName).isFile());
}

TEST(RecordStore, RemovedRecordStaysValidForWhoeverHoldsIt)
{
    RecordStore data;
    data.ReplaceRecords({Record(12, "10:00:00,000"), Record(13, "10:01:00,000")});
    TimeRecordPtr held = data.records()[0];
    EXPECT_TRUE(data.Contains(held.get()));
    const RecordChange deletion{{RecordEdit::Deleted(held)}};
    EXPECT_TRUE(data.apply(deletion));
    EXPECT_FALSE(data.Contains(held.get()));
    EXPECT_FALSE(data.apply(deletion));
    ASSERT_EQ(data.records().size(), 1u);
    ClearRecords(data);
    EXPECT_EQ(held->Number, 12);  // still a whole record
}

}  // namespace
