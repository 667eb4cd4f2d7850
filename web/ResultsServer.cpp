#include "ResultsServer.h"

#include "ResultsPage.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

struct ResultsServer::Client {
    QTcpSocket *socket = nullptr;
    HttpRequestReader reader;
    QString address;
    bool refused = false;  // gets 503 once its request is read
    bool asked = false;    // its request line is in
    qint64 connectedAt = 0;
    qint64 lastProgress = 0;  // when its queue last shrank or started
    bool streaming = false;
    bool closing = false;
    bool dirty = false;  // a ranking was held back while its queue was full
};

namespace {

QByteArray Head(int status, const char *contentType, qint64 length, const char *extra = "")
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + HttpReason(status) + "\r\n";
    head += "Content-Type: ";
    head += contentType;
    head += "\r\n";
    if (length >= 0)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    head += "Cache-Control: no-cache\r\n"
            "X-Content-Type-Options: nosniff\r\n"
            "Connection: close\r\n";
    head += extra;
    head += "\r\n";
    return head;
}

const char PageSecurity[] =
    "Content-Security-Policy: default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
    "connect-src 'self'; img-src data:; frame-ancestors 'none'; form-action 'none'\r\n"
    "Referrer-Policy: no-referrer\r\n";

// One key per host: an IPv4 client may show as an IPv4-mapped IPv6 address.
QString AddressKey(const QHostAddress &address)
{
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip).toString() : address.toString();
}

QByteArray ResultsEvent(const ResultsSnapshot &snapshot, DayTime now)
{
    // Compact JSON holds no line break, so it is one data line.
    return "event: results\ndata: " + ResultsStreamJson(snapshot, now) + "\n\n";
}

}  // namespace

ResultsServer::ResultsServer(std::function<DayTime()> clock, ServerLimits limits)
    : m_clock(std::move(clock)), m_limits(limits)
{
    // Until the desk's first refresh: no race, no rows.
    auto empty = std::make_shared<ResultsSnapshot>();
    empty->caption = QStringLiteral("Tikomat");
    m_snapshot = std::move(empty);
}

ResultsServer::~ResultsServer()
{
    close();
}

bool ResultsServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    close();
    m_server = new QTcpServer(this);
    // Connections beyond the limit are still accepted, to be refused politely.
    m_server->setMaxPendingConnections(64);
    if (!m_server->listen(address, port)) {
        if (error)
            *error = QStringLiteral("Výsledky na webu nelze spustit na adrese %1, portu %2: %3")
                         .arg(address.toString())
                         .arg(port)
                         .arg(m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QTcpServer::newConnection, this, &ResultsServer::acceptClients);
    m_uptime.start();
    m_lastKeepAlive = 0;
    m_timer = new QTimer(this);
    const int shortest = std::min({m_limits.headTimeoutMs, m_limits.busyHeadTimeoutMs, m_limits.refuseReadMs});
    m_timer->setInterval(std::clamp(shortest / 4, 20, 500));
    connect(m_timer, &QTimer::timeout, this, &ResultsServer::housekeeping);
    m_timer->start();
    m_resultsEvent = ResultsEvent(*m_snapshot, m_clock());
    return true;
}

void ResultsServer::close()
{
    delete m_timer;
    m_timer = nullptr;
    // The clients first: their sockets are the listening server's children.
    auto clients = std::move(m_clients);
    m_clients.clear();
    m_served = m_refusing = 0;
    m_perAddress.clear();
    for (auto &[socket, client] : clients) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
}

bool ResultsServer::isListening() const
{
    return m_server && m_server->isListening();
}

quint16 ResultsServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

void ResultsServer::offer(std::shared_ptr<const ResultsSnapshot> snapshot)
{
    QMutexLocker lock(&m_offerLock);
    m_offered = std::move(snapshot);
    if (m_offerQueued)
        return;  // the queued call takes this one
    m_offerQueued = true;
    QMetaObject::invokeMethod(this, &ResultsServer::takeOffer, Qt::QueuedConnection);
}

void ResultsServer::takeOffer()
{
    std::shared_ptr<const ResultsSnapshot> snapshot;
    {
        QMutexLocker lock(&m_offerLock);
        snapshot = std::move(m_offered);
        m_offerQueued = false;
    }
    if (!snapshot)
        return;
    m_snapshot = std::move(snapshot);
    m_resultsEvent = ResultsEvent(*m_snapshot, m_clock());
    for (auto &[socket, client] : m_clients)
        if (client->streaming && !client->closing)
            sendEvent(*client, m_resultsEvent);
}

void ResultsServer::acceptClients()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        const QString address = AddressKey(socket->peerAddress());
        const auto there = m_perAddress.find(address);
        const int fromThere = there == m_perAddress.end() ? 0 : there->second;
        const bool full = m_served >= m_limits.maxClients || fromThere >= m_limits.maxPerAddress;
        // A flood: the refused ones that have not asked anything yet make
        // room, oldest first.  One that has asked is answered however many
        // there are: its 503 is on its way and it leaves once that is out.
        if (full && m_refusing >= m_limits.maxRefusing)
            cutOldestSilent();
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->address = address;
        client->refused = full;
        client->connectedAt = client->lastProgress = m_uptime.elapsed();
        socket->setReadBufferSize(16 * 1024);
        if (full) {
            ++m_refusing;
        } else {
            ++m_served;
            ++m_perAddress[address];
        }
        m_clients.emplace(socket, std::move(client));
        // Queued: a socket may report its end from inside a write or a
        // disconnectFromHost, while its client is still being served.
        connect(
            socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); }, Qt::QueuedConnection);
        connect(
            socket, &QTcpSocket::errorOccurred, this, [this, socket] { drop(socket); }, Qt::QueuedConnection);
        // A refused client is read too: its answer goes out once its request
        // is in (closing with a request unread would reset the connection
        // and lose the answer), or after refuseReadMs.
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            auto it = m_clients.find(socket);
            if (it != m_clients.end())
                readRequest(*it->second);
        });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
            auto it = m_clients.find(socket);
            if (it != m_clients.end())
                wrote(*it->second);
        });
    }
}

void ResultsServer::readRequest(Client &client)
{
    QTcpSocket *socket = client.socket;
    while (socket->bytesAvailable() > 0) {
        const QByteArray bytes = socket->read(4096);
        client.asked = client.asked || bytes.contains('\n');
        if (client.closing || client.streaming || client.reader.state() != HttpRequestReader::State::Incomplete)
            continue;  // nothing after the head is ever read
        const HttpRequestReader::State state = client.reader.feed(bytes);
        if (client.refused && state != HttpRequestReader::State::Incomplete) {
            sendBusy(client, state == HttpRequestReader::State::Ready && client.reader.request().head);
            continue;
        }
        switch (state) {
        case HttpRequestReader::State::Incomplete: break;
        case HttpRequestReader::State::Ready: answer(client, client.reader.request()); break;
        case HttpRequestReader::State::Refused:
            refuse(client, client.reader.status(), client.reader.request().head);
            break;
        }
    }
}

void ResultsServer::answer(Client &client, const HttpRequest &request)
{
    QTcpSocket *socket = client.socket;
    switch (request.route) {
    case HttpRoute::Page: {
        const QByteArray page = ResultsPageHtml();
        socket->write(Head(200, "text/html; charset=utf-8", page.size(), PageSecurity));
        if (!request.head)
            socket->write(page);
        closeAfterWrite(client);
        return;
    }
    case HttpRoute::Json: {
        const QByteArray json = ResultsJson(*m_snapshot, m_clock());
        socket->write(Head(200, "application/json; charset=utf-8", json.size(), "Access-Control-Allow-Origin: *\r\n"));
        if (!request.head)
            socket->write(json);
        closeAfterWrite(client);
        return;
    }
    case HttpRoute::Events:
        client.lastProgress = m_uptime.elapsed();
        socket->write(Head(200, "text/event-stream; charset=utf-8", -1));
        if (request.head) {
            closeAfterWrite(client);
            return;
        }
        client.streaming = true;
        socket->write("retry: 3000\n\n");
        sendEvent(client, m_resultsEvent);
        sendEvent(client, clockEvent());
        return;
    case HttpRoute::None: break;
    }
    refuse(client, 404, request.head);
}

void ResultsServer::refuse(Client &client, int status, bool head)
{
    const QByteArray text = QByteArray::number(status) + ' ' + HttpReason(status) + '\n';
    client.socket->write(
        Head(status, "text/plain; charset=utf-8", text.size(), status == 405 ? "Allow: GET, HEAD\r\n" : ""));
    if (!head)
        client.socket->write(text);
    closeAfterWrite(client);
}

void ResultsServer::sendBusy(Client &client, bool head)
{
    const QByteArray text = "Příliš mnoho připojených diváků, zkuste to prosím za chvíli znovu.\n";
    client.socket->write(Head(503, "text/plain; charset=utf-8", text.size(), "Retry-After: 10\r\n"));
    if (!head)
        client.socket->write(text);
    closeAfterWrite(client);
}

void ResultsServer::sendEvent(Client &client, const QByteArray &event)
{
    QTcpSocket *socket = client.socket;
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;  // gone; its end is on the way
    if (socket->bytesToWrite() > m_limits.maxPendingBytes) {
        client.dirty = true;
        return;
    }
    if (socket->bytesToWrite() == 0)
        client.lastProgress = m_uptime.elapsed();
    socket->write(event);
}

void ResultsServer::wrote(Client &client)
{
    client.lastProgress = m_uptime.elapsed();
    if (client.dirty && client.streaming && client.socket->bytesToWrite() == 0) {
        client.dirty = false;
        sendEvent(client, m_resultsEvent);
    }
}

void ResultsServer::closeAfterWrite(Client &client)
{
    client.closing = true;
    client.lastProgress = m_uptime.elapsed();
    client.socket->disconnectFromHost();
}

void ResultsServer::forget(const Client &client)
{
    if (client.refused) {
        --m_refusing;
        return;
    }
    --m_served;
    const auto it = m_perAddress.find(client.address);
    if (it != m_perAddress.end() && --it->second <= 0)
        m_perAddress.erase(it);
}

void ResultsServer::drop(QTcpSocket *socket)
{
    auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    forget(*it->second);
    m_clients.erase(it);
    socket->disconnect(this);
    socket->deleteLater();
}

QByteArray ResultsServer::clockEvent() const
{
    return "event: clock\ndata: " + QByteArray::number(qint64(m_clock())) + "\n\n";
}

void ResultsServer::housekeeping()
{
    const qint64 now = m_uptime.elapsed();
    const bool keepAlive = now - m_lastKeepAlive >= m_limits.keepAliveMs;
    if (keepAlive)
        m_lastKeepAlive = now;
    const QByteArray clock = keepAlive ? clockEvent() : QByteArray();
    // Many connections at once: the slow or idle ones make room sooner.
    const int headTimeout = int(m_clients.size()) > m_limits.busyConnections
                                ? std::min(m_limits.busyHeadTimeoutMs, m_limits.headTimeoutMs)
                                : m_limits.headTimeoutMs;
    std::vector<QTcpSocket *> expired;
    std::vector<Client *> answerNow;
    for (auto &[socket, client] : m_clients) {
        if (client->refused && !client->closing) {
            if (now - client->connectedAt > m_limits.refuseReadMs)
                answerNow.push_back(client.get());
            continue;
        }
        const bool waitingForHead = !client->closing && !client->streaming && now - client->connectedAt > headTimeout;
        const bool stalled = (client->closing || client->streaming) && socket->bytesToWrite() > 0
                             && now - client->lastProgress > m_limits.stallTimeoutMs;
        // A closing socket with nothing left to send has gone by now; one that
        // lingers is given the same time as a stalled stream.
        const bool lingering = client->closing && now - client->lastProgress > m_limits.stallTimeoutMs;
        if (waitingForHead || stalled || lingering)
            expired.push_back(socket);
        else if (keepAlive && client->streaming && !client->dirty)
            sendEvent(*client, clock);
    }
    for (Client *client : answerNow)
        sendBusy(*client, false);  // its request never came whole: answered all the same
    for (QTcpSocket *socket : expired)
        cut(socket);
}

void ResultsServer::cut(QTcpSocket *socket)
{
    auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    socket->disconnect(this);
    forget(*it->second);
    m_clients.erase(it);
    socket->abort();
    socket->deleteLater();
}

void ResultsServer::cutOldestSilent()
{
    QTcpSocket *oldest = nullptr;
    qint64 since = 0;
    for (const auto &[socket, client] : m_clients)
        if (client->refused && !client->closing && !client->asked && (!oldest || client->connectedAt < since)) {
            oldest = socket;
            since = client->connectedAt;
        }
    if (oldest)
        cut(oldest);
}
