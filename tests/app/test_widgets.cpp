#include "SpectatorWindow.h"
#include "ElidedCellDelegate.h"
#include "TimingDesk.h"
#include "RacerTable.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "ManualEntryDialog.h"
#include "MainWindowFixture.h"
#include "Controls.h"
#include "main.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QScreen>
#include "ResultsLists.h"

namespace {

class MainWindowTest : public MainWindowFixture {};

TEST_F(MainWindowTest, FrameCaptionPagesAndStatus)
{
    EXPECT_EQ(main().windowTitle(),
              QStringLiteral("Záznam časů, Norvanta, s.r.o. Pelvany,  v. 1.82 – nepojmenovaný závod"));
    ASSERT_NE(ctl<QTabWidget>("PageControl"), nullptr);
    EXPECT_EQ(ctl<QTabWidget>("PageControl")->objectName(), QStringLiteral("PageControl"));

    const QList<std::pair<const char *, QString>> pages = {
        {"tsMereni", QStringLiteral("Prostý záznam časů")},
        {"tsRacerList", QStringLiteral("Kompletní seznam závodníků")},
        {"TabSheet4", QStringLiteral("Nastavení")},
        {"TabSheet3", QStringLiteral("Výsledková listina")},
    };
    ASSERT_EQ(ctl<QTabWidget>("PageControl")->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(ctl<QTabWidget>("PageControl")->widget(i)->objectName(), QString::fromLatin1(pages[i].first));
        EXPECT_EQ(ctl<QTabWidget>("PageControl")->tabText(i), pages[i].second);
    }
    EXPECT_EQ(ctl<QTabWidget>("PageControl")->currentWidget(), ctl<QWidget>("tsMereni"));

    ASSERT_NE(ctl<QStatusBar>("StatusBar"), nullptr);
    EXPECT_EQ(ctl<QStatusBar>("StatusBar")->objectName(), QStringLiteral("StatusBar"));
    EXPECT_EQ(main().statusBar(), ctl<QStatusBar>("StatusBar"));
    EXPECT_EQ(main().StatusText(), QStringLiteral("Připraven."));
    main().SetStatusText(QStringLiteral("Odpojen."));
    EXPECT_EQ(main().StatusText(), QStringLiteral("Odpojen."));
}

TEST(MainWindowSize, OpensAtItsSizeWhereItFitsElseAsLargeAsTheScreenAllows)
{
    const QSize smallest(600, 640);
    struct Case {
        QSize available, expected;
    } const cases[] = {
        {{1920, 1040}, {TfrmMain::ClientWidth, TfrmMain::ClientHeight}},
        {{1366, 728}, {TfrmMain::ClientWidth, 728 - 39}},  // a laptop with a panel
        {{1366, 768}, {TfrmMain::ClientWidth, 768 - 39}},
        {{800, 600}, {784, 640}},  // never below the smallest
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.available.height());
        EXPECT_EQ(TfrmMain::OpeningClientSize(c.available, smallest), c.expected);
    }
}

TEST_F(MainWindowTest, FitsALaptopScreenWithEveryControlReachable)
{
    main().show();
    const QSize smallest = main().minimumSize();
    // A 1366 x 768 screen less a 40-pixel panel, a caption and borders.
    EXPECT_LE(smallest.width(), 1366 - 16);
    EXPECT_LE(smallest.height(), 768 - 40 - 39);
    EXPECT_EQ(main().size(), TfrmMain::OpeningClientSize(main().screen()->availableGeometry().size(), smallest));

    // At its smallest, every control of the timing page and the status bar
    // lie whole inside the window, none squeezed below its own least size.
    main().resize(smallest);
    QApplication::processEvents();
    const QRect window = main().rect();
    for (QWidget *w : ctl("tsMereni")->findChildren<QWidget *>()) {
        if (!w->isVisible() || !(qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w)))
            continue;
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(window.contains(QRect(w->mapTo(&main(), QPoint()), w->size())));
        EXPECT_GE(w->height(), w->minimumSizeHint().height());
    }
    auto *status = ctl<QStatusBar>("StatusBar");
    EXPECT_TRUE(window.contains(QRect(status->mapTo(&main(), QPoint()), status->size())));

    // The number display shows the race start's five digits whole.
    auto *number = ctl<QLabel>("lblCislo");
    const int room = number->contentsRect().width() - 2 * number->margin();
    EXPECT_LE(number->fontMetrics().horizontalAdvance(QStringLiteral("10000")), room);
    EXPECT_GE(number->font().pixelSize(), 30) << "still large enough to read from a distance";
}

TEST_F(MainWindowTest, RecordListShowsAllFourColumnsAndNumberTakesTheExtraWidth)
{
    main().resize(TfrmMain::ClientWidth, TfrmMain::ClientHeight);
    main().show();
    QApplication::processEvents();
    auto *lv = ctl<HotTrackView>("lv");
    QHeaderView *header = lv->horizontalHeader();
    ASSERT_EQ(header->count(), 4);
    auto columnsFitWithinTheirLimits = [&] {
        int total = 0;
        for (int c = 0; c < header->count(); ++c) {
            SCOPED_TRACE(c);
            const RecordListModel::Width w = RecordListModel::columnWidth(RecordListModel::Column(c));
            EXPECT_GE(header->sectionSize(c), w.minimum);
            if (w.maximum > 0) {
                EXPECT_LE(header->sectionSize(c), w.maximum);
            }
            total += header->sectionSize(c);
        }
        EXPECT_LE(total, lv->viewport()->width()) << "no horizontal scroll bar";
    };
    columnsFitWithinTheirLimits();
    const int time = header->sectionSize(RecordListModel::Time);
    const int number = header->sectionSize(RecordListModel::Caption);

    // A wider window widens "Číslo" (up to its limit) and nothing else.
    main().resize(TfrmMain::ClientWidth + 100, TfrmMain::ClientHeight);
    QApplication::processEvents();
    EXPECT_EQ(header->sectionSize(RecordListModel::Caption), std::min(number + 100, 350));
    EXPECT_EQ(header->sectionSize(RecordListModel::Time), time);
    main().resize(TfrmMain::ClientWidth + 600, TfrmMain::ClientHeight);
    QApplication::processEvents();
    EXPECT_EQ(header->sectionSize(RecordListModel::Caption), 350);
    columnsFitWithinTheirLimits();

    // A column dragged past its own limit stops there.
    header->resizeSection(RecordListModel::Lap, 400);
    EXPECT_EQ(header->sectionSize(RecordListModel::Lap), 150);
    header->resizeSection(RecordListModel::Time, 5);
    EXPECT_EQ(header->sectionSize(RecordListModel::Time), 50);
}

// A leader or a cell too long for its room ends in "…" and shows the whole
// text when the pointer rests on it; a text shown whole needs no tooltip.
TEST_F(MainWindowTest, LongTextsAreCutWithTheWholeTextAsTooltip)
{
    const QString name = QStringLiteral("Pospíšilová-Dvořáková Zuzana Marie, Sportovní klub Velké Meziříčí");
    main().Racers()->setRows({{12, name, QStringLiteral("Ž40")}, {7, QStringLiteral("Novák Jan"), {}}});
    main().resize(TfrmMain::ClientWidth, TfrmMain::ClientHeight);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    TimingDesk &desk = *main().Desk();
    desk.simulateStartImpulse();
    dialogs.answerSave(dir.filePath(QStringLiteral("zavod.csvz")));
    desk.startRace();
    for (const char *number : {"12", "7"}) {
        desk.simulateFinishImpulse();
        for (const char digit : std::string(number))
            desk.pressKey(QString(QChar(digit)));
        desk.insert();
    }
    QApplication::processEvents();

    auto *leader = ctl<ElidedLabel>("lblVitez");
    const QString whole = QStringLiteral("12 (") + name + QStringLiteral(" (Ž40))");
    ASSERT_EQ(leader->text(), whole);
    EXPECT_TRUE(leader->isCut());
    EXPECT_TRUE(leader->shownText().endsWith(QChar(0x2026))) << leader->shownText().toStdString();
    EXPECT_LE(leader->fontMetrics().horizontalAdvance(leader->shownText()), leader->contentsRect().width());
    const QPoint at(10, leader->height() / 2);
    QHelpEvent help(QEvent::ToolTip, at, leader->mapToGlobal(at));
    QApplication::sendEvent(leader, &help);
    EXPECT_EQ(QToolTip::text(), whole);
    QToolTip::hideText();
    leader->setText(QStringLiteral("7 (Novák Jan)"));
    EXPECT_FALSE(leader->isCut());
    EXPECT_EQ(leader->shownText(), QStringLiteral("7 (Novák Jan)"));

    // The record list: the long caption is cut and named whole, the short
    // one and the lap are not.
    auto *lv = ctl<HotTrackView>("lv");
    QAbstractItemModel *records = lv->model();
    ASSERT_EQ(records->rowCount(), 3);
    int longRow = -1;
    for (int r = 0; r < records->rowCount(); ++r)
        if (records->index(r, RecordListModel::Caption).data().toString() == whole)
            longRow = r;
    ASSERT_GE(longRow, 0);
    EXPECT_EQ(ElidedCellDelegate::CutText(lv, records->index(longRow, RecordListModel::Caption)), whole);
    EXPECT_EQ(ElidedCellDelegate::CutText(lv, records->index(longRow, RecordListModel::Lap)), QString());
    // In a wider window the short caption stands whole; the long one is
    // still cut.
    main().resize(TfrmMain::ClientWidth + 600, TfrmMain::ClientHeight);
    QApplication::processEvents();
    const int shortRow = longRow == 1 ? 2 : 1;
    EXPECT_EQ(ElidedCellDelegate::CutText(lv, records->index(shortRow, RecordListModel::Caption)), QString());
    EXPECT_EQ(ElidedCellDelegate::CutText(lv, records->index(longRow, RecordListModel::Caption)), whole);
}

TEST_F(MainWindowTest, GrowingTheWindowGrowsTheListsOnly)
{
    main().show();
    const QStringList files = {"Button27", "Button28", "Button29", "Button30"};
    const QStringList fixed = {"Button2", "btnConnect"};
    auto widths = [&](const QStringList &names) {
        QList<int> out;
        for (const QString &name : names)
            out << ctl(name.toLatin1().constData())->width();
        return out;
    };
    const QList<int> fixedBefore = widths(fixed);
    const QList<int> listsBefore = widths({"lv", "lvPulsy", "lvPulsy2"});
    // From the smallest window to a maximised one on a large screen.
    main().resize(main().width() + 1000, main().height());
    QApplication::processEvents();
    const QList<int> listsAfter = widths({"lv", "lvPulsy", "lvPulsy2"});
    EXPECT_EQ(widths(fixed), fixedBefore) << "the right column keeps its size";
    for (const QString &name : files) {
        const QWidget *button = ctl(name.toLatin1().constData());
        EXPECT_EQ(button->width(), button->sizeHint().width()) << name.toStdString() << " as its caption needs";
    }
    EXPECT_GT(listsAfter[0], listsBefore[0] + 500) << "the record list takes most of it";
    EXPECT_GT(listsAfter[1], listsBefore[1] + 100) << "the impulse lists the rest";
    EXPECT_EQ(listsAfter[1], listsAfter[2]);
    EXPECT_FALSE(main().windowIcon().isNull()) << "the program's own icon";
}

struct NamedWidget {
    const char *name;
    const char *className;
    const char *text;  // caption, or nullptr
};

TEST_F(MainWindowTest, EveryNamedControlExistsWithItsCaption)
{
    const std::vector<NamedWidget> table = {
        {"lv", "HotTrackView", nullptr},
        {"lvPulsy", "HotTrackView", nullptr},
        {"lvPulsy2", "HotTrackView", nullptr},
        {"lv1", "QTableView", nullptr},
        {"lblCislo", "QLabel", "0"},
        {"lblUkazJmeno", "QLabel", "---"},
        {"lblVitez", "QLabel", ""},
        {"Button6", "QPushButton", "1"},
        {"Button7", "QPushButton", "2"},
        {"Button8", "QPushButton", "3"},
        {"Button9", "QPushButton", "4"},
        {"Button11", "QPushButton", "5"},
        {"Button12", "QPushButton", "6"},
        {"Button13", "QPushButton", "7"},
        {"Button14", "QPushButton", "8"},
        {"Button15", "QPushButton", "9"},
        {"Button16", "QPushButton", "0"},
        {"Button17", "QPushButton", "<"},
        {"btnStart", "QPushButton", "START"},
        {"Button2", "QPushButton", "Vlož"},
        {"Button21", "QPushButton", "Sma&ž"},
        {"btnNovyZaznam", "QPushButton", "No&vý zázn. ručně / start ručně"},
        {"Button27", "QPushButton", "&Nový"},
        {"Button28", "QPushButton", "&Otevřít"},
        {"Button29", "QPushButton", "Uložit &jako..."},
        {"Button30", "QPushButton", "&Uložit"},
        {"btnSmaz", "QPushButton", "S&maž vybraný"},
        {"btnSmazVse", "QPushButton", "Smaž &vše"},
        {"btnSimulace", "QPushButton", "Simuluj FB1"},
        {"btnSimulace2", "QPushButton", "Simuluj FB2"},
        {"btnConnect", "QPushButton", "&Připojit časoměrný modul"},
        {"btnDisconnect", "QPushButton", "O&dpojit časoměrný modul"},
        {"btnExpr", "QPushButton", "Export..."},
        {"cbRealCas", "QCheckBox", "Reál.čas"},
        {"cbDisplayWindow", "QCheckBox", "Zobraz okno displeje pro diváky"},
        {"cbDispRunningTime", "QCheckBox", "Zobraz běžící čas od posledního startu"},
        {"cbDispPaging", "QCheckBox", "Stránkuj výpis, je-li dlouhý"},
        {"edDispCaption", "QLineEdit", ""},
        {"cbFiltr", "QComboBox", nullptr},
        {"cbRezimFB", "QComboBox", nullptr},
        {"cbRezimFunkce", "QComboBox", nullptr},
        {"cbRezimKol", "QComboBox", nullptr},
        {"cbDispMode", "QComboBox", nullptr},
        {"gbDatovySoubor", "QGroupBox", nullptr},
        {"gbDisplej", "QGroupBox", nullptr},
        {"gbModul", "QGroupBox", nullptr},
        {"gbRezim", "QGroupBox", nullptr},
        {"DBGridZavodnici", "QTableView", nullptr},
        {"btnZavodniciLoad", "QPushButton", "Otevřít..."},
        {"btnZavodniciSave", "QPushButton", "Uložit"},
        {"btnZavodniciSaveAs", "QPushButton", "Uložit jako..."},
        {"memCategories", "QPlainTextEdit", nullptr},
    };
    for (const NamedWidget &w : table) {
        SCOPED_TRACE(w.name);
        // within the window's own pages: the manual entry dialog has names of its own
        const QList<QWidget *> found = main().centralWidget()->findChildren<QWidget *>(QString::fromLatin1(w.name));
        ASSERT_EQ(found.size(), 1) << "each name exactly once";
        EXPECT_TRUE(found[0]->inherits(w.className)) << found[0]->metaObject()->className();
        if (!w.text)
            continue;
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(found[0]))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(found[0]))
            text = l->text();
        else
            text = found[0]->property("text").toString();
        EXPECT_EQ(text, QString::fromUtf8(w.text));
    }

    const QList<std::pair<const char *, QString>> groups = {
        {"gbDatovySoubor", QStringLiteral(" Datový soubor ")},
        {"gbDisplej", QStringLiteral(" Okno displeje pro diváky ")},
        {"gbModul", QStringLiteral(" Časoměrný modul ")},
        {"gbRezim", QStringLiteral(" Režim činnosti ")},
    };
    for (const auto &[name, title] : groups)
        EXPECT_EQ(ctl<QGroupBox>(name)->title(), title);

    const QList<std::pair<const char *, QString>> lists = {
        {"lv", QStringLiteral("Záznamy časů")},
        {"lvPulsy", QStringLiteral("Startovací impulsy")},
        {"lvPulsy2", QStringLiteral("Cílové impulsy")},
        {"lv1", QStringLiteral("Výsledková listina")},
    };
    for (const auto &[name, accessible] : lists)
        EXPECT_EQ(ctl(name)->accessibleName(), accessible);

    // A label that shows text is read by what it shows, never by a fixed name;
    // one that shows a picture is named.
    for (QLabel *label : main().findChildren<QLabel *>()) {
        SCOPED_TRACE(label->objectName().toStdString() + " " + label->text().toStdString());
        EXPECT_EQ(label->accessibleName().isEmpty(), label->pixmap().isNull());
    }
}

struct ComboCase {
    const char *name;
    int defaultIndex;
    std::vector<const char *> items;
};

TEST_F(MainWindowTest, FixedListsHoldTheirItemsAndDefaults)
{
    const std::vector<ComboCase> table = {
        {"cbFiltr",
         0,
         {"Filtr vypnut", "Filtr 1500 ms", "Filtr 2000 ms", "Filtr 2500 ms", "Filtr 3000 ms", "Filtr 3500 ms",
          "Filtr 4000 ms"}},
        {"cbRezimFB", 0, {"Start -> cíl / FB1 -> FB2", "Start -> cíl / FB1 nebo FB2"}},
        {"cbRezimFunkce", 2, {"Bez časoměrného modulu", "Přiřazování", "Přiřazování s předvolbou"}},
        {"cbRezimKol",
         0,
         {"Vítěz má nejvíce kol a nejnižší čas (předchozí kola = mezičasy v poznámce)", "Bez užití kol"}},
        {"cbDispMode",
         1,
         {"Zobrazení výsledků vypnuto", "Počátek výsledkové listiny (vítězové)",
          "Konec výsledkové listiny (poslední jak dobíhají)"}},
    };
    for (const ComboCase &c : table) {
        SCOPED_TRACE(c.name);
        auto *combo = ctl<QComboBox>(c.name);
        ASSERT_NE(combo, nullptr);
        EXPECT_FALSE(combo->isEditable());
        EXPECT_EQ(combo->currentIndex(), c.defaultIndex);
        ASSERT_EQ(combo->count(), int(c.items.size()));
        for (int i = 0; i < combo->count(); ++i)
            EXPECT_EQ(combo->itemText(i), QString::fromUtf8(c.items[size_t(i)]));
    }
}

TEST_F(MainWindowTest, StartStateOfTheControls)
{
    EXPECT_TRUE(ctl<QPushButton>("Button2")->isDefault());
    EXPECT_TRUE(ctl<QPushButton>("btnConnect")->isEnabled());
    EXPECT_FALSE(ctl<QPushButton>("btnDisconnect")->isEnabled());
    EXPECT_FALSE(ctl<QCheckBox>("cbRealCas")->isChecked());
    EXPECT_FALSE(ctl<QCheckBox>("cbDisplayWindow")->isChecked());
    EXPECT_TRUE(ctl<QCheckBox>("cbDispRunningTime")->isChecked());
    EXPECT_FALSE(ctl<QCheckBox>("cbDispPaging")->isChecked());
    EXPECT_EQ(ctl<QPlainTextEdit>("memCategories")->toPlainText(), QStringLiteral("MX1\nMX2\nOPEN\nVETERÁN"));
    EXPECT_EQ(ctl<QLabel>("lblVitez")->font().pixelSize(), 32);
    EXPECT_TRUE(ctl<QLabel>("lblVitez")->font().bold());
    EXPECT_TRUE(ctl<QLabel>("lblCislo")->font().bold());
    EXPECT_TRUE(ctl<QLabel>("lblCislo")->alignment() & Qt::AlignRight);
}

TEST_F(MainWindowTest, KeypadHasZeroUnderTheMiddleColumnBetweenStartAndBackspace)
{
    main().show();
    auto centre = [&](QWidget *w) { return w->mapTo(&main(), w->rect().center()); };
    EXPECT_EQ(centre(ctl<QPushButton>("Button16")).x(), centre(ctl<QPushButton>("Button7")).x());
    EXPECT_GT(centre(ctl<QPushButton>("Button16")).y(), centre(ctl<QPushButton>("Button14")).y());
    EXPECT_LT(centre(ctl<QPushButton>("btnStart")).x(), centre(ctl<QPushButton>("Button16")).x());
    EXPECT_GT(centre(ctl<QPushButton>("Button17")).x(), centre(ctl<QPushButton>("Button16")).x());
    EXPECT_EQ(centre(ctl<QPushButton>("btnStart")).y(), centre(ctl<QPushButton>("Button16")).y());
    // "Vlož" across the bottom of the panel
    EXPECT_GT(ctl<QPushButton>("Button2")->y(), ctl<QPushButton>("Button16")->y());
    EXPECT_GE(ctl<QPushButton>("Button2")->width(), ctl<QPushButton>("Button6")->width() * 3);
}

class HotTrackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.setColumnCount(2);
        for (int r = 0; r < 5; ++r)
            model.appendRow({new QStandardItem(QStringLiteral("IMPULS FB2")),
                             new QStandardItem(QStringLiteral("10:00:0%1,000").arg(r))});
        view.setModel(&model);
        view.resize(200, 200);
        view.show();
    }
    void moveTo(int row)
    {
        const QPoint p = view.visualRect(model.index(row, 1)).center();
        QMouseEvent move(QEvent::MouseMove, p, view.viewport()->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
    }
    QStandardItemModel model;
    HotTrackView view;
};

TEST_F(HotTrackTest, RestingPointerSelectsItsWholeRowOnly)
{
    moveTo(2);
    EXPECT_EQ(view.hotRow(), 2);
    EXPECT_FALSE(view.selectionModel()->hasSelection()) << "selected only after the pointer rests";
    view.selectHotRow();
    EXPECT_TRUE(view.selectionModel()->isRowSelected(2, {}));

    moveTo(4);
    view.selectHotRow();
    EXPECT_TRUE(view.selectionModel()->isRowSelected(4, {}));
    EXPECT_FALSE(view.selectionModel()->isRowSelected(2, {}));
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 1);

    // rows that are gone by the time the pointer rests are not selected
    moveTo(3);
    model.removeRows(2, 3);
    view.selectHotRow();
    EXPECT_FALSE(view.selectionModel()->isRowSelected(3, {}));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&view, &leave);
    EXPECT_EQ(view.hotRow(), -1);
}

}  // namespace
