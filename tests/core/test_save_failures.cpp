// Saves that fail: the operator learns the system's reason, the previous
// files stay whole and no copy is left beside them.
#include "StoreFiles.h"
#include "AtomicFile.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "tfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// One way of making a save fail.  `folder` is where the files go; `arm`
// and `disarm` bring the fault about and take it away.
class Fault {
public:
    virtual ~Fault() = default;
    virtual void arm() {}
    virtual void disarm() {}
    QString folder;
    QString impossible;  // why this machine cannot stage the fault
};

// The largest file this process may write, lowered.  The program itself must
// keep SIGXFSZ from ending it: the test does not.
class FileSizeLimit : public Fault {
public:
    explicit FileSizeLimit(const QString &scratch) { folder = scratch; }
    void arm() override
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = 4096;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ADD_FAILURE() << "setrlimit: " << std::strerror(errno);
    }
    void disarm() override { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

// A folder without write permission.  Root passes over permissions, so there
// the test drops the capabilities that allow it, for this thread and while
// armed only.
class ReadOnlyFolder : public Fault {
public:
    explicit ReadOnlyFolder(const QString &scratch) { folder = scratch; }
    void arm() override
    {
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        if (::geteuid() == 0) {
            ASSERT_TRUE(SetOverride(false)) << std::strerror(errno);
        }
    }
    void disarm() override
    {
        if (::geteuid() == 0) {
            EXPECT_TRUE(SetOverride(true)) << std::strerror(errno);
        }
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }

private:
    static bool SetOverride(bool on)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[2]{};
        if (::syscall(SYS_capget, &header, caps) != 0)
            return false;
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
            const unsigned bit = 1u << (cap % 32);
            if (on)
                caps[cap / 32].effective |= bit & caps[cap / 32].permitted;
            else
                caps[cap / 32].effective &= ~bit;
        }
        return ::syscall(SYS_capset, &header, caps) == 0;
    }
};

// A disk that is full: a small memory file system, which only root can mount.
class FullDisk : public Fault {
public:
    explicit FullDisk(const QString &scratch)
    {
        folder = scratch + QStringLiteral("/disk");
        QDir().mkpath(folder);
        if (::geteuid() != 0) {
            impossible = QStringLiteral("mounting a small disk needs root");
            return;
        }
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") != 0) {
            impossible = QStringLiteral("mount: ") + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        m_mounted = true;
    }
    ~FullDisk() override
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    }

private:
    bool m_mounted = false;
};

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
    TData data(&dialogs);
    const QString target = fault->folder + QStringLiteral("/zavod.csvz");
    data.Records = {Record(12, "10:00:00,000")};
    ASSERT_TRUE(data.SaveAs(target));
    const QByteArray oldData = ReadAll(target);
    const QByteArray oldResults = ReadAll(ResultsFileName(target));

    for (int i = 0; i < 3000; ++i)
        data.Records.push_back(Record(13, "11:00:00,000"));
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
    data.Records.resize(2);
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
    TData data(&dialogs);
    data.Records = {Record(12, "10:00:00,000")};
    ASSERT_TRUE(data.SaveAs(dir.filePath("zavod.csvz")));
    QStringList expected = kept + QStringList{"zavod.csvz", "zavod.results"};
    expected.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

}  // namespace
