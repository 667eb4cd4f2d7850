#pragma once
// Where an unnamed race lives: the record store's temporary data file.
//
// TData takes a name here at its creation and on "&Nový".  The file is made
// in the user's data folder (QStandardPaths::AppLocalDataLocation, created
// when missing), which survives a reboot; the system's temporary folders,
// which Debian empties at boot, are only the last resort.  Nothing here ever
// removes a file: TData does that for a temporary file that stayed empty.
#include <QString>
#include <QStringList>

// Creates a new empty file "~<hex>.tmp" in the first folder that takes it
// and returns its full path.  Throws TikomatError with the system's message
// of the last failure when no folder does.
QString NewTempFileName();

// Whether path names such a file ("~<hex>.tmp"): the race is still unnamed.
bool IsTempDataFileName(const QString &path);

// The folders tried, best first.
QStringList TempFolderCandidates();

// Replaces the folders tried (tests); an empty list restores the real ones.
void SetTempFoldersForTesting(const QStringList &folders);
