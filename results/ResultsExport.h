#pragma once
// "Export..." on the results page: the results list, as the last refresh left
// it (the whole ranking, or the category chosen on the page), written into an
// .xls workbook of one sheet (ResultsSheet), which the desktop then opens with
// whatever application it associates with the file.
//
// The main window's button calls ExportResults; the tests call it directly
// and replace the open action, so that no test ever starts another program.
// The export reads the results document only; it never refreshes it or
// touches the record store.
#include "ResultsSheet.h"

#include <functional>

class Dialogs;

// Opens a saved file with the application associated with it; its outcome is
// not reported.
using OpenFileAction = std::function<void(const QString &path)>;

// The action the export uses: the desktop's "open" (Qt's desktop services,
// xdg-open on Linux) unless a test has put another in its place.  An empty
// action restores the desktop's.
void SetOpenActionForTesting(OpenFileAction action);

// "Export...": asks for a file name, writes the section's sheet there, then
// opens it.  A failure is shown as "Chyba při ukládání: " and the error's text.
void ExportResults(Dialogs &dialogs, const ResultsSection &section);
