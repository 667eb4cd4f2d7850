#pragma once
// The main window: its frame (pages, status bar, life cycle), the controls of
// every page and the one place that binds them to the logic: the timing desk,
// the manual entry, the results lists and the racer table.  The controls are
// its own; whoever needs one from outside (tests) finds it by objectName.
// Handlers here only translate a click or a key into a call on the logic; the
// window never decides what a command does.
#include "ResultsPages.h"
#include "RaceSheet.h"
#include "RecordStore.h"
#include "SaveAlarm.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class Dialogs;
class DisplayControls;
class BackgroundWriter;
class CategoryBox;
class HotTrackView;
class JournalKeeper;
struct RecoveryTarget;
class LinkController;
class ManualEntry;
class ModuleIndicator;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QStatusBar;
class RaceSheetStore;
class RacerFileMemory;
class RacerPage;
class RacerTable;
class ResultsLists;
class SettingsPage;
class SpectatorWindow;
class ManualEntryDialog;
class TimingDesk;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    static QString Caption();
    // The window's title while `dataFile` is the race's data file: Caption()
    // followed by " – zavod.csvz", or " – nepojmenovaný závod" while the race
    // lives in its temporary file.
    static QString TitleFor(const QString &dataFile);
    static constexpr int ClientWidth = 791;
    static constexpr int ClientHeight = 805;
    // The client size the window opens with on a screen whose free area is
    // `available`: the size above where it fits, never below `smallest`.
    static QSize OpeningClientSize(const QSize &available, const QSize &smallest);

    // Makes the record store; may throw TikomatError.  Empty: a plain one.
    using StoreFactory = std::function<std::unique_ptr<RecordStore>(Dialogs &)>;

    // Creating the window runs startProgram.  `display` is the spectator
    // window, created before this one; `logPath` is where the event log goes.
    TfrmMain(Dialogs &dialogs, const QString &logPath, SpectatorWindow *display, StoreFactory makeStore = {},
             QWidget *parent = nullptr);
    // Runs endProgram.
    ~TfrmMain() override;

    // The record store; null only when it could not be created, in which case
    // the program ends right after creating this window.
    RecordStore *Data() const { return m_data.get(); }
    bool HasStore() const { return m_data != nullptr; }
    Dialogs &dialogs() const { return m_dialogs; }

    // The logic behind the pages; null only without a store.
    TimingDesk *Desk() const { return m_desk.get(); }
    ManualEntry *Manual() const { return m_manual.get(); }
    ResultsLists *Results() const { return m_results.get(); }
    // The race sheet (finish rules, statuses); changed through Desk()->ChangeSheet.
    RaceSheetStore *Sheet() const { return m_sheet.get(); }
    RacerTable *Racers() const { return m_racers.get(); }
    // The timing module link; null only without a store.
    LinkController *Link() const { return m_link.get(); }

    // Offers what the journals of a run that ended without a clean close
    // hold, then the unnamed races such a run left; when neither brought a
    // race back, reopens the race open at the last close (the program's
    // start, once the window exists).
    void RecoverJournal();
    JournalKeeper *Journal() const { return m_journal.get(); }

    // The manual entry dialog, created after this window; binds it to the
    // manual entry.
    void SetManualEntryDialog(ManualEntryDialog *dialog);

    // Gives the spectator list the columns of the results list (the fifth
    // renamed "Pořadí", widths to fit the captions, the first stretching).
    void CopyResultsColumnsToDisplay();

    // The title names the store's present data file.
    void UpdateTitle();

    void SetStatusText(const QString &text);
    QString StatusText() const;

    // Life cycle, in the order the window goes through it.
    // Opens the event log, makes the store and the logic behind the pages.
    void startProgram();
    // Shows the window as it was at the last close: its size, maximised or
    // not, "Reál.čas", the laps mode, the spectator window's caption and
    // mode, and the spectator window itself if it was open (the program's
    // start; QSettings "Tikomat"/"Tikomat").
    void ShowAsLastClosed();
    // Whenever the window is shown, the spectator window is hidden.
    void hideSpectatorWindow();
    // Asks whether to end the program, saying how many impulses wait; while
    // the race is unnamed and its racers are in no racer file of the
    // operator's, it says how many and offers to save them first.
    bool confirmClose();
    // "Závod nemá jméno a 3 závodníci nejsou uloženi v žádném souboru
    // závodníků." (empty for none).
    static QString UnsavedRacersText(int racers);
    // Stops the module link, waits for the last write and closes the journal
    // and the spectator window.
    void shutDown();
    // Logs the end of the program and lets the logic behind the pages go.
    void endProgram();

    // Called by shutDown before the windows go away (e.g. to stop the
    // communication thread).
    std::function<void()> OnClosing;

    SpectatorWindow *frmDisplay = nullptr;
    ManualEntryDialog *frmTime = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Key preview: sees every key pressed anywhere in this window before the
    // focused control does; true consumes the key.
    bool handleTimingPageKey(QKeyEvent *key);
    // Delete and F2 in the record list or either impulse list; true consumes.
    bool deleteOrEditRecord(QKeyEvent *key);
    // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z anywhere on the timing page but in a
    // text field; true when taken.
    bool UndoKey(QKeyEvent *key);

    // Building the pages (frmMain.cpp).
    void BuildFrame();
    // Opening size and smallest size for the screen the window is on.
    void FitToScreen();
    QWidget *BuildTimingPage();
    QWidget *BuildLeftColumn();
    QWidget *BuildMiddleColumn();
    QWidget *BuildRightColumn();
    QWidget *BuildKeypad();
    QWidget *BuildResultsPage();

    // Binding the pages to the logic (frmMainHandlers.cpp), the one place
    // where a control meets what it drives.
    void CreateLogic();
    void BindTimingPage();
    void BindUndo();
    void BindKeypad();
    void BindRecordList();
    void BindResultsPage();
    // What "Tisk..." and "PDF..." print, and the date and moment they name.
    std::vector<ResultsSection> PrintedResults() const;
    PrintMoment PrintMomentNow() const;
    void BindModuleLink();
    void BindJournal();
    // F1 and "Nápověda" open the operator's guide.
    void BindGuide();
    // Every change of the racer table refreshes the lists that name racers.
    void BindRacerChanges();
    // The results site follows the lists; its state shows on the timing page.
    void BindPublishing();
    void ShowPublishState();
    RecoveryTarget RecoveryTargetOf();
    // The racer file remembered with the store's data file, loaded.
    void OpenRacersOfRace();
    // The race open at the last close, unless crash recovery brought one.
    void ReopenLastRace();
    // What ShowAsLastClosed brings back, written at the close.
    void SaveSession();
    // Shows `prefix` + `problem` in `alarm`, or hides it when the problem is
    // over; either way one line in the event log.
    void ShowAlarm(QLabel *alarm, const QString &problem, const QString &prefix, const QString &over);
    // The status menu of racer `number` at `where` (global); its choice is one
    // undo step.  A number that names no racer gets no menu.
    void ShowStatusMenu(int32_t number, const QPoint &where);
    // Gives racer `number` the status (None clears it), a DSQ with the reason
    // the operator types; one undo step.
    void SetStatus(int32_t number, RacerStatus status);
    // "Pravidla závodu...": the rules dialog; its OK is one undo step.
    void OpenRulesDialog();
    // The record of the record list's selected row, or null.
    TimeRecordPtr SelectedRecord() const;
    // Enter presses the focused button, else "Vlož" (the default button).
    void PressDefaultButton();
    // The keypad key of a digit 0 to 9.
    QPushButton *DigitKey(int digit) const;

    Dialogs &m_dialogs;
    QString m_logPath;
    StoreFactory m_makeStore;
    std::unique_ptr<SaveAlarm> m_saveAlarm;      // tells every failed save: outlives all that save
    std::unique_ptr<BackgroundWriter> m_writer;  // writes the store's saves: outlives it
    std::unique_ptr<RecordStore> m_data;
    std::unique_ptr<RacerTable> m_racers;
    std::unique_ptr<RacerFileMemory> m_racerFiles;
    std::unique_ptr<ResultsLists> m_results;
    std::unique_ptr<RaceSheetStore> m_sheet;  // the race sheet beside the data file
    std::unique_ptr<TimingDesk> m_desk;
    std::unique_ptr<ManualEntry> m_manual;
    std::unique_ptr<JournalKeeper> m_journal;  // the link's thread writes to it: outlives the link
    std::unique_ptr<LinkController> m_link;    // hands impulses to the desk: goes first
    bool m_destroyed = false;

    // Frame
    QTabWidget *PageControl = nullptr;
    QStatusBar *StatusBar = nullptr;
    QLabel *m_statusText = nullptr;
    QLabel *lblUkladani = nullptr;  // shown while the data file is not being saved
    QLabel *lblZavodniciUlozeni = nullptr;  // shown after the racer file could not be saved, until it is
    QWidget *tsMereni = nullptr;
    QWidget *tsRacerList = nullptr;
    QWidget *TabSheet4 = nullptr;
    QWidget *TabSheet3 = nullptr;
    QPushButton *btnNapoveda = nullptr;  // opens the operator's guide, as F1 does

    // Timing page, left column: record list and data file
    QLabel *lblDenik = nullptr;  // shown while the journal is not being written
    HotTrackView *lv = nullptr;
    QCheckBox *cbRealCas = nullptr;
    QPushButton *Button21 = nullptr;  // "Sma&ž"
    QPushButton *btnNovyZaznam = nullptr;
    QPushButton *btnZpet = nullptr;   // "Zpět": undo the last step
    QPushButton *btnZnovu = nullptr;  // "Znovu": redo it
    QPushButton *btnCilovaVlajka = nullptr;  // "Cílová vlajka": the spectator choice's races end now
    QLabel *lblVitez = nullptr;
    // The state of publishing on the internet; hidden while nothing is published.
    QWidget *wZverejneni = nullptr;
    QLabel *imgZverejneni = nullptr;  // a warning sign while uploads fail
    QLabel *lblZverejneni = nullptr;
    QGroupBox *gbDatovySoubor = nullptr;
    QPushButton *Button27 = nullptr;  // "&Nový"
    QPushButton *Button28 = nullptr;  // "&Otevřít"
    QPushButton *Button29 = nullptr;  // "Uložit &jako..."
    QPushButton *Button30 = nullptr;  // "&Uložit"

    // Timing page, middle column: impulse lists and the spectator window group
    QWidget *m_middleColumn = nullptr;
    HotTrackView *lvPulsy = nullptr;
    HotTrackView *lvPulsy2 = nullptr;
    // "Čeká: 2" above each impulse list, amber while more than one waits.
    QLabel *lblCekaStart = nullptr;
    QLabel *lblCekaCil = nullptr;
    QPushButton *btnSmaz = nullptr;
    QPushButton *btnSmazVse = nullptr;
    QPushButton *btnSimulace = nullptr;
    QPushButton *btnSimulace2 = nullptr;
    DisplayControls *gbDisplej = nullptr;

    // Timing page, right column: keypad, module, modes
    QLabel *lblCislo = nullptr;
    QLabel *lblUkazJmeno = nullptr;
    // "1" ... "9", "0", "<": Button6 to Button9, Button11 to Button17.
    QList<QPushButton *> m_keypadKeys;
    QPushButton *btnStart = nullptr;
    QPushButton *Button2 = nullptr;  // "Vlož", the default button
    QGroupBox *gbModul = nullptr;
    ModuleIndicator *m_moduleIndicator = nullptr;
    QPushButton *btnConnect = nullptr;
    QPushButton *btnDisconnect = nullptr;
    QComboBox *cbFiltr = nullptr;
    QGroupBox *gbRezim = nullptr;
    QComboBox *cbRezimFunkce = nullptr;
    QComboBox *cbRezimFB = nullptr;

    // Results page
    QComboBox *cbRezimKol = nullptr;
    QTableView *lv1 = nullptr;
    CategoryBox *cbKategorie = nullptr;
    QPushButton *btnExpr = nullptr;
    QPushButton *btnTisk = nullptr;
    QPushButton *btnPdf = nullptr;
    QPushButton *btnPravidla = nullptr;  // "Pravidla závodu..."
    QCheckBox *cbKategorieZvlast = nullptr;  // "Tisk..." and "PDF...": every category apart

    // Racer list and settings pages (their content belongs to the racer table)
    RacerPage *m_racerPage = nullptr;
    SettingsPage *m_settingsPage = nullptr;
};
