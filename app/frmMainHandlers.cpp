// The main window's handlers: each ties a control of the timing page or the
// results page to the timing desk or the results lists, where the work is done.
#include "main.h"

#include "Display.h"
#include "DisplayControls.h"
#include "ResultsExport.h"
#include "HotTrackView.h"
#include "ImpulseListModel.h"
#include "ResultsLists.h"
#include "TimingDesk.h"
#include "casy.h"
#include "sezZavodniku.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

namespace {

void SetWidths(QHeaderView *header, int column, RecordListModel::Width width)
{
    header->resizeSection(column, width.initial);
    // A header knows one limit for all its sections; the tightest of the
    // columns' own limits is what can be kept.
    if (width.minimum > 0)
        header->setMinimumSectionSize(std::min(header->minimumSectionSize(), width.minimum));
}

// Mirrors the desk's selected impulse row and the view's selection both ways.
void BindSelection(QTableView *view, ImpulseListModel *model)
{
    view->setModel(model);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, model,
                     [view, model] {
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
            selection->select(model->index(row, 0),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    });
    // "Fotobuňka" is 90 pixels wide (70 to 90) in an 8-point face; here it
    // also makes room for the icon and a caption such as "Před.IMPULS".
    QHeaderView *header = view->horizontalHeader();
    const int captionWidth = view->fontMetrics().horizontalAdvance(QStringLiteral("Před.IMPULS")) + 16 + 14;
    header->setMinimumSectionSize(70);
    header->setMaximumSectionSize(std::max(90, captionWidth));
    header->resizeSection(ImpulseListModel::Photocell, std::max(90, captionWidth));
    header->resizeSection(ImpulseListModel::Time, 80);
    header->setStretchLastSection(false);
}

}  // namespace

void TfrmMain::CreateLogic()
{
    // The racer table starts empty at every start; the store names racers by it.
    m_racers = std::make_unique<RacerTable>();
    m_data->SetRacers(m_racers.get());
    m_results = std::make_unique<ResultsLists>(*m_data, m_racers.get());
    m_desk = std::make_unique<TimingDesk>(*m_data, m_dialogs, m_racers.get());
    m_desk->refreshLists = [this](int number) { m_results->RefreshLists(number); };
    m_desk->hideManualEntry = [this] {
        if (frmTime)
            frmTime->hide();
    };
    BindTimingPage();
    BindResultsPage();
    FormKeyDown = [this](QKeyEvent *key) {
        if (PageControl->currentWidget() != tsMereni)
            return false;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return PressDefaultButton();
        return false;
    };
}

void TfrmMain::BindTimingPage()
{
    BindSelection(lvPulsy, &m_desk->startList());
    BindSelection(lvPulsy2, &m_desk->finishList());

    lv->setModel(m_results->recordModel());
    QHeaderView *header = lv->horizontalHeader();
    for (int c = 0; c < RecordListModel::ColumnCount; ++c)
        SetWidths(header, c, RecordListModel::columnWidth(RecordListModel::Column(c)));
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
    connect(lv, &QAbstractItemView::doubleClicked, this, &TfrmMain::lvDblClick);
    connect(m_results.get(), &ResultsLists::leaderChanged, lblVitez, &QLabel::setText);

    connect(m_desk.get(), &TimingDesk::displayChanged, this, [this](const QString &number, const QString &label) {
        lblCislo->setText(number);
        lblUkazJmeno->setText(label);
    });
    connect(m_desk.get(), &TimingDesk::focusInsertRequested, Button2, [this] { Button2->setFocus(); });
    // Each key carries its digit from here on, whatever a desktop may do to
    // the captions (some add accelerator marks to every button text).
    const QList<QPushButton *> keys = KeypadKeys();
    const QStringList digits{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "<"};
    for (qsizetype i = 0; i < keys.size(); ++i)
        connect(keys[i], &QPushButton::clicked, this, [this, digit = digits[i]] { Button6Click(digit); });
    connect(Button2, &QPushButton::clicked, this, &TfrmMain::Button2Click);
    connect(btnStart, &QPushButton::clicked, this, &TfrmMain::btnStartClick);
    connect(btnSimulace, &QPushButton::clicked, this, &TfrmMain::btnSimulaceClick);
    connect(btnSimulace2, &QPushButton::clicked, this, &TfrmMain::btnSimulace2Click);
    connect(btnSmaz, &QPushButton::clicked, this, &TfrmMain::btnSmazClick);
    connect(btnSmazVse, &QPushButton::clicked, this, &TfrmMain::btnSmazVseClick);
    connect(Button21, &QPushButton::clicked, this, &TfrmMain::Button21Click);
    connect(Button27, &QPushButton::clicked, this, &TfrmMain::Button27Click);
    connect(Button28, &QPushButton::clicked, this, &TfrmMain::Button28Click);
    connect(Button29, &QPushButton::clicked, this, &TfrmMain::Button29Click);
    connect(Button30, &QPushButton::clicked, this, &TfrmMain::SaveButtonClick);
    connect(cbRealCas, &QCheckBox::clicked, this, &TfrmMain::cbRaditClick);

    // The desk reads the three modes afresh at every key press and impulse.
    DeskSettings &settings = m_desk->settings();
    settings.filterIndex = cbFiltr->currentIndex();
    settings.photocellMode = cbRezimFB->currentIndex();
    settings.functionMode = cbRezimFunkce->currentIndex();
    connect(cbFiltr, &QComboBox::currentIndexChanged, this, [&settings](int i) { settings.filterIndex = i; });
    connect(cbRezimFB, &QComboBox::currentIndexChanged, this, [&settings](int i) { settings.photocellMode = i; });
    connect(cbRezimFunkce, &QComboBox::currentIndexChanged, this,
            [&settings](int i) { settings.functionMode = i; });

    connect(PageControl, &QTabWidget::currentChanged, this, [this] {
        if (PageControl->currentWidget() == tsMereni)
            tsMereniShow();
    });
}

void TfrmMain::BindResultsPage()
{
    lv1->setModel(m_results->resultsModel());
    QHeaderView *header = lv1->horizontalHeader();
    for (int c = 0; c < ResultsListModel::Note; ++c)
        SetWidths(header, c, ResultsListModel::columnWidth(ResultsListModel::Column(c)));
    header->setStretchLastSection(true);  // "Poznámka" fills the rest
    m_results->setLapsMode(cbRezimKol->currentIndex());
    connect(cbRezimKol, &QComboBox::currentIndexChanged, this, &TfrmMain::cbRezimKolChange);
    connect(btnExpr, &QPushButton::clicked, this, [this] { ExportResults(m_dialogs, *m_results->resultsModel()); });
    CopyResultsColumnsToDisplay();
    gbDisplej->Bind(frmDisplay, m_results.get());
}

TRadekPtr TfrmMain::SelectedRecord() const
{
    const QModelIndexList rows = lv->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : m_results->recordModel()->recordAt(rows.first().row());
}

bool TfrmMain::PressDefaultButton()
{
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    (focused ? focused : Button2)->click();
    return true;
}

void TfrmMain::Button6Click(const QString &key) { m_desk->Button6Click(key); }
void TfrmMain::Button2Click() { m_desk->Button2Click(); }
void TfrmMain::btnStartClick() { m_desk->btnStartClick(); }
void TfrmMain::btnSimulaceClick() { m_desk->btnSimulaceClick(); }
void TfrmMain::btnSimulace2Click() { m_desk->btnSimulace2Click(); }
void TfrmMain::btnSmazClick() { m_desk->btnSmazClick(); }
void TfrmMain::btnSmazVseClick() { m_desk->btnSmazVseClick(); }
void TfrmMain::Button21Click() { m_desk->Button21Click(SelectedRecord()); }
void TfrmMain::lvDblClick() { m_desk->lvDblClick(SelectedRecord()); }
void TfrmMain::tsMereniShow() { m_desk->tsMereniShow(); }
void TfrmMain::Button27Click() { m_desk->Button27Click(); }
void TfrmMain::Button28Click() { m_desk->Button28Click(); }
void TfrmMain::Button29Click() { m_desk->Button29Click(); }
void TfrmMain::SaveButtonClick() { m_desk->SaveButtonClick(); }

void TfrmMain::cbRaditClick()
{
    m_results->setRealCas(cbRealCas->isChecked());
    m_desk->cbRaditClick();
}

void TfrmMain::cbRezimKolChange()
{
    m_results->setLapsMode(cbRezimKol->currentIndex());
    m_results->RefreshLists(-1);
}
