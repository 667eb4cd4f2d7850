// Whether the results page costs the desk nothing it would notice, and how
// fast the phones see a new ranking, with 10,000 records on the desk.
//
//   BM_VlozMainThread/laps mode/clients: one Vlož as the desk's thread does
//     it (the record added, RefreshLists, the snapshot handed to the server),
//     processor time of that thread, with 0 or 200 clients following the
//     event stream on 127.0.0.1.  vloz_ms is the median.  Compare the two
//     client counts of one laps mode: the difference is what serving costs
//     the desk.  (The file save of a real Vlož costs the same either way and
//     is left out, which makes the comparison stricter.)
//   BM_ResultsJson/laps mode: formatting one ranking for /results.json on the
//     server's thread (json_kb); event_kb is the size of the same ranking as
//     the event stream carries it to every client.
//   BM_DeliveryToClients/laps mode: 200 clients; after each Vlož, how long
//     until each client has read the new ranking (wall time, from the hand-
//     over to the reader).  delivery_median_ms and delivery_max_ms over all
//     clients and Vlož; missed counts clients that did not see a ranking
//     within 5 s.
#include "ResultsLists.h"
#include "WebPublisher.h"

#include "BenchRacers.h"
#include "RecordStore.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <ctime>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int RacerCount = 300;
constexpr int Records = 10000;

using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

// Clients of the event stream on one thread of their own: each keeps the
// version of the last ranking it read and when it read it.
class Readers {
public:
    Readers(quint16 port, int count) : m_seen(size_t(count)), m_at(size_t(count))
    {
        for (int i = 0; i < count; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            // Each phone of a venue has an address of its own; the server
            // takes at most 32 connections from one.
            sockaddr_in from{};
            from.sin_family = AF_INET;
            from.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1 + i / 32);  // 127.0.0.2, ...
            if (::bind(fd, reinterpret_cast<sockaddr *>(&from), sizeof from) != 0)
                qFatal("cannot bind a client's address");
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(port);
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
                qFatal("cannot connect to the results server");
            const char request[] = "GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
            if (::send(fd, request, sizeof request - 1, 0) != ssize_t(sizeof request - 1))
                qFatal("cannot send a request");
            m_fds.push_back(fd);
            m_streams.emplace_back();
        }
        m_thread = std::thread([this] { run(); });
    }
    ~Readers()
    {
        m_stop = true;
        m_thread.join();
        for (int fd : m_fds)
            ::close(fd);
    }

    // Waits until every client has read version (at most 5 s); returns the
    // delay of each, from `from`, and counts those that did not.
    void await(int64_t version, Clock::time_point from, std::vector<double> &delays, int &missed)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline && !allSeen(version))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard lock(m_mutex);
        for (size_t i = 0; i < m_fds.size(); ++i) {
            if (m_seen[i] >= version)
                delays.push_back(std::chrono::duration<double, std::milli>(m_at[i] - from).count());
            else
                ++missed;
        }
    }

private:
    static constexpr size_t LineStart = 64;
    struct Stream {
        std::string line;      // the first LineStart bytes of the current line
        size_t lineBytes = 0;  // the current line's length so far
        int64_t pending = -1;  // version of the event being read
    };

    bool allSeen(int64_t version)
    {
        std::lock_guard lock(m_mutex);
        return std::all_of(m_seen.begin(), m_seen.end(), [version](int64_t v) { return v >= version; });
    }

    void run()
    {
        std::vector<pollfd> polls;
        for (int fd : m_fds)
            polls.push_back({fd, POLLIN, 0});
        std::vector<char> chunk(256 * 1024);
        while (!m_stop) {
            if (::poll(polls.data(), polls.size(), 20) <= 0)
                continue;
            for (size_t i = 0; i < polls.size(); ++i) {
                if (!(polls[i].revents & POLLIN))
                    continue;
                const ssize_t n = ::recv(polls[i].fd, chunk.data(), chunk.size(), 0);
                if (n <= 0) {
                    polls[i].fd = -1;
                    continue;
                }
                take(i, chunk.data(), size_t(n));
            }
        }
    }

    // Reads the stream as it comes, the way each phone does on its own
    // processor: only the start of every line is kept (a ranking's version
    // is its first key), so this one thread serving 200 clients spends no
    // time copying their rankings around.  A blank line ends an event.
    void take(size_t i, const char *bytes, size_t n)
    {
        Stream &s = m_streams[i];
        const char *p = bytes;
        const char *end = bytes + n;
        while (p < end) {
            const char *newline = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            const char *stop = newline ? newline : end;
            if (s.line.size() < LineStart)
                s.line.append(p, std::min(size_t(stop - p), LineStart - s.line.size()));
            s.lineBytes += size_t(stop - p);
            if (!newline)
                break;
            lineEnded(i, s);
            p = newline + 1;
        }
    }

    void lineEnded(size_t i, Stream &s)
    {
        static const std::string Data = "data: {\"version\":";
        if (s.lineBytes == 0) {
            if (s.pending >= 0) {
                std::lock_guard lock(m_mutex);
                if (s.pending > m_seen[i]) {
                    m_seen[i] = s.pending;
                    m_at[i] = Clock::now();
                }
            }
            s.pending = -1;
        } else if (s.line.compare(0, Data.size(), Data) == 0) {
            s.pending = std::atoll(s.line.c_str() + Data.size());
        }
        s.line.clear();
        s.lineBytes = 0;
    }

    std::vector<int> m_fds;
    std::vector<Stream> m_streams;
    std::mutex m_mutex;
    std::vector<int64_t> m_seen;
    std::vector<Clock::time_point> m_at;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A race of 10,000 records with its lists refreshed and the page serving.
struct Race {
    explicit Race(int lapsMode) : data(nullptr, &racers), results(data, &racers)
    {
        temp = data.FileName;
        FillRacers(racers, RacerCount);
        const DayTime start = 9 * MsPerHour;
        auto first = std::make_shared<TimeRecord>();
        first->Number = RaceStartNumber;
        first->Time = start;
        std::vector<TimeRecordPtr> made{first};
        for (int i = 1; i < Records; ++i)
            made.push_back(passage(1 + (i - 1) % RacerCount, start + MsPerMinute + i * 50));
        data.ReplaceRecords(std::move(made));
        data.MaxLap = Records / RacerCount + 1;
        results.setLapsMode(lapsMode);
        results.RefreshLists(-1);
        QString error;
        if (!publisher.start(QHostAddress::LocalHost, 0, &error))
            qFatal("%s", qPrintable(error));
        last = start + MsPerMinute + Records * 50;
    }
    ~Race() { QFile::remove(temp); }

    static TimeRecordPtr passage(int number, DayTime time)
    {
        auto r = std::make_shared<TimeRecord>();
        r->Number = number;
        r->Time = time;
        return r;
    }

    // What the desk's thread does for one Vlož, but the save.
    void vloz()
    {
        last += 50;
        const int number = 1 + int(last / 50 % RacerCount);
        std::vector<TimeRecordPtr> grown = data.records();
        grown.push_back(passage(number, last));
        data.ReplaceRecords(std::move(grown));
        results.RefreshLists(number);
        publisher.publish(results.table(), QStringLiteral("Závod"), true, results.lastStartTime());
        ++version;
    }

    RacerTable racers;
    RecordStore data;
    ResultsLists results;
    WebPublisher publisher;
    QString temp;
    DayTime last = 0;
    int64_t version = 0;
};

void BM_VlozMainThread(benchmark::State &state)
{
    Race race(int(state.range(0)));
    std::unique_ptr<Readers> readers;
    if (state.range(1) > 0)
        readers = std::make_unique<Readers>(race.publisher.port(), int(state.range(1)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // all connected
    std::vector<double> samples;
    for (auto _ : state) {
        const double cpu = ThreadCpuSeconds();
        race.vloz();
        const double spent = ThreadCpuSeconds() - cpu;
        state.SetIterationTime(spent);
        samples.push_back(spent * 1000);
        // A Vlož every 100 ms at most: the pace of the fastest operator.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    state.counters["vloz_ms"] = Median(samples);
    state.counters["clients"] = double(state.range(1));
}
BENCHMARK(BM_VlozMainThread)
    ->ArgsProduct({{0, 1}, {0, 200}})
    ->ArgNames({"laps_mode", "clients"})
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

void BM_DeliveryToClients(benchmark::State &state)
{
    Race race(int(state.range(0)));
    Readers readers(race.publisher.port(), 200);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::vector<double> delays;
    int missed = 0;
    for (auto _ : state) {
        race.vloz();
        const auto handedOver = Clock::now();
        readers.await(race.version, handedOver, delays, missed);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - handedOver).count());
    }
    state.counters["delivery_median_ms"] = Median(delays);
    state.counters["delivery_max_ms"] = delays.empty() ? 0 : *std::max_element(delays.begin(), delays.end());
    state.counters["missed"] = missed;
}
BENCHMARK(BM_DeliveryToClients)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("laps_mode")
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// The server thread's formatting of one ranking (json_kb: its size; event_kb:
// the stream's compact form of it).
void BM_ResultsJson(benchmark::State &state)
{
    Race race(int(state.range(0)));
    const auto snapshot = ResultsSnapshot::Take(race.results.table(), QStringLiteral("Závod"), true,
                                                race.results.lastStartTime(), 1);
    QByteArray json;
    for (auto _ : state)
        json = ResultsJson(*snapshot, 10 * MsPerHour);
    state.counters["json_kb"] = double(json.size()) / 1024;
    state.counters["event_kb"] = double(ResultsStreamJson(*snapshot, 10 * MsPerHour).size()) / 1024;
}
BENCHMARK(BM_ResultsJson)->Arg(0)->Arg(1)->ArgName("laps_mode")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
