#include "FileWatch.h"

#include <QFileInfo>
#include <sys/stat.h>

FileWatch::FileWatch(const QStringList &paths, int settleMs, QObject *parent) : QObject(parent)
{
    for (const QString &path : paths)
        m_paths << QFileInfo(path).absoluteFilePath();
    for (const QString &path : std::as_const(m_paths))
        m_seen.insert(path, LookAt(path));
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &FileWatch::check);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    m_poll.setInterval(2000);
    connect(&m_poll, &QTimer::timeout, this, &FileWatch::check);
    m_poll.start();
    watch();
}

FileWatch::Look FileWatch::LookAt(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void FileWatch::watch()
{
    // A file renamed over leaves the system's notice with the file that went.
    const QStringList files = m_watcher.files();
    const QStringList folders = m_watcher.directories();
    for (const QString &path : std::as_const(m_paths)) {
        if (!files.contains(path) && QFileInfo::exists(path))
            m_watcher.addPath(path);
        const QString folder = QFileInfo(path).absolutePath();
        if (!folders.contains(folder) && QFileInfo::exists(folder))
            m_watcher.addPath(folder);
    }
}

void FileWatch::check()
{
    watch();
    bool different = false;
    for (const QString &path : std::as_const(m_paths)) {
        const Look now = LookAt(path);
        Look &seen = m_seen[path];
        if (now == seen)
            continue;
        seen = now;
        different = true;
    }
    if (different)
        emit changed();
}
