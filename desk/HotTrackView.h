#pragma once
// A table view with hot-track selection: the row on which the mouse pointer
// rests for a moment becomes the selected row, and the row under the pointer
// is drawn underlined.  One row at most is selected, always as a whole.
#include <QTableView>
#include <QTimer>

class QAbstractItemView;

// Sets view up as every list of the program works: one row at most selected,
// always as a whole, nothing edited in place, and the selection kept visible
// while another control has the focus (the selection decides what the next
// command works on).
void SetUpRowSelection(QAbstractItemView *view);

class HotTrackView : public QTableView {
    Q_OBJECT
public:
    explicit HotTrackView(QWidget *parent = nullptr);

    // How long the pointer has to rest on a row before it is selected.
    static constexpr int HoverDelayMs = 400;

    // The row under the pointer, or -1.
    int hotRow() const { return m_hotRow; }

public slots:
    // Selects the row under the pointer (what the hover timer does).
    void selectHotRow();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHotRow(int row);

    QTimer m_hoverTimer;
    int m_hotRow = -1;
};
