#pragma once
// The category list of the settings page and what the racer grid adds to it.
// Called when the focus leaves the racer grid and when the grid's category
// choice list is set; pure functions over texts, no widgets.
#include "RacerDirectory.h"

#include <QString>
#include <QStringList>
#include <vector>

// The four categories every run starts with.
QStringList InitialCategories();

// The lines of the category list's text, one category a line.  A final line
// break does not start another line.
QStringList CategoryLines(const QString &text);

// The categories of `rows` (in row order) that the list lacks, to be appended
// to it unchanged, blanks included.  A category counts as listed when a line
// equals it without regard to letter case; a category of blanks only is never
// added, nor is one twice.
QStringList NewCategories(const QStringList &lines, const std::vector<RacerRow> &rows);

// The choice list of the grid's category column: the lines that say something.
QStringList CategoryChoices(const QStringList &lines);
