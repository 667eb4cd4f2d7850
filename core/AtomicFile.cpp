#include "AtomicFile.h"

#include "tfile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

void WriteFileAtomically(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TikomatError(file.errorString());
    if (file.write(contents) != contents.size() || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        throw TikomatError(error);
    }
    if (::fsync(file.handle()) != 0) {
        const QString error = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        throw TikomatError(error);
    }
    if (!file.commit())
        throw TikomatError(file.errorString());
    // The rename itself reaches the disk with the folder.
    const QString folder = QFileInfo(path).absolutePath();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
