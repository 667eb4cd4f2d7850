// The end of a day and the start of the next: the race open at the close,
// its racers and the window come back at start; crash recovery still comes
// first.
#include "Controls.h"
#include "DisplayControls.h"
#include "EventLog.h"
#include "LastRace.h"
#include "RacerTable.h"
#include "Records.h"
#include "ScriptedDialogs.h"
#include "SpectatorWindow.h"
#include "StaleLock.h"
#include "Startup.h"
#include "StoreSetup.h"
#include "TempDataFile.h"
#include "TimingDesk.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

namespace {

const QByteArray TwoRecords = "\"10000\",\"START Z\xC1VODU\",\"10:00:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n"
                              "\"7\",\"\",\"10:05:00,000\",\"1\",\"00:00:00,000\",\"0\"\r\n";

class LastRaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetTempFoldersForTesting({dir.path()});
        LastRace::Remember({});
        QSettings(QStringLiteral("Tikomat"), QStringLiteral("Tikomat")).remove(QStringLiteral("window"));
    }
    void TearDown() override
    {
        dialogs.answerQuestion(true);
        windows = {};
        CloseLog();
        SetTempFoldersForTesting({});
    }
    // A start of the program as main() makes it.
    void Start()
    {
        windows = {};
        windows = CreateWindows(dialogs, dir.filePath(QStringLiteral("log.txt")));
        ASSERT_TRUE(windows.frmMain->HasStore());
        windows.frmMain->RecoverJournal();
    }
    void Write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    TfrmMain &main() { return *windows.frmMain; }
    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TikomatWindows windows;
};

}  // namespace

TEST_F(LastRaceTest, TheRaceOpenAtTheCloseComesBackUnlessRecoveryBringsOne)
{
    struct Case {
        const char *what;
        const char *remembered;
        QByteArray contents;  // of the remembered file; empty: none
        bool leftRace;        // a crash left an unnamed race, offered first
        bool opened;          // the remembered race is the store's
        QString status;       // the status bar's line
        int questions;        // asked before the window is up
        QString message;      // the one message, or empty
    };
    const std::vector<Case> cases = {
        {"present", "zavod.csvz", TwoRecords, false, true, u"Otevřen poslední závod zavod.csvz – 2 záznamy"_qs, 0, {}},
        {"missing",
         "chybí.csvz",
         {},
         false,
         false,
         {},
         0,
         u"Poslední závod chybí.csvz nebyl nalezen ("_qs + QDir::toNativeSeparators(dir.path())
             + u"). Začíná nový nepojmenovaný závod."_qs},
        {"unreadable", "vadny.csvz", "\"7\",\"\",\"ne čas\",\"1\",\"00:00:00,000\",\"0\"\r\n", false, false, {}, 1, {}},
        {"crash recovery first", "zavod.csvz", TwoRecords, true, false, {}, 1, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString remembered = path(c.remembered);
        QFile::remove(remembered);
        if (!c.contents.isEmpty())
            Write(remembered, c.contents);
        const QString left = path("~5EED0001.tmp");
        if (c.leftRace) {
            Write(left, TwoRecords);
            LeaveStaleLock(left);
        }
        LastRace::Remember(remembered);
        dialogs = ScriptedDialogs();
        if (c.leftRace)
            dialogs.answerQuestion(true);  // "Nalezen nepojmenovaný závod …"
        else if (c.questions > 0)
            dialogs.answerQuestion(false);  // a file with unreadable lines is not opened
        ASSERT_NO_FATAL_FAILURE(Start());
        EXPECT_EQ(main().Data()->FileName == remembered, c.opened);
        if (c.leftRace)
            EXPECT_EQ(main().Data()->FileName, left);
        if (c.opened)
            EXPECT_EQ(main().StatusText(), c.status);
        else
            EXPECT_FALSE(main().StatusText().startsWith(u"Otevřen poslední závod"_qs));
        EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), c.questions);
        EXPECT_EQ(dialogs.messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        windows = {};
        QFile::remove(left);
    }
}

// Racers imported into a race come back with it after a close and a start,
// whether the race has a name or lives in its temporary file.
TEST_F(LastRaceTest, ImportedRacersComeBackAfterACloseAndAStart)
{
    const std::vector<RacerRow> racers = {{1, u"Adam"_qs, u"M"_qs}, {2, u"Žofie"_qs, u"Ž"_qs}};
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named ? "named" : "unnamed");
        LastRace::Remember({});
        ASSERT_NO_FATAL_FAILURE(Start());
        RecordStore &data = *main().Data();
        if (named) {
            dialogs.answerSave(path("finále.csvz"));
            main().Desk()->saveAs();
        }
        AppendRecord(data, Record(7, "10:05:00,000"));
        data.Save();
        main().Racers()->setRows(racers);  // as an import leaves them
        const QString race = data.FileName;
        if (named) {
            dialogs.answerQuestion(true);
        } else {
            dialogs.answerChoice(u"Uložit závodníky a ukončit"_qs);
            dialogs.answerSave(path("jezdci.racerlist"));
        }
        ASSERT_TRUE(main().close());

        ASSERT_NO_FATAL_FAILURE(Start());
        EXPECT_EQ(main().Data()->FileName, race);
        EXPECT_EQ(main().Data()->Unnamed, !named);
        EXPECT_EQ(main().Racers()->size(), 2);
        EXPECT_TRUE(main().StatusText().startsWith(u"Otevřen poslední závod "_qs)) << main().StatusText().toStdString();
        windows = {};
    }
}

TEST_F(LastRaceTest, ANamedRaceComesBackAfterAKillWithNothingToRecover)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    dialogs.answerSave(path("zavod.csvz"));
    main().Desk()->saveAs();
    AppendRecord(*main().Data(), Record(7, "10:05:00,000"));
    main().Data()->Save();
    main().Data()->WaitForWrites();
    // Gone without a close (as a kill): the close remembers nothing.
    const QString race = main().Data()->FileName;
    windows = {};

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(main().Data()->FileName, race);
    EXPECT_FALSE(main().Data()->Unnamed);
    EXPECT_EQ(main().Data()->records().size(), 1u);

    // "&Nový" forgets it again: a kill then leaves a new race to start with.
    dialogs.answerQuestion(true);
    main().Desk()->newFile();
    EXPECT_EQ(LastRace::Remembered(), QString());
    windows = {};
}

TEST_F(LastRaceTest, TheWindowAndTheSpectatorWindowComeBackAsTheyWere)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    main().ShowAsLastClosed();
    DisplayControls *group = Control<DisplayControls>(main(), "gbDisplej");
    ASSERT_NE(group, nullptr);
    Control<QCheckBox>(main(), "cbRealCas")->setChecked(true);
    Control<QComboBox>(main(), "cbRezimKol")->setCurrentIndex(1);
    group->edDispCaption->setText(u"Velká cena"_qs);
    group->cbDispMode->setCurrentIndex(1);
    group->cbDisplayWindow->setChecked(true);
    main().showMaximized();
    dialogs.answerQuestion(true);
    ASSERT_TRUE(main().close());

    ASSERT_NO_FATAL_FAILURE(Start());
    main().ShowAsLastClosed();
    group = Control<DisplayControls>(main(), "gbDisplej");
    EXPECT_TRUE(main().isMaximized());
    EXPECT_TRUE(Control<QCheckBox>(main(), "cbRealCas")->isChecked());
    EXPECT_EQ(Control<QComboBox>(main(), "cbRezimKol")->currentIndex(), 1);
    EXPECT_EQ(group->edDispCaption->text(), u"Velká cena"_qs);
    EXPECT_EQ(group->cbDispMode->currentIndex(), 1);
    EXPECT_TRUE(windows.frmDisplay->isVisible());
}

// A box ticked through the accessibility interface (a screen reader, a test
// tool) opens and closes the spectator window as a click does.
TEST_F(LastRaceTest, TheSpectatorBoxActsHoweverItIsTicked)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    main().show();
    QCheckBox *box = Control<DisplayControls>(main(), "gbDisplej")->cbDisplayWindow;
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(windows.frmDisplay->isVisible());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(windows.frmDisplay->isVisible());
}
