#pragma once
// Draws list cells as usual (a text too long for its cell ends in "…") and,
// when the pointer rests on a cell whose text is cut, shows the whole text as
// a tooltip.  A cell that shows its whole text gets no tooltip, unless its
// model gives one.
//
// Set on every list of the main window by its page builder (the record list,
// both impulse lists, the results list, the racer grid).  It never changes
// what a cell holds or how it is edited.
#include <QStyledItemDelegate>

class QAbstractItemView;

class ElidedCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The whole text of the cell at `index` of `view` when the cell cannot
    // show all of it, else empty.
    static QString CutText(const QAbstractItemView *view, const QModelIndex &index);

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    static QString CutText(const QAbstractItemView *view, QStyleOptionViewItem option, const QModelIndex &index);
};
