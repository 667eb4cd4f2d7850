#include "ResultsLists.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <array>
#include <cmath>

namespace {

// A blank 16 x 16 icon to paint on.
QImage NewIconCanvas()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage FlagImage(const QColor &cloth)
{
    QImage image = NewIconCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The pole.
    p.setPen(QPen(QColor(70, 70, 70), 1.5));
    p.drawLine(QPointF(3.5, 1.0), QPointF(3.5, 15.0));
    // The cloth, with a slight wave.
    QPainterPath path;
    path.moveTo(4.0, 2.0);
    path.cubicTo(7.0, 0.5, 10.0, 3.5, 14.5, 2.0);
    path.lineTo(14.5, 9.0);
    path.cubicTo(10.0, 10.5, 7.0, 7.5, 4.0, 9.0);
    path.closeSubpath();
    p.setPen(QPen(cloth.darker(150), 1.0));
    p.setBrush(cloth);
    p.drawPath(path);
    return image;
}

QImage StarImage()
{
    QImage image = NewIconCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF star;
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2 == 0) ? 7.5 : 3.2;
        const double angle = -pi / 2 + i * pi / 5;
        star << QPointF(8.0 + radius * std::cos(angle), 8.4 + radius * std::sin(angle));
    }
    p.setPen(QPen(QColor(180, 130, 0), 1.0));
    p.setBrush(QColor(255, 200, 0));
    p.drawPolygon(star);
    return image;
}

// Drawn once on first use; kept for the whole run (pixmaps must not outlive
// the application object, so the set is never destroyed at exit).
const std::array<QIcon, 3> &Icons()
{
    static const auto *icons = new std::array<QIcon, 3>{
        QIcon(QPixmap::fromImage(FlagImage(QColor(30, 80, 200)))),
        QIcon(QPixmap::fromImage(FlagImage(QColor(210, 30, 30)))),
        QIcon(QPixmap::fromImage(StarImage())),
    };
    return *icons;
}

}  // namespace

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
        case Caption: return r.caption;
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
    case RecordRole:
        return QVariant::fromValue(r.record);
    default:
        break;
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

int RecordListModel::rowOf(const TRadek *record) const
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
    const auto &icons = Icons();
    const int i = int(which);
    return i >= 0 && i < int(icons.size()) ? icons[size_t(i)] : QIcon();
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

ResultsListModel::ResultsListModel(QObject *parent) : RowsModel(parent) {}

QString ResultsListModel::text(int row, Column column) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return {};
    const ResultRow &r = m_rows[size_t(row)];
    switch (column) {
    case Caption: return r.caption;
    case PenalizedTime: return r.penalizedText();
    case Lap: return r.lapText();
    case Penalty: return r.penaltyText();
    case StartTime: return r.startText();
    case Note: return r.noteText();
    case ColumnCount: break;
    }
    return {};
}

QVariant ResultsListModel::data(const QModelIndex &index, int role) const
{
    if (!isValidIndex(index))
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), Column(index.column()));
    if (role == RecordRole)
        return QVariant::fromValue(m_rows[size_t(index.row())].record);
    return {};
}

QString ResultsListModel::columnTitle(Column column)
{
    switch (column) {
    case PenalizedTime: return QStringLiteral("Čas vč. trestu");
    case StartTime: return QStringLiteral("Start v [hod]");
    case Note: return QStringLiteral("Poznámka");
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
    case Note:
    case ColumnCount: break;
    }
    return {0, 0, 0};
}

// ---------------------------------------------------------------------------
// ResultsLists

ResultsLists::ResultsLists(TData &data, RacerDirectory *racers, QObject *parent)
    : QObject(parent), m_data(data), m_racers(racers)
{
}

void ResultsLists::RefreshLists(int number)
{
    RefreshResult &result = m_spare;
    m_builder.Build(m_data, m_racers, m_options, number, result);
    m_recordModel.swapRows(result.records);
    m_resultsModel.swapRows(result.results);
    m_selectRow = result.selectRow;
    m_leader = result.leader;
    m_lastStartTime = result.lastStartTime;
    // The previous rows go now, not at the next refresh: they hold records
    // that may have left the store.
    result.records.clear();
    result.results.clear();

    emit recordSelectionRequested(m_selectRow);
    emit leaderChanged(m_leader);
    emit resultsRefreshed(m_lastStartTime);
}
