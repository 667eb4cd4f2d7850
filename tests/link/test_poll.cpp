// The poll loop: decoding into impulses, the stamp, the status texts that go
// out, the command from the 101st poll on, and the end.
#include "Clock.h"
#include "LinkTestSupport.h"
#include "PollLoop.h"

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
