// The texts that name a racer by start number, and the lookup behind them:
// the first row in the table's current order carrying the number.
#include "RacerTable.h"
#include "TimeRecord.h"

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

int RacerTable::FindFirst(int number) const
{
    if (m_indexDirty) {
        m_firstRowOf.clear();
        m_firstRowOf.reserve(qsizetype(m_rows.size()));
        for (int i = size() - 1; i >= 0; --i)
            if (m_rows[size_t(i)].number)
                m_firstRowOf.insert(*m_rows[size_t(i)].number, i);
        m_indexDirty = false;
    }
    return m_firstRowOf.value(number, -1);
}

const RacerRow *RacerTable::Lookup(int number)
{
    // The lookup sees what the operator has just typed in the grid.
    if (!m_quiet)
        EndEdit();
    const int row = FindFirst(number);
    if (row < 0)
        return nullptr;
    if (!m_quiet)
        setCurrentRow(row);
    return &m_rows[size_t(row)];
}

std::optional<RacerRow> RacerTable::FindRacer(int number) const
{
    const int row = FindFirst(number);
    if (row < 0)
        return std::nullopt;
    return m_rows[size_t(row)];
}

std::vector<RacerRow> RacerTable::Rows()
{
    if (!m_quiet) {
        EndEdit();
        setCurrentRow(size() - 1);
    }
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
