// The module link through the module emulator on a pseudo-terminal and the
// real serial backend:
//  - stamp error: 1,000 beam interruptions at random moments; the stamp of
//    each impulse minus the moment the emulator wrote its character, as
//    median, 99th percentile and maximum (the 99th percentile must stay
//    under 2 ms);
//  - main thread busy share: the main thread's CPU time over the wall time
//    while the emulator streams state characters at full line rate (1,920 a
//    second) into a timing desk and a status label (must stay under 5 %).
#include "LinkController.h"
#include "ModuleEmulator.h"
#include "QtSerialBackend.h"
#include "TimingDesk.h"
#include "tfile.h"

#include "Dialogs.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <random>
#include <thread>

namespace {

class NoDialogs : public Dialogs {
public:
    void message(const QString &, MsgIcon, const QString &) override {}
    bool question(const QString &, const QString &, MsgIcon) override { return false; }
    std::optional<QString> openFile(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileRequest &) override { return std::nullopt; }
};

int64_t MsOf(const QString &text)
{
    return ((text.mid(0, 2).toLongLong() * 60 + text.mid(3, 2).toLongLong()) * 60 + text.mid(6, 2).toLongLong()) *
               1000 +
           text.mid(9, 3).toLongLong();
}

int64_t ThreadCpuMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

// The emulator, a controller polling it, and the main thread's event loop.
struct Rig {
    Rig()
        : link(std::make_unique<QtSerialBackend>(QList<SerialPortEntry>{
                   {QString::fromStdString(emulator.portPath()), "KORVEL HUB",
                    QString::fromStdString(emulator.portPath())}}),
               {})
    {
        QObject::connect(&link, &LinkController::statusChanged, [this](const QString &t) { status = t; });
        link.btnConnectClick(1);
        RunUntil([this] { return status == QStringLiteral("Připojen, čekám na data..."); }, 5000);
    }
    ~Rig() { link.Shutdown(); }

    // Runs the main thread's event loop, sleeping between events as the
    // program's own loop does, until `done` or the time-out.
    template <class Pred> static bool RunUntil(Pred done, int timeoutMs)
    {
        QEventLoop loop;
        QTimer check;
        QElapsedTimer elapsed;
        elapsed.start();
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (done() || elapsed.elapsed() > timeoutMs)
                loop.quit();
        });
        check.start(10);
        if (!done())
            loop.exec();
        return done();
    }

    ModuleEmulator emulator;
    LinkController link;
    QString status;
};

void BM_StampError(benchmark::State &state)
{
    const int interruptions = int(state.range(0));
    std::vector<int64_t> errors;
    size_t merged = 0;
    for (auto _ : state) {
        Rig rig;
        std::vector<int64_t> stamps;
        QObject::connect(&rig.link, &LinkController::finishImpulse,
                         [&](DayTime t) { stamps.push_back(MsOf(DayTimeToText(t)) * 1000); });
        std::vector<int64_t> written;
        std::atomic<bool> done{false};
        std::thread racers([&] {
            // Beams interrupted and free again for 8 to 20 ms each: every
            // interruption usually gets a poll of its own.
            std::mt19937 random(8);
            std::uniform_int_distribution<int> gapUs(8000, 20000);
            for (int i = 0; i < interruptions; ++i) {
                std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
                written.push_back(rig.emulator.Send('C'));
                std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
                rig.emulator.Send('A');
            }
            done = true;
        });
        Rig::RunUntil([&] { return done.load(); }, 300'000);
        racers.join();
        Rig::RunUntil([] { return false; }, 100);
        // Each stamp belongs to the last interruption written before it; two
        // interruptions read in one poll make one impulse (counted as merged).
        size_t w = 0;
        for (const int64_t stamp : stamps) {
            while (w + 1 < written.size() && written[w + 1] <= stamp + 1000) {
                ++w;
                ++merged;
            }
            errors.push_back(stamp - written[w]);
            ++w;
        }
        merged += written.size() - std::min(written.size(), w);
    }
    if (errors.empty()) {
        state.SkipWithError("no impulse arrived");
        return;
    }
    std::sort(errors.begin(), errors.end());
    const auto at = [&](double q) { return double(errors[size_t(q * double(errors.size() - 1))]) / 1000.0; };
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = double(errors.back()) / 1000.0;
    state.counters["p90_ms"] = at(0.90);
    state.counters["merged"] = double(merged);
    std::printf("stamp error over %zu impulses: median %.3f ms, 99th percentile %.3f ms, maximum %.3f ms"
                " (%zu interruptions shared a poll)\n",
                errors.size(), at(0.5), at(0.99), double(errors.back()) / 1000.0, merged);
}
BENCHMARK(BM_StampError)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond);

// `period` characters of one state, then of the next, while the stream lasts:
// 0 streams "A" only (a module reporting quiet beams), otherwise the states
// run A, C, A, B ... and every change from free is an impulse.
void BM_MainThreadBusyWhileStreaming(benchmark::State &state)
{
    const int period = int(state.range(0));
    constexpr int seconds = 3;
    NoDialogs dialogs;
    TData data(&dialogs);
    TimingDesk desk(data, dialogs, nullptr);
    QLabel statusLabel;
    double share = 0;
    int64_t impulses = 0;
    for (auto _ : state) {
        Rig rig;
        QObject::connect(&rig.link, &LinkController::statusChanged, &statusLabel, &QLabel::setText);
        QObject::connect(&rig.link, &LinkController::finishImpulse, &desk, &TimingDesk::PostFinishImpulse);
        std::string stream;
        const char cycle[] = {'A', 'C', 'A', 'B'};
        for (int i = 0; i < 1920 * seconds; ++i)
            stream += period == 0 ? 'A' : cycle[(i / period) % 4];
        const int rowsBefore = desk.finishList().size();
        std::atomic<bool> done{false};
        std::thread module([&] {
            rig.emulator.SendAtLineRate(stream);
            done = true;
        });
        QElapsedTimer wall;
        wall.start();
        const int64_t cpuStart = ThreadCpuMicroseconds();
        Rig::RunUntil([&] { return done.load(); }, 60'000);
        const int64_t cpu = ThreadCpuMicroseconds() - cpuStart;
        share = 100.0 * double(cpu) / double(wall.nsecsElapsed() / 1000);
        module.join();
        Rig::RunUntil([] { return false; }, 50);
        impulses = desk.finishList().size() - rowsBefore;
        desk.btnSmazVseClick();
    }
    state.counters["main_busy_pct"] = share;
    state.counters["impulses"] = double(impulses);
    std::printf("main thread busy while streaming at line rate (%s): %.2f %% (%lld impulses)\n",
                period == 0 ? "quiet beams" : "a state change every few characters", share,
                static_cast<long long>(impulses));
    QFile::remove(data.FileName);
    QFile::remove(ResultsFileName(data.FileName));
}
BENCHMARK(BM_MainThreadBusyWhileStreaming)->Arg(0)->Arg(24)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
