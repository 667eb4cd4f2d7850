#pragma once
// The main window: its frame (pages, status bar, life cycle) and every control
// of the timing page.  The controls are public so that the code tying them to
// the timing desk, the results and the racer table can reach them; the window
// itself only lays them out and runs the life cycle.
#include "tfile.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class Dialogs;
class DisplayControls;
class HotTrackView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QStatusBar;
class RacerTable;
class ResultsLists;
class TfrmDisplay;
class TfrmTime;
class TimingDesk;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    static QString Caption();
    static constexpr int ClientWidth = 791;
    static constexpr int ClientHeight = 805;

    // Makes the record store; may throw TikomatError.  Empty: a plain TData.
    using StoreFactory = std::function<std::unique_ptr<TData>(Dialogs &)>;

    // Creating the window runs FormCreate.  `display` is the spectator window,
    // created before this one; `logPath` is where the event log goes.
    TfrmMain(Dialogs &dialogs, const QString &logPath, TfrmDisplay *display,
             StoreFactory makeStore = {}, QWidget *parent = nullptr);
    // Runs FormDestroy.
    ~TfrmMain() override;

    // The record store; null only when it could not be created, in which case
    // the program ends right after creating this window.
    TData *Data() const { return m_data.get(); }
    bool HasStore() const { return m_data != nullptr; }
    Dialogs &dialogs() const { return m_dialogs; }

    // The logic behind the timing page and the results page; null only
    // without a store.
    TimingDesk *Desk() const { return m_desk.get(); }
    ResultsLists *Results() const { return m_results.get(); }
    RacerTable *Racers() const { return m_racers.get(); }

    // The manual entry dialog, created after this window.
    void SetTimeDialog(TfrmTime *dialog) { frmTime = dialog; }

    // Gives the spectator list the columns of the results list (the fifth
    // renamed "Pořadí", widths to fit the captions, the first stretching).
    void CopyResultsColumnsToDisplay();

    void SetStatusText(const QString &text);
    QString StatusText() const;

    // Life cycle, in the order the window goes through it.
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();

    // Key preview: called for every key pressed anywhere in this window before
    // the focused control sees it.  Returning true consumes the key.
    std::function<bool(QKeyEvent *)> FormKeyDown;
    // Called by FormClose before the windows go away (e.g. to stop the
    // communication thread).
    std::function<void()> OnClosing;

    TfrmDisplay *frmDisplay = nullptr;
    TfrmTime *frmTime = nullptr;

    // Frame
    QTabWidget *PageControl = nullptr;
    QStatusBar *StatusBar = nullptr;
    QWidget *tsMereni = nullptr;
    QWidget *tsRacerList = nullptr;
    QWidget *TabSheet4 = nullptr;
    QWidget *TabSheet3 = nullptr;

    // Timing page, left column: record list
    HotTrackView *lv = nullptr;
    QCheckBox *cbRealCas = nullptr;
    QPushButton *Button21 = nullptr;       // "Sma&ž"
    QPushButton *btnNovyZaznam = nullptr;
    QLabel *lblVitez = nullptr;
    QGroupBox *gbDatovySoubor = nullptr;
    QPushButton *Button27 = nullptr;       // "&Nový"
    QPushButton *Button28 = nullptr;       // "&Otevřít"
    QPushButton *Button29 = nullptr;       // "Uložit &jako..."
    QPushButton *Button30 = nullptr;       // "&Uložit"

    // Timing page, middle column: impulse lists and the spectator window group
    HotTrackView *lvPulsy = nullptr;
    HotTrackView *lvPulsy2 = nullptr;
    QPushButton *btnSmaz = nullptr;
    QPushButton *btnSmazVse = nullptr;
    QPushButton *btnSimulace = nullptr;
    QPushButton *btnSimulace2 = nullptr;
    DisplayControls *gbDisplej = nullptr;
    QCheckBox *cbDisplayWindow = nullptr;
    QCheckBox *cbDispRunningTime = nullptr;
    QLineEdit *edDispCaption = nullptr;
    QComboBox *cbDispMode = nullptr;
    QCheckBox *cbDispPaging = nullptr;

    // Timing page, right column: keypad, module, modes
    QLabel *lblCislo = nullptr;
    QLabel *lblUkazJmeno = nullptr;
    QPushButton *Button6 = nullptr;        // "1"
    QPushButton *Button7 = nullptr;        // "2"
    QPushButton *Button8 = nullptr;        // "3"
    QPushButton *Button9 = nullptr;        // "4"
    QPushButton *Button11 = nullptr;       // "5"
    QPushButton *Button12 = nullptr;       // "6"
    QPushButton *Button13 = nullptr;       // "7"
    QPushButton *Button14 = nullptr;       // "8"
    QPushButton *Button15 = nullptr;       // "9"
    QPushButton *Button16 = nullptr;       // "0"
    QPushButton *Button17 = nullptr;       // "<"
    QPushButton *btnStart = nullptr;
    QPushButton *Button2 = nullptr;        // "Vlož", the default button
    QGroupBox *gbModul = nullptr;
    QPushButton *btnConnect = nullptr;
    QPushButton *btnDisconnect = nullptr;
    QComboBox *cbFiltr = nullptr;
    QGroupBox *gbRezim = nullptr;
    QComboBox *cbRezimFunkce = nullptr;
    QComboBox *cbRezimFB = nullptr;

    // The eleven keypad keys, in the order "1" ... "9", "0", "<".
    QList<QPushButton *> KeypadKeys() const;

    // Results page
    QComboBox *cbRezimKol = nullptr;
    QTableView *lv1 = nullptr;
    QPushButton *btnExpr = nullptr;

    // Racer list page (its content belongs to the racer table)
    QTableView *DBGridZavodnici = nullptr;
    QWidget *DBNavigatorZavodnici = nullptr;
    QPushButton *btnZavodniciLoad = nullptr;
    QPushButton *btnZavodniciSave = nullptr;
    QPushButton *btnZavodniciSaveAs = nullptr;

    // Settings page
    QPlainTextEdit *memCategories = nullptr;

    // Handlers of the timing and results pages; each forwards to the logic.
    void Button6Click(const QString &key);  // the key's digit, or "<"
    void Button2Click();
    void btnStartClick();
    void btnSimulaceClick();
    void btnSimulace2Click();
    void btnSmazClick();
    void btnSmazVseClick();
    void Button21Click();
    void lvDblClick();
    void cbRaditClick();
    void cbRezimKolChange();
    void tsMereniShow();
    void Button27Click();
    void Button28Click();
    void Button29Click();
    void SaveButtonClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildFrame();
    // Creates the racer table, the timing desk and the results lists over the
    // store and ties the controls to them.
    void CreateLogic();
    void BindTimingPage();
    void BindResultsPage();
    // The record of the record list's selected row, or null.
    TRadekPtr SelectedRecord() const;
    // Enter presses the focused button, else "Vlož" (the default button).
    bool PressDefaultButton();
    QWidget *BuildTimingPage();
    QWidget *BuildLeftColumn();
    QWidget *BuildMiddleColumn();
    QWidget *BuildRightColumn();
    QWidget *BuildResultsPage();
    QWidget *BuildRacerListPage();
    QWidget *BuildSettingsPage();

    Dialogs &m_dialogs;
    QString m_logPath;
    StoreFactory m_makeStore;
    QLabel *m_statusText = nullptr;
    QWidget *m_middleColumn = nullptr;
    std::unique_ptr<TData> m_data;
    std::unique_ptr<RacerTable> m_racers;
    std::unique_ptr<ResultsLists> m_results;
    std::unique_ptr<TimingDesk> m_desk;
    bool m_destroyed = false;
};
