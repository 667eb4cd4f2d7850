#include "main.h"

#include "BackgroundWriter.h"
#include "DisplayControls.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "JournalKeeper.h"
#include "LastRace.h"
#include "LinkController.h"
#include "RaceSheetStore.h"
#include "ManualEntry.h"
#include "RacerFileMemory.h"
#include "RacerPage.h"
#include "RacerTable.h"
#include "ResultsLists.h"
#include "SpectatorWindow.h"
#include "TimingDesk.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>

namespace {

// Borders and caption a desktop puts around the window.
const QSize FrameAllowance(16, 39);

}  // namespace

QString TfrmMain::Caption()
{
    return QStringLiteral("Záznam časů, Norvanta, s.r.o. Pelvany,  v. 1.82");
}

QString TfrmMain::TitleFor(const QString &dataFile)
{
    // The caption stays first: window rules and scripts find the window by it.
    const QString race = dataFile.isEmpty() || IsTemporaryDataFileName(dataFile) ? QStringLiteral("nepojmenovaný závod")
                                                                                 : QFileInfo(dataFile).fileName();
    return Caption() + QStringLiteral(" – ") + race;
}

void TfrmMain::UpdateTitle()
{
    setWindowTitle(TitleFor(m_data ? m_data->FileName : QString()));
}

TfrmMain::TfrmMain(Dialogs &dialogs, const QString &logPath, SpectatorWindow *display, StoreFactory makeStore,
                   QWidget *parent)
    : QMainWindow(parent), frmDisplay(display), m_dialogs(dialogs), m_logPath(logPath),
      m_makeStore(std::move(makeStore))
{
    setObjectName(QStringLiteral("frmMain"));
    BuildFrame();
    qApp->installEventFilter(this);
    startProgram();
}

TfrmMain::~TfrmMain()
{
    endProgram();
}

QSize TfrmMain::OpeningClientSize(const QSize &available, const QSize &smallest)
{
    const QSize room = available - FrameAllowance;
    return QSize(ClientWidth, ClientHeight).boundedTo(room).expandedTo(smallest);
}

void TfrmMain::FitToScreen()
{
    // The window may shrink to what its controls need, no further: on a
    // 1366 x 768 laptop the opening size does not fit, yet every button and
    // the status bar must stay on the screen.
    const QSize smallest = layout()->minimumSize();
    setMinimumSize(smallest);
    const QScreen *where = screen();
    const QSize available = where ? where->availableGeometry().size()
                                  : QSize(ClientWidth, ClientHeight) + FrameAllowance;
    resize(OpeningClientSize(available, smallest));
}

void TfrmMain::SetStatusText(const QString &text)
{
    m_statusText->setText(text);
}

QString TfrmMain::StatusText() const
{
    return m_statusText->text();
}

void TfrmMain::CopyResultsColumnsToDisplay()
{
    if (frmDisplay)
        frmDisplay->SetUpColumns();
}

void TfrmMain::startProgram()
{
    if (frmDisplay)
        frmDisplay->hide();
    // The spectator window takes its options from the controls and the results
    // list's columns once the results lists exist, in CreateLogic below.
    OpenLogOrFallback(m_logPath);
    WriteLog(QStringLiteral("start programu"));

    try {
        m_data = m_makeStore ? m_makeStore(m_dialogs) : std::make_unique<RecordStore>(&m_dialogs);
    } catch (const TikomatError &e) {
        // Without a store nothing can be timed; the caller ends the program.
        m_dialogs.message(e.text, MsgIcon::Critical);
        return;
    }
    CreateLogic();
    UpdateTitle();
}

namespace {

QSettings SessionSettings()
{
    return QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat"));
}

}  // namespace

void TfrmMain::SaveSession()
{
    QSettings s = SessionSettings();
    s.setValue(QStringLiteral("window/geometry"), saveGeometry());
    s.setValue(QStringLiteral("window/maximized"), isMaximized());
    s.setValue(QStringLiteral("results/realCas"), cbRealCas->isChecked());
    s.setValue(QStringLiteral("results/lapsMode"), cbRezimKol->currentIndex());
    s.setValue(QStringLiteral("display/caption"), gbDisplej->edDispCaption->text());
    s.setValue(QStringLiteral("display/mode"), gbDisplej->cbDispMode->currentIndex());
    s.setValue(QStringLiteral("display/open"), gbDisplej->cbDisplayWindow->isChecked());
}

void TfrmMain::ShowAsLastClosed()
{
    QSettings s = SessionSettings();
    const auto restoreIndex = [&s](QComboBox *box, const QString &key) {
        const int index = s.value(key, box->currentIndex()).toInt();
        if (index >= 0 && index < box->count())
            box->setCurrentIndex(index);
    };
    cbRealCas->setChecked(s.value(QStringLiteral("results/realCas"), cbRealCas->isChecked()).toBool());
    restoreIndex(cbRezimKol, QStringLiteral("results/lapsMode"));
    gbDisplej->edDispCaption->setText(
        s.value(QStringLiteral("display/caption"), gbDisplej->edDispCaption->text()).toString());
    restoreIndex(gbDisplej->cbDispMode, QStringLiteral("display/mode"));
    const QByteArray geometry = s.value(QStringLiteral("window/geometry")).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    if (s.value(QStringLiteral("window/maximized")).toBool())
        showMaximized();
    else
        show();
    // Showing this window hides the spectator window: it opens after it.
    const bool open = s.value(QStringLiteral("display/open")).toBool();
    gbDisplej->cbDisplayWindow->setChecked(open);
    gbDisplej->showOrHideWindow();
}

void TfrmMain::hideSpectatorWindow()
{
    if (frmDisplay)
        frmDisplay->hide();
}

QString TfrmMain::UnsavedRacersText(int racers)
{
    if (racers <= 0)
        return {};
    const QString counted = racers == 1                  ? QStringLiteral("1 závodník není uložen")
                            : racers >= 2 && racers <= 4 ? QStringLiteral("%1 závodníci nejsou uloženi").arg(racers)
                                                         : QStringLiteral("%1 závodníků není uloženo").arg(racers);
    return QStringLiteral("Závod nemá jméno a %1 v žádném souboru závodníků.").arg(counted);
}

bool TfrmMain::confirmClose()
{
    QString text = QStringLiteral("Opravdu si přejete ukončit program?");
    // The rows still listed are not lost, but the operator should know they wait.
    const QString waiting = m_desk ? TimingDesk::WaitingRowsText(m_desk->WaitingRows()) : QString();
    if (!waiting.isEmpty())
        text += QStringLiteral("\n\n") + waiting;
    // Racers of an unnamed race lie only beside its temporary file, where
    // nobody would look for them: the operator chooses before they are left.
    const int unsaved = m_racerFiles ? m_racerFiles->UnsavedRacers() : 0;
    if (unsaved == 0)
        return m_dialogs.question(QStringLiteral("Tikomat"), text, MsgIcon::Question);
    text += QStringLiteral("\n\n") + UnsavedRacersText(unsaved);
    const QString save = QStringLiteral("Uložit závodníky a ukončit");
    const int choice = m_dialogs.choose(QStringLiteral("Tikomat"), text, MsgIcon::Question,
                                        {save, QStringLiteral("Ukončit bez uložení"), QStringLiteral("Storno")});
    if (choice == 1)
        return true;
    if (choice != 0)
        return false;
    m_racerPage->saveRacerFile(false);
    // A cancelled or failed save leaves the program open, the racers with it.
    return m_racerFiles->UnsavedRacers() == 0;
}

void TfrmMain::shutDown()
{
    if (m_link)
        m_link->Shutdown();
    if (m_racerFiles)
        m_racerFiles->SaveNow();
    if (m_data)
        LastRace::Remember(m_data->FileName);
    SaveSession();
    // The last change is on disk before the journal may go.
    if (m_data)
        m_data->WaitForWrites();
    if (m_journal)
        m_journal->Close();
    if (OnClosing)
        OnClosing();
    if (frmDisplay)
        frmDisplay->close();
}

void TfrmMain::endProgram()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    WriteLog(QStringLiteral("konec programu"));
    CloseLog();
    // The link feeds the desk, the desk and the lists refer to the store:
    // they go first.
    m_link.reset();
    m_desk.reset();
    m_results.reset();
    m_sheet.reset();  // the desk and the lists refer to it; it journals into m_journal
    if (m_data)
        m_data->disconnect();
    if (m_data)
        m_data->SetJournal(nullptr);
    m_journal.reset();
    m_data.reset();  // waits for its last write
    m_writer.reset();
    m_racerFiles.reset();  // watches the racer table
    m_racers.reset();
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        hideSpectatorWindow();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    // Changes that a failed save left only in memory are offered first.
    if ((m_desk && !m_desk->ConfirmUnsavedChanges()) || !confirmClose()) {
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    // Key preview: a key is offered once, when it reaches the focused control
    // (or this window when nothing has the focus), not again while it travels
    // up to the parents.
    if (event->type() == QEvent::KeyPress && m_desk && watched->isWidgetType()) {
        auto *target = static_cast<QWidget *>(watched);
        QWidget *focus = QApplication::focusWidget();
        if (target->window() == this && target == (focus ? focus : this)) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (handleTimingPageKey(key))
                return true;
            // the lists' own keys, after the preview let the key through
            if ((target == lv || target == lvPulsy || target == lvPulsy2) && deleteOrEditRecord(key))
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
