#include "ImpulseListModel.h"

#include "ListIcons.h"

#include <algorithm>

QIcon ImpulseListModel::impulseIcon()
{
    return ListIconOf(ListIcon::Impulse);
}

QIcon ImpulseListModel::preselectionIcon()
{
    return ListIconOf(ListIcon::Preselection);
}

ImpulseListModel::ImpulseListModel(QObject *parent) : QAbstractTableModel(parent) {}

int ImpulseListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int ImpulseListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ImpulseListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return {};
    const ImpulseRow &row = at(index.row());
    switch (role) {
    case Qt::DisplayRole: return index.column() == Photocell ? row.caption() : row.valueText();
    case Qt::DecorationRole:
        if (index.column() == Photocell)
            return row.isImpulse() ? impulseIcon() : preselectionIcon();
        return {};
    default: return {};
    }
}

QVariant ImpulseListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Photocell: return QStringLiteral("Fotobuňka");
    case Time: return QStringLiteral("Čas");
    default: return {};
    }
}

Qt::ItemFlags ImpulseListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable
}

quint64 ImpulseListModel::appendRow(ImpulseRow row)
{
    const int at = size();
    row.id = m_nextId++;
    beginInsertRows({}, at, at);
    m_rows.push_back(row);
    endInsertRows();
    return m_rows.back().id;
}

void ImpulseListModel::insertRow(const ImpulseRow &row)
{
    const auto place = std::find_if(m_rows.begin(), m_rows.end(),
                                    [&row](const ImpulseRow &r) { return r.id > row.id; });
    const int at = int(place - m_rows.begin());
    beginInsertRows({}, at, at);
    m_rows.insert(place, row);
    endInsertRows();
    m_nextId = std::max(m_nextId, row.id + 1);
    if (m_selected >= at)
        setSelectedRow(m_selected + 1);
}

void ImpulseListModel::removeRowAt(int row)
{
    if (row < 0 || row >= size())
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    // The selection follows its row: gone with it, or one up when a row above left.
    if (m_selected == row)
        setSelectedRow(-1);
    else if (m_selected > row)
        setSelectedRow(m_selected - 1);
}

void ImpulseListModel::clear()
{
    if (m_rows.empty())
        return;
    beginRemoveRows({}, 0, size() - 1);
    m_rows.clear();
    endRemoveRows();
    setSelectedRow(-1);
}

int ImpulseListModel::findFirst(ImpulseKind kind) const
{
    for (int i = 0; i < size(); ++i)
        if (m_rows[std::size_t(i)].kind == kind)
            return i;
    return -1;
}

int ImpulseListModel::indexOfId(quint64 id) const
{
    for (int i = 0; i < size(); ++i)
        if (m_rows[std::size_t(i)].id == id)
            return i;
    return -1;
}

void ImpulseListModel::setSelectedRow(int row)
{
    if (row < -1 || row >= size())
        row = -1;
    if (row == m_selected)
        return;
    m_selected = row;
    emit selectedRowChanged(row);
}
