#pragma once
// Unnamed races that a run of the program left behind when it did not end
// cleanly (a crash, a kill, a power cut): temporary data files "~<hex>.tmp"
// that hold records and whose lock file is stale (TempDataFile.h).  The main
// window offers them once at every start, after the journals, so that a race
// timed without a name is never lost from sight.
//
// A file that another running program works in is never offered: its lock is
// held.  The locks of the files found are held from the moment they are found
// to the end of this run, so that a program started meanwhile does not offer
// them too; those of races not opened are then left behind on purpose, stale
// again, so that the next start offers them again ("Ne" leaves a race where
// it is, still unclaimed).  Nothing here changes a file that holds anything;
// a left temporary file that is empty is removed.
#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

class Dialogs;
class QLockFile;
class RecordStore;

struct LeftRace {
    QString path;
    QDateTime modified;  // when the race was last saved
    int records = 0;
};

class LeftRaces {
public:
    // Looks in every folder a temporary data file may be made in
    // (TempFolderCandidates); `inUse` is the file the store works in.
    explicit LeftRaces(const QString &inUse);
    ~LeftRaces();
    LeftRaces(const LeftRaces &) = delete;
    LeftRaces &operator=(const LeftRaces &) = delete;

    // Newest first.
    const std::vector<LeftRace> &races() const { return m_races; }
    // The one question that names them all; the newest is the one to open.
    QString Question() const;
    // Lets go of the newest race's lock, for the store that opens it.
    void ReleaseNewest();
    // Holds it again, when opening it failed.
    void ReclaimNewest();

private:
    std::vector<LeftRace> m_races;
    std::vector<std::unique_ptr<QLockFile>> m_locks;  // one per race, in the same order
};

// "1 záznam", "3 záznamy", "5 záznamů".
QString CzechRecordCount(int count);

// The whole offer at start: finds the races, asks once, and on "Ano" opens
// the newest into the store, which stays unnamed.  True when it did.
bool OfferLeftRaces(RecordStore &data, Dialogs &dialogs);
