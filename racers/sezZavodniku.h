#pragma once
// The racer table (start number, name, category) and the texts that name a
// racer by start number wherever the program shows or stores one.
#include "RacerDirectory.h"
#include "tfile.h"

#include <QHash>
#include <QString>
#include <vector>

// Column titles of the table; the results file reads the fields by these names.
inline const QString FieldNumber = QStringLiteral("Start.číslo");
inline const QString FieldName = QStringLiteral("Příjmení, jméno");
inline const QString FieldCategory = QStringLiteral("Kategorie");

class RacerTable : public RacerDirectory {
public:
    // Texts of RacerLabel and friends for what is missing.
    static inline const QString UnknownText = QStringLiteral("<neznámý>");
    static inline const QString UnknownCategory = QStringLiteral("N/A");
    static inline const QString NoName = QStringLiteral("<nezadáno jméno>");
    static inline const QString NoCategory = QStringLiteral(" <nezadáná kategorie>");
    static inline const QString NoNameNoCategory = QStringLiteral("<nezadáno jméno, kategorie>");

    // Rows in the table's current order.
    const std::vector<RacerRow> &rows() const { return m_rows; }
    void setRows(std::vector<RacerRow> rows);
    void appendRow(RacerRow row);
    void setRow(int index, RacerRow row);
    void removeRow(int index);

    // The table's current row (-1 when empty); a successful lookup moves it.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row) { m_current = row; }

    // Index of the first row carrying `number`, or -1.
    int FindFirst(int number) const;

    QString RacerLabel(int number) override;
    QString RacerName(int number) override;
    QString RacerCategory(int number) override;
    std::vector<RacerRow> Rows() override;

private:
    // A row found by the lookup, which then becomes the current row.
    const RacerRow *Lookup(int number);
    void Reindex();

    std::vector<RacerRow> m_rows;
    QHash<int, int> m_firstRowOf;  // start number -> first row index; rebuilt on every change
    int m_current = -1;
};
