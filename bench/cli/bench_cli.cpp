// Whether tikomat-results writes the results of a 100,000-record data file in
// under a second, in each format.
//
//   BM_ResultsCommand/format/laps mode: the whole command as a script runs
//     it, but in this process: reading the data file and the racer file,
//     the refresh, and writing one output file (wall time).  The race has
//     20,000 racers of 5 laps each: laps mode 0 gives a row per racer
//     (20,000 rows), laps mode 1 a row per passage (99,999 rows, more than
//     a sheet holds, so no workbook).  command_ms is the median; starting the
//     program adds some 30 ms on top.
#include "BenchRacers.h"
#include "Cp1250.h"
#include "RacerFile.h"
#include "ResultsCommand.h"
#include "TimeRecord.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int RacerCount = 20000;
constexpr int Records = 100000;

struct RaceFiles {
    RaceFiles()
    {
        data = dir.filePath(QStringLiteral("race.csvz"));
        racers = dir.filePath(QStringLiteral("race.racerlist"));
        // One start, then every racer in turn, 20 ms apart, as the window saves them.
        QString text;
        text.reserve(Records * 64);
        const int64_t startMs = 9 * 3600 * 1000;
        auto line = [&text](int number, int64_t ms, int lap, int penalty) {
            text += QStringLiteral("\"%1\",\"\",\"%2\",\"%3\",\"00:00:00,000\",\"%4\"\r\n")
                        .arg(number)
                        .arg(DayTimeToText(DayTime(ms)))
                        .arg(lap)
                        .arg(penalty);
        };
        line(RaceStartNumber, startMs, 1, 0);
        for (int i = 1; i < Records; ++i)
            line(1 + (i - 1) % RacerCount, startMs + 60000 + int64_t(i) * 20, 1 + (i - 1) / RacerCount,
                 i % 17 == 0 ? 10 : 0);
        QFile file(data);
        if (!file.open(QIODevice::WriteOnly) || file.write(ToCp1250(text)) < 0)
            qFatal("cannot write the data file");
        file.close();
        RacerTable table;
        FillRacers(table, RacerCount);
        SaveRacerFile(racers, table.rows());
    }

    QTemporaryDir dir;
    QString data;
    QString racers;
};

RaceFiles &Files()
{
    static RaceFiles files;
    return files;
}

double Median(std::vector<double> samples)
{
    auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

const char *const Formats[] = {"--xls", "--csv", "--html", "--json"};

void BM_ResultsCommand(benchmark::State &state)
{
    RaceFiles &files = Files();
    const QString format = QString::fromLatin1(Formats[state.range(0)]);
    const QString out = files.dir.filePath(QStringLiteral("out") + format.mid(1));
    const QStringList arguments{files.data,
                                QStringLiteral("--racers"),
                                files.racers,
                                QStringLiteral("--laps"),
                                state.range(1) == 0 ? QStringLiteral("most") : QStringLiteral("none"),
                                format,
                                out};
    std::vector<double> samples;
    for (auto _ : state) {
        QBuffer stdOut, stdErr;
        stdOut.open(QIODevice::WriteOnly);
        stdErr.open(QIODevice::WriteOnly);
        const auto t0 = std::chrono::steady_clock::now();
        const int code = RunResultsCommand(arguments, Language::English, stdOut, stdErr);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (code != 0) {
            state.SkipWithError(stdErr.data().constData());
            return;
        }
        samples.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["command_ms"] = Median(samples) * 1e3;
    state.counters["file_kb"] = double(QFile(out).size()) / 1024.0;
}

void Arguments(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"format", "laps_mode"});
    b->Args({0, 0});  // xls
    for (int format = 1; format <= 3; ++format)
        for (int laps : {0, 1})
            b->Args({format, laps});
}

BENCHMARK(BM_ResultsCommand)->Apply(Arguments)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
