#pragma once
// The racer table of a real race: racers 1..count with a name and a category,
// looked up through the program's own racer table.  `surname` may hold a
// letter the data file's code page lacks, to price its replacement.
#include "RacerTable.h"

inline void FillRacers(RacerTable &table, int count, const QString &surname = QStringLiteral("Příjmení"))
{
    std::vector<RacerRow> rows;
    rows.reserve(size_t(count));
    for (int n = 1; n <= count; ++n)
        rows.push_back(
            {n, QStringLiteral("%1%2, Jméno").arg(surname).arg(n), QStringLiteral("Kategorie %1").arg(n % 7)});
    table.setRows(std::move(rows));
}
