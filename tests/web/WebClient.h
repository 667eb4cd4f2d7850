#pragma once
// Plain blocking clients of the results server for the tests, always on
// 127.0.0.1.  The server runs on its own thread, so the test's thread may
// wait on its sockets.
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <memory>

struct Reply {
    QByteArray bytes;
    bool closed = false;  // the server closed the connection
};

// The client's own address: every 127.x.y.z is this machine, so a test can
// play several hosts.
inline QHostAddress Host(int n)
{
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(n));
}

// Sends request and reads until the server closes or timeoutMs passes.
inline Reply Exchange(quint16 port, const QByteArray &request, int timeoutMs = 3000, int host = 1)
{
    QTcpSocket socket;
    socket.bind(Host(host));
    socket.connectToHost(QHostAddress::LocalHost, port);
    Reply reply;
    if (!socket.waitForConnected(timeoutMs))
        return reply;
    socket.write(request);
    socket.flush();
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (socket.state() != QAbstractSocket::ConnectedState) {
            reply.closed = true;
            break;
        }
        socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        reply.bytes += socket.readAll();
    }
    reply.bytes += socket.readAll();
    return reply;
}

inline QByteArray Get(const char *path)
{
    return QByteArray("GET ") + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

inline int StatusOf(const QByteArray &response)
{
    if (!response.startsWith("HTTP/1.1 "))
        return 0;
    return response.mid(9, 3).toInt();
}

inline QByteArray HeadOf(const QByteArray &response)
{
    const qsizetype end = response.indexOf("\r\n\r\n");
    return end < 0 ? response : response.left(end + 2);
}

inline QByteArray BodyOf(const QByteArray &response)
{
    const qsizetype end = response.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : response.mid(end + 4);
}

inline QJsonObject FetchJson(quint16 port)
{
    return QJsonDocument::fromJson(BodyOf(Exchange(port, Get("/results.json")).bytes)).object();
}

// A reader of the event stream: connects, asks for /events, and keeps the
// last "results" event it has read.
class EventClient {
public:
    explicit EventClient(quint16 port, int receiveBuffer = 0, int host = 1)
    {
        if (receiveBuffer > 0)
            socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, receiveBuffer);
        socket.bind(Host(host));
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(3000)) {
            socket.write(Get("/events"));
            socket.flush();
        }
    }

    // Reads until a results event of at least version arrives; false when
    // timeoutMs passes or the stream ends first.
    bool waitForVersion(qint64 version, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            pump();
            if (latest.value(QStringLiteral("version")).toInteger(-1) >= version)
                return true;
            if (deadline.hasExpired() || socket.state() != QAbstractSocket::ConnectedState)
                return false;
            socket.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 100)));
        }
    }

    // Takes whatever has arrived, without waiting.
    void pump()
    {
        buffer += socket.readAll();
        if (!headSeen) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            head = buffer.left(end + 2);
            buffer.remove(0, end + 4);
            headSeen = true;
        }
        for (qsizetype end; (end = buffer.indexOf("\n\n")) >= 0;) {
            const QByteArray event = buffer.left(end);
            buffer.remove(0, end + 2);
            if (event.startsWith("event: results\ndata: "))
                latest = QJsonDocument::fromJson(event.mid(21)).object();
            else if (event.startsWith("event: clock\ndata: "))
                ++clocks;
        }
    }

    QTcpSocket socket;
    QByteArray buffer;
    QByteArray head;
    bool headSeen = false;
    QJsonObject latest;
    int clocks = 0;
};
