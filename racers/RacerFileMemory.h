#pragma once
// Which racer file belongs to which race.  The racer file last opened or
// saved while a data file was the race's is remembered from run to run
// (QSettings "Tikomat"/"Tikomat", group "racerFiles", keyed by the data
// file's absolute path) and opened again when that data file is opened, at
// start or with "&Otevřít", so that the racers come back with the race.
//
// The main window tells it when the race's data file changes and when the
// racer page opens or saves a racer file; it loads into the racer table and
// asks through Dialogs only.  It never stops a race from opening: a racer
// file that is missing or cannot be read is reported and leaves the table as
// it was, and so does a table with changes no racer file holds when the
// operator chooses to keep them.
//
// Racers are never kept in memory alone: within a second of a change the
// table is saved (atomically) to the race's racer file, or, while the race
// has none, to "<data file>.racerlist" beside the data file, which the race
// then remembers.  A failed save is told through the save alarm and tried
// again every few seconds.  An unnamed race's racers are saved beside its
// temporary file too, against a crash; yet the operator would not find them
// there, so until a racer file of the operator's own holds them they count
// as not saved (UnsavedRacers), and the window asks before closing.
#include <QObject>
#include <QString>
#include <QTimer>

class Dialogs;
class RacerTable;
class SaveAlarm;

class RacerFileMemory : public QObject {
    Q_OBJECT
public:
    RacerFileMemory(RacerTable &table, Dialogs &dialogs, const QString &dataFile, QObject *parent = nullptr);

    // The racer file remembered with dataFile, or empty.
    static QString Remembered(const QString &dataFile);
    static void Remember(const QString &dataFile, const QString &racerFile);

    // The racer page opened or saved this racer file: it is the race's now.
    void RacerFileUsed(const QString &racerFile);
    // The store opened dataFile (a race opened with "&Otevřít", or one taken
    // back at start): its remembered racer file replaces the table.  Returns
    // the text for the status bar, empty when nothing was loaded.
    QString DataFileOpened(const QString &dataFile);
    // "&Nový": a race of its own, with no racer file until one is used.
    void NewDataFile(const QString &dataFile);
    // The store's data file now has this name (after "Uložit jako..."): the
    // same race, so its racer file goes with the new name.  Nothing for the
    // data file the race already has.
    void DataFileNamed(const QString &dataFile);

    // The racer file of the present race, or empty.
    QString racerFile() const { return m_racerFile; }

    // The racer file a race's racers go to while the race has none of its own.
    static QString AutomaticRacerFile(const QString &dataFile);
    // Where failed saves are told (null: nowhere; the retries go on).
    void SetSaveAlarm(SaveAlarm *alarm) { m_alarm = alarm; }
    // A change not yet written is written now (at the close, before another
    // race is opened).
    void SaveNow();
    // How many racers the unnamed race holds that no racer file of the
    // operator's holds (0 for a named race: its racers are saved).
    int UnsavedRacers() const;

    // The wait after a change, and between tries while saving fails.
    static constexpr int SaveDelayMs = 500;
    static constexpr int RetryDelayMs = 5000;

signals:
    // The table was written to this racer file by itself.
    void racersSaved(const QString &path);

private:
    void TableChanged();
    // The rows must be written (again): they will be, after `delayMs`.
    void ScheduleSave(int delayMs = SaveDelayMs);
    bool Unnamed() const;

    RacerTable &m_table;
    Dialogs &m_dialogs;
    QString m_dataFile;
    QString m_racerFile;
    // The table holds changes that no racer file holds (typed, imported).
    bool m_unsaved = false;
    // The table changed since it was last written to any file.
    bool m_dirty = false;
    bool m_loading = false;
    SaveAlarm *m_alarm = nullptr;
    QTimer m_saveTimer;
};
