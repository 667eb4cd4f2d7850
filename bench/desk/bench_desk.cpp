// What one insert costs on a full store, and whether the refresh of the lists
// stays close to the work no refresh can avoid.
//
// Per store size, one iteration measures three things:
//   vloz_ms     an impulse posted and assigned with "Vlož": the record made,
//               the data file and the results file written, both lists rebuilt
//               (wall time, disk included; vloz_cpu_ms is its processor time);
//   refresh_ms  RefreshLists alone (processor time of this thread);
//   floor_ms    the unavoidable part of a refresh: the records sorted by time
//               and every time text formatted once (processor time).
// The counters are medians over the samples.  refresh_per_floor is RefreshLists
// / floor; at the largest size refresh_vs_10k is RefreshLists at this size /
// RefreshLists at 10,000 records.
#include "BenchDialogs.h"
#include "ResultsLists.h"
#include "TimingDesk.h"

#include "Dialogs.h"
#include "BenchRacers.h"
#include "BenchTiming.h"
#include "RecordStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>

namespace {

constexpr int RacerCount = 300;

// A race as it grows: one start, then passages of every racer in turn, 50 ms apart.
void FillStore(RecordStore &data, int records)
{
    const int64_t startMs = 9 * 3600 * 1000;
    auto start = std::make_shared<TimeRecord>();
    start->Number = RaceStartNumber;
    start->Time = startMs;
    std::vector<TimeRecordPtr> made{start};
    for (int i = 1; i < records; ++i) {
        auto r = std::make_shared<TimeRecord>();
        r->Number = 1 + (i - 1) % RacerCount;
        r->Time = startMs + 60000 + int64_t(i) * 50;
        made.push_back(r);
    }
    data.ReplaceRecords(std::move(made));
}

// Median RefreshLists time per store size, for the ratio between sizes.
std::map<int, double> &RefreshBySize()
{
    static std::map<int, double> seconds;
    return seconds;
}

void BM_DeskInsertAndRefresh(benchmark::State &state)
{
    const int records = int(state.range(0));
    QTemporaryDir dir;
    NoDialogs dialogs;
    RacerTable racers;
    FillRacers(racers, RacerCount);
    RecordStore data(&dialogs, &racers);
    const QString temp = data.FileName;
    data.FileName = dir.filePath("race.csv");
    data.Unnamed = false;
    FillStore(data, records);
    data.Save();

    ResultsLists results(data, &racers);
    TimingDesk desk(data, dialogs, &racers);
    QObject::connect(&desk, &TimingDesk::refreshRequested, &results, &ResultsLists::RefreshLists);
    results.RefreshLists(-1);

    // Several refresh and floor samples per insert, interleaved, and medians
    // taken: the ratios must not follow whatever else the machine is doing.
    constexpr int SamplesPerInsert = 3;
    int64_t nextImpulseMs = 20 * 3600 * 1000;  // after every record of the store
    std::vector<double> vloz, vlozCpu, refresh, floor;
    int64_t formatted = 0;
    for (auto _ : state) {
        const auto t0 = BenchClock::now();
        const double c0 = ThreadCpuSeconds();
        desk.PostFinishImpulse(nextImpulseMs);
        desk.pressKey(QStringLiteral("4"));
        desk.pressKey(QStringLiteral("2"));
        desk.insert();
        vlozCpu.push_back(ThreadCpuSeconds() - c0);
        vloz.push_back(Seconds(t0, BenchClock::now()));
        for (int k = 0; k < SamplesPerInsert; ++k) {
            const double r0 = ThreadCpuSeconds();
            results.RefreshLists(-1);
            const double r1 = ThreadCpuSeconds();
            std::vector<TimeRecordPtr> rows = data.records();
            std::sort(rows.begin(), rows.end(),
                      [](const TimeRecordPtr &a, const TimeRecordPtr &b) { return CompareRecordTimes(*a, *b) < 0; });
            for (const auto &r : rows)
                formatted += DayTimeToText(r->Time).size();
            benchmark::DoNotOptimize(rows.data());
            const double r2 = ThreadCpuSeconds();
            refresh.push_back(r1 - r0);
            floor.push_back(r2 - r1);
        }
        state.SetIterationTime(Seconds(t0, BenchClock::now()));

        // Back to the same size: the new record is the latest, hence the last.
        if (data.records().size() != size_t(records) + 1 || data.records().back()->Number != 42)
            state.SkipWithError("the insert did not make the expected record");
        std::vector<TimeRecordPtr> kept = data.records();
        kept.pop_back();
        data.ReplaceRecords(std::move(kept));
        nextImpulseMs += 1000;
    }
    benchmark::DoNotOptimize(formatted);

    const double vlozMedian = Median(vloz), refreshMedian = Median(refresh), floorMedian = Median(floor);
    state.counters["vloz_ms"] = vlozMedian * 1e3;
    state.counters["vloz_cpu_ms"] = Median(vlozCpu) * 1e3;
    state.counters["refresh_ms"] = refreshMedian * 1e3;
    state.counters["floor_ms"] = floorMedian * 1e3;
    state.counters["refresh_per_floor"] = refreshMedian / floorMedian;
    RefreshBySize()[records] = refreshMedian;
    const auto base = RefreshBySize().find(10000);
    if (records > 10000 && base != RefreshBySize().end())
        state.counters["refresh_vs_10k"] = refreshMedian / base->second;
    QFile::remove(temp);
}

BENCHMARK(BM_DeskInsertAndRefresh)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace
