// What one "Vlož" and its undo cost the main thread on a full store once the
// data file is written by the background writer, against one journal line
// appended and flushed to disk, measured in the same run on the same disk.
//
// Per store size, one iteration: a finish impulse is posted (not timed), a
// number typed, then
//   vloz_ms      "Vlož" on the main thread (wall time): the record and the
//                impulse journalled, the save handed to the writer; the lists'
//                refresh is left out (the desk is given none);
//   undo_ms      "Zpět" of that Vlož (wall time): the record deleted and the
//                impulse listed again, journalled, the save handed over; then
//                "Znovu" (not timed) puts the record back, so the store grows;
//   append_ms    one journal line appended and flushed (wall time).
// The counters are medians; vloz_per_append and undo_per_append must stay
// under 2 at every size.
#include "BenchDialogs.h"
#include "BackgroundWriter.h"
#include "BenchRacers.h"
#include "Dialogs.h"
#include "JournalKeeper.h"
#include "TimingDesk.h"
#include "RacerTable.h"
#include "RecordStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include "BenchTiming.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

void BM_VlozAgainstJournalAppend(benchmark::State &state)
{
    const int records = int(state.range(0));
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench-journal-XXXXXX")));
    NoDialogs dialogs;
    RacerTable racers;
    FillRacers(racers, 300);
    BackgroundWriter writer;
    RecordStore data(&dialogs, &racers);
    data.SetSaveQueue(&writer);
    JournalKeeper keeper;
    TimingDesk desk(data, dialogs, &racers);
    desk.SetJournal(&keeper);
    data.SetJournal(&keeper);
    keeper.currentRows = [&desk] { return desk.JournalRows(); };
    keeper.currentRecords = [&data] { return JournalKeeper::RecordEntries(data.records()); };
    QObject::connect(&data, &RecordStore::saveHandedOver, &keeper, &JournalKeeper::Saving);
    QObject::connect(&data, &RecordStore::saveWritten, &keeper, &JournalKeeper::Saved);
    desk.settings().filterIndex = 0;

    const DayTime start = 9 * MsPerHour;
    std::vector<TimeRecordPtr> made;
    for (int i = 0; i < records; ++i) {
        auto r = std::make_shared<TimeRecord>();
        r->Number = 1 + i % 300;
        r->Time = start + DayTime(i) * 50;
        made.push_back(r);
    }
    data.ReplaceRecords(std::move(made));
    data.FileName = dir.filePath(QStringLiteral("race.csvz"));
    data.Unnamed = false;
    data.Save();
    data.WaitForWrites();
    JournalFile probe(dir.filePath(QStringLiteral("probe.journal")));
    const JournalEntry line = JournalRowEntry(JournalList::Finish,
                                              ImpulseRow::Impulse(ImpulseKind::ImpulseFB2, 10 * MsPerHour));

    std::vector<double> vloz, undo, append;
    DayTime t = start + DayTime(records) * 50;
    for (auto _ : state) {
        desk.PostFinishImpulse(t += 50);
        desk.pressKey(QStringLiteral("7"));
        const auto a = BenchClock::now();
        desk.insert();
        const auto b = BenchClock::now();
        probe.Append(line);
        const auto c = BenchClock::now();
        desk.Undo();
        const auto d = BenchClock::now();
        desk.Redo();
        vloz.push_back(1000 * Seconds(a, b));
        append.push_back(1000 * Seconds(b, c));
        undo.push_back(1000 * Seconds(c, d));
        QCoreApplication::processEvents();
    }
    data.WaitForWrites();
    const double v = Median(vloz), u = Median(undo), ap = Median(append);
    state.counters["vloz_ms"] = v;
    state.counters["undo_ms"] = u;
    state.counters["append_ms"] = ap;
    state.counters["vloz_per_append"] = ap > 0 ? v / ap : 0;
    state.counters["undo_per_append"] = ap > 0 ? u / ap : 0;
    state.counters["writes"] = writer.writesRun();
    if (data.records().size() != size_t(records) + state.iterations())
        state.SkipWithError("a Vlož, undo or redo did not do what it should");
}
BENCHMARK(BM_VlozAgainstJournalAppend)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Arg(100000)
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
