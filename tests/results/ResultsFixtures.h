#pragma once
// Results documents for the tests of what renders them: rows as a refresh
// makes them, ranked in the order given.
#include "ResultsTable.h"

#include <QString>
#include <memory>
#include <vector>

inline DayTime T(const char *text)
{
    return TextToDayTime(QString::fromLatin1(text));
}

// A results row as the refresh makes it, racer "Závodník <number>".
inline ResultRow Result(int number, const char *penalized, int lap, int penalty, std::vector<DayTime> splits = {})
{
    ResultRow r;
    r.caption = QString::number(number) + QStringLiteral(" (Závodník %1)").arg(number);
    r.number = number;
    r.lap = lap;
    r.penalty = penalty;
    r.penalized = T(penalized);
    r.start = T("10:00:00,000");
    r.splits = std::move(splits);
    return r;
}

// A document of these rows in this order; categories[k] is the racer table's
// category of row k (empty or missing: none).
inline std::shared_ptr<ResultsTable> Table(std::vector<ResultRow> rows, std::vector<QString> categories = {})
{
    auto table = std::make_shared<ResultsTable>();
    table->rows = std::move(rows);
    categories.resize(table->rows.size());
    table->setCategories(categories);
    return table;
}
