#pragma once
// Cell editors of the racer grid: a plain line for the start number and the
// name (the table itself refuses what does not fit), and for the category an
// editable drop-down list holding the choice list.  It remembers the one
// editor that is open so that the racer table can end an edit before a
// lookup.  Used by the racer page only.
#include <QPointer>
#include <QStringList>
#include "ElidedCellDelegate.h"

class RacerGridDelegate : public ElidedCellDelegate {
    Q_OBJECT
public:
    using ElidedCellDelegate::ElidedCellDelegate;

    void setChoices(const QStringList &choices) { m_choices = choices; }
    const QStringList &choices() const { return m_choices; }
    // The next category editor opens with its list dropped down.
    void openListOnNextEdit() { m_openList = true; }
    // Commits the open editor to the table and closes it; nothing without one.
    void closeOpenEditor();
    bool editing() const { return m_open != nullptr; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;

private:
    QStringList m_choices;
    mutable bool m_openList = false;
    mutable QPointer<QWidget> m_open;
};
