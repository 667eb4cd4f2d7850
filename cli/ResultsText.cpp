#include "ResultsText.h"

#include "ResultsExport.h"
#include "ResultsLists.h"
#include "sezZavodniku.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString CsvField(const QString &text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// The racer table's values for a number: what the file holds, not the
// placeholders the labels put in for what is missing.
const RacerRow *RacerOf(RacerTable *racers, int number)
{
    if (!racers)
        return nullptr;
    const int row = racers->FindFirst(number);
    return row < 0 ? nullptr : &racers->rows()[size_t(row)];
}

const char PageStyle[] =
    "body{font-family:sans-serif;margin:1em;color:#111}"
    "h1{font-size:1.4em;color:#006000}"
    "p.header{font-size:.8em;color:#555;white-space:pre-wrap}"
    "table{border-collapse:collapse}"
    "th,td{border:1px solid #bbb;padding:.2em .5em;text-align:left}"
    "th{background:#e8f0e8}"
    "td.n{text-align:right}"
    "tr:nth-child(even) td{background:#f6f6f6}";

}  // namespace

QByteArray ResultsCsv(const ResultsDocument &document)
{
    const ResultsListModel &results = *document.results;
    QString text;
    text.reserve(qsizetype(results.rowCount() + 1) * 80);
    auto line = [&text](const QStringList &fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += u';';
            text += CsvField(fields[i]);
        }
        text += QLatin1String("\r\n");
    };
    line(ResultsSheetColumnTitles());
    QStringList fields;
    for (int row = 0; row < results.rowCount(); ++row) {
        fields.clear();
        for (int c = 0; c < ResultsListModel::ColumnCount; ++c)
            fields << ResultsSheetCellText(results, row, c);
        line(fields);
    }
    return text.toUtf8();
}

QByteArray ResultsHtml(const ResultsDocument &document)
{
    const ResultsListModel &results = *document.results;
    const QString title = document.title.toHtmlEscaped();
    QString page;
    page.reserve(qsizetype(results.rowCount() + 10) * 200);
    page += QLatin1String("<!DOCTYPE html>\n<html lang=\"cs\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
    page += title;
    page += QLatin1String("</title>\n<style>");
    page += QLatin1String(PageStyle);
    page += QLatin1String("</style>\n</head>\n<body>\n<p class=\"header\">");
    page += ResultsHeaderText(document.moment).trimmed().toHtmlEscaped();
    page += QLatin1String("</p>\n<h1>");
    page += title;
    page += QLatin1String("</h1>\n<table>\n<thead><tr><th>Pořadí</th>");
    for (const QString &column : ResultsSheetColumnTitles())
        page += QLatin1String("<th>") + column.toHtmlEscaped() + QLatin1String("</th>");
    page += QLatin1String("</tr></thead>\n<tbody>\n");
    for (int row = 0; row < results.rowCount(); ++row) {
        page += QLatin1String("<tr><td class=\"n\">");
        page += QString::number(row + 1);
        page += QLatin1String(".</td>");
        for (int c = 0; c < ResultsListModel::ColumnCount; ++c) {
            page += QLatin1String("<td>");
            page += ResultsSheetCellText(results, row, c).toHtmlEscaped();
            page += QLatin1String("</td>");
        }
        page += QLatin1String("</tr>\n");
    }
    page += QLatin1String("</tbody>\n</table>\n</body>\n</html>\n");
    return page.toUtf8();
}

QByteArray ResultsJson(const ResultsDocument &document)
{
    const ResultsListModel &results = *document.results;
    QJsonArray rows;
    for (int k = 0; k < results.rowCount(); ++k) {
        const ResultRow &r = results.row(k);
        QJsonObject row;
        row[QLatin1String("rank")] = k + 1;
        row[QLatin1String("number")] = r.number;
        row[QLatin1String("caption")] = r.caption;
        if (const RacerRow *racer = RacerOf(document.racers, r.number)) {
            if (racer->name)
                row[QLatin1String("name")] = *racer->name;
            if (racer->category)
                row[QLatin1String("category")] = *racer->category;
        }
        row[QLatin1String("time")] = ResultsSheetCellText(results, k, ResultsListModel::PenalizedTime);
        row[QLatin1String("timeMs")] = qint64(r.penalized);
        row[QLatin1String("laps")] = r.lap;
        row[QLatin1String("penalty")] = r.penalty;
        row[QLatin1String("start")] = ResultsSheetCellText(results, k, ResultsListModel::StartTime);
        QJsonArray splits;
        for (DayTime split : r.splits)
            splits.append(DayTimeToText(split));
        row[QLatin1String("splits")] = splits;
        rows.append(row);
    }
    QJsonObject top;
    top[QLatin1String("title")] = document.title;
    top[QLatin1String("generated")] = document.generated.toOffsetFromUtc(document.generated.offsetFromUtc())
                                          .toString(Qt::ISODate);
    top[QLatin1String("lapsMode")] = document.lapsMode == 0 ? QStringLiteral("most") : QStringLiteral("none");
    top[QLatin1String("lastStart")] = document.lastStart > 0 ? QJsonValue(DayTimeToText(document.lastStart))
                                                             : QJsonValue(QJsonValue::Null);
    top[QLatin1String("results")] = rows;
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}
