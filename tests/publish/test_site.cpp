// The published site's files: safe names for the categories' pages, pages
// complete without their script and linked relatively, results.json the
// LAN page's JSON, the same results giving the same bytes; the staging
// folder rewriting exactly the files whose bytes changed.
#include "../results/ResultsFixtures.h"
#include "ResultsSite.h"
#include "SiteStage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

const QDateTime Updated(QDate(2026, 12, 11), QTime(14, 42, 5));

ResultRow Rider(int number, const QString &name, const char *time)
{
    ResultRow row = Result(number, time, 3, 0);
    row.name = name;
    row.caption = QStringLiteral("%1 (%2)").arg(number).arg(name);
    return row;
}

// Four riders in two categories, one name that would be markup.
SiteContent Race(QDateTime updated = Updated)
{
    SiteContent content;
    content.snapshot.caption = QStringLiteral("Velká cena");
    content.snapshot.results = Table({Rider(7, QStringLiteral("Řehoř Čížek"), "00:20:01,000"),
                                      Rider(12, QStringLiteral("<b>Anna</b>"), "00:20:30,500"),
                                      Rider(3, QStringLiteral("Ódy Šťastná"), "00:21:00,000"),
                                      Rider(9, QStringLiteral("Tom"), "00:22:00,000")},
                                     {QStringLiteral("MX1"), QStringLiteral("Žáci do 12 let"),
                                      QStringLiteral("Žáci do 12 let"), QStringLiteral("MX1")});
    content.updated = std::move(updated);
    return content;
}

QString Text(const std::vector<SiteFile> &files, const QString &name)
{
    for (const SiteFile &file : files)
        if (file.name == name)
            return QString::fromUtf8(file.bytes);
    ADD_FAILURE() << "no file " << name.toStdString();
    return {};
}

QStringList Names(const std::vector<SiteFile> &files)
{
    QStringList names;
    for (const SiteFile &file : files)
        names << file.name;
    return names;
}

}  // namespace

TEST(ResultsSiteTest, CategoryPagesGetNamesSafeOnAnyStorage)
{
    struct Case {
        QStringList categories;
        QStringList pages;
    };
    const Case cases[] = {
        {{QStringLiteral("MX1")}, {QStringLiteral("kategorie-mx1.html")}},
        {{QStringLiteral("Žáci do 12 let")}, {QStringLiteral("kategorie-zaci-do-12-let.html")}},
        // Names that differ only in what is dropped still get pages of their own.
        {{QStringLiteral("MX 1"), QStringLiteral("mx-1"), QStringLiteral("MX/1")},
         {QStringLiteral("kategorie-mx-1.html"), QStringLiteral("kategorie-mx-1-2.html"),
          QStringLiteral("kategorie-mx-1-3.html")}},
        // Nothing of a path, a query or a hidden file survives.
        {{QStringLiteral("../../etc/passwd"), QStringLiteral(".htaccess?x=1#y")},
         {QStringLiteral("kategorie-etc-passwd.html"), QStringLiteral("kategorie-htaccess-x-1-y.html")}},
        // A name of no letter or digit at all.
        {{QStringLiteral("★★"), QStringLiteral("Ω")},
         {QStringLiteral("kategorie.html"), QStringLiteral("kategorie-2.html")}},
        {{QString(60, u'a')}, {QStringLiteral("kategorie-") + QString(40, u'a') + QStringLiteral(".html")}},
    };
    static const QRegularExpression safe(QStringLiteral("^kategorie[a-z0-9-]*\\.html$"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.categories.join(u'|').toStdString());
        const QStringList pages = CategoryPageNames(c.categories);
        EXPECT_EQ(pages, c.pages);
        for (const QString &page : pages)
            EXPECT_TRUE(safe.match(page).hasMatch()) << page.toStdString();
    }
}

TEST(ResultsSiteTest, PagesHoldTheirRowsWithoutTheScriptAndLinkRelatively)
{
    const std::vector<SiteFile> files = ResultsSiteFiles(Race());
    EXPECT_EQ(Names(files), (QStringList{"index.html", "kategorie-mx1.html", "kategorie-zaci-do-12-let.html",
                                         "results.json", "results.js", "tikomat.svg"}));

    const QString index = Text(files, QStringLiteral("index.html"));
    for (const char *rider : {"7 (Řehoř Čížek)", "12 (&lt;b&gt;Anna&lt;/b&gt;)", "3 (Ódy Šťastná)", "9 (Tom)"})
        EXPECT_TRUE(index.contains(QString::fromUtf8(rider))) << rider;
    EXPECT_FALSE(index.contains(QStringLiteral("<b>Anna")));
    EXPECT_TRUE(index.contains(QStringLiteral("Aktualizováno 14:42:05")));
    // The race's caption heads every page, as results.json names it.
    EXPECT_TRUE(index.contains(QStringLiteral("<h1>Velká cena</h1>")));
    EXPECT_TRUE(index.contains(QStringLiteral("data-refresh=\"15\"")));

    // A category's page shows its riders only, ranked within it.
    const QString mx1 = Text(files, QStringLiteral("kategorie-mx1.html"));
    EXPECT_TRUE(mx1.contains(QStringLiteral("7 (Řehoř Čížek)")));
    EXPECT_TRUE(mx1.contains(QStringLiteral("9 (Tom)")));
    EXPECT_FALSE(mx1.contains(QStringLiteral("Ódy Šťastná")));
    EXPECT_TRUE(mx1.contains(QStringLiteral("aria-current=\"page\">MX1</a>")));
    EXPECT_TRUE(mx1.contains(QStringLiteral("<h1>Velká cena – MX1</h1>")));

    // Every address a page names is one of the site's own files.
    static const QRegularExpression address(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    const QStringList names = Names(files);
    for (const QString &page : {QStringLiteral("index.html"), QStringLiteral("kategorie-mx1.html"),
                                QStringLiteral("kategorie-zaci-do-12-let.html")}) {
        const QString html = Text(files, page);
        int addresses = 0;
        for (auto it = address.globalMatch(html); it.hasNext(); ++addresses) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(names.contains(target)) << page.toStdString() << ": " << target.toStdString();
        }
        EXPECT_GE(addresses, 5) << page.toStdString();  // icon, three pages, script
    }
}

TEST(ResultsSiteTest, TheJsonIsTheLanPagesWithTheVersionOfTheUpdate)
{
    const std::vector<SiteFile> files = ResultsSiteFiles(Race());
    const QJsonObject json = QJsonDocument::fromJson(Text(files, QStringLiteral("results.json")).toUtf8()).object();
    EXPECT_EQ(json.value("caption").toString(), QStringLiteral("Velká cena"));
    EXPECT_EQ(json.value("version").toInteger(), Updated.toMSecsSinceEpoch());
    EXPECT_EQ(json.value("serverTimeMs").toInteger(), Updated.time().msecsSinceStartOfDay());
    const QJsonArray rows = json.value("rows").toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[1].toObject().value("racer").toString(), QStringLiteral("12 (<b>Anna</b>)"));
    EXPECT_EQ(rows[1].toObject().value("category").toString(), QStringLiteral("Žáci do 12 let"));
    EXPECT_TRUE(Text(files, QStringLiteral("index.html"))
                    .contains(QStringLiteral("data-version=\"%1\"").arg(Updated.toMSecsSinceEpoch())));
}

TEST(ResultsSiteTest, TheSameResultsGiveTheSameBytes)
{
    const std::vector<SiteFile> first = ResultsSiteFiles(Race());
    const std::vector<SiteFile> again = ResultsSiteFiles(Race());
    ASSERT_EQ(first.size(), again.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i].bytes, again[i].bytes) << first[i].name.toStdString();
}

TEST(SiteStageTest, WritesExactlyTheFilesWhoseBytesChanged)
{
    QTemporaryDir dir;
    SiteStage stage(dir.filePath(QStringLiteral("site")));
    QString error;
    const QStringList all = Names(ResultsSiteFiles(Race()));
    EXPECT_EQ(stage.write(ResultsSiteFiles(Race()), &error), all);
    EXPECT_TRUE(error.isEmpty());

    // Nothing changed: nothing written.
    EXPECT_TRUE(stage.write(ResultsSiteFiles(Race()), &error).isEmpty());

    // A later update: the pages and the JSON carry it; script and icon stay.
    const QStringList changed = stage.write(ResultsSiteFiles(Race(Updated.addSecs(30))), &error);
    EXPECT_EQ(changed,
              (QStringList{"index.html", "kategorie-mx1.html", "kategorie-zaci-do-12-let.html", "results.json"}));
    QFile json(QDir(stage.folder()).filePath(QStringLiteral("results.json")));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    EXPECT_TRUE(json.readAll().contains(QByteArray::number(Updated.addSecs(30).toMSecsSinceEpoch())));

    // A new target holds none of them.
    stage.forget();
    EXPECT_EQ(stage.write(ResultsSiteFiles(Race(Updated.addSecs(30))), &error), all);
}

TEST(SiteStageTest, AFileThatCannotBeWrittenIsWrittenAtTheNextRound)
{
    QTemporaryDir dir;
    SiteStage stage(dir.filePath(QStringLiteral("site")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("site/results.json"))));  // a folder in its way
    QString error;
    const QStringList written = stage.write(ResultsSiteFiles(Race()), &error);
    EXPECT_TRUE(error.startsWith(QStringLiteral("results.json: "))) << error.toStdString();
    EXPECT_EQ(written, (QStringList{"index.html", "kategorie-mx1.html", "kategorie-zaci-do-12-let.html"}));

    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("site/results.json"))).removeRecursively());
    error.clear();
    EXPECT_EQ(stage.write(ResultsSiteFiles(Race()), &error),
              (QStringList{"results.json", "results.js", "tikomat.svg"}));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
}
