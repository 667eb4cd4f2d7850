#pragma once
// A racer table in memory that names racers the way the program does: fixed
// placeholders for an unknown number or a missing name or category.
#include "RacerDirectory.h"
#include "TimeRecord.h"

#include <QString>
#include <vector>

class FakeRacers : public RacerDirectory {
public:
    std::vector<RacerRow> rows;

    QString RacerLabel(int number) override
    {
        if (number == RaceStartNumber)
            return QStringLiteral("START ZÁVODU");
        const RacerRow *row = find(number);
        if (!row)
            return QStringLiteral("<neznámý>");
        if (row->name && row->category)
            return quotesReplaced(*row->name + QStringLiteral(" (") + *row->category + u')');
        if (row->category)
            return QStringLiteral("<nezadáno jméno> (") + *row->category + u')';
        if (row->name)
            return *row->name + QStringLiteral(" <nezadáná kategorie>");
        return QStringLiteral("<nezadáno jméno, kategorie>");
    }
    QString RacerName(int number) override
    {
        if (number == RaceStartNumber)
            return QStringLiteral("START ZÁVODU");
        const RacerRow *row = find(number);
        if (!row)
            return QStringLiteral("<neznámý>");
        return row->name ? quotesReplaced(*row->name) : QStringLiteral("<nezadáno jméno> ");
    }
    QString RacerCategory(int number) override
    {
        if (number == RaceStartNumber)
            return {};
        const RacerRow *row = find(number);
        if (!row)
            return QStringLiteral("N/A");
        return row->category ? quotesReplaced(*row->category) : QStringLiteral(" <nezadáná kategorie>");
    }
    std::vector<RacerRow> Rows() override { return rows; }

private:
    const RacerRow *find(int number) const
    {
        for (const RacerRow &row : rows)
            if (row.number == number)
                return &row;
        return nullptr;
    }
    static QString quotesReplaced(QString text) { return text.replace(u'"', u'\''); }
};
