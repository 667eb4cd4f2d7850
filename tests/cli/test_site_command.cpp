// The results site from the command: --site writes the pages the --html
// renderer makes, linked to each other, with the JSON and the script;
// --publish sends it through rclone once (non-zero and rclone's message when
// that fails, a Czech word naming the package when rclone is missing); with
// --watch it follows the data file, replaced by a rename or appended to,
// until stopped.
#include "CommandRunner.h"
#include "RaceFiles.h"
#include "TimeRecord.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

std::vector<Passage> Race()
{
    return {{RaceStartNumber, "10:00:00,000"}, {7, "10:05:00,000"}, {8, "10:06:00,000", 5}, {7, "10:10:00,000"}};
}

class SiteCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteBytes(path("race.csvz"), DataFileBytes(Race())));
        ASSERT_TRUE(WriteBytes(path("racers.racerlist"),
                               RacerFileText({{7, QStringLiteral("Řehoř Čížek"), QStringLiteral("MX1")},
                                              {8, QStringLiteral("Anna <b>"), QStringLiteral("Žáci")}})));
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    CommandRun Run(const QStringList &arguments, const QMap<QString, QString> &env = {})
    {
        return RunResultsProgram(arguments, dir.path(), dataHome.path(), env);
    }

    QTemporaryDir dir;
    QTemporaryDir dataHome;
};

// The rows of a page's table, as the renderer writes them.
QStringList Rows(const QString &html)
{
    static const QRegularExpression row(QStringLiteral("<tr><td class=\"n\">.*</tr>"));
    QStringList rows;
    for (auto it = row.globalMatch(html); it.hasNext();)
        rows << it.next().captured();
    return rows;
}

}  // namespace

TEST_F(SiteCommandTest, TheSiteHoldsThePagesOfTheHtmlRendererLinkedToEachOther)
{
    const CommandRun run = Run({"race.csvz", "--racers", "racers.racerlist", "--site", "web", "--html", "out.html"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QStringList files = QDir(path("web")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"index.html", "kategorie-mx1.html", "kategorie-zaci.html", "results.js",
                                  "results.json", "tikomat.svg"}));

    const QString index = read("web/index.html");
    EXPECT_EQ(Rows(index), Rows(read("out.html")));
    EXPECT_EQ(Rows(index).size(), 2);
    EXPECT_TRUE(index.contains(QStringLiteral("<a href=\"kategorie-zaci.html\">Žáci</a>")));
    EXPECT_TRUE(index.contains(QStringLiteral("<script src=\"results.js\"></script>")));
    const QString zaci = read("web/kategorie-zaci.html");
    ASSERT_EQ(Rows(zaci).size(), 1);
    EXPECT_TRUE(Rows(zaci).front().contains(QStringLiteral("8 (Anna &lt;b&gt; (Žáci))")));
    EXPECT_TRUE(read("web/results.json").contains(QStringLiteral("\"racer\":\"7 (Řehoř Čížek (MX1))\"")));

    // The same inputs write the same site.
    const QString before = index;
    ASSERT_EQ(Run({"race.csvz", "--racers", "racers.racerlist", "--site", "web"}).code, 0);
    EXPECT_EQ(read("web/index.html"), before);
}

TEST_F(SiteCommandTest, PublishingOnceSaysWhyItFailed)
{
    if (QStandardPaths::findExecutable(QStringLiteral("rclone")).isEmpty())
        GTEST_SKIP() << "rclone is not installed (scripts/setup installs it)";
    QTemporaryDir noPrograms;
    struct Case {
        const char *name;
        QString target;
        QMap<QString, QString> env;
        int code;
        QString says;
    };
    const Case cases[] = {
        {"folder", path("www/vysledky"), {}, 0, {}},
        {"unknown remote", "zavody:vysledky", {}, 5, "didn't find section in config file"},
        {"rclone missing", path("www/jinam"), {{"PATH", noPrograms.path()}}, 5, "install the package rclone"},
        {"rclone missing, in Czech",
         path("www/jinam"),
         {{"PATH", noPrograms.path()}, {"LANG", "cs_CZ.UTF-8"}},
         5,
         QStringLiteral("nainstalujte balíček rclone")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const CommandRun run = Run({"race.csvz", "--publish", c.target}, c.env);
        EXPECT_EQ(run.code, c.code) << run.err.toStdString();
        if (c.code == 0) {
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
            EXPECT_EQ(Rows(read("www/vysledky/index.html")).size(), 2);
        } else {
            EXPECT_TRUE(run.err.contains(c.target)) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(path("www/jinam")));
}

TEST_F(SiteCommandTest, WatchingPublishesEveryChangeOfTheDataFileUntilStopped)
{
    if (QStandardPaths::findExecutable(QStringLiteral("rclone")).isEmpty())
        GTEST_SKIP() << "rclone is not installed (scripts/setup installs it)";
    QProcess watch;
    watch.setWorkingDirectory(dir.path());
    watch.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    watch.start(QStringLiteral(TIKOMAT_RESULTS_COMMAND),
                {"race.csvz", "--publish", path("www"), "--watch", "--interval", "0"});
    ASSERT_TRUE(watch.waitForStarted(10000));
    const auto published = [&](const char *rider) {
        return QTest::qWaitFor([&] { return read("www/results.json").contains(QString::fromUtf8(rider)); }, 15000);
    };
    EXPECT_TRUE(published("\"number\":8,"));

    // A save of the window: a new file renamed over the old one.
    std::vector<Passage> race = Race();
    race.push_back({9, "10:07:00,000"});
    ASSERT_TRUE(WriteBytes(path("race.csvz.new"), DataFileBytes(race)));
    ASSERT_EQ(::rename(path("race.csvz.new").toLocal8Bit().constData(), path("race.csvz").toLocal8Bit().constData()),
              0);
    EXPECT_TRUE(published("\"number\":9,"));

    // A line appended in place.
    QFile data(path("race.csvz"));
    ASSERT_TRUE(data.open(QIODevice::Append));
    data.write(DataFileBytes({{10, "10:08:00,000"}}));
    data.close();
    EXPECT_TRUE(published("\"number\":10,"));

    ::kill(pid_t(watch.processId()), SIGTERM);
    ASSERT_TRUE(watch.waitForFinished(10000));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().toStdString();
}
