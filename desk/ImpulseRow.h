#pragma once
// One row of an impulse list as the desk keeps it: its kind, the time of an
// impulse and the number a preselection waits to assign.  The texts the lists
// show are made from these values, and so are the journal's texts of a row;
// only a journal read back after a crash turns texts into rows again.
#include "DayTime.h"
#include "JournalEntry.h"

#include <QString>
#include <QtGlobal>
#include <optional>

enum class ImpulseKind {
    ImpulseFB1,             // "IMPULS FB1": the start photocell
    ImpulseFB2,             // "IMPULS FB2": the finish photocell
    ImpulseEither,          // "IMPULS": either photocell, when both finish
    Preselection,           // "Před.IMPULS": a number waiting for a finish impulse
    RaceStartPreselection,  // "Před.IMPULS": the race start waiting for a start impulse
};

struct ImpulseRow {
    quint64 id = 0;  // stays with the row while other rows come and go
    ImpulseKind kind = ImpulseKind::ImpulseFB1;
    DayTime time = 0;  // an impulse's time of day; 0 for a preselection
    int number = 0;    // the number a preselection assigns; 0 for an impulse

    static ImpulseRow Impulse(ImpulseKind kind, DayTime time);
    static ImpulseRow Preselection(ImpulseKind kind, int number);

    bool isImpulse() const;
    // The photocell column: "IMPULS FB1", "IMPULS FB2", "IMPULS" or "Před.IMPULS".
    QString caption() const;
    // The time column: an impulse's time as hh:mm:ss,zzz, a preselection's number.
    QString valueText() const;

    bool operator==(const ImpulseRow &) const = default;
};

// The kind of the preselections a list holds: those of the start list wait
// for the race start's impulse.
ImpulseKind PreselectionKindIn(JournalList list);

// The journal line of a row coming into `list`: its id and its two shown texts.
JournalEntry JournalRowEntry(JournalList list, const ImpulseRow &row);

// The row a journal line of `list` names by its shown texts (an id of 0);
// nothing when the caption is none a row has.  Times and numbers are read as
// the lists always read them back: an unreadable field counts as 0.
std::optional<ImpulseRow> ImpulseRowOfJournal(JournalList list, const QString &caption, const QString &valueText);
