#pragma once
// What the record store and the lists need to know about racers: the texts
// that name a racer by start number, and the table's rows for the results file.
#include <QString>
#include <optional>
#include <vector>

struct RacerRow {
    std::optional<int> number;        // "Start.číslo"
    std::optional<QString> name;      // "Příjmení, jméno"
    std::optional<QString> category;  // "Kategorie"
};

class RacerDirectory {
public:
    virtual ~RacerDirectory() = default;
    // Name and category in one text, with fixed placeholders for what is missing.
    virtual QString RacerLabel(int number) = 0;
    virtual QString RacerName(int number) = 0;
    virtual QString RacerCategory(int number) = 0;
    // Every row of the table in its current order.  Like any walk over the
    // table, it leaves the last row the current one.
    virtual std::vector<RacerRow> Rows() = 0;
    // The table's own values for a number: the first row carrying it, without
    // placeholders, or nothing when no row has it.  Unlike the labels it moves
    // no current row.  A directory that keeps no such rows answers nothing.
    virtual std::optional<RacerRow> FindRacer(int number) const
    {
        (void)number;
        return std::nullopt;
    }
};
