#pragma once
// The results page as the main window sees it: starts and stops the results
// server on a thread of its own and hands it a snapshot after every refresh
// of the results list.
//
// The main window's web controls own one publisher.  publish() copies the
// ranking and returns; it never waits for the server or for any client.
// start() and stop() wait for the server thread, which only opens or closes
// its listening socket.
#include "DayTime.h"
#include "ResultsServer.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QThread>
#include <memory>

class WebPublisher : public QObject {
    Q_OBJECT
public:
    explicit WebPublisher(ServerLimits limits = {}, QObject *parent = nullptr);
    ~WebPublisher() override;

    // Listens on address and port (0: any free port); false and a Czech
    // message in error when the port cannot be had.
    bool start(const QHostAddress &address, quint16 port, QString *error);
    void stop();
    bool isRunning() const { return m_running; }
    quint16 port() const { return m_port; }
    QHostAddress address() const { return m_address; }

    // Publishes the ranking of results; returns at once.  The document is
    // shared with the server's thread, not copied.
    void publish(std::shared_ptr<const ResultsTable> results, const QString &caption, bool showRunningTime,
                 DayTime lastStartTime);

    // The page's addresses: one per IPv4 address of the PC when serving on
    // all of them, else the one it serves on.  Empty while stopped.
    QStringList pageAddresses() const;

    // For the tests: the server's connections (waits for its thread), and
    // the thread itself.
    int clientCount();
    QThread &serverThread() { return m_thread; }

signals:
    void runningChanged(bool running);

private:
    QThread m_thread;
    ResultsServer *m_server = nullptr;  // lives on m_thread
    bool m_running = false;
    quint16 m_port = 0;
    QHostAddress m_address;
    uint64_t m_version = 0;
};

// The PC's own IPv4 addresses a phone on the same network can reach (up,
// not loopback); 127.0.0.1 when there is none.
QList<QHostAddress> LocalAddresses();
