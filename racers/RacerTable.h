#pragma once
// The racer table: one row per racer with a start number, a name and a
// category, and the texts that name a racer by start number wherever the
// program shows or stores one (RacerLabel, RacerName, RacerCategory).
//
// It is the model behind the racer grid (columns in the fixed order of
// `Fields()`) and the racer directory of the record store, the lists and the
// keypad.  Rows keep the order they were entered or loaded in until a column
// title is clicked; from then on they stay ascending by that column, and new
// or edited rows move to their place.  Any field may have no value; several
// rows may carry the same number.  The table has a current row (the grid's
// cursor), which a successful lookup moves.
//
// Callers: the racer page (grid, navigator, files), the racer file and the
// import, the record store (labels, results file), the results lists and the
// timing desk (labels).  It never touches a widget: an edit still open in the
// grid is ended through the closer the page installs, and refusals of typed
// values go out as the `refused` signal for the page to show.
#include "RacerDirectory.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

// Column titles of the table; the results file reads the fields by these names.
inline const QString FieldNumber = QStringLiteral("Start.číslo");
inline const QString FieldName = QStringLiteral("Příjmení, jméno");
inline const QString FieldCategory = QStringLiteral("Kategorie");

// One field of the table as the racer file states it.
struct RacerField {
    QString name;
    QString type;  // "int32" or "string"
    int size;      // characters of a text field, 0 for the number
};

class RacerTable : public QAbstractTableModel, public RacerDirectory {
    Q_OBJECT
public:
    enum Column { Number, Name, Category, ColumnCount };
    static constexpr int NameSize = 80;
    static constexpr int CategorySize = 20;
    static const std::array<RacerField, ColumnCount> &Fields();

    // Texts of RacerLabel and friends for what is missing.
    static inline const QString UnknownText = QStringLiteral("<neznámý>");
    static inline const QString UnknownCategory = QStringLiteral("N/A");
    static inline const QString NoName = QStringLiteral("<nezadáno jméno>");
    static inline const QString NoCategory = QStringLiteral(" <nezadáná kategorie>");
    static inline const QString NoNameNoCategory = QStringLiteral("<nezadáno jméno, kategorie>");

    explicit RacerTable(QObject *parent = nullptr);
    // Ends an edit still open in the grid while the table can still take it.
    ~RacerTable() override;

    // Rows in the table's current order.
    const std::vector<RacerRow> &rows() const { return m_rows; }
    int size() const { return int(m_rows.size()); }
    // All rows replaced (a loaded file); the first becomes current.
    void setRows(std::vector<RacerRow> rows);
    // Rows added after the others (an import); the last added becomes current.
    void appendRows(std::vector<RacerRow> rows);
    void appendRow(RacerRow row);
    // An import in one change: every row whose number one of `updates`
    // carries takes that row's name and category, then `added` go after the
    // others.  The last added (else the last updated) row becomes current.
    void mergeRows(const std::vector<RacerRow> &updates, std::vector<RacerRow> added);
    // False (and nothing changed) when index is not a row.
    bool changeRow(int index, RacerRow row);
    bool deleteRow(int index);
    // The navigator's insert: an empty row, current at once.  Until something
    // is typed into it, ending the edit drops it again.  Returns its index.
    int insertEmptyRow();

    // The column the rows are kept ascending by, or -1 for entry order.
    int sortColumn() const { return m_sortColumn; }
    // Sorts by the column from now on; the same column again changes nothing.
    void setSortColumn(int column);

    // The current row (-1 when empty); a successful lookup moves it.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);

    // Ends an edit still open in the grid (posted when it changed something,
    // dropped otherwise) and drops an inserted row nothing was typed into.
    void EndEdit();
    // Installed by the grid: commits and closes its open editor, if any.
    void setEditCloser(std::function<void()> closer) { m_editCloser = std::move(closer); }

    // Index of the first row, in the current order, carrying `number`, or -1.
    int FindFirst(int number) const;

    // While one lives, lookups and Rows() leave the grid alone: an edit still
    // open stays open and the current row stays where it is.  For a refresh
    // that a change of the table itself starts, which must not move the
    // operator's cursor or close the cell being typed into (the edit shows
    // when it is posted, as a change of its own).
    class QuietLookups {
    public:
        explicit QuietLookups(RacerTable &table) : m_table(table) { ++m_table.m_quiet; }
        ~QuietLookups() { --m_table.m_quiet; }
        QuietLookups(const QuietLookups &) = delete;
        QuietLookups &operator=(const QuietLookups &) = delete;

    private:
        RacerTable &m_table;
    };

    QString RacerLabel(int number) override;
    QString RacerName(int number) override;
    QString RacerCategory(int number) override;
    std::vector<RacerRow> Rows() override;
    std::optional<RacerRow> FindRacer(int number) const override;

    // The model of the grid.
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Refuses (false, `refused` emitted) a number that is not a 32-bit integer
    // and a text longer than its field; a cleared cell has no value.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The value a typed text gives a field, or the operator's message when the
    // text is refused.  Line breaks and other control characters become blanks.
    struct Parsed {
        RacerRow row;
        QString refusal;
    };
    static Parsed ParseField(int column, const QString &text, RacerRow row);

signals:
    void currentRowChanged(int row);
    void refused(const QString &message);

private:
    // A row found by the lookup, which then becomes the current row.
    const RacerRow *Lookup(int number);
    bool LessThan(size_t a, size_t b) const;
    // Moves row `index` to its place in the sort order; returns where it went.
    int Place(int index);
    void SortAll();
    void IndexChanged() { m_indexDirty = true; }
    bool IsRow(const QModelIndex &index) const;

    std::vector<RacerRow> m_rows;
    std::vector<quint64> m_entry;  // entry sequence of each row: ties keep it
    quint64 m_nextEntry = 0;
    int m_current = -1;
    int m_sortColumn = -1;
    std::optional<quint64> m_untouchedInsert;  // entry of an inserted, still empty row
    std::function<void()> m_editCloser;
    bool m_endingEdit = false;
    int m_quiet = 0;  // QuietLookups alive
    QCollator m_collator;

    // Start number -> first row in the current order; rebuilt on the first
    // lookup after a change, so a refresh costs one hash lookup per record.
    mutable QHash<int, int> m_firstRowOf;
    mutable bool m_indexDirty = true;
};
