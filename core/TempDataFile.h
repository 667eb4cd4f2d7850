#pragma once
// Where an unnamed race lives: the record store's temporary data file.
//
// RecordStore takes a name here at its creation and on "&Nový".  The file is
// made in the user's data folder (QStandardPaths::AppLocalDataLocation,
// created when missing), which survives a reboot; the system's temporary
// folders, which Debian empties at boot, are only the last resort.  Nothing
// here ever removes a file: RecordStore does that for a temporary file that
// stayed empty.
//
// While a store works in a temporary file it holds a lock file beside it
// ("~<hex>.tmp.lock", QLockFile).  A clean close removes the lock; one that a
// crashed or killed run left behind is stale, and that is how the next start
// tells an unnamed race left by a crash (LeftRaces) from one that is in use or
// was closed cleanly.
#include <QString>
#include <QStringList>

// Creates a new empty file "~<hex>.tmp" in the first folder that takes it
// and returns its full path.  Throws TikomatError with the system's message
// of the last failure when no folder does.
QString NewTempFileName();

// True for a name of the shape NewTempFileName gives: "~<hex>.tmp".
bool IsTemporaryDataFileName(const QString &path);

// The lock file of a temporary data file.
QString TempLockName(const QString &tempFile);

// The folders tried, best first.
QStringList TempFolderCandidates();

// Replaces the folders tried (tests); an empty list restores the real ones.
void SetTempFoldersForTesting(const QStringList &folders);
