#include "SettingsPage.h"

#include "Categories.h"
#include "PublishControls.h"
#include "WebControls.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QHBoxLayout>
#include <QVBoxLayout>

SettingsPage::SettingsPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet4"));
    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(6, 6, 6, 6);
    auto *layout = new QVBoxLayout;
    columns->addLayout(layout);

    memCategories = new QPlainTextEdit;
    memCategories->setObjectName(QStringLiteral("memCategories"));
    memCategories->setPlainText(InitialCategories().join(QLatin1Char('\n')));
    memCategories->setAccessibleName(QStringLiteral("Seznam kategorií"));
    memCategories->setFixedWidth(260);
    auto *heading = new QLabel(QStringLiteral("Seznam kategorií (jedna kategorie na jeden řádek):"));
    heading->setBuddy(memCategories);
    layout->addWidget(heading);
    layout->addWidget(memCategories, 1, Qt::AlignLeft);

    m_web = new WebControls;
    // The publishing group under the web group: the page keeps the window's
    // smallest width.
    auto *web = new QVBoxLayout;
    web->addWidget(m_web, 1);
    m_publish = new PublishControls;
    web->addWidget(m_publish);
    columns->addLayout(web);
    columns->addStretch(1);
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
