#pragma once
// The refresh of the record list and the results list, as a computation
// without widgets: it measures every passage from the race start above it,
// ranks the measured passages, overall and within each category, and returns
// the record list's rows and the results document (ResultsTable) that every
// results output renders.
#include "DayTime.h"
#include "ResultsTable.h"
#include "RecordStore.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class RacerDirectory;

// What the operator chose on the main window that shapes the lists, and
// what the document is to hold besides the ranking.
struct RefreshOptions {
    int lapsMode = 0;                         // cbRezimKol: 0 most laps first and one row per racer, 1 laps ignored
    bool realCas = false;                     // cbRealCas: the record list keeps times of day
    QString caption = DefaultResultsCaption;  // the document's caption
    // Categories the document holds even when none of their racers is ranked
    // (after the others, without rows), by names as CategoryKey compares
    // them; NoCategoryName stands for the racers without one.
    std::vector<QString> categories;
    // The race sheet: the finish rule of each category (laps mode 0 only)
    // and the racers' statuses.  Null or empty: ranked as without one.
    std::shared_ptr<const RaceSheet> sheet;
};

// Icons of the record list rows.
enum RecordIcon : int8_t { BlueFlag = 0, RedFlag = 1, GoldStar = 2 };

// One row of the record list, a snapshot of its record at the refresh.  Texts
// are made on demand so that a refresh of many thousand rows formats nothing.
struct RecordRow {
    // What the "Čas čistý" column shows.
    enum class Shown : int8_t {
        TimeOfDay,    // the record's time of day
        BeforeStart,  // "???": the passage lies before the race start above it
        Measured,     // ">" and the time since the race start
    };

    TimeRecordPtr record;
    QString caption;  // "START ZÁVODU", or "<number> (<racer label>)"
    int32_t number = 0;
    int32_t lap = 0;
    int32_t penalty = 0;
    DayTime time = 0;      // time of day
    DayTime measured = 0;  // time since the race start, when shown is Measured
    Shown shown = Shown::TimeOfDay;
    RecordIcon icon = BlueFlag;
    // The passage came after the racer's finish: listed, not counted.
    bool afterFinish = false;

    bool isRaceStart() const { return number == RaceStartNumber; }
    QString timeText() const;     // "Čas čistý"
    QString lapText() const;      // "Kolo": "---" for a race start
    QString penaltyText() const;  // "Trest": empty for a race start
    // What the record list says of a passage after the racer's finish.
    static QString afterFinishText() { return QStringLiteral("po dojetí"); }
};

struct RefreshResult {
    std::vector<RecordRow> records;  // in the record list's order
    // The results document: the ranking, overall and by category.  A new
    // one at every build, never changed after it; never null after a build.
    std::shared_ptr<const ResultsTable> table;
    std::vector<TimeRecordPtr> resultRecords;  // the record of each row of the table
    int selectRow = -1;                        // record list row to select, -1 for none
    QString leader;                            // caption of the first results row, or empty
    DayTime lastStartTime = 0;                 // time of day of the last race start, 0 for none
};

// The record list's order: the difference of the times in units of 864 ms,
// rounded to the nearest integer with halves to even, so times up to 0.432 s
// apart are equal.
int recordListOrder(const TimeRecord &a, const TimeRecord &b);
// The results list's order: the same rounding on PenalizedTime; in laps mode 0
// unequal laps decide first (Lap(b) - Lap(a), more laps first).
int resultsOrder(const TimeRecord &a, const TimeRecord &b, int lapsMode);

// The rounding both comparisons share: (a - b) / 864 ms to the nearest
// integer, halves to even, clamped to 32 bits (432 ms gives 0, 433 ms gives 1,
// 1296 ms gives 2).
int RoundedDayDifference(DayTime a, DayTime b);

// Keeps its working buffers between runs, so that a refresh of many thousand
// records does not fault in fresh memory every time.
class ResultsBuilder {
public:
    // Rebuilds both lists from the store, which it only reads.
    // selectNumber: the start number whose record row is to be selected (the
    // last one in store order), or -1.  racers may be null (empty labels, no
    // categories).
    RefreshResult Build(const RecordStore &data, RacerDirectory *racers, const RefreshOptions &options,
                        int selectNumber);
    // The same into out, whose vectors are cleared and refilled in place;
    // out.table becomes a new document (the one it held stays as it is for
    // whoever else holds it).
    void Build(const RecordStore &data, RacerDirectory *racers, const RefreshOptions &options, int selectNumber,
               RefreshResult &out);
    // The same over records in store order; maxLap is the highest Lap among
    // them.
    void Build(const std::vector<TimeRecordPtr> &records, int32_t maxLap, RacerDirectory *racers,
               const RefreshOptions &options, int selectNumber, RefreshResult &out);
    // The same with the document written into `table`, cleared and refilled
    // in place, and out.table left alone: a document in the making, which
    // nobody else reads yet.  (The benchmark measures the new document of
    // every build against refilling one this way.)
    void Build(const std::vector<TimeRecordPtr> &records, int32_t maxLap, RacerDirectory *racers,
               const RefreshOptions &options, int selectNumber, RefreshResult &out, ResultsTable &table);

private:
    class Entrants;

    // The steps of a build, in order.  The record list's order into
    // m_timeKeys; returns the index of the record to select, or -1.
    int OrderRecordList(const std::vector<TimeRecordPtr> &records, int selectNumber);
    // The record list's rows, each passage measured; the measured ones into
    // m_ranked.
    void MakeRecordRows(const std::vector<TimeRecordPtr> &records, int32_t maxLap, bool realCas, int selected,
                        Entrants &entrants, RefreshResult &out);
    // The finish rules: each category's finish moment, found in m_ranked
    // while it is in time order, and every passage after a racer's finish
    // out of m_ranked (marked on its record row).
    void ApplyFinish(const RaceSheet &sheet, const Entrants &entrants, RefreshResult &out, ResultsTable &table);
    // m_ranked into ranking order.
    void Rank(int lapsMode);
    // The document's rows from m_ranked, and the category group of each
    // into m_groupOfRow.
    void MakeResultRows(int lapsMode, const Entrants &entrants, RefreshResult &out, ResultsTable &table);
    // The statuses onto the rows, a row for each racer with a status (or,
    // once the category's race ended, without any passage) and none yet, and
    // the rows with a status behind the others in their order.
    void ApplyStatuses(const RaceSheet &sheet, int lapsMode, RacerDirectory *racers, Entrants &entrants,
                       RefreshResult &out, ResultsTable &table);
    // The document's categories: those of its rows, then the ones asked for.
    void MakeCategories(const Entrants &entrants, const std::vector<QString> &asked, ResultsTable &table) const;
    // Each category's rule, finish moment and laps to go.
    void MakeFinish(const RaceSheet &sheet, ResultsTable &table) const;

    struct TimeKey {
        DayTime time;
        uint32_t index;  // in store order
    };
    struct RankKey {
        DayTime penalized;  // PenalizedTime, the value ranked by
        DayTime start;
        int32_t lap;
        uint32_t entrant;  // the racer (one per start number); kept here: looking it up costs a cache miss per key
        uint32_t row;      // in the record list
    };
    std::vector<TimeKey> m_timeKeys;
    std::vector<RankKey> m_ranked;
    std::vector<int32_t> m_groupOfRow;
    std::vector<int32_t> m_rowOfEntrant;
    // The finish of the last build: per category key, the moment; per
    // entrant, whether the racer finished.
    std::vector<std::pair<QString, DayTime>> m_moments;
    std::vector<uint8_t> m_finished;
};
