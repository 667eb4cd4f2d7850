#include "ElidedCellDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

QString ElidedCellDelegate::CutText(const QAbstractItemView *view, QStyleOptionViewItem option,
                                    const QModelIndex &index)
{
    if (!view || !index.isValid())
        return {};
    const auto *delegate = qobject_cast<const ElidedCellDelegate *>(view->itemDelegateForIndex(index));
    if (delegate)
        delegate->initStyleOption(&option, index);
    else
        option.text = index.data(Qt::DisplayRole).toString();
    if (option.text.isEmpty())
        return {};
    // The style's own text rectangle and margin, as it elides when it paints.
    const QStyle *style = view->style();
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int room = area.width() - 2 * margin;
    return option.fontMetrics.horizontalAdvance(option.text) > room ? option.text : QString();
}

QString ElidedCellDelegate::CutText(const QAbstractItemView *view, const QModelIndex &index)
{
    if (!view || !index.isValid())
        return {};
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.rect = view->visualRect(index);
    option.textElideMode = view->textElideMode();
    option.features |= QStyleOptionViewItem::HasDisplay;
    return CutText(view, option, index);
}

bool ElidedCellDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                   const QModelIndex &index)
{
    if (event && event->type() == QEvent::ToolTip && !index.data(Qt::ToolTipRole).isValid()) {
        const QString whole = CutText(view, option, index);
        if (whole.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(event->globalPos(), whole, view, option.rect);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
