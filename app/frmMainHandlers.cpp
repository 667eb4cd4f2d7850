// The one place where the main window's controls meet the logic they drive:
// the timing desk, the results lists and the racer table.  Every handler is a
// call on the logic; what a command does is decided there.
#include "main.h"

#include "Display.h"
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
    BindKeypad();
    BindRecordList();
    BindResultsPage();
}

void TfrmMain::BindTimingPage()
{
    TimingDesk *desk = m_desk.get();
    BindSelection(lvPulsy, &desk->startList());
    BindSelection(lvPulsy2, &desk->finishList());
    connect(btnSimulace, &QPushButton::clicked, desk, &TimingDesk::btnSimulaceClick);
    connect(btnSimulace2, &QPushButton::clicked, desk, &TimingDesk::btnSimulace2Click);
    connect(btnSmaz, &QPushButton::clicked, desk, &TimingDesk::btnSmazClick);
    connect(btnSmazVse, &QPushButton::clicked, desk, &TimingDesk::btnSmazVseClick);

    // The desk reads the three modes afresh at every key press and impulse.
    DeskSettings &settings = desk->settings();
    settings.filterIndex = cbFiltr->currentIndex();
    settings.photocellMode = cbRezimFB->currentIndex();
    settings.functionMode = cbRezimFunkce->currentIndex();
    connect(cbFiltr, &QComboBox::currentIndexChanged, desk, [&settings](int i) { settings.filterIndex = i; });
    connect(cbRezimFB, &QComboBox::currentIndexChanged, desk, [&settings](int i) { settings.photocellMode = i; });
    connect(cbRezimFunkce, &QComboBox::currentIndexChanged, desk,
            [&settings](int i) { settings.functionMode = i; });

    connect(PageControl, &QTabWidget::currentChanged, desk, [this] {
        if (PageControl->currentWidget() == tsMereni)
            m_desk->tsMereniShow();
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
        connect(m_keypadKeys[i], &QPushButton::clicked, desk, [desk, digit = digits[i]] { desk->Button6Click(digit); });
    connect(Button2, &QPushButton::clicked, desk, &TimingDesk::Button2Click);
    connect(btnStart, &QPushButton::clicked, desk, &TimingDesk::btnStartClick);
}

void TfrmMain::BindRecordList()
{
    TimingDesk *desk = m_desk.get();
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
    connect(m_results.get(), &ResultsLists::leaderChanged, lblVitez, &QLabel::setText);
    connect(lv, &QAbstractItemView::doubleClicked, desk, [this] { m_desk->lvDblClick(SelectedRecord()); });
    connect(Button21, &QPushButton::clicked, desk, [this] { m_desk->Button21Click(SelectedRecord()); });
    connect(cbRealCas, &QCheckBox::clicked, desk, [this] {
        m_results->setRealCas(cbRealCas->isChecked());
        m_desk->cbRaditClick();
    });
    connect(Button27, &QPushButton::clicked, desk, &TimingDesk::Button27Click);
    connect(Button28, &QPushButton::clicked, desk, &TimingDesk::Button28Click);
    connect(Button29, &QPushButton::clicked, desk, &TimingDesk::Button29Click);
    connect(Button30, &QPushButton::clicked, desk, &TimingDesk::SaveButtonClick);
}

void TfrmMain::BindResultsPage()
{
    lv1->setModel(m_results->resultsModel());
    QHeaderView *header = lv1->horizontalHeader();
    for (int c = 0; c < ResultsListModel::Note; ++c)
        SetWidths(header, c, ResultsListModel::columnWidth(ResultsListModel::Column(c)));
    header->setStretchLastSection(true);  // "Poznámka" fills the rest
    m_results->setLapsMode(cbRezimKol->currentIndex());
    connect(cbRezimKol, &QComboBox::currentIndexChanged, m_results.get(), [this](int index) {
        m_results->setLapsMode(index);
        m_results->RefreshLists(-1);
    });
    CopyResultsColumnsToDisplay();
}

TRadekPtr TfrmMain::SelectedRecord() const
{
    const QModelIndexList rows = lv->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : m_results->recordModel()->recordAt(rows.first().row());
}

// ---------------------------------------------------------------------------
// Keys

bool TfrmMain::FormKeyDown(QKeyEvent *key)
{
    if (PageControl->currentWidget() != tsMereni)
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        PressDefaultButton();
        return true;
    }
    return false;
}

bool TfrmMain::lvKeyDown(QKeyEvent *)
{
    return false;
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
