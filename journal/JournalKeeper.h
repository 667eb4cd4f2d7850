#pragma once
// Keeps the journal of the current data file: "<data file>.journal" beside
// it (beside the temporary file while the race is unnamed).  The timing desk
// and the manual entry write their changes through Write before they show
// them; the module link writes each stamp through StampRead the moment it is
// read, on its own thread; the record store's successful saves arrive in
// Saved.  When the data file changes name (a save under a new name, a file
// opened, "&Nový") the journal follows it: a fresh one starts with the rows
// still listed, and the old one goes, unless it holds record changes no save
// has written, in which case it is kept aside under a dated name.
//
// It never deletes a journal that holds anything the data file does not, and
// never shows anything itself except the one message when the journal cannot
// be written.
#include "JournalFile.h"
#include "tfile.h"

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class Dialogs;

class JournalKeeper {
public:
    explicit JournalKeeper(Dialogs *dialogs);
    ~JournalKeeper();

    // The rows both impulse lists hold now, as Row entries (the desk's).
    std::function<std::vector<JournalEntry>()> currentRows;
    // The store's records as RecordAdded entries (see RecordEntries).
    std::function<std::vector<JournalEntry>()> currentRecords;
    static std::vector<JournalEntry> RecordEntries(const std::vector<TRadekPtr> &records);

    static QString JournalPathFor(const QString &dataFile);
    // "<journal>.<yyyyMMdd-hhmmss>" that does not exist yet.
    static QString AsideName(const QString &journalPath);
    // The list of journals that may be left by a run that ended without a
    // clean close, kept in `folder`.
    static QString IndexPath(const QString &folder);
    // Journals listed in the index of `folder` and "*.journal" files there.
    static QStringList LeftJournals(const QString &folder);

    // The folder that keeps the index (the temporary files' folder).
    void SetIndexFolder(const QString &folder) { m_indexFolder = folder; }

    // Starts the journal of dataFile with the current rows (and, for a file
    // not written yet, the current records).  A journal of that name left
    // from before is kept aside; the previous journal goes (or aside, see
    // above).
    void Begin(const QString &dataFile, bool withRecords = false);
    const QString &dataFile() const { return m_dataFile; }
    QString path() const;

    // Main thread: the entries, written and flushed.  A failure is shown once.
    void Write(const std::vector<JournalEntry> &entries);
    void Write(const JournalEntry &entry) { Write(std::vector<JournalEntry>{entry}); }
    // Any thread: a stamp read from the module.
    void StampRead(JournalList list, DayTime stamp);
    // The record store hands a save of dataFile to its writer: what the
    // journal holds now will be in that file.  A new name moves the journal.
    void Saving(const QString &dataFile);
    // The record store's latest save, of dataFile, is on disk.
    void Saved(const QString &dataFile);
    // A clean close: a journal that holds neither rows nor unsaved record
    // changes goes; otherwise it stays for the next start to offer.
    void Close();

private:
    void Retire(const QString &journalPath, bool keepAside);
    void Register(const QString &journalPath, bool add);
    bool UnsavedChanges() const { return m_lastChange > m_savedUpTo; }
    quint64 LastSeq() const;

    Dialogs *m_dialogs;
    QString m_indexFolder;
    QString m_dataFile;
    std::shared_ptr<JournalFile> m_file;  // swapped under m_mutex
    mutable std::mutex m_mutex;
    quint64 m_lastChange = 0;   // sequence number of the last record change
    quint64 m_savingUpTo = 0;   // what the save under way holds
    quint64 m_savedUpTo = 0;    // what the data file holds
    bool m_failureShown = false;
};
