#include "ResultsText.h"

#include "ResultsExport.h"
#include "ResultsLists.h"
#include "sezZavodniku.h"


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

// A JSON string: quotes, backslashes and control characters escaped; a
// lone surrogate, which UTF-8 cannot carry, becomes U+FFFD.
void AppendJsonString(QString &json, QStringView text)
{
    json += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'"' || c == u'\\') {
            json += u'\\';
            json += QChar(c);
        } else if (c < 0x20) {
            json += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            json += QChar(c);
            json += text[++i];
        } else if (QChar::isSurrogate(c)) {
            json += QChar(0xFFFD);
        } else {
            json += QChar(c);
        }
    }
    json += u'"';
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
    // Written out directly: QJsonDocument takes a second and a half for a
    // list of 100,000 passages, this a fraction of it.
    const ResultsListModel &results = *document.results;
    QString json;
    json.reserve(qsizetype(results.rowCount() + 2) * 260);
    json += QLatin1String("{\n  \"title\": ");
    AppendJsonString(json, document.title);
    json += QLatin1String(",\n  \"generated\": ");
    AppendJsonString(json, document.generated.toOffsetFromUtc(document.generated.offsetFromUtc())
                               .toString(Qt::ISODate));
    json += QLatin1String(",\n  \"lapsMode\": ");
    json += document.lapsMode == 0 ? QLatin1String("\"most\"") : QLatin1String("\"none\"");
    json += QLatin1String(",\n  \"lastStart\": ");
    if (document.lastStart > 0)
        AppendJsonString(json, DayTimeToText(document.lastStart));
    else
        json += QLatin1String("null");
    json += QLatin1String(",\n  \"results\": [");
    for (int k = 0; k < results.rowCount(); ++k) {
        const ResultRow &r = results.row(k);
        json += k == 0 ? QLatin1String("\n    {") : QLatin1String(",\n    {");
        json += QLatin1String("\"rank\": ") + QString::number(k + 1);
        json += QLatin1String(", \"number\": ") + QString::number(r.number);
        json += QLatin1String(", \"caption\": ");
        AppendJsonString(json, r.caption);
        if (const RacerRow *racer = RacerOf(document.racers, r.number)) {
            if (racer->name) {
                json += QLatin1String(", \"name\": ");
                AppendJsonString(json, *racer->name);
            }
            if (racer->category) {
                json += QLatin1String(", \"category\": ");
                AppendJsonString(json, *racer->category);
            }
        }
        json += QLatin1String(", \"time\": ");
        AppendJsonString(json, ResultsSheetCellText(results, k, ResultsListModel::PenalizedTime));
        json += QLatin1String(", \"timeMs\": ") + QString::number(qint64(r.penalized));
        json += QLatin1String(", \"laps\": ") + QString::number(r.lap);
        json += QLatin1String(", \"penalty\": ") + QString::number(r.penalty);
        json += QLatin1String(", \"start\": ");
        AppendJsonString(json, ResultsSheetCellText(results, k, ResultsListModel::StartTime));
        json += QLatin1String(", \"splits\": [");
        for (size_t i = 0; i < r.splits.size(); ++i) {
            if (i > 0)
                json += QLatin1String(", ");
            AppendJsonString(json, DayTimeToText(r.splits[i]));
        }
        json += QLatin1String("]}");
    }
    json += results.rowCount() > 0 ? QLatin1String("\n  ]\n}\n") : QLatin1String("]\n}\n");
    return json.toUtf8();
}
