// The racer page bound to the racer table: the grid, its navigator and the
// category list, worked by clicks and keys on the real window, offscreen.
// What the table does is tested on the table; here only the binding.
#include "Cp1250.h"
#include "SpectatorWindow.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "QtPrinters.h"
#include "RacerFile.h"
#include "ResultsLists.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "TimingDesk.h"
#include "Controls.h"
#include "MainWindowFixture.h"
#include "main.h"
#include "RacerTable.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

class RacerPageTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowFixture::SetUp());
        main().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
        QApplication::setActiveWindow(&main());
        Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "tsRacerList"));
        grid = main().findChild<QTableView *>(QStringLiteral("DBGridZavodnici"));
        ASSERT_NE(grid, nullptr);
        table = main().Racers();
    }

    template <typename T = QPushButton>
    T *child(const char *name)
    {
        return main().findChild<T *>(QString::fromLatin1(name));
    }
    void click(const char *button) { QTest::mouseClick(child(button), Qt::LeftButton); }
    void clickCell(int row, int column)
    {
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // A race timed before the racers are known: racer 42 has one passage.
    void TimeRacer42()
    {
        TimingDesk &desk = *main().Desk();
        desk.simulateStartImpulse();
        dialogs.answerSave(dir.filePath(u"závod.csvz"_qs));
        desk.startRace();
        desk.simulateFinishImpulse();
        desk.pressKey(u"4"_qs);
        desk.pressKey(u"2"_qs);
        desk.insert();
    }
    // A registrations file of these bytes, for the import.
    QString WriteRegistrations(const QByteArray &bytes)
    {
        const QString csv = dir.filePath(u"přihlášky.csv"_qs);
        QFile f(csv);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return csv;
    }
    // Types into whatever has the focus (the open editor) and presses Enter.
    void type(const QString &text)
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClicks(focus, text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // The view commits an edit on the next round of the event loop, and
        // a refusal is shown on the round after.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    QString categories() { return child<QPlainTextEdit>("memCategories")->toPlainText(); }

    QTableView *grid = nullptr;
    RacerTable *table = nullptr;
};

}  // namespace

TEST_F(RacerPageTest, PageHoldsTheGridTheNavigatorAndTheButtons)
{
    EXPECT_EQ(grid->model(), table);
    EXPECT_EQ(grid->accessibleName(), u"Kompletní seznam závodníků"_qs);
    const QList<std::pair<const char *, QString>> buttons = {
        {"nbFirst", u"První"_qs},
        {"nbPrior", u"Předchozí"_qs},
        {"nbNext", u"Další"_qs},
        {"nbLast", u"Poslední"_qs},
        {"nbInsert", u"Vložit"_qs},
        {"nbDelete", u"Smazat"_qs},
        {"btnZavodniciImport", u"Importovat CSV..."_qs},
    };
    for (const auto &[name, caption] : buttons) {
        SCOPED_TRACE(name);
        ASSERT_NE(child(name), nullptr);
        EXPECT_EQ(child(name)->text(), caption);
        EXPECT_TRUE(child(name)->isEnabled());
    }
    EXPECT_TRUE(child<QWidget>("DBNavigatorZavodnici")->isAncestorOf(child("nbDelete")));
}

TEST_F(RacerPageTest, TypedRacerReachesTheLabelsAndAWrongNumberIsRefused)
{
    click("nbInsert");
    ASSERT_EQ(table->size(), 1);
    type(u"12"_qs);
    grid->setCurrentIndex(table->index(0, RacerTable::Name));
    QTest::keyClick(grid, Qt::Key_F2);
    type(u"Novak Jan"_qs);
    EXPECT_EQ(table->rows()[0].number, 12);
    EXPECT_EQ(table->rows()[0].name, u"Novak Jan"_qs);

    // The keypad's label line names the racer.
    Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "tsMereni"));
    main().Desk()->pressKey(u"1"_qs);
    main().Desk()->pressKey(u"2"_qs);
    EXPECT_EQ(child<QLabel>("lblUkazJmeno")->text(), u"Novak Jan <nezadáná kategorie>"_qs);

    Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "tsRacerList"));
    grid->setFocus();
    grid->setCurrentIndex(table->index(0, RacerTable::Number));
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(u"dvanact"_qs);
    EXPECT_EQ(table->rows()[0].number, 12);
    ASSERT_EQ(dialogs.messages().size(), 1) << dialogs.messages().join(u"\n"_qs).toStdString();
    EXPECT_TRUE(dialogs.messages()[0].contains(u"„dvanact“"_qs)) << dialogs.messages()[0].toStdString();
}

TEST_F(RacerPageTest, OneClickOpensTheCategoryListAndLeavingTheGridAddsNewCategories)
{
    table->setRows({{1, u"Jan"_qs, std::nullopt}, {2, u"Eva"_qs, u"Junior"_qs}, {3, u"Petr"_qs, u"mx1"_qs}});
    grid->setFocus();
    clickCell(0, RacerTable::Category);
    QTest::qWait(1);
    auto *combo = grid->viewport()->findChild<QComboBox *>();
    ASSERT_NE(combo, nullptr) << "the click opened an editor";
    ASSERT_TRUE(combo->view()->isVisible()) << "with its list dropped down";
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    EXPECT_EQ(items, (QStringList{"MX1", "MX2", "OPEN", u"VETERÁN"_qs}));
    combo->hidePopup();
    combo->setEditText(u"OPEN"_qs);

    // Focus to a button of the page: the open edit is posted, new categories
    // join the list, the last row is current.
    child("btnZavodniciSave")->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(table->rows()[0].category, u"OPEN"_qs);
    EXPECT_EQ(categories(), u"MX1\nMX2\nOPEN\nVETERÁN\nJunior"_qs);
    EXPECT_EQ(table->currentRow(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 2);

    // The grid's choice list now holds it.
    grid->setFocus();
    clickCell(1, RacerTable::Category);
    QTest::qWait(1);
    combo = grid->viewport()->findChild<QComboBox *>();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->itemText(4), u"Junior"_qs);
    combo->hidePopup();

    // Another page shown while the grid has the focus leaves it too.
    table->appendRow({4, u"Iva"_qs, u"Ženy"_qs});
    Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "TabSheet4"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(categories().endsWith(u"\nJunior\nŽeny"_qs)) << categories().toStdString();
}

TEST_F(RacerPageTest, AnImportsCategoriesJoinTheListAtOnce)
{
    dialogs.answerOpen(WriteRegistrations(ToCp1250(u"Bib;Name;Category\r\n42;Nová Eva;Ž40\r\n"_qs)));
    click("btnZavodniciImport");
    QCoreApplication::processEvents();
    EXPECT_EQ(categories(), u"MX1\nMX2\nOPEN\nVETERÁN\nŽ40"_qs);
}

TEST_F(RacerPageTest, NavigatorMovesInsertsAndDeletesAfterAQuestion)
{
    table->setRows({{1, u"A"_qs, std::nullopt}, {2, u"B"_qs, std::nullopt}, {3, u"C"_qs, std::nullopt}});
    click("nbLast");
    EXPECT_EQ(table->currentRow(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    click("nbPrior");
    EXPECT_EQ(grid->currentIndex().row(), 1);
    click("nbFirst");
    click("nbNext");
    EXPECT_EQ(table->currentRow(), 1);

    dialogs.answerQuestion(false);
    click("nbDelete");
    EXPECT_EQ(table->size(), 3);
    dialogs.answerQuestion(true);
    click("nbDelete");
    ASSERT_EQ(table->size(), 2);
    EXPECT_EQ(table->rows()[1].name, u"C"_qs);
    EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Question), 2);

    // An inserted row left empty goes when the grid is left, without a question.
    click("nbInsert");
    EXPECT_EQ(table->size(), 3);
    child("btnZavodniciLoad")->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(table->size(), 2);
}

TEST_F(RacerPageTest, TitleClickSortsAndALookupMovesTheCursor)
{
    table->setRows({{3, u"Cyril"_qs, u"B"_qs}, {1, u"Adam"_qs, u"C"_qs}, {2, u"Bára"_qs, u"A"_qs}});
    QHeaderView *header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(RacerTable::Category) + 5, header->height() / 2));
    EXPECT_EQ(table->sortColumn(), int(RacerTable::Category));
    EXPECT_EQ(grid->model()->index(0, RacerTable::Name).data().toString(), u"Bára"_qs);

    table->RacerLabel(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(table->currentRow(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 1) << "the grid's cursor is on racer 3";
}

TEST_F(RacerPageTest, ImportedRacerIsNamedInTheListsAndInBothFiles)
{
    const QString csv = dir.filePath(u"přihlášky.csv"_qs);
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Bib;Last name;First name;Category\r\n42;Novák;Jan;MX1\r\n");
    }
    dialogs.answerOpen(csv);
    click("btnZavodniciImport");
    ASSERT_EQ(table->size(), 1);

    const QString file = dir.filePath(u"závod.csvz"_qs);
    Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "tsMereni"));
    TimingDesk &desk = *main().Desk();
    desk.simulateStartImpulse();
    dialogs.answerSave(file);
    desk.startRace();
    desk.simulateFinishImpulse();
    desk.pressKey(u"4"_qs);
    desk.pressKey(u"2"_qs);
    desk.insert();

    QAbstractItemModel *records = Control<QTableView>(main(), "lv")->model();
    ASSERT_EQ(records->rowCount(), 2);
    EXPECT_EQ(records->index(1, RecordListModel::Caption).data().toString(), u"42 (Novák Jan (MX1))"_qs);
    EXPECT_EQ(Control<QLabel>(main(), "lblVitez")->text(), u"42 (Novák Jan (MX1))"_qs);
    main().Data()->WaitForWrites();  // the files are written off the main thread
    QFile data(file), results(ResultsFileName(file));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    ASSERT_TRUE(results.open(QIODevice::ReadOnly));
    EXPECT_TRUE(data.readAll().contains(ToCp1250(u"Novák Jan (MX1)"_qs)));
    const QByteArray xml = results.readAll();
    EXPECT_TRUE(xml.contains(u"jmeno=\"Novák Jan\" kategorie=\"MX1\""_qs.toUtf8())) << xml.constData();
    EXPECT_TRUE(xml.contains(u"<racer cislo=\"42\" jmeno=\"Novák Jan\" kategorie=\"MX1\"/>"_qs.toUtf8()));

    // A racer corrected in the grid is named anew at the next refresh.
    table->setData(table->index(0, RacerTable::Category), u"OPEN"_qs);
    main().Results()->RefreshLists(-1);
    EXPECT_EQ(records->index(1, RecordListModel::Caption).data().toString(), u"42 (Novák Jan (OPEN))"_qs);
}

TEST_F(RacerPageTest, ListsFollowTheRacerTableWithoutTheTimingPage)
{
    Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "tsMereni"));
    TimeRacer42();
    Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "tsRacerList"));

    QAbstractItemModel *records = Control<QTableView>(main(), "lv")->model();
    QAbstractItemModel *results = Control<QTableView>(main(), "lv1")->model();
    QAbstractItemModel *spectators = main().frmDisplay->List()->model();
    auto shown = [&] {
        return QStringList{records->index(1, RecordListModel::Caption).data().toString(),
                           results->index(0, ResultsListModel::Caption).data().toString(),
                           spectators->index(0, 0).data().toString(), Control<QLabel>(main(), "lblVitez")->text()};
    };
    auto everywhere = [](const QString &caption) { return QStringList{caption, caption, caption, caption}; };
    ASSERT_EQ(records->rowCount(), 2);
    ASSERT_EQ(shown(), everywhere(u"42 (<neznámý>)"_qs));

    dialogs.answerOpen(WriteRegistrations("Bib;Name;Category\r\n42;Novák Jan;MX1\r\n"));
    click("btnZavodniciImport");
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(), everywhere(u"42 (Novák Jan (MX1))"_qs)) << "after the import";

    grid->setFocus();
    grid->setCurrentIndex(table->index(0, RacerTable::Category));
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(u"OPEN"_qs);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(), everywhere(u"42 (Novák Jan (OPEN))"_qs)) << "after a grid edit";

    const QString racerFile = dir.filePath(u"jezdci.racerlist"_qs);
    SaveRacerFile(racerFile, {{42, u"Dvořák Petr"_qs, u"MX2"_qs}});
    dialogs.answerOpen(racerFile);
    click("btnZavodniciLoad");
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(), everywhere(u"42 (Dvořák Petr (MX2))"_qs)) << "after a racer file is opened";

    // The refresh a new row starts leaves its editor open and the cursor on it.
    click("nbInsert");
    QCoreApplication::processEvents();
    ASSERT_EQ(table->size(), 2);
    type(u"7"_qs);
    EXPECT_EQ(table->rows()[1].number, 7);
    EXPECT_EQ(table->currentRow(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 1);
}

// The results page's racer column widens to a long name, within its limit,
// instead of cutting it while "Poznámka" has room to spare.
TEST_F(RacerPageTest, ResultsRacerColumnWidensToTheNamesItShows)
{
    TimeRacer42();
    QTableView *results = Control<QTableView>(main(), "lv1");
    Control<QTabWidget>(main(), "PageControl")->setCurrentWidget(Control<QWidget>(main(), "TabSheet3"));
    QHeaderView *header = results->horizontalHeader();
    const int before = header->sectionSize(ResultsListModel::Caption);

    dialogs.answerOpen(WriteRegistrations(ToCp1250(u"Bib;Name;Category\r\n42;Pospíšilová-Nováková Zuzana;Ž40\r\n"_qs)));
    click("btnZavodniciImport");
    QCoreApplication::processEvents();

    const QString caption = results->model()->index(0, ResultsListModel::Caption).data().toString();
    ASSERT_EQ(caption, u"42 (Pospíšilová-Nováková Zuzana (Ž40))"_qs);
    const int text = QFontMetrics(results->font()).horizontalAdvance(caption);
    ASSERT_GT(text, before) << "the name is wider than the column was";
    EXPECT_GT(header->sectionSize(ResultsListModel::Caption), text);
    EXPECT_LE(header->sectionSize(ResultsListModel::Caption),
              ResultsListModel::columnWidth(ResultsListModel::Caption).maximum);
}

TEST_F(RacerPageTest, RacerFileComesBackWhenItsRaceIsOpenedInTheNextRun)
{
    const QString racerFile = dir.filePath(u"jezdci.racerlist"_qs), race = dir.filePath(u"závod.csvz"_qs);
    table->setRows({{12, u"Pospíšilová Zuzana"_qs, u"Ž40"_qs}});
    dialogs.answerSave(racerFile);
    click("btnZavodniciSaveAs");
    // The race is named after its racers were saved: they go with the name.
    dialogs.answerSave(race);
    main().Desk()->saveAs();
    main().Data()->WaitForWrites();

    auto nextRun = [&] {
        windows = {};
        CloseLog();
        windows = CreateWindows(dialogs, dir.filePath(u"log.txt"_qs));
        table = main().Racers();
        dialogs.asked.clear();
        dialogs.answerOpen(race);
        click("Button28");  // "&Otevřít"
        QCoreApplication::processEvents();
    };
    nextRun();
    EXPECT_EQ(table->size(), 1);
    EXPECT_EQ(main().StatusText(), u"Ze souboru jezdci.racerlist načteno závodníků: 1."_qs);
    EXPECT_TRUE(categories().split(u'\n').contains(u"Ž40"_qs)) << categories().toStdString();
    EXPECT_EQ(dialogs.messages(), QStringList());
    EXPECT_TRUE(main().windowTitle().endsWith(u" – závod.csvz"_qs));

    QFile::remove(racerFile);
    nextRun();
    EXPECT_EQ(table->size(), 0);
    EXPECT_TRUE(main().windowTitle().endsWith(u" – závod.csvz"_qs)) << "the race is open";
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains(u"nebyl nalezen"_qs)) << dialogs.messages()[0].toStdString();
}
