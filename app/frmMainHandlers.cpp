// The one place where the main window's controls meet the logic they drive:
// the timing desk, the results lists and the racer table.  Every handler is a
// call on the logic; what a command does is decided there.
#include "main.h"

#include "BackgroundWriter.h"
#include "CategoryBox.h"
#include "ResultsPrint.h"
#include "SpectatorWindow.h"
#include "DisplayControls.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "Guide.h"
#include "LinkController.h"
#include "ModuleIndicator.h"
#include "QtSerialBackend.h"
#include "ColumnLimits.h"
#include "HotTrackView.h"
#include "JournalKeeper.h"
#include "JournalRecovery.h"
#include "LeftRaces.h"
#include "ImpulseListModel.h"
#include "Dialogs.h"
#include "LastRace.h"
#include "RacerFileMemory.h"
#include "RacerPage.h"
#include "ResultsExport.h"
#include "RaceSheetStore.h"
#include "SheetControls.h"
#include "ResultsLists.h"
#include "SettingsPage.h"
#include "PublishControls.h"
#include "WebControls.h"
#include "ManualEntry.h"
#include "ManualEntryDialog.h"
#include "TimingDesk.h"
#include "TypingFocus.h"
#include "RacerTable.h"
#include "SaveAlarm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUndoStack>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {

// The column limits a list model gives, for the view.
template <typename Model>
std::vector<ColumnLimits::Limits> LimitsOf(int columns)
{
    std::vector<ColumnLimits::Limits> limits;
    for (int c = 0; c < columns; ++c) {
        const RecordListModel::Width w = Model::columnWidth(typename Model::Column(c));
        limits.push_back({w.initial, w.minimum, w.maximum});
    }
    return limits;
}

// Mirrors the desk's selected impulse row and the view's selection both ways.
// The count above an impulse list follows its rows; more than one waiting
// means a number may have been forgotten: amber, so it is seen from afar.
void BindWaitingCount(QLabel *label, ImpulseListModel *list)
{
    const auto update = [label, list] {
        const int waiting = list->size();
        label->setText(TimingDesk::WaitingCountText(waiting));
        label->setStyleSheet(waiting > 1 ? QStringLiteral("QLabel { background: #FFB000; color: black; "
                                                          "font-weight: bold; padding: 0 4px; }")
                                         : QString());
    };
    QObject::connect(list, &QAbstractItemModel::rowsInserted, label, update);
    QObject::connect(list, &QAbstractItemModel::rowsRemoved, label, update);
    QObject::connect(list, &QAbstractItemModel::modelReset, label, update);
    update();
}

void BindSelection(QTableView *view, ImpulseListModel *model)
{
    view->setModel(model);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, model, [view, model] {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        model->setSelectedRow(rows.isEmpty() ? -1 : rows.first().row());
    });
    QObject::connect(model, &ImpulseListModel::selectedRowChanged, view, [view, model](int row) {
        QItemSelectionModel *selection = view->selectionModel();
        const QModelIndexList rows = selection->selectedRows();
        if (row < 0) {
            if (!rows.isEmpty())
                selection->clearSelection();
        } else if (rows.isEmpty() || rows.first().row() != row) {
            selection->select(model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    });
    // "Fotobuňka" is 90 pixels wide (70 to 90) in an 8-point face; here it
    // also makes room for the icon and a caption such as "Před.IMPULS".
    const int captionWidth = view->fontMetrics().horizontalAdvance(QStringLiteral("Před.IMPULS")) + 16 + 14;
    const int photocell = std::max(90, captionWidth);
    new ColumnLimits(view, {{photocell, 70, photocell}, {80, 0, 0}});
}

}  // namespace

void TfrmMain::CreateLogic()
{
    // The racer table starts empty at every start; the store names racers by it.
    m_racers = std::make_unique<RacerTable>();
    m_data->SetRacers(m_racers.get());
    // One alarm for every file the window saves: a disk that fails for a
    // moment brings one box, not one per file and per try.
    m_saveAlarm = std::make_unique<SaveAlarm>(&m_dialogs);
    m_data->SetSaveAlarm(m_saveAlarm.get());
    m_racerPage->Bind(*m_racers, m_dialogs, m_saveAlarm.get());
    m_racerFiles = std::make_unique<RacerFileMemory>(*m_racers, m_dialogs, m_data->FileName);
    m_racerFiles->SetSaveAlarm(m_saveAlarm.get());
    connect(m_racerPage, &RacerPage::racerFileUsed, m_racerFiles.get(), &RacerFileMemory::RacerFileUsed);
    m_results = std::make_unique<ResultsLists>(*m_data, m_racers.get());
    m_desk = std::make_unique<TimingDesk>(*m_data, m_dialogs, m_racers.get());
    // The race sheet: each change a step of the desk's history, and the lists
    // ranked by it anew.
    m_sheet = std::make_unique<RaceSheetStore>(&m_dialogs);
    m_desk->SetSheet(m_sheet.get());
    m_results->setSheet(m_sheet.get());
    connect(m_sheet.get(), &RaceSheetStore::sheetChanged, m_results.get(), [this] { m_results->RefreshLists(-1); });
    connect(m_sheet.get(), &RaceSheetStore::sheetReplaced, m_results.get(), [this] { m_results->RefreshLists(-1); });
    // The lists follow every change of the records from the store; the desk
    // asks for a refresh after its commands that change none.
    connect(m_desk.get(), &TimingDesk::refreshRequested, m_results.get(), &ResultsLists::RefreshLists);
    m_manual = std::make_unique<ManualEntry>(*m_data, m_dialogs);
    connect(m_desk.get(), &TimingDesk::manualEntryHideRequested, m_manual.get(), &ManualEntry::Hide);
    connect(m_desk.get(), &TimingDesk::manualEntryRequested, m_manual.get(), &ManualEntry::OpenRecord);
    BindTimingPage();
    BindKeypad();
    BindRecordList();
    BindResultsPage();
    BindJournal();
    BindModuleLink();
    BindRacerChanges();
    BindPublishing();
}

void TfrmMain::BindRacerChanges()
{
    // The lists, the leader, the spectator window and the web page name the
    // racers by the table: an import, a loaded racer file or a grid edit shows
    // there at once, not only when the timing page is shown again.  The
    // refresh waits for the event loop, so that an import's several signals
    // give one refresh; its lookups leave the grid's cursor and an open cell
    // editor (the navigator's new row among them) as the operator has them.
    auto *pending = new QTimer(this);
    pending->setSingleShot(true);
    pending->setInterval(0);
    connect(pending, &QTimer::timeout, this, [this] {
        if (!m_results || !m_racers)
            return;
        RacerTable::QuietLookups quiet(*m_racers);
        m_results->RefreshLists(-1);
    });
    const auto later = [pending] { pending->start(); };
    RacerTable *racers = m_racers.get();
    connect(racers, &QAbstractItemModel::modelReset, pending, later);
    connect(racers, &QAbstractItemModel::rowsInserted, pending, later);
    connect(racers, &QAbstractItemModel::rowsRemoved, pending, later);
    connect(racers, &QAbstractItemModel::dataChanged, pending, later);
}

void TfrmMain::BindJournal()
{
    m_writer = std::make_unique<BackgroundWriter>();
    m_data->SetSaveQueue(m_writer.get());
    m_journal = std::make_unique<JournalKeeper>();
    JournalKeeper *journal = m_journal.get();
    journal->SetIndexFolder(QFileInfo(m_data->FileName).path());
    journal->currentRows = [this] { return m_desk->JournalRows(); };
    m_desk->SetJournal(journal);
    m_data->SetJournal(journal);
    m_sheet->setJournal(journal);
    journal->currentRecords = [this] { return JournalKeeper::RecordEntries(m_data->records()); };
    connect(m_data.get(), &RecordStore::saveHandedOver, journal, &JournalKeeper::Saving);
    connect(m_data.get(), &RecordStore::saveWritten, journal, &JournalKeeper::Saved);
    connect(journal, &JournalKeeper::writingChanged, m_saveAlarm.get(),
            [alarm = m_saveAlarm.get()](const QString &problem) { alarm->Report(SavedFile::Journal, problem); });
    // Each stays in sight, and in the event log once, for as long as it lasts.
    connect(m_saveAlarm.get(), &SaveAlarm::problemChanged, this, [this](SavedFile file, const QString &problem) {
        switch (file) {
        case SavedFile::DataFile:
            ShowAlarm(lblUkladani, problem, QStringLiteral("Datový soubor se neukládá – "),
                      QStringLiteral("Datový soubor se opět ukládá."));
            break;
        case SavedFile::Journal:
            ShowAlarm(lblDenik, problem, QStringLiteral("Deník impulsů se nezapisuje – "),
                      QStringLiteral("Deník impulsů se opět zapisuje."));
            break;
        case SavedFile::RacerFile:
            ShowAlarm(lblZavodniciUlozeni, problem, QStringLiteral("Soubor závodníků není uložen – "),
                      QStringLiteral("Soubor závodníků je uložen."));
            break;
        }
    });
    connect(m_desk.get(), &TimingDesk::dataFileReplaced, this, [this](bool opened) {
        if (opened) {
            RecoveryTarget target = RecoveryTargetOf();
            RecoverOpened(target);
            OpenRacersOfRace();
            m_results->RefreshLists(-1);
        } else {
            m_journal->Begin(m_data->FileName);
            m_racerFiles->NewDataFile(m_data->FileName);
        }
    });
    journal->Begin(m_data->FileName);
}

void TfrmMain::ShowAlarm(QLabel *alarm, const QString &problem, const QString &prefix, const QString &over)
{
    if (!problem.isEmpty()) {
        alarm->setText(prefix + problem);
        alarm->show();
        WriteLog(alarm->text());
    } else if (!alarm->isHidden()) {
        alarm->hide();
        WriteLog(over);
    }
}

RecoveryTarget TfrmMain::RecoveryTargetOf()
{
    return RecoveryTarget{*m_data, m_dialogs, *m_journal, m_desk.get(), m_sheet.get()};
}

void TfrmMain::RecoverJournal()
{
    if (!m_journal)
        return;
    RecoveryTarget target = RecoveryTargetOf();
    RecoverAtStart(target, QFileInfo(m_journal->path()).path());
    // An unnamed race a crash left is offered even when no journal holds
    // more; opened, it is handled as any opened file (its journal follows).
    if (OfferLeftRaces(*m_data, m_dialogs))
        RecoverOpened(target);
    UpdateTitle();  // a restored race may be a named one
    OpenRacersOfRace();
    m_results->RefreshLists(-1);
    ReopenLastRace();
}

void TfrmMain::ReopenLastRace()
{
    const QString last = LastRace::Remembered();
    switch (LastRace::AtStart(last, m_data->FileName, int(m_data->records().size()))) {
    case LastRace::Action::None: return;
    case LastRace::Action::Missing: m_dialogs.message(LastRace::MissingText(last), MsgIcon::Warning); return;
    case LastRace::Action::Open: break;
    }
    // Opened as "&Otevřít" opens: its journal, then its racer file, whose
    // line in the status bar follows the race's.
    SetStatusText({});
    if (!m_desk->OpenDataFile(last))
        return;  // the store said why; the new unnamed race stays
    const QString racers = StatusText();
    QString status = LastRace::OpenedText(last, int(m_data->records().size()));
    if (!racers.isEmpty())
        status += QStringLiteral(". ") + racers;
    SetStatusText(status);
}

void TfrmMain::OpenRacersOfRace()
{
    const QString status = m_racerFiles->DataFileOpened(m_data->FileName);
    if (status.isEmpty())
        return;
    m_racerPage->JoinCategories();
    SetStatusText(status);
}

void TfrmMain::BindModuleLink()
{
    m_link = std::make_unique<LinkController>(QtSerialBackend::FromEnvironment(), &WriteLog);
    LinkController *link = m_link.get();
    link->stampRead = [journal = m_journal.get()](bool start, DayTime stamp) {
        journal->StampRead(start ? JournalList::Start : JournalList::Finish, stamp);
    };
    connect(btnConnect, &QPushButton::clicked, link, [this] { m_link->connectModule(cbRezimFB->currentIndex()); });
    connect(btnDisconnect, &QPushButton::clicked, link, &LinkController::disconnectModule);
    connect(link, &LinkController::statusChanged, this, &TfrmMain::SetStatusText);
    connect(link, &LinkController::cursorChanged, this, [this](LinkCursor cursor) {
        setCursor(cursor == LinkCursor::Wait         ? Qt::WaitCursor
                  : cursor == LinkCursor::Background ? Qt::BusyCursor
                                                     : Qt::ArrowCursor);
    });
    connect(link, &LinkController::connectEnabledChanged, this, [this](bool enabled) {
        btnConnect->setEnabled(enabled);
        btnDisconnect->setEnabled(!enabled);
    });
    connect(link, &LinkController::startImpulse, m_desk.get(), &TimingDesk::PostStartImpulse);
    connect(link, &LinkController::finishImpulse, m_desk.get(), &TimingDesk::PostFinishImpulse);
    auto *state = new ModuleState(link);
    state->Watch(*link);
    m_moduleIndicator->Bind(state);
}

void TfrmMain::BindTimingPage()
{
    TimingDesk *desk = m_desk.get();
    BindSelection(lvPulsy, &desk->startList());
    BindSelection(lvPulsy2, &desk->finishList());
    BindWaitingCount(lblCekaStart, &desk->startList());
    BindWaitingCount(lblCekaCil, &desk->finishList());
    connect(desk, &TimingDesk::olderImpulseTaken, this, &TfrmMain::SetStatusText);
    connect(btnSimulace, &QPushButton::clicked, desk, &TimingDesk::simulateStartImpulse);
    connect(btnSimulace2, &QPushButton::clicked, desk, &TimingDesk::simulateFinishImpulse);
    connect(btnSmaz, &QPushButton::clicked, desk, &TimingDesk::deleteSelectedImpulse);
    connect(btnSmazVse, &QPushButton::clicked, desk, &TimingDesk::deleteAllImpulses);
    BindUndo();

    // The desk reads the three modes afresh at every key press and impulse.
    DeskSettings &settings = desk->settings();
    settings.filterIndex = cbFiltr->currentIndex();
    settings.photocellMode = cbRezimFB->currentIndex();
    settings.functionMode = cbRezimFunkce->currentIndex();
    connect(cbFiltr, &QComboBox::currentIndexChanged, desk, [&settings](int i) { settings.filterIndex = i; });
    connect(cbRezimFB, &QComboBox::currentIndexChanged, desk, [&settings](int i) { settings.photocellMode = i; });
    connect(cbRezimFunkce, &QComboBox::currentIndexChanged, desk, [&settings](int i) { settings.functionMode = i; });

    connect(PageControl, &QTabWidget::currentChanged, desk, [this] {
        if (PageControl->currentWidget() == tsMereni)
            m_desk->refreshLists();
    });
}

void TfrmMain::BindKeypad()
{
    TimingDesk *desk = m_desk.get();
    connect(desk, &TimingDesk::displayChanged, this, [this](const QString &number, const QString &label) {
        lblCislo->setText(number);
        lblUkazJmeno->setText(label);
    });
    connect(desk, &TimingDesk::focusInsertRequested, Button2, [this] { Button2->setFocus(); });
    // Each key carries its digit from here on, whatever a desktop may do to
    // the captions (some add accelerator marks to every button text).
    const QStringList digits{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "<"};
    for (qsizetype i = 0; i < m_keypadKeys.size(); ++i)
        connect(m_keypadKeys[i], &QPushButton::clicked, desk, [desk, digit = digits[i]] { desk->pressKey(digit); });
    connect(Button2, &QPushButton::clicked, desk, &TimingDesk::insert);
    connect(btnStart, &QPushButton::clicked, desk, &TimingDesk::startRace);
    connect(desk, &TimingDesk::dataFileChanged, this, &TfrmMain::UpdateTitle);
    // A named race is remembered as soon as it is open, not only at the close:
    // after a kill or a power cut with nothing left to recover, the next start
    // still brings it back.  An unnamed one is left to crash recovery, which
    // asks about it.
    connect(desk, &TimingDesk::dataFileChanged, this, [this] {
        LastRace::Remember(m_data->Unnamed ? QString() : m_data->FileName);
    });
    // A race saved under a new name keeps its racer file.
    connect(desk, &TimingDesk::dataFileChanged, m_racerFiles.get(),
            [this] { m_racerFiles->DataFileNamed(m_data->FileName); });
}

void TfrmMain::BindRecordList()
{
    TimingDesk *desk = m_desk.get();
    lv->setModel(m_results->recordModel());
    // "Číslo", where the racers' names appear, takes the width the others leave.
    new ColumnLimits(lv, LimitsOf<RecordListModel>(RecordListModel::ColumnCount), RecordListModel::Caption);
    connect(m_results.get(), &ResultsLists::recordSelectionRequested, lv, [this](int row) {
        lv->scrollToTop();
        if (row < 0) {
            lv->selectionModel()->clearSelection();
            return;
        }
        const QModelIndex index = m_results->recordModel()->index(row, 0);
        lv->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        lv->scrollTo(index);
    });
    connect(m_results.get(), &ResultsLists::leaderChanged, lblVitez, &QLabel::setText);
    connect(lv, &QAbstractItemView::doubleClicked, desk, [this] { m_desk->editRecord(SelectedRecord()); });
    connect(Button21, &QPushButton::clicked, desk, [this] { m_desk->deleteRecord(SelectedRecord()); });
    connect(btnNovyZaznam, &QPushButton::clicked, m_manual.get(), &ManualEntry::OpenNew);
    lv->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lv, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = lv->indexAt(pos);
        const TimeRecordPtr record = index.isValid() ? m_results->recordModel()->recordAt(index.row()) : nullptr;
        if (record)
            ShowStatusMenu(record->Number, lv->viewport()->mapToGlobal(pos));
    });
    connect(cbRealCas, &QCheckBox::toggled, desk, [this] {
        m_results->setRealCas(cbRealCas->isChecked());
        m_desk->refreshLists();
    });
    connect(Button27, &QPushButton::clicked, desk, &TimingDesk::newFile);
    connect(Button28, &QPushButton::clicked, desk, &TimingDesk::openFile);
    connect(Button29, &QPushButton::clicked, desk, &TimingDesk::saveAs);
    connect(Button30, &QPushButton::clicked, desk, &TimingDesk::save);
}

void TfrmMain::BindResultsPage()
{
    lv1->setModel(m_results->resultsModel());
    auto *limits = new ColumnLimits(lv1, LimitsOf<ResultsListModel>(ResultsListModel::Note));
    lv1->horizontalHeader()->setStretchLastSection(true);  // "Poznámka" fills the rest
    // The racer column grows, within its limit, to the widest racer in view:
    // "Poznámka" has room to spare, a cut name has none.
    connect(m_results.get(), &ResultsLists::resultsRefreshed, lv1, [this, limits] {
        QHeaderView *header = lv1->horizontalHeader();
        const int was = header->sectionSize(ResultsListModel::Caption);
        lv1->resizeColumnToContents(ResultsListModel::Caption);  // measures the rows in view
        const int wanted = limits->Bounded(ResultsListModel::Caption, header->sectionSize(ResultsListModel::Caption));
        header->resizeSection(ResultsListModel::Caption, std::max(was, wanted));
    });
    // "Pořadí" first; "Poř. v kat." beside the racer, and only while every
    // category is shown.
    QHeaderView *resultsHeader = lv1->horizontalHeader();
    resultsHeader->moveSection(resultsHeader->visualIndex(ResultsListModel::Rank), 0);
    resultsHeader->moveSection(resultsHeader->visualIndex(ResultsListModel::CategoryRank),
                               resultsHeader->visualIndex(ResultsListModel::Caption) + 1);
    for (const ResultsListModel::Column rank : {ResultsListModel::Rank, ResultsListModel::CategoryRank})
        resultsHeader->resizeSection(rank, ResultsListModel::columnWidth(rank).initial);
    connect(cbKategorie, &CategoryBox::categoryChosen, this, [this](const QString &category) {
        m_results->setCategory(category);
        lv1->setColumnHidden(ResultsListModel::CategoryRank, !category.isEmpty());
        cbKategorieZvlast->setEnabled(category.isEmpty());  // one category is printed as shown
    });
    connect(m_results.get(), &ResultsLists::resultsRefreshed, cbKategorie,
            [this] { cbKategorie->setCategories(*m_results->table()); });
    m_results->setLapsMode(cbRezimKol->currentIndex());
    connect(cbRezimKol, &QComboBox::currentIndexChanged, m_results.get(), [this](int index) {
        m_results->setLapsMode(index);
        m_results->RefreshLists(-1);
    });
    connect(btnPravidla, &QPushButton::clicked, this, &TfrmMain::OpenRulesDialog);
    lv1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lv1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = lv1->indexAt(pos);
        if (index.isValid())
            ShowStatusMenu(m_results->resultsModel()->row(index.row()).number, lv1->viewport()->mapToGlobal(pos));
    });
    connect(btnExpr, &QPushButton::clicked, this,
            [this] { ExportResults(m_dialogs, m_results->resultsModel()->section()); });
    connect(btnTisk, &QPushButton::clicked, this,
            [this] { PrintResults(m_dialogs, PrintedResults(), PrintMomentNow()); });
    connect(btnPdf, &QPushButton::clicked, this,
            [this] { SaveResultsPdf(m_dialogs, PrintedResults(), PrintMomentNow()); });
    CopyResultsColumnsToDisplay();
    gbDisplej->Bind(frmDisplay, m_results.get());
    // The web page shows the spectator window's caption and running time.
    WebControls *web = m_settingsPage->webControls();
    web->Bind(frmDisplay, m_results.get());
    connect(gbDisplej->edDispCaption, &QLineEdit::textChanged, web, &WebControls::Republish);
    connect(gbDisplej->cbDispRunningTime, &QCheckBox::toggled, web, &WebControls::Republish);
}

void TfrmMain::BindPublishing()
{
    PublishControls *publish = m_settingsPage->publishControls();
    publish->Bind(frmDisplay, m_results.get());
    connect(gbDisplej->edDispCaption, &QLineEdit::textChanged, publish, &PublishControls::Offer);
    connect(gbDisplej->cbDispRunningTime, &QCheckBox::clicked, publish, &PublishControls::Offer);
    connect(&publish->publisher(), &Publisher::stateChanged, this, &TfrmMain::ShowPublishState);
    ShowPublishState();
}

void TfrmMain::ShowPublishState()
{
    const Publisher &publisher = m_settingsPage->publishControls()->publisher();
    const bool failed = publisher.state() == Publisher::State::Failed;
    lblZverejneni->setText(publisher.stateText());
    wZverejneni->setVisible(publisher.state() != Publisher::State::Idle);
    imgZverejneni->setVisible(failed);
    QPalette palette = wZverejneni->palette();
    palette.setColor(QPalette::Window, failed ? QColor(0xc0, 0x00, 0x00) : lblVitez->palette().color(QPalette::Window));
    palette.setColor(QPalette::WindowText, failed ? QColor(Qt::white)
                                           : publisher.state() == Publisher::State::Published
                                               ? QColor(0x00, 0x80, 0x00)
                                               : lblVitez->palette().color(QPalette::Text));
    wZverejneni->setPalette(palette);
    lblZverejneni->setPalette(palette);
}

std::vector<ResultsSection> TfrmMain::PrintedResults() const
{
    return PrintedSections(m_results->resultsModel()->section(),
                           cbKategorieZvlast->isEnabled() && cbKategorieZvlast->isChecked());
}

PrintMoment TfrmMain::PrintMomentNow() const
{
    return PrintMomentOf(m_data->FileName, m_data->Unnamed, QDateTime::currentDateTime());
}

void TfrmMain::SetManualEntryDialog(ManualEntryDialog *dialog)
{
    frmTime = dialog;
    if (frmTime && m_manual)
        frmTime->Bind(m_manual.get());
}

void TfrmMain::BindGuide()
{
    // F1 works in every window of the program (the manual entry dialog and
    // the spectator window too), wherever the focus is.
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::ApplicationShortcut);
    connect(f1, &QShortcut::activated, this, [this] { OpenGuide(m_dialogs); });
    connect(btnNapoveda, &QPushButton::clicked, this, [this] { OpenGuide(m_dialogs); });
}

void TfrmMain::BindUndo()
{
    TimingDesk *desk = m_desk.get();
    QUndoStack &history = desk->history();
    connect(btnZpet, &QPushButton::clicked, desk, &TimingDesk::Undo);
    connect(btnZnovu, &QPushButton::clicked, desk, &TimingDesk::Redo);
    // The flag ends the races the spectator window shows: one category, or all.
    connect(btnCilovaVlajka, &QPushButton::clicked, desk, [this] {
        const QString shown = gbDisplej->cbDispKategorie->chosen();
        m_desk->WaveFinishFlag(shown.isEmpty() ? QStringList() : QStringList{shown});
    });
    // Each button names the step it will take back or do again.
    auto show = [this, &history] {
        btnZpet->setEnabled(history.canUndo());
        btnZpet->setToolTip(history.canUndo() ? QStringLiteral("Zpět: ") + history.undoText()
                                              : QStringLiteral("Není co vrátit"));
        btnZnovu->setEnabled(history.canRedo());
        btnZnovu->setToolTip(history.canRedo() ? QStringLiteral("Znovu: ") + history.redoText()
                                               : QStringLiteral("Není co provést znovu"));
    };
    connect(&history, &QUndoStack::indexChanged, this, show);
    connect(&history, &QUndoStack::cleanChanged, this, show);
    connect(&history, &QUndoStack::canUndoChanged, this, show);
    connect(&history, &QUndoStack::canRedoChanged, this, show);
    show();
}

void TfrmMain::ShowStatusMenu(int32_t number, const QPoint &where)
{
    if (number < 1 || number > MaxStatusNumber)
        return;  // a race start or a passage without a number
    QMenu *menu = StatusMenu(number, m_sheet->sheet().status(number), this);
    connect(menu, &QMenu::triggered, this,
            [this, number](QAction *action) { SetStatus(number, RacerStatus(action->data().toInt())); });
    menu->popup(where);
}

void TfrmMain::SetStatus(int32_t number, RacerStatus status)
{
    StatusEntry after{status, {}};
    if (status == RacerStatus::DSQ) {
        const StatusEntry now = m_sheet->sheet().status(number);
        const std::optional<QString> reason = m_dialogs.askText(
            QStringLiteral("Diskvalifikace"), QStringLiteral("Důvod diskvalifikace čísla %1:").arg(number),
            now.status == RacerStatus::DSQ ? now.reason : QString());
        if (!reason)
            return;
        after.reason = reason->simplified();
        if (after.reason.size() > MaxStatusReason) {
            m_dialogs.message(QStringLiteral("Důvod může mít nejvýše %1 znaků; stav se nezměnil.").arg(MaxStatusReason),
                              MsgIcon::Warning);
            return;
        }
    }
    const SheetChange change = StatusChange(m_sheet->sheet(), number, after);
    if (!change.empty())
        m_desk->ChangeSheet(change);
}

void TfrmMain::OpenRulesDialog()
{
    auto *dialog = new RulesDialog(RulesOffered(m_sheet->sheet(), *m_results->table()), cbRezimKol->currentIndex() == 0,
                                   this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const SheetChange change = RulesChange(m_sheet->sheet(), dialog->chosen());
        if (!change.empty())
            m_desk->ChangeSheet(change);
    });
    dialog->open();
}

TimeRecordPtr TfrmMain::SelectedRecord() const
{
    const QModelIndexList rows = lv->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : m_results->recordModel()->recordAt(rows.first().row());
}

// ---------------------------------------------------------------------------
// Keys

bool TfrmMain::handleTimingPageKey(QKeyEvent *key)
{
    if (PageControl->currentWidget() != tsMereni)
        return false;
    // Text typed into a field (the spectator caption, a grid cell) is the
    // field's: "Velká cena 2026" must not press keypad keys or simulate
    // impulses on the way.
    if (TakesTypedText(QApplication::focusWidget()))
        return false;
    const bool keypad = key->modifiers() & Qt::KeypadModifier;
    if (UndoKey(key))
        return true;
    switch (key->key()) {
    case Qt::Key_Backspace:
        m_keypadKeys.last()->click();  // "<"
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Consumed: the focused button must not take the same key press
        // again as its own.
        PressDefaultButton();
        return true;
    case Qt::Key_Plus:
        if (keypad)
            Button2->click();
        return false;
    case Qt::Key_Space: {
        // The number is read before the impulse: an impulse that completes
        // a preselection empties the display.
        const bool insert = m_desk->displayText() != QStringLiteral("0");
        if (QWidget *focus = QApplication::focusWidget())
            focus->clearFocus();
        btnSimulace->click();
        if (insert)
            Button2->click();
        return true;
    }
    case Qt::Key_F5: btnSimulace->click(); return false;
    case Qt::Key_F6: btnSimulace2->click(); return false;
    case Qt::Key_F3: btnSmaz->click(); return false;
    case Qt::Key_F4: btnSmazVse->click(); return false;
    case Qt::Key_Escape: m_desk->ResetDisplay(); return false;
    default: break;
    }
    // Both digit blocks; the keypad's digits arrive as digits with the
    // keypad flag.
    if (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9)
        DigitKey(key->key() - Qt::Key_0)->click();
    return false;
}

bool TfrmMain::UndoKey(QKeyEvent *key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool undo = mods == Qt::ControlModifier && key->key() == Qt::Key_Z;
    const bool redo = (mods == Qt::ControlModifier && key->key() == Qt::Key_Y)
                      || (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key->key() == Qt::Key_Z);
    if (!undo && !redo)
        return false;
    // In a text field the keys are the field's own.
    QWidget *focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit *>(focus) || qobject_cast<QAbstractSpinBox *>(focus) || qobject_cast<QTextEdit *>(focus)
        || qobject_cast<QPlainTextEdit *>(focus))
        return false;
    (undo ? btnZpet : btnZnovu)->click();
    return true;
}

bool TfrmMain::deleteOrEditRecord(QKeyEvent *key)
{
    // Both act on the record list's selection, whichever list has the focus.
    switch (key->key()) {
    case Qt::Key_Delete: Button21->click(); return true;
    case Qt::Key_F2: m_desk->editRecord(SelectedRecord()); return true;
    default: return false;
    }
}

void TfrmMain::PressDefaultButton()
{
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    (focused ? focused : Button2)->click();
}

QPushButton *TfrmMain::DigitKey(int digit) const
{
    return m_keypadKeys[digit == 0 ? 9 : digit - 1];
}
