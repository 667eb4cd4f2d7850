#pragma once
// Racers from a registration export: a CSV file whose first record names the
// columns.  Start number, name (whole, or first and last name apart) and
// category are found by their Czech or English titles, in any order; other
// columns are ignored.  Called by the racer page's import command.
//
// All or nothing: when any row cannot be read, no row is returned and every
// problem is listed with its line, so that the operator mends the file once.
// A start number given to a second row of the file is such a problem.
#include "RacerDirectory.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct RacerImport {
    std::vector<RacerRow> rows;
    // "řádek 7: ..." per row that cannot be read, or one text about the whole
    // file (no header, unknown columns).  Rows are returned only when empty.
    QStringList problems;
};

RacerImport ImportRacersCsv(const QByteArray &bytes);
