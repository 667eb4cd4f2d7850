#include "ResultsSite.h"

#include "ResultsPage.h"
#include "ResultsSheet.h"
#include "ResultsText.h"

#include <QFile>
#include <QLocale>
#include <QSet>

namespace {

const QString ScriptName = QStringLiteral("results.js");
const QString IconName = QStringLiteral("tikomat.svg");
const QString IndexName = QStringLiteral("index.html");
const QString JsonName = QStringLiteral("results.json");
constexpr qsizetype LongestName = 40;

QByteArray Icon()
{
    static const QByteArray icon = [] {
        QFile file(QStringLiteral(":/site/tikomat.svg"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return icon;
}

// A name as ASCII small letters and digits, every run of anything else one "-".
QString Slug(const QString &name)
{
    QString slug;
    bool dash = false;
    for (const QChar c : name.normalized(QString::NormalizationForm_KD)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;  // the accent a letter was parted from
        const char16_t u = c.toLower().unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')) {
            if (dash && !slug.isEmpty())
                slug += u'-';
            dash = false;
            slug += QChar(u);
            if (slug.size() >= LongestName)
                break;
        } else {
            dash = true;
        }
    }
    return slug;
}

}  // namespace

QStringList CategoryPageNames(const QStringList &categories)
{
    QStringList names;
    QSet<QString> taken;
    for (const QString &category : categories) {
        const QString slug = Slug(category);
        const QString stem = slug.isEmpty() ? QStringLiteral("kategorie") : QStringLiteral("kategorie-") + slug;
        QString name = stem;
        for (int n = 2; taken.contains(name); ++n)
            name = stem + u'-' + QString::number(n);
        taken.insert(name);
        names << name + QStringLiteral(".html");
    }
    return names;
}

bool IsSiteFileName(const QString &name)
{
    return name == IndexName || name == ScriptName || name == IconName || name == JsonName
           || (name.startsWith(QLatin1String("kategorie")) && name.endsWith(QLatin1String(".html")));
}

std::vector<SiteFile> ResultsSiteFiles(const SiteContent &content)
{
    ResultsSnapshot snapshot = content.snapshot;
    snapshot.version = uint64_t(content.updated.toMSecsSinceEpoch());
    const ResultsTable &table = *snapshot.results;
    const QTime time = content.updated.time();

    QStringList categoryNames;
    for (const ResultsCategory &category : table.categories)
        categoryNames << category.name;
    const QStringList pageNames = CategoryPageNames(categoryNames);

    SitePageParts parts;
    parts.caption = snapshot.caption;
    parts.updated = QStringLiteral("Aktualizováno ") + time.toString(QStringLiteral("HH:mm:ss"));
    parts.version = qint64(snapshot.version);
    parts.refreshSeconds = content.refreshSeconds;
    parts.script = ScriptName;
    parts.icon = IconName;
    parts.links.push_back({QStringLiteral("Všechny"), IndexName, false});
    for (qsizetype c = 0; c < categoryNames.size(); ++c)
        parts.links.push_back({categoryNames[c], pageNames[c], false});

    ResultsDocument document;
    document.table = &table;
    document.moment = ExportMomentText(QLocale::system(), content.updated);
    document.generated = content.updated;
    document.site = &parts;
    auto page = [&](int category) {
        for (size_t i = 0; i < parts.links.size(); ++i)
            parts.links[i].current = int(i) == category + 1;
        parts.category = category < 0 ? QString() : categoryNames[category];
        document.sections = {ResultsSection(table, category)};
        return ResultsHtml(document);
    };

    std::vector<SiteFile> files;
    files.reserve(size_t(categoryNames.size()) + 4);
    files.push_back({IndexName, page(-1)});
    for (qsizetype c = 0; c < categoryNames.size(); ++c)
        files.push_back({pageNames[c], page(int(c))});
    files.push_back({JsonName, ResultsJson(snapshot, time.msecsSinceStartOfDay())});
    files.push_back({ScriptName, ResultsPageScript()});
    files.push_back({IconName, Icon()});
    return files;
}
