// Whether the results of a 50,000-record race export to a workbook in under a
// second, and whether the spectator window's refill keeps up with every
// refresh at that size.
//
//   BM_ExportResults/laps mode: "Export..." from the file name on: the sheet
//     filled from the results list and the workbook written to disk (wall
//     time).  Laps mode 1 ranks every passage, so its sheet has a row per
//     record; laps mode 0 has a row per racer.  export_ms is the median.
//   BM_SpectatorRefill/display mode: the refill of the shown spectator window
//     from the results list, including the repaint it causes (refill_ms), next
//     to the refresh it follows (refresh_ms, RefreshLists alone), in laps mode
//     1; processor time of this thread, medians.  refill_per_refresh is their
//     ratio.  fit_ms is the fitting of the columns to their texts, which the
//     shown window does once for the refills of 200 ms.
#include "ResultsExport.h"
#include "ResultsLists.h"
#include "SpectatorWindow.h"

#include "BenchRacers.h"
#include "BenchTiming.h"
#include "Dialogs.h"
#include "RecordStore.h"

#include <QApplication>
#include <QTableView>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int RacerCount = 300;
constexpr int Records = 50000;

// Answers the save dialog with one path; anything else is a broken benchmark.
class SaveTo : public Dialogs {
public:
    explicit SaveTo(QString path) : m_path(std::move(path)) {}
    void message(const QString &text, MsgIcon, const QString &) override
    {
        qFatal("unexpected message: %s", qPrintable(text));
    }
    bool question(const QString &, const QString &, MsgIcon) override { return false; }
    std::optional<QString> openFile(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileRequest &) override { return m_path; }

private:
    QString m_path;
};

// A time of day from milliseconds, through its text so that it holds for
// whatever DayTime counts in.
DayTime At(int64_t ms)
{
    return TextToDayTime(QStringLiteral("%1:%2:%3,%4")
                             .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                             .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                             .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                             .arg(ms % 1000, 3, 10, QLatin1Char('0')));
}

// A race: one start, then passages of every racer in turn, 50 ms apart.
void FillStore(RecordStore &data)
{
    const int64_t startMs = 9 * 3600 * 1000;
    auto start = std::make_shared<TimeRecord>();
    start->Number = RaceStartNumber;
    start->Time = At(startMs);
    std::vector<TimeRecordPtr> made{start};
    for (int i = 1; i < Records; ++i) {
        auto r = std::make_shared<TimeRecord>();
        r->Number = 1 + (i - 1) % RacerCount;
        r->Penalty = i % 17 == 0 ? 10 : 0;
        r->Time = At(startMs + 60000 + int64_t(i) * 50);
        made.push_back(r);
    }
    data.ReplaceRecords(std::move(made));
    data.MaxLap = Records / RacerCount + 1;
}

// The race, refreshed once in the given laps mode.
struct Race {
    explicit Race(int lapsMode) : data(&dialogs, &racers), results(data, &racers)
    {
        temp = data.FileName;
        FillRacers(racers, RacerCount);
        FillStore(data);
        results.setLapsMode(lapsMode);
        results.RefreshLists(-1);
    }
    ~Race() { QFile::remove(temp); }

    SaveTo dialogs{QString()};
    RacerTable racers;
    RecordStore data;
    ResultsLists results;
    QString temp;
};

void BM_ExportResults(benchmark::State &state)
{
    Race race(int(state.range(0)));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vysledky.xls"));
    SaveTo dialogs(file);
    SetOpenActionForTesting([](const QString &) {});
    std::vector<double> samples;
    for (auto _ : state) {
        const auto t0 = BenchClock::now();
        ExportResults(dialogs, race.results.resultsModel()->section());
        const double seconds = Seconds(t0, BenchClock::now());
        samples.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    SetOpenActionForTesting({});
    state.counters["rows"] = race.results.resultsModel()->rowCount();
    state.counters["export_ms"] = Median(samples) * 1e3;
    state.counters["file_kb"] = double(QFile(file).size()) / 1024.0;
}

BENCHMARK(BM_ExportResults)
    ->ArgName("laps_mode")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(5.0);

void BM_SpectatorRefill(benchmark::State &state)
{
    Race race(1);
    SpectatorWindow display;
    display.Board().Mode = SpectatorMode(state.range(0));
    display.SetUpColumns();
    display.show();
    QApplication::processEvents();
    const ResultsListModel &model = *race.results.resultsModel();

    std::vector<double> refill, refresh, fit;
    for (auto _ : state) {
        const double t0 = ThreadCpuSeconds();
        race.results.RefreshLists(-1);
        const double t1 = ThreadCpuSeconds();
        display.Refill(race.results.lastStartTime(), race.results.table());
        display.repaint();  // the repaint the refill causes, now rather than later
        const double t2 = ThreadCpuSeconds();
        display.FitColumns();  // what the refill leaves for a moment later
        fit.push_back(ThreadCpuSeconds() - t2);
        refresh.push_back(t1 - t0);
        refill.push_back(t2 - t1);
        state.SetIterationTime(t2 - t1);
    }
    if (display.List()->model()->rowCount() != model.rowCount())
        state.SkipWithError("the spectator list does not hold every results row");
    state.counters["rows"] = model.rowCount();
    state.counters["refill_ms"] = Median(refill) * 1e3;
    state.counters["refresh_ms"] = Median(refresh) * 1e3;
    state.counters["refill_per_refresh"] = Median(refill) / Median(refresh);
    state.counters["fit_ms"] = Median(fit) * 1e3;
}

BENCHMARK(BM_SpectatorRefill)
    ->ArgName("display_mode")
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace
