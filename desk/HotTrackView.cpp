#include "HotTrackView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPalette>
#include <QStyledItemDelegate>

namespace {

// Underlines the cells of the view's hot row.
class HotTrackDelegate : public QStyledItemDelegate {
public:
    explicit HotTrackDelegate(HotTrackView *view) : QStyledItemDelegate(view), m_view(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.row() == m_view->hotRow())
            option->font.setUnderline(true);
    }

private:
    HotTrackView *m_view;
};

}  // namespace

HotTrackView::HotTrackView(QWidget *parent) : QTableView(parent)
{
    setMouseTracking(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new HotTrackDelegate(this));

    // The selection decides what the next command works on, so it must stay
    // visible while another control has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(HoverDelayMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &HotTrackView::selectHotRow);
}

void HotTrackView::selectHotRow()
{
    if (!model() || m_hotRow < 0 || m_hotRow >= model()->rowCount(rootIndex()))
        return;
    const QModelIndex index = model()->index(m_hotRow, 0, rootIndex());
    if (selectionModel()->isRowSelected(m_hotRow, rootIndex()) && currentIndex().row() == m_hotRow)
        return;
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void HotTrackView::mouseMoveEvent(QMouseEvent *event)
{
    QTableView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    setHotRow(index.isValid() ? index.row() : -1);
    // The pointer has to rest: every move starts the wait anew.
    if (m_hotRow >= 0)
        m_hoverTimer.start();
    else
        m_hoverTimer.stop();
}

void HotTrackView::leaveEvent(QEvent *event)
{
    QTableView::leaveEvent(event);
    m_hoverTimer.stop();
    setHotRow(-1);
}

void HotTrackView::setHotRow(int row)
{
    if (row == m_hotRow)
        return;
    m_hotRow = row;
    viewport()->update();
}
