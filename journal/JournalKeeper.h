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

    // Starts the journal of dataFile, over any file of that name, with the
    // current rows.  The previous journal goes (or aside, see above).
    void Begin(const QString &dataFile);
    const QString &dataFile() const { return m_dataFile; }
    QString path() const;

    // Main thread: the entries, written and flushed.  A failure is shown once.
    void Write(const std::vector<JournalEntry> &entries);
    void Write(const JournalEntry &entry) { Write(std::vector<JournalEntry>{entry}); }
    // Any thread: a stamp read from the module.
    void StampRead(JournalList list, DayTime stamp);
    // The record store wrote dataFile successfully.
    void Saved(const QString &dataFile);
    // A clean close: a journal that holds neither rows nor unsaved record
    // changes goes; otherwise it stays for the next start to offer.
    void Close();

private:
    void Retire(const QString &journalPath, bool keepAside);
    void Register(const QString &journalPath, bool add);

    Dialogs *m_dialogs;
    QString m_indexFolder;
    QString m_dataFile;
    std::shared_ptr<JournalFile> m_file;  // swapped under m_mutex
    mutable std::mutex m_mutex;
    bool m_unsavedChanges = false;
    bool m_failureShown = false;
};
