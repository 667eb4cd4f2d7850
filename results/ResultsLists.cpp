#include "ResultsLists.h"

#include <QColor>

#include "RaceSheetStore.h"

#include "ListIcons.h"

// ---------------------------------------------------------------------------
// RecordListModel

RecordListModel::RecordListModel(QObject *parent) : RowsModel(parent) {}

QVariant RecordListModel::data(const QModelIndex &index, int role) const
{
    if (!isValidIndex(index))
        return {};
    const RecordRow &r = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (Column(index.column())) {
        // A passage after the racer's finish does not count: it says so in
        // words beside the racer, not only in grey.
        case Caption:
            return r.afterFinish ? r.caption + QStringLiteral(" – ") + RecordRow::afterFinishText() : r.caption;
        case Time: return r.timeText();
        case Lap: return r.lapText();
        case Penalty: return r.penaltyText();
        case ColumnCount: break;
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == Caption)
            return icon(r.icon);
        break;
    case Qt::ForegroundRole:
        if (r.afterFinish)
            return QColor(Qt::gray);
        break;
    case Qt::ToolTipRole:
        if (r.afterFinish && index.column() == Time)
            return QStringLiteral("Průjezd po dojetí jezdce do cíle: nepočítá se");
        break;
    case RecordRole: return QVariant::fromValue(r.record);
    default: break;
    }
    return {};
}

QString RecordListModel::columnTitle(Column column)
{
    switch (column) {
    case Caption: return QStringLiteral("Číslo");
    case Time: return QStringLiteral("Čas čistý");
    case Lap: return QStringLiteral("Kolo");
    case Penalty: return QStringLiteral("Trest");
    case ColumnCount: break;
    }
    return {};
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return columnTitle(Column(section));
}

int RecordListModel::rowOf(const TimeRecord *record) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].record.get() == record)
            return int(i);
    return -1;
}

RecordListModel::Width RecordListModel::columnWidth(Column column)
{
    switch (column) {
    case Caption: return {160, 50, 350};
    case Time: return {91, 50, 999};
    case Lap: return {32, 10, 150};
    case Penalty: return {40, 0, 0};
    case ColumnCount: break;
    }
    return {0, 0, 0};
}

QIcon RecordListModel::icon(RecordIcon which)
{
    switch (which) {
    case BlueFlag: return ListIconOf(ListIcon::BlueFlag);
    case RedFlag: return ListIconOf(ListIcon::RedFlag);
    case GoldStar: return ListIconOf(ListIcon::GoldStar);
    }
    return QIcon();
}

// ---------------------------------------------------------------------------
// ResultsListModel

// The results list begins with the record list's columns, the penalized time
// standing where the record list shows the plain one.
static_assert(int(ResultsListModel::Caption) == int(RecordListModel::Caption)
              && int(ResultsListModel::PenalizedTime) == int(RecordListModel::Time)
              && int(ResultsListModel::Lap) == int(RecordListModel::Lap)
              && int(ResultsListModel::Penalty) == int(RecordListModel::Penalty)
              && int(ResultsListModel::StartTime) == int(RecordListModel::ColumnCount));

ResultsListModel::ResultsListModel(QObject *parent)
    : QAbstractTableModel(parent), m_table(std::make_shared<const ResultsTable>())
{}

int ResultsListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (m_category.isEmpty())
        return int(m_table->rows.size());
    return m_chosen < 0 ? 0 : int(m_table->categories[size_t(m_chosen)].rows.size());
}

int ResultsListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Qt::ItemFlags ResultsListModel::flags(const QModelIndex &index) const
{
    // Never editable: the list takes no edit of its captions.
    if (!index.isValid() || index.parent().isValid() || tableRow(index.row()) < 0 || index.column() < 0
        || index.column() >= ColumnCount)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int ResultsListModel::tableRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return m_category.isEmpty() ? row : m_table->categories[size_t(m_chosen)].rows[size_t(row)];
}

void ResultsListModel::choose()
{
    m_chosen = m_category.isEmpty() ? -1 : m_table->findCategory(m_category);
}

void ResultsListModel::swapResults(std::shared_ptr<const ResultsTable> table, std::vector<TimeRecordPtr> &records)
{
    beginResetModel();
    m_table = table ? std::move(table) : std::make_shared<const ResultsTable>();
    m_records.swap(records);
    choose();
    endResetModel();
}

void ResultsListModel::setCategory(const QString &name)
{
    if (CategoryKey(name) == CategoryKey(m_category))
        return;
    beginResetModel();
    m_category = CategoryKey(name).isEmpty() ? QString() : name;
    choose();
    endResetModel();
}

ResultsSection ResultsListModel::section() const
{
    return ResultsSection(*m_table, m_chosen);
}

const ResultRow &ResultsListModel::row(int row) const
{
    return m_table->rows[size_t(tableRow(row))];
}

TimeRecordPtr ResultsListModel::recordAt(int row) const
{
    const int at = tableRow(row);
    return at >= 0 && size_t(at) < m_records.size() ? m_records[size_t(at)] : TimeRecordPtr();
}

QString ResultsListModel::text(int row, Column column) const
{
    const int at = tableRow(row);
    if (at < 0)
        return {};
    const ResultRow &r = m_table->rows[size_t(at)];
    switch (column) {
    case Caption: return r.caption;
    case PenalizedTime: return r.penalizedText();
    case Lap: return r.lapText();
    case Penalty: return r.penaltyText();
    case StartTime: return r.startText();
    case Note: return r.noteText();
    case CategoryRank: return r.rankLabel(r.categoryRank);
    // Overall, or within the category shown.
    case Rank: return r.rankLabel(m_category.isEmpty() ? r.rank : r.categoryRank);
    case ColumnCount: break;
    }
    return {};
}

QVariant ResultsListModel::data(const QModelIndex &index, int role) const
{
    if (!flags(index))
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), Column(index.column()));
    if (role == Qt::TextAlignmentRole && (index.column() == CategoryRank || index.column() == Rank))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == RecordRole)
        return QVariant::fromValue(recordAt(index.row()));
    if (index.column() == Caption && row(index.row()).finished)
        return FinishedMark(role);
    return {};
}

QVariant FinishedMark(int role)
{
    switch (role) {
    case Qt::DecorationRole: return ListIconOf(ListIcon::ChequeredFlag);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: return QStringLiteral("v cíli");
    default: return {};
    }
}

QString ResultsListModel::columnTitle(Column column)
{
    switch (column) {
    case PenalizedTime: return QStringLiteral("Čas vč. trestu");
    case StartTime: return QStringLiteral("Start v [hod]");
    case Note: return QStringLiteral("Poznámka");
    case CategoryRank: return QStringLiteral("Poř. v kat.");
    case Rank: return QStringLiteral("Pořadí");
    case Caption:
    case Lap:
    case Penalty: return RecordListModel::columnTitle(RecordListModel::Column(column));
    case ColumnCount: break;
    }
    return {};
}

QVariant ResultsListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return columnTitle(Column(section));
}

RecordListModel::Width ResultsListModel::columnWidth(Column column)
{
    switch (column) {
    case Caption:
    case PenalizedTime:
    case Lap:
    case Penalty: return RecordListModel::columnWidth(RecordListModel::Column(column));
    case StartTime: return {120, 0, 0};
    case CategoryRank: return {80, 40, 150};
    case Rank: return {60, 40, 150};
    case Note:
    case ColumnCount: break;
    }
    return {0, 0, 0};
}

// ---------------------------------------------------------------------------
// ResultsLists

ResultsLists::ResultsLists(const RecordStore &data, RacerDirectory *racers, QObject *parent)
    : QObject(parent), m_data(data), m_racers(racers)
{
    // Every change of the records shows at once, its own record selected.
    connect(&m_data, &RecordStore::recordsChanged, this,
            [this](const RecordChange &change) { RefreshLists(change.selectNumber); });
}

void ResultsLists::RefreshLists(int number)
{
    RefreshResult &result = m_spare;
    m_options.sheet = m_sheet ? m_sheet->snapshot() : nullptr;
    m_builder.Build(m_data, m_racers, m_options, number, result);
    m_recordModel.swapRows(result.records);
    m_resultsModel.swapResults(std::move(result.table), result.resultRecords);
    m_selectRow = result.selectRow;
    m_leader = result.leader;
    m_lastStartTime = result.lastStartTime;
    // The previous rows go now, not at the next refresh: they hold records
    // that may have left the store.
    result.records.clear();
    result.resultRecords.clear();

    emit recordSelectionRequested(m_selectRow);
    emit leaderChanged(m_leader);
    emit resultsRefreshed(m_lastStartTime);
}
