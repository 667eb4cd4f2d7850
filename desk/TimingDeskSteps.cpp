// The desk's one path of impulse rows and record changes, and its undo
// history: each operator action is a DeskStep, applied here and kept as a
// command of the QUndoStack.
#include "TimingDesk.h"

#include "Dialogs.h"
#include "Clock.h"
#include "JournalKeeper.h"
#include "RaceSheetStore.h"

#include <QScopedValueRollback>

namespace {

const QString MsgUndoRefused = QStringLiteral(
    "Krok „%1“ nelze vrátit: záznam nebo impuls, kterého se týká, byl mezitím změněn nebo smazán.");
const QString MsgRedoRefused = QStringLiteral(
    "Krok „%1“ nelze provést znovu: záznam nebo impuls, kterého se týká, byl mezitím změněn nebo smazán.");

// What the history calls a change of the records made outside the desk.
QString RecordChangeText(const RecordChange &change)
{
    if (change.edits.size() != 1)
        return QStringLiteral("změna záznamů (%1)").arg(change.edits.size());
    const RecordEdit &e = change.edits.front();
    switch (e.kind) {
    case RecordEdit::Kind::Added: return QStringLiteral("ruční záznam ") + NumberAndTime(e.after.number, e.after.time);
    case RecordEdit::Kind::Edited:
        return QStringLiteral("oprava záznamu ") + NumberAndTime(e.after.number, e.after.time);
    case RecordEdit::Kind::Deleted: break;
    }
    return QStringLiteral("smazání záznamu ") + NumberAndTime(e.before.number, e.before.time);
}

}  // namespace

// One step of the history.  The action is applied before it is pushed, so
// the first redo, which QUndoStack calls on push, does nothing.
class DeskCommand : public QUndoCommand {
public:
    DeskCommand(TimingDesk &desk, DeskStep step) : m_desk(desk), m_step(std::move(step)) { setText(m_step.text); }
    const DeskStep &step() const { return m_step; }
    void undo() override { m_desk.Apply(m_step.inverse()); }
    void redo() override
    {
        if (m_pushed)
            m_desk.Apply(m_step);
        m_pushed = true;
    }

private:
    TimingDesk &m_desk;
    DeskStep m_step;
    bool m_pushed = false;
};

// ---------------------------------------------------------------------------
// The one path of rows, and the undo history

bool TimingDesk::CanApply(const DeskStep &step) const
{
    for (const RowEdit &e : step.rows) {
        const ImpulseListModel &list = List(e.list);
        const int at = list.indexOfId(e.row.id);
        if (!e.removed) {
            if (at >= 0)
                return false;
        } else if (at < 0 || !(list.at(at) == e.row)) {
            return false;
        }
    }
    if (!step.sheet.empty() && (!m_sheet || !m_sheet->canApply(step.sheet)))
        return false;
    return step.records.empty() || m_data.canApply(step.records);
}

bool TimingDesk::Apply(const DeskStep &step, bool asked)
{
    if (!CanApply(step))
        return false;
    std::vector<JournalEntry> lines;
    for (const RowEdit &r : step.rows) {
        JournalEntry e;
        if (r.removed) {
            e.kind = JournalKind::RowRemoved;
            e.list = r.list;
            e.rowId = r.row.id;
        } else {
            e = JournalRowEntry(r.list, r.row);
            e.fromModule = r.fromModule;
            e.time = r.stamp;
        }
        lines.push_back(e);
    }
    auto applyRows = [this, &step] {
        for (const RowEdit &r : step.rows) {
            ImpulseListModel &list = List(r.list);
            if (r.removed)
                list.removeRowAt(list.indexOfId(r.row.id));
            else
                list.insertRow(r.row);
        }
    };
    const QScopedValueRollback applying(m_applying, true);
    if (step.records.empty()) {
        Journal(lines);
        applyRows();
        // A sheet file the operator keeps unreadable refuses the change.
        return step.sheet.empty() || m_sheet->apply(step.sheet);
    }
    // The rows change first, within this call: nothing is painted before
    // the store's journal flush, and the save the store hands over (which
    // may start a journal under a new name, with the rows listed now) must
    // see them as they will be.
    applyRows();
    RecordChange change = step.records;
    change.alongside = std::move(lines);
    m_data.apply(change, asked);
    if (!step.sheet.empty())
        m_sheet->apply(step.sheet);
    return true;
}

bool TimingDesk::Change(DeskStep step, bool asked)
{
    if (!Apply(step, asked))
        return false;
    m_history.push(new DeskCommand(*this, std::move(step)));
    return true;
}

void TimingDesk::RecordsChanged(const RecordChange &change)
{
    if (!m_applying) {
        DeskStep step;
        step.text = RecordChangeText(change);
        step.records = change;
        step.records.alongside.clear();
        step.records.selectNumber = -1;
        m_history.push(new DeskCommand(*this, std::move(step)));
    }
}

void TimingDesk::SetSheet(RaceSheetStore *sheet)
{
    if (m_sheet)
        disconnect(m_sheet, nullptr, this, nullptr);
    m_sheet = sheet;
    if (!m_sheet)
        return;
    connect(m_sheet, &RaceSheetStore::sheetChanged, this, &TimingDesk::SheetChanged);
    if (m_sheet->fileName().isEmpty())
        m_sheet->startNew(m_data.FileName);
}

void TimingDesk::SheetChanged(const SheetChange &change)
{
    if (!m_applying) {
        DeskStep step;
        step.text = SheetChangeText(change);
        step.sheet = change;
        m_history.push(new DeskCommand(*this, std::move(step)));
    }
}

bool TimingDesk::ChangeSheet(const SheetChange &change)
{
    if (!m_sheet || change.empty())
        return false;
    DeskStep step;
    step.text = SheetChangeText(change);
    step.sheet = change;
    return Change(std::move(step));
}

bool TimingDesk::WaveFinishFlag(const QStringList &categories)
{
    if (!m_sheet)
        return false;
    DeskStep step;
    step.text = QStringLiteral("cílová vlajka");
    step.sheet = FinishFlagChange(m_sheet->sheet(), categories, NowDayTime());
    return !step.sheet.empty() && Change(std::move(step));
}

void TimingDesk::Undo()
{
    if (m_assigning || !m_history.canUndo())
        return;
    const auto *command = static_cast<const DeskCommand *>(m_history.command(m_history.index() - 1));
    if (!CanApply(command->step().inverse())) {
        m_dialogs.message(MsgUndoRefused.arg(command->text()), MsgIcon::Warning);
        return;
    }
    m_history.undo();
}

void TimingDesk::Redo()
{
    if (m_assigning || !m_history.canRedo())
        return;
    const auto *command = static_cast<const DeskCommand *>(m_history.command(m_history.index()));
    if (!CanApply(command->step())) {
        m_dialogs.message(MsgRedoRefused.arg(command->text()), MsgIcon::Warning);
        return;
    }
    m_history.redo();
}

void TimingDesk::Restore(const RecordChange &records, const std::vector<RecoveredRow> &rows)
{
    DeskStep step;
    step.text = QStringLiteral("obnovení z deníku");
    step.records = records;
    quint64 next[2] = {m_startList.nextId(), m_finishList.nextId()};
    for (const RecoveredRow &row : rows) {
        const ImpulseKind photocell = row.list == JournalList::Start ? ImpulseKind::ImpulseFB1 : FinishKind();
        const std::optional<ImpulseRow> restored = row.caption.isEmpty()
                                                       ? ImpulseRow::Impulse(photocell, row.stamp)
                                                       : ImpulseRowOfJournal(row.list, row.caption, row.subItem);
        // No version of the program wrote a caption other than its rows'.
        if (!restored)
            continue;
        RowEdit e;
        e.list = row.list;
        e.row = *restored;
        e.row.id = next[row.list == JournalList::Start ? 0 : 1]++;
        step.rows.push_back(e);
    }
    if (step.empty())
        return;
    // The rows go into the journal after the record change (their own
    // flush), as they always did.
    DeskStep rowsOnly;
    rowsOnly.rows = step.rows;
    step.rows.clear();
    if (!step.records.empty())
        Apply(step);
    Apply(rowsOnly);
    step.rows = std::move(rowsOnly.rows);
    m_history.push(new DeskCommand(*this, std::move(step)));
}
