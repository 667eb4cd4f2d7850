#include "ImpulseRow.h"

namespace {

const QString PreselectionCaption = QStringLiteral("Před.IMPULS");

// The impulse kinds, each with the caption that names it.
constexpr ImpulseKind ImpulseKinds[] = {ImpulseKind::ImpulseFB1, ImpulseKind::ImpulseFB2, ImpulseKind::ImpulseEither};

}  // namespace

ImpulseRow ImpulseRow::Impulse(ImpulseKind kind, DayTime time)
{
    ImpulseRow row;
    row.kind = kind;
    row.time = time;
    return row;
}

ImpulseRow ImpulseRow::Preselection(ImpulseKind kind, int number)
{
    ImpulseRow row;
    row.kind = kind;
    row.number = number;
    return row;
}

bool ImpulseRow::isImpulse() const
{
    return kind != ImpulseKind::Preselection && kind != ImpulseKind::RaceStartPreselection;
}

QString ImpulseRow::caption() const
{
    switch (kind) {
    case ImpulseKind::ImpulseFB1: return QStringLiteral("IMPULS FB1");
    case ImpulseKind::ImpulseFB2: return QStringLiteral("IMPULS FB2");
    case ImpulseKind::ImpulseEither: return QStringLiteral("IMPULS");
    case ImpulseKind::Preselection:
    case ImpulseKind::RaceStartPreselection: break;
    }
    return PreselectionCaption;
}

QString ImpulseRow::valueText() const
{
    return isImpulse() ? DayTimeToText(time) : QString::number(number);
}

ImpulseKind PreselectionKindIn(JournalList list)
{
    return list == JournalList::Start ? ImpulseKind::RaceStartPreselection : ImpulseKind::Preselection;
}

JournalEntry JournalRowEntry(JournalList list, const ImpulseRow &row)
{
    JournalEntry e;
    e.kind = JournalKind::Row;
    e.list = list;
    e.rowId = row.id;
    e.caption = row.caption();
    e.subItem = row.valueText();
    return e;
}

std::optional<ImpulseRow> ImpulseRowOfJournal(JournalList list, const QString &caption, const QString &valueText)
{
    if (caption == PreselectionCaption)
        return ImpulseRow::Preselection(PreselectionKindIn(list), ReadIntField(valueText, 0));
    for (const ImpulseKind kind : ImpulseKinds) {
        ImpulseRow row = ImpulseRow::Impulse(kind, TextToDayTime(valueText));
        if (caption == row.caption())
            return row;
    }
    return std::nullopt;
}
