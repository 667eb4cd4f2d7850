#pragma once
// The record list and the results list as Qt models, and the refresh that
// rebuilds both from the record store.  The results list renders the results
// document (ResultsTable) that the refresh builds.
#include "ResultsBuilder.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QObject>

class RaceSheetStore;
class RacerDirectory;

// Model roles shared by both lists.
enum ResultsRole {
    RecordRole = Qt::UserRole + 1,  // the row's TimeRecordPtr, as a QVariant
};

// The record list's base: a read-only table of rows that a refresh replaces
// all at once, each row carrying its record.  (A template cannot carry
// Q_OBJECT; the lists derived from it do.)
template <typename Row, int Columns>
class RowsModel : public QAbstractTableModel {
public:
    explicit RowsModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    const Row &row(int row) const { return m_rows[size_t(row)]; }
    const std::vector<Row> &rows() const { return m_rows; }
    TimeRecordPtr recordAt(int row) const;

    // Replaces every row at once (one model reset); rows receives the old
    // ones, so that their buffer can serve the next refresh.
    void swapRows(std::vector<Row> &rows);

protected:
    bool isValidIndex(const QModelIndex &index) const;

    std::vector<Row> m_rows;
};

// Record list of the timing page: one row per record, by time of day.
class RecordListModel : public RowsModel<RecordRow, 4> {
    Q_OBJECT
public:
    enum Column { Caption, Time, Lap, Penalty, ColumnCount };

    explicit RecordListModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The row showing record, or -1.
    int rowOf(const TimeRecord *record) const;

    // Column widths of the list: initial, least and greatest (0 = no limit).
    struct Width {
        int initial, minimum, maximum;
    };
    static Width columnWidth(Column column);
    static QString columnTitle(Column column);
    // Blue flag, red flag, gold star (RecordIcon), 16 x 16.
    static QIcon icon(RecordIcon which);
};

// Results list: one row per ranked passage (laps mode 1) or per racer (mode
// 0), rendered from the results document.  It shows the whole ranking, with
// each row's rank in its category in the column "Poř. v kat.", or, with a
// category chosen, only that category's rows, ranked within it.  Read-only:
// its captions cannot be edited.  Its first four columns match those of the
// record list in width and, but for the time, in title.
// The chequered flag beside a racer whose race is over, in the results list
// and the spectator list: the icon (DecorationRole) and the words "v cíli"
// (ToolTipRole, AccessibleTextRole); nothing for any other role.
QVariant FinishedMark(int role);

class ResultsListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Rank comes last in the model, first in the view (by the header's order
    // only): whatever copies the columns by position sees them as before.
    enum Column { Caption, PenalizedTime, Lap, Penalty, StartTime, Note, CategoryRank, Rank, ColumnCount };

    explicit ResultsListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Shows another document, with the records of its rows, at once (one
    // model reset); `records` receives the old ones, so that their buffer can
    // serve the next refresh.  The chosen category stays chosen.
    void swapResults(std::shared_ptr<const ResultsTable> table, std::vector<TimeRecordPtr> &records);
    // Shows one category (by name, compared as CategoryKey does), or the whole
    // ranking for an empty name.  A category the ranking does not hold shows
    // no rows until it does.
    void setCategory(const QString &name);
    const QString &category() const { return m_category; }

    // The document as the last refresh left it (an empty one before).
    const ResultsTable &table() const { return *m_table; }
    std::shared_ptr<const ResultsTable> sharedTable() const { return m_table; }
    // What the list shows: the whole ranking or the chosen category.  Valid
    // until the next swapResults.
    ResultsSection section() const;

    // The document row shown in list row `row`.
    const ResultRow &row(int row) const;
    TimeRecordPtr recordAt(int row) const;
    // The text of one cell, as the list shows it.
    QString text(int row, Column column) const;

    // Initial, least and greatest width (0 = no limit); the note fills the rest.
    static RecordListModel::Width columnWidth(Column column);
    static QString columnTitle(Column column);

private:
    int tableRow(int row) const;  // the document row behind a list row, or -1
    void choose();

    std::shared_ptr<const ResultsTable> m_table;
    std::vector<TimeRecordPtr> m_records;  // by document row
    QString m_category;                    // chosen; empty for the whole ranking
    int m_chosen = -1;                     // its index in the document, -1 for none there
};

static_assert(RecordListModel::ColumnCount == 4 && ResultsListModel::ColumnCount == 8);

template <typename Row, int Columns>
int RowsModel<Row, Columns>::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

template <typename Row, int Columns>
int RowsModel<Row, Columns>::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

template <typename Row, int Columns>
Qt::ItemFlags RowsModel<Row, Columns>::flags(const QModelIndex &index) const
{
    // Never editable: neither list takes an edit of its captions.
    return isValidIndex(index) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

template <typename Row, int Columns>
TimeRecordPtr RowsModel<Row, Columns>::recordAt(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)].record : TimeRecordPtr();
}

template <typename Row, int Columns>
void RowsModel<Row, Columns>::swapRows(std::vector<Row> &rows)
{
    beginResetModel();
    m_rows.swap(rows);
    endResetModel();
}

template <typename Row, int Columns>
bool RowsModel<Row, Columns>::isValidIndex(const QModelIndex &index) const
{
    return index.isValid() && !index.parent().isValid() && index.row() >= 0 && size_t(index.row()) < m_rows.size()
           && index.column() >= 0 && index.column() < Columns;
}

// The refresh: owns both models and the options that shape them.  It
// follows the store: every change the store tells (recordsChanged) refreshes
// both lists, selecting the change's selectNumber.  The window binds its list
// views to the models and its controls to the setters and signals; the
// setters do not refresh by themselves (the window's handlers call
// RefreshLists(-1) after changing an option, and after the records were
// replaced by an opened or new file).
class ResultsLists : public QObject {
    Q_OBJECT
public:
    ResultsLists(const RecordStore &data, RacerDirectory *racers, QObject *parent = nullptr);

    RecordListModel *recordModel() { return &m_recordModel; }
    ResultsListModel *resultsModel() { return &m_resultsModel; }

    void setRacers(RacerDirectory *racers) { m_racers = racers; }
    // The race sheet every refresh ranks by (its state at the refresh); null: none.
    void setSheet(const RaceSheetStore *sheet) { m_sheet = sheet; }
    void setLapsMode(int mode) { m_options.lapsMode = mode; }     // cbRezimKol
    void setRealCas(bool ticked) { m_options.realCas = ticked; }  // cbRealCas
    // The category the results list shows ("Kategorie:"), empty for all;
    // takes effect at once, without a refresh.
    void setCategory(const QString &name) { m_resultsModel.setCategory(name); }
    const RefreshOptions &options() const { return m_options; }

    // Rebuilds both lists from the store; number is the start number whose
    // record row is to be selected, or -1 for none.
    void RefreshLists(int number);

    // As the last refresh left them.
    std::shared_ptr<const ResultsTable> table() const { return m_resultsModel.sharedTable(); }
    const QString &leaderText() const { return m_leader; }
    int selectedRecordRow() const { return m_selectRow; }
    DayTime lastStartTime() const { return m_lastStartTime; }

signals:
    // lblVitez: caption of the first results row, or empty.
    void leaderChanged(const QString &leader);
    // Scroll the record list to its top, then select and show row, or clear
    // the selection when row is -1.
    void recordSelectionRequested(int row);
    // The spectator window takes LastStartTime and refills its list from
    // table(); the category choices follow its categories.
    void resultsRefreshed(DayTime lastStartTime);

private:
    const RecordStore &m_data;
    RacerDirectory *m_racers;
    const RaceSheetStore *m_sheet = nullptr;
    RefreshOptions m_options;
    ResultsBuilder m_builder;
    RefreshResult m_spare;  // buffers of the previous refresh, reused
    RecordListModel m_recordModel;
    ResultsListModel m_resultsModel;
    QString m_leader;
    int m_selectRow = -1;
    DayTime m_lastStartTime = 0;
};
