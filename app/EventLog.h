#pragma once
// The event log: one time-stamped line per event, in code page 1250, each line
// flushed at once.  The log never reports its own failures: a log that cannot
// be opened simply stays closed and every line is dropped.
#include "LocaleTime.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTime>

// Empties or creates the file at path and opens it for writing.  A log that is
// already open is closed first.
void OpenLog(const QString &path);

// Where the log goes when the program's own folder cannot be written (an
// installed program under /usr/bin): "$XDG_STATE_HOME/tikomat/log.txt", or
// "~/.local/state/tikomat/log.txt" when XDG_STATE_HOME is unset or not an
// absolute path.
QString FallbackLogPath();

// OpenLog(path); when that file cannot be written, OpenLog at
// FallbackLogPath(), creating its folder.  Returns the path of the open log,
// or an empty text when neither could be opened (the program then runs
// without a log, as before).
QString OpenLogOrFallback(const QString &path);

// Appends one line and flushes it; does nothing while the log is closed.
// Safe to call from any thread: lines of two threads never interleave.
void WriteLog(const QString &message);

// Closes the log; in every case the log counts as closed afterwards.
void CloseLog();

bool LogIsOpen();

// The locale's long time format without any time-zone part ("t", "tttt" ...).
QString LogTimeFormat(const QLocale &locale);

// One log line exactly as it goes into the file: time, ": ", message, CR LF.
QByteArray FormatLogLine(const QLocale &locale, const QTime &time, QStringView message);
