// journal_race <folder> <steps>: a scripted race in <folder> (impulses from
// the module, numbers, race starts, manual edits), telling on stdout what it
// has read ("stamp S|F <ms>") and every record it has shown ("rec <id> <n>
// <ms> <penalty>") the moment each is done.  The crash test kills it.
#include "Clock.h"
#include "JournalRace.h"
#include "TempDataFile.h"

#include <QCoreApplication>
#include <QSet>
#include <cstdio>
#include <map>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int steps = atoi(argv[2]);
    SetTempFoldersForTesting({folder});
    DayTime now = 10 * MsPerHour;
    SetClockForTesting([&now] { return now; });

    AnsweringDialogs dialogs;
    dialogs.savePath = QDir(folder).filePath(QStringLiteral("race.csvz"));
    JournalRace race(dialogs);
    std::map<const TimeRecord *, std::tuple<int, DayTime, int>> shown;
    std::map<const TimeRecord *, int> ids;
    auto tell = [&] {
        for (const TimeRecordPtr &r : race.data.records()) {
            const auto state = std::make_tuple(int(r->Number), r->Time, int(r->Penalty));
            auto it = shown.find(r.get());
            if (it != shown.end() && it->second == state)
                continue;
            shown[r.get()] = state;
            if (!ids.count(r.get()))
                ids[r.get()] = int(ids.size());
            printf("rec %d %d %lld %d\n", ids[r.get()], r->Number, (long long)r->Time, r->Penalty);
        }
        fflush(stdout);
    };
    auto stamp = [&](JournalList list, DayTime t) {
        race.keeper.StampRead(list, t);
        printf("stamp %c %lld\n", char(list), (long long)t);
        fflush(stdout);
        if (list == JournalList::Start)
            race.desk.PostStartImpulse(t);
        else
            race.desk.PostFinishImpulse(t);
    };

    for (int i = 0; i < steps; ++i) {
        now += 1500;
        if (i % 10 == 0) {
            stamp(JournalList::Start, now);
            race.desk.startRace();
        } else {
            stamp(JournalList::Finish, now);
        }
        if (i % 3 == 1)
            race.Insert(1 + i % 40);
        if (i % 4 == 0)  // a number typed before its impulse: a preselection
            race.Insert(100 + i % 40);
        // Edits often, so that a kill finds the data file holding edits the
        // journal has not yet marked as saved.
        if (i % 3 == 2 && !race.data.records().empty()) {
            const TimeRecordPtr record = race.data.records()[std::size_t(i) % race.data.records().size()];
            race.manual.OpenRecord(record);
            race.manual.setTyped(race.manual.fields().time, race.manual.fields().number,
                                 QString::number(record->Penalty + 10));
            race.manual.confirm();
        }
        QCoreApplication::processEvents();  // the writer's outcomes
        tell();
    }
    printf("done\n");
    fflush(stdout);
    return 0;
}
