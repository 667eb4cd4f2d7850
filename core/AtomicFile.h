#pragma once
// Whole-file replacement for the data file, its results file and its backup.
//
// RecordStore::Save is the caller.  The contents go into a copy beside the
// target, named "<target>.tikomat-XXXXXX", which is forced to disk and renamed
// over the target, and the folder is flushed so that the rename survives a
// power cut.  A failure at any step leaves the previous file whole, removes
// the copy and throws TikomatError with the system's own reason (a short write
// is followed up until the system names its cause: a full disk, a file-size
// limit).  A copy left by a save that was killed before its rename keeps the
// recognisable name and is removed by the next successful save of the same
// target.  This unit never shows anything and never touches another name.
#include <QByteArray>
#include <QString>

// Replaces the file at path by contents, atomically.  Throws TikomatError.
void WriteFileAtomically(const QString &path, const QByteArray &contents);

// The system's text for an errno value.
QString SystemErrorText(int error);

// Writing past the file-size limit raises SIGXFSZ, whose default ends the
// program; ignored, the write fails with EFBIG and the save reports it.
// Idempotent; every record store calls it.
void IgnoreFileSizeSignal();
