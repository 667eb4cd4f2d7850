#include "WebPublisher.h"

#include "Clock.h"

#include <QNetworkInterface>

WebPublisher::WebPublisher(ServerLimits limits, QObject *parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("web results"));
    m_server = new ResultsServer(&NowDayTime, limits);
    m_server->moveToThread(&m_thread);
    m_thread.start();
}

WebPublisher::~WebPublisher()
{
    // The server and its sockets are deleted on their own thread.
    ResultsServer *server = m_server;
    QMetaObject::invokeMethod(
        server, [server] { delete server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool WebPublisher::start(const QHostAddress &address, quint16 port, QString *error)
{
    bool ok = false;
    QString message;
    quint16 bound = 0;
    ResultsServer *server = m_server;
    QMetaObject::invokeMethod(
        server,
        [&] {
            ok = server->listen(address, port, &message);
            bound = server->port();
        },
        Qt::BlockingQueuedConnection);
    m_running = ok;
    m_port = ok ? bound : 0;
    m_address = ok ? address : QHostAddress();
    if (!ok && error)
        *error = message;
    emit runningChanged(ok);
    return ok;
}

void WebPublisher::stop()
{
    ResultsServer *server = m_server;
    QMetaObject::invokeMethod(
        server, [server] { server->close(); }, Qt::BlockingQueuedConnection);
    const bool was = m_running;
    m_running = false;
    m_port = 0;
    if (was)
        emit runningChanged(false);
}

void WebPublisher::publish(std::shared_ptr<const ResultsTable> results, const QString &caption, bool showRunningTime,
                           DayTime lastStartTime)
{
    if (!m_running)
        return;
    m_server->offer(ResultsSnapshot::Take(std::move(results), caption, showRunningTime, lastStartTime, ++m_version));
}

QStringList WebPublisher::pageAddresses() const
{
    if (!m_running)
        return {};
    QList<QHostAddress> hosts;
    if (m_address == QHostAddress::Any || m_address == QHostAddress::AnyIPv4 || m_address == QHostAddress::AnyIPv6)
        hosts = LocalAddresses();
    else
        hosts = {m_address};
    QStringList urls;
    for (const QHostAddress &host : hosts) {
        const QString text = host.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QLatin1Char('[') + host.toString() + QLatin1Char(']')
                                 : host.toString();
        urls << QStringLiteral("http://%1:%2/").arg(text).arg(m_port);
    }
    return urls;
}

int WebPublisher::clientCount()
{
    int count = 0;
    ResultsServer *server = m_server;
    QMetaObject::invokeMethod(
        server, [&] { count = server->clientCount(); }, Qt::BlockingQueuedConnection);
    return count;
}

QList<QHostAddress> LocalAddresses()
{
    QList<QHostAddress> out;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback() && !out.contains(ip))
                out << ip;
        }
    }
    if (out.isEmpty())
        out << QHostAddress(QHostAddress::LocalHost);
    return out;
}
