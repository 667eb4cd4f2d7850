#pragma once
// The results as text files: CSV, one HTML page and JSON, rendered from the
// results document.  Each holds what the exported workbook's sheet holds, cell
// for cell (the CSV exactly its columns; the page adds the ranks; JSON adds the
// numbers behind the texts), so that a script gets the window's list whatever
// it asks for: the whole ranking, one category, or every category apart.
//
// Called by tikomat-results.  Pure: builds bytes from the document and never
// touches a file.
#include "DayTime.h"
#include "ResultsTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

class RacerDirectory;

// What a page of the published results site adds to the page ResultsHtml
// writes: links to the site's other pages, when its results were last
// updated, and the script that reads results.json again and renders it into
// the table (the results page's own, web/ResultsPage), which the page tells
// through data attributes what it shows and how often to read.  Without the
// script the page is complete as it was written.
struct SitePageParts {
    struct Link {
        QString text;
        QString href;  // relative to the page
        bool current = false;
    };
    std::vector<Link> links;  // the whole ranking, then each category
    QString caption;          // the heading instead of the table's (as results.json names the race)
    QString category;         // the category the page shows; empty for the whole ranking
    QString updated;          // "Aktualizováno 14:42:05"
    qint64 version = 0;       // results.json's version of these results
    int refreshSeconds = 15;  // between the script's reads of results.json
    QString script;           // the script's address, relative to the page
    QString icon;             // the page's icon, relative to the page
};

struct ResultsDocument {
    const ResultsTable *table = nullptr;
    // What is written: one section (the whole ranking or one category), or
    // with byCategory each category's.
    std::vector<ResultsSection> sections;
    bool byCategory = false;
    const RacerDirectory *racers = nullptr;  // null: no racer file
    QString moment;                          // the export moment as the sheet's header writes it
    QDateTime generated;                     // the same moment, for JSON
    const SitePageParts *site = nullptr;     // null: a page of its own (--html)
};

// UTF-8 without a byte order mark; ";" between fields, CR LF after every
// line; a field holding ";", a quote or a line break goes in double quotes
// with its quotes doubled.  The first line holds the sheet's column titles.
// By category, each section begins with a line holding the category's name,
// and an empty line parts the sections.
QByteArray ResultsCsv(const ResultsDocument &document);

// One HTML5 page in UTF-8 that needs nothing else: its style is inside, and
// on a narrow screen (a phone) every row becomes a small card, so that the
// page needs no sideways scrolling.  With document.site, a page of the
// published site (one section).
QByteArray ResultsHtml(const ResultsDocument &document);

// One JSON object: title, generated, lapsMode, lastStart (and category, for one
// category), results, one object per results row (rank in the whole
// ranking, categoryRank, number, caption, name and category when the racer
// table has the number, time and timeMs, laps, penalty, start, splits,
// status and statusReason), and categories, one object per category (name,
// finish).  A row with a status has null ranks.
QByteArray ResultsJson(const ResultsDocument &document);

// How a category's race ends, as JSON: null without a rule, else
// {"laps"|"minutes"|"at": ..., "moment": "hh:mm:ss,zzz" or null,
// "lapsToGo": n or null}.
QByteArray CategoryFinishJson(const ResultsCategory &category);
