// The group " Výsledky na webu ": off by default, its choices remembered, a
// remembered "on" serving at once, and a port that cannot be had said in
// its status line.  Always bound to 127.0.0.1.
#include "StoreSetup.h"
#include "Records.h"
#include "ResultsLists.h"
#include "../web/WebClient.h"
#include "WebControls.h"
#include "WebSettings.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QTcpServer>

namespace {

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class WebControlsTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).clear(); }
    void TearDown() override { QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).clear(); }

    static void Remember(bool enabled, int port)
    {
        WebSettings settings;
        settings.enabled = enabled;
        settings.port = port;
        settings.address = QStringLiteral("127.0.0.1");
        settings.Save();
    }

    template <typename T>
    static T *Child(WebControls &controls, const char *name)
    {
        auto *found = controls.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    RecordStore data;
    ResultsLists lists{data, nullptr};
};

TEST_F(WebControlsTest, OffByDefault)
{
    WebControls controls;
    controls.Bind(nullptr, &lists);
    EXPECT_FALSE(Child<QCheckBox>(controls, "cbWebResults")->isChecked());
    EXPECT_EQ(Child<QCheckBox>(controls, "cbWebResults")->text(), QStringLiteral("Výsledky na webu (místní síť)"));
    EXPECT_EQ(Child<QSpinBox>(controls, "seWebPort")->value(), 8080);
    EXPECT_EQ(Child<QComboBox>(controls, "cbWebAddress")->currentText(), QStringLiteral("Všechna rozhraní"));
    EXPECT_FALSE(controls.publisher().isRunning());
    EXPECT_EQ(controls.findChild<QLabel *>(QStringLiteral("lblWebAddress")), nullptr);
}

TEST_F(WebControlsTest, RememberedOnServesTheRefreshesAndTheBoxTurnsItOff)
{
    const quint16 port = FreePort();
    Remember(true, port);
    WebControls controls;
    controls.Bind(nullptr, &lists);
    ASSERT_TRUE(controls.publisher().isRunning()) << Child<QLabel>(controls, "lblWebStatus")->text().toStdString();
    EXPECT_EQ(controls.publisher().port(), port);

    // The address with its QR code.
    auto *address = Child<QLabel>(controls, "lblWebAddress");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->text(), QStringLiteral("http://127.0.0.1:%1/").arg(port));
    auto *qr = Child<QLabel>(controls, "imgWebQr");
    ASSERT_NE(qr, nullptr);
    EXPECT_GE(qr->pixmap().width(), 21 * 4);
    EXPECT_TRUE(address->accessibleName().isEmpty());

    // A refresh of the lists reaches the page.
    data.ReplaceRecords({Record(RaceStartNumber, 10 * MsPerHour, {.lap = 1}),
                         Record(5, 10 * MsPerHour + 90 * MsPerSecond, {.lap = 1})});
    // The page already serves what the start published, before any refresh;
    // the refresh comes as the version after that one.
    EventClient events(port);
    ASSERT_TRUE(events.waitForVersion(1));
    const qint64 served = events.latest.value("version").toInteger();
    lists.RefreshLists(-1);
    ASSERT_TRUE(events.waitForVersion(served + 1));
    EXPECT_EQ(events.latest.value("rows").toArray().size(), 1);

    Child<QCheckBox>(controls, "cbWebResults")->click();
    EXPECT_FALSE(controls.publisher().isRunning());
    EXPECT_FALSE(WebSettings::Load().enabled);
    EXPECT_EQ(WebSettings::Load().port, port);
    EXPECT_EQ(Exchange(port, Get("/")).bytes, QByteArray());
}

TEST_F(WebControlsTest, APortInUseIsSaidAndTheBoxUnticked)
{
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, 0));
    Remember(false, occupant.serverPort());
    WebControls controls;
    controls.Bind(nullptr, &lists);

    Child<QCheckBox>(controls, "cbWebResults")->click();
    EXPECT_FALSE(controls.publisher().isRunning());
    EXPECT_FALSE(Child<QCheckBox>(controls, "cbWebResults")->isChecked());
    EXPECT_TRUE(
        Child<QLabel>(controls, "lblWebStatus")->text().startsWith(QStringLiteral("Výsledky na webu nelze spustit")));
}

TEST_F(WebControlsTest, UnreadableSettingsFallBackToTheDefaults)
{
    QSettings store(QStringLiteral("Tikomat"), QStringLiteral("Tikomat"));
    store.setValue(QStringLiteral("web/port"), QStringLiteral("osmdesát"));
    store.setValue(QStringLiteral("web/address"), QStringLiteral("../etc"));
    store.sync();
    const WebSettings settings = WebSettings::Load();
    EXPECT_FALSE(settings.enabled);
    EXPECT_EQ(settings.port, 8080);
    EXPECT_EQ(settings.address, QString());
}

}  // namespace
