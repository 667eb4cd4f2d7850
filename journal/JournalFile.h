#pragma once
// The journal on disk: an append-only file of JournalEntry lines, each batch
// written with one write() and forced to disk before Append returns, so that
// what the operator then sees on screen is already safe.
//
// When the disk refuses (full, a file-size limit, an I/O error) nothing is
// dropped: the entries wait in memory, in order, behind any that wait
// already, and every later Append or Retry writes them first.  A write cut
// short leaves no torn line for the next one to join: the file is cut back to
// its last whole line, or, where that fails, the next write starts a fresh
// line, so no entry reported as written is ever swallowed by a torn one.
//
// JournalKeeper owns it.  Append may be called from any thread (the module's
// communication thread appends the stamps it reads).
#include "JournalEntry.h"

#include <QString>
#include <mutex>
#include <sys/types.h>
#include <vector>

class JournalFile {
public:
    // Opens (creating if missing) for appending.  Throws TikomatError with
    // the system's reason.
    explicit JournalFile(const QString &path);
    ~JournalFile();
    JournalFile(const JournalFile &) = delete;
    JournalFile &operator=(const JournalFile &) = delete;

    const QString &path() const { return m_path; }

    // Numbers the entries, queues them behind those still waiting, writes
    // everything waiting and flushes it to disk.  True when nothing waits any
    // more (these entries are on disk); false, with the reason in error(),
    // while they wait in memory for the next try.
    bool Append(const std::vector<JournalEntry> &entries);
    bool Append(const JournalEntry &entry) { return Append(std::vector<JournalEntry>{entry}); }
    // Tries again to write what waits; true when nothing waits.
    bool Retry();
    // Entries wait in memory: the last write failed.
    bool failing() const;
    // The reason of the last failure.
    QString error() const;
    // The number the last entry got, written or waiting; entries are
    // numbered 1, 2, ...
    quint64 lastSeq() const;

private:
    bool Flush();  // with m_mutex held
    bool WriteWaiting();
    void Failed(int error);

    QString m_path;
    int m_fd = -1;
    mutable std::mutex m_mutex;
    QString m_error;
    quint64 m_lastSeq = 0;
    QByteArray m_waiting;      // whole lines not yet in the file, in order
    off_t m_wholeSize = 0;     // the file's length up to its last whole line
    bool m_torn = false;       // bytes of a cut-short write follow m_wholeSize
    bool m_freshLine = false;  // the next write must begin with a line end
    bool m_unsynced = false;   // lines are in the file but not yet forced to disk
};

// Every entry of a journal's bytes; lines that do not decode are skipped and
// counted in `skipped`.
std::vector<JournalEntry> ReadJournal(const QByteArray &bytes, int *skipped = nullptr);
