#pragma once
// Real remotes for the upload tests: Debian's rclone serving a folder over
// WebDAV or SFTP on 127.0.0.1, started and stopped by the test, and reached
// through an rclone target written on the fly (no rclone configuration: the
// tests' own configuration folder holds none).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

inline QString RcloneProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("rclone"));
}

// rclone's reversible scrambling of a password, as a target's pass= needs it.
inline QString RcloneObscured(const QString &password)
{
    QProcess obscure;
    obscure.start(RcloneProgram(), {QStringLiteral("obscure"), password});
    obscure.waitForFinished(10000);
    return QString::fromUtf8(obscure.readAllStandardOutput()).trimmed();
}

enum class RemoteKind { Folder, WebDav, Sftp };

inline const char *RemoteName(RemoteKind kind)
{
    switch (kind) {
    case RemoteKind::Folder: return "Folder";
    case RemoteKind::WebDav: return "WebDav";
    case RemoteKind::Sftp: return "Sftp";
    }
    return "";
}

class Remote {
public:
    explicit Remote(RemoteKind kind) : m_kind(kind)
    {
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, 0))
            m_port = probe.serverPort();
    }
    ~Remote() { stop(); }

    // The folder the remote serves (what a visitor of the host would get).
    QString root() const { return m_dir.path(); }
    // Where the site goes on the remote: a path below its root.
    QString target(const QString &path = QStringLiteral("vysledky/2026-velka-cena"),
                   const QString &password = QStringLiteral("heslo")) const
    {
        switch (m_kind) {
        case RemoteKind::Folder: return QDir(root()).filePath(path);
        case RemoteKind::WebDav: return QStringLiteral(":webdav,url='http://127.0.0.1:%1/':%2").arg(m_port).arg(path);
        case RemoteKind::Sftp:
            return QStringLiteral(":sftp,host=127.0.0.1,port=%1,user=tikomat,pass=%2:%3")
                .arg(m_port)
                .arg(RcloneObscured(password), path);
        }
        return {};
    }
    // The bytes of a file of the site as the remote holds it.
    QByteArray read(const QString &name, const QString &path = QStringLiteral("vysledky/2026-velka-cena")) const
    {
        QFile file(QDir(root()).filePath(path + u'/' + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Starts serving (nothing to start for a folder); true once it answers.
    bool start()
    {
        if (m_kind == RemoteKind::Folder)
            return true;
        QStringList arguments{QStringLiteral("serve"),
                              m_kind == RemoteKind::WebDav ? QStringLiteral("webdav") : QStringLiteral("sftp"), root(),
                              QStringLiteral("--addr"), QStringLiteral("127.0.0.1:%1").arg(m_port)};
        if (m_kind == RemoteKind::Sftp)
            arguments << QStringLiteral("--user") << QStringLiteral("tikomat") << QStringLiteral("--pass")
                      << QStringLiteral("heslo") << QStringLiteral("--cache-dir") << m_keys.path();
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(RcloneProgram(), arguments);
        if (!m_server.waitForStarted(10000))
            return false;
        return QTest::qWaitFor(
            [this] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, m_port);
                return socket.waitForConnected(200);
            },
            20000);
    }
    void stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.kill();
        m_server.waitForFinished(5000);
    }

private:
    RemoteKind m_kind;
    quint16 m_port = 0;
    QTemporaryDir m_dir;
    QTemporaryDir m_keys;  // the SFTP server's host keys, made at its first start
    QProcess m_server;
};
