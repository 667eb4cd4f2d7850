#include "DisplayBoard.h"

// ---------------------------------------------------------------------------
// SpectatorListModel

SpectatorListModel::SpectatorListModel(QObject *parent) : QAbstractTableModel(parent) {}

int SpectatorListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
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

QString SpectatorListModel::text(int row, Column column) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return {};
    const ResultRow &r = m_rows[size_t(row)];
    switch (column) {
    case Caption: return r.caption;
    case PenalizedTime: return r.penalizedText();
    case Lap: return r.lapText();
    case Penalty: return r.penaltyText();
    case Rank: {
        // A rank is a position in the results list, so racers whose results
        // compare equal still get consecutive ranks.
        const int n = int(m_rows.size());
        const int rank = m_mode == SpectatorMode::Latest ? n - row : row + 1;
        return QString::number(rank) + QLatin1Char('.');
    }
    case Note: return r.noteText();
    case ColumnCount: break;
    }
    return {};
}

TRadekPtr SpectatorListModel::recordAt(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)].record : TRadekPtr();
}

QVariant SpectatorListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), Column(index.column()));
    if (role == RecordRole && index.row() < rowCount())
        return QVariant::fromValue(recordAt(index.row()));
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

void SpectatorListModel::refill(const ResultsListModel &results, SpectatorMode mode)
{
    beginResetModel();
    m_mode = mode;
    m_rows.clear();  // keeps the buffer for the next refill
    const std::vector<ResultRow> &source = results.rows();
    if (mode == SpectatorMode::Winners)
        m_rows.assign(source.begin(), source.end());
    else if (mode == SpectatorMode::Latest)
        m_rows.assign(source.rbegin(), source.rend());
    endResetModel();
}

static_assert(int(SpectatorListModel::Rank) == int(ResultsListModel::StartTime)
              && int(SpectatorListModel::Note) == int(ResultsListModel::Note)
              && int(SpectatorListModel::ColumnCount) == int(ResultsListModel::ColumnCount));

// ---------------------------------------------------------------------------
// DisplayBoard

QString DisplayBoard::TitleText(DayTime now) const
{
    if (ShowRunningTime && LastStartTime > 0) {
        // Through the text and back: the clock's reading cut to whole
        // milliseconds, as every time the lists show.
        const DayTime shown = TextToDayTime(DayTimeToText(now));
        return DayTimeToText(shown - LastStartTime);
    }
    if (!DisplayCaption.isEmpty())
        return DisplayCaption;
    return QStringLiteral("Tikomat");
}

bool DisplayBoard::Refill(DayTime lastStartTime, const ResultsListModel &results)
{
    LastStartTime = lastStartTime;
    m_list.refill(results, Mode);
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
