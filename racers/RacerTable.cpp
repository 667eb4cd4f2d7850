#include "RacerTable.h"

#include "RacerText.h"
#include "QuotedInput.h"

#include <QLocale>
#include <algorithm>
#include <numeric>

namespace {

// Every text that enters the table: XML cannot carry control characters, and
// a racer file must load back as it was written.
RacerRow OneLine(RacerRow row)
{
    if (row.name)
        row.name = OneLineText(*row.name);
    if (row.category)
        row.category = OneLineText(*row.category);
    return row;
}

}  // namespace

const std::array<RacerField, RacerTable::ColumnCount> &RacerTable::Fields()
{
    static const std::array<RacerField, ColumnCount> fields = {{
        {FieldNumber, QStringLiteral("int32"), 0},
        {FieldName, QStringLiteral("string"), NameSize},
        {FieldCategory, QStringLiteral("string"), CategorySize},
    }};
    return fields;
}

RacerTable::RacerTable(QObject *parent) : QAbstractTableModel(parent), m_collator(QLocale()) {}

RacerTable::~RacerTable()
{
    if (m_editCloser)
        m_editCloser();
}

// ---------------------------------------------------------------------------
// Rows

void RacerTable::setRows(std::vector<RacerRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (RacerRow &row : m_rows)
        row = OneLine(std::move(row));
    m_entry.resize(m_rows.size());
    std::iota(m_entry.begin(), m_entry.end(), m_nextEntry);
    m_nextEntry += m_rows.size();
    m_untouchedInsert.reset();
    if (m_sortColumn >= 0)
        SortAll();
    IndexChanged();
    endResetModel();
    setCurrentRow(m_rows.empty() ? -1 : 0);
}

void RacerTable::appendRows(std::vector<RacerRow> rows)
{
    if (rows.empty())
        return;
    const int first = size();
    const int last = first + int(rows.size()) - 1;
    const quint64 lastEntry = m_nextEntry + rows.size() - 1;
    // Sorted, the new rows land anywhere: the grid is told all at once.
    const bool sorted = m_sortColumn >= 0;
    if (sorted)
        beginResetModel();
    else
        beginInsertRows({}, first, last);
    for (RacerRow &row : rows) {
        m_rows.push_back(OneLine(std::move(row)));
        m_entry.push_back(m_nextEntry++);
    }
    if (sorted)
        SortAll();
    IndexChanged();
    if (sorted)
        endResetModel();
    else
        endInsertRows();
    const auto at = std::find(m_entry.begin(), m_entry.end(), lastEntry);
    setCurrentRow(int(at - m_entry.begin()));
}

void RacerTable::mergeRows(const std::vector<RacerRow> &updates, std::vector<RacerRow> added)
{
    if (updates.empty() && added.empty())
        return;
    QHash<int, const RacerRow *> byNumber;
    for (const RacerRow &u : updates)
        if (u.number)
            byNumber.insert(*u.number, &u);
    // Names and numbers may move rows of a sorted table: the grid is told once.
    beginResetModel();
    std::optional<quint64> current;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        RacerRow &row = m_rows[i];
        const RacerRow *update = row.number ? byNumber.value(*row.number) : nullptr;
        if (!update)
            continue;
        const RacerRow clean = OneLine(*update);
        row.name = clean.name;
        row.category = clean.category;
        if (m_untouchedInsert == m_entry[i])
            m_untouchedInsert.reset();
        current = m_entry[i];
    }
    for (RacerRow &row : added) {
        m_rows.push_back(OneLine(std::move(row)));
        current = m_nextEntry;
        m_entry.push_back(m_nextEntry++);
    }
    if (m_sortColumn >= 0)
        SortAll();
    IndexChanged();
    endResetModel();
    if (current) {
        const auto at = std::find(m_entry.begin(), m_entry.end(), *current);
        setCurrentRow(int(at - m_entry.begin()));
    }
}

void RacerTable::appendRow(RacerRow row)
{
    appendRows({std::move(row)});
}

bool RacerTable::changeRow(int index, RacerRow row)
{
    if (index < 0 || index >= size())
        return false;
    m_rows[size_t(index)] = OneLine(std::move(row));
    if (m_untouchedInsert == m_entry[size_t(index)])
        m_untouchedInsert.reset();
    IndexChanged();
    emit dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
    if (m_sortColumn >= 0)
        Place(index);
    return true;
}

bool RacerTable::deleteRow(int index)
{
    if (index < 0 || index >= size())
        return false;
    if (m_untouchedInsert == m_entry[size_t(index)])
        m_untouchedInsert.reset();
    beginRemoveRows({}, index, index);
    m_rows.erase(m_rows.begin() + index);
    m_entry.erase(m_entry.begin() + index);
    IndexChanged();
    endRemoveRows();
    // The cursor stays on the same place, which now holds the next row.
    if (m_current > index)
        setCurrentRow(m_current - 1);
    else
        setCurrentRow(std::min(m_current, size() - 1));
    return true;
}

int RacerTable::insertEmptyRow()
{
    EndEdit();
    const quint64 entry = m_nextEntry;
    appendRow({});
    m_untouchedInsert = entry;
    return m_current;
}

void RacerTable::setCurrentRow(int row)
{
    // Never off the table, and never off a table that has rows.
    if (row < (m_rows.empty() ? -1 : 0) || row >= size())
        return;
    if (row == m_current)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

void RacerTable::EndEdit()
{
    if (m_endingEdit)
        return;
    m_endingEdit = true;
    if (m_editCloser)
        m_editCloser();
    if (m_untouchedInsert) {
        const auto at = std::find(m_entry.begin(), m_entry.end(), *m_untouchedInsert);
        m_untouchedInsert.reset();
        if (at != m_entry.end())
            deleteRow(int(at - m_entry.begin()));
    }
    m_endingEdit = false;
}

// ---------------------------------------------------------------------------
// Order

void RacerTable::setSortColumn(int column)
{
    if (column < 0 || column >= ColumnCount || column == m_sortColumn)
        return;
    m_sortColumn = column;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<quint64> entriesBefore;
    for (const QModelIndex &i : before)
        entriesBefore.push_back(m_entry[size_t(i.row())]);
    const quint64 currentEntry = m_current >= 0 ? m_entry[size_t(m_current)] : 0;
    SortAll();
    IndexChanged();
    QModelIndexList after;
    for (qsizetype k = 0; k < before.size(); ++k) {
        const auto at = std::find(m_entry.begin(), m_entry.end(), entriesBefore[size_t(k)]);
        after << index(int(at - m_entry.begin()), before[k].column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    if (m_current >= 0) {
        const auto at = std::find(m_entry.begin(), m_entry.end(), currentEntry);
        m_current = -1;  // the same row, at its new place: tell the grid
        setCurrentRow(int(at - m_entry.begin()));
    }
}

// Missing values first; texts by the user's collation; ties keep entry order.
bool RacerTable::LessThan(size_t a, size_t b) const
{
    const RacerRow &x = m_rows[a], &y = m_rows[b];
    int order = 0;
    if (m_sortColumn == Number) {
        if (x.number != y.number)
            order = !x.number ? -1 : !y.number ? 1 : (*x.number < *y.number ? -1 : 1);
    } else {
        const std::optional<QString> &s = m_sortColumn == Name ? x.name : x.category;
        const std::optional<QString> &t = m_sortColumn == Name ? y.name : y.category;
        if (s.has_value() != t.has_value())
            order = s ? 1 : -1;
        else if (s)
            order = m_collator.compare(*s, *t);
    }
    return order != 0 ? order < 0 : m_entry[a] < m_entry[b];
}

void RacerTable::SortAll()
{
    std::vector<size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(), [this](size_t a, size_t b) { return LessThan(a, b); });
    std::vector<RacerRow> rows;
    std::vector<quint64> entries;
    rows.reserve(order.size());
    entries.reserve(order.size());
    for (size_t i : order) {
        rows.push_back(std::move(m_rows[i]));
        entries.push_back(m_entry[i]);
    }
    m_rows = std::move(rows);
    m_entry = std::move(entries);
}

int RacerTable::Place(int index)
{
    // Binary search among the other rows, which are in order.
    const int others = size() - 1;
    auto other = [index](int k) { return size_t(k < index ? k : k + 1); };
    int lo = 0, hi = others;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (LessThan(other(mid), size_t(index)))
            lo = mid + 1;
        else
            hi = mid;
    }
    const int target = lo;
    if (target == index)
        return index;
    beginMoveRows({}, index, index, {}, target > index ? target + 1 : target);
    // Out and back in at its place among the others.  (Not std::rotate: its
    // swaps of rows draw a false "may be used uninitialized" from GCC 12.)
    auto move = [&](auto &v) {
        auto item = std::move(v[size_t(index)]);
        v.erase(v.begin() + index);
        v.insert(v.begin() + target, std::move(item));
    };
    move(m_rows);
    move(m_entry);
    IndexChanged();
    endMoveRows();
    int current = m_current;
    if (current == index)
        current = target;
    else if (index < current && current <= target)
        --current;
    else if (target <= current && current < index)
        ++current;
    if (current != m_current) {
        m_current = -1;
        setCurrentRow(current);
    }
    return target;
}

// ---------------------------------------------------------------------------
// The grid's model

bool RacerTable::IsRow(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() < size() && index.column() < ColumnCount;
}

int RacerTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int RacerTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RacerTable::data(const QModelIndex &index, int role) const
{
    if (!IsRow(index))
        return {};
    const RacerRow &row = m_rows[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == Number)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case Number: return row.number ? QVariant(QString::number(*row.number)) : QVariant();
    case Name: return row.name ? QVariant(*row.name) : QVariant();
    case Category: return row.category ? QVariant(*row.category) : QVariant();
    }
    return {};
}

QVariant RacerTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return Fields()[size_t(section)].name;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RacerTable::flags(const QModelIndex &index) const
{
    if (!IsRow(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

RacerTable::Parsed RacerTable::ParseField(int column, const QString &typed, RacerRow row)
{
    const QString text = OneLineText(typed);
    if (column == Number) {
        const QString digits = text.trimmed();
        bool ok = digits.isEmpty();
        const int number = ok ? 0 : digits.toInt(&ok);
        if (!ok)
            return {row, QStringLiteral("Startovní číslo musí být celé číslo od %1 do %2; „%3“ jím není.")
                             .arg(INT32_MIN)
                             .arg(INT32_MAX)
                             .arg(QuotedInput(typed))};
        row.number = digits.isEmpty() ? std::nullopt : std::optional<int>(number);
        return {row, {}};
    }
    const RacerField &field = Fields()[size_t(column)];
    if (text.size() > field.size)
        return {row, QStringLiteral("Pole „%1“ pojme nejvýše %2 znaků, zadaný text jich má %3:\n%4")
                         .arg(field.name)
                         .arg(field.size)
                         .arg(text.size())
                         .arg(QuotedInput(text))};
    std::optional<QString> value;
    if (!text.isEmpty())
        value = text;
    (column == Name ? row.name : row.category) = value;
    return {row, {}};
}

bool RacerTable::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !IsRow(index))
        return false;
    const RacerRow &old = m_rows[size_t(index.row())];
    Parsed parsed = ParseField(index.column(), value.toString(), old);
    if (!parsed.refusal.isEmpty()) {
        emit refused(parsed.refusal);
        return false;
    }
    const RacerRow &now = parsed.row;
    if (now.number == old.number && now.name == old.name && now.category == old.category)
        return true;  // nothing changed: an inserted row stays untouched
    changeRow(index.row(), std::move(parsed.row));
    return true;
}
