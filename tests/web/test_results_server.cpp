// The results server over real sockets on 127.0.0.1: what it serves from a
// small race, what it does with bad or endless requests, the client limit,
// and a stalled client while the desk keeps publishing.
#include "StoreSetup.h"
#include "Records.h"
#include "ResultsLists.h"
#include "WebClient.h"
#include "WebPublisher.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QJsonArray>
#include <QElapsedTimer>
#include <QSemaphore>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class ResultsServerTest : public ::testing::Test {
protected:
    static ServerLimits Limits()
    {
        ServerLimits limits;
        limits.headTimeoutMs = 300;
        limits.stallTimeoutMs = 1000;
        limits.maxPendingBytes = 64 * 1024;
        return limits;
    }

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(publisher.start(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
        port = publisher.port();
        ASSERT_NE(port, 0);
        // Racer 7 two laps, racer 8 one lap with 2 s penalty.
        data.ReplaceRecords({Record(7, "10:05:00,000", {.lap = 1}), Record(RaceStartNumber, "10:00:00,000", {.lap = 1}),
                             Record(8, "10:06:00,000", {.lap = 1, .penalty = 2}),
                             Record(7, "10:10:00,000", {.lap = 2})});
        data.MaxLap = 2;
    }

    // Refreshes the lists and publishes them as the main window does.
    void Refresh(const QString &caption = QStringLiteral("Velká cena"))
    {
        lists.RefreshLists(-1);
        publisher.publish(lists.table(), caption, true, lists.lastStartTime());
        ++version;
    }

    qint64 version = 0;
    RecordStore data;
    ResultsLists lists{data, nullptr};
    WebPublisher publisher{Limits()};
    quint16 port = 0;
};

TEST_F(ResultsServerTest, JsonOfASmallRace)
{
    const QString caption = QStringLiteral("Závod <b>\"Ž\"</b>\nnoc");
    Refresh(caption);
    EventClient events(port);  // the published version, once it is out
    ASSERT_TRUE(events.waitForVersion(version));

    const Reply reply = Exchange(port, Get("/results.json"));
    EXPECT_EQ(StatusOf(reply.bytes), 200);
    EXPECT_TRUE(HeadOf(reply.bytes).contains("Content-Type: application/json; charset=utf-8\r\n"));
    const QJsonObject json = QJsonDocument::fromJson(BodyOf(reply.bytes)).object();
    EXPECT_EQ(json.value("caption").toString(), caption);
    EXPECT_EQ(json.value("showRunningTime").toBool(), true);
    EXPECT_EQ(json.value("lastStart").toString(), "10:00:00,000");
    EXPECT_EQ(json.value("lastStartMs").toInteger(), 10 * MsPerHour);
    EXPECT_EQ(json.value("version").toInteger(), version);
    EXPECT_TRUE(json.value("serverTimeMs").isDouble());

    const QJsonArray rows = json.value("rows").toArray();
    ASSERT_EQ(rows.size(), 2);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first.value("rank").toInt(), 1);
    EXPECT_EQ(first.value("number").toInt(), 7);
    EXPECT_EQ(first.value("racer").toString(), "7 ()");
    EXPECT_EQ(first.value("laps").toInt(), 2);
    EXPECT_EQ(first.value("time").toString(), "00:10:00,000");
    EXPECT_EQ(first.value("timeMs").toInteger(), 10 * MsPerMinute);
    EXPECT_EQ(first.value("penalty").toInt(), 0);
    EXPECT_EQ(first.value("note").toString(), "00:05:00,000   ");
    const QJsonObject second = rows[1].toObject();
    EXPECT_EQ(second.value("rank").toInt(), 2);
    EXPECT_EQ(second.value("number").toInt(), 8);
    EXPECT_EQ(second.value("time").toString(), "00:06:02,000");
    EXPECT_EQ(second.value("penalty").toInt(), 2);
    // Without a racer table both are in the one group of racers without a category.
    EXPECT_EQ(json.value("categories").toArray(), QJsonArray{QStringLiteral("<nezadáná kategorie>")});
    EXPECT_EQ(first.value("category").toString(), QStringLiteral("<nezadáná kategorie>"));
    EXPECT_EQ(first.value("categoryRank").toInt(), 1);
    EXPECT_EQ(second.value("categoryRank").toInt(), 2);

    // The stream carried the same ranking, each row as the cells the page
    // shows, in rank order.
    EXPECT_EQ(events.latest.value("version").toInteger(), version);
    EXPECT_EQ(events.latest.value("caption").toString(), caption);
    EXPECT_EQ(events.latest.value("lastStartMs").toInteger(), 10 * MsPerHour);
    const QJsonArray streamed = events.latest.value("rows").toArray();
    ASSERT_EQ(streamed.size(), rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows[i].toObject();
        const QJsonArray expected{row.value("racer"),   row.value("laps"), row.value("time"),
                                  row.value("penalty"), row.value("note"), 0};
        EXPECT_EQ(streamed[i].toArray(), expected) << "row " << i;
    }
    EXPECT_TRUE(events.head.contains("Content-Type: text/event-stream"));
    EXPECT_GE(events.clocks, 1);
}

TEST_F(ResultsServerTest, BeforeAnyRaceServesAnEmptyRanking)
{
    const QJsonObject json = FetchJson(port);
    EXPECT_EQ(json.value("caption").toString(), "Tikomat");
    EXPECT_TRUE(json.value("lastStartMs").isNull());
    EXPECT_TRUE(json.value("rows").toArray().isEmpty());
}

TEST_F(ResultsServerTest, PageIsCzechReadOnlyAndFollowsTheStream)
{
    const Reply get = Exchange(port, Get("/"));
    ASSERT_EQ(StatusOf(get.bytes), 200);
    EXPECT_TRUE(get.closed);
    const QByteArray head = HeadOf(get.bytes);
    EXPECT_TRUE(head.contains("Content-Type: text/html; charset=utf-8\r\n"));
    EXPECT_TRUE(head.contains("Content-Security-Policy: "));
    const QString page = QString::fromUtf8(BodyOf(get.bytes));
    EXPECT_TRUE(page.contains(QStringLiteral("<html lang=\"cs\">")));
    for (const char *title : {"Pořadí", "Závodník", "Kolo", "Čas vč. trestu", "Trest", "Poznámka"})
        EXPECT_TRUE(page.contains(QStringLiteral("<th")) && page.contains(QString::fromUtf8(title))) << title;
    EXPECT_TRUE(page.contains(QStringLiteral("new EventSource(\"events\")")));
    EXPECT_TRUE(page.contains(QStringLiteral("name=\"viewport\"")));
    // Nothing on it can send anything back.
    for (const char *write : {"<form", "method=", "POST", "innerHTML"})
        EXPECT_FALSE(page.contains(QLatin1String(write), Qt::CaseInsensitive)) << write;

    const Reply head_ = Exchange(port, "HEAD / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(StatusOf(head_.bytes), 200);
    EXPECT_TRUE(BodyOf(head_.bytes).isEmpty());
    EXPECT_TRUE(HeadOf(head_.bytes).contains("Content-Length: " + QByteArray::number(BodyOf(get.bytes).size())));
}

struct BadRequest {
    const char *name;
    QByteArray bytes;
    int status;  // 0: dropped without an answer
};

TEST_F(ResultsServerTest, BadRequestsAreAnsweredOrDroppedWithoutEffect)
{
    Refresh();
    ASSERT_TRUE(EventClient(port).waitForVersion(version));
    const QByteArray host = "Host: 127.0.0.1\r\n";
    const std::vector<BadRequest> cases = {
        {"post", "POST /results.json HTTP/1.1\r\n" + host + "Content-Length: 2\r\n\r\n{}", 405},
        {"put", "PUT / HTTP/1.1\r\n" + host + "\r\n", 405},
        {"delete", "DELETE /results.json HTTP/1.1\r\n" + host + "\r\n", 405},
        {"unknown path", Get("/settings"), 404},
        {"dot dot", Get("/../../../../etc/passwd"), 404},
        {"source file", Get("/web/ResultsServer.cpp"), 404},
        {"huge header", "GET / HTTP/1.1\r\n" + host + "Cookie: " + QByteArray(100000, 'a') + "\r\n\r\n", 431},
        {"garbage", QByteArray(64, '\0') + "\r\n\r\n", 400},
        {"request that never ends", "GET / HTTP/1.1\r\n" + host + "X-Slow: 1\r\n", 0},
        {"silence", QByteArray(), 0},
    };
    for (const BadRequest &c : cases) {
        const Reply reply = Exchange(port, c.bytes, 5000);
        EXPECT_TRUE(reply.closed) << c.name;
        if (c.status == 0) {
            EXPECT_TRUE(reply.bytes.isEmpty()) << c.name;
        } else {
            EXPECT_EQ(StatusOf(reply.bytes), c.status) << c.name;
            EXPECT_EQ(HeadOf(reply.bytes).contains("Allow: GET, HEAD\r\n"), c.status == 405) << c.name;
        }
    }
    // Nothing changed and nobody stayed behind.
    const QJsonObject json = FetchJson(port);
    EXPECT_EQ(json.value("version").toInteger(), version);
    EXPECT_EQ(json.value("rows").toArray().size(), 2);
    QDeadlineTimer deadline(3000);
    while (publisher.clientCount() > 0 && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(publisher.clientCount(), 0);
}

TEST_F(ResultsServerTest, TheClientBeyondTheLimitIsRefusedPolitely)
{
    // From eight hosts, 32 each: as many as one host may have.
    std::vector<std::unique_ptr<EventClient>> clients;
    for (int i = 0; i < 256; ++i)
        clients.push_back(std::make_unique<EventClient>(port, 0, 1 + i / 32));
    for (auto &client : clients)
        ASSERT_TRUE(client->waitForVersion(0));

    const Reply refused = Exchange(port, Get("/results.json"), 3000, 9);
    EXPECT_EQ(StatusOf(refused.bytes), 503);
    EXPECT_TRUE(HeadOf(refused.bytes).contains("Retry-After: "));
    EXPECT_TRUE(QString::fromUtf8(BodyOf(refused.bytes)).contains(QStringLiteral("zkuste to prosím za chvíli")));
    EXPECT_TRUE(refused.closed);

    // The 256 still follow the race.
    Refresh();
    for (auto &client : clients)
        ASSERT_TRUE(client->waitForVersion(version));

    // Once one leaves, the next is served.
    clients.pop_back();
    QDeadlineTimer deadline(3000);
    while (publisher.clientCount() > 255 && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(StatusOf(Exchange(port, Get("/results.json"), 3000, 9).bytes), 200);
}

TEST_F(ResultsServerTest, OneHostCannotLockTheOthersOut)
{
    std::vector<std::unique_ptr<EventClient>> greedy;
    for (int i = 0; i < 32; ++i)
        greedy.push_back(std::make_unique<EventClient>(port, 0, 1));
    for (auto &client : greedy)
        ASSERT_TRUE(client->waitForVersion(0));

    const Reply refused = Exchange(port, Get("/results.json"), 3000, 1);
    EXPECT_EQ(StatusOf(refused.bytes), 503);
    EXPECT_TRUE(refused.closed);
    EXPECT_EQ(StatusOf(Exchange(port, Get("/results.json"), 3000, 2).bytes), 200) << "another host gets in";
    EventClient viewer(port, 0, 3);
    EXPECT_TRUE(viewer.waitForVersion(0));

    // Once one of the 32 leaves, its host may have another.
    greedy.pop_back();
    QDeadlineTimer deadline(3000);
    while (publisher.clientCount() > 32 && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(StatusOf(Exchange(port, Get("/results.json"), 3000, 1).bytes), 200);
}

namespace {

// A plain socket, to see what the kernel sees: whether an answer ends in a
// clean close or in a reset.
class RawClient {
public:
    RawClient(quint16 port, int host)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(Host(host).toIPv4Address());
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&from), sizeof from);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(m_fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0;
    }
    ~RawClient() { ::close(m_fd); }

    // True when the server has sent nothing so far.
    bool nothingYet() const
    {
        char c;
        return ::recv(m_fd, &c, 1, MSG_DONTWAIT | MSG_PEEK) < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    void send(const QByteArray &bytes) const
    {
        ASSERT_EQ(::send(m_fd, bytes.constData(), bytes.size(), 0), bytes.size());
    }

    struct End {
        QByteArray bytes;
        bool clean = false;  // the server closed; false: reset, or nothing within the time
    };
    End readToEnd(int timeoutMs) const
    {
        End end;
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(std::max<qint64>(1, deadline.remainingTime()))) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                end.bytes.append(buffer, n);
                continue;
            }
            end.clean = n == 0;
            break;
        }
        return end;
    }

    bool connected = false;

private:
    int m_fd = -1;
};

std::unique_ptr<WebPublisher> StartedWith(const ServerLimits &limits)
{
    auto publisher = std::make_unique<WebPublisher>(limits);
    QString error;
    EXPECT_TRUE(publisher->start(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    return publisher;
}

}  // namespace

// A client refused for the limit gets its 503 once it has asked, and the
// connection then ends cleanly: answered at once and closed with its request
// still unread, it would get a reset, which may throw the answer away.
TEST(ResultsServerLimits, ARefusedClientIsAnsweredAfterItsRequestNeverReset)
{
    ServerLimits limits;
    limits.maxPerAddress = 2;
    limits.refuseReadMs = 400;
    limits.maxRefusing = 2;
    const auto publisher = StartedWith(limits);
    EventClient first(publisher->port()), second(publisher->port());
    ASSERT_TRUE(first.waitForVersion(0));
    ASSERT_TRUE(second.waitForVersion(0));

    RawClient slow(publisher->port(), 1);
    ASSERT_TRUE(slow.connected);
    QThread::msleep(250);
    EXPECT_TRUE(slow.nothingYet()) << "answered before its request came";
    slow.send(Get("/results.json"));
    const RawClient::End answered = slow.readToEnd(3000);
    EXPECT_EQ(StatusOf(answered.bytes), 503);
    EXPECT_TRUE(BodyOf(answered.bytes).startsWith("Příliš mnoho připojených diváků"));
    EXPECT_TRUE(answered.clean);

    // One that never asks is answered after refuseReadMs all the same.
    QElapsedTimer waited;
    waited.start();
    RawClient silent(publisher->port(), 1);
    const RawClient::End timedOut = silent.readToEnd(3000);
    EXPECT_GE(waited.elapsed(), 350);
    EXPECT_EQ(StatusOf(timedOut.bytes), 503);
    EXPECT_TRUE(timedOut.clean);

    // Refused clients waiting for their answer are few: beyond them, the one
    // that has waited longest without asking is cut off to make room, and
    // the newcomer that asks is answered.
    RawClient waiting1(publisher->port(), 1);
    QThread::msleep(30);
    RawClient waiting2(publisher->port(), 1);
    QThread::msleep(30);
    RawClient flood(publisher->port(), 1);
    flood.send(Get("/"));
    EXPECT_EQ(StatusOf(flood.readToEnd(3000).bytes), 503);
    EXPECT_EQ(waiting1.readToEnd(1000).bytes, QByteArray());
    waiting2.send(Get("/"));
    EXPECT_EQ(StatusOf(waiting2.readToEnd(3000).bytes), 503);
}

// One address holds every connection it may have, idle, and floods the
// refusals with idle ones too; whoever then asks still gets an answer (a
// 503, or the page once there is room), never a bare close, and another
// address is served at once.
TEST(ResultsServerLimits, EveryRefusedClientThatAsksIsAnsweredWhateverTheFlood)
{
    // The idle refused ones are still waiting when the others come.
    ServerLimits limits;
    limits.refuseReadMs = 20'000;
    const auto publisher = StartedWith(limits);
    const quint16 port = publisher->port();
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < 256; ++i)
        idle.push_back(std::make_unique<RawClient>(port, 1));
    QDeadlineTimer settled(5000);
    while (publisher->clientCount() < limits.maxPerAddress + limits.maxRefusing && !settled.hasExpired())
        QThread::msleep(10);

    std::vector<std::unique_ptr<RawClient>> asking;
    for (int i = 0; i < 50; ++i) {
        asking.push_back(std::make_unique<RawClient>(port, 1));
        ASSERT_TRUE(asking.back()->connected);
        asking.back()->send(Get("/results.json"));
    }
    for (std::size_t i = 0; i < asking.size(); ++i) {
        SCOPED_TRACE(i);
        const RawClient::End end = asking[i]->readToEnd(5000);
        const int status = StatusOf(end.bytes);
        EXPECT_TRUE(status == 503 || status == 200) << end.bytes.left(80).toStdString();
        EXPECT_TRUE(end.clean);
        if (status == 503) {
            EXPECT_TRUE(HeadOf(end.bytes).contains("Retry-After: "));
            EXPECT_TRUE(HeadOf(end.bytes).contains("Connection: close"));
        }
    }

    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(StatusOf(Exchange(port, Get("/results.json"), 1000, 2).bytes), 200);
    EXPECT_LT(waited.elapsed(), 1000);
}

TEST(ResultsServerLimits, ManyConnectionsShortenTheTimeForARequest)
{
    ServerLimits limits;
    limits.headTimeoutMs = 5000;
    limits.busyConnections = 4;
    limits.busyHeadTimeoutMs = 300;
    const auto publisher = StartedWith(limits);
    auto idle = [&](int count) {
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < count; ++i)
            clients.push_back(std::make_unique<RawClient>(publisher->port(), 1));
        QDeadlineTimer deadline(3000);
        while (publisher->clientCount() < count && !deadline.hasExpired())
            QThread::msleep(10);
        EXPECT_EQ(publisher->clientCount(), count);
        return clients;
    };
    {
        // Four are not many: they may take their time.
        const auto few = idle(4);
        QThread::msleep(900);
        EXPECT_EQ(publisher->clientCount(), 4);
    }
    QDeadlineTimer gone(3000);
    while (publisher->clientCount() > 0 && !gone.hasExpired())
        QThread::msleep(10);
    // Five are: they are let go after the short time.
    const auto many = idle(5);
    QElapsedTimer waited;
    waited.start();
    QDeadlineTimer deadline(3000);
    while (publisher->clientCount() > 0 && !deadline.hasExpired())
        QThread::msleep(10);
    EXPECT_EQ(publisher->clientCount(), 0);
    EXPECT_LT(waited.elapsed(), 1500);
}

TEST_F(ResultsServerTest, AStalledClientNeverHoldsTheDeskOrTheOthers)
{
    // A long race, so that one event outgrows the stalled reader's buffers.
    for (int i = 0; i < 8000; ++i)
        AppendRecord(data, Record(100 + i, "10:30:00,000", {.lap = 1}));
    EventClient stalled(port, 4096);  // never reads again
    EventClient live(port);
    ASSERT_TRUE(live.waitForVersion(0));

    // While the server's thread is held, the desk still publishes at will.
    QSemaphore release;
    QMetaObject::invokeMethod(QAbstractEventDispatcher::instance(&publisher.serverThread()),
                              [&release] { release.acquire(); });
    for (int i = 0; i < 20; ++i)
        Refresh();
    release.release();

    // The live client gets the latest ranking; the versions in between may
    // have been skipped.
    ASSERT_TRUE(live.waitForVersion(version));
    // Enough rankings to fill what the system buffers for the stalled reader.
    for (int i = 0; i < 12; ++i) {
        Refresh();
        ASSERT_TRUE(live.waitForVersion(version));
    }
    EXPECT_EQ(live.latest.value("rows").toArray().size(), 8002);

    // The stalled one is let go once it made no progress for the stall time.
    QDeadlineTimer deadline(5000);
    while (publisher.clientCount() > 1 && !deadline.hasExpired()) {
        live.pump();
        QThread::msleep(50);
    }
    EXPECT_EQ(publisher.clientCount(), 1);
}

}  // namespace
