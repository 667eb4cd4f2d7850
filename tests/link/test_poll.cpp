// The poll loop: decoding into impulses, the stamp, the status texts that go
// out, the command from the 101st poll on, and the end.
#include "Clock.h"
#include "LinkTestSupport.h"
#include "PollLoop.h"
#include "QtPrinters.h"

#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class Polling : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClockForTesting([this] { return now; });
        auto owned = std::make_unique<ScriptedBackend>();
        backend = owned.get();
        backend->devices = {{QStringLiteral("KORVEL HUB"), QStringLiteral("K1")}};
        unit = std::make_unique<D2XXUnit>(std::move(owned));
    }
    void TearDown() override { SetClockForTesting({}); }

    // Connects in `mode`, then polls once per response; the events of the polls.
    QStringList Run(int mode, const std::vector<QByteArray> &responses)
    {
        loop = std::make_unique<PollLoop>(*unit, host, mode);
        EXPECT_TRUE(loop->Connect());
        host.events.clear();
        for (const QByteArray &r : responses)
            backend->reads.push_back({FT_OK, r});
        for (size_t i = 0; i < responses.size(); ++i)
            loop->Poll();
        return host.events;
    }

    DayTime now = TextToDayTime(QStringLiteral("10:00:00,000"));
    ScriptedBackend *backend;
    std::unique_ptr<D2XXUnit> unit;
    RecordingHost host;
    std::unique_ptr<PollLoop> loop;
};

QStringList WithoutPauses(const QStringList &events)
{
    QStringList out;
    for (const QString &e : events)
        if (!e.startsWith(QLatin1String("pause: ")))
            out << e;
    return out;
}

const QString Free = QStringLiteral("status: Fotobuňky volné.");
const QString FB1 = QStringLiteral("status: Fotobuňka zastíněna: FB1 ");
const QString FB2 = QStringLiteral("status: Fotobuňka zastíněna:  FB2");
const QString Both = QStringLiteral("status: Fotobuňka zastíněna: FB1 FB2");
const QString Start = QStringLiteral("start: 10:00:00,000");
const QString Finish = QStringLiteral("finish: 10:00:00,000");

TEST_F(Polling, ResponsesToImpulses)
{
    const struct {
        const char *name;
        int mode;
        std::vector<QByteArray> responses;
        QStringList events;
    } cases[] = {
        {"A B: one FB1 edge, the text of B", 0, {"AB"}, {FB1, Start}},
        {"A B A B A: still one impulse, ends free", 0, {"ABABA"}, {Free, Start}},
        {"B, then A in the next poll: the impulse after the next read", 0, {"B", "A"}, {FB1, Free, Start}},
        {"an interruption spanning polls gives one edge",
         0,
         {"B", "B", "BBB", "A", "B"},
         {FB1, Start, Free, FB1, Start}},
        {"D in mode 0: start then finish, one stamp", 0, {"D"}, {Both, Start, Finish}},
        {"D in mode 1: a single finish", 1, {"D"}, {Both, Finish}},
        {"B then C in mode 1: one finish per poll", 1, {"B", "C"}, {FB1, FB2, Finish, Finish}},
        {"C in mode 0: FB2 finishes", 0, {"C"}, {FB2, Finish}},
        {"noise changes nothing", 0, {QByteArray("\r\n0123xyz\0\xff", 11), "a b c d"}, {}},
        {"noise around a state", 0, {"\r\nC\r\n"}, {FB2, Finish}},
        {"a free beam gives no impulse", 0, {"A", "AAAA"}, {Free}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host.events.clear();
        // An edge goes at the next read; the line then goes quiet.
        std::vector<QByteArray> responses = c.responses;
        responses.emplace_back();
        EXPECT_EQ(WithoutPauses(Run(c.mode, responses)), c.events);
    }
}

TEST_F(Polling, StampIsTheReadCutToWholeMilliseconds)
{
    // 10:00:01,2347 exactly as the clock has it, below a millisecond.
    now = TextToDayTime(QStringLiteral("10:00:01,234")) + (TextToDayTime(QStringLiteral("00:00:00,001")) * 7) / 10;
    EXPECT_EQ(WithoutPauses(Run(0, {"D", ""})), QStringList({Both, "start: 10:00:01,234", "finish: 10:00:01,234"}));
    EXPECT_EQ(host.Of("start").size(), 1);
}

// Microseconds of the day of a time text, plus `extraUs`.
int64_t Us(const char *text, int64_t extraUs = 0)
{
    return TextToDayTime(QString::fromLatin1(text)) * 1000 + extraUs;
}

TEST_F(Polling, EachEdgeIsStampedForTheCharacterThatCarriedIt)
{
    const QByteArray full = 'C' + QByteArray(499, 'A');
    const struct {
        const char *name;
        int mode;
        int64_t previousReadUs;                             // when the connect began
        std::vector<std::pair<int64_t, QByteArray>> reads;  // when each returned, what it brought
        QStringList impulses;
    } cases[] = {
        // 10 bits at 19200 baud: each following character is 520.8 µs.
        {"one character: the read", 0, Us("09:59:00,000"), {{Us("10:00:00,000", 700), "C"}}, {"finish: 10:00:00,000"}},
        {"one follows: 179 µs into the millisecond",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "CA"}},
         {"finish: 10:00:00,000"}},
        {"two follow: into the millisecond before",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "CAA"}},
         {"finish: 09:59:59,999"}},
        {"edge early in 20 characters",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "C" + QByteArray(19, 'A')}},
         {"finish: 09:59:59,990"}},
        {"edge late in 20 characters",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), QByteArray(19, 'A') + "C"}},
         {"finish: 10:00:00,000"}},
        {"a full read of 500", 0, Us("09:59:00,000"), {{Us("10:00:00,000", 700), full}}, {"finish: 09:59:59,740"}},
        {"other bytes took the wire too",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "C\r\n"}},
         {"finish: 09:59:59,999"}},
        {"FB1 then FB2: each its own",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "BAAAC"}},
         {"start: 09:59:59,998", "finish: 10:00:00,000"}},
        {"FB2 before FB1: start still first",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "CAAB"}},
         {"start: 10:00:00,000", "finish: 09:59:59,999"}},
        {"D: both from one character",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "DAAA"}},
         {"start: 09:59:59,999", "finish: 09:59:59,999"}},
        {"one beam twice: the first interruption",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "BABAA"}},
         {"start: 09:59:59,998"}},
        {"mode 1, two beams: one impulse, the first",
         1,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "BAC"}},
         {"finish: 09:59:59,999"}},
        {"mode 1, the other beam first",
         1,
         Us("09:59:00,000"),
         {{Us("10:00:00,000", 700), "CAB"}},
         {"finish: 09:59:59,999"}},
        {"never before the port was opened",
         0,
         Us("09:59:59,997", 700),
         {{Us("10:00:00,000", 700), "C" + QByteArray(19, 'A')}},
         {"finish: 09:59:59,997"}},
        // Behind the wire: the backlog comes in over several reads.
        {"a backlog in two reads: the second bounds the edge",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,030"), "AAAAC" + QByteArray(5, 'A')}, {Us("10:00:00,031"), QByteArray(50, 'A')}},
         {"finish: 10:00:00,002"}},
        {"a backlog, still never before the port was opened",
         0,
         Us("10:00:00,020"),
         {{Us("10:00:00,030"), "C" + QByteArray(9, 'A')}, {Us("10:00:00,031"), QByteArray(50, 'A')}},
         {"finish: 10:00:00,020"}},
        {"a new edge of the same beam hands the held one over",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,030"), "C" + QByteArray(9, 'A')}, {Us("10:00:00,031"), "AC" + QByteArray(8, 'A')}},
         {"finish: 10:00:00,021", "finish: 10:00:00,026"}},
        {"held start and new finish keep their order",
         0,
         Us("09:59:00,000"),
         {{Us("10:00:00,030"), "B" + QByteArray(9, 'A')}, {Us("10:00:00,031"), "AC"}},
         {"start: 10:00:00,025", "finish: 10:00:00,031"}},
        {"across midnight: the day before",
         0,
         Us("23:59:59,000"),
         {{Us("00:00:00,000", 300), "CA"}},
         {"finish: 23:59:59,999"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        int64_t nowUs = c.previousReadUs;
        SetMicrosecondClockForTesting([&] { return nowUs; });
        loop = std::make_unique<PollLoop>(*unit, host, c.mode);
        ASSERT_TRUE(loop->Connect());
        host.events.clear();
        for (const auto &[atUs, response] : c.reads) {
            backend->reads.push_back({FT_OK, response});
            nowUs = atUs;
            loop->Poll();
        }
        // Then the line goes quiet: an empty read shows the loop caught up.
        backend->reads.push_back({FT_OK, {}});
        nowUs += 1000;
        loop->Poll();
        // In the order they were handed over.
        EXPECT_EQ(host.events.filter(QRegularExpression("^(start|finish): ")), c.impulses);
    }
}

TEST_F(Polling, AnEdgeGoesAtTheNextReadThatKeepsUpWithTheWire)
{
    const QByteArray backlog = "C" + QByteArray(9, 'A');
    const QByteArray more(10, 'A');
    const struct {
        const char *name;
        std::vector<QByteArray> reads;  // 5 ms apart
        bool disconnect;
        int pollsBefore;  // polls ended before the impulse was handed over; -1: never
    } cases[] = {
        {"a poll that keeps up: at the next", {"AAAC", "A"}, false, 1},
        {"a backlog: at the next poll that keeps up", {backlog, more, "AA", "A"}, false, 2},
        {"an empty read keeps up too", {backlog, ""}, false, 1},
        {"a backlog that goes on: after 20 ms", {backlog, more, more, more, more, more, more}, false, 4},
        {"a backlog at the end: the disconnect hands it over", {backlog}, true, 1},
        {"the last read: the disconnect hands it over", {"C"}, true, 1},
        {"no edge, nothing handed over", {more, more}, true, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        int64_t nowUs = Us("10:00:00,000");
        SetMicrosecondClockForTesting([&] { return nowUs; });
        loop = std::make_unique<PollLoop>(*unit, host, 0);
        ASSERT_TRUE(loop->Connect());
        host.events.clear();
        for (const QByteArray &response : c.reads) {
            backend->reads.push_back({FT_OK, response});
            nowUs += 5000;
            loop->Poll();
        }
        if (c.disconnect)
            loop->Disconnect();
        const auto finish = std::find_if(host.events.begin(), host.events.end(),
                                         [](const QString &e) { return e.startsWith(QLatin1String("finish: ")); });
        const int polls = finish == host.events.end()
                              ? -1
                              : int(std::count_if(host.events.begin(), finish, [](const QString &e) {
                                    return e.startsWith(QLatin1String("pause: "));
                                }));
        EXPECT_EQ(polls, c.pollsBefore);
        EXPECT_EQ(host.Of("finish").size(), c.pollsBefore < 0 ? 0 : 1);
    }
}

TEST_F(Polling, CommandOnlyFromThe101stPollOn)
{
    Run(0, std::vector<QByteArray>(100));
    EXPECT_TRUE(backend->writes.empty());
    loop->Poll();
    EXPECT_EQ(backend->writes, std::vector<QByteArray>{"X"});
    loop->Poll();
    loop->Poll();
    EXPECT_EQ(backend->writes.size(), 3u);
    EXPECT_EQ(host.Of("pause"), QStringList(103, QStringLiteral("1")));
}

TEST_F(Polling, DisconnectOrder)
{
    Run(0, {"A"});
    host.events.clear();
    loop->Disconnect();
    EXPECT_EQ(host.events, QStringList({"log: USBDisconnect: odpojuji...", "status: Odpojuji...", "status: Odpojen.",
                                        "status: Časoměrný modul odpojen."}));
    EXPECT_EQ(backend->openHandle, 0u);
}

TEST_F(Polling, FailedConnectPollsOnceIntoASecondSearch)
{
    backend->devices.clear();
    PollLoop failed(*unit, host, 0);
    EXPECT_FALSE(failed.Connect());
    failed.Poll();
    failed.Disconnect();
    EXPECT_EQ(host.Of("status"), QStringList({"Připojuji pomocí USB, prosím, čekejte...", "Připojení selhalo.",
                                              "Připojuji pomocí USB, prosím, čekejte...", "Připojení selhalo.",
                                              "Odpojuji...", "Odpojen.", "Časoměrný modul odpojen."}));
    EXPECT_TRUE(host.Of("log").contains("ReadFTDIResponse: USB chyba FT_Read - Invalid Handle..."));
}

TEST_F(Polling, StatusTextGoesOutOnlyWhenItChangesWhatTheOperatorSees)
{
    const std::vector<QByteArray> stream(50, QByteArray(20, 'A'));
    Run(0, stream);
    EXPECT_EQ(host.Of("status"), QStringList({"Fotobuňky volné."}));

    // After the link's own texts the state is shown again, even if unchanged.
    backend->reads = {{FT_IO_ERROR, {}}, {FT_OK, "A"}};
    loop->Poll();
    loop->Poll();
    EXPECT_EQ(host.Of("status").last(), "Fotobuňky volné.");
    EXPECT_EQ(host.Of("status").count("Fotobuňky volné."), 2);
}

}  // namespace
