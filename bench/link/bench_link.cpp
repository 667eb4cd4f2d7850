// The module link through the module emulator on a pseudo-terminal and the
// real serial backend:
//  - stamp error: 1,000 beam interruptions at random moments; the stamp of
//    each impulse minus the moment the character that interrupted the beam
//    was on the wire, as median, 99th percentile and maximum.  The goals,
//    99th percentile at most 1 ms and maximum at most 4 ms, are for a module
//    streaming its states at line rate, as the module does, with real time
//    granted, quiet and loaded with stress-ng (two matrix-multiplying workers
//    per processor and a second process writing to disk).  For comparison
//    the same runs without real time for the link thread, and an emulator
//    that writes only the changes.  The emulator plays the hardware, so its
//    writer runs at a real-time priority above the link's when it may.  The
//    figures are also given without the impulses during which the machine
//    itself stalled (a top-priority thread on some processor woke late),
//    which no program on it can help.
//  - main thread busy share: the main thread's CPU time over the wall time
//    while the emulator streams state characters at full line rate (1,920 a
//    second) into a timing desk and a status label (must stay under 5 %).
#include "LinkController.h"
#include "ModuleEmulator.h"
#include "QtSerialBackend.h"
#include "TimingDesk.h"
#include "RecordStore.h"

#include "Dialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <random>
#include <sched.h>
#include <thread>

namespace {

class NoDialogs : public Dialogs {
public:
    void message(const QString &, MsgIcon, const QString &) override {}
    bool question(const QString &, const QString &, MsgIcon) override { return false; }
    std::optional<QString> openFile(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileRequest &) override { return std::nullopt; }
};

int64_t ThreadCpuMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

// The emulator's writer stands for the module's own processor, which a busy
// PC does not slow: above the link thread's priority when the process may.
bool RunLikeHardware()
{
    sched_param param{};
    param.sched_priority = LinkRealtimePriority + 10;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

// The fallback without a system that refuses: every real-time thread of the
// process back to normal scheduling (called while the link thread is the
// only one), as if real time had not been granted.
int TakeBackRealTime()
{
    int taken = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &name : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const pid_t tid = pid_t(name.toInt());
        if (sched_getscheduler(tid) == SCHED_OTHER)
            continue;
        sched_param normal{};
        taken += sched_setscheduler(tid, SCHED_OTHER, &normal) == 0;
    }
    return taken;
}

// The emulator, a controller polling it, and the main thread's event loop.
struct Rig {
    Rig()
        : link(std::make_unique<QtSerialBackend>(
                   QList<SerialPortEntry>{{QString::fromStdString(emulator.portPath()), "KORVEL HUB",
                                           QString::fromStdString(emulator.portPath())}}),
               {})
    {
        QObject::connect(&link, &LinkController::statusChanged, [this](const QString &t) { status = t; });
        QObject::connect(&link, &LinkController::schedulingGranted,
                         [this](const SchedulingGrant &g) { scheduling = g.LogLine(); });
        link.connectModule(1);
        RunUntil([this] { return !scheduling.isEmpty(); }, 5000);
    }
    ~Rig() { link.Shutdown(); }

    // Runs the main thread's event loop, sleeping between events as the
    // program's own loop does, until `done` or the time-out.
    template <class Pred>
    static bool RunUntil(Pred done, int timeoutMs)
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
    QString scheduling;  // the event log's line
};

// Whether the machine itself ran: one thread per processor, pinned to it at
// the top real-time priority, sleeps 1 ms at a time and notes every wake
// more than 1 ms late.  Nothing of the program's can run while such a
// thread cannot: a stall there is the machine's (a virtual machine stopped
// by its host, a kernel that does not preempt), not the link's.  Runs only
// where the process may use real time, as the benchmark does when root.
class StallWitness {
public:
    struct Stall {
        int64_t from, to;  // µs of the day, the emulator's clock
        int processor;
    };

    StallWitness()
    {
        const int processors = int(std::max(1u, std::thread::hardware_concurrency()));
        std::atomic<int> refused{0};
        std::atomic<int> ready{0};
        for (int p = 0; p < processors; ++p)
            m_threads.emplace_back([this, p, &refused, &ready] {
                cpu_set_t set;
                CPU_ZERO(&set);
                CPU_SET(p, &set);
                sched_param param{};
                param.sched_priority = sched_get_priority_max(SCHED_FIFO);
                const bool granted = pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0
                                     && pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
                refused += !granted;
                ++ready;
                if (granted)
                    Watch(p);
            });
        while (ready < processors)
            std::this_thread::yield();
        m_granted = refused == 0;
    }
    ~StallWitness()
    {
        m_stop = true;
        for (std::thread &t : m_threads)
            t.join();
    }
    bool granted() const { return m_granted; }

    // The stalls so far; call after the run.
    std::vector<Stall> stalls()
    {
        const std::lock_guard lock(m_mutex);
        return m_stalls;
    }

private:
    void Watch(int processor)
    {
        constexpr int64_t periodNs = 1'000'000;
        while (!m_stop) {
            timespec before{}, after{};
            clock_gettime(CLOCK_MONOTONIC, &before);
            const timespec period{0, periodNs};
            clock_nanosleep(CLOCK_MONOTONIC, 0, &period, nullptr);
            clock_gettime(CLOCK_MONOTONIC, &after);
            const int64_t lateUs = ((after.tv_sec - before.tv_sec) * 1'000'000'000 + (after.tv_nsec - before.tv_nsec)
                                    - periodNs)
                                   / 1000;
            if (lateUs > 1000) {
                const int64_t now = ModuleEmulator::MicrosecondsOfDay();
                const std::lock_guard lock(m_mutex);
                m_stalls.push_back({now - lateUs, now, processor});
            }
        }
    }

    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stop{false};
    bool m_granted = false;
    std::mutex m_mutex;
    std::vector<Stall> m_stalls;
};

// stress-ng for as long as it lives: two processor workers per processor and
// a disk writer in a folder of its own.
class Load {
public:
    Load()
    {
        const QString stress = QStandardPaths::findExecutable(QStringLiteral("stress-ng"));
        if (stress.isEmpty()) {
            error = "stress-ng is missing (scripts/setup installs it)";
            return;
        }
        const QString workers = QString::number(2 * std::max(1u, std::thread::hardware_concurrency()));
        cpu.start(stress, {"--cpu", workers, "--cpu-method", "matrixprod", "--quiet"});
        disk.start(stress, {"--hdd", "1", "--temp-path", folder.path(), "--quiet"});
        if (!cpu.waitForStarted() || !disk.waitForStarted())
            error = "stress-ng did not start";
        QThread::msleep(500);  // the workers up and running
    }
    ~Load()
    {
        for (QProcess *p : {&cpu, &disk}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished();
        }
    }
    std::string error;

private:
    QTemporaryDir folder;
    QProcess cpu;
    QProcess disk;
};

struct Interruptions {
    std::vector<int64_t> written;  // when each beam was interrupted (µs of the day)
};

// The module streams states at line rate: free for 8 to 20 ms, interrupted
// for 8 to 20 ms, `count` times.  The emulator keeps to the wire's schedule
// as the module does: where the machine held it up, the characters due go
// out together, as from a converter's buffer, noted at their due moments.
Interruptions Stream(ModuleEmulator &emulator, int count, bool &hardware)
{
    std::mt19937 random(8);
    std::uniform_int_distribution<int> chars(8 * 1920 / 1000, 20 * 1920 / 1000);
    std::string stream;
    std::vector<size_t> edges;
    for (int i = 0; i < count; ++i) {
        stream.append(size_t(chars(random)), 'A');
        edges.push_back(stream.size());
        stream.append(size_t(chars(random)), 'C');
    }
    stream.append(40, 'A');
    hardware = RunLikeHardware();
    const std::vector<int64_t> times = emulator.SendAtLineRate(stream);
    Interruptions out;
    for (const size_t at : edges)
        out.written.push_back(times[at]);
    return out;
}

// The module writes only the changes: interrupted and free again for 8 to
// 20 ms each, so that every interruption usually gets a poll of its own.
Interruptions Changes(ModuleEmulator &emulator, int count, bool &hardware)
{
    std::mt19937 random(8);
    std::uniform_int_distribution<int> gapUs(8000, 20000);
    hardware = RunLikeHardware();
    Interruptions out;
    for (int i = 0; i < count; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
        out.written.push_back(emulator.Send('C'));
        std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
        emulator.Send('A');
    }
    return out;
}

// Median, 99th percentile, maximum and earliest of stamp errors in µs.
struct Figures {
    explicit Figures(std::vector<int64_t> errors) : count(errors.size())
    {
        if (errors.empty())
            return;
        std::sort(errors.begin(), errors.end());
        const auto at = [&](double q) { return double(errors[size_t(q * double(errors.size() - 1))]) / 1000.0; };
        median = at(0.5);
        p99 = at(0.99);
        max = double(errors.back()) / 1000.0;
        earliest = double(errors.front()) / 1000.0;
        over1 = errors.end() - std::upper_bound(errors.begin(), errors.end(), 1000);
        over4 = errors.end() - std::upper_bound(errors.begin(), errors.end(), 4000);
    }
    bool met() const { return p99 <= 1.0 && max <= 4.0; }
    void Print(const char *what) const
    {
        std::printf("  %s: median %.3f ms, 99th percentile %.3f ms, maximum %.3f ms, earliest %.3f ms over %zu"
                    " impulses (%td over 1 ms, %td over 4 ms); goals (99th percentile <= 1 ms, maximum <= 4 ms) %s\n",
                    what, median, p99, max, earliest, count, over1, over4, met() ? "met" : "NOT met");
    }
    size_t count;
    double median = 0, p99 = 0, max = 0, earliest = 0;
    std::ptrdiff_t over1 = 0, over4 = 0;
};

void BM_StampError(benchmark::State &state)
{
    const bool streaming = state.range(0) != 0;
    const bool loaded = state.range(1) != 0;
    const bool fallback = state.range(2) == 0;
    constexpr int interruptions = 1000;
    std::vector<int64_t> errors;
    std::vector<int64_t> runningErrors;  // where no processor stalled
    std::vector<StallWitness::Stall> stalls;
    bool witnessed = false;
    size_t merged = 0;
    QString scheduling;
    bool hardware = false;
    Interruptions sent;
    for (auto _ : state) {
        std::unique_ptr<Load> load;
        if (loaded) {
            load = std::make_unique<Load>();
            if (!load->error.empty()) {
                state.SkipWithError(load->error.c_str());
                return;
            }
        }
        Rig rig;
        scheduling = rig.scheduling;
        if (fallback && TakeBackRealTime() > 0)
            scheduling += QStringLiteral(", taken back to normal scheduling by the benchmark (the fallback)");
        // After the fallback's take-back, which would take the witness's
        // real time back too.
        StallWitness witness;
        std::vector<int64_t> stamps;
        QObject::connect(&rig.link, &LinkController::finishImpulse,
                         [&](DayTime t) { stamps.push_back(int64_t(t) * 1000); });
        std::atomic<bool> done{false};
        std::thread module([&] {
            sent = streaming ? Stream(rig.emulator, interruptions, hardware)
                             : Changes(rig.emulator, interruptions, hardware);
            done = true;
        });
        Rig::RunUntil([&] { return done.load(); }, 600'000);
        module.join();
        Rig::RunUntil([] { return false; }, 100);
        witnessed = witness.granted();
        stalls = witness.stalls();
        const auto machineStalled = [&](int64_t from, int64_t to) {
            return std::any_of(stalls.begin(), stalls.end(),
                               [&](const StallWitness::Stall &s) { return s.from < to && s.to > from; });
        };
        // Each stamp belongs to the last interruption written before it (a
        // stamp cut to whole milliseconds may lie up to 1 ms before); two
        // interruptions read in one poll make one impulse (counted as merged).
        const std::vector<int64_t> &written = sent.written;
        size_t w = 0;
        for (const int64_t stamp : stamps) {
            while (w + 1 < written.size() && written[w + 1] <= stamp + 1000) {
                ++w;
                ++merged;
            }
            errors.push_back(stamp - written[w]);
            // A stall may also fall between the emulator's write and its
            // reading of the clock, which makes a stamp look early.
            if (witnessed && !machineStalled(std::min(stamp, written[w]), std::max(stamp, written[w]) + 1000))
                runningErrors.push_back(stamp - written[w]);
            ++w;
        }
        merged += written.size() - std::min(written.size(), w);
    }
    if (errors.empty()) {
        state.SkipWithError("no impulse arrived");
        return;
    }
    const Figures all(errors);
    state.counters["median_ms"] = all.median;
    state.counters["p99_ms"] = all.p99;
    state.counters["max_ms"] = all.max;
    state.counters["merged"] = double(merged);
    std::printf("stamp error, %s, %s, %s (%zu interruptions shared a poll)\n"
                "  link thread: %s\n  emulator %s\n",
                streaming ? "module streaming" : "module sending changes", loaded ? "LOADED" : "quiet",
                streaming && !fallback ? "where the goals apply" : "for comparison", merged, qPrintable(scheduling),
                hardware ? "at real-time priority" : "WITHOUT real-time priority");
    if (witnessed) {
        // A stall of every processor at once is the whole machine stopped.
        const int processors = int(std::max(1u, std::thread::hardware_concurrency()));
        int64_t longest = 0;
        int everywhere = 0;
        for (const StallWitness::Stall &s : stalls) {
            longest = std::max(longest, s.to - s.from);
            std::vector<bool> seen(size_t(processors), false);
            for (const StallWitness::Stall &o : stalls)
                if (o.from < s.to && o.to > s.from)
                    seen[size_t(o.processor)] = true;
            everywhere += std::all_of(seen.begin(), seen.end(), [](bool b) { return b; });
        }
        std::printf("  the machine: a thread at the top real-time priority on each processor woke over 1 ms late"
                    " %zu times (%d of them while every processor did), at worst %.3f ms late\n",
                    stalls.size(), everywhere, double(longest) / 1000.0);
    } else {
        std::printf("  the machine: not watched (no real time for the benchmark's own threads)\n");
    }
    all.Print("every impulse");
    if (witnessed)
        Figures(runningErrors).Print("where no processor stalled");
    std::fflush(stdout);
}
// realtime:0 is the fallback: the link thread as if no real time had been
// granted, the emulator still at its own real-time priority.
BENCHMARK(BM_StampError)
    ->ArgNames({"stream", "load", "realtime"})
    ->ArgsProduct({{1, 0}, {0, 1}, {1, 0}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// `period` characters of one state, then of the next, while the stream lasts:
// 0 streams "A" only (a module reporting quiet beams), otherwise the states
// run A, C, A, B ... and every change from free is an impulse.
void BM_MainThreadBusyWhileStreaming(benchmark::State &state)
{
    const int period = int(state.range(0));
    constexpr int seconds = 3;
    NoDialogs dialogs;
    RecordStore data(&dialogs);
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
        desk.deleteAllImpulses();
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
