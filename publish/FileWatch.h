#pragma once
// Tells when any of a few files changes: written in place, appended to,
// replaced by another file renamed over it (as every save of Tikomat does),
// created or removed.  The system's notices of the files and of their
// folders say when to look; a look every two seconds catches what a file
// system gives no notice of (a network share).  A burst of notices is one
// change, told once it has settled.  Qt Core only.
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

class FileWatch : public QObject {
    Q_OBJECT
public:
    // settleMs: how long the notices must be quiet before the change is told.
    explicit FileWatch(const QStringList &paths, int settleMs = 200, QObject *parent = nullptr);

    QStringList paths() const { return m_paths; }

signals:
    void changed();

private:
    // What tells two states of a file apart: where it is on disk, its size
    // and the time it was last written (all zero while it is missing).
    struct Look {
        quint64 device = 0, inode = 0;
        qint64 size = -1, modifiedNs = 0;
        bool operator==(const Look &) const = default;
    };
    static Look LookAt(const QString &path);
    void check();
    void watch();

    QStringList m_paths;
    QHash<QString, Look> m_seen;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_poll;
};
