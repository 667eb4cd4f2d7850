#pragma once
// Replacing a file whole: the data file, the results file and the racer file
// are all written this way, so a failed save never leaves one emptied or half
// written.
#include <QByteArray>
#include <QString>

// Writes contents beside path, forces it to disk and renames it over path.
// Throws TikomatError with the system's text on any failure; the previous
// file is then untouched.
void WriteFileAtomically(const QString &path, const QByteArray &contents);
