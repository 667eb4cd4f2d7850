#pragma once
// tikomat-results: reads a data file (and a racer file), computes the results
// document with the window's own ResultsBuilder, and writes it (whole, one
// category, or every category apart) as the exported workbook's sheet, CSV,
// an HTML page or JSON.
//
// main() calls RunResultsCommand; the tests call it too.  It never writes to
// its inputs: the data file is opened for reading only, no record store is
// made (so no temporary data file and no backup), nothing is asked, and an
// output naming an input is refused before anything is read.  Every output
// file is replaced atomically.  Messages go to `err`, one line each, in the
// given language; the exit code tells a script what happened (ExitCode).
#include "CommandLine.h"

#include <QIODevice>
#include <QStringList>

int RunResultsCommand(const QStringList &arguments, Language language, QIODevice &out, QIODevice &err);
