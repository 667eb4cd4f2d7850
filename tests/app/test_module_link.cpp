// The module link on the real window: the two buttons, the status bar, the
// cursor and the finish list, with the module emulator on a pseudo-terminal;
// and a window closed while the link polls.
#include "Cp1250.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "ModuleEmulator.h"
#include "MainWindowFixture.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "Controls.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include "JournalKeeper.h"
#include <chrono>
#include <thread>
#include <QTest>

namespace {

class ModuleLinkWindow : public MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(emulator.ok()) << emulator.error();
        qputenv("TIKOMAT_EXTRA_PORTS", ("other=Něco jiného;" + emulator.portPath() + "=KORVEL HUB").c_str());
        MainWindowFixture::SetUp();
        qunsetenv("TIKOMAT_EXTRA_PORTS");
        if (HasFatalFailure())
            return;
        main().show();
    }
    QString LogText()
    {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? FromCp1250(file.readAll()) : QString();
    }

    ModuleEmulator emulator;
};

TEST_F(ModuleLinkWindow, ButtonsStatusCursorAndRows)
{
    EXPECT_TRUE(Control<QPushButton>(main(), "btnConnect")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(main(), "btnDisconnect")->isEnabled());
    QLabel *moduleState = Control<QLabel>(main(), "lblModulStav");
    QLabel *lastImpulse = Control<QLabel>(main(), "lblPosledniImpuls");
    EXPECT_EQ(moduleState->text(), QStringLiteral("Modul odpojen"));
    QTest::mouseClick(Control<QPushButton>(main(), "btnConnect"), Qt::LeftButton);
    EXPECT_FALSE(Control<QPushButton>(main(), "btnConnect")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(main(), "btnDisconnect")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(main().StatusText(), QStringLiteral("Připojen, čekám na data..."), 3000);
    EXPECT_EQ(main().cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(moduleState->text(), QStringLiteral("Modul připojen"));
    EXPECT_EQ(lastImpulse->text(), QString());

    emulator.Send('C');
    QTRY_COMPARE_WITH_TIMEOUT(Control<QTableView>(main(), "lvPulsy2")->model()->rowCount(), 1, 2000);
    EXPECT_EQ(Control<QTableView>(main(), "lvPulsy2")->model()->index(0, 0).data().toString(), "IMPULS FB2");
    EXPECT_EQ(lastImpulse->text(),
              QStringLiteral("Poslední impuls ")
                  + Control<QTableView>(main(), "lvPulsy2")->model()->index(0, 1).data().toString());
    QTRY_COMPARE_WITH_TIMEOUT(main().StatusText(), QStringLiteral("Fotobuňka zastíněna:  FB2"), 2000);

    QTest::mouseClick(Control<QPushButton>(main(), "btnDisconnect"), Qt::LeftButton);
    EXPECT_TRUE(Control<QPushButton>(main(), "btnConnect")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(main(), "btnDisconnect")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(main().StatusText(), QStringLiteral("Časoměrný modul odpojen."), 2000);
    EXPECT_TRUE(Control<QPushButton>(main(), "btnConnect")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(main().cursor().shape(), Qt::ArrowCursor, 2000);
    EXPECT_EQ(moduleState->text(), QStringLiteral("Modul odpojen"));
    const QString log = LogText();
    EXPECT_TRUE(log.contains("Odlisne zarizeni nalezeno: NĚCO JINÉHO")) << log.toStdString();
    EXPECT_TRUE(log.contains("pripojen k USB device"));
    EXPECT_TRUE(log.contains("USBDisconnect: odpojuji..."));
}

// The stamp is on disk the moment it is read, even while the main thread
// has not yet taken it (a dialog open, a long refresh).
TEST_F(ModuleLinkWindow, AStampIsJournalledBeforeTheWindowTakesIt)
{
    QTest::mouseClick(Control<QPushButton>(main(), "btnConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(main().StatusText(), QStringLiteral("Připojen, čekám na data..."), 3000);
    const QString journal = main().Journal()->path();
    ASSERT_FALSE(journal.isEmpty());

    emulator.Send('C');
    // No event is processed here: only the communication thread can write.
    std::vector<JournalEntry> stamps;
    for (int i = 0; i < 400 && stamps.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        QFile file(journal);
        if (file.open(QIODevice::ReadOnly)) {
            for (const JournalEntry &e : ReadJournal(file.readAll())) {
                if (e.kind == JournalKind::Stamp)
                    stamps.push_back(e);
            }
        }
    }
    ASSERT_EQ(stamps.size(), 1u);
    EXPECT_EQ(stamps[0].list, JournalList::Finish);
    EXPECT_EQ(Control<QTableView>(main(), "lvPulsy2")->model()->rowCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(Control<QTableView>(main(), "lvPulsy2")->model()->rowCount(), 1, 2000);
    EXPECT_EQ(Control<QTableView>(main(), "lvPulsy2")->model()->index(0, 1).data().toString(),
              DayTimeToText(stamps[0].time));
}

TEST_F(ModuleLinkWindow, ClosingWhileConnectedEndsTheThreadInTime)
{
    QTest::mouseClick(Control<QPushButton>(main(), "btnConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(main().StatusText(), QStringLiteral("Připojen, čekám na data..."), 3000);
    emulator.SendAtLineRate(std::string(200, 'A'));
    dialogs.answerQuestion(true);
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(main().close());
    windows = {};
    EXPECT_LT(timer.elapsed(), 3000);
    // The thread's last lines made it into the log before it was closed.
    EXPECT_TRUE(LogText().contains("USBDisconnect: odpojuji..."));
}

}  // namespace
