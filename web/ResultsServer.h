#pragma once
// The results page's HTTP server: a small, strict HTTP/1.1 server that
// answers GET and HEAD of "/", "/results.json" and "/events" (a stream of
// Server-Sent Events) and nothing else.
//
// It lives on a thread of its own (WebPublisher owns the thread); every
// member but offer() runs there.  The desk hands it snapshots through
// offer(), which only stores a pointer: formatting and sending never run on
// the desk's time, and a snapshot that arrives while the previous one is
// still waiting replaces it.
//
// It must never let one client hold the others or grow without bound: at
// most maxClients connections, and at most maxPerAddress from one address, so
// that one host cannot lock the viewers out; the rest get 503, sent once their
// request has been read (within refuseReadMs), so that they see the answer
// rather than a reset.  Every refused client that sends its request line in
// time is answered, whatever the reason and however many there are: the
// server never stops accepting, and once maxRefusing refused clients wait,
// the oldest of them that has sent nothing yet is cut off to make room.  A request head must arrive within
// headTimeoutMs, within busyHeadTimeoutMs while more than busyConnections are open.  A stream whose reader stalls gets
// no new data queued beyond maxPendingBytes (it receives the latest ranking once it drains) and is dropped after
// stallTimeoutMs without progress.  It never opens a file.
#include "DayTime.h"
#include "HttpRequest.h"
#include "ResultsSnapshot.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMutex>
#include <QObject>
#include <functional>
#include <memory>
#include <unordered_map>

class QTcpServer;
class QTcpSocket;
class QTimer;

struct ServerLimits {
    int maxClients = 256;
    int maxPerAddress = 32;
    int maxRefusing = 64;
    int refuseReadMs = 1000;
    int headTimeoutMs = 10000;
    int busyConnections = 200;
    int busyHeadTimeoutMs = 2000;
    int stallTimeoutMs = 30000;
    int keepAliveMs = 5000;
    qint64 maxPendingBytes = 4 * 1024 * 1024;
};

class ResultsServer : public QObject {
    Q_OBJECT
public:
    // clock: the PC's time of day, read on the server's thread.
    explicit ResultsServer(std::function<DayTime()> clock, ServerLimits limits = {});
    ~ResultsServer() override;

    // Starts listening (port 0: any free port); on failure error gets a Czech
    // message and nothing listens.
    bool listen(const QHostAddress &address, quint16 port, QString *error);
    // Stops listening and drops every client.
    void close();
    bool isListening() const;
    quint16 port() const;
    int clientCount() const { return int(m_clients.size()); }

    // Any thread: the ranking to publish next.
    void offer(std::shared_ptr<const ResultsSnapshot> snapshot);

private:
    struct Client;

    void takeOffer();
    void acceptClients();
    void readRequest(Client &client);
    void answer(Client &client, const HttpRequest &request);
    void refuse(Client &client, int status, bool head);
    void sendBusy(Client &client, bool head);
    void sendEvent(Client &client, const QByteArray &event);
    void wrote(Client &client);
    void housekeeping();
    void closeAfterWrite(Client &client);
    void drop(QTcpSocket *socket);
    // Closes the connection at once, without a word.
    void cut(QTcpSocket *socket);
    // Cuts the refused client, waiting longest, that has not sent its
    // request line yet (if any).
    void cutOldestSilent();
    // Takes the client out of the counts, before it is erased.
    void forget(const Client &client);
    QByteArray clockEvent() const;

    std::function<DayTime()> m_clock;
    ServerLimits m_limits;
    QTcpServer *m_server = nullptr;
    QTimer *m_timer = nullptr;
    QElapsedTimer m_uptime;
    qint64 m_lastKeepAlive = 0;
    std::unordered_map<QTcpSocket *, std::unique_ptr<Client>> m_clients;
    int m_served = 0;                               // clients being served, not refused
    int m_refusing = 0;                             // refused clients still waiting for their answer or its end
    std::unordered_map<QString, int> m_perAddress;  // clients served, by address

    std::shared_ptr<const ResultsSnapshot> m_snapshot;
    QByteArray m_resultsEvent;  // m_snapshot as one "results" event

    QMutex m_offerLock;
    std::shared_ptr<const ResultsSnapshot> m_offered;  // guarded by m_offerLock
    bool m_offerQueued = false;                        // guarded by m_offerLock
};
