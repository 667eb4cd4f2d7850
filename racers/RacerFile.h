#pragma once
// The racer file ("*.racerlist"): the racer table as XML in UTF-8.  The file
// first states the table's three fields (name, type, size, in their order),
// then holds one element per row; a field without a value is left out of its
// row, so missing and empty stay apart.  The layout is described in README.
//
// Called by the racer page's commands.  Reading never changes the table: it
// returns all rows or throws, so a damaged file leaves the table whole.
#include "RacerDirectory.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The file's contents for these rows.
QByteArray RacerFileText(const std::vector<RacerRow> &rows);

// The rows of a racer file's contents.  Throws TikomatError with a Czech text
// naming the line when the contents are not a racer file of this layout.
std::vector<RacerRow> ParseRacerFile(const QByteArray &contents);

// Whole files: writing replaces the file atomically.  Both throw TikomatError
// with the reason (the system's or the reader's text).
void SaveRacerFile(const QString &path, const std::vector<RacerRow> &rows);
std::vector<RacerRow> LoadRacerFile(const QString &path);
