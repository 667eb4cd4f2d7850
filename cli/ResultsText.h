#pragma once
// The results list as text files: CSV, one HTML page and JSON.  Each holds
// what the exported workbook's sheet holds, cell for cell (the CSV exactly
// its columns; the page adds the rank; JSON adds the numbers behind the
// texts), so that a script gets the window's list whatever it asks for.
//
// Called by tikomat-results.  Pure: builds bytes from the list and never
// touches a file.
#include "DayTime.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class RacerTable;
class ResultsListModel;

struct ResultsDocument {
    const ResultsListModel *results = nullptr;
    RacerTable *racers = nullptr;  // null: no racer file
    QString title;                 // the list's caption
    QString moment;                // the export moment as the sheet's header writes it
    QDateTime generated;           // the same moment, for JSON
    int lapsMode = 0;
    DayTime lastStart = 0;         // time of day of the last race start, 0 for none
};

// UTF-8 without a byte order mark; ";" between fields, CR LF after every
// line; a field holding ";", a quote or a line break goes in double quotes
// with its quotes doubled.  The first line holds the sheet's column titles.
QByteArray ResultsCsv(const ResultsDocument &document);

// One HTML5 page in UTF-8 that needs nothing else: its style is inside.
QByteArray ResultsHtml(const ResultsDocument &document);

// One JSON object: title, generated, lapsMode, lastStart and results, one
// object per results row (rank, number, caption, name and category when the
// racer table has the number, time and timeMs, laps, penalty, start, splits).
QByteArray ResultsJson(const ResultsDocument &document);
