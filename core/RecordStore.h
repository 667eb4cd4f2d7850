#pragma once
// The time record store: RecordStore holds all records of the current data
// file, with the data file and its results file.  It is the only code that
// changes a record: every change comes to it as a RecordChange through apply,
// which journals it, applies it, hands the save to the writer and tells
// everyone through recordsChanged.  Others read the records through records(),
// whose elements are read-only.
#include "DayTime.h"
#include "PassageClock.h"
#include "RecordChange.h"
#include "RecordSnapshot.h"
#include "TimeRecord.h"
#include "TempDataFile.h"
#include "TikomatError.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class Dialogs;
class QLockFile;
class SaveAlarm;
class RacerDirectory;

// -1, 0 or 1 as a.Time is before, equal to or after b.Time.
int CompareRecordTimes(const TimeRecord &a, const TimeRecord &b);

// The results file beside a data file: the extension replaced by ".results".
QString ResultsFileName(const QString &dataFileName);

// Where an opened file is kept as it was opened: "<name>.bak" beside it.
QString BackupFileName(const QString &dataFileName);

// Where saves go to be written off the main thread (the background writer).
// Submit hands over the latest write; a write still waiting is replaced by
// it and its `done` never called.  `done` runs on the main thread with the
// error text (empty on success).  WaitIdle returns once nothing waits or
// runs, every `done` delivered.
class SaveQueue {
public:
    virtual ~SaveQueue() = default;
    virtual void Submit(std::function<QString()> write, std::function<void(const QString &error)> done) = 0;
    virtual void WaitIdle() = 0;
};

// Where the store writes a change's journal lines before it applies the
// change; they are on disk when Write returns (or wait to be written, see
// JournalKeeper).
class ChangeJournal {
public:
    virtual ~ChangeJournal() = default;
    virtual void Write(const std::vector<JournalEntry> &entries) = 0;
};

class RecordStore : public QObject {
    Q_OBJECT
public:
    // Starts empty with a temporary file name.  Throws TikomatError when no
    // temporary file can be made.  `dialogs` reports file errors; `racers`
    // names the racers in both files (either may be null).
    explicit RecordStore(Dialogs *dialogs = nullptr, RacerDirectory *racers = nullptr);
    // Removes its temporary data file if that never received a record, and
    // the lock it held on it.
    ~RecordStore() override;

    // The records, in time order after every save.  Each save also numbers
    // their laps (Lap, MaxLap) and measures them (NetTime, PassageClock).
    const std::vector<TimeRecordPtr> &records() const { return m_records; }
    QString FileName;
    bool Unnamed = true;
    int32_t MaxLap = 0;

    void SetRacers(RacerDirectory *racers) { m_racers = racers; }
    // Every change is written here before it is applied; null: none kept.
    void SetJournal(ChangeJournal *journal) { m_journal = journal; }

    // The one way records change.  Unless the change no longer applies (a
    // record it edits or deletes has left the store or holds other values
    // than its `before`, a record it adds is stored already), it is
    // journaled (its lines and then `alongside`, in one flush), applied in
    // full, saved (`asked` as for Save) and told by recordsChanged; true is
    // returned.  Otherwise nothing happens and false is returned.
    bool apply(const RecordChange &change, bool asked = false);
    // Whether apply would carry the change out now.
    bool canApply(const RecordChange &change) const;
    // Replaces every record at once, without journal, save or signal: what
    // an opened or new file does, and a race built elsewhere (tests,
    // benchmarks).
    void ReplaceRecords(std::vector<TimeRecordPtr> records);

    // Saves are handed to `queue` instead of being written at once (null:
    // written at once).  The queue must outlive the store or be reset first.
    void SetSaveQueue(SaveQueue *queue) { m_queue = queue; }
    // Waits for the writes handed to the queue; false when the last failed.
    bool WaitForWrites();

    // Ascending by Time; records of equal times keep the order they had.
    void SortByTime();
    // Takes a new temporary name, then drops all records.  Throws TikomatError
    // and leaves the store as it was when no name can be had.  The previous
    // temporary file goes if it never received a record.
    void NewFile();
    // Numbers the laps and writes the data file and the results file, each
    // replaced atomically.  Returns false when the write failed.  With a
    // save queue the files are written later, on its thread: true is then
    // returned at once.  The first save over a file that Load opened first
    // keeps that file, as it was opened, in BackupFileName.
    //
    // A failure goes to the save alarm (see SaveAlarm), which tells the
    // operator once per episode; the store tries again every few seconds,
    // and a save that succeeds ends the episode.  A save the operator
    // `asked` for (a file command) tells its failure whatever came before,
    // also when a newer save replaced it in the queue before it was written:
    // that one answers for it.
    bool Save(bool asked = false);
    // True while the last save failed: the records hold changes that are not
    // on disk.  A successful save, load or NewFile clears it.
    bool LastSaveFailed() const { return m_saveFailed; }
    // The reason the data file is not being saved, or empty.
    QString saveProblem() const { return m_saveProblem; }
    // How often a failed save is tried again (tests shorten it).
    void setRetryInterval(int ms) { m_retry->setInterval(ms); }
    // Where failed saves are told: the window's one alarm for every file it
    // saves.  Until it is set, the store has one of its own, on its dialogs.
    // It must outlive the store.
    void SetSaveAlarm(SaveAlarm *alarm);

signals:
    // apply carried out `change`: the lists, the spectator window, the web
    // page and the undo history follow it.
    void recordsChanged(const RecordChange &change);
    // Save number `save` of fileName is handed over to be written.
    void saveHandedOver(const QString &fileName, quint64 save);
    // That save is on disk (told for every save written, in order; a save
    // that a newer one replaced before it was written is never told).
    void saveWritten(const QString &fileName, quint64 save);
    // The data file stopped being saved (`problem` is the system's reason)
    // or, with an empty text, is saved again.
    void saveProblemChanged(const QString &problem);

public:
    // Replaces the records by those of the data file at path.  A file whose
    // lines have no readable time or values out of range is opened only if
    // the operator agrees (a store without dialogs opens it as it comes).  A
    // file over DataFileProgressSize is read behind a progress dialog that
    // can cancel it; one over DataFileSizeLimit is refused unread.  On any
    // failure, refusal or cancel the store stays exactly as it was; a
    // failure is reported, false returned.
    bool Load(const QString &path);
    // FileName := path, then Save (asked).
    bool SaveAs(const QString &path);
    // FileName := path without a save: the next save writes it.
    void SetFileName(const QString &path);

    bool Contains(const TimeRecord *record) const { return m_index.count(record) > 0; }

private:
    struct SaveImage;
    SaveImage TakeImage();
    static void WriteImage(const SaveImage &image);
    void SaveFinished(quint64 save, bool asked, const QString &fileName, const QString &error, const SaveImage &image);
    void RemoveUnusedTempFile();
    // Holds the lock of FileName while that is a temporary data file, and
    // no other.
    void LockTemporaryFile();
    void ForgetOpenedFile();
    void SetSaveProblem(const QString &problem);
    // Sorts by time, numbers the laps and measures the passages, unless the
    // store is in order already (m_ordered).
    void Order();
    // One more (+1) or one less (-1) passage of `number`; keeps MaxLap.
    // Returns the passages of `number` now.
    int32_t CountLap(int32_t number, int delta);
    std::size_t IndexOf(const TimeRecordPtr &record) const;
    // Records are held read-only by everyone; the store made each of them (or
    // took it from a change, made by make_shared<TimeRecord>) as a writable
    // object, and is the one that writes it.
    static TimeRecord &Writable(const TimeRecordPtr &record) { return const_cast<TimeRecord &>(*record); }

    std::vector<TimeRecordPtr> m_records;
    std::unordered_set<const TimeRecord *> m_index;  // the records held, for apply's checks
    // The store is in time order and every Lap, NetTime, m_lapCounts,
    // m_clock and MaxLap are current.  A record added after the last one
    // keeps it so, and so does taking the last passage back: a Vlož and its
    // undo cost no pass over the records.  Any other change clears it, and
    // the next save orders all.
    bool m_ordered = false;
    PassageClock m_clock;                              // as it stands after the last record
    std::unordered_map<int32_t, int32_t> m_lapCounts;  // passages per start number
    std::vector<int32_t> m_lapsReached;                // [n]: how many start numbers have n passages
    RecordSnapshot m_snapshot;                         // what saves hand to the writer
    ChangeJournal *m_journal = nullptr;
    Dialogs *m_dialogs = nullptr;
    SaveQueue *m_queue = nullptr;
    quint64 m_saves = 0;  // saves handed over; only the latest one's success is told
    RacerDirectory *m_racers = nullptr;
    QString m_tempName;                     // the temporary file this store made (or opened) last
    std::unique_ptr<QLockFile> m_tempLock;  // held while FileName is a temporary file
    QString m_lockedName;
    bool m_saveFailed = false;
    QString m_saveProblem;  // while a failure episode lasts
    SaveAlarm *m_alarm = nullptr;
    quint64 m_askedSave = 0;  // the latest save asked for, until its outcome (or a newer one's) is in
    QTimer *m_retry = nullptr;
    QString m_openedPath;  // opened by Load and not yet saved over
    QByteArray m_openedBytes;
};
