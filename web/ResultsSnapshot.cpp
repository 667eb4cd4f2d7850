#include "ResultsSnapshot.h"

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

// A JSON string of text: quotes, backslashes and control characters escaped,
// everything else as UTF-8.
void AppendString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

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
    AppendString(out, snapshot.caption);
    out += ',';
    AppendKey(out, "showRunningTime");
    out += snapshot.showRunningTime ? "true" : "false";
    out += ',';
    if (startText) {
        AppendKey(out, "lastStart");
        if (snapshot.lastStartTime > 0)
            AppendString(out, DayTimeToText(snapshot.lastStartTime));
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
        AppendString(out, categories[c].name);
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
        out += QByteArray::number(r.rank);
        out += ',';
        AppendKey(out, "number");
        out += QByteArray::number(r.number);
        out += ',';
        AppendKey(out, "racer");
        AppendString(out, r.caption);
        out += ',';
        AppendKey(out, "laps");
        out += QByteArray::number(r.lap);
        out += ',';
        AppendKey(out, "time");
        AppendString(out, r.penalizedText());
        out += ',';
        AppendKey(out, "timeMs");
        out += QByteArray::number(qint64(r.penalized));
        out += ',';
        AppendKey(out, "penalty");
        out += QByteArray::number(r.penalty);
        out += ',';
        AppendKey(out, "note");
        AppendString(out, r.noteText());
        out += ',';
        AppendKey(out, "category");
        AppendString(out, results.categories[size_t(r.category)].name);
        out += ',';
        AppendKey(out, "categoryRank");
        out += QByteArray::number(r.categoryRank);
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
        AppendString(out, r.caption);
        out += ',';
        out += QByteArray::number(r.lap);
        out += ',';
        AppendString(out, r.penalizedText());
        out += ',';
        out += QByteArray::number(r.penalty);
        out += ',';
        AppendString(out, r.noteText());
        // Every client reads every ranking: the page counts the rank in the
        // category itself rather than have it sent.
        out += ',';
        out += QByteArray::number(r.category);
        out += ']';
    }
    out += "]}";
    return out;
}
