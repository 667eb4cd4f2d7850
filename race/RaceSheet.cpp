#include "RaceSheet.h"

#include "Category.h"

#include <algorithm>

QString StatusCode(RacerStatus status)
{
    switch (status) {
    case RacerStatus::DNF: return QStringLiteral("DNF");
    case RacerStatus::DSQ: return QStringLiteral("DSQ");
    case RacerStatus::DNS: return QStringLiteral("DNS");
    case RacerStatus::None: break;
    }
    return {};
}

QString StatusName(RacerStatus status)
{
    switch (status) {
    case RacerStatus::DNF: return QStringLiteral("Nedokončil");
    case RacerStatus::DSQ: return QStringLiteral("Diskvalifikován");
    case RacerStatus::DNS: return QStringLiteral("Nestartoval");
    case RacerStatus::None: break;
    }
    return {};
}

std::optional<RacerStatus> StatusOfCode(QStringView code)
{
    for (RacerStatus status : {RacerStatus::DNF, RacerStatus::DSQ, RacerStatus::DNS})
        if (code == StatusCode(status))
            return status;
    return std::nullopt;
}

bool FinishRule::valid() const
{
    switch (kind) {
    case Kind::None: return true;
    case Kind::Laps: return count >= 1 && count <= MaxFinishLaps;
    case Kind::Minutes: return count >= 1 && count <= MaxFinishMinutes;
    case Kind::At: return at >= 0 && at < MsPerDay;
    }
    return false;
}

QString FinishRuleText(const FinishRule &rule)
{
    switch (rule.kind) {
    case FinishRule::Kind::Laps: {
        // Czech counts 1, 2 to 4, and 5 and more apart.
        const QString word = rule.count == 1                      ? QStringLiteral("kolo")
                             : rule.count >= 2 && rule.count <= 4 ? QStringLiteral("kola")
                                                                  : QStringLiteral("kol");
        return QStringLiteral("%1 %2").arg(rule.count).arg(word);
    }
    case FinishRule::Kind::Minutes: {
        const QString word = rule.count == 1                      ? QStringLiteral("minuta")
                             : rule.count >= 2 && rule.count <= 4 ? QStringLiteral("minuty")
                                                                  : QStringLiteral("minut");
        return QStringLiteral("%1 %2").arg(rule.count).arg(word);
    }
    case FinishRule::Kind::At: return QStringLiteral("v ") + DayTimeToText(rule.at);
    case FinishRule::Kind::None: break;
    }
    return QStringLiteral("bez konce");
}

namespace {

// The rules' order: the one for every other category first, then by key.
bool RuleBefore(const QString &a, const QString &b)
{
    return a.isEmpty() != b.isEmpty() ? a.isEmpty() : a < b;
}

}  // namespace

FinishRule RaceSheet::ownRule(const QString &category) const
{
    const QString key = CategoryKey(category);
    for (const CategoryRule &r : m_rules)
        if (CategoryKey(r.category) == key)
            return r.rule;
    return {};
}

FinishRule RaceSheet::ruleFor(const QString &category) const
{
    const FinishRule own = ownRule(CategoryKey(category).isEmpty() ? NoCategoryName : category);
    return own.none() ? ownRule(QString()) : own;
}

void RaceSheet::setRule(const QString &category, const FinishRule &rule)
{
    const QString key = CategoryKey(category);
    const auto at = std::find_if(m_rules.begin(), m_rules.end(),
                                 [&key](const CategoryRule &r) { return CategoryKey(r.category) == key; });
    if (rule.none()) {
        if (at != m_rules.end())
            m_rules.erase(at);
        return;
    }
    if (at != m_rules.end()) {
        at->rule = rule;
        return;
    }
    const auto place = std::find_if(m_rules.begin(), m_rules.end(),
                                    [&key](const CategoryRule &r) { return RuleBefore(key, CategoryKey(r.category)); });
    m_rules.insert(place, {key.isEmpty() ? QString() : category.trimmed(), rule});
}

StatusEntry RaceSheet::status(int32_t number) const
{
    const auto it = m_statuses.find(number);
    return it == m_statuses.end() ? StatusEntry() : it->second;
}

void RaceSheet::setStatus(int32_t number, const StatusEntry &entry)
{
    if (entry.none())
        m_statuses.erase(number);
    else
        m_statuses[number] = entry;
}
