#pragma once
// The manual time entry: times no photocell caught, race starts taken by
// hand and corrections of recorded times.  It holds what the dialog "Ruční
// zadání časů" shows (the texts of its fields and the record it edits) and
// decides what opening, the check box, OK and Storno do; the dialog
// (ManualEntryDialog) only mirrors the fields and forwards clicks.
//
// Callers: the main window opens it (new entry, a record of the record list)
// and hides it for the commands that replace or empty the store; the dialog
// drives the rest.  It never writes a record that has left the store, and it
// changes a stored record only when every field of the dialog is valid.
#include "RecordStore.h"

#include <QObject>
#include <QString>

class Dialogs;

class ManualEntry : public QObject {
    Q_OBJECT
public:
    // The dialog's fields as texts, exactly as shown.
    struct Fields {
        QString time;                           // "Čas", hh:mm:ss,zzz
        QString number;                         // "Číslo"
        bool raceStart = false;                 // "Toto je čas startu závodu"
        QString penalty = QStringLiteral("0");  // "Trestné vteřiny"
    };
    enum class Field { Time, Number };

    ManualEntry(RecordStore &data, Dialogs &dialogs, QObject *parent = nullptr);

    const Fields &fields() const { return m_fields; }
    // The number field is locked while it shows the race start's number.
    bool numberEnabled() const { return !m_fields.raceStart; }
    bool isShown() const { return m_shown; }
    // The record being edited: none for a fresh new entry, a record of the
    // store, a new record a failed OK left behind, or a record that has left
    // the store meanwhile.  Not owned.  Its changes go through the store's
    // apply, which journals, saves and tells the lists.
    const TimeRecordPtr &EditedRecord() const { return m_edited; }

    // The texts the operator typed; the dialog hands them over before the
    // check box and OK act.
    void setTyped(const QString &time, const QString &number, const QString &penalty);

    // "No&vý zázn. ručně / start ručně": a new entry at the current time of day.
    void OpenNew();
    // Double click or F2 on the record list: edit that record.
    void OpenRecord(const TimeRecordPtr &record);
    // The other commands hide the dialog; fields and record stay.
    void Hide();

    // "Čas od startu:" beside the time of day typed as `timeText`: measured
    // from the latest race start of the store at or before it, as the record
    // list measures it; "před startem" or "bez startu" when it cannot be;
    // empty for the race start itself or a time not yet whole.
    QString RaceTimeText(const QString &timeText) const;

    // The dialog's own handlers.
    // "Toto je čas startu závodu" ticked or not: the number field takes the
    // race start's number and is locked, or is emptied and unlocked.
    void markRaceStart(bool ticked);
    void confirm();  // OK
    void cancel();   // Storno
    void Closed();   // the close box

signals:
    // fields() changed; the dialog shows them again.
    void fieldsChanged();
    void showRequested();
    void hideRequested();
    void focusRequested(ManualEntry::Field field);

private:
    void SetRaceStart(bool ticked);
    // Storno and a finished OK: the focus back to the time field, then hidden.
    void Close();

    RecordStore &m_data;
    Dialogs &m_dialogs;
    Fields m_fields;
    TimeRecordPtr m_edited;
    // m_edited was opened from the record list (or stored by an OK): once it
    // is no longer in the store, OK only closes the dialog.
    bool m_editingStored = false;
    bool m_shown = false;
};
