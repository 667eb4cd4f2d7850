// Cost of saving and loading the record store, per record, at growing sizes.
// The cost per record must stay flat: a save runs after every assignment, so
// any work that grows faster than the records shows up late in a long race.
#include "Cp1250.h"
#include "BenchRacers.h"
#include "RecordStore.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

struct Race {
    explicit Race(int64_t records, const QString &surname = QStringLiteral("Příjmení")) : data(nullptr, &racers)
    {
        FillRacers(racers, 500, surname);
        QRandomGenerator random(42);
        DayTime time = 9 * MsPerHour;
        std::vector<TimeRecordPtr> made;
        for (int64_t i = 0; i < records; ++i) {
            auto r = std::make_shared<TimeRecord>();
            r->Number = i % 1000 == 0 ? RaceStartNumber : int(random.bounded(1, 520));
            time += 1 + random.bounded(200);
            r->Time = time;
            r->Penalty = i % 50 == 0 ? 30 : 0;
            made.push_back(std::move(r));
        }
        data.ReplaceRecords(std::move(made));
        data.FileName = dir.filePath(QStringLiteral("zavod.csvz"));
    }
    QTemporaryDir dir;
    RacerTable racers;
    RecordStore data;
};

void SetPerRecord(benchmark::State &state)
{
    state.counters["per_record"] = benchmark::Counter(
        double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Save(benchmark::State &state)
{
    Race race(state.range(0));
    for (auto _ : state) {
        if (!race.data.Save())
            state.SkipWithError("save failed");
    }
    SetPerRecord(state);
}

// Every racer's name holds a letter the code page lacks ("ø"), written as "?".
// Its cost per record must stay close to BM_Save's.
void BM_SaveForeignLetter(benchmark::State &state)
{
    Race race(state.range(0), QStringLiteral("Jørgensen"));
    for (auto _ : state) {
        if (!race.data.Save())
            state.SkipWithError("save failed");
    }
    SetPerRecord(state);
}

void BM_Load(benchmark::State &state)
{
    Race race(state.range(0));
    if (!race.data.Save()) {
        state.SkipWithError("save failed");
        return;
    }
    const QString path = race.data.FileName;
    for (auto _ : state) {
        if (!race.data.Load(path))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(race.data.records().data());
    }
    if (race.data.records().size() != size_t(state.range(0)))
        state.SkipWithError("records lost");
    SetPerRecord(state);
}

// The code page conversion alone, over a whole data file's worth of text.
QString SampleText(int64_t characters)
{
    const QString line = QStringLiteral(
        "\"12\",\"Příjmení Žluťoučký (Muži)\",\"10:00:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n");
    QString text;
    while (text.size() < characters)
        text += line;
    return text;
}

void BM_ToCp1250(benchmark::State &state)
{
    const QString text = SampleText(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ToCp1250(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_FromCp1250(benchmark::State &state)
{
    QByteArray bytes = ToCp1250(SampleText(state.range(0)));
    bytes[10] = char(0x81);  // an undefined byte on the way
    for (auto _ : state)
        benchmark::DoNotOptimize(FromCp1250(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

BENCHMARK(BM_ToCp1250)->Arg(1 << 20);
BENCHMARK(BM_FromCp1250)->Arg(1 << 20);
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveForeignLetter)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
