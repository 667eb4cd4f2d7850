#include "RacerGridDelegate.h"

#include "RacerTable.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

void RacerGridDelegate::closeOpenEditor()
{
    if (!m_open)
        return;
    QWidget *editor = m_open;
    emit commitData(editor);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    m_open = nullptr;
}

QWidget *RacerGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const bool openList = std::exchange(m_openList, false);
    QWidget *editor = nullptr;
    if (index.column() == RacerTable::Category) {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(m_choices);
        combo->setAccessibleName(QStringLiteral("Kategorie"));
        if (openList && combo->count() > 0)
            QTimer::singleShot(0, combo, &QComboBox::showPopup);
        editor = combo;
    } else {
        auto *line = new QLineEdit(parent);
        line->setFrame(false);
        if (index.column() == RacerTable::Number)
            line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        editor = line;
    }
    m_open = editor;
    return editor;
}

void RacerGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *combo = qobject_cast<QComboBox *>(editor))
        combo->setEditText(text);
    else if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setText(text);
}

void RacerGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor))
        model->setData(index, combo->currentText(), Qt::EditRole);
    else if (auto *line = qobject_cast<QLineEdit *>(editor))
        model->setData(index, line->text(), Qt::EditRole);
}

void RacerGridDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (m_open == editor)
        m_open = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}
