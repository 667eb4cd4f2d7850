// The main window's controls drive the timing desk and show the results: a
// short race run by clicks and keys on the real window, offscreen.  What the
// desk and the results do is tested on the logic classes; here only that the
// widgets are bound to them.
#include "StoreSetup.h"
#include "RacerTable.h"
#include "Records.h"
#include "Clock.h"
#include "SpectatorWindow.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "ImpulseListModel.h"
#include "MainWindowFixture.h"
#include "ResultsExport.h"
#include "ResultsLists.h"
#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "TimingDesk.h"
#include "Controls.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

class BindingTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        SetClockForTesting([this] { return now; });
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
        main().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    }
    void TearDown() override
    {
        SetClockForTesting({});
        MainWindowFixture::TearDown();
    }

    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void at(const char *time) { now = TextToDayTime(QString::fromLatin1(time)); }
    int rows(QTableView *view) { return view->model()->rowCount(); }
    QString cell(QTableView *view, int row, int column) { return view->model()->index(row, column).data().toString(); }

    DayTime now = 0;
};

TEST_F(BindingTest, ARaceRunByClicksAndKeysReachesTheListsTheLeaderAndTheFile)
{
    const QString file = dir.filePath(QStringLiteral("zavod.csvz"));

    // A race start: FB1 impulse, then START.  The first save asks for a name.
    at("10:00:00,000");
    click(ctl<QPushButton>("btnSimulace"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lvPulsy")), 1);
    dialogs.answerSave(file);
    click(ctl<QPushButton>("btnStart"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lvPulsy")), 0);
    EXPECT_EQ(rows(ctl<HotTrackView>("lv")), 1);
    EXPECT_EQ(cell(ctl<HotTrackView>("lv"), 0, RecordListModel::Caption), QStringLiteral("START ZÁVODU"));

    // Racer 42 typed on the keyboard, inserted with Enter.
    at("10:05:00,000");
    click(ctl<QPushButton>("btnSimulace2"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lvPulsy2")), 1);
    ctl<QPushButton>("Button9")->setText(QStringLiteral("&4"));  // as a desktop adding accelerators leaves it
    click(ctl<QPushButton>("Button9"));
    click(ctl<QPushButton>("Button7"));
    EXPECT_EQ(ctl<QLabel>("lblCislo")->text(), QStringLiteral("42"));
    EXPECT_EQ(ctl<QLabel>("lblUkazJmeno")->text(), QStringLiteral("<neznámý>"));
    EXPECT_EQ(main().focusWidget(), ctl<QPushButton>("Button2")) << "a keypad key hands the focus to Vlož";
    QTest::keyClick(main().focusWidget(), Qt::Key_Return);

    EXPECT_EQ(rows(ctl<HotTrackView>("lvPulsy2")), 0);
    EXPECT_EQ(ctl<QLabel>("lblCislo")->text(), QStringLiteral("0"));
    EXPECT_EQ(ctl<QLabel>("lblUkazJmeno")->text(), QStringLiteral("---"));
    ASSERT_EQ(rows(ctl<HotTrackView>("lv")), 2);
    EXPECT_EQ(cell(ctl<HotTrackView>("lv"), 1, RecordListModel::Time), QStringLiteral(">00:05:00,000"));
    EXPECT_EQ(ctl<HotTrackView>("lv")->selectionModel()->selectedRows().value(0).row(), 1)
        << "the new record is selected";
    ASSERT_EQ(rows(ctl<QTableView>("lv1")), 1);
    EXPECT_EQ(cell(ctl<QTableView>("lv1"), 0, ResultsListModel::PenalizedTime), QStringLiteral("00:05:00,000"));
    EXPECT_EQ(ctl<QLabel>("lblVitez")->text(), QStringLiteral("42 (<neznámý>)"));
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::SaveFile), 1);

    ASSERT_TRUE(main().Data()->WaitForWrites());  // the files are written off the main thread
    RecordStore reread;
    ASSERT_TRUE(reread.Load(file));
    ASSERT_EQ(reread.records().size(), 2u);
    EXPECT_EQ(reread.records()[1]->Number, 42);

    // "Reál.čas" shows the time of day again.
    ctl<QCheckBox>("cbRealCas")->click();
    EXPECT_EQ(cell(ctl<HotTrackView>("lv"), 1, RecordListModel::Time), QStringLiteral("10:05:00,000"));

    // "Sma&ž" deletes the selected record and saves at once.
    ctl<HotTrackView>("lv")->selectRow(1);
    click(ctl<QPushButton>("Button21"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lv")), 1);
    EXPECT_EQ(rows(ctl<QTableView>("lv1")), 0);
    EXPECT_EQ(ctl<QLabel>("lblVitez")->text(), QString());
    ASSERT_TRUE(main().Data()->WaitForWrites());
    ASSERT_TRUE(reread.Load(file));
    EXPECT_EQ(reread.records().size(), 1u);
}

TEST_F(BindingTest, ImpulseSelectionModesAndDeleteButtonsReachTheDesk)
{
    TimingDesk &desk = *main().Desk();
    at("10:00:00,000");
    click(ctl<QPushButton>("btnSimulace2"));
    at("10:00:01,000");
    click(ctl<QPushButton>("btnSimulace2"));

    // Selecting a row in the view selects it for the next assignment, and back.
    ctl<HotTrackView>("lvPulsy2")->selectRow(1);
    EXPECT_EQ(desk.finishList().selectedRow(), 1);
    desk.finishList().clearSelection();
    EXPECT_TRUE(ctl<HotTrackView>("lvPulsy2")->selectionModel()->selectedRows().isEmpty());

    ctl<HotTrackView>("lvPulsy2")->selectRow(0);
    click(ctl<QPushButton>("btnSmaz"));
    ASSERT_EQ(rows(ctl<HotTrackView>("lvPulsy2")), 1);
    EXPECT_EQ(cell(ctl<HotTrackView>("lvPulsy2"), 0, ImpulseListModel::Time), QStringLiteral("10:00:01,000"));
    click(ctl<QPushButton>("btnSmazVse"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lvPulsy2")), 0);

    // The three drop-down lists steer the desk.
    ctl<QComboBox>("cbFiltr")->setCurrentIndex(3);
    ctl<QComboBox>("cbRezimFB")->setCurrentIndex(1);
    ctl<QComboBox>("cbRezimFunkce")->setCurrentIndex(0);
    EXPECT_EQ(desk.settings().filterIndex, 3);
    EXPECT_EQ(desk.settings().photocellMode, 1);
    EXPECT_EQ(desk.settings().functionMode, 0);
    click(ctl<QPushButton>("btnSimulace"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lvPulsy")), 0);
    EXPECT_EQ(cell(ctl<HotTrackView>("lvPulsy2"), 0, ImpulseListModel::Photocell), QStringLiteral("IMPULS"));
}

TEST_F(BindingTest, DataFileButtonsAndLapsModeAreBound)
{
    // Function mode 0: Vlož stamps the clock; "&Uložit" asks once, "&Nový" empties.
    ctl<QComboBox>("cbRezimFunkce")->setCurrentIndex(0);
    dialogs.answerSave(std::nullopt);
    at("10:00:00,000");
    click(ctl<QPushButton>("btnStart"));
    for (const char *time : {"10:01:00,000", "10:02:00,000"}) {
        at(time);
        click(ctl<QPushButton>("Button13"));  // "7"
        click(ctl<QPushButton>("Button2"));
    }
    EXPECT_EQ(rows(ctl<QTableView>("lv1")), 1);
    ctl<QComboBox>("cbRezimKol")->setCurrentIndex(1);
    EXPECT_EQ(rows(ctl<QTableView>("lv1")), 2) << "laps mode 1 ranks every passage";

    const QString file = dir.filePath(QStringLiteral("jinam.csvz"));
    dialogs.answerSave(file);
    click(ctl<QPushButton>("Button29"));
    EXPECT_TRUE(main().Data()->WaitForWrites());
    EXPECT_TRUE(QFile::exists(file));

    dialogs.answerQuestion(true);
    click(ctl<QPushButton>("Button27"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lv")), 0);
    EXPECT_TRUE(main().Data()->Unnamed);

    dialogs.answerOpen(file);
    click(ctl<QPushButton>("Button28"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lv")), 3);
    EXPECT_FALSE(main().Data()->Unnamed);

    // Showing the timing page again refreshes the lists.
    ctl<QTabWidget>("PageControl")->setCurrentWidget(ctl<QWidget>("TabSheet3"));
    ClearRecords(*main().Data());
    ctl<QTabWidget>("PageControl")->setCurrentWidget(ctl<QWidget>("tsMereni"));
    EXPECT_EQ(rows(ctl<HotTrackView>("lv")), 0);
}

TEST_F(BindingTest, SpectatorControlsSteerTheSpectatorWindowAndExportWritesTheResults)
{
    SpectatorWindow &display = *windows.frmDisplay;
    auto strip = [&] {
        display.redrawTitleStrip();
        return display.TitleStripText();
    };

    click(Control<QCheckBox>(main(), "cbDisplayWindow"));
    EXPECT_TRUE(display.isVisible());
    click(Control<QCheckBox>(main(), "cbDisplayWindow"));
    EXPECT_FALSE(display.isVisible());

    QTest::keyClicks(Control<QLineEdit>(main(), "edDispCaption"), QStringLiteral("Finale"));
    EXPECT_EQ(strip(), QStringLiteral("Finale"));

    // A race start and one passage: the running time and the ranked list.
    at("10:00:00,000");
    click(Control<QPushButton>(main(), "btnSimulace"));
    dialogs.answerSave(dir.filePath(QStringLiteral("zavod.csvz")));
    click(Control<QPushButton>(main(), "btnStart"));
    at("10:05:00,000");
    click(Control<QPushButton>(main(), "btnSimulace2"));
    click(Control<QPushButton>(main(), "Button13"));  // "7"
    click(Control<QPushButton>(main(), "Button2"));
    at("10:05:02,500");
    EXPECT_EQ(strip(), QStringLiteral("00:05:02,500"));
    click(Control<QCheckBox>(main(), "cbDispRunningTime"));
    EXPECT_EQ(strip(), QStringLiteral("Finale"));

    const QAbstractItemModel &list = *display.List()->model();
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.index(0, SpectatorListModel::Rank).data().toString(), QStringLiteral("1."));
    Control<QComboBox>(main(), "cbDispMode")->setCurrentIndex(0);
    EXPECT_EQ(list.rowCount(), 0) << "a change of the mode refreshes at once";
    Control<QComboBox>(main(), "cbDispMode")->setCurrentIndex(2);
    EXPECT_EQ(list.rowCount(), 1);

    click(Control<QCheckBox>(main(), "cbDispPaging"));
    EXPECT_TRUE(display.Board().PagingEnabled);

    // "Export..." writes what the results page shows and hands it to the open action.
    QStringList opened;
    SetOpenActionForTesting([&](const QString &path) { opened << path; });
    const QString workbook = dir.filePath(QStringLiteral("vysledky.xls"));
    dialogs.answerSave(workbook);
    click(Control<QPushButton>(main(), "btnExpr"));
    SetOpenActionForTesting({});
    EXPECT_TRUE(QFile::exists(workbook));
    EXPECT_EQ(opened, QStringList{workbook});
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
}

}  // namespace

// The count above each impulse list turns amber while more than one waits,
// and the status bar names an older impulse taken.
TEST_F(BindingTest, WaitingCountTurnsAmberAndTheStatusBarNamesTheImpulseTaken)
{
    NameDataFile();
    QLabel *count = ctl<QLabel>("lblCekaCil");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), u"Čeká: 0"_qs);
    main().Desk()->PostFinishImpulse(DayTime(14 * 3600000 + 2 * 60000 + 11250));
    EXPECT_EQ(count->text(), u"Čeká: 1"_qs);
    EXPECT_TRUE(count->styleSheet().isEmpty());
    main().Desk()->PostFinishImpulse(DayTime(14 * 3600000 + 2 * 60000 + 12250));
    EXPECT_EQ(count->text(), u"Čeká: 2"_qs);
    EXPECT_TRUE(count->styleSheet().contains(u"#FFB000"_qs));
    main().Desk()->pressKey(u"7"_qs);
    main().Desk()->insert();
    EXPECT_EQ(main().StatusText(), u"Přiřazen impuls 14:02:11,250; čeká ještě 1"_qs);
    EXPECT_EQ(count->text(), u"Čeká: 1"_qs);
    EXPECT_TRUE(count->styleSheet().isEmpty());
}

// The results list shows the rank first: overall, or within the category
// chosen; the spectator list keeps its columns.
TEST_F(BindingTest, ResultsListShowsTheRankOverallAndWithinACategory)
{
    NameDataFile();
    main().Racers()->setRows({{7, u"Adam"_qs, u"M"_qs}, {8, u"Bára"_qs, u"Ž"_qs}, {9, u"Cyril"_qs, u"M"_qs}});
    RecordStore &data = *main().Data();
    AppendRecord(data, Record(RaceStartNumber, "10:00:00,000"));
    AppendRecord(data, Record(8, "10:05:00,000"));
    AppendRecord(data, Record(7, "10:06:00,000"));
    AppendRecord(data, Record(9, "10:07:00,000"));
    data.Save();
    main().Results()->RefreshLists(-1);

    auto *list = ctl<QTableView>("lv1");
    ASSERT_NE(list, nullptr);
    QHeaderView *header = list->horizontalHeader();
    EXPECT_EQ(header->logicalIndex(0), int(ResultsListModel::Rank));
    EXPECT_EQ(list->model()->headerData(ResultsListModel::Rank, Qt::Horizontal).toString(), u"Pořadí"_qs);
    const auto column = [list](ResultsListModel::Column c) {
        QStringList out;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            out << list->model()->index(r, c).data().toString();
        return out;
    };
    EXPECT_EQ(column(ResultsListModel::Rank), (QStringList{"1.", "2.", "3."}));
    EXPECT_EQ(column(ResultsListModel::CategoryRank), (QStringList{"1.", "1.", "2."}));

    main().Results()->setCategory(u"M"_qs);
    EXPECT_EQ(column(ResultsListModel::Caption).size(), 2);
    EXPECT_EQ(column(ResultsListModel::Rank), (QStringList{"1.", "2."}));
    EXPECT_EQ(windows.frmDisplay->findChild<QTableView *>()->model()->columnCount(),
              int(ResultsListModel::CategoryRank));
}
