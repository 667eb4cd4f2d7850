// Recovery as a model: scripted races of every kind of change (undo and redo
// among them), then every
// moment a crash could have struck: every prefix of the journal, with every
// data file the background writer could have left by then (written before
// or after its rename, its "saved" mark in the journal or not yet).  From
// each, recovery must give exactly the records the journal describes: none
// doubled, none lost, none left half edited; and, at the moments between two
// operator actions, exactly the impulse rows that were listed.
#include "DataFileReader.h"
#include "JournalRace.h"
#include "JournalReplay.h"
#include "RaceSheetFile.h"
#include "Records.h"
#include "TempDataFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <deque>
#include <random>

namespace {

using Values = std::vector<std::tuple<int, DayTime, int>>;
using Rows = std::vector<std::tuple<char, QString, QString>>;

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Values Sorted(Values v)
{
    std::sort(v.begin(), v.end());
    return v;
}

Values ValuesOf(const std::vector<TimeRecordPtr> &records)
{
    Values v;
    for (const TimeRecordPtr &r : records)
        v.emplace_back(r->Number, r->Time, r->Penalty);
    return Sorted(std::move(v));
}

// The saves of a race, run at once so that every version of the data file
// can be kept, with the journal's length when each was handed over.  Their
// outcomes (and so the journal's "saved" marks) come late, a random number
// of actions after.
class CapturingQueue : public SaveQueue {
public:
    struct Version {
        int handedOverAt;  // journal lines when the save was handed over
        QByteArray bytes;
    };
    explicit CapturingQueue(std::mt19937 &random) : m_random(random) {}

    JournalRace *race = nullptr;
    std::vector<Version> versions;

    void Submit(std::function<QString()> write, std::function<void(const QString &)> done) override
    {
        const int lines = int(Bytes(race->keeper.path()).count('\n'));
        const QString error = write();
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        versions.push_back({lines, Bytes(race->data.FileName)});
        m_outcomes.push_back([done = std::move(done), error] { done(error); });
    }
    void WaitIdle() override { DeliverSome(m_outcomes.size()); }
    void DeliverLate() { DeliverSome(std::uniform_int_distribution<std::size_t>(0, m_outcomes.size())(m_random)); }

private:
    void DeliverSome(std::size_t count)
    {
        for (; count > 0 && !m_outcomes.empty(); --count) {
            auto outcome = std::move(m_outcomes.front());
            m_outcomes.pop_front();
            outcome();
        }
    }
    std::mt19937 &m_random;
    std::deque<std::function<void()>> m_outcomes;
};

struct Moment {
    int lines;  // journal lines when the action was done
    Values records;
    Rows rows;
    RaceSheet sheet;
};

// One race of `actions` random operator actions and module stamps; values
// repeat on purpose (few numbers, few hand-typed times), so that records of
// equal values and edits back to an earlier value are common.
struct ScriptedRace {
    std::vector<Moment> moments;
    std::vector<CapturingQueue::Version> versions;
    std::vector<CapturingQueue::Version> sheets;  // each sheet file written, with the journal lines before it
    QByteArray journal;
};

// Every save and journal line is forced to disk; a memory file system, where
// there is one, makes that free and the model fast.
QTemporaryDir RaceFolder()
{
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        return QTemporaryDir(QStringLiteral("/dev/shm/tikomat-model-XXXXXX"));
    return QTemporaryDir();
}

ScriptedRace RunRace(unsigned seed, int actions)
{
    QTemporaryDir dir = RaceFolder();
    SetTempFoldersForTesting({dir.path()});
    std::mt19937 random(seed);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    AnsweringDialogs dialogs;
    dialogs.savePath = dir.filePath("race.csvz");
    CapturingQueue queue(random);
    ScriptedRace out;
    {
        JournalRace race(dialogs, &queue);
        queue.race = &race;
        race.desk.saveAs();  // named from the start: one journal for the whole race
        DayTime now = 10 * MsPerHour;
        auto snapshot = [&] {
            Rows rows;
            for (const auto *list : {&race.desk.startList(), &race.desk.finishList()}) {
                for (const auto &row : list->rows())
                    rows.emplace_back(list == &race.desk.startList() ? 'S' : 'F', row.caption(), row.valueText());
            }
            out.moments.push_back(
                {int(Bytes(race.keeper.path()).count('\n')), ValuesOf(race.data.records()), rows, race.sheet.sheet()});
            if (out.moments.size() == 1 || out.moments.back().sheet != out.moments[out.moments.size() - 2].sheet)
                out.sheets.push_back({out.moments.back().lines, Bytes(race.sheet.fileName())});
        };
        snapshot();
        for (int i = 0; i < actions; ++i) {
            queue.DeliverLate();
            now += 200 + pick(3000);
            const auto &records = race.data.records();
            switch (pick(14)) {
            case 0:
                race.ModuleStamp(JournalList::Start, now);
                race.desk.startRace();
                break;
            case 1:
            case 2: race.ModuleStamp(JournalList::Finish, now); break;
            case 3:
            case 4:
                race.Insert(1 + pick(4));  // an impulse waits, or a preselection
                break;
            case 5:
                race.manual.OpenNew();
                race.manual.setTyped(QStringLiteral("10:00:0%1,000").arg(pick(3)), QString::number(1 + pick(4)),
                                     QStringLiteral("0"));
                race.manual.confirm();
                break;
            case 6:
            case 7:
                if (!records.empty()) {
                    const TimeRecordPtr record = records[std::size_t(pick(int(records.size())))];
                    race.manual.OpenRecord(record);
                    const auto fields = race.manual.fields();
                    race.manual.setTyped(pick(3) == 0 ? QStringLiteral("10:00:0%1,000").arg(pick(3)) : fields.time,
                                         fields.number, QString::number(pick(2) * 10));
                    race.manual.confirm();
                }
                break;
            case 8:
                if (!records.empty())
                    race.desk.deleteRecord(records[std::size_t(pick(int(records.size())))]);
                break;
            case 9:
                if (!race.desk.finishList().empty()) {
                    race.desk.finishList().setSelectedRow(pick(race.desk.finishList().size()));
                    race.desk.deleteSelectedImpulse();
                } else if (pick(4) == 0) {
                    race.desk.deleteAllImpulses();
                }
                break;
            case 10:
            case 11: race.desk.Undo(); break;
            case 12: race.desk.Redo(); break;
            case 13: {
                // A status or a rule, one journal line each.
                const RaceSheet &now = race.sheet.sheet();
                SheetChange change;
                if (pick(2) == 0) {
                    const int number = 1 + pick(4);
                    const StatusEntry after = pick(3) == 0 ? StatusEntry()
                                                           : StatusEntry{RacerStatus(1 + pick(3)),
                                                                         pick(2) ? QStringLiteral("důvod") : QString()};
                    change.edits = {SheetEdit::Status(number, now.status(number), after)};
                } else {
                    const QString category = pick(2) ? QString() : QStringLiteral("Ženy");
                    change.edits = {SheetEdit::Rule(category, now.ownRule(category), FinishRule::Laps(1 + pick(3)))};
                }
                if (!change.edits.front().idle())
                    race.desk.ChangeSheet(change);
                break;
            }
            }
            snapshot();
        }
        out.journal = Bytes(race.keeper.path());
        if (out.sheets.size() > 1)
            out.sheets.front().bytes = RaceSheetJson(RaceSheet());  // no file yet is an empty sheet
        out.versions = queue.versions;
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(' ').toStdString();
    }
    SetTempFoldersForTesting({});
    return out;
}

bool IsRecordChange(const JournalEntry &e)
{
    return e.kind == JournalKind::RecordAdded || e.kind == JournalKind::RecordEdited
           || e.kind == JournalKind::RecordDeleted;
}

bool IsSheetChange(const JournalEntry &e)
{
    return e.kind == JournalKind::RuleChanged || e.kind == JournalKind::StatusChanged;
}

TEST(RecoveryModel, EveryCrashPointGivesBackExactlyWhatTheJournalHolds)
{
    const int races = qEnvironmentVariableIntValue("TIKOMAT_MODEL_RACES") > 0
                          ? qEnvironmentVariableIntValue("TIKOMAT_MODEL_RACES")
                          : 20;
    long cases = 0, wrong = 0, sheetCases = 0;
    QTemporaryDir scratch;
    for (int r = 0; r < races; ++r) {
        const ScriptedRace race = RunRace(1000u + unsigned(r), 60);
        const std::vector<JournalEntry> entries = ReadJournal(race.journal);
        ASSERT_EQ(qsizetype(entries.size()), race.journal.count('\n'));

        // What each version of the data file holds.
        std::vector<std::pair<int, std::vector<JournalRecord>>> files{{0, {}}};  // none written yet
        for (const CapturingQueue::Version &v : race.versions) {
            const QString path = scratch.filePath(QStringLiteral("version.csvz"));
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(v.bytes);
            f.close();
            files.emplace_back(v.handedOverAt, JournalRecords(ReadDataFile(path).records));
        }
        // The records the journal describes after its first `lines` lines:
        // those the desk held after the last action whose record change is
        // among them.  One action changes one record at most.
        auto expectedAt = [&](int lines) {
            const Values *expected = &race.moments.front().records;
            for (std::size_t m = 1; m < race.moments.size(); ++m) {
                const int from = race.moments[m - 1].lines, to = race.moments[m].lines;
                int changes = 0;
                for (int i = from; i < to; ++i) {
                    if (IsRecordChange(entries[std::size_t(i)])) {
                        ++changes;
                        if (i < lines)
                            expected = &race.moments[m].records;
                    }
                }
                EXPECT_LE(changes, 1);
            }
            return *expected;
        };

        for (int p = race.moments.front().lines; p <= int(entries.size()); ++p) {
            const JournalReplay replay = Replay({entries.begin(), entries.begin() + p});
            const Values expected = expectedAt(p);
            for (const auto &[handedOverAt, records] : files) {
                if (handedOverAt > p)
                    break;
                std::vector<TimeRecordPtr> recovered;
                for (const JournalRecord &j : records)
                    recovered.push_back(Record(j.number, j.time, {.penalty = j.penalty}));
                ApplyRecordChanges(Reconcile(replay, records), recovered);
                ++cases;
                if (ValuesOf(recovered) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "race " << r << ", journal cut after " << p << " lines, data file handed over at "
                                  << handedOverAt << ": " << ValuesOf(recovered).size() << " records, expected "
                                  << expected.size();
            }
            // The race sheet: whichever of its files the crash left, the
            // journal brings it to the last change it holds.
            const RaceSheet *sheetExpected = &race.moments.front().sheet;
            for (std::size_t m = 1; m < race.moments.size(); ++m)
                for (int i = race.moments[m - 1].lines; i < race.moments[m].lines && i < p; ++i)
                    if (IsSheetChange(entries[std::size_t(i)]))
                        sheetExpected = &race.moments[m].sheet;
            for (std::size_t s = 0; s < race.sheets.size() && race.sheets.size() > 1; ++s) {
                if (race.sheets[s].handedOverAt > p)
                    break;
                RaceSheet sheet = ParseRaceSheet(race.sheets[s].bytes);
                const SheetChange change = SheetChangeToward(replay.sheet, sheet);
                change.applyTo(sheet);
                ++cases;
                ++sheetCases;
                if (sheet != *sheetExpected && ++wrong <= 5)
                    ADD_FAILURE() << "race " << r << ", journal cut after " << p << " lines, sheet file " << s
                                  << ": not the sheet the journal holds";
            }
            // Between two actions the lists come back as they were.
            for (const Moment &m : race.moments) {
                if (m.lines != p)
                    continue;
                // Each row goes back into its own list: the order counts within a list.
                Rows rows;
                for (const JournalList list : {JournalList::Start, JournalList::Finish})
                    for (const RecoveredRow &row : replay.rows)
                        if (row.list == list)
                            rows.emplace_back(char(row.list), row.caption, row.subItem);
                EXPECT_EQ(rows, m.rows) << "race " << r << ", journal cut after " << p << " lines";
                break;
            }
        }
    }
    std::printf("recovery model: %d races, %ld crash points checked (%ld of them of the race sheet), %ld wrong\n",
                races, cases, sheetCases, wrong);
    EXPECT_GT(sheetCases, 0);
    EXPECT_EQ(wrong, 0);
}

}  // namespace
