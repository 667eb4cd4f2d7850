#include "Categories.h"

#include <QSet>

namespace {

// Letter case is compared by Unicode case folding, which knows Czech letters
// whatever the system's locale is.
QString CaseKey(const QString &text)
{
    return text.toCaseFolded();
}

}  // namespace

QStringList InitialCategories()
{
    return {QStringLiteral("MX1"), QStringLiteral("MX2"), QStringLiteral("OPEN"), QStringLiteral("VETERÁN")};
}

QStringList CategoryLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

QStringList NewCategories(const QStringList &lines, const std::vector<RacerRow> &rows)
{
    QSet<QString> known;
    for (const QString &line : lines)
        known.insert(CaseKey(line));
    QStringList added;
    for (const RacerRow &row : rows) {
        if (!row.category || row.category->trimmed().isEmpty())
            continue;
        const QString key = CaseKey(*row.category);
        if (known.contains(key))
            continue;
        known.insert(key);
        added << *row.category;
    }
    return added;
}

QStringList CategoryChoices(const QStringList &lines)
{
    QStringList choices;
    for (const QString &line : lines)
        if (!line.trimmed().isEmpty())
            choices << line;
    return choices;
}
