// What the racer labels cost a refresh, and how long an import takes.
//
//   BM_RefreshLists/<racers>/<edited>  RefreshLists over 20,000 records of a
//       race of 5,000 racers, with an empty racer table (0) or 5,000 racers;
//       edited 1 changes one racer before every refresh, so the lookup index
//       is rebuilt each time.  Counters: refresh_ms (median processor time)
//       and, for the filled tables, labels_overhead: refresh with racers /
//       refresh with the empty table - 1 (at most 0.5 is the target).
//   BM_ImportCsv  a 5,000-row registration export (UTF-8, semicolons, quoted
//       names) read, mapped and appended to an empty table; import_ms.
#include "BenchRacers.h"
#include "RacerImport.h"
#include "ResultsLists.h"
#include "RacerTable.h"
#include "RecordStore.h"

#include <QFile>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <map>

namespace {

constexpr int Records = 20000;
constexpr int Racers = 5000;

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double Median(std::vector<double> samples)
{
    auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

// A time of day through its text form, whatever type holds it.
DayTime At(int64_t ms)
{
    return TextToDayTime(QString::asprintf("%02d:%02d:%02d,%03d", int(ms / 3600000), int(ms / 60000 % 60),
                                           int(ms / 1000 % 60), int(ms % 1000)));
}

// One start, then the racers passing in turn, 100 ms apart: four laps each.
void FillStore(RecordStore &data)
{
    const int64_t startMs = 9 * 3600 * 1000;
    auto start = std::make_shared<TimeRecord>();
    start->Number = RaceStartNumber;
    start->Time = At(startMs);
    std::vector<TimeRecordPtr> made{start};
    for (int i = 1; i < Records; ++i) {
        auto r = std::make_shared<TimeRecord>();
        r->Number = 1 + (i - 1) % Racers;
        r->Time = At(startMs + 60000 + int64_t(i) * 100);
        made.push_back(r);
    }
    data.ReplaceRecords(std::move(made));
}

std::map<int, double> &EmptyTableRefresh()
{
    static std::map<int, double> seconds;
    return seconds;
}

void BM_RefreshLists(benchmark::State &state)
{
    const int racers = int(state.range(0));
    const bool edited = state.range(1) != 0;
    RacerTable table;
    FillRacers(table, racers);
    RecordStore data(nullptr, &table);
    const QString temp = data.FileName;
    FillStore(data);
    ResultsLists results(data, &table);
    results.RefreshLists(-1);

    std::vector<double> samples;
    int edit = 0;
    for (auto _ : state) {
        if (edited && racers > 0) {
            const int index = edit++ % racers;
            RacerRow row = table.rows()[size_t(index)];
            row.name = QStringLiteral("Upravený %1").arg(edit);
            table.changeRow(index, row);
        }
        const double t0 = ThreadCpuSeconds();
        results.RefreshLists(-1);
        samples.push_back(ThreadCpuSeconds() - t0);
    }
    const double median = Median(samples);
    state.counters["refresh_ms"] = median * 1e3;
    if (racers == 0)
        EmptyTableRefresh()[int(edited)] = median;
    else if (EmptyTableRefresh().count(0))
        state.counters["labels_overhead"] = median / EmptyTableRefresh()[0] - 1;
    QFile::remove(temp);
}

BENCHMARK(BM_RefreshLists)
    ->Args({0, 0})
    ->Args({Racers, 0})
    ->Args({Racers, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

QByteArray RegistrationExport(int rows)
{
    QByteArray csv = "\xEF\xBB\xBF"
                     "Startovní číslo;Příjmení;Jméno;Kategorie;E-mail;Klub\r\n";
    for (int i = 1; i <= rows; ++i)
        csv += QStringLiteral("%1;\"Novák-Dvořák, %1\";Jiří;MX%2;jiri%1@example.cz;\"MX Klub \"\"Žďár\"\"\"\r\n")
                   .arg(i)
                   .arg(i % 3 + 1)
                   .toUtf8();
    return csv;
}

void BM_ImportCsv(benchmark::State &state)
{
    const QByteArray csv = RegistrationExport(Racers);
    std::vector<double> samples;
    for (auto _ : state) {
        const double t0 = ThreadCpuSeconds();
        RacerTable table;
        RacerImport import = ImportRacersCsv(csv);
        table.appendRows(std::move(import.rows));
        samples.push_back(ThreadCpuSeconds() - t0);
        if (table.size() != Racers || !import.problems.isEmpty())
            state.SkipWithError("the export did not import whole");
    }
    state.counters["import_ms"] = Median(samples) * 1e3;
}

BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
