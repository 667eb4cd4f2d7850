#include "ResultsBuilder.h"

#include "PassageClock.h"
#include "RacerDirectory.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <unordered_map>

// What a refresh needs to know of each racer, asked of the racer directory
// once per start number, not per record: the caption every row of the racer
// shows, the name, and the category, told apart by its exact text (the
// document merges texts that differ only in letter case or blanks).
class ResultsBuilder::Entrants {
public:
    struct Entrant {
        QString caption;
        QString name;
        int32_t group = 0;  // index into groupTexts
        int32_t number = RaceStartNumber;
    };

    explicit Entrants(RacerDirectory *racers) : m_racers(racers)
    {
        m_groupTexts.push_back(QString());  // group 0: no category
        m_entrants.push_back({RaceStartText, QString(), 0, RaceStartNumber});
    }

    // The racer of a start number; the race start is entrant 0.
    uint32_t indexOf(int32_t number)
    {
        if (number == RaceStartNumber)
            return 0;
        auto it = m_indexOf.find(number);
        if (it == m_indexOf.end())
            it = m_indexOf.emplace(number, add(number)).first;
        return it->second;
    }
    const Entrant &operator[](uint32_t index) const { return m_entrants[index]; }
    size_t size() const { return m_entrants.size(); }
    const std::vector<QString> &groupTexts() const { return m_groupTexts; }

private:
    uint32_t add(int32_t number)
    {
        Entrant entrant;
        entrant.number = number;
        const QString label = m_racers ? m_racers->RacerLabel(number) : QString();
        entrant.caption = QString::number(number);
        entrant.caption.reserve(entrant.caption.size() + label.size() + 3);
        entrant.caption += QLatin1String(" (");
        entrant.caption += label;
        entrant.caption += QLatin1Char(')');
        if (const std::optional<RacerRow> racer = m_racers ? m_racers->FindRacer(number) : std::nullopt) {
            entrant.name = racer->name.value_or(QString());
            if (racer->category && !racer->category->trimmed().isEmpty()) {
                auto [group, added] = m_groupOf.try_emplace(*racer->category, int32_t(m_groupTexts.size()));
                if (added)
                    m_groupTexts.push_back(*racer->category);
                entrant.group = group->second;
            }
        }
        m_entrants.push_back(std::move(entrant));
        return uint32_t(m_entrants.size() - 1);
    }

    struct TextHash {
        size_t operator()(const QString &text) const { return qHash(text); }
    };

    RacerDirectory *m_racers;
    std::vector<Entrant> m_entrants;
    std::unordered_map<int32_t, uint32_t> m_indexOf;
    std::vector<QString> m_groupTexts;
    std::unordered_map<QString, int32_t, TextHash> m_groupOf;
};

namespace {

int ClampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Orders keys as the lists' coarse comparison wants them, without its flaw.
// Both lists compare in units of 864 ms, so values up to 0.432 s apart
// are equal and keep the order they came in.  That comparison is not
// transitive: handed to a sort as it is, a chain of near-ties can put a value
// behind one that is more than a second worse.  So the keys are sorted by
// their exact value first, and then every run of values that all compare
// equal with the run's first is put back into the order the keys came in.
// Within a run every pair is a tie, and across runs the exact order agrees
// with the comparison, so no pair it tells apart ends up the wrong way round.
// `group` orders first (laps), `value` then, `arrival` is the order in.
template <typename Key, typename Group, typename Value, typename Arrival>
void CoarseOrder(std::vector<Key> &keys, Group group, Value value, Arrival arrival)
{
    const auto byValue = [&](const Key &a, const Key &b) { return value(a) < value(b); };
    if (!keys.empty()) {
        // The groups are few (lap counts), so they are dealt out by counting,
        // and only each group is sorted by value: a long race costs little
        // more per record than a short one.
        const auto [low, high] = std::minmax_element(keys.begin(), keys.end(),
                                                     [&](const Key &a, const Key &b) { return group(a) < group(b); });
        const int64_t lowest = group(*low);
        const size_t groups = size_t(group(*high) - lowest) + 1;
        if (groups == 1) {
            std::stable_sort(keys.begin(), keys.end(), byValue);
        } else if (groups <= 4 * keys.size()) {
            std::vector<size_t> starts(groups + 1, 0);
            for (const Key &k : keys)
                ++starts[size_t(group(k) - lowest) + 1];
            for (size_t g = 1; g <= groups; ++g)
                starts[g] += starts[g - 1];
            static thread_local std::vector<Key> dealt;  // kept between refreshes: no fresh pages each time
            dealt.resize(keys.size());
            std::vector<size_t> next(starts.begin(), starts.end() - 1);
            for (const Key &k : keys)
                dealt[next[size_t(group(k) - lowest)]++] = k;
            keys.swap(dealt);
            for (size_t g = 0; g < groups; ++g)
                std::stable_sort(keys.begin() + starts[g], keys.begin() + starts[g + 1], byValue);
        } else {
            std::stable_sort(keys.begin(), keys.end(), [&](const Key &a, const Key &b) {
                const auto ga = group(a), gb = group(b);
                return ga != gb ? ga < gb : value(a) < value(b);
            });
        }
    }
    for (auto first = keys.begin(); first != keys.end();) {
        auto last = first + 1;
        while (last != keys.end() && group(*last) == group(*first)
               && RoundedDayDifference(value(*last), value(*first)) == 0)
            ++last;
        if (last - first > 1)
            std::sort(first, last, [&](const Key &a, const Key &b) { return arrival(a) < arrival(b); });
        first = last;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Comparisons

int RoundedDayDifference(DayTime a, DayTime b)
{
    // The lists have always compared times in hundred-thousandths of a day,
    // 864 ms; the half unit, 432 ms, goes to the even neighbour.
    constexpr int64_t Unit = MsPerDay / 100000;
    const int64_t difference = a - b;
    int64_t units = difference / Unit;
    int64_t rest = difference % Unit;
    if (rest < 0) {  // floor, so that the rest lies in [0, Unit)
        rest += Unit;
        --units;
    }
    if (2 * rest > Unit || (2 * rest == Unit && units % 2 != 0))
        ++units;
    return ClampToInt(units);
}

int recordListOrder(const TimeRecord &a, const TimeRecord &b)
{
    return RoundedDayDifference(a.Time, b.Time);
}

int resultsOrder(const TimeRecord &a, const TimeRecord &b, int lapsMode)
{
    if (lapsMode == 0 && a.Lap != b.Lap)
        return ClampToInt(static_cast<long long>(b.Lap) - a.Lap);
    return RoundedDayDifference(a.PenalizedTime(), b.PenalizedTime());
}

// ---------------------------------------------------------------------------
// Row texts

QString RecordRow::timeText() const
{
    switch (shown) {
    case Shown::BeforeStart: return QStringLiteral("???");
    case Shown::Measured: return QLatin1Char('>') + DayTimeToText(measured);
    case Shown::TimeOfDay: break;
    }
    return DayTimeToText(time);
}

QString RecordRow::lapText() const
{
    return isRaceStart() ? QStringLiteral("---") : QString::number(lap);
}

QString RecordRow::penaltyText() const
{
    return isRaceStart() ? QString() : QString::number(penalty);
}

// ---------------------------------------------------------------------------
// The refresh

RefreshResult ResultsBuilder::Build(const RecordStore &data, RacerDirectory *racers, const RefreshOptions &options,
                                    int selectNumber)
{
    RefreshResult out;
    Build(data, racers, options, selectNumber, out);
    return out;
}

void ResultsBuilder::Build(const RecordStore &data, RacerDirectory *racers, const RefreshOptions &options,
                           int selectNumber, RefreshResult &out)
{
    Build(data.records(), data.MaxLap, racers, options, selectNumber, out);
}

void ResultsBuilder::Build(const std::vector<TimeRecordPtr> &records, int32_t maxLap, RacerDirectory *racers,
                           const RefreshOptions &options, int selectNumber, RefreshResult &out)
{
    // Whoever holds the document of an earlier build (a list, the spectator
    // window, the web server's thread) may go on reading it: it is never
    // written again.
    auto document = std::make_shared<ResultsTable>();
    Build(records, maxLap, racers, options, selectNumber, out, *document);
    out.table = std::move(document);
}

void ResultsBuilder::Build(const std::vector<TimeRecordPtr> &records, int32_t maxLap, RacerDirectory *racers,
                           const RefreshOptions &options, int selectNumber, RefreshResult &out, ResultsTable &table)
{
    table.caption = options.caption;
    table.lapsMode = options.lapsMode;
    table.rows.clear();
    table.categories.clear();
    // An empty sheet ranks as none: the outputs stay as they were.
    const RaceSheet *sheet = options.sheet && !options.sheet->empty() ? options.sheet.get() : nullptr;
    table.hasSheet = sheet != nullptr;
    m_moments.clear();
    m_finished.clear();

    Entrants entrants(racers);
    const int selected = OrderRecordList(records, selectNumber);
    MakeRecordRows(records, maxLap, options.realCas, selected, entrants, out);
    table.lastStart = out.lastStartTime;
    if (sheet && options.lapsMode == 0 && sheet->hasRules())
        ApplyFinish(*sheet, entrants, out, table);
    Rank(options.lapsMode);
    MakeResultRows(options.lapsMode, entrants, out, table);
    if (sheet)
        ApplyStatuses(*sheet, options.lapsMode, racers, entrants, out, table);
    MakeCategories(entrants, options.categories, table);
    if (sheet)
        MakeFinish(*sheet, table);
    out.leader = table.leader();
}

int ResultsBuilder::OrderRecordList(const std::vector<TimeRecordPtr> &records, int selectNumber)
{
    // The record list: its rows enter in store order and are sorted by time
    // of day.  The comparison is coarse and not transitive, so the sort is
    // stable: rows it calls equal keep store order.  Sorting keys first and
    // making each row once in its final place keeps this cheap.
    std::vector<TimeKey> &timeKeys = m_timeKeys;
    timeKeys.clear();
    timeKeys.reserve(records.size());
    int remembered = -1;
    for (size_t i = 0; i < records.size(); ++i) {
        const TimeRecord *record = records[i].get();
        if (!record)
            continue;
        if (selectNumber >= 0 && record->Number == selectNumber)
            remembered = int(i);  // the last match in store order wins
        timeKeys.push_back({record->Time, uint32_t(i)});
    }
    // After a save the store is already in exact time order, which is also
    // the order of the record list.
    const bool inTimeOrder = std::is_sorted(timeKeys.begin(), timeKeys.end(),
                                            [](const TimeKey &a, const TimeKey &b) { return a.time < b.time; });
    if (!inTimeOrder)
        CoarseOrder(
            timeKeys, [](const TimeKey &) { return 0; }, [](const TimeKey &k) { return k.time; },
            [](const TimeKey &k) { return k.index; });
    return remembered;
}

void ResultsBuilder::MakeRecordRows(const std::vector<TimeRecordPtr> &records, int32_t maxLap, bool realCas,
                                    int selected, Entrants &entrants, RefreshResult &out)
{
    // One pass in list order makes each row and measures it (PassageClock).
    // A measured passage becomes a ranking key; its results row is made once,
    // after ranking.
    std::vector<RankKey> &ranked = m_ranked;
    ranked.clear();
    ranked.reserve(m_timeKeys.size());
    out.records.clear();
    out.records.resize(m_timeKeys.size());
    out.selectRow = -1;
    PassageClock clock;
    for (size_t i = 0; i < m_timeKeys.size(); ++i) {
        const TimeRecordPtr &record = records[m_timeKeys[i].index];
        RecordRow &row = out.records[i];
        row.record = record;
        row.number = record->Number;
        row.lap = record->Lap;
        row.penalty = record->Penalty;
        row.time = record->Time;
        const uint32_t entrant = entrants.indexOf(row.number);
        row.caption = entrants[entrant].caption;
        if (int(m_timeKeys[i].index) == selected)
            out.selectRow = int(i);

        if (row.isRaceStart()) {
            row.icon = GoldStar;
            clock.startRace(row.time);
            continue;
        }
        row.icon = row.lap == maxLap ? RedFlag : BlueFlag;
        const PassageClock::Reading reading = clock.measure(row.time);
        if (reading.kind == PassageClock::Reading::Kind::BeforeStart) {
            if (!realCas)
                row.shown = RecordRow::Shown::BeforeStart;
        } else if (reading.kind == PassageClock::Reading::Kind::Measured) {
            const DayTime elapsed = reading.elapsed;
            if (!realCas) {
                row.shown = RecordRow::Shown::Measured;
                row.measured = elapsed;
            }
            ranked.push_back({row.penalty * MsPerSecond + elapsed, clock.start(), row.lap, entrant, uint32_t(i)});
        }
    }
    out.lastStartTime = clock.start();
}

void ResultsBuilder::ApplyFinish(const RaceSheet &sheet, const Entrants &entrants, RefreshResult &out,
                                 ResultsTable &table)
{
    Q_UNUSED(table);
    // The categories by key, each with its rule.
    const std::vector<QString> &texts = entrants.groupTexts();
    std::vector<int32_t> categoryOfGroup(texts.size());
    std::vector<QString> keys;
    std::vector<FinishRule> rules;
    for (size_t g = 0; g < texts.size(); ++g) {
        const QString key = CategoryKey(texts[g]);
        const auto at = std::find(keys.begin(), keys.end(), key);
        categoryOfGroup[g] = int32_t(at - keys.begin());
        if (at == keys.end()) {
            keys.push_back(key);
            rules.push_back(sheet.ruleFor(texts[g]));
        }
    }
    if (std::all_of(rules.begin(), rules.end(), [](const FinishRule &r) { return r.none(); }))
        return;
    std::vector<uint8_t> hasStatus(entrants.size(), 0);
    for (size_t e = 1; e < entrants.size(); ++e)
        hasStatus[e] = !sheet.status(entrants[uint32_t(e)].number).none();

    // m_ranked is in time order here.  The finish moment of a category is the
    // passage that completes its laps; for minutes and a time of day, the
    // first passage at or after that time by the racer who then leads the
    // category (a lapped racer crossing first does not end the race).  Racers
    // with a status never set it.
    constexpr size_t None = size_t(-1);
    struct Finish {
        size_t at = None;  // in m_ranked
        DayTime time = 0;
        int32_t bestLap = -1;
        DayTime bestTime = 0;
    };
    std::vector<Finish> finish(keys.size());
    size_t open = size_t(std::count_if(rules.begin(), rules.end(), [](const FinishRule &r) { return !r.none(); }));
    for (size_t i = 0; i < m_ranked.size() && open > 0; ++i) {
        const RankKey &key = m_ranked[i];
        const int32_t c = categoryOfGroup[size_t(entrants[key.entrant].group)];
        const FinishRule &rule = rules[size_t(c)];
        Finish &f = finish[size_t(c)];
        if (rule.none() || f.at != None || hasStatus[key.entrant])
            continue;
        const RecordRow &row = out.records[key.row];
        bool ends = false;
        if (rule.kind == FinishRule::Kind::Laps) {
            ends = key.lap >= rule.count;
        } else {
            if (key.lap > f.bestLap || (key.lap == f.bestLap && key.penalized < f.bestTime)) {
                f.bestLap = key.lap;
                f.bestTime = key.penalized;
            }
            const bool leads = key.lap == f.bestLap && key.penalized == f.bestTime;
            const bool due = rule.kind == FinishRule::Kind::Minutes
                                 ? key.penalized - DayTime(row.penalty) * MsPerSecond >= DayTime(rule.count) * 60'000
                                 : row.time >= rule.at;
            ends = leads && due;
        }
        if (ends) {
            f.at = i;
            f.time = row.time;
            --open;
        }
    }
    bool anyMoment = false;
    for (size_t c = 0; c < keys.size(); ++c) {
        if (finish[c].at != None) {
            m_moments.emplace_back(keys[c], finish[c].time);
            anyMoment = true;
        }
    }
    if (!anyMoment)
        return;

    // Each racer finishes at the first passage at or after the moment; the
    // passages after that are listed but no longer counted.
    m_finished.assign(entrants.size(), 0);
    size_t kept = 0;
    for (size_t i = 0; i < m_ranked.size(); ++i) {
        const RankKey key = m_ranked[i];
        const Finish &f = finish[size_t(categoryOfGroup[size_t(entrants[key.entrant].group)])];
        if (f.at != None) {
            RecordRow &row = out.records[key.row];
            if (m_finished[key.entrant]) {
                row.afterFinish = true;
                continue;
            }
            if (i >= f.at || row.time == f.time)
                m_finished[key.entrant] = 1;
        }
        m_ranked[kept++] = key;
    }
    m_ranked.resize(kept);
}

void ResultsBuilder::Rank(int lapsMode)
{
    // In laps mode 0 more laps first, then the time with penalty.
    const bool lapsFirst = lapsMode == 0;
    CoarseOrder(
        m_ranked, [lapsFirst](const RankKey &k) { return lapsFirst ? -int64_t(k.lap) : 0; },
        [](const RankKey &k) { return k.penalized; }, [](const RankKey &k) { return k.row; });
}

void ResultsBuilder::MakeResultRows(int lapsMode, const Entrants &entrants, RefreshResult &out, ResultsTable &table)
{
    out.resultRecords.clear();
    std::vector<int32_t> &groupOfRow = m_groupOfRow;
    groupOfRow.clear();
    auto addRow = [&](const RankKey &key) {
        const RecordRow &source = out.records[key.row];
        const Entrants::Entrant &entrant = entrants[key.entrant];
        ResultRow &row = table.rows.emplace_back();
        row.caption = entrant.caption;
        row.name = entrant.name;
        row.number = source.number;
        row.lap = source.lap;
        row.penalty = source.penalty;
        row.penalized = key.penalized;
        row.start = key.start;
        out.resultRecords.push_back(source.record);
        groupOfRow.push_back(entrant.group);
    };
    if (lapsMode == 0) {
        // One row per racer: its first row in ranking order, with the penalized
        // times of its other rows as the note, in ranking order.  Equal captions
        // are equal start numbers, as a caption begins with the number and " (".
        std::vector<int32_t> &rowOfEntrant = m_rowOfEntrant;
        rowOfEntrant.assign(entrants.size(), -1);
        for (const RankKey &key : m_ranked) {
            int32_t &row = rowOfEntrant[key.entrant];
            if (row < 0) {
                row = int32_t(table.rows.size());
                addRow(key);
            } else {
                table.rows[size_t(row)].splits.push_back(key.penalized);
            }
        }
    } else {
        table.rows.reserve(m_ranked.size());
        out.resultRecords.reserve(m_ranked.size());
        for (const RankKey &key : m_ranked)
            addRow(key);
    }
}

namespace {

int StatusOrder(RacerStatus status)
{
    switch (status) {
    case RacerStatus::None: return 0;
    case RacerStatus::DNF: return 1;
    case RacerStatus::DSQ: return 2;
    case RacerStatus::DNS: return 3;
    }
    return 0;
}

}  // namespace

void ResultsBuilder::ApplyStatuses(const RaceSheet &sheet, int lapsMode, RacerDirectory *racers, Entrants &entrants,
                                   RefreshResult &out, ResultsTable &table)
{
    std::vector<int32_t> &rowOfEntrant = m_rowOfEntrant;
    if (lapsMode == 0) {
        for (size_t e = 0; e < m_finished.size(); ++e)
            if (m_finished[e] && rowOfEntrant[e] >= 0)
                table.rows[size_t(rowOfEntrant[e])].finished = true;
    } else {
        rowOfEntrant.assign(entrants.size(), -1);
        for (size_t k = 0; k < table.rows.size(); ++k) {
            int32_t &row = rowOfEntrant[entrants.indexOf(table.rows[k].number)];
            if (row < 0)
                row = int32_t(k);
        }
    }
    // A racer with a status but no row, or (once the category's race ended)
    // a racer of the table without any passage, gets a row without one.
    auto rowOf = [&](int32_t number, const StatusEntry &mark) {
        const uint32_t e = entrants.indexOf(number);
        if (rowOfEntrant.size() < entrants.size())
            rowOfEntrant.resize(entrants.size(), -1);
        if (rowOfEntrant[e] >= 0)
            return;
        const Entrants::Entrant &entrant = entrants[e];
        ResultRow &row = table.rows.emplace_back();
        row.caption = entrant.caption;
        row.name = entrant.name;
        row.number = number;
        row.status = mark.status;
        row.statusReason = mark.reason;
        out.resultRecords.push_back(nullptr);
        m_groupOfRow.push_back(entrant.group);
        rowOfEntrant[e] = int32_t(table.rows.size() - 1);
    };
    bool anyStatus = false;
    for (const auto &[number, mark] : sheet.statuses()) {
        const uint32_t e = entrants.indexOf(number);
        if (rowOfEntrant.size() < entrants.size())
            rowOfEntrant.resize(entrants.size(), -1);
        anyStatus = true;
        if (rowOfEntrant[e] < 0) {
            rowOf(number, mark);
            continue;
        }
        // Every row of the racer (laps mode 1 has one per passage).
        for (size_t k = size_t(rowOfEntrant[e]); k < table.rows.size(); ++k) {
            ResultRow &row = table.rows[k];
            if (row.number != number)
                continue;
            row.status = mark.status;
            row.statusReason = mark.reason;
            row.statusWarning = mark.status == RacerStatus::DNS;
            row.finished = false;
            if (lapsMode == 0)
                break;
        }
    }
    if (!m_moments.empty() && racers) {
        for (const RacerRow &racer : racers->Rows()) {
            if (!racer.number || *racer.number < 0 || *racer.number > MaxStatusNumber)
                continue;
            const QString key = CategoryKey(racer.category.value_or(QString()));
            if (std::none_of(m_moments.begin(), m_moments.end(), [&key](const auto &m) { return m.first == key; }))
                continue;
            anyStatus = true;
            rowOf(*racer.number, {RacerStatus::DNS, QString()});
        }
    }
    if (!anyStatus)
        return;

    // Racers without a status as ranked, then DNF (most laps, then the
    // earliest last passage), then DSQ and DNS by start number.
    std::vector<uint32_t> order(table.rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const ResultRow &ra = table.rows[a], &rb = table.rows[b];
        const int sa = StatusOrder(ra.status), sb = StatusOrder(rb.status);
        if (sa != sb)
            return sa < sb;
        if (ra.status == RacerStatus::None)
            return false;
        if (ra.status == RacerStatus::DNF) {
            if (lapsMode == 1)
                return false;
            if (ra.lap != rb.lap)
                return ra.lap > rb.lap;
            const TimeRecordPtr &pa = out.resultRecords[a], &pb = out.resultRecords[b];
            if (!pa || !pb)
                return pa && !pb;
            return pa->Time < pb->Time;
        }
        return ra.number < rb.number;
    });
    std::vector<ResultRow> rows;
    std::vector<TimeRecordPtr> records;
    std::vector<int32_t> groups;
    rows.reserve(order.size());
    records.reserve(order.size());
    groups.reserve(order.size());
    for (uint32_t k : order) {
        rows.push_back(std::move(table.rows[k]));
        records.push_back(std::move(out.resultRecords[k]));
        groups.push_back(m_groupOfRow[k]);
    }
    table.rows.swap(rows);
    out.resultRecords.swap(records);
    m_groupOfRow.swap(groups);
}

void ResultsBuilder::MakeFinish(const RaceSheet &sheet, ResultsTable &table) const
{
    if (table.lapsMode != 0)
        return;  // laps are not counted: no rule ends the race
    for (ResultsCategory &category : table.categories) {
        category.finish = sheet.ruleFor(category.assigned ? category.name : QString());
        if (category.finish.none())
            continue;
        const QString key = category.assigned ? CategoryKey(category.name) : QString();
        for (const auto &[k, moment] : m_moments)
            if (k == key)
                category.moment = moment;
        if (category.finish.kind == FinishRule::Kind::Laps && !category.ended()) {
            int32_t leaderLaps = 0;
            for (int32_t r : category.rows) {
                if (table.rows[size_t(r)].status == RacerStatus::None) {
                    leaderLaps = table.rows[size_t(r)].lap;
                    break;
                }
            }
            category.lapsToGo = std::max(category.finish.count - leaderLaps, 0);
        }
    }
}

void ResultsBuilder::MakeCategories(const Entrants &entrants, const std::vector<QString> &asked,
                                    ResultsTable &table) const
{
    table.setCategories(m_groupOfRow, entrants.groupTexts());
    for (const QString &name : asked) {
        const QString key = CategoryKey(name);
        if (key.isEmpty() || table.findCategory(name) >= 0)
            continue;
        ResultsCategory empty;
        empty.assigned = key != CategoryKey(NoCategoryName);
        empty.name = empty.assigned ? name.trimmed() : NoCategoryName;
        table.categories.push_back(std::move(empty));
    }
}
