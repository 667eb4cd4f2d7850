#include "ManualEntry.h"

#include "PassageClock.h"

#include "Clock.h"
#include "DataFileReader.h"
#include "DayTime.h"
#include "Dialogs.h"
#include "QuotedInput.h"

#include <cstdlib>
#include <optional>

namespace {

const QString MsgBadNumber = QStringLiteral("Neplatné číslo závodníka!");
const QString MsgPenaltyRange = QStringLiteral("Trestné vteřiny mohou být nejvýše %1 (jeden den) a nejméně -%1; "
                                               "%2 mezi ně nepatří.");

// The penalty as a whole number: leading blanks are skipped, anything else
// that is not a decimal integer is refused.
std::optional<int> ReadPenalty(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' '))
        ++start;
    bool ok = false;
    const int value = QStringView(text).mid(start).toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

ManualEntry::ManualEntry(RecordStore &data, Dialogs &dialogs, QObject *parent)
    : QObject(parent), m_data(data), m_dialogs(dialogs)
{}

void ManualEntry::setTyped(const QString &time, const QString &number, const QString &penalty)
{
    m_fields.time = time;
    m_fields.number = number;
    m_fields.penalty = penalty;
}

void ManualEntry::SetRaceStart(bool ticked)
{
    m_fields.raceStart = ticked;
    m_fields.number = ticked ? QString::number(RaceStartNumber) : QString();
}

void ManualEntry::markRaceStart(bool ticked)
{
    SetRaceStart(ticked);
    emit fieldsChanged();
}

void ManualEntry::OpenNew()
{
    m_edited.reset();
    m_editingStored = false;
    if (m_fields.raceStart)
        SetRaceStart(false);
    m_fields.time = DayTimeToText(NowDayTime());
    m_fields.number.clear();
    // The penalty field keeps what it shows: a penalty typed for one entry
    // carries over to the next.
    m_shown = true;
    emit fieldsChanged();
    emit showRequested();
}

void ManualEntry::OpenRecord(const TimeRecordPtr &record)
{
    if (!record)
        return;
    m_edited = record;
    m_editingStored = true;
    const bool start = record->Number == RaceStartNumber;
    if (start != m_fields.raceStart)
        SetRaceStart(start);
    m_fields.penalty = QString::number(record->Penalty);
    m_fields.time = DayTimeToText(record->Time);
    m_fields.number = QString::number(record->Number);
    m_shown = true;
    emit fieldsChanged();
    emit showRequested();
}

QString ManualEntry::RaceTimeText(const QString &timeText) const
{
    if (m_fields.raceStart || timeText.contains(u'_') || timeText.trimmed().size() < 12)
        return {};
    const DayTime time = TextToDayTime(timeText);
    // The latest race start at or before the time; the edited record is not
    // a start of itself.
    bool found = false;
    DayTime start = 0;
    for (const TimeRecordPtr &record : m_data.records()) {
        if (record == m_edited || record->Number != RaceStartNumber || record->Time > time)
            continue;
        if (!found || record->Time > start)
            start = record->Time;
        found = true;
    }
    if (!found)
        return QStringLiteral("bez startu");
    PassageClock clock;
    clock.startRace(start);
    const PassageClock::Reading reading = clock.measure(time);
    switch (reading.kind) {
    case PassageClock::Reading::Kind::Measured: return DayTimeToText(reading.elapsed);
    case PassageClock::Reading::Kind::BeforeStart: return QStringLiteral("před startem");
    case PassageClock::Reading::Kind::NoStart: break;
    }
    return QStringLiteral("bez startu");
}

void ManualEntry::confirm()
{
    if (m_edited && m_editingStored && !m_data.Contains(m_edited.get())) {
        Close();
        return;
    }
    if (!m_edited)
        m_edited = std::make_shared<TimeRecord>();

    // Every field is read before the record is touched, so that a refused
    // field leaves a stored record exactly as it was.
    const DayTime time = TextToDayTime(m_fields.time);
    bool numberOk = false;
    const int number = m_fields.number.trimmed().toInt(&numberOk, 10);
    // A number or a penalty beyond what a data file holds would make the
    // record's line unreadable at the next opening of the file.
    if (!numberOk || number < 0 || number > MaxRecordNumber) {
        m_dialogs.message(MsgBadNumber);
        emit focusRequested(Field::Number);
        return;
    }
    const std::optional<int> penalty = ReadPenalty(m_fields.penalty);
    if (!penalty) {
        m_dialogs.message(QStringLiteral("'%1' is not a valid integer value").arg(QuotedInput(m_fields.penalty)),
                          MsgIcon::Critical);
        return;
    }
    if (std::abs(*penalty) > MaxPenaltySeconds) {
        m_dialogs.message(MsgPenaltyRange.arg(MaxPenaltySeconds).arg(*penalty), MsgIcon::Critical);
        return;
    }

    const bool stored = m_data.Contains(m_edited.get());
    RecordChange change;
    const RecordValues values{number, time, *penalty};
    change.edits.push_back(stored ? RecordEdit::Edited(m_edited, values) : RecordEdit::Added(m_edited, values));
    // Straight into the current file, even an unnamed one: a dialog here
    // would stand between the operator and the next impulse.
    m_data.apply(change);
    m_fields.penalty = QStringLiteral("0");
    emit fieldsChanged();
    m_editingStored = true;
    Close();
}

void ManualEntry::cancel()
{
    Close();
}

void ManualEntry::Closed()
{
    m_shown = false;
}

void ManualEntry::Hide()
{
    m_shown = false;
    emit hideRequested();
}

void ManualEntry::Close()
{
    emit focusRequested(Field::Time);
    m_shown = false;
    emit hideRequested();
}
