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

void SetUpRowSelection(QAbstractItemView *view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette pal = view->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(pal);
}

HotTrackView::HotTrackView(QWidget *parent) : QTableView(parent)
{
    setMouseTracking(true);
    SetUpRowSelection(this);
    setItemDelegate(new HotTrackDelegate(this));

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
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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
