#include "TimingDesk.h"

#include "TempDataFile.h"

#include "Clock.h"
#include "Dialogs.h"
#include "JournalKeeper.h"
#include "RaceSheetStore.h"
#include "RacerDirectory.h"

#include <QScopedValueRollback>

namespace {

const QString MsgWrongSelection = QStringLiteral(
    "Neplatná obsluha: v seznamu vybraná položka není impuls od fotobuňky. Výběr bude zrušen.");
const QString MsgNoImpulse = QStringLiteral("Neexistuje impuls od fotobuňky k přiřazení!");
const QString MsgNewFileQuestion = QStringLiteral("Opravdu chcete vytvořit nový prázdný datový soubor?");
const QString DataFileDialogTitle = QStringLiteral("Datový soubor záznamu časů...");
const QString DataFileFilter = QStringLiteral("Soubory CSV (*.csv *.csvz)|*.csv;*.csvz|Všechny soubory (*.*)|*.*");
const QString DataFileSuffix = QStringLiteral("csvz");
const QString NoLabel = QStringLiteral("---");
const QString MsgUnsavedChanges = QStringLiteral(
    "Poslední změny nejsou uloženy: datový soubor se nepodařilo zapsat.\n\n"
    "Zkusit je uložit znovu? (Ne: pokračovat a neuložené změny zahodit.)");

JournalEntry FilteredEntry(JournalList list, DayTime t)
{
    JournalEntry e;
    e.kind = JournalKind::Filtered;
    e.list = list;
    e.time = t;
    return e;
}

}  // namespace

TimingDesk::TimingDesk(RecordStore &data, Dialogs &dialogs, RacerDirectory *racers, QObject *parent)
    : QObject(parent), m_data(data), m_dialogs(dialogs), m_racers(racers), m_label(NoLabel)
{
    connect(&m_data, &RecordStore::recordsChanged, this, &TimingDesk::RecordsChanged);
}

// ---------------------------------------------------------------------------
// Impulses

// One window for both photocells: an impulse passes only when it comes more
// than the window after the last impulse that passed.  An impulse earlier than
// that one (after midnight, or after the clock was set back) passes too and
// becomes the new reference; otherwise the filter would swallow every impulse
// for most of a day.  Before the first impulse nothing is filtered.
bool TimingDesk::Filtered(DayTime t) const
{
    const int index = m_settings.filterIndex;
    if (index <= 0 || !m_anyImpulsePassed)
        return false;
    const DayTime window = 500 * index + 1000;
    return t >= m_lastImpulseTime && t - m_lastImpulseTime <= window;
}

// The journal holds the stamp already; it learns what became of it.
void TimingDesk::PostStartImpulse(DayTime t)
{
    if (Filtered(t)) {
        Journal({FilteredEntry(JournalList::Start, t)});
        return;
    }
    AppendRow(m_startList, ImpulseRow::Impulse(ImpulseKind::ImpulseFB1, t), t);
    m_lastImpulseTime = t;
    m_anyImpulsePassed = true;
    StartImpulseArrived();
}

void TimingDesk::PostFinishImpulse(DayTime t)
{
    if (Filtered(t)) {
        Journal({FilteredEntry(JournalList::Finish, t)});
        return;
    }
    AppendRow(m_finishList, ImpulseRow::Impulse(FinishKind(), t), t);
    m_lastImpulseTime = t;
    m_anyImpulsePassed = true;
    FinishImpulseArrived();
}

// Simulated impulses bypass the filter and leave LastImpulseTime alone.
void TimingDesk::simulateStartImpulse()
{
    const DayTime time = NowDayTime();
    if (m_settings.photocellMode == 1) {
        AppendRow(m_finishList, ImpulseRow::Impulse(ImpulseKind::ImpulseEither, time));
        FinishImpulseArrived();
    } else {
        AppendRow(m_startList, ImpulseRow::Impulse(ImpulseKind::ImpulseFB1, time));
        StartImpulseArrived();
    }
}

void TimingDesk::simulateFinishImpulse()
{
    AppendRow(m_finishList, ImpulseRow::Impulse(FinishKind(), NowDayTime()));
    FinishImpulseArrived();
}

void TimingDesk::deleteSelectedImpulse()
{
    HideManualEntry();
    if (m_startList.selectedRow() >= 0)
        RemoveRow(m_startList, m_startList.selectedRow());
    else if (m_finishList.selectedRow() >= 0)
        RemoveRow(m_finishList, m_finishList.selectedRow());
}

void TimingDesk::deleteAllImpulses()
{
    HideManualEntry();
    DeskStep step;
    step.text = QStringLiteral("smazání všech impulsů");
    for (const ImpulseListModel *list : {&m_startList, &m_finishList}) {
        for (int row = 0; row < list->size(); ++row)
            step.rows.push_back(Removal(*list, row));
    }
    if (!step.empty())
        Change(std::move(step));
}

// ---------------------------------------------------------------------------
// Journal

JournalList TimingDesk::ListOf(const ImpulseListModel &list) const
{
    return &list == &m_startList ? JournalList::Start : JournalList::Finish;
}

void TimingDesk::Journal(const std::vector<JournalEntry> &entries)
{
    if (m_journal && !entries.empty())
        m_journal->Write(entries);
}

void TimingDesk::AppendRow(ImpulseListModel &list, ImpulseRow row, std::optional<DayTime> stamp, const QString &text)
{
    DeskStep step;
    step.text = text;
    RowEdit e;
    e.list = ListOf(list);
    e.row = row;
    e.row.id = list.nextId();
    e.fromModule = stamp.has_value();
    e.stamp = stamp.value_or(0);
    step.rows.push_back(e);
    // An impulse that arrives is no operator action: nothing to take back.
    if (text.isEmpty())
        Apply(step);
    else
        Change(std::move(step));
}

RowEdit TimingDesk::Removal(const ImpulseListModel &list, int row) const
{
    RowEdit e;
    e.list = ListOf(list);
    e.removed = true;
    e.row = list.at(row);
    return e;
}

void TimingDesk::RemoveRow(ImpulseListModel &list, int row)
{
    DeskStep step;
    const ImpulseRow &r = list.at(row);
    step.text = r.isImpulse() ? QStringLiteral("smazání impulsu (%1)").arg(r.valueText())
                              : QStringLiteral("smazání předvolby čísla %1").arg(r.valueText());
    step.rows.push_back(Removal(list, row));
    Change(std::move(step));
}

std::vector<JournalEntry> TimingDesk::JournalRows() const
{
    std::vector<JournalEntry> rows;
    for (const ImpulseListModel *list : {&m_startList, &m_finishList}) {
        for (const ImpulseRow &row : list->rows())
            rows.push_back(JournalRowEntry(ListOf(*list), row));
    }
    return rows;
}

QString TimingDesk::WaitingRowsText(int rows)
{
    if (rows <= 0)
        return {};
    // Czech counts 1, 2 to 4, and 0 or 5 and more apart (21 too: "21 impulsů").
    const QString phrase = rows == 1   ? QStringLiteral("čeká %1 impuls; program jej")
                           : rows <= 4 ? QStringLiteral("čekají %1 impulsy; program je")
                                       : QStringLiteral("čekají %1 impulsů; program je");
    return QStringLiteral("V seznamech ") + phrase.arg(rows) + QStringLiteral(" nabídne při příštím spuštění.");
}

ImpulseKind TimingDesk::FinishKind() const
{
    return m_settings.photocellMode == 1 ? ImpulseKind::ImpulseEither : ImpulseKind::ImpulseFB2;
}

// ---------------------------------------------------------------------------
// Number entry

int TimingDesk::DisplayNumber() const
{
    return ReadIntField(m_display, 0);
}

QString TimingDesk::LabelOf(int number) const
{
    return m_racers ? m_racers->RacerLabel(number) : QString();
}

void TimingDesk::SetDisplay(const QString &number, const QString &label)
{
    m_display = number;
    m_label = label;
    emit displayChanged(m_display, m_label);
}

void TimingDesk::ResetDisplay()
{
    SetDisplay(QStringLiteral("0"), NoLabel);
}

void TimingDesk::pressKey(const QString &caption)
{
    int n = DisplayNumber();
    if (caption.size() == 1 && caption[0] >= u'0' && caption[0] <= u'9') {
        n = n * 10 + (caption[0].unicode() - u'0');
        // A fifth digit does not extend the number: it starts it over.
        if (n > 9999)
            n = 0;
    } else if (caption == QLatin1String("<")) {
        n /= 10;
    }
    SetDisplay(QString::number(n), LabelOf(n));
    emit focusInsertRequested();
}

// ---------------------------------------------------------------------------
// Assignment

TimeRecordPtr TimingDesk::MakeRecord(int number, DayTime time, std::vector<RowEdit> rows)
{
    DeskStep step;
    step.text = number == RaceStartNumber ? QStringLiteral("start závodu (%1)").arg(DayTimeToText(time))
                                          : QStringLiteral("přiřazení ") + NumberAndTime(number, time);
    step.records.edits.push_back(RecordEdit::Added({number, time, 0}));
    step.records.selectNumber = number;
    if (m_preselectionUsed) {
        rows.push_back(*m_preselectionUsed);
        m_preselectionUsed.reset();
    }
    step.rows = std::move(rows);
    const TimeRecordPtr record = step.records.edits.front().record;
    // "&Uložit" in all but name: the Save-as dialog at most once per data
    // file, before the record is saved under that name.
    NameUnnamedFile();
    Change(std::move(step), true);
    return record;
}

QString TimingDesk::OlderImpulseText(DayTime time, int waiting)
{
    const QString verb = waiting >= 2 && waiting <= 4 ? QStringLiteral("čekají") : QStringLiteral("čeká");
    return QStringLiteral("Přiřazen impuls %1; %2 ještě %3").arg(DayTimeToText(time), verb).arg(waiting);
}

QString TimingDesk::WaitingCountText(int waiting)
{
    return QStringLiteral("Čeká: %1").arg(waiting);
}

TimingDesk::Assignment TimingDesk::AssignFromList(ImpulseListModel &list, ImpulseKind kind)
{
    int impulse = list.selectedRow();
    if (impulse >= 0 && list.at(impulse).kind != kind) {
        m_dialogs.message(MsgWrongSelection);
        list.clearSelection();
        return {true, nullptr};
    }
    if (impulse < 0)
        impulse = list.findFirst(kind);

    if (impulse >= 0) {
        const DayTime time = list.at(impulse).time;
        // A number typed for an impulse that is not the last of its list
        // takes an older one: said at once, or every racer after it gets the
        // time of the one before.
        int newer = 0;
        for (int row = impulse + 1; row < list.size(); ++row)
            newer += list.at(row).kind == kind ? 1 : 0;
        // The record and the impulse it takes go into the journal together.
        TimeRecordPtr record = MakeRecord(DisplayNumber(), time, {Removal(list, impulse)});
        if (record && newer > 0)
            emit olderImpulseTaken(OlderImpulseText(time, list.size()));
        return {false, record};
    }
    if (m_settings.functionMode == 2)
        AppendRow(list, ImpulseRow::Preselection(PreselectionKindIn(ListOf(list)), DisplayNumber()), std::nullopt,
                  QStringLiteral("předvolba čísla %1").arg(m_display));
    else
        m_dialogs.message(MsgNoImpulse);
    return {false, nullptr};
}

void TimingDesk::insert()
{
    RunExclusive([this] { RecordDisplayedNumber(); });
}

void TimingDesk::startRace()
{
    RunExclusive([this] { RecordRaceStart(); });
}

void TimingDesk::RecordDisplayedNumber()
{
    TimeRecordPtr record;
    if (m_settings.functionMode == 0) {
        record = MakeRecord(DisplayNumber(), NowDayTime());
    } else {
        const Assignment a = AssignFromList(m_finishList, FinishKind());
        if (a.aborted)
            return;
        record = a.record;
    }
    ClosingSteps(record);
}

void TimingDesk::RecordRaceStart()
{
    SetDisplay(QString::number(RaceStartNumber), m_label);
    if (m_settings.photocellMode == 1) {
        // With one list the race start is an ordinary insert of 10000; START
        // then closes on its own, which saves once more.
        RecordDisplayedNumber();
        ClosingSteps(nullptr);
        return;
    }
    TimeRecordPtr record;
    if (m_settings.functionMode == 0) {
        record = MakeRecord(RaceStartNumber, NowDayTime());
    } else {
        const Assignment a = AssignFromList(m_startList, ImpulseKind::ImpulseFB1);
        if (a.aborted)
            return;
        record = a.record;
    }
    ClosingSteps(record);
}

// An assignment may open dialogs (the Save-as of the closing steps, a
// message), and the module link goes on delivering impulses while one is
// open.  Those impulses are in their lists already; their arrival checks wait
// here and run in order once the assignment under way has ended, so that no
// second assignment, and no second dialog, starts inside the first.  A Vlož or
// START pressed meanwhile is ignored.
void TimingDesk::RunExclusive(const std::function<void()> &operation)
{
    if (m_assigning)
        return;
    const QScopedValueRollback busy(m_assigning, true);
    operation();
    while (!m_waitingArrivals.empty()) {
        const bool start = m_waitingArrivals.front();
        m_waitingArrivals.pop_front();
        if (start)
            ImpulseArrived(m_startList, ImpulseKind::ImpulseFB1, true);
        else
            ImpulseArrived(m_finishList, FinishKind(), false);
    }
}

void TimingDesk::ArrivalCheck(bool start)
{
    m_waitingArrivals.push_back(start);
    RunExclusive([] {});
}

void TimingDesk::ClosingSteps(const TimeRecordPtr &record)
{
    // A record was saved (and the lists refreshed) as it was made; without
    // one, "&Uložit" in all but name.
    if (!record)
        save();
    ResetDisplay();
}

// A preselection waits until an impulse of its kind arrives; the oldest
// preselection is completed first.
void TimingDesk::ImpulseArrived(ImpulseListModel &list, ImpulseKind impulse, bool start)
{
    if (list.empty() || list.at(list.size() - 1).kind != impulse)
        return;
    const int found = list.findFirst(PreselectionKindIn(ListOf(list)));
    if (found < 0)
        return;
    // The assignment below removes an impulse row, possibly above this one,
    // so the preselection row is followed by its id, not its position.
    const quint64 preselection = list.at(found).id;
    const int number = list.at(found).number;
    SetDisplay(QString::number(number), LabelOf(number));
    m_preselectionUsed = Removal(list, found);
    if (start)
        RecordRaceStart();
    else
        RecordDisplayedNumber();
    list.clearSelection();
    // No record took it along (the selection check refused the assignment):
    // it goes on its own, and cannot be taken back apart from its impulse.
    if (m_preselectionUsed) {
        m_preselectionUsed.reset();
        const int row = list.indexOfId(preselection);
        if (row >= 0) {
            DeskStep step;
            step.rows.push_back(Removal(list, row));
            Apply(step);
        }
    }
}

void TimingDesk::StartImpulseArrived()
{
    ArrivalCheck(true);
}

void TimingDesk::FinishImpulseArrived()
{
    ArrivalCheck(false);
}

// ---------------------------------------------------------------------------
// Record list and data file

void TimingDesk::Refresh(int number)
{
    emit refreshRequested(number);
}

void TimingDesk::HideManualEntry()
{
    emit manualEntryHideRequested();
}

FileRequest TimingDesk::DataFileRequest(const QString &proposed) const
{
    return FileRequest{DataFileDialogTitle, DataFileFilter, DataFileSuffix, proposed};
}

void TimingDesk::deleteRecord(const TimeRecordPtr &selected)
{
    if (selected && m_data.Contains(selected.get())) {
        DeskStep step;
        step.text = QStringLiteral("smazání záznamu ") + NumberAndTime(selected->Number, selected->Time);
        step.records.edits.push_back(RecordEdit::Deleted(selected));
        if (Change(std::move(step)))
            return;
    }
    // Saved even when nothing was selected, and never via the Save-as dialog.
    m_data.Save();
    Refresh(-1);
}

void TimingDesk::editRecord(const TimeRecordPtr &selected)
{
    if (selected)
        emit manualEntryRequested(selected);
}

void TimingDesk::refreshLists()
{
    Refresh(-1);
}

bool TimingDesk::ConfirmUnsavedChanges()
{
    // A write still under way decides whether there is anything to ask.
    if (m_data.WaitForWrites())
        return true;
    if (!m_dialogs.question(QString(), MsgUnsavedChanges, MsgIcon::Warning))
        return true;  // the operator lets them go
    // Save reports why it failed again; the command then does not go on, so
    // that the operator can make room and try once more.
    m_data.Save(true);
    return m_data.WaitForWrites();
}

void TimingDesk::newFile()
{
    HideManualEntry();
    if (!ConfirmUnsavedChanges()) {
        Refresh(-1);
        return;
    }
    if (m_dialogs.question(QString(), MsgNewFileQuestion, MsgIcon::Warning)) {
        try {
            m_data.NewFile();
            if (m_sheet)
                m_sheet->startNew(m_data.FileName);
            m_history.clear();
            emit dataFileReplaced(false);
            emit dataFileChanged();
        } catch (const TikomatError &e) {
            m_dialogs.message(e.text, MsgIcon::Critical);
        }
    }
    Refresh(-1);
}

void TimingDesk::openFile()
{
    if (!ConfirmUnsavedChanges())
        return;
    const auto path = m_dialogs.openFile(DataFileRequest(m_proposedOpenName));
    if (!path)
        return;
    OpenDataFile(*path);
}

bool TimingDesk::OpenDataFile(const QString &path)
{
    HideManualEntry();
    m_proposedOpenName = path;
    // A failed load leaves the store as it was, temporary name included; it
    // must then keep asking for a name, or the next inserts would silently go
    // on into the temporary file.  Nor may the next Save-as propose the file
    // that failed: accepting that dialog would overwrite it.
    const bool opened = m_data.Load(path);
    if (opened) {
        // An unnamed race reopened stays unnamed: its first insert asks for a name.
        const bool unnamed = IsTemporaryDataFileName(path);
        m_data.Unnamed = unnamed;
        if (!unnamed)
            m_proposedSaveName = path;
        m_history.clear();
        if (m_sheet)
            m_sheet->open(m_data.FileName);
        emit dataFileReplaced(true);
        emit dataFileChanged();
    }
    Refresh(-1);
    return opened;
}

void TimingDesk::saveAs()
{
    const auto path = m_dialogs.saveFile(DataFileRequest(m_proposedSaveName));
    if (!path)
        return;
    m_proposedSaveName = *path;
    m_data.SaveAs(*path);
    if (m_sheet)
        m_sheet->saveAs(m_data.FileName);
    m_data.Unnamed = false;
    emit dataFileChanged();
    m_history.clear();
}

void TimingDesk::NameUnnamedFile()
{
    if (!m_data.Unnamed)
        return;
    if (const auto path = m_dialogs.saveFile(DataFileRequest(m_proposedSaveName))) {
        m_proposedSaveName = *path;
        m_data.SetFileName(*path);
        if (m_sheet)
            m_sheet->saveAs(m_data.FileName);
        emit dataFileChanged();
    }
    // Cleared also after a cancelled dialog: the data then stays in the
    // temporary file, and the dialog does not come back for this data file.
    m_data.Unnamed = false;
}

void TimingDesk::save()
{
    if (m_data.Unnamed)
        saveAs();
    // Cleared also after a cancelled dialog: the data then stays in the
    // temporary file, and the dialog does not come back for this data file.
    m_data.Unnamed = false;
    m_data.Save(true);
}
