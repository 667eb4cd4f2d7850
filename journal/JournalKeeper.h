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
// Each journal begins with what its data file holds (Begin and Held
// entries), so that it describes the whole race and recovery can tell which
// of its states a data file left by a crash is.
//
// It never deletes a journal that holds anything the data file does not, and
// never shows anything itself: while the journal cannot be written it says
// so through writingChanged, keeps what waits in memory and tries again at
// every entry and every few seconds.
#include "JournalFile.h"
#include "RecordStore.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class JournalKeeper : public QObject, public ChangeJournal {
    Q_OBJECT
public:
    explicit JournalKeeper(QObject *parent = nullptr);
    ~JournalKeeper() override;

    // The rows both impulse lists hold now, as Row entries (the desk's).
    std::function<std::vector<JournalEntry>()> currentRows;
    // The store's records as RecordAdded entries (see RecordEntries).
    std::function<std::vector<JournalEntry>()> currentRecords;
    static std::vector<JournalEntry> RecordEntries(const std::vector<TimeRecordPtr> &records);

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

    // Starts the journal of dataFile with the current records and rows.
    // Without `unwritten` the data file holds those records (opened, new,
    // recovered): they are written as Held; with it the file does not hold
    // them yet (a save under a new name): they are written as added.  A
    // journal of that name left from before is kept aside; the previous
    // journal goes (or aside, see above).  When the new journal cannot be
    // made, the previous one goes on and the start is tried again later.
    void Begin(const QString &dataFile, bool unwritten = false);
    const QString &dataFile() const { return m_dataFile; }
    QString path() const;

    // Main thread: the entries, written and flushed (or kept to be written
    // as soon as the disk allows).
    void Write(const std::vector<JournalEntry> &entries) override;
    void Write(const JournalEntry &entry) { Write(std::vector<JournalEntry>{entry}); }
    // Any thread: a stamp read from the module.
    void StampRead(JournalList list, DayTime stamp);
    // The record store hands save number `save` of dataFile to its writer:
    // what the journal holds now will be in that file.  A new name moves the
    // journal.
    void Saving(const QString &dataFile, quint64 save);
    // That save is on disk: the journal says so at once, whether or not
    // later saves are still to come.
    void Saved(const QString &dataFile, quint64 save);
    // A clean close: a journal that holds neither rows nor unsaved record
    // changes goes; otherwise it stays for the next start to offer.
    void Close();

    // The reason the journal is not being written, or empty.
    QString writeProblem() const { return m_problem; }
    // How often a journal that cannot be written is tried again (tests
    // shorten it).
    void setRetryInterval(int ms) { m_retry.setInterval(ms); }

signals:
    // The journal stopped being written (`problem` says why) or, with an
    // empty text, writes again and nothing waits in memory.
    void writingChanged(const QString &problem);

private:
    void CheckWriting();
    void RetryNow();
    void Retire(const QString &journalPath, bool keepAside);
    void Register(const QString &journalPath, bool add);
    bool UnsavedChanges() const { return m_lastChange > m_savedUpTo; }
    quint64 LastSeq() const;

    QString m_indexFolder;
    QString m_dataFile;
    std::shared_ptr<JournalFile> m_file;  // swapped under m_mutex
    mutable std::mutex m_mutex;
    quint64 m_lastChange = 0;                          // sequence number of the last record change
    std::deque<std::pair<quint64, quint64>> m_saving;  // saves handed over: number, what each holds
    quint64 m_savedUpTo = 0;                           // what the data file holds
    struct PendingBegin {
        QString dataFile;
        bool unwritten;
        QString error;
    };
    std::optional<PendingBegin> m_pendingBegin;  // a journal start that failed, to try again
    QString m_problem;
    QTimer m_retry;
};
