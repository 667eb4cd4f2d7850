#include "SettingsPage.h"

#include "Categories.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

SettingsPage::SettingsPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet4"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    memCategories = new QPlainTextEdit;
    memCategories->setObjectName(QStringLiteral("memCategories"));
    memCategories->setPlainText(InitialCategories().join(QLatin1Char('\n')));
    memCategories->setAccessibleName(QStringLiteral("Seznam kategorií"));
    memCategories->setFixedWidth(260);
    auto *heading = new QLabel(QStringLiteral("Seznam kategorií (jedna kategorie na jeden řádek):"));
    heading->setBuddy(memCategories);
    layout->addWidget(heading);
    layout->addWidget(memCategories, 1, Qt::AlignLeft);
}

QStringList SettingsPage::categoryLines() const
{
    return CategoryLines(memCategories->toPlainText());
}

void SettingsPage::appendCategories(const QStringList &categories)
{
    if (categories.isEmpty())
        return;
    // Whole lines at the end; what the operator wrote above stays as it is.
    QStringList lines = categoryLines();
    lines << categories;
    memCategories->setPlainText(lines.join(QLatin1Char('\n')));
}
