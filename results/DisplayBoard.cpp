#include "DisplayBoard.h"

#include "Category.h"
#include "ResultsLists.h"

#include <QStringList>

// ---------------------------------------------------------------------------
// SpectatorListModel

SpectatorListModel::SpectatorListModel(QObject *parent)
    : QAbstractTableModel(parent), m_table(std::make_shared<const ResultsTable>())
{}

int SpectatorListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int SpectatorListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Qt::ItemFlags SpectatorListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

const ResultRow &SpectatorListModel::rowAt(int row) const
{
    const ResultsSection section(*m_table, m_category);
    return section.row(m_mode == SpectatorMode::Latest ? m_count - 1 - row : row);
}

QString SpectatorListModel::text(int row, Column column) const
{
    if (row < 0 || row >= m_count)
        return {};
    const ResultRow &r = rowAt(row);
    switch (column) {
    case Caption: return r.caption;
    case PenalizedTime: return r.penalizedText();
    case Lap: return r.lapText();
    case Penalty: return r.penaltyText();
    case Rank: {
        // A rank is a position in the ranking shown, so racers whose results
        // compare equal still get consecutive ranks.
        const int rank = m_category < 0 ? r.rank : r.categoryRank;
        return r.rankLabel(rank);
    }
    case Note: return r.noteText();
    case ColumnCount: break;
    }
    return {};
}

QVariant SpectatorListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), Column(index.column()));
    if (index.column() == Caption && index.row() < m_count && rowAt(index.row()).finished)
        return FinishedMark(role);
    return {};
}

QString SpectatorListModel::columnTitle(Column column)
{
    if (column == Rank)
        return QStringLiteral("Pořadí");
    return ResultsListModel::columnTitle(ResultsListModel::Column(column));
}

QVariant SpectatorListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return columnTitle(Column(section));
}

void SpectatorListModel::refill(std::shared_ptr<const ResultsTable> table, SpectatorMode mode, const QString &category)
{
    beginResetModel();
    m_table = table ? std::move(table) : std::make_shared<const ResultsTable>();
    m_mode = mode;
    m_category = -1;
    m_count = 0;
    if (mode != SpectatorMode::Off) {
        if (CategoryKey(category).isEmpty()) {
            m_count = int(m_table->rows.size());
        } else if ((m_category = m_table->findCategory(category)) >= 0) {
            m_count = ResultsSection(*m_table, m_category).size();
        }
    }
    endResetModel();
}

static_assert(int(SpectatorListModel::Rank) == int(ResultsListModel::StartTime)
              && int(SpectatorListModel::Note) == int(ResultsListModel::Note)
              && int(SpectatorListModel::ColumnCount) == int(ResultsListModel::CategoryRank));

// ---------------------------------------------------------------------------
// DisplayBoard

QString DisplayBoard::TitleText(DayTime now) const
{
    QString title;
    if (ShowRunningTime && LastStartTime > 0) {
        // Through the text and back: the clock's reading cut to whole
        // milliseconds, as every time the lists show.
        const DayTime shown = TextToDayTime(DayTimeToText(now));
        title = DayTimeToText(shown - LastStartTime);
    } else if (!DisplayCaption.isEmpty()) {
        title = DisplayCaption;
    } else {
        title = QStringLiteral("Tikomat");
    }
    const QString finish = FinishText();
    return finish.isEmpty() ? title : title + QStringLiteral("  –  ") + finish;
}

QString DisplayBoard::FinishText() const
{
    if (!Category.isEmpty()) {
        const int at = m_results->findCategory(Category);
        return at < 0 ? QString() : m_results->categories[size_t(at)].finishText();
    }
    QStringList each;
    QString common;
    bool allAlike = true;
    for (const ResultsCategory &category : m_results->categories) {
        const QString text = category.finishText();
        if (text.isEmpty()) {
            allAlike = false;
            continue;
        }
        if (!each.isEmpty() && text != common)
            allAlike = false;
        common = text;
        each << (category.assigned ? category.name : NoCategoryName) + QStringLiteral(": ") + text;
    }
    if (each.isEmpty())
        return {};
    return allAlike ? common : each.join(QStringLiteral("   "));
}

bool DisplayBoard::Refill(DayTime lastStartTime, std::shared_ptr<const ResultsTable> results)
{
    LastStartTime = lastStartTime;
    m_results = results ? std::move(results) : std::make_shared<const ResultsTable>();
    return ChooseCategory(Category);
}

bool DisplayBoard::ChooseCategory(const QString &category)
{
    Category = category;
    m_list.refill(m_results, Mode, Category);
    return !PagingEnabled && m_list.rowCount() > 0;
}

int DisplayBoard::PagingTick()
{
    if (!PagingEnabled)
        return -1;
    ++PagingCounter;
    const int n = m_list.rowCount();
    return n > 0 ? PagingCounter % n : -1;
}
