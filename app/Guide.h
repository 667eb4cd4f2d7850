#pragma once
// The operator's guide: where its page lies and opening it in the desktop's
// browser.  F1 and "Nápověda" in the main window call OpenGuide.  The page is
// opened through QDesktopServices::openUrl, whose URL handlers are the seam the
// tests use (a handler for "file" receives the address instead of a browser).
// Never writes anything and never blocks on the browser.
#include <QString>
#include <QStringList>

class Dialogs;

// The places, in order, where the guide of a program in `programFolder` may
// lie: beside it in the build tree, under the prefix of an installed program
// (<prefix>/bin -> <prefix>/share/tikomat/navod), then the desktop's data
// folders (XDG_DATA_HOME, XDG_DATA_DIRS).
QStringList GuideCandidates(const QString &programFolder);

// The first of those that exists, or empty.
QString FindGuide(const QString &programFolder);

// Opens the guide of the running program.  When it cannot be found, or no
// browser takes it, the operator gets a Czech message naming where it was
// looked for, or the file to open by hand.
void OpenGuide(Dialogs &dialogs);
