#pragma once
// "Export..." on the results page: the results list, as the last refresh left
// it, written into an .xls workbook of one sheet, which the desktop then opens
// with whatever application it associates with the file.
//
// The main window's button calls ExportResults; the tests call
// FillResultsSheet and ExportResults directly and replace the open action, so
// that no test ever starts another program.  The export reads the results
// list only; it never refreshes it or touches the record store.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

class Dialogs;
class ResultsListModel;
class TvteXLSWorksheet;

// Opens a saved file with the application associated with it; its outcome is
// not reported.
using OpenFileAction = std::function<void(const QString &path)>;

// The action the export uses: the desktop's "open" (Qt's desktop services,
// xdg-open on Linux) unless a test has put another in its place.  An empty
// action restores the desktop's.
void SetOpenActionForTesting(OpenFileAction action);

// The moment of export as the header shows it: the locale's short date, one
// blank and its long time (without a time zone); at exactly midnight the
// date alone.
QString ExportMomentText(const QLocale &locale, const QDateTime &moment);

// The header line of the sheet for that moment text.
QString ResultsHeaderText(const QString &moment);

// The sheet's column titles, left to right ("Závodník" ... "Poznámka").
QStringList ResultsSheetColumnTitles();

// The text the sheet gives results row `row`, column `column` (a
// ResultsListModel::Column): the caption as the list shows it, the other
// columns without their surrounding blanks.
QString ResultsSheetCellText(const ResultsListModel &results, int row, int column);

// The most results rows one sheet can hold under its three header rows.
constexpr int MaxExportedRows = 65536 - 3;

// Fills one sheet: header, title, column titles, column widths and one row
// per results row, every value a text.  Throws std::runtime_error when the
// results do not fit on a sheet.
void FillResultsSheet(TvteXLSWorksheet &sheet, const QString &title, const ResultsListModel &results,
                      const QString &moment);

// Writes the workbook of one sheet "Výpis " filled as above to path, replacing
// the file atomically.  Throws std::runtime_error with the writer's message.
void SaveResultsWorkbook(const QString &path, const QString &title, const ResultsListModel &results,
                         const QString &moment);

// btnExprClick: asks for a file name, writes the workbook there, then opens
// it.  A failure is shown as "Chyba při ukládání: " and the error's text.
void ExportResults(Dialogs &dialogs, const ResultsListModel &results);
