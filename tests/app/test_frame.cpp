#include "StoreSetup.h"
#include "Records.h"
#include "AtomicFile.h"
#include "Controls.h"
#include "Cp1250.h"
#include "DiskFaults.h"
#include "SpectatorWindow.h"
#include "JournalKeeper.h"
#include "ManualEntryDialog.h"
#include "RacerFile.h"
#include "RacerFileMemory.h"
#include "RacerTable.h"
#include "MainWindowFixture.h"
#include "EventLog.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "TimingDesk.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QList<QByteArray> LogMessages(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> out;
    for (QByteArray line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        line.chop(1);  // CR
        // the message follows the first ": " (the time itself holds none)
        out << line.mid(line.indexOf(": ") + 2);
    }
    return out;
}

class FrameTest : public MainWindowFixture {
protected:
    SpectatorWindow &display() { return *windows.frmDisplay; }
};

TEST_F(FrameTest, StartsWithHiddenHelperWindowsAndAnEmptyUnnamedStore)
{
    EXPECT_FALSE(display().isVisible());
    ASSERT_NE(windows.frmTime, nullptr);
    EXPECT_FALSE(windows.frmTime->isVisible());
    EXPECT_EQ(windows.frmTime->parentWidget(), &main());
    EXPECT_EQ(main().frmTime, windows.frmTime);
    EXPECT_EQ(main().frmDisplay, &display());
    EXPECT_TRUE(display().Board().ShowRunningTime);

    ASSERT_NE(main().Data(), nullptr);
    EXPECT_TRUE(main().Data()->records().empty());
    EXPECT_TRUE(main().Data()->Unnamed);
    EXPECT_TRUE(LogIsOpen());
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(FrameTest, ShowingTheMainWindowHidesTheSpectatorWindow)
{
    display().show();
    main().show();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(display().isVisible());
}

TEST_F(FrameTest, CloseQuestionNoKeepsEverythingYesClosesBothWindows)
{
    main().show();
    display().show();

    dialogs.answerQuestion(false);
    EXPECT_FALSE(main().close());
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(display().isVisible()) << "No must leave the spectator window as it was";
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Asked::Question);
    EXPECT_EQ(dialogs.asked[0].title, QStringLiteral("Tikomat"));
    EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("Opravdu si přejete ukončit program?"));
    EXPECT_EQ(dialogs.asked[0].icon, MsgIcon::Question);

    bool closingHookRan = false;
    main().OnClosing = [&] { closingHookRan = true; };
    dialogs.answerQuestion(true);
    EXPECT_TRUE(main().close());
    EXPECT_FALSE(main().isVisible());
    EXPECT_FALSE(display().isVisible());
    EXPECT_TRUE(closingHookRan);
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 2);
}

TEST_F(FrameTest, CloseQuestionSaysHowManyRowsWaitInTheLists)
{
    main().show();
    main().Desk()->simulateStartImpulse();   // FB1 into the start list
    main().Desk()->simulateFinishImpulse();  // FB2 into the finish list
    main().Desk()->simulateFinishImpulse();
    dialogs.answerQuestion(false);
    EXPECT_FALSE(main().close());
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
    EXPECT_EQ(dialogs.asked.back().text,
              QStringLiteral("Opravdu si přejete ukončit program?\n\n"
                             "V seznamech čekají 3 impulsy; program je nabídne při příštím spuštění."));
}

// Racers of an unnamed race are not left behind without a word: the close
// question counts them and saves them where the operator chooses.
TEST_F(FrameTest, CloseOfAnUnnamedRaceOffersToSaveItsRacers)
{
    main().show();
    main().Racers()->setRows({{1, u"Adam"_qs, {}}, {2, u"Bára"_qs, {}}, {3, u"Cyril"_qs, {}}});

    dialogs.answerChoice(u"Storno"_qs);
    EXPECT_FALSE(main().close());
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Choice), 1);
    EXPECT_EQ(dialogs.asked.back().text,
              u"Opravdu si přejete ukončit program?\n\n"
              u"Závod nemá jméno a 3 závodníci nejsou uloženi v žádném souboru závodníků."_qs);

    // A cancelled save dialog keeps the program open.
    dialogs.answerChoice(u"Uložit závodníky a ukončit"_qs);
    dialogs.answerSave(std::nullopt);
    EXPECT_FALSE(main().close());
    EXPECT_TRUE(main().isVisible());

    const QString racerFile = dir.filePath(u"jezdci.racerlist"_qs);
    dialogs.answerChoice(u"Uložit závodníky a ukončit"_qs);
    dialogs.answerSave(racerFile);
    EXPECT_TRUE(main().close());
    EXPECT_EQ(LoadRacerFile(racerFile).size(), 3u);
    EXPECT_EQ(RacerFileMemory::Remembered(main().Data()->FileName), racerFile);
}

TEST(UnsavedRacersText, TakesTheCzechPluralOfTheCount)
{
    const std::vector<std::pair<int, QString>> cases = {
        {0, QString()},
        {1, u"Závod nemá jméno a 1 závodník není uložen v žádném souboru závodníků."_qs},
        {4, u"Závod nemá jméno a 4 závodníci nejsou uloženi v žádném souboru závodníků."_qs},
        {5, u"Závod nemá jméno a 5 závodníků není uloženo v žádném souboru závodníků."_qs},
    };
    for (const auto &[racers, text] : cases)
        EXPECT_EQ(TfrmMain::UnsavedRacersText(racers), text) << racers;
}

TEST_F(FrameTest, TitleNamesTheRaceAfterTheCaption)
{
    const QString caption = QStringLiteral("Záznam časů, Norvanta, s.r.o. Pelvany,  v. 1.82");
    TimingDesk &desk = *main().Desk();
    EXPECT_EQ(main().windowTitle(), caption + QStringLiteral(" – nepojmenovaný závod"));

    // A cancelled first Save-as leaves the race in its temporary file: still unnamed.
    dialogs.answerSave(std::nullopt);
    desk.save();
    EXPECT_EQ(main().windowTitle(), caption + QStringLiteral(" – nepojmenovaný závod"));

    const QString named = dir.filePath(QStringLiteral("zavod.csvz"));
    dialogs.answerSave(named);
    desk.saveAs();  // "Uložit jako..."
    EXPECT_EQ(main().windowTitle(), caption + QStringLiteral(" – zavod.csvz")) << "the name without its folder";

    dialogs.answerQuestion(true);  // "Opravdu chcete vytvořit nový prázdný datový soubor?"
    desk.newFile();
    EXPECT_EQ(main().windowTitle(), caption + QStringLiteral(" – nepojmenovaný závod"));

    dialogs.answerOpen(named);
    desk.openFile();  // "&Otevřít"
    EXPECT_EQ(main().windowTitle(), caption + QStringLiteral(" – zavod.csvz"));

    // A file that cannot be opened leaves the title as it was.
    dialogs.answerOpen(dir.filePath(QStringLiteral("chybi.csvz")));
    desk.openFile();
    EXPECT_EQ(main().windowTitle(), caption + QStringLiteral(" – zavod.csvz"));
}

TEST(WaitingRowsText, TakesTheCzechPluralOfTheCount)
{
    const std::vector<std::pair<int, QString>> cases = {
        {0, QString()},
        {1, QStringLiteral("V seznamech čeká 1 impuls; program jej nabídne při příštím spuštění.")},
        {2, QStringLiteral("V seznamech čekají 2 impulsy; program je nabídne při příštím spuštění.")},
        {4, QStringLiteral("V seznamech čekají 4 impulsy; program je nabídne při příštím spuštění.")},
        {5, QStringLiteral("V seznamech čekají 5 impulsů; program je nabídne při příštím spuštění.")},
        {21, QStringLiteral("V seznamech čekají 21 impulsů; program je nabídne při příštím spuštění.")},
        {22, QStringLiteral("V seznamech čekají 22 impulsů; program je nabídne při příštím spuštění.")},
    };
    for (const auto &[rows, text] : cases)
        EXPECT_EQ(TimingDesk::WaitingRowsText(rows), text) << rows;
}

TEST_F(FrameTest, ClosingAfterAFailedSaveOffersAnotherTry)
{
    RecordStore &data = *main().Data();
    const QString temp = data.FileName;
    main().show();
    data.FileName = dir.filePath(QStringLiteral("zavod.csvz"));
    data.Unnamed = false;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("zavod.results")));  // the results file cannot be written
    AppendRecord(data, Record(12, 0));
    data.Save();
    ASSERT_FALSE(data.WaitForWrites());
    dialogs.asked.clear();

    dialogs.answerQuestion(true);  // try again: it fails again and the program stays
    EXPECT_FALSE(main().close());
    EXPECT_TRUE(main().isVisible());
    ASSERT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 1);
    EXPECT_TRUE(dialogs.asked[0].text.startsWith(QStringLiteral("Poslední změny nejsou uloženy")));

    dialogs.answerQuestion(false);  // let them go
    dialogs.answerQuestion(true);   // "Opravdu si přejete ukončit program?"
    EXPECT_TRUE(main().close());
    EXPECT_FALSE(main().isVisible());

    // The temporary file of the start never received a record: it goes.
    EXPECT_TRUE(QFileInfo::exists(temp));
    windows = {};
    EXPECT_FALSE(QFileInfo::exists(temp));
}

// Warnings that stay in sight while the journal or the data file cannot be
// written, and go by themselves once they are written again; each episode
// of failures brings one box.
TEST_F(FrameTest, AlarmsStayWhileTheJournalOrTheDataFileCannotBeWritten)
{
    main().show();
    QLabel *journalAlarm = Control<QLabel>(main(), "lblDenik");
    QLabel *saveAlarm = Control<QLabel>(main(), "lblUkladani");
    ASSERT_TRUE(journalAlarm && saveAlarm);
    EXPECT_TRUE(journalAlarm->isHidden());
    EXPECT_TRUE(saveAlarm->isHidden());
    main().Journal()->setRetryInterval(20);
    main().Data()->setRetryInterval(20);
    auto *simulate = Control<QPushButton>(main(), "btnSimulace2");

    // The journal outgrows a file-size limit that the log stays under.
    for (int i = 0; i < 30; ++i)
        simulate->click();
    IgnoreFileSizeSignal();
    FileSizeLimit limit(dir.path(), rlim_t(QFileInfo(main().Journal()->path()).size() + 10));
    limit.arm();
    simulate->click();
    simulate->click();
    limit.disarm();
    EXPECT_FALSE(journalAlarm->isHidden());
    EXPECT_EQ(journalAlarm->text(),
              QStringLiteral("Deník impulsů se nezapisuje – ") + QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Nemohu zapsat deník impulsů: ")
                                              + QString::fromLocal8Bit(std::strerror(EFBIG))});
    EXPECT_TRUE(QTest::qWaitFor([&] { return journalAlarm->isHidden(); }, 3000));
    dialogs.asked.clear();

    // A results file that cannot be written: one message, then only the alarm.
    RecordStore &data = *main().Data();
    data.FileName = dir.filePath(QStringLiteral("zavod.csvz"));
    data.Unnamed = false;
    const QString blocker = dir.filePath(QStringLiteral("zavod.results"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("zavod.results")));
    for (int i = 0; i < 3; ++i) {
        data.Save();
        data.WaitForWrites();
    }
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Message), 1);
    EXPECT_FALSE(saveAlarm->isHidden());
    EXPECT_TRUE(saveAlarm->text().startsWith(QStringLiteral("Datový soubor se neukládá – ")));
    ASSERT_TRUE(QDir(blocker).removeRecursively());
    EXPECT_TRUE(QTest::qWaitFor([&] { return saveAlarm->isHidden(); }, 3000));

    QStringList logged;
    for (const QByteArray &line : LogMessages(logPath()))
        logged << FromCp1250(line);
    for (const QString &expected : {journalAlarm->text(), QStringLiteral("Deník impulsů se opět zapisuje."),
                                    saveAlarm->text(), QStringLiteral("Datový soubor se opět ukládá.")})
        EXPECT_EQ(logged.count(expected), 1) << expected.toStdString();
}

// A disk that fails every write for a moment fails the journal and the data
// file, each again and again: one box, both alarms, until both are written
// again.  The racer file is saved only when the operator asks: each failure
// is answered, and its alarm stays until the file is saved.
TEST_F(FrameTest, OneBoxPerDiskFaultEveryAskedSaveAnswered)
{
    main().show();
    main().Journal()->setRetryInterval(20);
    main().Data()->setRetryInterval(20);
    QLabel *journalAlarm = Control<QLabel>(main(), "lblDenik");
    QLabel *saveAlarm = Control<QLabel>(main(), "lblUkladani");
    QLabel *racerAlarm = Control<QLabel>(main(), "lblZavodniciUlozeni");
    ASSERT_TRUE(journalAlarm && saveAlarm && racerAlarm);
    RecordStore &data = *main().Data();
    data.FileName = dir.filePath(QStringLiteral("zavod.csvz"));
    data.Unnamed = false;
    auto *simulate = Control<QPushButton>(main(), "btnSimulace2");

    IgnoreFileSizeSignal();
    FileSizeLimit limit(dir.path(), 1);
    limit.arm();
    for (int i = 0; i < 8; ++i) {
        simulate->click();
        data.Save();
        data.WaitForWrites();
    }
    limit.disarm();
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Message), 1) << dialogs.messages().join(u'\n').toStdString();
    EXPECT_EQ(journalAlarm->text(), QStringLiteral("Deník impulsů se nezapisuje – ") + reason);
    EXPECT_EQ(saveAlarm->text(), QStringLiteral("Datový soubor se neukládá – ") + reason);
    EXPECT_FALSE(journalAlarm->isHidden());
    EXPECT_FALSE(saveAlarm->isHidden());
    EXPECT_TRUE(QTest::qWaitFor([&] { return journalAlarm->isHidden() && saveAlarm->isHidden(); }, 3000));

    dialogs.asked.clear();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("zavodnici.racerlist")));
    dialogs.answerSave(dir.filePath(QStringLiteral("zavodnici.racerlist")));
    auto *saveRacers = Control<QPushButton>(main(), "btnZavodniciSave");
    for (int i = 0; i < 3; ++i)
        saveRacers->click();
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Message), 3);
    EXPECT_TRUE(dialogs.messages().back().startsWith(QStringLiteral("Chyba: ")));
    EXPECT_FALSE(racerAlarm->isHidden());
    EXPECT_TRUE(racerAlarm->text().startsWith(QStringLiteral("Soubor závodníků není uložen – ")));
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("zavodnici.racerlist"))).removeRecursively());
    saveRacers->click();
    EXPECT_TRUE(racerAlarm->isHidden());
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Message), 3);

    // Another racer file opened replaces what could not be saved: nothing is left unsaved.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("jinam.racerlist")));
    dialogs.answerSave(dir.filePath(QStringLiteral("jinam.racerlist")));
    Control<QPushButton>(main(), "btnZavodniciSaveAs")->click();
    EXPECT_FALSE(racerAlarm->isHidden());
    dialogs.answerOpen(dir.filePath(QStringLiteral("zavodnici.racerlist")));
    Control<QPushButton>(main(), "btnZavodniciLoad")->click();
    EXPECT_TRUE(racerAlarm->isHidden());
}

TEST_F(FrameTest, LogOfOneRunStartsAndEndsWithTheProgram)
{
    windows = {};
    EXPECT_FALSE(LogIsOpen());
    const QList<QByteArray> messages = LogMessages(logPath());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.front(), "start programu");
    EXPECT_EQ(messages.back(), "konec programu");

    // a second run empties the log again
    windows = CreateWindows(dialogs, logPath());
    windows = {};
    EXPECT_EQ(LogMessages(logPath()).size(), 2);
}

TEST(FrameStartFailure, NoStoreShowsTheReasonAndCreatesNoDialog)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TikomatWindows windows = CreateWindows(dialogs, dir.filePath(QStringLiteral("log.txt")),
                                           [](Dialogs &) -> std::unique_ptr<RecordStore> {
                                               throw TikomatError(QStringLiteral("Nelze vytvořit dočasný soubor."));
                                           });

    EXPECT_FALSE(windows.frmMain->HasStore());
    EXPECT_EQ(windows.frmMain->Data(), nullptr);
    EXPECT_EQ(windows.frmTime, nullptr);
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Nelze vytvořit dočasný soubor.")});
    windows = {};
    EXPECT_FALSE(LogIsOpen());
    // the run is still logged from start to end
    const QList<QByteArray> messages = LogMessages(dir.filePath(QStringLiteral("log.txt")));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.back(), "konec programu");
}

}  // namespace
