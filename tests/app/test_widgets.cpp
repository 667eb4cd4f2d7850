#include "Display.h"
#include "EventLog.h"
#include "HotTrackView.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "casy.h"
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

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        windows = CreateWindows(dialogs, dir.filePath(QStringLiteral("log.txt")));
        ASSERT_TRUE(windows.frmMain->HasStore());
    }
    void TearDown() override
    {
        windows = {};
        CloseLog();
    }
    TfrmMain &main() { return *windows.frmMain; }
    template <typename T = QWidget>
    T *child(const char *name)
    {
        return main().findChild<T *>(QString::fromLatin1(name));
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TikomatWindows windows;
};

TEST_F(MainWindowTest, FrameCaptionPagesAndStatus)
{
    EXPECT_EQ(main().windowTitle(), QStringLiteral("Záznam časů, Norvanta, s.r.o. Pelvany,  v. 1.82"));
    ASSERT_NE(main().PageControl, nullptr);
    EXPECT_EQ(main().PageControl->objectName(), QStringLiteral("PageControl"));

    const QList<std::pair<const char *, QString>> pages = {
        {"tsMereni", QStringLiteral("Prostý záznam časů")},
        {"tsRacerList", QStringLiteral("Kompletní seznam závodníků")},
        {"TabSheet4", QStringLiteral("Nastavení")},
        {"TabSheet3", QStringLiteral("Výsledková listina")},
    };
    ASSERT_EQ(main().PageControl->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(main().PageControl->widget(i)->objectName(), QString::fromLatin1(pages[i].first));
        EXPECT_EQ(main().PageControl->tabText(i), pages[i].second);
    }
    EXPECT_EQ(main().PageControl->currentWidget(), main().tsMereni);

    ASSERT_NE(main().StatusBar, nullptr);
    EXPECT_EQ(main().StatusBar->objectName(), QStringLiteral("StatusBar"));
    EXPECT_EQ(main().statusBar(), main().StatusBar);
    EXPECT_EQ(main().StatusText(), QStringLiteral("Připraven."));
    main().SetStatusText(QStringLiteral("Odpojen."));
    EXPECT_EQ(main().StatusText(), QStringLiteral("Odpojen."));
}

TEST_F(MainWindowTest, OpensAtItsSizeAndTheLayoutFitsIt)
{
    main().show();
    EXPECT_EQ(main().size(), QSize(TfrmMain::ClientWidth, TfrmMain::ClientHeight));
    EXPECT_EQ(main().minimumSize(), QSize(TfrmMain::ClientWidth, TfrmMain::ClientHeight));
    const QSize needed = main().layout()->minimumSize();
    EXPECT_LE(needed.width(), TfrmMain::ClientWidth);
    EXPECT_LE(needed.height(), TfrmMain::ClientHeight);

    // Growing the window grows only the record list's column.
    const QPoint middleBefore = main().lvPulsy->mapTo(&main(), QPoint());
    const int lvBefore = main().lv->width();
    main().resize(TfrmMain::ClientWidth + 200, TfrmMain::ClientHeight);
    QApplication::processEvents();
    EXPECT_EQ(main().lv->width(), lvBefore + 200);
    EXPECT_EQ(main().lvPulsy->mapTo(&main(), QPoint()), middleBefore + QPoint(200, 0));
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
        const QList<QWidget *> found =
            main().centralWidget()->findChildren<QWidget *>(QString::fromLatin1(w.name));
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

    // the public members are the named widgets
    EXPECT_EQ(child("lv"), main().lv);
    EXPECT_EQ(child("lvPulsy2"), main().lvPulsy2);
    EXPECT_EQ(child("Button2"), main().Button2);
    EXPECT_EQ(child("cbDispMode"), main().cbDispMode);
    EXPECT_EQ(main().KeypadKeys().size(), 11);

    const QList<std::pair<const char *, QString>> groups = {
        {"gbDatovySoubor", QStringLiteral(" Datový soubor ")},
        {"gbDisplej", QStringLiteral(" Okno displeje pro diváky ")},
        {"gbModul", QStringLiteral(" Časoměrný modul ")},
        {"gbRezim", QStringLiteral(" Režim činnosti ")},
    };
    for (const auto &[name, title] : groups)
        EXPECT_EQ(child<QGroupBox>(name)->title(), title);

    const QList<std::pair<const char *, QString>> lists = {
        {"lv", QStringLiteral("Záznamy časů")},
        {"lvPulsy", QStringLiteral("Startovací impulsy")},
        {"lvPulsy2", QStringLiteral("Cílové impulsy")},
        {"lv1", QStringLiteral("Výsledková listina")},
    };
    for (const auto &[name, accessible] : lists)
        EXPECT_EQ(child(name)->accessibleName(), accessible);
}

struct ComboCase {
    const char *name;
    int defaultIndex;
    std::vector<const char *> items;
};

TEST_F(MainWindowTest, FixedListsHoldTheirItemsAndDefaults)
{
    const std::vector<ComboCase> table = {
        {"cbFiltr", 0,
         {"Filtr vypnut", "Filtr 1500 ms", "Filtr 2000 ms", "Filtr 2500 ms", "Filtr 3000 ms",
          "Filtr 3500 ms", "Filtr 4000 ms"}},
        {"cbRezimFB", 0, {"Start -> cíl / FB1 -> FB2", "Start -> cíl / FB1 nebo FB2"}},
        {"cbRezimFunkce", 2, {"Bez časoměrného modulu", "Přiřazování", "Přiřazování s předvolbou"}},
        {"cbRezimKol", 0,
         {"Vítěz má nejvíce kol a nejnižší čas (předchozí kola = mezičasy v poznámce)", "Bez užití kol"}},
        {"cbDispMode", 1,
         {"Zobrazení výsledků vypnuto", "Počátek výsledkové listiny (vítězové)",
          "Konec výsledkové listiny (poslední jak dobíhají)"}},
    };
    for (const ComboCase &c : table) {
        SCOPED_TRACE(c.name);
        auto *combo = child<QComboBox>(c.name);
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
    EXPECT_TRUE(main().Button2->isDefault());
    EXPECT_TRUE(main().btnConnect->isEnabled());
    EXPECT_FALSE(main().btnDisconnect->isEnabled());
    EXPECT_FALSE(main().cbRealCas->isChecked());
    EXPECT_FALSE(main().cbDisplayWindow->isChecked());
    EXPECT_TRUE(main().cbDispRunningTime->isChecked());
    EXPECT_FALSE(main().cbDispPaging->isChecked());
    EXPECT_EQ(child<QPlainTextEdit>("memCategories")->toPlainText(), QStringLiteral("MX1\nMX2\nOPEN\nVETERÁN"));
    EXPECT_EQ(main().lblVitez->font().pixelSize(), 32);
    EXPECT_TRUE(main().lblVitez->font().bold());
    EXPECT_TRUE(main().lblCislo->font().bold());
    EXPECT_TRUE(main().lblCislo->alignment() & Qt::AlignRight);
}

TEST_F(MainWindowTest, KeypadHasZeroUnderTheMiddleColumnBetweenStartAndBackspace)
{
    main().show();
    auto centre = [&](QWidget *w) { return w->mapTo(&main(), w->rect().center()); };
    EXPECT_EQ(centre(main().Button16).x(), centre(main().Button7).x());
    EXPECT_GT(centre(main().Button16).y(), centre(main().Button14).y());
    EXPECT_LT(centre(main().btnStart).x(), centre(main().Button16).x());
    EXPECT_GT(centre(main().Button17).x(), centre(main().Button16).x());
    EXPECT_EQ(centre(main().btnStart).y(), centre(main().Button16).y());
    // "Vlož" across the bottom of the panel
    EXPECT_GT(main().Button2->y(), main().Button16->y());
    EXPECT_GE(main().Button2->width(), main().Button6->width() * 3);
}

TEST_F(MainWindowTest, KeyPreviewSeesEveryKeyOnceBeforeTheControl)
{
    main().show();
    QApplication::setActiveWindow(&main());
    int previewed = 0;
    main().FormKeyDown = [&](QKeyEvent *e) {
        ++previewed;
        return e->key() == Qt::Key_Space;  // consumes Space
    };
    int clicks = 0;
    QObject::connect(main().Button21, &QPushButton::clicked, [&] { ++clicks; });
    main().Button21->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), main().Button21);

    // a digit is ignored by the button and travels up to its parents
    QTest::keyClick(main().Button21, Qt::Key_4);
    EXPECT_EQ(previewed, 1);

    // a consumed Space never reaches the focused button
    QTest::keyClick(main().Button21, Qt::Key_Space);
    EXPECT_EQ(previewed, 2);
    EXPECT_EQ(clicks, 0);
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

TEST(ManualEntryShell, PenaltyArrowsStepWithinTheirRange)
{
    TfrmTime dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ruční zadání časů"));
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("0"));
    EXPECT_TRUE(dialog.Button1->isDefault());
    EXPECT_EQ(dialog.Button2->text(), QStringLiteral("Storno"));
    EXPECT_FALSE(dialog.isModal());

    dialog.StepPenalty(-1);
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("0"));
    dialog.Edit1->setText(QStringLiteral("99"));
    dialog.StepPenalty(1);
    dialog.StepPenalty(1);
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("100"));
    // a field that holds no number steps from where the arrows last were
    dialog.Edit1->setText(QStringLiteral("abc"));
    QTest::keyClick(dialog.Edit1, Qt::Key_Down);
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("99"));

    // the race start's five digits stand in the number field
    dialog.MaskEdit2->setText(QStringLiteral("10000"));
    EXPECT_EQ(dialog.MaskEdit2->text(), QStringLiteral("10000"));
}

}  // namespace
