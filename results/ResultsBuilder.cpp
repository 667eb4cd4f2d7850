#include "ResultsBuilder.h"

#include "RacerDirectory.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace {

// Captions by start number.  A refresh shows every passage of a racer with
// the same label, so the directory is asked once per number, not per record.
class CaptionCache {
public:
    explicit CaptionCache(RacerDirectory *racers) : m_racers(racers) {}

    const QString &caption(int32_t number)
    {
        if (number == RaceStartNumber)
            return RaceStartText;
        auto it = m_captions.find(number);
        if (it == m_captions.end()) {
            const QString label = m_racers ? m_racers->RacerLabel(number) : QString();
            QString text = QString::number(number);
            text.reserve(text.size() + label.size() + 3);
            text += QLatin1String(" (");
            text += label;
            text += QLatin1Char(')');
            it = m_captions.emplace(number, std::move(text)).first;
        }
        return it->second;
    }

private:
    RacerDirectory *m_racers;
    std::unordered_map<int32_t, QString> m_captions;
};

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
        const auto [low, high] = std::minmax_element(
            keys.begin(), keys.end(), [&](const Key &a, const Key &b) { return group(a) < group(b); });
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
        while (last != keys.end() && group(*last) == group(*first) &&
               RoundedDayDifference(value(*last), value(*first)) == 0)
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

int lvCompare(const TRadek &a, const TRadek &b)
{
    return RoundedDayDifference(a.Time, b.Time);
}

int lv1Compare(const TRadek &a, const TRadek &b, int lapsMode)
{
    if (lapsMode == 0 && a.Lap != b.Lap)
        return ClampToInt(static_cast<long long>(b.Lap) - a.Lap);
    return RoundedDayDifference(a.PenalizedTime(), b.PenalizedTime());
}

DayTime ShownTime(DayTime t)
{
    // Below 100 hours the text carries the hours in two digits and reads back
    // as the same value, so no text needs to be made.
    if (t >= 0 && t < 100 * MsPerHour)
        return t;
    return TextToDayTime(DayTimeToText(t));
}

// ---------------------------------------------------------------------------
// Row texts

QString RecordRow::timeText() const
{
    switch (shown) {
    case Shown::BeforeStart:
        return QStringLiteral("???");
    case Shown::Measured:
        return QLatin1Char('>') + DayTimeToText(measured);
    case Shown::TimeOfDay:
        break;
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

QString ResultRow::penalizedText() const { return DayTimeToText(penalized); }
QString ResultRow::lapText() const { return QString::number(lap); }
QString ResultRow::penaltyText() const { return QString::number(penalty); }
QString ResultRow::startText() const { return DayTimeToText(start); }

QString ResultRow::noteText() const
{
    QString note;
    note.reserve(qsizetype(splits.size()) * 15);
    for (DayTime split : splits) {
        note += DayTimeToText(split);
        note += QLatin1String("   ");
    }
    return note;
}

// ---------------------------------------------------------------------------
// The refresh

RefreshResult ResultsBuilder::Build(TData &data, RacerDirectory *racers, const RefreshOptions &options,
                                    int selectNumber)
{
    RefreshResult out;
    Build(data, racers, options, selectNumber, out);
    return out;
}

void ResultsBuilder::Build(TData &data, RacerDirectory *racers, const RefreshOptions &options, int selectNumber,
                           RefreshResult &out)
{
    Build(data.records(), data.MaxLap, racers, options, selectNumber, out);
    data.SetNetTimes(out.netTimes);
}

void ResultsBuilder::Build(const std::vector<TRadekPtr> &records, int32_t maxLap, RacerDirectory *racers,
                           const RefreshOptions &options, int selectNumber, RefreshResult &out)
{
    out.records.clear();
    out.results.clear();
    out.selectRow = -1;
    out.leader.clear();
    out.lastStartTime = 0;
    out.netTimes.assign(records.size(), 0);
    CaptionCache captions(racers);

    // The record list: its rows enter in store order and are sorted by time
    // of day.  The comparison is coarse and not transitive, so the sort is
    // stable: rows it calls equal keep store order.  Sorting keys first and
    // making each row once in its final place keeps this cheap.
    const std::vector<TRadekPtr> &stored = records;
    std::vector<TimeKey> &timeKeys = m_timeKeys;
    timeKeys.clear();
    timeKeys.reserve(stored.size());
    int remembered = -1;
    for (size_t i = 0; i < stored.size(); ++i) {
        const TRadek *record = stored[i].get();
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

    // One pass in list order makes each row and runs the measuring walk on
    // it: a passage is measured from the latest race start above it, both
    // read as the whole milliseconds their texts show.  A measured passage
    // becomes a ranking key; its results row is made once, after ranking.
    std::vector<RankKey> &ranked = m_ranked;
    ranked.clear();
    ranked.reserve(timeKeys.size());
    out.records.resize(timeKeys.size());
    DayTime start = 0;
    for (size_t i = 0; i < timeKeys.size(); ++i) {
        const TRadekPtr &record = stored[timeKeys[i].index];
        RecordRow &row = out.records[i];
        row.record = record;
        row.number = record->Number;
        row.lap = record->Lap;
        row.penalty = record->Penalty;
        row.time = record->Time;
        row.caption = captions.caption(row.number);
        if (int(timeKeys[i].index) == remembered)
            out.selectRow = int(i);

        if (row.isRaceStart()) {
            row.icon = GoldStar;
            start = ShownTime(row.time);
            continue;
        }
        row.icon = row.lap == maxLap ? RedFlag : BlueFlag;
        const DayTime elapsed = ShownTime(row.time) - start;
        if (elapsed < 0) {
            if (!options.realCas)
                row.shown = RecordRow::Shown::BeforeStart;
        } else if (start > 0) {
            if (!options.realCas) {
                row.shown = RecordRow::Shown::Measured;
                row.measured = elapsed;
            }
            out.netTimes[timeKeys[i].index] = elapsed;
            ranked.push_back({row.penalty * MsPerSecond + elapsed, start, row.lap, row.number, uint32_t(i)});
        }
    }
    out.lastStartTime = start;

    // Ranking: in laps mode 0 more laps first, then the time with penalty.
    const bool lapsFirst = options.lapsMode == 0;
    CoarseOrder(
        ranked, [lapsFirst](const RankKey &k) { return lapsFirst ? -int64_t(k.lap) : 0; },
        [](const RankKey &k) { return k.penalized; }, [](const RankKey &k) { return k.row; });

    auto makeRow = [&out](const RankKey &key) {
        const RecordRow &source = out.records[key.row];
        ResultRow row;
        row.record = source.record;
        row.caption = source.caption;
        row.number = source.number;
        row.lap = source.lap;
        row.penalty = source.penalty;
        row.penalized = key.penalized;
        row.start = key.start;
        return row;
    };
    if (lapsFirst) {
        // One row per racer: its first row in ranking order, with the penalized
        // times of its other rows as the note, in ranking order.  Equal captions
        // are equal start numbers, as a caption begins with the number and " (".
        std::unordered_map<int32_t, uint32_t> rowOfNumber;
        for (const RankKey &key : ranked) {
            auto [it, first] = rowOfNumber.try_emplace(key.number, uint32_t(out.results.size()));
            if (first)
                out.results.push_back(makeRow(key));
            else
                out.results[it->second].splits.push_back(key.penalized);
        }
    } else {
        out.results.reserve(ranked.size());
        for (const RankKey &key : ranked)
            out.results.push_back(makeRow(key));
    }

    if (!out.results.empty())
        out.leader = out.results.front().caption;
}
