#include "ResultsSnapshot.h"

#include "JsonString.h"
#include "ResultsText.h"

std::shared_ptr<const ResultsSnapshot> ResultsSnapshot::Take(std::shared_ptr<const ResultsTable> results,
                                                             const QString &caption, bool showRunningTime,
                                                             DayTime lastStartTime, uint64_t version)
{
    auto snapshot = std::make_shared<ResultsSnapshot>();
    snapshot->caption = caption.isEmpty() ? QStringLiteral("Tikomat") : caption;
    snapshot->showRunningTime = showRunningTime;
    snapshot->lastStartTime = lastStartTime;
    snapshot->version = version;
    if (results)
        snapshot->results = std::move(results);
    return snapshot;
}

namespace {

void AppendKey(QByteArray &out, const char *key)
{
    out += '"';
    out += key;
    out += "\":";
}

// The keys every form begins with; lastStart (the text) only where asked.
void AppendHead(QByteArray &out, const ResultsSnapshot &snapshot, DayTime serverTime, bool startText)
{
    out += '{';
    AppendKey(out, "version");
    out += QByteArray::number(qint64(snapshot.version));
    out += ',';
    AppendKey(out, "serverTimeMs");
    out += QByteArray::number(qint64(serverTime));
    out += ',';
    AppendKey(out, "caption");
    AppendJsonString(out, snapshot.caption);
    out += ',';
    AppendKey(out, "showRunningTime");
    out += snapshot.showRunningTime ? "true" : "false";
    out += ',';
    if (startText) {
        AppendKey(out, "lastStart");
        if (snapshot.lastStartTime > 0)
            AppendJsonString(out, DayTimeToText(snapshot.lastStartTime));
        else
            out += "null";
        out += ',';
    }
    AppendKey(out, "lastStartMs");
    out += snapshot.lastStartTime > 0 ? QByteArray::number(qint64(snapshot.lastStartTime)) : QByteArray("null");
    out += ',';
    AppendKey(out, "categories");
    out += '[';
    const std::vector<ResultsCategory> &categories = snapshot.results->categories;
    for (size_t c = 0; c < categories.size(); ++c) {
        if (c > 0)
            out += ',';
        AppendJsonString(out, categories[c].name);
    }
    out += "],";
    // How each category's race ends, in the order of "categories" (whose
    // names stay plain texts for the clients that read them so).
    AppendKey(out, "finish");
    out += '[';
    for (size_t c = 0; c < categories.size(); ++c) {
        if (c > 0)
            out += ',';
        out += CategoryFinishJson(categories[c]);
    }
    out += "],";
    AppendKey(out, "rows");
}

}  // namespace

QByteArray ResultsJson(const ResultsSnapshot &snapshot, DayTime serverTime)
{
    // Written by hand rather than through a document: a ranking of ten
    // thousand rows is formatted for every refresh, and the keys keep the
    // order the README shows.
    QByteArray out;
    const ResultsTable &results = *snapshot.results;
    out.reserve(256 + qsizetype(results.rows.size()) * 200);
    AppendHead(out, snapshot, serverTime, true);
    out += '[';
    for (const ResultRow &r : results.rows) {
        if (&r != &results.rows.front())
            out += ',';
        out += '{';
        AppendKey(out, "rank");
        out += r.rank > 0 ? QByteArray::number(r.rank) : QByteArray("null");
        out += ',';
        AppendKey(out, "number");
        out += QByteArray::number(r.number);
        out += ',';
        AppendKey(out, "racer");
        AppendJsonString(out, r.caption);
        out += ',';
        AppendKey(out, "laps");
        out += QByteArray::number(r.lap);
        out += ',';
        AppendKey(out, "time");
        AppendJsonString(out, r.penalizedText());
        out += ',';
        AppendKey(out, "timeMs");
        out += QByteArray::number(qint64(r.penalized));
        out += ',';
        AppendKey(out, "penalty");
        out += QByteArray::number(r.penalty);
        out += ',';
        AppendKey(out, "note");
        AppendJsonString(out, r.noteText());
        out += ',';
        AppendKey(out, "start");
        AppendJsonString(out, r.startText());
        out += ',';
        AppendKey(out, "category");
        AppendJsonString(out, results.categories[size_t(r.category)].name);
        out += ',';
        AppendKey(out, "categoryRank");
        out += r.categoryRank > 0 ? QByteArray::number(r.categoryRank) : QByteArray("null");
        out += ',';
        AppendKey(out, "status");
        AppendJsonString(out, r.statusWord());
        out += ',';
        AppendKey(out, "statusReason");
        AppendJsonString(out, r.statusReason);
        out += '}';
    }
    out += "]}";
    return out;
}

QByteArray ResultsStreamJson(const ResultsSnapshot &snapshot, DayTime serverTime)
{
    // Every client of the stream reads every ranking, so each row carries
    // only the cells the page shows, as an array: a third of the bytes of
    // /results.json for a long race.  The rank is the row's position.
    QByteArray out;
    out.reserve(256 + qsizetype(snapshot.results->rows.size()) * 64);
    AppendHead(out, snapshot, serverTime, false);
    out += '[';
    bool first = true;
    for (const ResultRow &r : snapshot.results->rows) {
        if (!first)
            out += ',';
        first = false;
        out += '[';
        AppendJsonString(out, r.caption);
        out += ',';
        out += QByteArray::number(r.lap);
        out += ',';
        AppendJsonString(out, r.penalizedText());
        out += ',';
        out += QByteArray::number(r.penalty);
        out += ',';
        AppendJsonString(out, r.noteText());
        // Every client reads every ranking: the page counts the rank in the
        // category itself rather than have it sent.
        out += ',';
        out += QByteArray::number(r.category);
        if (r.status != RacerStatus::None) {
            out += ',';
            AppendJsonString(out, StatusCode(r.status));
        }
        out += ']';
    }
    out += "]}";
    return out;
}
