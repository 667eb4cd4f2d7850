#include "SheetControls.h"

#include "Category.h"
#include "ResultsTable.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The kinds the dialog offers, in the order of its choice.
enum KindItem { NoEnd, LapsItem, MinutesItem, AtItem };

bool Offered(const std::vector<RaceSheet::CategoryRule> &rows, const QString &category)
{
    for (const RaceSheet::CategoryRule &row : rows)
        if (CategoryKey(row.category) == CategoryKey(category))
            return true;
    return false;
}

}  // namespace

QString OtherCategoriesText()
{
    return QStringLiteral("Ostatní kategorie");
}

std::vector<RaceSheet::CategoryRule> RulesOffered(const RaceSheet &sheet, const ResultsTable &table)
{
    std::vector<RaceSheet::CategoryRule> rows{{QString(), sheet.ownRule(QString())}};
    for (const ResultsCategory &category : table.categories)
        if (category.assigned && !Offered(rows, category.name))
            rows.push_back({category.name, sheet.ownRule(category.name)});
    for (const RaceSheet::CategoryRule &rule : sheet.rules())
        if (!Offered(rows, rule.category))
            rows.push_back(rule);
    return rows;
}

SheetChange RulesChange(const RaceSheet &sheet, const std::vector<RaceSheet::CategoryRule> &chosen)
{
    SheetChange change;
    for (const RaceSheet::CategoryRule &row : chosen) {
        const FinishRule before = sheet.ownRule(row.category);
        if (before != row.rule)
            change.edits.push_back(SheetEdit::Rule(row.category, before, row.rule));
    }
    return change;
}

SheetChange StatusChange(const RaceSheet &sheet, int32_t number, const StatusEntry &after)
{
    const StatusEntry before = sheet.status(number);
    if (before == after)
        return {};
    return SheetChange{{SheetEdit::Status(number, before, after)}};
}

RulesDialog::RulesDialog(const std::vector<RaceSheet::CategoryRule> &offered, bool rulesApply, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPravidla"));
    setWindowTitle(QStringLiteral("Pravidla závodu"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Kdy končí závod každé kategorie: po počtu kol vedoucího jezdce, "
                                            "po uplynutí minut od startu, nebo bez konce."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    if (!rulesApply) {
        auto *off = new QLabel(QStringLiteral("V režimu „Bez užití kol“ se pravidla konce závodu nepoužijí; "
                                              "platí jen stavy jezdců."));
        off->setObjectName(QStringLiteral("lblPravidlaNeplati"));
        off->setWordWrap(true);
        off->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
        layout->addWidget(off);
    }
    auto *grid = new QGridLayout;
    int r = 0;
    for (const RaceSheet::CategoryRule &rule : offered) {
        const QString name = rule.category.isEmpty() ? OtherCategoriesText() : rule.category;
        Row row{rule, new QComboBox, new QSpinBox};
        row.kind->setObjectName(QStringLiteral("cbKonec%1").arg(r));
        row.count->setObjectName(QStringLiteral("edKonec%1").arg(r));
        row.kind->setAccessibleName(QStringLiteral("Konec závodu: ") + name);
        row.count->setAccessibleName(QStringLiteral("Počet: ") + name);
        row.kind->addItems({QStringLiteral("bez konce"), QStringLiteral("kol"), QStringLiteral("minut")});
        if (rule.rule.kind == FinishRule::Kind::At)
            row.kind->addItem(FinishRuleText(rule.rule));
        switch (rule.rule.kind) {
        case FinishRule::Kind::None: row.kind->setCurrentIndex(NoEnd); break;
        case FinishRule::Kind::Laps: row.kind->setCurrentIndex(LapsItem); break;
        case FinishRule::Kind::Minutes: row.kind->setCurrentIndex(MinutesItem); break;
        case FinishRule::Kind::At: row.kind->setCurrentIndex(AtItem); break;
        }
        QSpinBox *count = row.count;
        QComboBox *kind = row.kind;
        const auto fitCount = [count, kind] {
            const int item = kind->currentIndex();
            count->setEnabled(item == LapsItem || item == MinutesItem);
            count->setRange(1, item == MinutesItem ? MaxFinishMinutes : MaxFinishLaps);
        };
        count->setRange(1, std::max(MaxFinishLaps, MaxFinishMinutes));
        count->setValue(rule.rule.count > 0 ? rule.rule.count : 10);
        fitCount();
        connect(kind, &QComboBox::currentIndexChanged, this, fitCount);
        auto *label = new QLabel(name);
        label->setBuddy(kind);
        grid->addWidget(label, r, 0);
        grid->addWidget(count, r, 1);
        grid->addWidget(kind, r, 2);
        m_rows.push_back(row);
        ++r;
    }
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Storno"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::vector<RaceSheet::CategoryRule> RulesDialog::chosen() const
{
    std::vector<RaceSheet::CategoryRule> rules;
    for (const Row &row : m_rows) {
        FinishRule rule;
        switch (row.kind->currentIndex()) {
        case LapsItem: rule = FinishRule::Laps(row.count->value()); break;
        case MinutesItem: rule = FinishRule::Minutes(row.count->value()); break;
        case AtItem: rule = row.offered.rule; break;
        default: break;
        }
        rules.push_back({row.offered.category, rule});
    }
    return rules;
}

QMenu *StatusMenu(int32_t number, const StatusEntry &now, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("mnuStav"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSection(QStringLiteral("Stav čísla %1").arg(number));
    for (RacerStatus status : {RacerStatus::DNS, RacerStatus::DNF, RacerStatus::DSQ}) {
        QString text = StatusName(status) + QStringLiteral(" (") + StatusCode(status) + QStringLiteral(")");
        if (status == RacerStatus::DSQ)
            text += QStringLiteral("...");
        QAction *action = menu->addAction(text);
        action->setObjectName(QStringLiteral("act") + StatusCode(status));
        action->setData(int(status));
        action->setCheckable(true);
        action->setChecked(now.status == status);
    }
    menu->addSeparator();
    QAction *clear = menu->addAction(QStringLiteral("Zrušit stav"));
    clear->setObjectName(QStringLiteral("actZrusitStav"));
    clear->setData(int(RacerStatus::None));
    clear->setEnabled(!now.none());
    return menu;
}
