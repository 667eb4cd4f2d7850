// The offer, at start, of unnamed races that a run which did not close
// cleanly left in its temporary files: which files are offered, the one
// question that names them, and what "Ano" and "Ne" do.
#include "StoreSetup.h"
#include "LeftRaces.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "StaleLock.h"
#include "StoreFiles.h"
#include "Records.h"
#include "TempDataFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Lines(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "\"" + QByteArray::number(i + 1) + "\",\"\",\"10:00:0" + QByteArray::number(i % 10)
                 + ",000\",\"1\",\"00:00:00,000\",\"0\"\r\n";
    return bytes;
}

// A temporary data file holding `records` records, last saved at `saved`.
QString TempFile(const QString &folder, const char *hex, int records, const QDateTime &saved)
{
    const QString path = QDir(folder).filePath(QStringLiteral("~%1.tmp").arg(QLatin1String(hex)));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Lines(records));
    file.flush();  // before the time is set, or the write sets it again
    EXPECT_TRUE(file.setFileTime(saved, QFileDevice::FileModificationTime));
    return path;
}

// Whether some running program (this one included) holds the lock.
bool Held(const QString &tempFile)
{
    QLockFile probe(TempLockName(tempFile));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return true;
}

class LeftRacesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTempFoldersForTesting({dir.path()});
        // A second program, running: its race is its own.
        inUseByOther = TempFile(dir.path(), "0000AAAA", 7, At(9, 0));
        otherProgram = std::make_unique<QLockFile>(TempLockName(inUseByOther));
        otherProgram->setStaleLockTime(0);
        ASSERT_TRUE(otherProgram->tryLock(0));
        // Left by a crash: an older race, a newer one, and an empty file.
        older = TempFile(dir.path(), "1111BBBB", 1, At(10, 5));
        newer = TempFile(dir.path(), "2222CCCC", 123, At(14, 5));
        empty = TempFile(dir.path(), "3333DDDD", 0, At(15, 0));
        for (const QString &left : {older, newer, empty})
            LeaveStaleLock(left);
        // Closed cleanly, records and all: no lock file.
        closed = TempFile(dir.path(), "4444EEEE", 3, At(16, 0));
        // Not a name the program gives.
        TempFile(dir.path(), "zz", 3, At(16, 0));
    }
    void TearDown() override { SetTempFoldersForTesting({}); }
    static QDateTime At(int hour, int minute) { return QDateTime(QDate(2026, 12, 10), QTime(hour, minute)); }

    QTemporaryDir dir;
    QString inUseByOther, older, newer, empty, closed;
    std::unique_ptr<QLockFile> otherProgram;
    ScriptedDialogs dialogs;
};

}  // namespace

TEST(CzechRecordCount, TakesTheFormTheNumberWants)
{
    const std::pair<int, const char *> cases[] = {{0, "0 záznamů"},   {1, "1 záznam"},     {2, "2 záznamy"},
                                                  {4, "4 záznamy"},   {5, "5 záznamů"},    {11, "11 záznamů"},
                                                  {22, "22 záznamů"}, {123, "123 záznamů"}};
    for (const auto &[count, text] : cases)
        EXPECT_EQ(CzechRecordCount(count), QString::fromUtf8(text));
}

TEST_F(LeftRacesTest, OneQuestionNamesEveryLeftRaceAndAnoOpensTheNewest)
{
    RecordStore data(&dialogs);  // its own temporary file lies there too, held
    const QString own = data.FileName;
    dialogs.answerQuestion(true);
    ASSERT_TRUE(OfferLeftRaces(data, dialogs));

    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text,
              QStringLiteral("Nalezeny nepojmenované závody (2):\n"
                             "z 10. 12. 2026 14:05 (123 záznamů): %1\n"
                             "z 10. 12. 2026 10:05 (1 záznam): %2\n\n"
                             "Otevřít nejnovější, z 10. 12. 2026 14:05?\n\n"
                             "Ostatní (a při volbě Ne všechny) zůstanou, kde jsou, a nabídnou se znovu při "
                             "příštím spuštění.")
                  .arg(newer, older));
    EXPECT_EQ(data.FileName, newer);
    EXPECT_EQ(data.records().size(), 123u);
    EXPECT_TRUE(data.Unnamed) << "the next save asks for a name";
    EXPECT_TRUE(dialogs.messages().isEmpty());

    EXPECT_TRUE(Held(newer)) << "the store works in it now";
    EXPECT_TRUE(Held(older)) << "held by this run, so that no program started meanwhile offers it";
    EXPECT_FALSE(QFileInfo::exists(empty)) << "an empty one is litter";
    EXPECT_FALSE(QFileInfo::exists(TempLockName(empty)));
    EXPECT_FALSE(QFileInfo::exists(own)) << "the store's own file stayed empty";
    for (const QString &untouched : {inUseByOther, closed})
        EXPECT_TRUE(QFileInfo::exists(untouched));
    EXPECT_FALSE(QFileInfo::exists(TempLockName(closed)));

    // At most one question per start: nothing more is offered in this run.
    RecordStore second(&dialogs);
    EXPECT_FALSE(OfferLeftRaces(second, dialogs));
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

TEST_F(LeftRacesTest, NeLeavesEveryRaceWhereItIsAndStillLeft)
{
    RecordStore data(&dialogs);
    const QString own = data.FileName;
    const QByteArray newerBytes = ReadAll(newer), olderBytes = ReadAll(older);
    dialogs.answerQuestion(false);
    EXPECT_FALSE(OfferLeftRaces(data, dialogs));
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
    EXPECT_EQ(data.FileName, own);
    EXPECT_TRUE(data.records().empty());
    EXPECT_EQ(ReadAll(newer), newerBytes);
    EXPECT_EQ(ReadAll(older), olderBytes);
    // Their lock files stay; once this run ends they are stale again.
    EXPECT_TRUE(Held(newer));
    EXPECT_TRUE(Held(older));
}

TEST(LeftRaces, OneRaceIsOfferedInAQuestionOfItsOwn)
{
    QTemporaryDir dir;
    SetTempFoldersForTesting({dir.path()});
    const QString left = TempFile(dir.path(), "ABCDEF12", 123, QDateTime(QDate(2026, 12, 10), QTime(14, 5)));
    LeaveStaleLock(left);
    {
        const LeftRaces races{QString()};
        ASSERT_EQ(races.races().size(), 1u);
        EXPECT_EQ(races.Question(), QStringLiteral("Nalezen nepojmenovaný závod z 10. 12. 2026 14:05 (123 záznamů). "
                                                   "Otevřít?\n\nSoubor: %1\nPři volbě Ne zůstane, kde je, a "
                                                   "nabídne se znovu při příštím spuštění.")
                                        .arg(left));
    }
    SetTempFoldersForTesting({});
}

// What one run of the program finds, in a process of its own that then ends.
int FoundByARunThatEnds()
{
    const pid_t child = fork();
    if (child == 0) {
        int found = 0;
        {
            const LeftRaces races{QString()};
            found = int(races.races().size());
        }  // not opened: "Ne"
        _exit(found);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(LeftRaces, ARaceNotOpenedIsOfferedAgainAtTheNextStart)
{
    QTemporaryDir dir;
    SetTempFoldersForTesting({dir.path()});
    LeaveStaleLock(TempFile(dir.path(), "ABCDEF12", 3, QDateTime::currentDateTime()));
    EXPECT_EQ(FoundByARunThatEnds(), 1);
    EXPECT_EQ(FoundByARunThatEnds(), 1);
    SetTempFoldersForTesting({});
}

// The lock says "in use" exactly while the store works in the temporary file.
TEST(LeftRaces, TheStoreHoldsTheLockOfTheTemporaryFileItWorksIn)
{
    QTemporaryDir dir;
    SetTempFoldersForTesting({dir.path()});
    QString first, second;
    {
        RecordStore data;
        first = data.FileName;
        EXPECT_TRUE(Held(first));
        data.NewFile();
        second = data.FileName;
        EXPECT_FALSE(QFileInfo::exists(TempLockName(first))) << "left for the new one";
        EXPECT_TRUE(Held(second));
        data.ReplaceRecords({Record(1, "10:00:00,000")});
        ASSERT_TRUE(data.Save());
        ASSERT_TRUE(data.SaveAs(dir.filePath("zavod.csvz")));
        EXPECT_FALSE(QFileInfo::exists(TempLockName(second))) << "the race has a name now";
        EXPECT_TRUE(QFileInfo::exists(second)) << "what was saved there stays";
        ASSERT_TRUE(data.Load(second));
        EXPECT_TRUE(Held(second)) << "opened again";
    }
    EXPECT_FALSE(QFileInfo::exists(TempLockName(second))) << "a clean close leaves no lock";
    {
        // A temporary file left before it held anything goes at once, so
        // that a crash later leaves no litter.
        RecordStore data;
        const QString unused = data.FileName;
        ASSERT_TRUE(data.SaveAs(dir.filePath("prazdny.csvz")));
        EXPECT_FALSE(QFileInfo::exists(unused));
        EXPECT_FALSE(QFileInfo::exists(TempLockName(unused)));
    }
    SetTempFoldersForTesting({});
}
