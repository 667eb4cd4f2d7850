#include "CategoryBox.h"

#include "ResultsTable.h"

#include <QSignalBlocker>

QStringList CategoryChoiceItems(const ResultsTable &table, const QString &chosen)
{
    QStringList items{CategoryBox::AllText()};
    for (const ResultsCategory &category : table.categories)
        items << category.name;
    if (!CategoryKey(chosen).isEmpty() && table.findCategory(chosen) < 0)
        items << chosen;
    return items;
}

CategoryBox::CategoryBox(QWidget *parent) : QComboBox(parent)
{
    addItem(AllText());
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit categoryChosen(chosen()); });
}

QString CategoryBox::AllText()
{
    return QStringLiteral("Všechny");
}

QString CategoryBox::chosen() const
{
    return currentIndex() <= 0 ? QString() : currentText();
}

void CategoryBox::setCategories(const ResultsTable &table)
{
    const QString current = chosen();
    const QStringList items = CategoryChoiceItems(table, current);
    QStringList shown;
    for (int i = 0; i < count(); ++i)
        shown << itemText(i);
    if (shown == items)
        return;  // an open list stays as it is
    const QSignalBlocker quiet(this);
    clear();
    addItems(items);
    // The category keeps its place by name; its spelling may follow the table.
    const int found = current.isEmpty() ? 0 : table.findCategory(current);
    setCurrentIndex(current.isEmpty() ? 0 : found >= 0 ? found + 1 : count() - 1);
}
