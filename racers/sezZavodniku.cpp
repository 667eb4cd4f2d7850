#include "sezZavodniku.h"

#include "tfile.h"

namespace {

bool HasValue(const std::optional<QString> &field)
{
    // A field the operator cleared counts as missing, as it looks in the grid.
    return field.has_value() && !field->isEmpty();
}

QString QuotesReplaced(QString text)
{
    return text.replace(QLatin1Char('"'), QLatin1Char('\''));
}

}  // namespace

void RacerTable::setRows(std::vector<RacerRow> rows)
{
    m_rows = std::move(rows);
    m_current = m_rows.empty() ? -1 : 0;
    Reindex();
}

void RacerTable::appendRow(RacerRow row)
{
    m_rows.push_back(std::move(row));
    m_current = int(m_rows.size()) - 1;
    // A row at the end can only be the first of its number if it is new.
    if (m_rows.back().number && !m_firstRowOf.contains(*m_rows.back().number))
        m_firstRowOf.insert(*m_rows.back().number, m_current);
}

void RacerTable::setRow(int index, RacerRow row)
{
    m_rows.at(size_t(index)) = std::move(row);
    Reindex();
}

void RacerTable::removeRow(int index)
{
    m_rows.erase(m_rows.begin() + index);
    if (m_current >= int(m_rows.size()))
        m_current = int(m_rows.size()) - 1;
    Reindex();
}

void RacerTable::Reindex()
{
    m_firstRowOf.clear();
    for (int i = int(m_rows.size()) - 1; i >= 0; --i)
        if (m_rows[size_t(i)].number)
            m_firstRowOf.insert(*m_rows[size_t(i)].number, i);
}

int RacerTable::FindFirst(int number) const
{
    return m_firstRowOf.value(number, -1);
}

const RacerRow *RacerTable::Lookup(int number)
{
    const int row = FindFirst(number);
    if (row < 0)
        return nullptr;
    m_current = row;
    return &m_rows[size_t(row)];
}

std::vector<RacerRow> RacerTable::Rows()
{
    m_current = int(m_rows.size()) - 1;
    return m_rows;
}

QString RacerTable::RacerLabel(int number)
{
    if (number == RaceStartNumber)
        return RaceStartText;
    const RacerRow *row = Lookup(number);
    if (!row)
        return UnknownText;
    const bool name = HasValue(row->name), category = HasValue(row->category);
    if (name && category)
        return QuotesReplaced(*row->name + QStringLiteral(" (") + *row->category + QLatin1Char(')'));
    if (category)
        return NoName + QStringLiteral(" (") + *row->category + QLatin1Char(')');
    if (name)
        return *row->name + NoCategory;
    return NoNameNoCategory;
}

QString RacerTable::RacerName(int number)
{
    if (number == RaceStartNumber)
        return RaceStartText;
    const RacerRow *row = Lookup(number);
    if (!row)
        return UnknownText;
    return HasValue(row->name) ? QuotesReplaced(*row->name) : NoName + QLatin1Char(' ');
}

QString RacerTable::RacerCategory(int number)
{
    if (number == RaceStartNumber)
        return QString();
    const RacerRow *row = Lookup(number);
    if (!row)
        return UnknownCategory;
    return HasValue(row->category) ? QuotesReplaced(*row->category) : NoCategory;
}
