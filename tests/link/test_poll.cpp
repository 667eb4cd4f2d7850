// The poll loop: decoding into impulses, the stamp, the status texts that go
// out, the command from the 101st poll on, and the end.
#include "Clock.h"
#include "LinkTestSupport.h"
#include "PollLoop.h"
#include "QtPrinters.h"

#include <QRegularExpression>
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
        {"B, then A in the next poll: the impulse in the first", 0, {"B", "A"}, {FB1, Start, Free}},
        {"an interruption spanning polls gives one edge", 0, {"B", "B", "BBB", "A", "B"}, {FB1, Start, Free, FB1, Start}},
        {"D in mode 0: start then finish, one stamp", 0, {"D"}, {Both, Start, Finish}},
        {"D in mode 1: a single finish", 1, {"D"}, {Both, Finish}},
        {"B then C in mode 1: one finish per poll", 1, {"B", "C"}, {FB1, Finish, FB2, Finish}},
        {"C in mode 0: FB2 finishes", 0, {"C"}, {FB2, Finish}},
        {"noise changes nothing", 0, {QByteArray("\r\n0123xyz\0\xff", 11), "a b c d"}, {}},
        {"noise around a state", 0, {"\r\nC\r\n"}, {FB2, Finish}},
        {"a free beam gives no impulse", 0, {"A", "AAAA"}, {Free}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host.events.clear();
        EXPECT_EQ(WithoutPauses(Run(c.mode, c.responses)), c.events);
    }
}

TEST_F(Polling, StampIsTheReadCutToWholeMilliseconds)
{
    // 10:00:01,2347 exactly as the clock has it, below a millisecond.
    now = TextToDayTime(QStringLiteral("10:00:01,234")) + (TextToDayTime(QStringLiteral("00:00:00,001")) * 7) / 10;
    EXPECT_EQ(WithoutPauses(Run(0, {"D"})),
              QStringList({Both, "start: 10:00:01,234", "finish: 10:00:01,234"}));
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
        int64_t previousReadUs;  // when the connect began
        int64_t readUs;          // when the read returned
        QByteArray response;
        QStringList impulses;
    } cases[] = {
        // 10 bits at 19200 baud: each following character is 520.8 µs.
        {"one character: the read", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "C",
         {"finish: 10:00:00,000"}},
        {"one follows: 179 µs into the millisecond", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "CA",
         {"finish: 10:00:00,000"}},
        {"two follow: into the millisecond before", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "CAA",
         {"finish: 09:59:59,999"}},
        {"edge early in 20 characters", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "C" + QByteArray(19, 'A'),
         {"finish: 09:59:59,990"}},
        {"edge late in 20 characters", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), QByteArray(19, 'A') + "C",
         {"finish: 10:00:00,000"}},
        {"a full read of 500", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), full, {"finish: 09:59:59,740"}},
        {"other bytes took the wire too", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "C\r\n",
         {"finish: 09:59:59,999"}},
        {"FB1 then FB2: each its own", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "BAAAC",
         {"start: 09:59:59,998", "finish: 10:00:00,000"}},
        {"FB2 before FB1: start still first", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "CAAB",
         {"start: 10:00:00,000", "finish: 09:59:59,999"}},
        {"D: both from one character", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "DAAA",
         {"start: 09:59:59,999", "finish: 09:59:59,999"}},
        {"one beam twice: the first interruption", 0, Us("09:59:00,000"), Us("10:00:00,000", 700), "BABAA",
         {"start: 09:59:59,998"}},
        {"mode 1, two beams: one impulse, the first", 1, Us("09:59:00,000"), Us("10:00:00,000", 700), "BAC",
         {"finish: 09:59:59,999"}},
        {"mode 1, the other beam first", 1, Us("09:59:00,000"), Us("10:00:00,000", 700), "CAB",
         {"finish: 09:59:59,999"}},
        {"never before the previous read returned", 0, Us("09:59:59,997", 700), Us("10:00:00,000", 700),
         "C" + QByteArray(19, 'A'), {"finish: 09:59:59,997"}},
        {"across midnight: the day before", 0, Us("23:59:59,000"), Us("00:00:00,000", 300), "CA",
         {"finish: 23:59:59,999"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        int64_t nowUs = c.previousReadUs;
        SetMicrosecondClockForTesting([&] { return nowUs; });
        loop = std::make_unique<PollLoop>(*unit, host, c.mode);
        ASSERT_TRUE(loop->Connect());
        host.events.clear();
        backend->reads.push_back({FT_OK, c.response});
        nowUs = c.readUs;
        loop->Poll();
        // In the order they were handed over.
        EXPECT_EQ(host.events.filter(QRegularExpression("^(start|finish): ")), c.impulses);
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
    EXPECT_EQ(host.Of("status"),
              QStringList({"Připojuji pomocí USB, prosím, čekejte...", "Připojení selhalo.",
                           "Připojuji pomocí USB, prosím, čekejte...", "Připojení selhalo.", "Odpojuji...",
                           "Odpojen.", "Časoměrný modul odpojen."}));
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
