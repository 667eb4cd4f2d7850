#pragma once
// Column widths of a list view, each column with limits of its own: a
// header knows one least and one greatest width for all its sections, while
// the lists give every column its own.  Optionally one column takes the width
// the others leave free (within its limits), so that a list shows all its
// columns without a horizontal scroll bar and a wider window widens that
// column.  Set up once by the main window for each list; it only sizes
// columns and never touches the model.
#include <QObject>
#include <vector>

class QTableView;

class ColumnLimits : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int initial = 0;
        int minimum = 0;
        int maximum = 0;  // 0: no limit
    };

    // Sizes view's columns 0 .. columns.size()-1; `fillColumn` (or -1) takes
    // the free width.  Lives as long as the view.
    ColumnLimits(QTableView *view, std::vector<Limits> columns, int fillColumn = -1);

    // The width within column's limits that is nearest to width.
    int Bounded(int column, int width) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SectionResized(int column, int width);
    void Fill();

    QTableView *m_view;
    std::vector<Limits> m_columns;
    int m_fill;
    bool m_sizing = false;
};
