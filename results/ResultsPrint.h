#pragma once
// "Tisk..." and "PDF..." on the results page: what the page shows (the whole
// ranking, one category, or with "Všechny kategorie zvlášť" every category
// on pages of its own) printed from a print preview, or written as a PDF file
// that replaces the chosen file atomically.
//
// The main window's buttons call PrintResults and SaveResultsPdf with the
// sections PrintedSections chooses; tikomat-results --pdf uses PrintMomentOf
// too.  Both go through the Dialogs interface only, so the tests answer them;
// they read the results document and never touch the record store.
#include "ResultsPages.h"

#include <vector>

class Dialogs;

// The date and moment a printout made now names: the race is dated by the
// day its data file was last written, an unnamed race (or a file that cannot
// be read) by today.
PrintMoment PrintMomentOf(const QString &dataFile, bool unnamed, const QDateTime &now);

// The sections to print: every category apart when everyCategory is asked
// while the page shows the whole ranking and it has categories, else what
// the page shows.
std::vector<ResultsSection> PrintedSections(const ResultsSection &shown, bool everyCategory);

// Opens the print preview of the sections; a printout that cannot be made
// is reported as "Chyba při tisku: " and the reason.
void PrintResults(Dialogs &dialogs, const std::vector<ResultsSection> &sections, const PrintMoment &moment);

// Asks for a file name (extension pdf) and writes the sections' PDF there,
// replacing the file atomically; a failure is reported as "Chyba při
// ukládání: " and the system's reason, and leaves no part of a file.
void SaveResultsPdf(Dialogs &dialogs, const std::vector<ResultsSection> &sections, const PrintMoment &moment);
