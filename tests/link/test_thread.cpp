// The link end to end: the module emulator on a pseudo-terminal, the real
// serial backend, the communication thread and the timing desk's lists.
#include "LinkController.h"
#include "ModuleEmulator.h"
#include "QtPrinters.h"
#include "QtSerialBackend.h"
#include "ScriptedDialogs.h"
#include "TimingDesk.h"
#include "RecordStore.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <optional>
#include <thread>

namespace {

template <class Pred>
bool WaitFor(Pred done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

class LinkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(emulator->ok()) << emulator->error();
        ASSERT_TRUE(dir.isValid());
        // The program opens the module by a fixed name, as after a replug.
        portLink = dir.filePath(QStringLiteral("module"));
        ASSERT_TRUE(QFile::link(QString::fromStdString(emulator->portPath()), portLink));
        link = std::make_unique<LinkController>(
            std::make_unique<QtSerialBackend>(QList<SerialPortEntry>{{portLink, "KORVEL HUB", portLink}}),
            [this](const QString &line) {
                const std::lock_guard lock(logMutex);
                log << line;
            });
        QObject::connect(link.get(), &LinkController::statusChanged, [this](const QString &t) { statuses << t; });
        QObject::connect(link.get(), &LinkController::connectEnabledChanged,
                         [this](bool enabled) { connectEnabled = enabled; });
        QObject::connect(link.get(), &LinkController::startImpulse, &desk, &TimingDesk::PostStartImpulse);
        QObject::connect(link.get(), &LinkController::finishImpulse, &desk, &TimingDesk::PostFinishImpulse);
    }
    void TearDown() override
    {
        link.reset();
        QFile::remove(data.FileName);
        QFile::remove(ResultsFileName(data.FileName));
    }

    void ConnectAndWait(int mode = 0)
    {
        link->connectModule(mode);
        ASSERT_TRUE(WaitFor([&] { return statuses.contains("Připojen, čekám na data..."); }, 3000)) << Dump();
    }
    // A passage through a beam: interrupted for 30 ms; the moment it was
    // interrupted, in microseconds of the day.
    int64_t Passage(char state)
    {
        const int64_t at = emulator->Send(state);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        emulator->Send('A');
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        return at;
    }
    QStringList Log()
    {
        const std::lock_guard lock(logMutex);
        return log;
    }
    std::string Dump()
    {
        return (QStringLiteral("statuses: ") + statuses.join(" | ") + QStringLiteral("\nlog: ") + Log().join(" | "))
            .toStdString();
    }
    // Every row's time must lie close after its beam was interrupted: stamped
    // at its own read, not when the window got to it.  The margin allows for
    // a busy build machine; the benchmark measures the real figures.
    void ExpectStampedAt(const ImpulseListModel &list, const std::vector<int64_t> &written)
    {
        constexpr int64_t marginUs = 100'000;
        ASSERT_EQ(size_t(list.size()), written.size()) << Dump();
        for (int i = 0; i < list.size(); ++i) {
            const int64_t error = list.at(i).time * 1000 - written[size_t(i)];
            EXPECT_GT(error, -marginUs) << i;
            EXPECT_LT(error, marginUs) << i << " " << list.at(i).valueText().toStdString();
        }
    }

    std::unique_ptr<ModuleEmulator> emulator = std::make_unique<ModuleEmulator>();
    QTemporaryDir dir;
    QString portLink;
    ScriptedDialogs dialogs;
    RecordStore data{&dialogs};
    TimingDesk desk{data, dialogs, nullptr};
    std::unique_ptr<LinkController> link;
    std::mutex logMutex;
    QStringList log;
    QStringList statuses;
    bool connectEnabled = true;
};

TEST_F(LinkEndToEnd, BytesOnTheWireBecomeImpulseRows)
{
    ConnectAndWait(0);
    EXPECT_FALSE(connectEnabled);
    const int64_t fb1 = Passage('B');
    const int64_t fb2 = Passage('C');
    const int64_t both = Passage('D');
    ASSERT_TRUE(WaitFor([&] { return desk.finishList().size() == 2 && desk.startList().size() == 2; }, 2000)) << Dump();
    EXPECT_EQ(desk.startList().at(0).caption(), "IMPULS FB1");
    EXPECT_EQ(desk.finishList().at(0).caption(), "IMPULS FB2");
    ExpectStampedAt(desk.startList(), {fb1, both});
    ExpectStampedAt(desk.finishList(), {fb2, both});
    EXPECT_EQ(desk.startList().at(1).time, desk.finishList().at(1).time);
    EXPECT_EQ(statuses.last(), "Fotobuňky volné.");

    // Past the hundredth poll the module hears "X", and nothing else.
    ASSERT_TRUE(WaitFor([&] { return !emulator->Received().empty(); }, 3000));
    EXPECT_EQ(emulator->Received().find_first_not_of('X'), std::string::npos);
    EXPECT_TRUE(Log().contains("pripojen k USB device"));
}

TEST_F(LinkEndToEnd, NothingIsLostOrStampedLateWhileTheMainThreadIsHeld)
{
    desk.settings().photocellMode = 1;
    ConnectAndWait(1);
    std::vector<int64_t> written;
    // A modal dialog runs its own loop; the racers keep crossing meanwhile.
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        std::thread racers([&] {
            for (const char state : {'B', 'C', 'B', 'D', 'C'})  // 300 ms
                written.push_back(Passage(state));
        });
        racers.join();
        dialog.reject();
    });
    dialog.exec();
    // A main thread busy for a long moment (a slow save, a blocked dialog).
    std::thread racers([&] {
        for (int i = 0; i < 8; ++i)
            written.push_back(Passage(i % 2 ? 'B' : 'C'));
    });
    racers.join();  // the main thread takes no event meanwhile
    ASSERT_TRUE(WaitFor([&] { return desk.finishList().size() >= 13; }, 3000))
        << desk.finishList().size() << " " << written.size() << Dump();
    ExpectStampedAt(desk.finishList(), written);
    for (const auto &row : desk.finishList().rows())
        EXPECT_EQ(row.caption(), "IMPULS");
}

TEST_F(LinkEndToEnd, DisconnectEndsTheThreadAndASecondConnectWaitsForIt)
{
    ConnectAndWait();
    statuses.clear();
    link->disconnectModule();
    EXPECT_TRUE(connectEnabled);
    link->connectModule(0);  // while the old thread may still be polling
    ASSERT_TRUE(WaitFor([&] { return statuses.contains("Připojen, čekám na data..."); }, 3000)) << Dump();
    const QStringList expected{"Odpojuji...",
                               "Odpojen.",
                               "Časoměrný modul odpojen.",
                               "Připojuji pomocí USB, prosím, čekejte...",
                               "Připojen.",
                               "Připojen, čekám na data..."};
    EXPECT_EQ(statuses, expected);
    EXPECT_FALSE(connectEnabled);
    EXPECT_TRUE(link->Running());
    const int64_t at = Passage('C');
    ASSERT_TRUE(WaitFor([&] { return desk.finishList().size() == 1; }, 2000)) << Dump();
    ExpectStampedAt(desk.finishList(), {at});
}

TEST_F(LinkEndToEnd, ShutdownEndsQuicklyEvenInTheReconnectPause)
{
    ConnectAndWait();
    emulator->Close();  // unplugged: the next read fails and a 2 s pause begins
    ASSERT_TRUE(WaitFor([&] { return Log().join("\n").contains("ReadFTDIResponse: USB chyba"); }, 2000)) << Dump();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(link->Shutdown());
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(link->Running());
    statuses.clear();
    link->connectModule(0);  // after the end of the program's link, nothing starts
    QCoreApplication::processEvents();
    EXPECT_FALSE(link->Running());
}

TEST_F(LinkEndToEnd, AFloodAtLineRateWithRealTimeLeavesTheMainThreadResponsive)
{
    std::optional<SchedulingGrant> granted;
    QObject::connect(link.get(), &LinkController::schedulingGranted,
                     [&](const SchedulingGrant &grant) { granted = grant; });
    ConnectAndWait(0);
    ASSERT_TRUE(WaitFor([&] { return granted.has_value(); }, 5000)) << Dump();
    EXPECT_TRUE(Log().contains(granted->LogLine()));
    if (!granted->realtime())
        GTEST_SKIP() << "real time not granted here: " << granted->LogLine().toStdString();

    // 10 s at line rate: a beam change at every other character, with noise.
    std::string flood;
    while (flood.size() < 19200)
        flood += "ABAC\r\nAD";
    std::atomic<bool> done{false};
    std::thread module([&] {
        emulator->SendAtLineRate(flood);
        done = true;
    });
    // Another thread posts to the main thread every 10 ms and notes how long
    // the event waited, the way a click or a repaint would.
    using Clock = std::chrono::steady_clock;
    QObject receiver;
    std::atomic<int64_t> worstUs{0};
    std::atomic<int> answered{0};
    std::thread poster([&] {
        while (!done) {
            const auto posted = Clock::now();
            QMetaObject::invokeMethod(
                &receiver,
                [&, posted] {
                    const int64_t waited =
                        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - posted).count();
                    worstUs = std::max(worstUs.load(), waited);
                    ++answered;
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done)
            loop.quit();
    });
    check.start(20);
    loop.exec();
    module.join();
    poster.join();
    QCoreApplication::processEvents();

    RecordProperty("worst_wait_us", std::to_string(worstUs.load()));
    EXPECT_GT(answered.load(), 500);
    EXPECT_LT(worstUs.load(), 50'000) << "a posted event waited " << worstUs.load() << " us";
    // The flood did reach the desk: the link kept polling all along.
    EXPECT_GT(desk.startList().size(), 1000);
    EXPECT_GT(desk.finishList().size(), 1000);
}

TEST_F(LinkEndToEnd, ReplugResumesPolling)
{
    ConnectAndWait();
    emulator->Close();
    ASSERT_TRUE(WaitFor([&] { return Log().join("\n").contains("ReadFTDIResponse: USB chyba"); }, 2000)) << Dump();
    // Plugged in again: a new terminal under the same name.
    emulator = std::make_unique<ModuleEmulator>();
    ASSERT_TRUE(emulator->ok());
    QFile::remove(portLink);
    ASSERT_TRUE(QFile::link(QString::fromStdString(emulator->portPath()), portLink));
    statuses.clear();
    ASSERT_TRUE(WaitFor([&] { return statuses.contains("Připojen."); }, 5000)) << Dump();
    ASSERT_TRUE(WaitFor([&] { return Log().count("pripojen k USB device") == 2; }, 5000)) << Dump();
    QThread::msleep(300);  // the short pause after a reconnect, then polling again
    const int64_t at = Passage('C');
    ASSERT_TRUE(WaitFor([&] { return desk.finishList().size() == 1; }, 2000)) << Dump();
    ExpectStampedAt(desk.finishList(), {at});
}

}  // namespace
