#include "RacerPage.h"

#include "Categories.h"
#include "Dialogs.h"
#include "RacerCommands.h"
#include "RacerGridDelegate.h"
#include "RacerTable.h"
#include "SettingsPage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QHideEvent>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *PageButton(const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

RacerPage::RacerPage(SettingsPage &settings, QWidget *parent) : QWidget(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("tsRacerList"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    DBNavigatorZavodnici = BuildNavigator();
    layout->addWidget(DBNavigatorZavodnici);

    DBGridZavodnici = new QTableView;
    DBGridZavodnici->setObjectName(QStringLiteral("DBGridZavodnici"));
    DBGridZavodnici->setAccessibleName(QStringLiteral("Kompletní seznam závodníků"));
    DBGridZavodnici->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridZavodnici->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGridZavodnici->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                     | QAbstractItemView::AnyKeyPressed);
    DBGridZavodnici->setWordWrap(false);
    DBGridZavodnici->verticalHeader()->setDefaultSectionSize(DBGridZavodnici->fontMetrics().height() + 8);
    m_delegate = new RacerGridDelegate(DBGridZavodnici);
    DBGridZavodnici->setItemDelegate(m_delegate);
    layout->addWidget(DBGridZavodnici, 1);

    btnZavodniciLoad = PageButton("btnZavodniciLoad", QStringLiteral("Otevřít..."));
    btnZavodniciSave = PageButton("btnZavodniciSave", QStringLiteral("Uložit"));
    btnZavodniciSaveAs = PageButton("btnZavodniciSaveAs", QStringLiteral("Uložit jako..."));
    btnZavodniciImport = PageButton("btnZavodniciImport", QStringLiteral("Importovat CSV..."));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnZavodniciLoad);
    buttons->addWidget(btnZavodniciSave);
    buttons->addWidget(btnZavodniciSaveAs);
    buttons->addSpacing(24);
    buttons->addWidget(btnZavodniciImport);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

RacerPage::~RacerPage()
{
    // The focus moves while the children go, and the page is no page by then.
    QObject::disconnect(qApp, nullptr, this, nullptr);
    if (DBGridZavodnici->selectionModel())
        DBGridZavodnici->selectionModel()->disconnect(this);
    if (m_table) {
        m_table->disconnect(this);
        m_table->setEditCloser({});
    }
}

QWidget *RacerPage::BuildNavigator()
{
    auto *navigator = new QWidget;
    navigator->setObjectName(QStringLiteral("DBNavigatorZavodnici"));
    auto *layout = new QHBoxLayout(navigator);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const std::pair<const char *, QString> buttons[] = {
        {"nbFirst", QStringLiteral("První")},   {"nbPrior", QStringLiteral("Předchozí")},
        {"nbNext", QStringLiteral("Další")},    {"nbLast", QStringLiteral("Poslední")},
        {"nbInsert", QStringLiteral("Vložit")}, {"nbDelete", QStringLiteral("Smazat")},
    };
    for (const auto &[name, caption] : buttons) {
        QPushButton *b = PageButton(name, caption);
        // Like the grid's own keys: pressing them keeps the focus in the grid.
        b->setFocusPolicy(Qt::NoFocus);
        b->setEnabled(false);  // until the page has its table
        layout->addWidget(b);
    }
    layout->addStretch(1);
    return navigator;
}

void RacerPage::Bind(RacerTable &table, Dialogs &dialogs, SaveAlarm *alarm)
{
    // Bound once: a second binding would run every button and refusal twice.
    Q_ASSERT(!m_table);
    m_table = &table;
    m_dialogs = &dialogs;
    m_commands = std::make_unique<RacerCommands>(table, dialogs);
    if (alarm)
        m_commands->SetSaveAlarm(alarm);
    connect(m_commands.get(), &RacerCommands::racerFileUsed, this, &RacerPage::racerFileUsed);
    BindGrid();

    auto button = [this](const char *name) {
        auto *b = DBNavigatorZavodnici->findChild<QPushButton *>(QString::fromLatin1(name));
        b->setEnabled(true);
        return b;
    };
    connect(button("nbFirst"), &QPushButton::clicked, this, [this] { Navigate(0); });
    connect(button("nbPrior"), &QPushButton::clicked, this,
            [this] { Navigate(std::max(0, m_table->currentRow() - 1)); });
    connect(button("nbNext"), &QPushButton::clicked, this,
            [this] { Navigate(std::min(m_table->size() - 1, m_table->currentRow() + 1)); });
    connect(button("nbLast"), &QPushButton::clicked, this, [this] { Navigate(m_table->size() - 1); });
    connect(button("nbInsert"), &QPushButton::clicked, this, &RacerPage::Insert);
    connect(button("nbDelete"), &QPushButton::clicked, this, [this] {
        m_commands->DeleteCurrentRow();
        ShowCurrentRow();
    });

    connect(btnZavodniciLoad, &QPushButton::clicked, this, &RacerPage::openRacerFile);
    connect(btnZavodniciSave, &QPushButton::clicked, this, [this] { saveRacerFile(false); });
    connect(btnZavodniciSaveAs, &QPushButton::clicked, this, [this] { saveRacerFile(true); });
    connect(btnZavodniciImport, &QPushButton::clicked, this, &RacerPage::importCsv);
    connect(qApp, &QApplication::focusChanged, this, &RacerPage::FocusChanged);
}

void RacerPage::BindGrid()
{
    DBGridZavodnici->setModel(m_table);
    QHeaderView *header = DBGridZavodnici->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    const QFontMetrics metrics = DBGridZavodnici->fontMetrics();
    header->resizeSection(RacerTable::Number, metrics.horizontalAdvance(FieldNumber) + 32);
    header->resizeSection(RacerTable::Name, metrics.horizontalAdvance(QLatin1Char('M')) * 32);
    header->setStretchLastSection(true);
    connect(header, &QHeaderView::sectionClicked, this, &RacerPage::sortByColumn);
    connect(DBGridZavodnici, &QAbstractItemView::clicked, this, &RacerPage::openCategoryList);

    // The cursor both ways: the operator moves the table's current row, and
    // a lookup moves the grid's cursor.  A refresh looks up every record, so
    // the grid follows once, after the lookups.
    connect(DBGridZavodnici->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && m_table)
                    m_table->setCurrentRow(current.row());
            });
    connect(m_table, &RacerTable::currentRowChanged, this, [this] {
        if (std::exchange(m_cursorPending, true))
            return;
        QMetaObject::invokeMethod(
            this, [this] { ShowCurrentRow(); }, Qt::QueuedConnection);
    });
    connect(m_table, &QAbstractItemModel::modelReset, this, &RacerPage::ShowCurrentRow);

    // A refusal is shown once the editor is gone, never in the middle of an edit.
    connect(m_table, &RacerTable::refused, this, [this](const QString &message) {
        QMetaObject::invokeMethod(
            this, [this, message] { m_dialogs->message(message, MsgIcon::Warning); }, Qt::QueuedConnection);
    });
    m_table->setEditCloser([delegate = QPointer<RacerGridDelegate>(m_delegate)] {
        if (delegate)
            delegate->closeOpenEditor();
    });
}

void RacerPage::ShowCurrentRow()
{
    m_cursorPending = false;
    if (!m_table)
        return;
    const int row = m_table->currentRow();
    QItemSelectionModel *selection = DBGridZavodnici->selectionModel();
    if (row < 0) {
        selection->clear();
        return;
    }
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    const int column = current.isValid() ? current.column() : 0;
    const QModelIndex target = m_table->index(row, column);
    selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    DBGridZavodnici->scrollTo(target);
}

void RacerPage::Navigate(int row)
{
    if (!m_table)
        return;
    m_table->EndEdit();
    m_table->setCurrentRow(row);
    ShowCurrentRow();
}

void RacerPage::Insert()
{
    if (!m_table)
        return;
    const int row = m_table->insertEmptyRow();
    ShowCurrentRow();
    const QModelIndex cell = m_table->index(row, RacerTable::Number);
    DBGridZavodnici->setFocus();
    DBGridZavodnici->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
    DBGridZavodnici->edit(cell);
}

void RacerPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        refreshCategoryChoices();
}

void RacerPage::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Another page shown: the focus may go nowhere, but the grid is left.
    if (!event->spontaneous() && std::exchange(m_gridHasFocus, false))
        finishGridEdit();
}

void RacerPage::refreshCategoryChoices()
{
    m_delegate->setChoices(CategoryChoices(m_settings.categoryLines()));
}

void RacerPage::openCategoryList(const QModelIndex &index)
{
    // One click on a category opens its choice list.
    if (index.column() != RacerTable::Category || m_delegate->choices().isEmpty())
        return;
    if (m_delegate->editing())
        return;
    m_delegate->openListOnNextEdit();
    DBGridZavodnici->edit(index);
}

void RacerPage::finishGridEdit()
{
    if (!m_table)
        return;
    m_settings.appendCategories(m_commands->finishGridEdit(m_settings.categoryLines()));
    m_delegate->setChoices(CategoryChoices(m_settings.categoryLines()));
}

void RacerPage::sortByColumn(int column)
{
    if (!m_table)
        return;
    m_table->EndEdit();
    m_table->setSortColumn(column);
    DBGridZavodnici->horizontalHeader()->setSortIndicatorShown(true);
    DBGridZavodnici->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
}

void RacerPage::JoinCategories()
{
    if (!m_table)
        return;
    m_settings.appendCategories(NewCategories(m_settings.categoryLines(), m_table->rows()));
    m_delegate->setChoices(CategoryChoices(m_settings.categoryLines()));
}

void RacerPage::openRacerFile()
{
    if (!m_commands)
        return;
    m_commands->openRacerFile();
    JoinCategories();
}

void RacerPage::saveRacerFile(bool saveAs)
{
    if (m_commands)
        m_commands->saveRacerFile(saveAs);
}

void RacerPage::importCsv()
{
    if (!m_commands)
        return;
    m_commands->importCsv();
    // As after a racer file: the grid's choices and the results page's
    // "Kategorie:" need not wait until the focus leaves the grid.
    JoinCategories();
}

// The grid with its editors, including a drop-down list's own window.
bool RacerPage::InGrid(const QWidget *widget) const
{
    for (const QWidget *w = widget; w; w = w->parentWidget())
        if (w == DBGridZavodnici)
            return true;
    return false;
}

void RacerPage::FocusChanged(QWidget *, QWidget *now)
{
    // Leaving the grid for another control of this window.  A box or another
    // window taking the focus for a while is no exit; the focus coming back
    // from there to another control is.
    if (!now)
        return;
    if (InGrid(now)) {
        m_gridHasFocus = true;
    } else if (m_gridHasFocus && now->window() == window()) {
        m_gridHasFocus = false;
        finishGridEdit();
    }
}
