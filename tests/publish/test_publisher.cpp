// Publishing through rclone to real remotes started on 127.0.0.1 (WebDAV
// and SFTP served by rclone) and to a local folder: after a change the
// remote holds the new pages and JSON, nothing changed sends nothing, and
// failures (remote down, unknown remote, refused login, no rclone) are the
// state with rclone's message until an upload succeeds again.  An upload
// slower than the interval leaves no backlog, and the owner's thread keeps
// handling its events while a large site is written and sent.
#include "../results/ResultsFixtures.h"
#include "Publisher.h"
#include "Remotes.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QDateTime Start(QDate(2026, 12, 11), QTime(14, 42, 5));

// The race after `finished` riders have crossed the line, in two categories.
ResultsSnapshot Race(int finished, int rows = 0)
{
    std::vector<ResultRow> results;
    std::vector<QString> categories;
    for (int n = 1; n <= std::max(finished, rows); ++n) {
        ResultRow row = Result(n, "00:20:00,000", 3, 0);
        row.penalized += n * 1000;
        row.name = QStringLiteral("Jezdec Číslo%1").arg(n);
        row.caption = QStringLiteral("%1 (%2)").arg(n).arg(row.name);
        results.push_back(row);
        categories.push_back(QStringLiteral("MX%1").arg(n % (rows ? 10 : 2) + 1));
    }
    ResultsSnapshot snapshot;
    snapshot.caption = QStringLiteral("Velká cena");
    snapshot.results = Table(std::move(results), categories);
    return snapshot;
}

QStringList Sorted(QStringList names)
{
    names.sort();
    return names;
}

// Pauses short enough for a test; the interval still spaces uploads.
PublishTiming Quick()
{
    PublishTiming timing;
    timing.intervalMs = 300;
    timing.firstRetryMs = 200;
    timing.longestRetryMs = 800;
    timing.timeoutMs = 30000;
    return timing;
}

struct Outcomes {
    explicit Outcomes(Publisher &publisher)
    {
        QObject::connect(&publisher, &Publisher::uploadFinished,
                         [this](const UploadOutcome &outcome, const QStringList &files) {
                             all.push_back(outcome);
                             sent.push_back(files);
                             at.push_back(clock.elapsed());
                         });
        QObject::connect(&publisher, &Publisher::problemChanged,
                         [this](const QString &problem) { problems << problem; });
        clock.start();
    }
    // Waits for the upload after the ones seen so far.
    bool next(int timeoutMs = 30000)
    {
        const size_t seen = all.size();
        return QTest::qWaitFor([&] { return all.size() > seen; }, timeoutMs);
    }

    std::vector<UploadOutcome> all;
    std::vector<QStringList> sent;
    std::vector<qint64> at;
    QStringList problems;
    QElapsedTimer clock;
};

class PublishToRemote : public ::testing::TestWithParam<RemoteKind> {
protected:
    void SetUp() override
    {
        if (RcloneProgram().isEmpty())
            GTEST_SKIP() << "rclone is not installed (scripts/setup installs it)";
    }
};

}  // namespace

TEST_P(PublishToRemote, TheRemoteFollowsTheResultsAndNothingChangedSendsNothing)
{
    Remote remote(GetParam());
    ASSERT_TRUE(remote.start());
    Publisher publisher;
    publisher.setTiming(Quick());
    publisher.setTarget(remote.target());
    publisher.setEnabled(true);
    Outcomes outcomes(publisher);

    publisher.offer(Race(2), Start);
    ASSERT_TRUE(outcomes.next());
    ASSERT_TRUE(outcomes.all.back().ok()) << outcomes.all.back().czech().toStdString();
    EXPECT_EQ(Sorted(outcomes.sent.back()), (QStringList{"index.html", "kategorie-mx1.html", "kategorie-mx2.html",
                                                         "results.js", "results.json", "tikomat.svg"}));
    EXPECT_EQ(publisher.state(), Publisher::State::Published);
    EXPECT_EQ(publisher.stateText(), QStringLiteral("Zveřejněno ") + publisher.publishedAt().toString("HH:mm:ss"));
    EXPECT_TRUE(remote.read("index.html").contains("2 (Jezdec Číslo2)"));
    EXPECT_FALSE(remote.read("index.html").contains("3 (Jezdec Číslo3)"));

    // A third rider: the pages and the JSON go again, the script and the icon not.
    publisher.offer(Race(3), Start.addSecs(20));
    ASSERT_TRUE(outcomes.next());
    ASSERT_TRUE(outcomes.all.back().ok()) << outcomes.all.back().czech().toStdString();
    EXPECT_EQ(Sorted(outcomes.sent.back()),
              (QStringList{"index.html", "kategorie-mx1.html", "kategorie-mx2.html", "results.json"}));
    EXPECT_TRUE(remote.read("index.html").contains("3 (Jezdec Číslo3)"));
    EXPECT_TRUE(remote.read("kategorie-mx2.html").contains("3 (Jezdec Číslo3)"));
    EXPECT_TRUE(remote.read("results.json").contains("Jezdec Číslo3"));
    EXPECT_TRUE(remote.read("index.html").contains("Aktualizováno 14:42:25"));

    // The same results again, and a final "publish now": no upload at all.
    QSignalSpy nothing(&publisher, &Publisher::nothingChanged);
    publisher.offer(Race(3), Start.addSecs(40));
    publisher.publishNow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return nothing.count() == 1; }, 5000));
    EXPECT_FALSE(outcomes.next(1000));
    EXPECT_EQ(outcomes.all.size(), 2u);
    EXPECT_TRUE(outcomes.problems.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Remotes, PublishToRemote,
                         ::testing::Values(RemoteKind::Folder, RemoteKind::WebDav, RemoteKind::Sftp),
                         [](const auto &tested) { return RemoteName(tested.param); });

class PublishFailures : public PublishToRemote {};

TEST_F(PublishFailures, ARemoteDownIsRetriedWithGrowingPausesAndRecoversByItself)
{
    Remote remote(RemoteKind::WebDav);  // not started yet
    Publisher publisher;
    publisher.setTiming(Quick());
    publisher.setTarget(remote.target());
    publisher.setEnabled(true);
    Outcomes outcomes(publisher);
    publisher.offer(Race(2), Start);

    for (int attempt = 0; attempt < 4; ++attempt)
        ASSERT_TRUE(outcomes.next());
    EXPECT_EQ(publisher.state(), Publisher::State::Failed);
    EXPECT_TRUE(publisher.stateText().startsWith(QStringLiteral("Zveřejnění selhalo – ")));
    EXPECT_TRUE(publisher.error().contains(QStringLiteral("cíl odmítl spojení"))) << publisher.error().toStdString();
    // One notice as failures begin, however many follow.
    EXPECT_EQ(outcomes.problems, QStringList{publisher.error()});
    // The pause doubles: 200, 400, 800 ms (the interval, 300 ms, is shorter).
    EXPECT_GE(outcomes.at[2] - outcomes.at[1], 350);
    EXPECT_GE(outcomes.at[3] - outcomes.at[2], 750);

    // Newer results while it is down change the pages and the JSON only; the
    // script and the icon, never sent, still go with them.
    publisher.offer(Race(3), Start.addSecs(20));
    ASSERT_TRUE(remote.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher.state() == Publisher::State::Published; }, 10000));
    EXPECT_EQ(outcomes.problems, (QStringList{outcomes.problems.front(), QString()}));
    EXPECT_TRUE(remote.read("results.json").contains("Jezdec Číslo3"));
    EXPECT_FALSE(remote.read("results.js").isEmpty());
    EXPECT_FALSE(remote.read("tikomat.svg").isEmpty());
}

TEST_F(PublishFailures, EachFailureSaysWhatIsWrong)
{
    Remote sftp(RemoteKind::Sftp);
    ASSERT_TRUE(sftp.start());
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("soubor")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString wrongPassword = sftp.target(QStringLiteral("vysledky"), QStringLiteral("spatne"));
    // An rclone that hangs, as one on a dead connection may.
    const QString hanging = dir.filePath(QStringLiteral("hanging-rclone"));
    QFile script(hanging);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec sleep 60\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    struct Case {
        const char *name;
        QString target;
        QString program;
        QString says;
        int timeoutMs = 30000;
    };
    const Case cases[] = {
        {"no such remote", QStringLiteral("zavody:vysledky"), RcloneProgram(), QStringLiteral("úložiště tohoto názvu není v nastavení rclone")},
        {"refused login", wrongPassword, RcloneProgram(), QStringLiteral("přihlášení k cíli odmítnuto")},
        {"path through a file", dir.filePath(QStringLiteral("soubor/vysledky")), RcloneProgram(),
         QStringLiteral("cesta cíle vede přes soubor")},
        {"rclone missing", QStringLiteral("zavody:vysledky"), dir.filePath(QStringLiteral("rclone")),
         QStringLiteral("nainstalujte balíček rclone")},
        {"upload hangs", QStringLiteral("zavody:vysledky"), hanging,
         QStringLiteral("rclone nedokončil nahrávání do 1 s, přerušeno"), 300},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Publisher publisher;
        PublishTiming timing = Quick();
        timing.timeoutMs = c.timeoutMs;
        publisher.setTiming(timing);
        publisher.setProgram(c.program);
        publisher.setTarget(c.target);
        publisher.setEnabled(true);
        Outcomes outcomes(publisher);
        publisher.offer(Race(1), Start);
        ASSERT_TRUE(outcomes.next());
        EXPECT_FALSE(outcomes.all.back().ok());
        EXPECT_EQ(publisher.state(), Publisher::State::Failed);
        EXPECT_TRUE(publisher.error().contains(c.says, Qt::CaseInsensitive)) << publisher.error().toStdString();
        EXPECT_EQ(outcomes.problems, QStringList{publisher.error()});
    }
    // The password, even scrambled, never gets into a message.
    Publisher publisher;
    publisher.setTarget(wrongPassword);
    publisher.setEnabled(true);
    Outcomes outcomes(publisher);
    publisher.offer(Race(1), Start);
    ASSERT_TRUE(outcomes.next());
    const QString scrambled = wrongPassword.section(QStringLiteral("pass="), 1).section(u':', 0, 0);
    ASSERT_FALSE(scrambled.isEmpty());
    EXPECT_FALSE(publisher.error().contains(scrambled)) << publisher.error().toStdString();
}

TEST_F(PublishFailures, AnUploadSlowerThanTheIntervalLeavesNoBacklog)
{
    // An rclone that takes a second and keeps each results.json it is given.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("slow-rclone"));
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\n"
                                "while [ \"$1\" != -- ]; do shift; done\n"
                                "n=$(ls '%1' | wc -l)\n"
                                "sleep 1\n"
                                "cp \"$2/results.json\" '%1'/upload-$n.json\n")
                     .arg(dir.filePath(QStringLiteral("uploads")))
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("uploads"))));

    Publisher publisher;
    PublishTiming timing = Quick();
    timing.intervalMs = 100;
    publisher.setTiming(timing);
    publisher.setProgram(program);
    publisher.setTarget(QStringLiteral("zavody:vysledky"));
    publisher.setEnabled(true);
    Outcomes outcomes(publisher);
    publisher.offer(Race(1), Start);
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher.state() == Publisher::State::Publishing; }, 5000));
    for (int finished = 2; finished <= 6; ++finished) {
        publisher.offer(Race(finished), Start.addSecs(finished));
        QTest::qWait(100);
    }
    ASSERT_TRUE(outcomes.next());
    ASSERT_TRUE(outcomes.next());
    EXPECT_FALSE(outcomes.next(1500));
    EXPECT_EQ(outcomes.all.size(), 2u);
    QFile second(dir.filePath(QStringLiteral("uploads/upload-1.json")));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    const QByteArray json = second.readAll();
    EXPECT_TRUE(json.contains("Jezdec Číslo6"));
}

TEST_F(PublishFailures, TheOwnersThreadStaysResponsiveWhileALargeSiteIsSent)
{
    Remote remote(RemoteKind::WebDav);
    ASSERT_TRUE(remote.start());
    Publisher publisher;
    publisher.setTiming(Quick());
    publisher.setTarget(remote.target());
    publisher.setEnabled(true);
    Outcomes outcomes(publisher);
    const ResultsSnapshot race = Race(0, 10000);

    // A posted event every 10 ms, each timed from posting to handling.
    qint64 longest = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer poster;
    poster.setInterval(10);
    QObject::connect(&poster, &QTimer::timeout, [&] {
        const qint64 posted = clock.elapsed();
        QMetaObject::invokeMethod(
            &poster, [&, posted] { longest = std::max(longest, clock.elapsed() - posted); }, Qt::QueuedConnection);
    });
    poster.start();
    publisher.offer(race, Start);
    ASSERT_TRUE(outcomes.next(60000));
    poster.stop();
    ASSERT_TRUE(outcomes.all.back().ok()) << outcomes.all.back().czech().toStdString();
    EXPECT_TRUE(remote.read("index.html").contains("10000 (Jezdec Číslo10000)"));
    EXPECT_LT(longest, 50);
}
