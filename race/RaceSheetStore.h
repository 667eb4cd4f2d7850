#pragma once
// The race's sheet as the program keeps it, beside the record store: the one
// code that changes the sheet.  Every change comes as a SheetChange through
// apply, which journals it, applies it, writes the sheet file whole and
// atomically and tells everyone through sheetChanged (the lists rebuild, the
// undo history takes a step).
//
// The file follows the data file: open() reads the sheet beside a data file
// just opened, startNew() begins without one, saveAs() writes the sheet
// beside a new name.  A sheet file that cannot be read is never overwritten
// unasked: the race goes on without it, the operator is told which file and
// why, and the first change asks before replacing it.
#include "RaceSheet.h"
#include "SheetChange.h"

#include <QObject>
#include <QString>
#include <memory>

class ChangeJournal;
class Dialogs;

class RaceSheetStore : public QObject {
    Q_OBJECT
public:
    explicit RaceSheetStore(Dialogs *dialogs = nullptr, QObject *parent = nullptr);

    const RaceSheet &sheet() const { return *m_sheet; }
    // The sheet as it is now, never changed after: a refresh may keep it.
    std::shared_ptr<const RaceSheet> snapshot() const { return m_sheet; }
    // The sheet file (beside the data file); empty before the first open(),
    // startNew() or saveAs().
    QString fileName() const { return m_path; }
    // Every change is written here before it is applied; null: none kept.
    void setJournal(ChangeJournal *journal) { m_journal = journal; }

    // Reads the sheet beside `dataFile`.  A missing file is an empty sheet;
    // one that cannot be read leaves the sheet empty, tells the operator and
    // is kept as it is (unreadable() until a change replaces it).  True when
    // the file was read or missing.  Tells sheetReplaced.
    bool open(const QString &dataFile);
    // An empty sheet beside `dataFile`, no file written until a change.
    // Tells sheetReplaced.
    void startNew(const QString &dataFile);
    // The sheet beside the new data file: written there when it holds
    // anything, else left unwritten (the old name's file stays as it is).
    // False, told to the operator, when the write fails.
    bool saveAs(const QString &dataFile);

    // Whether the file beside the data file could not be read, and why.
    bool unreadable() const { return !m_problem.isEmpty(); }
    QString problem() const { return m_problem; }

    // Whether apply would carry the change out now: every edit finds what
    // its `before` says and sets what a sheet may hold.
    bool canApply(const SheetChange &change) const;
    // The one way the sheet changes.  Unless the change does not apply, or
    // replaces an unreadable file the operator wants kept, it is journaled,
    // applied, written and told by sheetChanged; true is returned.  A failed
    // write is told to the operator: the change stays applied and in the
    // journal, and the next change writes the file again.
    bool apply(const SheetChange &change);

signals:
    // apply carried out `change`.
    void sheetChanged(const SheetChange &change);
    // Another sheet: opened, started anew.
    void sheetReplaced();

private:
    bool write();

    Dialogs *m_dialogs;
    ChangeJournal *m_journal = nullptr;
    std::shared_ptr<const RaceSheet> m_sheet;
    QString m_path;
    QString m_problem;  // why the file at m_path could not be read; empty when it could
};
