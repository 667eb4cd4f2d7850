#pragma once
// The logic of the timing page: the two impulse lists and their debounce
// filter, the keypad with its number display, the assignment of impulses to
// start numbers (Vlož, START, preselections), and the commands on the record
// list and the data file.  It holds no widget: the window binds its controls
// to the handlers below and follows its signals (the display, the refresh of
// the lists, the manual entry dialog).
// It never starts one assignment inside another: impulses that arrive while
// an assignment waits on a dialog are listed at once and assigned after it.
//
// Every row of the impulse lists comes and goes through Apply, which
// journals it; records change only through the store's apply.  Each operator
// action is one step of the undo history (Undo / Redo); a change of the
// records made elsewhere (the manual entry) joins the history as it is told
// by the store.  The history is cleared by the file commands.
#include "DayTime.h"
#include "DeskStep.h"
#include "ImpulseListModel.h"
#include "JournalRecovery.h"
#include "JournalReplay.h"
#include "RecordStore.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <deque>
#include <functional>
#include <optional>

class Dialogs;
class JournalKeeper;
class RaceSheetStore;
class RacerDirectory;
struct FileRequest;

// The three drop-down lists that steer the desk; the window keeps them current.
struct DeskSettings {
    int filterIndex = 0;    // cbFiltr: 0 off, i > 0 a window of (0.5 i + 1) s
    int photocellMode = 0;  // cbRezimFB: 0 FB1 start / FB2 finish, 1 either photocell finishes
    int functionMode = 2;   // cbRezimFunkce: 0 no module, 1 assign, 2 assign with preselection
};

class TimingDesk : public QObject, public RecoverySink {
    Q_OBJECT
public:
    // `racers` may be null: labels are then empty texts.
    TimingDesk(RecordStore &data, Dialogs &dialogs, RacerDirectory *racers, QObject *parent = nullptr);

    // The race sheet kept beside the store: it follows the file commands
    // ("&Nový" starts without one, "&Otevřít" reads the one beside the file,
    // "Uložit &jako..." writes it beside the new name), and each change of it
    // is a step of the history, whoever applied it.  Null: no sheet.
    void SetSheet(RaceSheetStore *sheet);
    RaceSheetStore *sheet() const { return m_sheet; }
    // One change of the sheet as a step of the history ("Pravidla závodu...",
    // a status set or cleared).  False, nothing done, when it does not apply
    // or the operator keeps an unreadable sheet file.
    bool ChangeSheet(const SheetChange &change);
    // "Cílová vlajka": the finish moment of `categories` set to now, as
    // time-of-day rules, one step.  An empty list means every category: the
    // rule for every other category and each category's own.
    bool WaveFinishFlag(const QStringList &categories);

    // Every row and deleted row goes into the journal before it shows; null:
    // none is kept.  (Records are journaled by the store.)
    void SetJournal(JournalKeeper *journal) { m_journal = journal; }
    // The rows both lists hold, as journal entries.
    std::vector<JournalEntry> JournalRows() const;
    // Crash recovery's "Ano", one step: the record change, then the rows
    // appended; a stamp that never reached its list becomes an impulse of the
    // kind its photocell gives now.
    void Restore(const RecordChange &records, const std::vector<RecoveredRow> &rows) override;

    // --- The one path of rows, and the undo history ------------------------
    // Whether the step applies now: every row it removes is listed as it
    // says, no row it puts back is listed, and the store can apply its
    // record change.
    bool CanApply(const DeskStep &step) const;
    // Journals the step's rows (with its records, in one flush), applies its
    // record change through the store and then its rows.  False, and nothing
    // done, when it does not apply.
    bool Apply(const DeskStep &step, bool asked = false);
    // Undo / Redo of the last step ("Zpět" / "Znovu", Ctrl+Z / Ctrl+Y).  A
    // step that no longer applies is refused with a message and stays where
    // it is.  Ignored while an assignment waits on a dialog.
    void Undo();
    void Redo();
    QUndoStack &history() { return m_history; }

    DeskSettings &settings() { return m_settings; }
    const DeskSettings &settings() const { return m_settings; }
    void setRacers(RacerDirectory *racers) { m_racers = racers; }

    ImpulseListModel &startList() { return m_startList; }    // lvPulsy
    ImpulseListModel &finishList() { return m_finishList; }  // lvPulsy2
    // Rows of both lists together; a clean close leaves them to the next start.
    int WaitingRows() const { return m_startList.size() + m_finishList.size(); }
    // What the close question says of `rows` waiting rows ("V seznamech
    // čekají 3 impulsy; ..."), in the Czech plural they take; empty for none.
    static QString WaitingRowsText(int rows);

    // Time of the last impulse the debounce filter let through, from either
    // photocell; 0 before the first one.
    DayTime LastImpulseTime() const { return m_lastImpulseTime; }

    // The number display (lblCislo) and the racer label line under it (lblUkazJmeno).
    QString displayText() const { return m_display; }
    QString labelText() const { return m_label; }

    // --- Impulses --------------------------------------------------------
    // Impulses from the timing module, t in whole milliseconds of the day.
    // Main thread only; the communication thread hands them over and waits.
    void PostStartImpulse(DayTime t);
    void PostFinishImpulse(DayTime t);
    void simulateStartImpulse();   // "Simuluj FB1"
    void simulateFinishImpulse();  // "Simuluj FB2"
    void deleteSelectedImpulse();  // "S&maž vybraný"
    void deleteAllImpulses();      // "Smaž &vše"

    // --- Number entry and assignment ---------------------------------------
    // A keypad key by its caption: "0" to "9" or "<".
    void pressKey(const QString &caption);
    void insert();     // "Vlož"
    void startRace();  // "START"
    // Display back to "0", label line to "---" (also Esc).
    void ResetDisplay();
    // The arrival checks, run after an impulse row was appended.  While a
    // Vlož, START or arrival check is under way (its dialog open), they wait
    // and run in order after it; Vlož and START are then ignored.
    void StartImpulseArrived();
    void FinishImpulseArrived();

    // --- Record list and data file -------------------------------------------
    // "Sma&ž": `selected` is the record of the record list's selected row, or null.
    void deleteRecord(const TimeRecordPtr &selected);
    // Double click (or F2) on the record list.
    void editRecord(const TimeRecordPtr &selected);
    // "Reál.čas" clicked, or the timing page became visible.
    void refreshLists();
    void newFile();   // "&Nový"
    void openFile();  // "&Otevřít"
    // Opens the data file at `path` as "&Otevřít" does after its dialog (the
    // last race at start); a temporary file stays an unnamed race.  False
    // when it could not be opened (reported by the store).
    bool OpenDataFile(const QString &path);
    void saveAs();    // "Uložit &jako..."
    void save();      // "&Uložit"

    // Before a command that leaves the current records (closing, "&Nový",
    // "&Otevřít"): after a failed save, says that the last changes are not
    // saved and offers to try again.  False when the command must not go on
    // (the retry failed too).
    bool ConfirmUnsavedChanges();

    // The name the save dialog proposes next (the opened or last saved file).
    QString proposedSaveName() const { return m_proposedSaveName; }

    // "Přiřazen impuls 14:02:11,250; čekají ještě 2": `time` taken, `waiting`
    // rows left in its list.
    static QString OlderImpulseText(DayTime time, int waiting);
    // "Čeká: 3", above an impulse list.
    static QString WaitingCountText(int waiting);

signals:
    // Rebuild the record and results lists after a command that changed no
    // record (another file opened or a new one, "Reál.čas", a save); the
    // lists hear of a change of the records from the store itself.  `number`
    // is the start number whose record row is to be selected, or -1.
    void refreshRequested(int number);
    // Hide the manual entry dialog if it is shown.
    void manualEntryHideRequested();
    // Open the manual entry dialog on a record.
    void manualEntryRequested(const TimeRecordPtr &record);
    // The store now holds another data file: true after "&Otevřít", false
    // after "&Nový".
    void dataFileReplaced(bool opened);
    void displayChanged(const QString &number, const QString &label);
    // The keypad moves the focus to "Vlož" so that Enter inserts next.
    void focusInsertRequested();
    // The store's data file is another one now ("&Nový", "&Otevřít", a name
    // chosen in "Uložit &jako...").
    void dataFileChanged();
    // A number took an impulse while a newer one of its list waits: the
    // status bar's line (OlderImpulseText).
    void olderImpulseTaken(const QString &text);

private:
    struct Assignment {
        bool aborted = false;  // the selection check ended the key press
        TimeRecordPtr record;  // the record made, if any
    };

    bool Filtered(DayTime t) const;
    void RecordDisplayedNumber();  // Vlož itself
    void RecordRaceStart();        // START itself
    void RunExclusive(const std::function<void()> &operation);
    void ArrivalCheck(bool start);
    Assignment AssignFromList(ImpulseListModel &list, ImpulseKind impulse);
    // Makes the record as one step with `rows` (the impulse it used), after
    // asking for the data file's name if it has none yet.
    TimeRecordPtr MakeRecord(int number, DayTime time, std::vector<RowEdit> rows = {});
    JournalList ListOf(const ImpulseListModel &list) const;
    ImpulseListModel &List(JournalList list) { return list == JournalList::Start ? m_startList : m_finishList; }
    const ImpulseListModel &List(JournalList list) const
    {
        return list == JournalList::Start ? m_startList : m_finishList;
    }
    void Journal(const std::vector<JournalEntry> &entries);
    // An operator action: applied, then remembered in the history.
    bool Change(DeskStep step, bool asked = false);
    // Appends a row under the list's next id (a step of its own when `text`
    // is given); `stamp` is the module stamp the row is made of.
    void AppendRow(ImpulseListModel &list, ImpulseRow row, std::optional<DayTime> stamp = std::nullopt,
                   const QString &text = QString());
    RowEdit Removal(const ImpulseListModel &list, int row) const;
    void RemoveRow(ImpulseListModel &list, int row);
    void ClosingSteps(const TimeRecordPtr &record);
    // The store told a change: one made elsewhere joins the history.
    void RecordsChanged(const RecordChange &change);
    // The sheet told a change: one made elsewhere joins the history.
    void SheetChanged(const SheetChange &change);
    // "&Uložit"'s question for a name, without the save.
    void NameUnnamedFile();
    void ImpulseArrived(ImpulseListModel &list, ImpulseKind impulse, bool start);
    // The kind of impulse the finish list takes in the present photocell mode.
    ImpulseKind FinishKind() const;
    int DisplayNumber() const;
    QString LabelOf(int number) const;
    void SetDisplay(const QString &number, const QString &label);
    FileRequest DataFileRequest(const QString &proposed) const;
    void Refresh(int number);
    void HideManualEntry();

    RecordStore &m_data;
    RaceSheetStore *m_sheet = nullptr;
    Dialogs &m_dialogs;
    JournalKeeper *m_journal = nullptr;
    RacerDirectory *m_racers;
    DeskSettings m_settings;
    ImpulseListModel m_startList;
    ImpulseListModel m_finishList;
    DayTime m_lastImpulseTime = 0;
    bool m_anyImpulsePassed = false;  // until then LastImpulseTime is no impulse's time
    bool m_assigning = false;         // a Vlož, START or arrival check is under way
    bool m_applying = false;          // a step of the desk is being applied
    // The preselection an arrival completes: it leaves with the record it
    // makes, in the same step.
    std::optional<RowEdit> m_preselectionUsed;
    QUndoStack m_history;
    std::deque<bool> m_waitingArrivals;  // arrival checks held back meanwhile: true = start list
    QString m_display = QStringLiteral("0");
    QString m_label;  // "---" from the constructor on
    QString m_proposedSaveName;
    QString m_proposedOpenName;
};
