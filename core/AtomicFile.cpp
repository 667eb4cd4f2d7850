#include "AtomicFile.h"

#include "TikomatError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString CopyMarker = QStringLiteral(".tikomat-");
constexpr int CopySuffixLength = 6;

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

// An open file descriptor that is closed on every way out.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    // Closes now; returns the errno of a failed close, else 0.
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int m_fd;
};

[[noreturn]] void Fail(int error)
{
    throw TikomatError(SystemErrorText(error));
}

// Creates a new copy beside path, exclusively; sets copyPath.
int CreateCopy(const QString &path, QString &copyPath)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        QString candidate = path + CopyMarker;
        for (int i = 0; i < CopySuffixLength; ++i)
            candidate += QChar(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
        const int fd = ::open(Native(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            copyPath = candidate;
            return fd;
        }
        error = errno;
    }
    errno = error;
    return -1;
}

// Writes all of contents; a short write is retried, so that the call that
// cannot go on returns the system's reason in errno.
bool WriteAll(int fd, const QByteArray &contents)
{
    const char *p = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {  // no progress and no reason: call it a full disk
            errno = ENOSPC;
            return false;
        }
        p += written;
        left -= written;
    }
    return true;
}

// Writes the copy completely and durably; throws with the reason otherwise.
void FillCopy(int fd, const QString &path, const QByteArray &contents)
{
    // An existing file keeps its permissions.
    struct stat target {};
    if (::stat(Native(path).constData(), &target) == 0)
        (void)::fchmod(fd, target.st_mode & 07777);
    if (!WriteAll(fd, contents))
        Fail(errno);
    if (::fsync(fd) != 0)
        Fail(errno);
}

// The rename reaches the disk only with the folder.
void FlushFolder(const QString &folder)
{
    Fd dir(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        Fail(errno);
    if (::fsync(dir.get()) != 0)
        Fail(errno);
}

// True when name (a bare file name) is a copy that a save of target (a bare
// file name too) makes or leaves behind.
bool IsTempCopyOf(const QString &name, const QString &target)
{
    const QString prefix = target + CopyMarker;
    if (name.size() != prefix.size() + CopySuffixLength || !name.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool alnum = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        if (!alnum)
            return false;
    }
    return true;
}

// Copies of earlier saves of this target that never reached their rename.
void RemoveStaleCopies(const QString &path)
{
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    const QString target = info.fileName();
    const QStringList names = folder.entryList({target + CopyMarker + QStringLiteral("*")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (IsTempCopyOf(name, target))
            QFile::remove(folder.filePath(name));
    }
}

}  // namespace

QString SystemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void WriteFileAtomically(const QString &path, const QByteArray &contents)
{
    QString copyPath;
    Fd copy(CreateCopy(path, copyPath));
    if (copy.get() < 0)
        Fail(errno);
    try {
        FillCopy(copy.get(), path, contents);
        if (const int error = copy.close())
            Fail(error);
        if (::rename(Native(copyPath).constData(), Native(path).constData()) != 0)
            Fail(errno);
    } catch (...) {
        copy.close();
        ::unlink(Native(copyPath).constData());
        throw;
    }
    FlushFolder(QFileInfo(path).absolutePath());
    RemoveStaleCopies(path);
}
