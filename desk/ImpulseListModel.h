#pragma once
// One impulse list of the timing page (start or finish): rows that wait to be
// assigned to a start number.  New rows are appended at the bottom, so the
// top row is the oldest and the rows are in the order of their ids; they
// leave by assignment or deletion, and an undo puts a row back at its place.
//
// The selected row lives here rather than in a view: the assignment decides by
// it which impulse it takes, and tests drive it without widgets.  A window
// mirrors it to its view's selection and back (setSelectedRow / the signal).
#include "ImpulseRow.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QtGlobal>
#include <vector>

class ImpulseListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Photocell = 0, Time = 1, ColumnCount };

    explicit ImpulseListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The id the next appended row will get.
    quint64 nextId() const { return m_nextId; }
    // Appends at the bottom under the next id (the row's own is ignored);
    // returns that id.
    quint64 appendRow(ImpulseRow row);
    // Puts a row that left back at its place among the others (by id).
    void insertRow(const ImpulseRow &row);
    void removeRowAt(int row);
    void clear();

    int size() const { return int(m_rows.size()); }
    bool empty() const { return m_rows.empty(); }
    const ImpulseRow &at(int row) const { return m_rows.at(std::size_t(row)); }
    const std::vector<ImpulseRow> &rows() const { return m_rows; }
    // First row from the top of this kind, or -1.
    int findFirst(ImpulseKind kind) const;
    // Current position of the row with this id, or -1 when it is gone.
    int indexOfId(quint64 id) const;

    // -1 when no row is selected.
    int selectedRow() const { return m_selected; }
    void setSelectedRow(int row);
    void clearSelection() { setSelectedRow(-1); }

    // The two 16 x 16 row icons, painted once on first use (needs a GUI application).
    static QIcon impulseIcon();
    static QIcon preselectionIcon();

signals:
    void selectedRowChanged(int row);

private:
    std::vector<ImpulseRow> m_rows;
    quint64 m_nextId = 1;
    int m_selected = -1;
};
