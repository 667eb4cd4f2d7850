#pragma once
// Ways of making a write fail, for the tests of every part that writes:
// a file-size limit, a folder without write permission, a full disk.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

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
    explicit FileSizeLimit(const QString &scratch, rlim_t bytes = 4096) : m_bytes(bytes) { folder = scratch; }
    void arm() override
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = m_bytes;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ADD_FAILURE() << "setrlimit: " << std::strerror(errno);
    }
    void disarm() override { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlim_t m_bytes;
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
    // Fills what room is left with a file of its own; disarm frees it.
    void arm() override
    {
        const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/.filler")).constData(),
                              O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0)
            return;
        const QByteArray block(4096, 'x');
        for (qsizetype size = block.size(); size > 0;) {
            if (::write(fd, block.constData(), size_t(size)) <= 0)
                size /= 2;  // down to the last byte there is room for
        }
        ::close(fd);
    }
    void disarm() override { QFile::remove(folder + QStringLiteral("/.filler")); }

private:
    bool m_mounted = false;
};
