// Publishing on the internet from the window: the group " Zveřejnění na
// internetu " on "Nastavení" remembers its choices, a race run with it on
// reaches a WebDAV remote (rclone's, on 127.0.0.1) as it runs, also after
// the remote was down a while, and the timing page shows the state:
// green when published, red behind a warning sign with rclone's message (or
// a Czech word naming the missing package) when not, one event-log line as
// failures begin and one as they end.  Wrong settings are said in the
// group's status line and send nothing.
#include "Clock.h"
#include "Cp1250.h"
#include "../publish/Remotes.h"
#include "MainWindowFixture.h"
#include "PublishControls.h"
#include "PublishSettings.h"
#include "ResultsLists.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

#include <atomic>

namespace {

class PublishWindowTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("rclone")).isEmpty())
            GTEST_SKIP() << "rclone is not installed (scripts/setup installs it)";
        QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).clear();
        SetClockForTesting([this] { return now.load(); });
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
        // Retries soon enough for a test.
        Publisher &publisher = this->publisher();
        PublishTiming timing = publisher.timing();
        timing.firstRetryMs = 100;
        timing.longestRetryMs = 400;
        publisher.setTiming(timing);
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        SetClockForTesting({});
        QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).clear();
    }

    Publisher &publisher() { return ctl<PublishControls>("gbPublish")->publisher(); }
    void click(const char *name) { ctl<QAbstractButton>(name)->click(); }
    void at(const char *time) { now = TextToDayTime(QString::fromLatin1(time)); }
    // A finish impulse, then the racer's number on the keypad and Vlož.
    void finish(const char *time, std::initializer_list<const char *> keys)
    {
        at(time);
        click("btnSimulace2");
        for (const char *key : keys)
            click(key);
        click("Button2");
    }
    void startRace()
    {
        at("10:00:00,000");
        click("btnSimulace");
        dialogs.answerSave(dir.filePath(QStringLiteral("zavod.csvz")));
        click("btnStart");
    }
    // What the operator types into the group.
    void choose(const QString &target, int intervalSeconds = 1)
    {
        auto *edit = ctl<QLineEdit>("edPublishTarget");
        edit->setText(target);
        emit edit->editingFinished();
        auto *interval = ctl<QSpinBox>("sePublishInterval");
        interval->setValue(intervalSeconds);
        emit interval->editingFinished();
    }
    QString read(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    int logLines(const QString &part) const
    {
        QFile log(logPath());
        return log.open(QIODevice::ReadOnly) ? int(FromCp1250(log.readAll()).count(part)) : -1;
    }
    QString status() { return ctl<QLabel>("lblPublishStatus")->text(); }
    QLabel *timingState() { return ctl<QLabel>("lblZverejneni"); }

    std::atomic<DayTime> now{0};
};

}  // namespace

TEST_F(PublishWindowTest, ARaceReachesAWebDavRemoteAsItRunsAndAStoppedRemoteShowsRedUntilItIsBack)
{
    EXPECT_FALSE(ctl<QWidget>("wZverejneni")->isVisibleTo(&main()));
    EXPECT_EQ(status(), QStringLiteral("Vypnuto."));
    Remote remote(RemoteKind::WebDav);
    ASSERT_TRUE(remote.start());
    const auto published = [&](const char *number) {
        return QTest::qWaitFor([&] { return remote.read("results.json").contains(number); }, 20000);
    };
    choose(remote.target());
    click("cbPublishLive");
    startRace();
    finish("10:05:00,000", {"Button9", "Button7"});  // 4, 2
    ASSERT_TRUE(published("\"number\":42,")) << status().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher().state() == Publisher::State::Published; }, 10000));
    EXPECT_TRUE(ctl<QWidget>("wZverejneni")->isVisibleTo(&main()));
    EXPECT_TRUE(timingState()->text().startsWith(QStringLiteral("Zveřejněno "))) << timingState()->text().toStdString();
    EXPECT_EQ(timingState()->palette().color(QPalette::WindowText), QColor(0x00, 0x80, 0x00));
    EXPECT_FALSE(ctl<QLabel>("imgZverejneni")->isVisibleTo(&main()));
    EXPECT_EQ(status(), timingState()->text());
    EXPECT_TRUE(QString::fromUtf8(remote.read("index.html")).contains(QStringLiteral("42 (&lt;neznámý&gt;)")));

    // The next rider follows within the interval.
    finish("10:04:00,000", {"Button13"});  // 7
    EXPECT_TRUE(published("\"number\":7,"));

    // The remote goes down: red, one log line; the race goes on.
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher().state() == Publisher::State::Published; }, 10000));
    remote.stop();
    finish("10:06:00,000", {"Button14"});  // 8
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher().state() == Publisher::State::Failed; }, 20000));
    EXPECT_TRUE(timingState()->text().startsWith(QStringLiteral("Zveřejnění selhalo – ")));
    EXPECT_TRUE(ctl<QLabel>("imgZverejneni")->isVisibleTo(&main()));
    EXPECT_EQ(logLines(QStringLiteral("Zveřejnění selhalo")), 1);

    // Back again: the waiting rider arrives by itself, green, one log line.
    ASSERT_TRUE(remote.start());
    EXPECT_TRUE(published("\"number\":8,"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher().state() == Publisher::State::Published; }, 10000));
    EXPECT_EQ(logLines(QStringLiteral("Zveřejnění opět funguje")), 1);
    EXPECT_EQ(logLines(QStringLiteral("Zveřejnění selhalo")), 1);

    // A final upload with nothing new sends nothing and says so.
    click("btnPublishNow");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return status() == QStringLiteral("Nic nového: web na cíli je aktuální."); }, 5000))
        << status().toStdString();

    // The choices are remembered.
    const PublishSettings settings = PublishSettings::Load();
    EXPECT_EQ(settings.target, remote.target());
    EXPECT_TRUE(settings.live);
    EXPECT_EQ(settings.intervalSeconds, 1);
}

TEST_F(PublishWindowTest, AFailureIsRedWithRclonesMessageAndLoggedOnceAsItBeginsAndEnds)
{
    struct Case {
        const char *name;
        QString program;  // empty: rclone
        QString says;
    };
    const Case cases[] = {
        {"no such remote", {}, QStringLiteral("didn't find section in config file")},
        {"rclone missing", dir.filePath(QStringLiteral("nikde/rclone")), QStringLiteral("nainstalujte balíček rclone")},
    };
    startRace();
    finish("10:05:00,000", {"Button13"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.program.isEmpty())
            publisher().setProgram(c.program);
        const int began = logLines(QStringLiteral("Zveřejnění selhalo"));
        choose(QStringLiteral("zavody:vysledky/%1").arg(QString::fromLatin1(c.name).replace(u' ', u'-')));
        if (!ctl<QCheckBox>("cbPublishLive")->isChecked())
            click("cbPublishLive");
        ASSERT_TRUE(QTest::qWaitFor([&] { return publisher().state() == Publisher::State::Failed; }, 20000));
        const QString shown = timingState()->text();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Zveřejnění selhalo – "))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(c.says)) << shown.toStdString();
        EXPECT_TRUE(ctl<QLabel>("imgZverejneni")->isVisibleTo(&main()));
        EXPECT_EQ(ctl<QWidget>("wZverejneni")->palette().color(QPalette::Window), QColor(0xc0, 0x00, 0x00));
        EXPECT_EQ(status(), shown);

        // Retried, still failing: still one line.
        QTest::qWait(700);
        EXPECT_EQ(publisher().state(), Publisher::State::Failed);
        EXPECT_EQ(logLines(QStringLiteral("Zveřejnění selhalo")), began + 1);

        // The race goes on meanwhile.
        const size_t rows = main().Results()->table()->rows.size();
        finish(c.program.isEmpty() ? "10:06:00,000" : "10:07:00,000", {c.program.isEmpty() ? "Button14" : "Button15"});
        EXPECT_EQ(main().Results()->table()->rows.size(), rows + 1);
    }

    // Another target ends the failures as a change of the settings, not as
    // an upload that worked; the state turns green once one has.
    publisher().setProgram(QStringLiteral("rclone"));
    const int changed = logLines(QStringLiteral("nastavení změněno, předchozí chyba už neplatí"));
    choose(dir.filePath(QStringLiteral("www")));
    EXPECT_EQ(logLines(QStringLiteral("nastavení změněno, předchozí chyba už neplatí")), changed + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher().state() == Publisher::State::Published; }, 20000))
        << status().toStdString();
    EXPECT_EQ(logLines(QStringLiteral("Zveřejnění opět funguje")), 0);
    EXPECT_FALSE(ctl<QLabel>("imgZverejneni")->isVisibleTo(&main()));
}

TEST_F(PublishWindowTest, WrongSettingsAreSaidAndSendNothing)
{
    struct Case {
        QString target;
        QString says;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("Zadejte cíl: složku nebo úložiště rclone (název:cesta).")},
        {QStringLiteral("   "), QStringLiteral("Zadejte cíl: složku nebo úložiště rclone (název:cesta).")},
        {QStringLiteral("vysledky/2026"),
         QStringLiteral("Cíl „vysledky/2026“ není celá cesta ke složce (začíná znakem /) ani úložiště rclone ve "
                        "tvaru název:cesta.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        choose(c.target);
        click("btnPublishNow");
        EXPECT_EQ(status(), c.says);
        EXPECT_EQ(ctl<QLabel>("lblPublishStatus")->palette().color(QPalette::WindowText), QColor(0xc0, 0x00, 0x00));
        EXPECT_TRUE(publisher().target().isEmpty());
        EXPECT_EQ(publisher().state(), Publisher::State::Idle);
    }
    EXPECT_FALSE(QDir(QDir::current().filePath(QStringLiteral("vysledky"))).exists());
}
