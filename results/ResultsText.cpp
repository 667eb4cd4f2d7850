#include "ResultsText.h"

#include "JsonString.h"
#include "RacerDirectory.h"
#include "ResultsSheet.h"

#include <iterator>

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
std::optional<RacerRow> RacerOf(const RacerDirectory *racers, int number)
{
    return racers ? racers->FindRacer(number) : std::nullopt;
}

// Wide screens see a table.  On a narrow one (a phone held upright) the head
// row goes and every row becomes a card: the rank and the racer on its first
// line, then each further cell on a line of its own after its column's title
// (PageLabels), so that nothing is wider than the screen.
const char PageStyle[] = "body{font-family:sans-serif;margin:1em;color:#111}"
                         "h1{font-size:1.4em;color:#006000}"
                         "h2{font-size:1.15em;margin:1.2em 0 .4em}"
                         "p.header{font-size:.8em;color:#555;white-space:pre-wrap}"
                         "table{border-collapse:collapse}"
                         "th,td{border:1px solid #bbb;padding:.2em .5em;text-align:left;overflow-wrap:anywhere}"
                         "th{background:#e8f0e8}"
                         "td.n{text-align:right}"
                         "tr:nth-child(even) td{background:#f6f6f6}"
                         "@media (max-width:40em){"
                         "body{margin:.5em}"
                         "table,tbody,tr,td{display:block}"
                         "thead{display:none}"
                         "tr{border:1px solid #bbb;margin:0 0 .5em;padding:.3em .5em}"
                         "tr:nth-child(even) td{background:none}"
                         "td,td.n{border:none;padding:.1em 0;text-align:left}"
                         "td:nth-child(-n+2){display:inline;font-weight:bold;margin-right:.4em}"
                         "td::before{color:#555}";

// The cells a row of the page has after its rank and racer: the whole
// ranking shows the rank in the category first.
QStringList CellTitles(bool whole)
{
    QStringList titles = ResultsSheetColumnTitles().mid(1);
    if (whole)
        titles.prepend(QStringLiteral("Poř. v kat."));
    return titles;
}

// The titles a card puts before its cells (see PageStyle).
QString PageLabels()
{
    QString css;
    for (const bool whole : {true, false}) {
        const QStringList titles = CellTitles(whole);
        for (qsizetype i = 0; i < titles.size(); ++i)
            css += QStringLiteral("table.%1 td:nth-child(%2)::before{content:\"%3: \"}")
                       .arg(whole ? QLatin1String("all") : QLatin1String("cat"))
                       .arg(i + 3)
                       .arg(titles[i]);
    }
    return css + u'}';
}

// The site's navigation and the time of its results; the table's head
// stays put above the rows.
const char SiteStyle[] = "nav{display:flex;flex-wrap:wrap;gap:.3em;margin:.6em 0}"
                         "nav a{padding:.2em .6em;border:1px solid #006000;border-radius:1em;color:#006000;"
                         "text-decoration:none;overflow-wrap:anywhere}"
                         "nav a[aria-current]{background:#006000;color:#fff}"
                         "#status{font-size:.85em;color:#555;margin:.3em 0 .6em}";

// The value a column shows, as the results page's script names it: the
// script renders results.json into a site page's table by these keys.
QString CellKey(bool whole, int cell)
{
    static const char *const keys[] = {"racer", "time", "laps", "penalty", "start", "note"};
    static_assert(std::size(keys) == ResultsSheetColumns);
    if (cell == 0)
        return QStringLiteral("rank");
    if (whole && cell == 2)
        return QStringLiteral("categoryRank");
    return QLatin1String(keys[cell - (whole && cell > 2 ? 2 : 1)]);
}

void AppendSectionTable(QString &page, const ResultsSection &section, bool site)
{
    const bool whole = section.whole();
    QStringList titles = CellTitles(whole);
    titles.prepend(ResultsSheetColumnTitles().front());
    titles.prepend(QStringLiteral("Pořadí"));
    page += whole ? QLatin1String("<table class=\"all\">\n") : QLatin1String("<table class=\"cat\">\n");
    page += QLatin1String("<thead><tr>");
    for (int i = 0; i < int(titles.size()); ++i) {
        page += QLatin1String("<th");
        if (site) {
            // A rank's cells are "n" (right-aligned on a wide screen): the
            // script gives each cell its column head's class.
            const QString key = CellKey(whole, i);
            if (key == QLatin1String("rank") || key == QLatin1String("categoryRank"))
                page += QLatin1String(" class=\"n\"");
            page += QLatin1String(" data-key=\"") + key + u'"';
        }
        page += u'>' + titles[i].toHtmlEscaped() + QLatin1String("</th>");
    }
    page += site ? QLatin1String("</tr></thead>\n<tbody id=\"rows\">\n") : QLatin1String("</tr></thead>\n<tbody>\n");
    for (int k = 0; k < section.size(); ++k) {
        page += QLatin1String("<tr><td class=\"n\">");
        page += section.row(k).rankLabel(section.rank(k));
        page += QLatin1String("</td><td>");
        page += ResultsSheetCellText(section, k, 0).toHtmlEscaped();
        page += QLatin1String("</td>");
        if (whole) {
            page += QLatin1String("<td class=\"n\">");
            page += section.row(k).rankLabel(section.row(k).categoryRank);
            page += QLatin1String("</td>");
        }
        for (int c = 1; c < ResultsSheetColumns; ++c) {
            page += QLatin1String("<td>");
            page += ResultsSheetCellText(section, k, c).toHtmlEscaped();
            page += QLatin1String("</td>");
        }
        page += QLatin1String("</tr>\n");
    }
    page += QLatin1String("</tbody>\n</table>\n");
}

void AppendCategoryJson(QByteArray &json, const ResultsCategory &category)
{
    json += "{\"name\": ";
    AppendJsonString(json, category.name);
    json += ", \"finish\": " + CategoryFinishJson(category) + '}';
}

}  // namespace

QByteArray CategoryFinishJson(const ResultsCategory &category)
{
    const FinishRule &rule = category.finish;
    QByteArray json;
    switch (rule.kind) {
    case FinishRule::Kind::None: return "null";
    case FinishRule::Kind::Laps: json = "{\"laps\": " + QByteArray::number(rule.count); break;
    case FinishRule::Kind::Minutes: json = "{\"minutes\": " + QByteArray::number(rule.count); break;
    case FinishRule::Kind::At:
        json = "{\"at\": ";
        AppendJsonString(json, DayTimeToText(rule.at));
        break;
    }
    json += ", \"moment\": ";
    if (category.ended())
        AppendJsonString(json, DayTimeToText(category.moment));
    else
        json += "null";
    json += ", \"lapsToGo\": " + (category.lapsToGo >= 0 ? QByteArray::number(category.lapsToGo) : QByteArray("null"));
    return json + '}';
}

QByteArray ResultsCsv(const ResultsDocument &document)
{
    QString text;
    text.reserve(qsizetype(document.table->rows.size() + 2 * document.sections.size()) * 80);
    auto line = [&text](const QStringList &fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += u';';
            text += CsvField(fields[i]);
        }
        text += QLatin1String("\r\n");
    };
    QStringList fields;
    for (const ResultsSection &section : document.sections) {
        if (document.byCategory) {
            if (&section != &document.sections.front())
                text += QLatin1String("\r\n");
            line({section.name()});
        }
        line(ResultsSheetColumnTitles());
        for (int k = 0; k < section.size(); ++k) {
            fields.clear();
            for (int c = 0; c < ResultsSheetColumns; ++c)
                fields << ResultsSheetCellText(section, k, c);
            line(fields);
        }
    }
    return text.toUtf8();
}

QByteArray ResultsHtml(const ResultsDocument &document)
{
    QString caption = document.byCategory || document.sections.empty() ? document.table->caption
                                                                       : document.sections.front().caption();
    if (document.site && !document.site->caption.isEmpty())
        caption = document.site->category.isEmpty()
                      ? document.site->caption
                      : document.site->caption + QStringLiteral(" – ") + document.sections.front().name();
    caption = caption.toHtmlEscaped();
    QString page;
    page.reserve(qsizetype(document.table->rows.size() + 10) * 220);
    page += QLatin1String("<!DOCTYPE html>\n<html lang=\"cs\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
    page += caption;
    page += QLatin1String("</title>\n<style>");
    page += QLatin1String(PageStyle);
    page += PageLabels();
    const SitePageParts *site = document.site;
    if (site) {
        page += QLatin1String(SiteStyle);
        page += QLatin1String("</style>\n<link rel=\"icon\" href=\"") + site->icon.toHtmlEscaped()
                + QLatin1String("\">\n</head>\n");
        page += QStringLiteral("<body data-refresh=\"%1\" data-version=\"%2\"")
                    .arg(site->refreshSeconds)
                    .arg(site->version);
        if (!site->category.isEmpty())
            page += QLatin1String(" data-kategorie=\"") + site->category.toHtmlEscaped() + u'"';
        page += QLatin1String(">\n<p class=\"header\">");
    } else {
        page += QLatin1String("</style>\n</head>\n<body>\n<p class=\"header\">");
    }
    page += ResultsHeaderText(document.moment).trimmed().toHtmlEscaped();
    page += QLatin1String("</p>\n<h1>");
    page += caption;
    page += QLatin1String("</h1>\n");
    if (site) {
        page += QLatin1String("<nav aria-label=\"Kategorie\">");
        for (const SitePageParts::Link &link : site->links) {
            page += QLatin1String("<a href=\"") + link.href.toHtmlEscaped() + u'"';
            if (link.current)
                page += QLatin1String(" aria-current=\"page\"");
            page += u'>' + link.text.toHtmlEscaped() + QLatin1String("</a>");
        }
        page += QLatin1String("</nav>\n<p id=\"status\">") + site->updated.toHtmlEscaped() + QLatin1String("</p>\n");
    }
    for (const ResultsSection &section : document.sections) {
        if (document.byCategory)
            page += QLatin1String("<section>\n<h2>") + section.name().toHtmlEscaped() + QLatin1String("</h2>\n");
        AppendSectionTable(page, section, site != nullptr);
        if (document.byCategory)
            page += QLatin1String("</section>\n");
    }
    if (site)
        page += QLatin1String("<script src=\"") + site->script.toHtmlEscaped() + QLatin1String("\"></script>\n");
    page += QLatin1String("</body>\n</html>\n");
    return page.toUtf8();
}

QByteArray ResultsJson(const ResultsDocument &document)
{
    // Written out directly: QJsonDocument takes a second and a half for a
    // list of 100,000 passages, this a fraction of it.  By category it is the
    // whole ranking: every row carries its rank in its category anyway.
    const ResultsTable &table = *document.table;
    const ResultsSection section = document.byCategory || document.sections.empty() ? ResultsSection(table)
                                                                                    : document.sections.front();
    QByteArray json;
    json.reserve(qsizetype(section.size() + 2) * 280);
    json += "{\n  \"title\": ";
    AppendJsonString(json, table.caption);
    json += ",\n  \"generated\": ";
    AppendJsonString(json,
                     document.generated.toOffsetFromUtc(document.generated.offsetFromUtc()).toString(Qt::ISODate));
    json += ",\n  \"lapsMode\": ";
    json += table.lapsMode == 0 ? "\"most\"" : "\"none\"";
    json += ",\n  \"lastStart\": ";
    if (table.lastStart > 0)
        AppendJsonString(json, DayTimeToText(table.lastStart));
    else
        json += "null";
    if (!section.whole()) {
        json += ",\n  \"category\": ";
        AppendJsonString(json, section.name());
    }
    json += ",\n  \"results\": [";
    for (int k = 0; k < section.size(); ++k) {
        const ResultRow &r = section.row(k);
        json += k == 0 ? "\n    {" : ",\n    {";
        // A row with a status has no rank: null, its status says why.
        json += "\"rank\": " + (r.rank > 0 ? QByteArray::number(r.rank) : QByteArray("null"));
        json += ", \"categoryRank\": " + (r.categoryRank > 0 ? QByteArray::number(r.categoryRank) : QByteArray("null"));
        json += ", \"number\": " + QByteArray::number(r.number);
        json += ", \"caption\": ";
        AppendJsonString(json, r.caption);
        if (const std::optional<RacerRow> racer = RacerOf(document.racers, r.number)) {
            if (racer->name) {
                json += ", \"name\": ";
                AppendJsonString(json, *racer->name);
            }
            if (racer->category) {
                json += ", \"category\": ";
                AppendJsonString(json, *racer->category);
            }
        }
        json += ", \"time\": ";
        AppendJsonString(json, ResultsSheetCellText(section, k, 1));
        json += ", \"timeMs\": " + QByteArray::number(qint64(r.penalized));
        json += ", \"laps\": " + QByteArray::number(r.lap);
        json += ", \"penalty\": " + QByteArray::number(r.penalty);
        json += ", \"start\": ";
        AppendJsonString(json, ResultsSheetCellText(section, k, 4));
        json += ", \"splits\": [";
        for (size_t i = 0; i < r.splits.size(); ++i) {
            if (i > 0)
                json += ", ";
            AppendJsonString(json, DayTimeToText(r.splits[i]));
        }
        json += "], \"status\": ";
        AppendJsonString(json, r.statusWord());
        json += ", \"statusReason\": ";
        AppendJsonString(json, r.statusReason);
        json += '}';
    }
    json += section.size() > 0 ? "\n  ]" : "]";
    json += ",\n  \"categories\": [";
    for (size_t c = 0; c < table.categories.size(); ++c) {
        json += c == 0 ? "\n    " : ",\n    ";
        AppendCategoryJson(json, table.categories[c]);
    }
    json += table.categories.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return json;
}
