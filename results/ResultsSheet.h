#pragma once
// The results as the sheets of an .xls workbook: the sheet that "Export..."
// writes, and a workbook of one sheet per category.  Each sheet carries a
// header line with the product, the maker and the moment, the caption, the
// column titles and one row per results row, every value a text.
//
// Called by the window's export (ResultsExport) and by tikomat-results.  It
// renders a results document and never changes it; it needs Qt Core only.
#include "ResultsTable.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class TvteXLSWorksheet;

// The maker's web address, in the exported results and the spectator window's title.
QString MakerAddress();

// The moment of export as the header shows it: the locale's short date, one
// blank and its long time (without a time zone); at exactly midnight the
// date alone.
QString ExportMomentText(const QLocale &locale, const QDateTime &moment);

// The header line of the sheet for that moment text.
QString ResultsHeaderText(const QString &moment);

// The sheet's column titles, left to right ("Závodník" ... "Poznámka").
QStringList ResultsSheetColumnTitles();
// How many columns a sheet has.
constexpr int ResultsSheetColumns = 6;

// The text the sheet gives row k of a section in column `column` (0 the
// racer, then "Čas vč. trestu", "Kolo", "Trest", "Start v [hod]", "Poznámka"):
// the caption as the list shows it, the other columns without their
// surrounding blanks.
QString ResultsSheetCellText(const ResultsSection &section, int k, int column);

// The most results rows one sheet can hold under its three header rows.
constexpr int MaxExportedRows = 65536 - 3;

// Fills one sheet from a section: header, its caption as the title, column
// titles, column widths and one row per results row.  Throws
// std::runtime_error when the rows do not fit on a sheet.
void FillResultsSheet(TvteXLSWorksheet &sheet, const ResultsSection &section, const QString &moment);

// The names of the sheets of these sections, as code page 1250 bytes: "Výpis "
// for the whole ranking, else the category's name without the characters a
// sheet name cannot hold, cut to 31 characters and made unique.
std::vector<std::string> ResultsSheetNames(const std::vector<ResultsSection> &sections);

// Writes a workbook of one sheet per section (at least one), filled as above,
// to path, replacing the file atomically.  Throws the writer's vte::WriteError
// (WriteError.h) when the file cannot be written, std::runtime_error when the
// rows do not fit.
void SaveResultsWorkbook(const QString &path, const std::vector<ResultsSection> &sections, const QString &moment);
