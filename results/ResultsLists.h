#pragma once
// The record list and the results list as Qt models, and the refresh that
// rebuilds both from the record store.
#include "ResultsBuilder.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QObject>

class RacerDirectory;

// Model roles shared by both lists.
enum ResultsRole {
    RecordRole = Qt::UserRole + 1,  // the row's TRadekPtr, as a QVariant
};

// Record list of the timing page: one row per record, by time of day.
class RecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Caption, Time, Lap, Penalty, ColumnCount };

    explicit RecordListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    const RecordRow &row(int row) const { return m_rows[size_t(row)]; }
    TRadekPtr recordAt(int row) const;
    // The row showing record, or -1.
    int rowOf(const TRadek *record) const;

    // Column widths of the list: initial, least and greatest (0 = no limit).
    struct Width {
        int initial, minimum, maximum;
    };
    static Width columnWidth(Column column);
    // Blue flag, red flag, gold star (RecordIcon), 16 x 16.
    static QIcon icon(RecordIcon which);

    // Replaces every row at once (one model reset); rows receives the old
    // ones, so that their buffer can serve the next refresh.
    void swapRows(std::vector<RecordRow> &rows);

private:
    std::vector<RecordRow> m_rows;
};

// Results list: one row per ranked passage (laps mode 1) or per racer (mode 0).
// Read-only: its captions cannot be edited.
class ResultsListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Caption, PenalizedTime, Lap, Penalty, StartTime, Note, ColumnCount };

    explicit ResultsListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    const ResultRow &row(int row) const { return m_rows[size_t(row)]; }
    const std::vector<ResultRow> &rows() const { return m_rows; }
    TRadekPtr recordAt(int row) const;
    // The text of one cell, as the list shows it.
    QString text(int row, Column column) const;

    // Initial, least and greatest width (0 = no limit); the note fills the rest.
    static RecordListModel::Width columnWidth(Column column);
    static QString columnTitle(Column column);

    void swapRows(std::vector<ResultRow> &rows);

private:
    std::vector<ResultRow> m_rows;
};

// The refresh: owns both models and the options that shape them.  The window
// binds its list views to the models and its controls to the setters and
// signals; the setters do not refresh by themselves (the window's handlers
// call RefreshLists(-1) after changing an option).
class ResultsLists : public QObject {
    Q_OBJECT
public:
    ResultsLists(TData &data, RacerDirectory *racers, QObject *parent = nullptr);

    RecordListModel *recordModel() { return &m_recordModel; }
    ResultsListModel *resultsModel() { return &m_resultsModel; }

    void setRacers(RacerDirectory *racers) { m_racers = racers; }
    void setLapsMode(int mode) { m_options.lapsMode = mode; }    // cbRezimKol
    void setRealCas(bool ticked) { m_options.realCas = ticked; }  // cbRealCas
    const RefreshOptions &options() const { return m_options; }

    // Rebuilds both lists from the store; number is the start number whose
    // record row is to be selected, or -1 for none.
    void RefreshLists(int number);

    // As the last refresh left them.
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
    // resultsModel().
    void resultsRefreshed(DayTime lastStartTime);

private:
    TData &m_data;
    RacerDirectory *m_racers;
    RefreshOptions m_options;
    ResultsBuilder m_builder;
    RefreshResult m_spare;  // buffers of the previous refresh, reused
    RecordListModel m_recordModel;
    ResultsListModel m_resultsModel;
    QString m_leader;
    int m_selectRow = -1;
    DayTime m_lastStartTime = 0;
};
