// A scripted race killed with SIGKILL at chosen moments; a fresh start on the
// same files must bring back every stamp it had read and every record it had
// shown.
#include "JournalRace.h"
#include "TempDataFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <cstdio>
#include <random>

namespace {

struct Told {
    std::vector<std::pair<JournalList, DayTime>> stamps;
    std::map<int, std::tuple<int, DayTime, int>> records;  // by id: the last state shown
    bool done = false;
};

void Hear(const QByteArray &line, Told &told)
{
    const QList<QByteArray> f = line.trimmed().split(' ');
    if (f.value(0) == "stamp" && f.size() == 3)
        told.stamps.emplace_back(JournalList(f[1][0]), f[2].toLongLong());
    else if (f.value(0) == "rec" && f.size() == 5)
        told.records[f[1].toInt()] = {f[2].toInt(), f[3].toLongLong(), f[4].toInt()};
    else if (f.value(0) == "done")
        told.done = true;
}

// Runs the race until it has told `lines` lines, then kills it.
Told RunAndKill(const QString &folder, int steps, int lines)
{
    QProcess race;
    race.start(QStringLiteral(JOURNAL_RACE), {folder, QString::number(steps)});
    EXPECT_TRUE(race.waitForStarted());
    Told told;
    int heard = 0;
    while (heard < lines && !told.done) {
        if (!race.canReadLine() && !race.waitForReadyRead(10000))
            break;
        while (heard < lines && race.canReadLine()) {
            Hear(race.readLine(), told);
            ++heard;
        }
    }
    race.kill();  // SIGKILL
    race.waitForFinished();
    // What it told before the kill landed counts too.
    while (race.canReadLine())
        Hear(race.readLine(), told);
    return told;
}

// What one run brought back wrong.
struct Damage {
    int lost = 0;     // records or stamps it had shown that did not come back
    int doubled = 0;  // records that came back twice
};

Damage ExpectAllBack(const Told &told, const QString &folder, const std::string &moment)
{
    Damage damage;
    SetTempFoldersForTesting({folder});
    AnsweringDialogs dialogs;
    JournalRace fresh(dialogs);
    fresh.RecoverAtStart();
    SetTempFoldersForTesting({});

    // A record of the race is its number and time: no two share both, and
    // an edit only raises the penalty.
    std::map<std::pair<int, DayTime>, std::vector<int>> penalties;
    std::multiset<DayTime> recordTimes;
    for (const TimeRecordPtr &r : fresh.data.records()) {
        penalties[{r->Number, r->Time}].push_back(r->Penalty);
        recordTimes.insert(r->Time);
    }
    for (const auto &[key, found] : penalties) {
        if (found.size() > 1) {
            ++damage.doubled;
            ADD_FAILURE() << moment << ": record " << key.first << " at " << key.second << " came back " << found.size()
                          << " times";
        }
    }
    for (const auto &[id, state] : told.records) {
        const auto &[number, time, penalty] = state;
        const auto it = penalties.find({number, time});
        if (it == penalties.end() || it->second.front() < penalty) {
            ++damage.lost;
            ADD_FAILURE() << moment << ": record " << id << " lost";
        }
    }
    for (const auto &[list, t] : told.stamps) {
        const ImpulseListModel &rows = list == JournalList::Start ? fresh.desk.startList() : fresh.desk.finishList();
        const bool listed = std::any_of(rows.rows().begin(), rows.rows().end(),
                                        [t = t](const auto &row) { return row.isImpulse() && row.time == t; });
        if (!listed && !recordTimes.count(t)) {
            ++damage.lost;
            ADD_FAILURE() << moment << ": stamp " << t << " lost";
        }
    }
    // Restored records are on disk at once.
    RecordStore disk(nullptr);
    EXPECT_TRUE(disk.Load(fresh.data.FileName)) << moment;
    EXPECT_EQ(disk.records().size(), fresh.data.records().size()) << moment;
    EXPECT_TRUE(dialogs.messages.isEmpty()) << moment << ": " << dialogs.messages.join(' ').toStdString();
    return damage;
}

TEST(JournalCrash, KilledRaceComesBackWhole)
{
    // A handful of moments in the suite; TIKOMAT_CRASH_RUNS=200 for the
    // acceptance run.
    const int runs = qEnvironmentVariableIntValue("TIKOMAT_CRASH_RUNS") > 0
                         ? qEnvironmentVariableIntValue("TIKOMAT_CRASH_RUNS")
                         : 6;
    std::mt19937 random(12);
    int lost = 0, doubled = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const int lines = std::uniform_int_distribution<int>(3, 120)(random);
        const Told told = RunAndKill(dir.path(), 80, lines);
        ASSERT_FALSE(told.stamps.empty());
        const Damage damage = ExpectAllBack(told, dir.path(), "killed after " + std::to_string(lines) + " lines");
        lost += damage.lost;
        doubled += damage.doubled;
    }
    std::printf("crash runs: %d, records or stamps lost: %d, records doubled: %d\n", runs, lost, doubled);
}

}  // namespace
