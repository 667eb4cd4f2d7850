// A real browser on the results page: headless Chromium loads the page from
// the running program (main window and all, serving on 127.0.0.1 only),
// shows the leader, and after a Vlož shows the new row without a reload; one
// category's address shows that category ranked within it; on a phone's
// screen neither that page nor the page tikomat-results writes needs sideways
// scrolling.  The published results site, served by a plain static HTTP
// server, shows its rows, fits a phone and reads results.json again by
// itself.  The test reads the page through the browser's debugging
// socket, also on 127.0.0.1.  Skipped where Chromium is not installed.
#include "Clock.h"
#include "../cli/RaceFiles.h"
#include "ResultsCommand.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "../app/Controls.h"
#include "../app/MainWindowFixture.h"
#include "WebClient.h"
#include "WebSettings.h"
#include "main.h"
#include "RacerTable.h"
#include "../results/ResultsFixtures.h"
#include "ResultsSite.h"
#include "SiteStage.h"

#include "SheetChange.h"
#include "TimingDesk.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <atomic>
#include <optional>

namespace {

const char Chromium[] = "/usr/bin/chromium";

// What the browser is asked to evaluate in the page, and its answer.
class DevTools {
public:
    bool open(const QUrl &url)
    {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket, [this](const QString &message) {
            const QJsonObject reply = QJsonDocument::fromJson(message.toUtf8()).object();
            if (reply.value("id").toInt() == m_id)
                m_answer = reply;
        });
        m_socket.open(url);
        const bool ok = QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 10000);
        if (!ok)
            ADD_FAILURE() << "debugging socket: " << m_socket.errorString().toStdString();
        return ok;
    }

    // Calls a method of the debugging protocol; its result, or nothing on
    // an error or a timeout.
    std::optional<QJsonObject> call(const QString &method, const QJsonObject &params)
    {
        m_answer = {};
        m_socket.sendTextMessage(
            QString::fromUtf8(QJsonDocument(QJsonObject{{"id", ++m_id}, {"method", method}, {"params", params}})
                                  .toJson(QJsonDocument::Compact)));
        if (!QTest::qWaitFor([this] { return !m_answer.isEmpty(); }, 5000) || m_answer.contains("error"))
            return std::nullopt;
        return m_answer.value("result").toObject();
    }

    // The value of expression in the page, or an undefined value on timeout.
    QJsonValue evaluate(const QString &expression)
    {
        const std::optional<QJsonObject> result = call(QStringLiteral("Runtime.evaluate"),
                                                       {{"expression", expression}, {"returnByValue", true}});
        if (!result)
            return QJsonValue(QJsonValue::Undefined);
        return result->value("result").toObject().value("value");
    }

    // Lays the page out as a phone held upright shows it, 390 by 844 points.
    bool emulatePhone()
    {
        const QJsonObject metrics{{"width", 390}, {"height", 844}, {"deviceScaleFactor", 3}, {"mobile", true}};
        return call(QStringLiteral("Emulation.setDeviceMetricsOverride"), metrics).has_value();
    }

    // How much wider than the phone's screen the page is laid out (0 when it
    // fits), once the layout has settled.  (A phone widens its viewport to a
    // page that does not fit, so the page's width is held against the
    // screen's, not against innerWidth.)
    int overflow()
    {
        QTest::qWait(300);
        return std::max(0, evaluate(QStringLiteral("document.documentElement.scrollWidth")).toInt(100000) - 390);
    }

    // Evaluates expression until it gives expected, for at most timeoutMs.
    bool waitFor(const QString &expression, const QJsonValue &expected, int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            if (evaluate(expression) == expected)
                return true;
            QTest::qWait(100);
        }
        return false;
    }

private:
    QWebSocket m_socket;
    int m_id = 0;
    QJsonObject m_answer;
};

class BrowserTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        if (!QFile::exists(QString::fromLatin1(Chromium)))
            GTEST_SKIP() << "Chromium is not installed (scripts/setup installs it)";
        SetClockForTesting([this] { return now.load(); });
        {
            QTcpServer probe;
            ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        WebSettings settings;
        settings.enabled = true;
        settings.port = port;
        settings.address = QStringLiteral("127.0.0.1");
        settings.Save();
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
    }

    void TearDown() override
    {
        if (browser.state() != QProcess::NotRunning) {
            browser.terminate();
            if (!browser.waitForFinished(5000)) {
                browser.kill();
                browser.waitForFinished(5000);
            }
        }
        SetClockForTesting({});
        MainWindowFixture::TearDown();
        QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).clear();
    }

    void at(const char *time) { now = TextToDayTime(QString::fromLatin1(time)); }
    void click(const char *name) { Control<QPushButton>(*windows.frmMain, name)->click(); }
    // A finish impulse, then the racer's number on the keypad and Vlož.
    void finish(const char *time, std::initializer_list<const char *> keys)
    {
        at(time);
        click("btnSimulace2");
        for (const char *key : keys)
            click(key);
        click("Button2");
    }

    // Starts the browser on the page (the program's own unless another
    // address is given) and connects to its debugging socket.
    bool openPage(DevTools &devtools, QString url = {})
    {
        const QString profile = dir.filePath(QStringLiteral("profile"));
        if (url.isEmpty())
            url = QStringLiteral("http://127.0.0.1:%1/").arg(port);
        browser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        browser.start(QString::fromLatin1(Chromium),
                      {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                       "--disable-background-networking", "--disable-component-update", "--disable-sync",
                       "--disable-dev-shm-usage", "--user-data-dir=" + profile, "--remote-debugging-address=127.0.0.1",
                       "--remote-debugging-port=0", url});
        if (!browser.waitForStarted(10000))
            return false;
        // The browser writes the port of its debugging socket into the profile.
        QFile active(profile + QStringLiteral("/DevToolsActivePort"));
        if (!QTest::qWaitFor([&] { return active.exists() && active.size() > 0; }, 30000))
            return false;
        active.open(QIODevice::ReadOnly);
        const quint16 debugPort = quint16(active.readLine().trimmed().toUInt());
        QJsonArray targets;
        const bool listed = QTest::qWaitFor(
            [&] {
                const Reply reply = Exchange(debugPort, "GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:"
                                                            + QByteArray::number(debugPort)
                                                            + "\r\nConnection: close\r\n\r\n");
                targets = QJsonDocument::fromJson(BodyOf(reply.bytes)).array();
                for (const QJsonValue &t : targets)
                    if (t.toObject().value("type").toString() == "page")
                        return true;
                return false;
            },
            20000);
        if (!listed)
            ADD_FAILURE() << "no page among the browser's targets";
        for (const QJsonValue &t : targets) {
            const QJsonObject target = t.toObject();
            if (target.value("type").toString() != "page")
                continue;
            // It names the host as the request did; it must be 127.0.0.1.
            QUrl socketUrl(target.value("webSocketDebuggerUrl").toString());
            socketUrl.setHost(QStringLiteral("127.0.0.1"));
            socketUrl.setPort(debugPort);
            return devtools.open(socketUrl);
        }
        return false;
    }

    std::atomic<DayTime> now{0};
    quint16 port = 0;
    QProcess browser;
};

TEST_F(BrowserTest, ThePageShowsTheLeaderAndFollowsAVlozWithoutAReload)
{
    // A race start and racer 42.
    at("10:00:00,000");
    click("btnSimulace");
    dialogs.answerSave(dir.filePath(QStringLiteral("zavod.csvz")));
    click("btnStart");
    finish("10:05:00,000", {"Button9", "Button7"});  // 4, 2

    DevTools devtools;
    ASSERT_TRUE(openPage(devtools));
    const QString rows = QStringLiteral("[...document.querySelectorAll('#rows tr')].map(r => "
                                        "[...r.cells].slice(0, 4).map(c => c.textContent).join('|')).join('\\n')");
    ASSERT_TRUE(devtools.waitFor(rows, QStringLiteral("1.|42 (<neznámý>)|1|00:05:00,000"), 20000))
        << devtools.evaluate(rows).toString().toStdString();
    EXPECT_TRUE(devtools.waitFor(QStringLiteral("/^\\d\\d:\\d\\d:\\d\\d,\\d\\d\\d$/.test("
                                                "document.getElementById('running').textContent)"),
                                 true));
    EXPECT_EQ(devtools.evaluate(QStringLiteral("document.getElementById('caption').textContent")).toString(),
              QStringLiteral("Tikomat"));
    // A mark the page keeps only as long as it is not loaded again.
    devtools.evaluate(QStringLiteral("window.sameLoad = 'ano'"));

    // Racer 7, faster, is inserted with Vlož: the page follows by itself.
    finish("10:04:00,000", {"Button13"});  // 7
    EXPECT_TRUE(devtools.waitFor(rows, QStringLiteral("1.|7 (<neznámý>)|1|00:04:00,000\n"
                                                      "2.|42 (<neznámý>)|1|00:05:00,000")))
        << devtools.evaluate(rows).toString().toStdString();
    // The spectator window's caption reaches the page as it is typed.
    Control<QLineEdit>(*windows.frmMain, "edDispCaption")->setText(QStringLiteral("Velká cena"));
    EXPECT_TRUE(devtools.waitFor(QStringLiteral("document.getElementById('caption').textContent"),
                                 QStringLiteral("Velká cena")));
    EXPECT_EQ(devtools.evaluate(QStringLiteral("window.sameLoad")).toString(), QStringLiteral("ano"));

    // The race sheet reaches the page: a status where the rank was, and the race's end.
    SheetChange change;
    change.edits = {SheetEdit::Status(42, {}, {RacerStatus::DNF, QString()}),
                    SheetEdit::Rule(QString(), {}, FinishRule::Laps(1))};
    ASSERT_TRUE(windows.frmMain->Desk()->ChangeSheet(change));
    EXPECT_TRUE(devtools.waitFor(rows, QStringLiteral("1.|7 (<neznámý>)|1|00:04:00,000\n"
                                                      "DNF|42 (<neznámý>)|1|00:05:00,000")))
        << devtools.evaluate(rows).toString().toStdString();
    EXPECT_TRUE(devtools.waitFor(QStringLiteral("document.getElementById('finish').textContent"),
                                 QStringLiteral("<nezadáná kategorie>: Cíl")))
        << devtools.evaluate(QStringLiteral("document.getElementById('finish').textContent")).toString().toStdString();
}

// Racers with categories, one name long enough to need wrapping on a phone.
std::vector<RacerRow> CategoryRacers()
{
    return {{7, QStringLiteral("Novák Jan"), QStringLiteral("MX1")},
            {8, QStringLiteral("Dvořák Eduard"), QStringLiteral("MX2")},
            {9, QStringLiteral("Nejdelšíjménozávodníkakterésevejdenařádekjentěžko Bartoloměj"), QStringLiteral("mx1")},
            {10, QStringLiteral("Malá Eva"), QStringLiteral("VETERÁN nad 60 let")}};
}

TEST_F(BrowserTest, ACategorysAddressShowsItsRowsRankedWithinItAndFitsAPhone)
{
    windows.frmMain->Racers()->setRows(CategoryRacers());
    at("10:00:00,000");
    click("btnSimulace");
    dialogs.answerSave(dir.filePath(QStringLiteral("zavod.csvz")));
    click("btnStart");
    finish("10:04:00,000", {"Button13"});             // 7, MX1
    finish("10:05:00,000", {"Button14"});             // 8, MX2
    finish("10:06:00,000", {"Button15"});             // 9, mx1
    finish("10:07:00,000", {"Button6", "Button16"});  // 10 (1, 0), VETERÁN

    DevTools devtools;
    ASSERT_TRUE(openPage(devtools, QStringLiteral("http://127.0.0.1:%1/?kategorie=mx1").arg(port)));
    ASSERT_TRUE(devtools.emulatePhone());
    const QString rows = QStringLiteral("[...document.querySelectorAll('#rows tr')].map(r => "
                                        "[...r.cells].slice(0, 2).map(c => c.textContent).join('|')).join('\\n')");
    EXPECT_TRUE(devtools.waitFor(rows,
                                 QStringLiteral("1.|7 (Novák Jan (MX1))\n"
                                                "2.|9 (Nejdelšíjménozávodníkakterésevejdenařádekjentěžko "
                                                "Bartoloměj (mx1))"),
                                 20000))
        << devtools.evaluate(rows).toString().toStdString();
    EXPECT_EQ(devtools.evaluate(QStringLiteral("document.getElementById('caption').textContent")).toString(),
              QStringLiteral("Tikomat – MX1"));
    const QString links = QStringLiteral("[...document.querySelectorAll('#categories a')].map(a => "
                                         "(a.hasAttribute('aria-current') ? '*' : '') + a.textContent).join('|')");
    EXPECT_EQ(devtools.evaluate(links).toString(), QStringLiteral("Všechny|*MX1|MX2|VETERÁN nad 60 let"));
    EXPECT_EQ(devtools.overflow(), 0);

    // A new passage in the category reaches the page ranked within it.
    finish("10:03:00,000", {"Button15"});  // 9 again: now a second lap, first overall
    EXPECT_TRUE(devtools.waitFor(rows, QStringLiteral("1.|9 (Nejdelšíjménozávodníkakterésevejdenařádekjentěžko "
                                                      "Bartoloměj (mx1))\n"
                                                      "2.|7 (Novák Jan (MX1))")))
        << devtools.evaluate(rows).toString().toStdString();

    // The whole ranking, from its link, fits the phone as well.
    devtools.evaluate(QStringLiteral("document.querySelector('#categories a').click()"));
    EXPECT_TRUE(devtools.waitFor(QStringLiteral("document.querySelectorAll('#rows tr').length"), 4));
    EXPECT_EQ(devtools.evaluate(QStringLiteral("document.getElementById('caption').textContent")).toString(),
              QStringLiteral("Tikomat"));
    EXPECT_EQ(devtools.overflow(), 0);
}

// A category typed without its diacritics or capitals is found; one the
// results do not know is said so, with the categories there are.
TEST_F(BrowserTest, ACategoryIsFoundWithoutDiacriticsAndAnUnknownOneIsSaidSo)
{
    windows.frmMain->Racers()->setRows(CategoryRacers());
    at("10:00:00,000");
    click("btnSimulace");
    dialogs.answerSave(dir.filePath(QStringLiteral("zavod.csvz")));
    click("btnStart");
    finish("10:04:00,000", {"Button13"});             // 7, MX1
    finish("10:07:00,000", {"Button6", "Button16"});  // 10 (1, 0), VETERÁN

    DevTools devtools;
    ASSERT_TRUE(
        openPage(devtools, QStringLiteral("http://127.0.0.1:%1/?kategorie=veteran%20NAD%2060%20let").arg(port)));
    const QString rows = QStringLiteral("[...document.querySelectorAll('#rows tr')].map(r => "
                                        "[...r.cells].slice(0, 2).map(c => c.textContent).join('|')).join('\\n')");
    EXPECT_TRUE(devtools.waitFor(rows, QStringLiteral("1.|10 (Malá Eva (VETERÁN nad 60 let))"), 20000))
        << devtools.evaluate(rows).toString().toStdString();
    EXPECT_EQ(devtools.evaluate(QStringLiteral("document.getElementById('caption').textContent")).toString(),
              QStringLiteral("Tikomat – VETERÁN nad 60 let"));

    devtools.evaluate(QStringLiteral("location.search = '?kategorie=zeny'"));
    EXPECT_TRUE(devtools.waitFor(rows, u"Kategorie „zeny“ neexistuje. Kategorie: MX1, VETERÁN nad 60 let."_qs, 20000))
        << devtools.evaluate(rows).toString().toStdString();
}

TEST_F(BrowserTest, TheCommandsPageFitsAPhone)
{
    // Many laps make a long note of splits; a long name and category must wrap.
    std::vector<QByteArray> times;
    for (int lap = 1; lap <= 12; ++lap)
        for (int racer = 0; racer < 4; ++racer)
            times.push_back(QStringLiteral("10:%1:%2,500")
                                .arg(lap * 4, 2, 10, QLatin1Char('0'))
                                .arg(racer * 7, 2, 10, QLatin1Char('0'))
                                .toLatin1());
    std::vector<Passage> passages{{RaceStartNumber, "10:00:00,000"}};
    for (size_t i = 0; i < times.size(); ++i)
        passages.push_back({7 + int(i % 4), times[i].constData()});
    const QString data = dir.filePath(QStringLiteral("závod.csvz"));
    const QString racers = dir.filePath(QStringLiteral("závodníci.racerlist"));
    ASSERT_TRUE(WriteBytes(data, DataFileBytes(passages)));
    ASSERT_TRUE(WriteBytes(racers, RacerFileText(CategoryRacers())));

    // The whole ranking, then every category apart, in one browser.
    DevTools devtools;
    for (const bool byCategory : {false, true}) {
        SCOPED_TRACE(byCategory ? "by category" : "whole");
        const QString page = dir.filePath(byCategory ? QStringLiteral("kategorie.html") : QStringLiteral("vse.html"));
        QStringList arguments{QStringLiteral("--racers"),
                              racers,
                              QStringLiteral("--title"),
                              QStringLiteral("Velká cena města Nejdelšího, finálová jízda"),
                              QStringLiteral("--html"),
                              page,
                              data};
        if (byCategory)
            arguments << QStringLiteral("--by-category");
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        ASSERT_EQ(RunResultsCommand(arguments, Language::English, out, err), 0) << err.data().constData();

        const QString url = QUrl::fromLocalFile(page).toString();
        if (!byCategory) {
            ASSERT_TRUE(openPage(devtools, url));
            ASSERT_TRUE(devtools.emulatePhone());
        } else {
            ASSERT_TRUE(devtools.call(QStringLiteral("Page.navigate"), {{"url", url}}).has_value());
        }
        EXPECT_TRUE(devtools.waitFor(QStringLiteral("location.href === '%1' && document.readyState === 'complete' "
                                                    "&& document.querySelectorAll('tbody tr').length")
                                         .arg(url),
                                     4));
        EXPECT_EQ(devtools.evaluate(QStringLiteral("document.querySelectorAll('table').length")).toInt(),
                  byCategory ? 3 : 1);
        EXPECT_EQ(devtools.overflow(), 0);
    }
}

}  // namespace

namespace {

// The site of a race in which `finished` riders (7, 8, ...) have crossed the
// line, alternately in MX1 and MX2, its pages reading results.json every second.
SiteContent PublishedRace(int finished, const QTime &updated)
{
    std::vector<ResultRow> rows;
    std::vector<QString> categories;
    for (int n = 0; n < finished; ++n) {
        ResultRow row = Result(7 + n, "00:04:00,000", 1, 0);
        row.penalized += n * 60000;
        row.name = n == 0 ? QStringLiteral("Nejdelšíjménozávodníkakterésevejdenařádekjentěžko Bartoloměj")
                          : QStringLiteral("Jezdec %1").arg(7 + n);
        row.caption = QStringLiteral("%1 (%2)").arg(7 + n).arg(row.name);
        rows.push_back(row);
        categories.push_back(n % 2 ? QStringLiteral("MX2") : QStringLiteral("MX1"));
    }
    SiteContent content;
    content.snapshot.caption = QStringLiteral("Velká cena");
    content.snapshot.results = Table(std::move(rows), categories);
    content.updated = QDateTime(QDate(2026, 12, 11), updated);
    content.refreshSeconds = 1;
    return content;
}

}  // namespace

TEST_F(BrowserTest, ThePublishedSiteFromAStaticServerFitsAPhoneAndReadsItsJsonAgain)
{
    QTemporaryDir www;
    SiteStage site(www.path());
    QString error;
    site.write(ResultsSiteFiles(PublishedRace(3, QTime(14, 42, 5))), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();

    quint16 sitePort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        sitePort = probe.serverPort();
    }
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral("/usr/bin/python3"),
                 {"-m", "http.server", "--bind", "127.0.0.1", QString::number(sitePort), "--directory", www.path()});
    ASSERT_TRUE(server.waitForStarted(10000));
    const auto stopServer = qScopeGuard([&] {
        server.kill();
        server.waitForFinished(5000);
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, sitePort);
            return socket.waitForConnected(200);
        },
        20000));

    DevTools devtools;
    ASSERT_TRUE(openPage(devtools, QStringLiteral("http://127.0.0.1:%1/kategorie-mx1.html").arg(sitePort)));
    ASSERT_TRUE(devtools.emulatePhone());
    const QString rows = QStringLiteral("[...document.querySelectorAll('#rows tr')].map(r => "
                                        "[...r.cells].map(c => c.textContent).join('|')).join('\\n')");
    const QString status = QStringLiteral("document.getElementById('status').textContent");
    ASSERT_TRUE(devtools.waitFor(QStringLiteral("document.readyState"), QStringLiteral("complete"), 20000));
    const QStringList written = devtools.evaluate(rows).toString().split(u'\n');
    ASSERT_EQ(written.size(), 2) << written.join(u'\n').toStdString();
    EXPECT_TRUE(written[0].startsWith(QStringLiteral("1.|7 (Nejdelší"))) << written[0].toStdString();
    EXPECT_TRUE(written[1].startsWith(QStringLiteral("2.|9 (Jezdec 9)"))) << written[1].toStdString();
    EXPECT_EQ(devtools.evaluate(status).toString(), QStringLiteral("Aktualizováno 14:42:05"));
    EXPECT_EQ(devtools.overflow(), 0);
    devtools.evaluate(QStringLiteral("window.sameLoad = 'ano'"));

    // Two more riders, one of them in MX1: the page shows it by itself, its
    // rows rendered from the JSON as the program rendered them.
    site.write(ResultsSiteFiles(PublishedRace(5, QTime(14, 42, 35))), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(devtools.waitFor(QStringLiteral("document.querySelectorAll('#rows tr').length"), 3));
    const QStringList reread = devtools.evaluate(rows).toString().split(u'\n');
    ASSERT_EQ(reread.size(), 3);
    EXPECT_EQ(reread.mid(0, 2), written);
    EXPECT_TRUE(reread[2].startsWith(QStringLiteral("3.|11 (Jezdec 11)"))) << reread[2].toStdString();
    EXPECT_TRUE(devtools.waitFor(status, QStringLiteral("Aktualizováno 14:42:35")));
    EXPECT_EQ(devtools.evaluate(QStringLiteral("window.sameLoad")).toString(), QStringLiteral("ano"));
    EXPECT_EQ(devtools.overflow(), 0);

    // The whole ranking, from its link, shows every rider.
    devtools.evaluate(QStringLiteral("document.querySelector('nav a').click()"));
    EXPECT_TRUE(
        devtools.waitFor(QStringLiteral("location.pathname + ' ' + document.querySelectorAll('#rows tr').length"),
                         QStringLiteral("/index.html 5")));
    EXPECT_EQ(devtools.overflow(), 0);
}
