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
#include <QObject>
#include <QString>

class Dialogs;
class RacerTable;

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

private:
    void TableChanged();

    RacerTable &m_table;
    Dialogs &m_dialogs;
    QString m_dataFile;
    QString m_racerFile;
    // The table holds changes that no racer file holds (typed, imported).
    bool m_unsaved = false;
    bool m_loading = false;
};
