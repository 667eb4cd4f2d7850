#pragma once
// The journal on disk: an append-only file of JournalEntry lines, each batch
// written with one write() and forced to disk before Append returns, so that
// what the operator then sees on screen is already safe.
//
// JournalKeeper owns it.  Append may be called from any thread (the module's
// communication thread appends the stamps it reads); the file is never
// truncated or rewritten here.
#include "JournalEntry.h"

#include <QString>
#include <mutex>
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

    // Numbers the entries, writes their lines and flushes them to disk.  False, with the reason in
    // error(), when they could not be written.
    bool Append(const std::vector<JournalEntry> &entries);
    bool Append(const JournalEntry &entry) { return Append(std::vector<JournalEntry>{entry}); }
    QString error() const;
    // The number the last entry written got; entries are numbered 1, 2, ...
    quint64 lastSeq() const;

private:
    QString m_path;
    int m_fd = -1;
    mutable std::mutex m_mutex;
    QString m_error;
    quint64 m_lastSeq = 0;
};

// Every entry of a journal's bytes; lines that do not decode are skipped and
// counted in `skipped`.
std::vector<JournalEntry> ReadJournal(const QByteArray &bytes, int *skipped = nullptr);
