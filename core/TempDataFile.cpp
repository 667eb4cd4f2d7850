#include "TempDataFile.h"

#include "AtomicFile.h"
#include "TikomatError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

QStringList &Override()
{
    static QStringList folders;
    return folders;
}

// A folder is usable when it is there or can be made (with its parents).
// Returns 0 or the errno.
int PrepareFolder(const QString &path)
{
    if (QFileInfo(path).isDir())
        return 0;
    if (QDir().mkpath(path))
        return 0;
    // Qt does not say why; the nearest existing ancestor tells.
    QFileInfo probe(path);
    while (!probe.exists() && !probe.isRoot() && probe.absolutePath() != probe.absoluteFilePath())
        probe = QFileInfo(probe.absolutePath());
    if (probe.exists() && !probe.isDir())
        return ENOTDIR;
    return EACCES;
}

// Tries to make "~<hex>.tmp" in folder; the exclusive create makes the name
// ours alone.  Returns 0 and sets path, or the errno of the failure.
int CreateTempFileIn(const QString &folder, QString &path)
{
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const quint32 number = QRandomGenerator::global()->generate();
        const QString candidate = folder + QStringLiteral("/~") + QString::number(number, 16).toUpper()
                                  + QStringLiteral(".tmp");
        const int fd = ::open(QFile::encodeName(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            path = candidate;
            return 0;
        }
        error = errno;
    }
    return error;
}

}  // namespace

QStringList TempFolderCandidates()
{
    if (!Override().isEmpty())
        return Override();
    QStringList candidates;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!data.isEmpty())
        candidates << data;
    const QString fromEnvironment = qEnvironmentVariable("TMPDIR");
    if (!fromEnvironment.isEmpty())
        candidates << fromEnvironment;
    candidates << QDir::tempPath() << QStringLiteral("/tmp") << QStringLiteral("/var/tmp");
    for (QString &c : candidates)
        c = QDir::cleanPath(c);
    // Qt names no temporary folder at all when TMPDIR names a missing one.
    candidates.removeAll(QString());
    candidates.removeDuplicates();
    return candidates;
}

bool IsTemporaryDataFileName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (name.size() < 6 || !name.startsWith(u'~') || !name.endsWith(QStringLiteral(".tmp")))
        return false;
    for (qsizetype i = 1; i < name.size() - 4; ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

QString TempLockName(const QString &tempFile)
{
    return tempFile + QStringLiteral(".lock");
}

void SetTempFoldersForTesting(const QStringList &folders)
{
    Override() = folders;
}

QString NewTempFileName()
{
    int lastError = ENOENT;
    for (const QString &folder : TempFolderCandidates()) {
        lastError = PrepareFolder(folder);
        if (lastError != 0)
            continue;
        QString path;
        lastError = CreateTempFileIn(folder, path);
        if (lastError == 0)
            return path;
    }
    throw TikomatError(SystemErrorText(lastError));
}
