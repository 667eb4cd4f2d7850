#include "ResultsTable.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>

// ---------------------------------------------------------------------------
// Row texts

QString ResultRow::rankText(int32_t shownRank) const
{
    return status == RacerStatus::None ? QString::number(shownRank) : StatusCode(status);
}

QString ResultRow::rankLabel(int32_t shownRank) const
{
    return status == RacerStatus::None ? QString::number(shownRank) + u'.' : StatusCode(status);
}

QString ResultRow::statusWord() const
{
    if (status != RacerStatus::None)
        return StatusCode(status);
    return finished ? QStringLiteral("finished") : QStringLiteral("racing");
}

QString ResultsCategory::finishText() const
{
    if (ended())
        return QStringLiteral("Cíl");
    if (lapsToGo == 1)
        return QStringLiteral("Poslední kolo");
    if (lapsToGo > 1)
        return (lapsToGo <= 4 ? QStringLiteral("Zbývají %1 kola") : QStringLiteral("Zbývá %1 kol")).arg(lapsToGo);
    return {};
}

QString ResultRow::penalizedText() const
{
    return timed() ? DayTimeToText(penalized) : QString();
}
QString ResultRow::lapText() const
{
    return timed() ? QString::number(lap) : QString();
}
QString ResultRow::penaltyText() const
{
    return timed() ? QString::number(penalty) : QString();
}
QString ResultRow::startText() const
{
    return timed() ? DayTimeToText(start) : QString();
}

QString ResultRow::noteText() const
{
    QString note;
    note.reserve(qsizetype(splits.size()) * 15);
    if (status != RacerStatus::None) {
        note += StatusCode(status);
        if (statusWarning)
            note += QLatin1String(" (!)");
        if (!statusReason.isEmpty())
            note += u' ' + statusReason;
        note += QLatin1String("   ");
    }
    for (DayTime split : splits) {
        note += DayTimeToText(split);
        note += QLatin1String("   ");
    }
    return note;
}

// ---------------------------------------------------------------------------
// Categories

namespace {

// Categories are listed as a Czech reader expects them: "MX2" before "MX10",
// "Č" after "C", letter case aside.
bool CategoryBefore(const ResultsCategory &a, const ResultsCategory &b)
{
    if (a.assigned != b.assigned)
        return a.assigned;  // the racers without a category come last
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Czech, QLocale::CzechRepublic));
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int order = collator.compare(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
}

}  // namespace

int ResultsTable::findCategory(const QString &name) const
{
    const QString key = CategoryKey(name);
    if (key.isEmpty())
        return -1;
    const bool none = key == CategoryKey(NoCategoryName);
    for (size_t c = 0; c < categories.size(); ++c) {
        const ResultsCategory &category = categories[c];
        if (none ? !category.assigned : category.assigned && CategoryKey(category.name) == key)
            return int(c);
    }
    return -1;
}

void ResultsTable::setCategories(const std::vector<int32_t> &groupOfRow, const std::vector<QString> &groupText)
{
    categories.clear();
    // Groups the caller told apart may still be one category (mx1, MX1).
    QHash<QString, int32_t> categoryOfKey;
    std::vector<int32_t> categoryOfGroup(groupText.size(), -1);
    for (size_t k = 0; k < rows.size(); ++k) {
        const auto group = size_t(groupOfRow[k]);
        if (categoryOfGroup[group] >= 0)
            continue;
        const QString key = CategoryKey(groupText[group]);
        auto it = categoryOfKey.find(key);
        if (it == categoryOfKey.end()) {
            ResultsCategory category;
            category.assigned = !key.isEmpty();
            // The first row met is the best placed: its spelling names the category.
            category.name = category.assigned ? groupText[group].trimmed() : NoCategoryName;
            it = categoryOfKey.insert(key, int32_t(categories.size()));
            categories.push_back(std::move(category));
        }
        categoryOfGroup[group] = *it;
    }

    std::vector<int32_t> order(categories.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [this](int32_t a, int32_t b) { return CategoryBefore(categories[size_t(a)], categories[size_t(b)]); });
    std::vector<ResultsCategory> sorted;
    sorted.reserve(categories.size());
    std::vector<int32_t> place(categories.size());
    for (size_t i = 0; i < order.size(); ++i) {
        place[size_t(order[i])] = int32_t(i);
        sorted.push_back(std::move(categories[size_t(order[i])]));
    }
    categories.swap(sorted);

    int32_t ranked = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        ResultRow &row = rows[k];
        ResultsCategory &category = categories[size_t(place[size_t(categoryOfGroup[size_t(groupOfRow[k])])])];
        row.category = int32_t(&category - categories.data());
        category.rows.push_back(int32_t(k));
        // Rows with a status come after the ranked ones, overall and in each
        // category, so the ranks run on without a gap.
        const bool ranks = row.status == RacerStatus::None;
        row.rank = ranks ? ++ranked : 0;
        row.categoryRank = ranks ? int32_t(category.rows.size()) : 0;
    }
}

void ResultsTable::setCategories(const std::vector<QString> &categoryOfRow)
{
    std::vector<int32_t> groups(categoryOfRow.size());
    std::vector<QString> texts;
    QHash<QString, int32_t> groupOfKey;
    for (size_t k = 0; k < categoryOfRow.size(); ++k) {
        const QString key = CategoryKey(categoryOfRow[k]);
        auto it = groupOfKey.find(key);
        if (it == groupOfKey.end()) {
            it = groupOfKey.insert(key, int32_t(texts.size()));
            texts.push_back(categoryOfRow[k]);
        }
        groups[k] = *it;
    }
    setCategories(groups, texts);
}

// ---------------------------------------------------------------------------
// Sections

ResultsSection::ResultsSection(const ResultsTable &table, int category)
    : m_table(&table), m_category(category >= 0 && size_t(category) < table.categories.size() ? category : -1)
{}

QString ResultsSection::name() const
{
    return whole() ? QString() : m_table->categories[size_t(m_category)].name;
}

QString ResultsSection::caption() const
{
    return whole() ? m_table->caption : m_table->caption + QStringLiteral(" – ") + name();
}

int ResultsSection::size() const
{
    return whole() ? int(m_table->rows.size()) : int(m_table->categories[size_t(m_category)].rows.size());
}

const ResultRow &ResultsSection::row(int k) const
{
    if (whole())
        return m_table->rows[size_t(k)];
    return m_table->rows[size_t(m_table->categories[size_t(m_category)].rows[size_t(k)])];
}

int32_t ResultsSection::rank(int k) const
{
    return whole() ? row(k).rank : row(k).categoryRank;
}

std::vector<ResultsSection> CategorySections(const ResultsTable &table)
{
    std::vector<ResultsSection> sections;
    sections.reserve(table.categories.size());
    for (size_t c = 0; c < table.categories.size(); ++c)
        sections.emplace_back(table, int(c));
    return sections;
}
